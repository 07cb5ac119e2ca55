// The program's own path to a server: our ODBC connection, unixODBC, the
// FreeTDS driver and the TDS protocol, against the scripted server.
#include "app/frmconectar.h"
#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "explorer/frmanalizadorconsultas.h"
#include "platform/rejillaconsulta.h"
#include "platform/textomultilinea.h"
#include "platform/odbc.h"
#include "support/extremo.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using tdstest::Column;
using tdstest::Reply;
using tdstest::Request;
using tdstest::TdsServer;
using tdstest::Type;

class ExtremoAExtremo : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        datos::UsaConexionesOdbc();
        servidor.acceptLogin("sa", "Clave;=1 ñ");
        ServidorDeLaPasada(servidor);
        servidor.start();
    }
    void TearDown() override {
        if (Conexion && Conexion->State() == datos::adStateOpen) Conexion->Close();
        PruebaTolvek::TearDown();
        servidor.stop();
    }
    QString Servidor() const { return QStringLiteral("127.0.0.1,%1").arg(servidor.port()); }
    bool Conecta(const QString& clave, const QString& base = QStringLiteral("master")) {
        Proveedor = QStringLiteral("SQLOLEDB.1");
        NombreServidor = Servidor();
        NombreUsuario = QStringLiteral("sa");
        ClaveUsuario = clave;
        return Conecta_SQL(Conexion, base);
    }
    std::vector<std::string> Lotes() const {
        std::vector<std::string> r;
        for (const auto& s : servidor.statements()) r.push_back(s);
        return r;
    }
    TdsServer servidor;
};

TEST_F(ExtremoAExtremo, ConnectsAsTheLoginOnTheDatabase) {
    ASSERT_TRUE(Conecta(QStringLiteral("Clave;=1 ñ"))) << TextosCajas().join("|").toStdString();
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join("|").toStdString();
    EXPECT_EQ(Conexion->State(), datos::adStateOpen);
    EXPECT_EQ(Conexion->CommandTimeout(), 120);
    const auto logins = servidor.logins();
    ASSERT_FALSE(logins.empty());
    EXPECT_TRUE(logins.back().accepted);
    EXPECT_EQ(logins.back().user, "sa");
    EXPECT_EQ(logins.back().password, "Clave;=1 ñ");
    EXPECT_EQ(logins.back().database, "master");
    EXPECT_EQ(servidor.currentDatabase(), "master");
}

TEST_F(ExtremoAExtremo, AWrongPasswordIsRefusedWithTheServersNumber) {
    EXPECT_FALSE(Conecta(QStringLiteral("mala")));
    ASSERT_EQ(mensajes.Cajas().size(), 1);
    EXPECT_EQ(mensajes.Cajas()[0].texto, QStringLiteral(" Error Nº:18456 (Login failed for user 'sa'.)."));
    EXPECT_NE(Conexion->State(), datos::adStateOpen);
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(ExtremoAExtremo, TheConnectDialogSwitchesTheMenusOn) {
    mdiPrincipal::Instancia()->Show();
    auto* m = mdiPrincipal::SiExiste();
    m->mnuConectar->trigger();
    auto* d = frmConectar::SiExiste();
    ASSERT_NE(d, nullptr);
    d->txtServidor->setText(Servidor());
    d->txtClave->setText(QStringLiteral("Clave;=1 ñ"));
    d->cmdConectar->click();
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join("|").toStdString();
    EXPECT_TRUE(m->mnuAdministrador->isEnabled());
    EXPECT_TRUE(m->mnuAnalizadorConsultas->isEnabled());
    EXPECT_EQ(frmConectar::SiExiste(), nullptr);
    EXPECT_EQ(servidor.logins().back().database, "master");
}

TEST_F(ExtremoAExtremo, UseChangesTheDatabase) {
    ASSERT_TRUE(Conecta(QStringLiteral("Clave;=1 ñ"))) << TextosCajas().join("|").toStdString();
    Conexion->Execute(QStringLiteral("USE Tienda"));
    EXPECT_EQ(servidor.currentDatabase(), "Tienda");
    Conexion->Execute(QStringLiteral("Use [Mi Año]"));
    EXPECT_EQ(servidor.currentDatabase(), "Mi Año");
    // The change of database is a message, not a failure.
    bool informado = false;
    for (const auto& e : Conexion->Errors()) informado = informado || e.NativeError == 5701;
    EXPECT_TRUE(informado);
}

TEST_F(ExtremoAExtremo, AnErrorAfterAMessageFailsTheBatch) {
    servidor.on("exec p", Reply::info(50001, "paso uno").thenError(547, "The DELETE statement conflicted."));
    ASSERT_TRUE(Conecta(QStringLiteral("Clave;=1 ñ"))) << TextosCajas().join("|").toStdString();
    try {
        Conexion->Execute(QStringLiteral("exec p"));
        FAIL() << "no failure";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero, 547);
        EXPECT_EQ(e.Descripcion, QStringLiteral("The DELETE statement conflicted."));
    }
    bool hay547 = false;
    for (const auto& e : Conexion->Errors()) hay547 = hay547 || e.NativeError == 547;
    EXPECT_TRUE(hay547);
    // Reported through the common reporter by a procedure of the program.
    datos::Recordset rs;
    servidor.on("select x", Reply::rows({{"n", Type::Int}}, {{1}}).thenError(208, "Invalid object name 'y'."));
    EXPECT_FALSE(CreaRecordset(Conexion, rs, QStringLiteral("select x")));
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:208 (Invalid object name 'y'.).")});
}

