// The ODBC connection through FreeTDS, the program's real driver, against the
// scripted TDS server: the program's own connection string, messages and
// errors as SQL Server sends them, time-outs, lost links and transactions.
//
// Built when the test program is linked with the scripted server
// (tests/tdsserver, target tolvek_tdsserver).
#if __has_include("tdsserver.h")

#include "tdsserver.h"

#include "platform/odbc.h"

#include <QDateTime>

#include "support/entorno.h"

#include <gtest/gtest.h>

using namespace datos;
using namespace tdstest;

namespace {

const std::string kUsuario = "tolvek";
const std::string kClave = "p;w d= x{ñ=;";  // ';', '=', '{', blanks and ñ in the connection string

class FreeTdsOdbc : public ::testing::Test {
protected:
    void SetUp() override {
        antes_ = qgetenv("TOLVEK_ODBC_DRIVER");
        habia_ = qEnvironmentVariableIsSet("TOLVEK_ODBC_DRIVER");
        qunsetenv("TOLVEK_ODBC_DRIVER");
        server_.acceptLogin(kUsuario, kClave);
        server_.start();
    }
    void TearDown() override {
        server_.stop();
        if (habia_) qputenv("TOLVEK_ODBC_DRIVER", antes_);
    }
    // The string the program builds, values pasted as they stand.
    QString cadena(const std::string& clave = kClave, const QString& base = "master") const {
        return QStringLiteral("Provider=SQLOLEDB.1;Data Source=127.0.0.1,%1;Initial Catalog=%2;User Id=%3;Password=%4;")
            .arg(server_.port())
            .arg(base, QString::fromStdString(kUsuario), QString::fromStdString(clave));
    }
    static const ErrorDatos* entrada(const Connection& c, qint64 nativo) {
        for (const ErrorDatos& d : c.Errors())
            if (d.NativeError == nativo) return &d;
        return nullptr;
    }
    static bool hayEstado(const Connection& c, const QString& estado) {
        for (const ErrorDatos& d : c.Errors())
            if (d.SQLState == estado) return true;
        return false;
    }

    TdsServer server_;
    QByteArray antes_;
    bool habia_ = false;
};

}  // namespace

TEST_F(FreeTdsOdbc, ProgramStringLogsInWithEveryValueIntact) {
    for (const std::string clave : {kClave, std::string("x}y= z{ñ"), std::string(" blancos "), std::string("}}"),
                                    std::string("{abre"), std::string("termina;")}) {
        SCOPED_TRACE(clave);
        server_.acceptLogin(kUsuario, clave);
        OdbcConnection c;
        c.Open(cadena(clave));
        EXPECT_EQ(c.State(), adStateOpen);
        EXPECT_TRUE(c.textoEnUtf8());
        const auto logins = server_.logins();
        ASSERT_FALSE(logins.empty());
        EXPECT_TRUE(logins.back().accepted);
        EXPECT_EQ(logins.back().user, kUsuario);
        EXPECT_EQ(logins.back().password, clave);
        EXPECT_EQ(logins.back().database, "master");
        EXPECT_EQ(logins.back().appName, "Tolvek");
        EXPECT_EQ(logins.back().tdsVersion >> 24, 0x73u);
        c.Close();
        EXPECT_EQ(c.State(), adStateClosed);
    }

    // A password FreeTDS cannot receive unaltered is refused before anything is sent.
    OdbcConnection c;
    const auto antes = server_.logins().size();
    const ErrorEjecucion e = FalloDe([&] { c.Open(cadena("a;b}c")); });
    EXPECT_EQ(e.Numero, errnum::FalloGeneral);
    ASSERT_EQ(c.Errors().size(), 1);
    EXPECT_EQ(c.Errors().first().Description, e.Descripcion);
    EXPECT_EQ(server_.logins().size(), antes);
    EXPECT_EQ(c.State(), adStateClosed);
}

TEST_F(FreeTdsOdbc, RefusedLoginFailsWithTheServersNumberAndText) {
    OdbcConnection c;
    const ErrorEjecucion e = FalloDe([&] { c.Open(cadena("otra")); });
    EXPECT_EQ(c.State(), adStateClosed);
    EXPECT_EQ(e.Numero, 18456);
    EXPECT_TRUE(e.Descripcion.startsWith("Login failed for user 'tolvek'.")) << e.Descripcion.toStdString();
    c.Open(cadena());
    EXPECT_EQ(c.State(), adStateOpen);
}