TEST_F(ExtremoAExtremo, TransactionsReachTheServer) {
    servidor.on("DROP VIEW v", Reply());
    servidor.on("CREATE TABLE t (a int)", Reply());
    ASSERT_TRUE(Conecta(QStringLiteral("Clave;=1 ñ"))) << TextosCajas().join("|").toStdString();
    Conexion->BeginTrans();
    Conexion->Execute(QStringLiteral("DROP VIEW v"));
    Conexion->RollbackTrans();
    Conexion->BeginTrans();
    Conexion->Execute(QStringLiteral("CREATE TABLE t (a int)"));
    Conexion->CommitTrans();
    std::vector<std::string> vistos;
    for (const auto& r : servidor.requests()) {
        if (r.fromDriver) continue;
        switch (r.kind) {
        case Request::Kind::BeginTransaction: vistos.push_back("BEGIN"); break;
        case Request::Kind::CommitTransaction: vistos.push_back("COMMIT"); break;
        case Request::Kind::RollbackTransaction: vistos.push_back("ROLLBACK"); break;
        case Request::Kind::Batch: vistos.push_back(r.text); break;
        default: break;
        }
    }
    const std::vector<std::string> esperado = {"BEGIN", "DROP VIEW v", "ROLLBACK", "BEGIN", "CREATE TABLE t (a int)",
                                               "COMMIT"};
    // Only the program's own statements and the transaction requests, in order.
    std::vector<std::string> propios;
    // When autocommit comes back on, the driver sends a rollback of its own
    // after the end of the transaction; it finds nothing open.
    for (const auto& v : vistos) {
        const bool fin = !propios.empty() && (propios.back() == "COMMIT" || propios.back() == "ROLLBACK");
        if (v == "ROLLBACK" && fin) continue;
        if (v == "BEGIN" || v == "COMMIT" || v == "ROLLBACK" || v == "DROP VIEW v" || v == "CREATE TABLE t (a int)")
            propios.push_back(v);
    }
    EXPECT_EQ(propios, esperado);
    EXPECT_FALSE(servidor.inTransaction());
}

TEST_F(ExtremoAExtremo, ADroppedConnectionIsReportedAndANewConnectWorks) {
    servidor.on("select caida", Reply::dropConnection());
    servidor.on("select 1", Reply::rows({{"n", Type::Int}}, {{1}}));
    ASSERT_TRUE(Conecta(QStringLiteral("Clave;=1 ñ"))) << TextosCajas().join("|").toStdString();
    datos::Recordset rs;
    EXPECT_FALSE(CreaRecordset(Conexion, rs, QStringLiteral("select caida")));
    ASSERT_EQ(mensajes.Cajas().size(), 1);
    EXPECT_TRUE(mensajes.Cajas()[0].texto.startsWith(QStringLiteral(" Error Nº:")));
    EXPECT_EQ(Conexion->State(), datos::adStateClosed);
    EXPECT_EQ(puntero.actual, vb::vbDefault);
    // A later statement on the dead connection fails cleanly too.
    EXPECT_FALSE(CreaRecordset(Conexion, rs, QStringLiteral("select 1")));
    EXPECT_EQ(TextosCajas().last(),
              QStringLiteral(" Error Nº:3704 (Operation is not allowed when the object is closed.)."));
    ASSERT_TRUE(Conecta(QStringLiteral("Clave;=1 ñ"))) << TextosCajas().join("|").toStdString();
    ASSERT_TRUE(CreaRecordset(Conexion, rs, QStringLiteral("select 1")));
    EXPECT_EQ(rs.Fields(0).Texto(), QStringLiteral("1"));
}

TEST_F(ExtremoAExtremo, AStatementPastItsTimeOutIsCancelled) {
    servidor.on("waitfor delay '01:00:00'", Reply::hangUntilCancelled());
    ASSERT_TRUE(Conecta(QStringLiteral("Clave;=1 ñ"))) << TextosCajas().join("|").toStdString();
    Conexion->setCommandTimeout(1);
    datos::Recordset rs;
    EXPECT_FALSE(CreaRecordset(Conexion, rs, QStringLiteral("waitfor delay '01:00:00'")));
    ASSERT_EQ(mensajes.Cajas().size(), 1);
    EXPECT_GE(servidor.cancelCount(), 1);
    // The connection goes on working after the cancel.
    servidor.on("select 2", Reply::rows({{"n", Type::Int}}, {{2}}));
    ASSERT_TRUE(CreaRecordset(Conexion, rs, QStringLiteral("select 2")));
    EXPECT_EQ(rs.Fields(0).Texto(), QStringLiteral("2"));
}

TEST_F(ExtremoAExtremo, AHundredThousandRowsArriveIntact) {
    tdstest::ResultSet grande;
    grande.columns = {{"id", Type::Int}, {"nombre", Type::NVarChar, 80}, {"fecha", Type::DateTime},
                      {"nota", Type::NVarChar, 20}};
    grande.generatedRows = 100000;
    grande.generator = [](std::size_t i, tdstest::Row& fila) {
        fila = {static_cast<long long>(i), "fila ñ " + std::to_string(i), "2001-02-03 04:05:06.000",
                i % 7 == 0 ? tdstest::Value() : tdstest::Value("n" + std::to_string(i % 100))};
    };
    servidor.on("select * from grande", Reply::rows(grande));
    ASSERT_TRUE(Conecta(QStringLiteral("Clave;=1 ñ"))) << TextosCajas().join("|").toStdString();
    datos::Recordset rs;
    ASSERT_TRUE(CreaRecordset(Conexion, rs, QStringLiteral("select * from grande")));
    ASSERT_EQ(rs.RecordCount(), 100000);
    qsizetype i = 0;
    for (; !rs.Eof(); rs.MoveNext(), ++i) {
        ASSERT_EQ(rs.Fields(0).Value().toLongLong(), i);
        ASSERT_EQ(rs.Fields(QStringLiteral("NOMBRE")).Texto(), QStringLiteral("fila ñ %1").arg(i));
        ASSERT_EQ(rs.Fields(3).IsNull(), i % 7 == 0);
        if (i % 7) ASSERT_EQ(rs.Fields(3).Texto(), QStringLiteral("n%1").arg(i % 100));
    }
    EXPECT_EQ(i, 100000);
    EXPECT_EQ(rs.Fields(2).Type(), datos::adDBTimeStamp);
}

TEST_F(ExtremoAExtremo, TheAnalyzerShowsTheFirstResultWithColumns) {
    servidor.on("Select name from master.dbo.sysdatabases order by name",
                Reply::rows({{"name", Type::NVarChar, 128}}, {{"master"}, {"Tienda"}}));
    servidor.on("update t set a = 1 select a, b from t",
                Reply::rowsAffected(3).thenRows({{"a", Type::Int}, {"b", Type::NVarChar, 20}},
                                                {{1, "uno"}, {1, nullptr}, {1, "tres"}}));
    servidor.on("select * from nada", Reply::error(208, "Invalid object name 'nada'."));
    // A conversion that fails at the third row: the rows before it are no result.
    servidor.on("select convert(int, c) from t",
                Reply::rows({{"c", Type::Int}}, {{1}, {2}})
                    .errorAfterRow(2, 245, "Conversion failed when converting the varchar value 'x' to data type int."));
    ASSERT_TRUE(Conecta(QStringLiteral("Clave;=1 ñ"))) << TextosCajas().join("|").toStdString();
    mdiPrincipal::Instancia()->Show();
    auto* m = mdiPrincipal::SiExiste();
    m->mnuAnalizadorConsultas->setEnabled(true);
    m->mnuAnalizadorConsultas->trigger();
    auto* a = frmAnalizadorConsultas::SiExiste();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(servidor.currentDatabase(), "master");
    a->cboBD->setCurrentIndex(1);
    EXPECT_EQ(servidor.currentDatabase(), "Tienda");
    a->txtSQL->EstableceText(QStringLiteral("update t set a = 1\r\nselect a, b from t"));
    QTextCursor c = a->txtSQL->textCursor();
    c.select(QTextCursor::Document);
    a->txtSQL->setTextCursor(c);
    a->Ejecuta();
    ASSERT_EQ(a->GridSQL->Filas(), 3);
    EXPECT_EQ(a->GridSQL->Columnas(), 2);
    EXPECT_EQ(a->GridSQL->TextoCelda(2, 1), QStringLiteral("tres"));
    // The selection reached the server with CR LF between its lines.
    const auto lotes = servidor.statements();
    EXPECT_NE(std::find(lotes.begin(), lotes.end(), "update t set a = 1\r\nselect a, b from t"), lotes.end());
    // A refused batch keeps the grid.
    a->txtSQL->EstableceText(QStringLiteral("select * from nada"));
    a->Ejecuta();
    EXPECT_EQ(a->GridSQL->Filas(), 3);
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:208 (Invalid object name 'nada'.).")});
    a->txtSQL->EstableceText(QStringLiteral("select convert(int, c) from t"));
    a->Ejecuta();
    EXPECT_EQ(a->GridSQL->Filas(), 3);
    EXPECT_EQ(TextosCajas().last(), QStringLiteral(" Error Nº:245 (Conversion failed when converting the varchar "
                                                   "value 'x' to data type int.)."));
    datos::Recordset rs;
    EXPECT_FALSE(CreaRecordset(Conexion, rs, QStringLiteral("select convert(int, c) from t")));
    EXPECT_EQ(TextosCajas().size(), 3);
}