TEST_F(FreeTdsOdbc, InformationalMessagesAreKeptButDoNotFail) {
    server_.setDatabases({"master", "Ventas"});
    server_.on("PRINT 'aviso'", Reply::info(0, "aviso"));
    OdbcConnection c;
    c.Open(cadena());
    c.Execute("USE Ventas");
    EXPECT_EQ(server_.currentDatabase(), "Ventas");
    const ErrorDatos* d = entrada(c, 5701);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->SQLState, "01000");
    EXPECT_EQ(d->Number, 5701);
    EXPECT_TRUE(d->Description.contains("Ventas")) << d->Description.toStdString();
    EXPECT_FALSE(d->Description.startsWith('['));

    c.Execute("PRINT 'aviso'");
    ASSERT_EQ(c.Errors().size(), 1);
    EXPECT_EQ(c.Errors().first().Description, "aviso");

    // A USE of a database that does not exist is an error.
    const ErrorEjecucion e = FalloDe([&] { c.Execute("USE Compras"); });
    EXPECT_EQ(e.Numero, 911);
    EXPECT_EQ(server_.currentDatabase(), "Ventas");
}

TEST_F(FreeTdsOdbc, ColumnsMapToAdoTypesAndValuesSurvive) {
    const std::vector<Column> cols = {
        {"id", Type::Int},           {"nombre", Type::NVarChar, 40}, {"alta", Type::DateTime},
        {"precio", Type::Float},     {"activo", Type::Bit},          {"nivel", Type::TinyInt},
        {"orden", Type::SmallInt},   {"codigo", Type::VarChar, 20},  {"importe", Type::Decimal, 0, 12, 2},
        {"guid", Type::UniqueIdentifier}, {"grande", Type::BigInt},  {"ratio", Type::Real},
        {"crudo", Type::VarBinary, 16},
    };
    server_.on("SELECT * FROM dbo.articulos",
               Reply::rows(cols, {
                                     {7, "Año ñandú €", "2024-02-29 13:45:10.500", 2.25, true, 255, -32768, "ñ€",
                                      "-1234567.89", "6F9619FF-8B86-D011-B42D-00C04FC964FF", -9000000000LL, 0.5,
                                      std::string("\x00\xff\x10", 3)},
                                     {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr},
                                     {0, "", "1753-01-01", -0.5, false, 0, 32767, "", "0.05", nullptr, 0, -1.5, ""},
                                 }));
    const int tipos[] = {adInteger,  adVarWChar, adDBTimeStamp, adDouble, adBoolean, adUnsignedTinyInt, adSmallInt,
                         adVarChar,  adNumeric,  adGUID,        adBigInt, adSingle,  adVarBinary};
    for (auto modo : {OdbcConnection::Texto::Automatico, OdbcConnection::Texto::Utf16}) {
        OdbcConnection c;
        c.setTransferenciaTexto(modo);
        c.Open(cadena());
        auto t = c.Query("SELECT * FROM dbo.articulos");
        ASSERT_EQ(t->columnCount(), int(cols.size()));
        ASSERT_EQ(t->rowCount(), 3);
        for (int i = 0; i < t->columnCount(); ++i) {
            EXPECT_EQ(t->column(i).name.toStdString(), cols[size_t(i)].name);
            EXPECT_EQ(t->column(i).type, tipos[i]) << cols[size_t(i)].name;
        }
        EXPECT_EQ(t->column(1).definedSize, 40);
        EXPECT_EQ(t->value(0, 0).toInt(), 7);
        EXPECT_EQ(t->text(0, 1), QStringLiteral("Año ñandú €"));
        EXPECT_EQ(t->value(0, 2).toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(13, 45, 10, 500)));
        EXPECT_EQ(t->value(0, 3).toDouble(), 2.25);
        EXPECT_EQ(t->value(0, 4), QVariant(true));
        EXPECT_EQ(t->value(0, 5).toInt(), 255);
        EXPECT_EQ(t->value(0, 6).toInt(), -32768);
        EXPECT_EQ(t->text(0, 7), QStringLiteral("ñ€"));
        EXPECT_EQ(t->text(0, 8), "-1234567.89");
        EXPECT_EQ(t->text(0, 9), "{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
        EXPECT_EQ(t->value(0, 10).toLongLong(), -9000000000LL);
        EXPECT_EQ(t->value(0, 11).toDouble(), 0.5);
        EXPECT_EQ(t->value(0, 12).toByteArray(), QByteArray("\x00\xff\x10", 3));
        for (int i = 0; i < t->columnCount(); ++i) EXPECT_TRUE(t->isNull(1, i)) << i;
        EXPECT_FALSE(t->isNull(2, 1));
        EXPECT_EQ(t->text(2, 1), "");
        EXPECT_EQ(t->value(2, 2).toDateTime(), QDateTime(QDate(1753, 1, 1), QTime(0, 0)));
        EXPECT_EQ(t->value(2, 4), QVariant(false));
        EXPECT_EQ(t->text(2, 8), "0.05");
        EXPECT_TRUE(t->isNull(2, 9));
    }
    EXPECT_EQ(server_.statements(), std::vector<std::string>(2, "SELECT * FROM dbo.articulos"));
}

TEST_F(FreeTdsOdbc, AnErrorAnywhereInTheBatchFailsTheCall) {
    server_.on("SELECT a FROM t; SELECT * FROM nada",
               Reply::rows({{"a", Type::Int}}, {{1}, {2}}).thenError(208, "Invalid object name 'nada'."));
    server_.on("PRINT 'x'; SELECT a FROM t; RAISERROR('falló', 16, 1)",
               Reply::info(0, "comprobando").thenRows({{"a", Type::Int}}, {{1}}).thenError(50000, "falló"));
    server_.on("INSERT INTO t VALUES (1); SELECT a FROM t",
               Reply::error(2627, "Violation of PRIMARY KEY constraint 'pk_t'.").thenRows({{"a", Type::Int}}, {{1}}));
    OdbcConnection c;
    c.Open(cadena());
    ErrorEjecucion e = FalloDe([&] { c.Query("SELECT a FROM t; SELECT * FROM nada"); });
    EXPECT_EQ(e.Numero, 208);
    EXPECT_EQ(e.Descripcion, "Invalid object name 'nada'.");
    e = FalloDe([&] { c.Execute("SELECT a FROM t; SELECT * FROM nada"); });
    EXPECT_EQ(e.Numero, 208);

    e = FalloDe([&] { c.Execute("PRINT 'x'; SELECT a FROM t; RAISERROR('falló', 16, 1)"); });
    EXPECT_EQ(e.Numero, 50000);
    EXPECT_EQ(e.Descripcion, "falló");
    // The message and the error both, in the order the server sent them.
    // (Within what one driver call delivers, FreeTDS puts errors first.)
    qsizetype aviso = -1, error = -1;
    for (qsizetype i = 0; i < c.Errors().size(); ++i) {
        if (c.Errors()[i].Description == "comprobando") aviso = i;
        if (c.Errors()[i].NativeError == 50000) error = i;
    }
    ASSERT_GE(aviso, 0);
    ASSERT_GE(error, 0);
    EXPECT_LT(aviso, error);

    e = FalloDe([&] { c.Execute("INSERT INTO t VALUES (1); SELECT a FROM t"); });
    EXPECT_EQ(e.Numero, 2627);
    EXPECT_EQ(c.State(), adStateOpen);

    server_.on("SELECT 1", Reply::rows({{"", Type::Int}}, {{1}}));
    EXPECT_EQ(c.Query("SELECT 1")->value(0, 0).toInt(), 1);
}

TEST_F(FreeTdsOdbc, QueryReturnsTheFirstResultWithColumns) {
    server_.on("UPDATE t SET a = 1; SELECT b FROM u; SELECT c FROM v",
               Reply::rowsAffected(3).thenRows({{"b", Type::NVarChar, 10}}, {{"uno"}}).thenRows({{"c", Type::Int}}, {{9}}));
    OdbcConnection c;
    c.Open(cadena());
    auto t = c.Query("UPDATE t SET a = 1; SELECT b FROM u; SELECT c FROM v");
    ASSERT_EQ(t->columnCount(), 1);
    EXPECT_EQ(t->column(0).name, "b");
    ASSERT_EQ(t->rowCount(), 1);
    EXPECT_EQ(t->text(0, 0), "uno");

    auto vacia = c.Query("UPDATE t SET a = 2");
    EXPECT_EQ(vacia->columnCount(), 0);
    EXPECT_EQ(server_.statements(),
              (std::vector<std::string>{"UPDATE t SET a = 1; SELECT b FROM u; SELECT c FROM v", "UPDATE t SET a = 2"}));
}

TEST_F(FreeTdsOdbc, LongValuesArriveWhole) {
    QString texto;
    const QString patron = QString::fromUtf8("Añ€x😀");
    while (texto.size() < 100000) texto += patron;
    const std::vector<Column> cols = {{"id", Type::Int}, {"cuerpo", Type::NVarChar, -1}, {"nota", Type::VarChar, 10}};
    server_.on("SELECT id, cuerpo, nota FROM dbo.largo",
               Reply::rows(cols, {{1, texto.toStdString(), "ñ"}, {2, nullptr, nullptr}, {3, "", ""}}));
    for (auto modo : {OdbcConnection::Texto::Automatico, OdbcConnection::Texto::Utf16}) {
        OdbcConnection c;
        c.setTransferenciaTexto(modo);
        c.Open(cadena());
        auto t = c.Query("SELECT id, cuerpo, nota FROM dbo.largo");
        ASSERT_EQ(t->rowCount(), 3);
        EXPECT_TRUE(t->column(1).type == adLongVarWChar || t->column(1).type == adVarWChar) << t->column(1).type;
        EXPECT_EQ(t->text(0, 1).size(), texto.size());
        EXPECT_TRUE(t->text(0, 1) == texto) << "the long text differs";
        EXPECT_EQ(t->text(0, 2), "ñ");
        EXPECT_TRUE(t->isNull(1, 1));
        EXPECT_FALSE(t->isNull(2, 1));
        EXPECT_EQ(t->text(2, 1), "");
    }
}

#endif  // __has_include("tdsserver.h")
