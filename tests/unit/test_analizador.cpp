#include "explorer/frmanalizadorconsultas.h"

#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "common/guiones.h"
#include "platform/rejillaconsulta.h"
#include "platform/textomultilinea.h"
#include "support/entorno.h"

#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>

class Analizador : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        conexion->AbreSinMas();
        Conexion = conexion;
        conexion->Responde("Select name from master.dbo.sysdatabases order by name", {"name"},
                           {{QStringLiteral("master ")}, {QStringLiteral("Tienda")}, {QStringLiteral("Mi Base")}});
        mdiPrincipal::Instancia()->Show();
        mdiPrincipal::SiExiste()->mnuAnalizadorConsultas->setEnabled(true);  // as after a connect
    }
    frmAnalizadorConsultas* Abre() {
        mdiPrincipal::SiExiste()->mnuAnalizadorConsultas->trigger();
        auto* a = frmAnalizadorConsultas::SiExiste();
        conexion->Enviadas.clear();
        return a;
    }
    static QByteArray Bytes(const QString& ruta) {
        QFile f(ruta);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    static void Escribe(const QString& ruta, const QByteArray& b) {
        QFile f(ruta);
        f.open(QIODevice::WriteOnly);
        f.write(b);
    }
    QTemporaryDir dir;
};

TEST_F(Analizador, LoadingFillsTheDatabasesAndPicksMaster) {
    QApplication::setActiveWindow(mdiPrincipal::SiExiste());
    mdiPrincipal::SiExiste()->mnuAnalizadorConsultas->trigger();
    auto* a = frmAnalizadorConsultas::SiExiste();
    ASSERT_NE(a, nullptr);
    // The first key typed is the query's, not a choice of database.
    ::Escribe(QStringLiteral("T"));
    EXPECT_EQ(a->txtSQL->Text(), QStringLiteral("T"));
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{"Select name from master.dbo.sysdatabases order by name", "Use [master ]"}));
    EXPECT_EQ(a->cboBD->count(), 3);
    EXPECT_EQ(a->cboBD->currentText(), QStringLiteral("master"));
    a->cboBD->setCurrentIndex(2);
    EXPECT_EQ(conexion->Enviadas.last(), QStringLiteral("Use [Mi Base]"));
    a->cboBD->setCurrentIndex(1);
    EXPECT_EQ(conexion->Enviadas.last(), QStringLiteral("Use Tienda"));
    // Activation switches the menus.
    auto* m = mdiPrincipal::SiExiste();
    EXPECT_TRUE(mdiPrincipal::Habilitado(m->mnuConsulta));
    EXPECT_FALSE(mdiPrincipal::Habilitado(m->mnuBaseDatos));
    EXPECT_EQ(a->windowTitle(), QStringLiteral("Analizado Consultas"));
    Idioma = 1;
    a->PonIdioma();
    EXPECT_EQ(a->windowTitle(), QStringLiteral("Query Analyzer"));
    EXPECT_EQ(a->cmdEjecuta->text(), QStringLiteral("(F5) &Execute"));
}

TEST_F(Analizador, AFailingDatabaseListLeavesNothingSelected) {
    conexion->Falla("Select name from master.dbo.sysdatabases order by name", 4060, QStringLiteral("Cannot open"));
    auto* a = Abre();
    EXPECT_EQ(a->cboBD->count(), 0);
    EXPECT_EQ(a->cboBD->currentIndex(), -1);
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:4060 (Cannot open).")});
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(Analizador, RunsTheSelectionElseTheWholeText) {
    auto* a = Abre();
    a->txtSQL->EstableceText(QStringLiteral("select 1\r\nselect 2\r\nselect 3"));
    QTextCursor c = a->txtSQL->textCursor();
    c.setPosition(9);
    c.setPosition(26, QTextCursor::KeepAnchor);  // "select 2\nselect 3"
    a->txtSQL->setTextCursor(c);
    a->cmdEjecuta->click();
    a->txtSQL->EstableceText(QStringLiteral("select 1\r\n  "));
    c = a->txtSQL->textCursor();
    c.setPosition(8);
    c.setPosition(10, QTextCursor::KeepAnchor);  // a line end and a blank: not empty once trimmed
    a->txtSQL->setTextCursor(c);
    a->cmdEjecuta->click();
    c.setPosition(9);
    c.setPosition(11, QTextCursor::KeepAnchor);  // only blanks: the whole text runs
    a->txtSQL->setTextCursor(c);
    a->cmdEjecuta->click();
    a->txtSQL->EstableceText(QStringLiteral("   "));
    a->cmdEjecuta->click();
    a->txtSQL->EstableceText(QString());
    a->cmdEjecuta->click();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"select 2\r\nselect 3", "\r\n ", "select 1\r\n  "}));
}

TEST_F(Analizador, F5RunsAndOtherKeysType) {
    auto* a = Abre();
    a->txtSQL->EstableceText(QStringLiteral("select 1"));
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(a->txtSQL, &f5);
    a->txtSQL->moveCursor(QTextCursor::End);
    QKeyEvent x(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(a->txtSQL, &x);
    EXPECT_EQ(conexion->Enviadas, QStringList{"select 1"});
    EXPECT_EQ(a->txtSQL->Text(), QStringLiteral("select 1x"));
}

TEST_F(Analizador, ResultsInTheGrid) {
    auto* a = Abre();
    conexion->Responde("select * from t", QStringList{"id", "nombre"}, {{1, QStringLiteral("uno")}, {2, QVariant()}});
    conexion->Responde("update t set x=1", QStringList{});
    conexion->Falla("select * from nada", 208, QStringLiteral("Invalid object name 'nada'."));
    a->txtSQL->EstableceText("select * from t");
    a->Ejecuta();
    ASSERT_EQ(a->GridSQL->Filas(), 2);
    EXPECT_EQ(a->GridSQL->Columnas(), 2);
    EXPECT_EQ(a->GridSQL->TextoCelda(0, 1), QStringLiteral("uno"));
    EXPECT_EQ(a->GridSQL->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("nombre"));
    // A refused batch keeps the old grid; the next run works.
    a->txtSQL->EstableceText("select * from nada");
    a->Ejecuta();
    EXPECT_EQ(a->GridSQL->Filas(), 2);
    EXPECT_EQ(a->txtSQL->Text(), QStringLiteral("select * from nada"));
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:208 (Invalid object name 'nada'.).")});
    // A statement without rows clears the grid without an error.
    a->txtSQL->EstableceText("update t set x=1");
    a->Ejecuta();
    EXPECT_EQ(a->GridSQL->Filas(), 0);
    EXPECT_EQ(a->GridSQL->Columnas(), 0);
    a->txtSQL->EstableceText("select * from t");
    a->Ejecuta();
    EXPECT_EQ(a->GridSQL->Filas(), 2);
    EXPECT_EQ(mensajes.Cajas().size(), 1);
}

TEST_F(Analizador, ScriptFilesRoundTripInTheirCodePage) {
    const QString ruta = dir.filePath("guion.sql");
    // With a no-break space (0xA0), which must not come back as a blank.
    const QByteArray original("select 'a\xF1o' -- \xE9 \x80\xA0\r\nselect 2\r\n");
    Escribe(ruta, original);
    archivos.Abrir_ = {ruta};
    mdiPrincipal::SiExiste()->mnuAbrir->trigger();
    auto* a = frmAnalizadorConsultas::SiExiste();
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->Mostrado());
    EXPECT_EQ(a->txtSQL->Text(), QStringLiteral("select 'año' -- é €\u00A0\r\nselect 2\r\n"));
    const QString copia = dir.filePath("copia.sql");
    archivos.Guardar_ = {copia};
    mdiPrincipal::SiExiste()->mnuGuardar->trigger();
    EXPECT_EQ(Bytes(copia), original);  // no line is added at the end
    EXPECT_EQ(archivos.Pedidos, (QStringList{"abrir sql *.sql", "guardar sql *.sql"}));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Analizador, LinesEndedByLineFeedOnlyAndTextsWithoutEnd) {
    const QString ruta = dir.filePath("lf.sql");
    Escribe(ruta, "a\nb\n\nc");
    EXPECT_EQ(LeeGuion(ruta), QStringLiteral("a\r\nb\r\n\r\nc\r\n"));
    const QString salida = dir.filePath("s.sql");
    GrabaGuion(salida, QStringLiteral("x\r\ny"));
    EXPECT_EQ(Bytes(salida), QByteArray("x\r\ny\r\n"));
    GrabaGuion(salida, QString());
    EXPECT_EQ(Bytes(salida), QByteArray("\r\n"));
    GrabaGuion(salida, QStringLiteral("π ≠ ñ"));  // outside the code page: "?"
    EXPECT_EQ(Bytes(salida), QByteArray("? ? \xF1\r\n"));
}

TEST_F(Analizador, CancelOrAMissingFileChangesNothing) {
    auto* a = Abre();
    a->txtSQL->EstableceText(QStringLiteral("lo que había"));
    archivos.Abrir_ = {QString()};
    mdiPrincipal::SiExiste()->mnuAbrir->trigger();
    archivos.Abrir_ = {dir.filePath("no-existe.sql")};
    mdiPrincipal::SiExiste()->mnuAbrir->trigger();
    archivos.Guardar_ = {QStringLiteral("   ")};
    mdiPrincipal::SiExiste()->mnuGuardar->trigger();
    archivos.Guardar_ = {dir.filePath("no/existe/carpeta.sql")};
    mdiPrincipal::SiExiste()->mnuGuardar->trigger();
    EXPECT_EQ(a->txtSQL->Text(), QStringLiteral("lo que había"));
    EXPECT_EQ(TextosCajas(), (QStringList{" Error Nº:53 (File not found).", " Error Nº:76 (Path not found)."}));
}

// Other windows send their own USE on the one connection: each batch still
// runs in the database the analyzer's list shows, and a batch that changes the
// database moves the list, without a Use of its own.
struct CasoBaseDatos {
    const char* nombre;
    const char* otraVentana;  // sent by another window before the batch, "" for none
    bool refusaMaster;        // master cannot be used any more
    const char* lote;         // run with F5, then "select 2" with Execute
    QStringList enviadas;
    const char* lista;        // what the list shows at the end
    int errores;              // boxes shown
};
void PrintTo(const CasoBaseDatos& c, std::ostream* os) { *os << c.nombre; }

class AnalizadorBaseDatos : public Analizador, public ::testing::WithParamInterface<CasoBaseDatos> {};

TEST_P(AnalizadorBaseDatos, EachBatchRunsInTheDatabaseTheListShows) {
    const CasoBaseDatos& c = GetParam();
    auto* a = Abre();
    // A database made after the list was read.
    conexion->Responde("Select name from master.dbo.sysdatabases order by name", {"name"},
                       {{QStringLiteral("master ")}, {QStringLiteral("Tienda")}, {QStringLiteral("Mi Base")},
                        {QStringLiteral("Nueva")}});
    if (c.refusaMaster) conexion->Falla("Use [master ]", 911, QStringLiteral("Database 'master ' does not exist."));
    if (*c.otraVentana) Conexion->Execute(QString::fromUtf8(c.otraVentana));
    conexion->Enviadas.clear();
    a->txtSQL->EstableceText(QString::fromUtf8(c.lote));
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(a->txtSQL, &f5);
    a->txtSQL->EstableceText(QStringLiteral("select 2"));
    a->cmdEjecuta->click();
    EXPECT_EQ(conexion->Enviadas, c.enviadas);
    EXPECT_EQ(a->cboBD->currentText(), QString::fromUtf8(c.lista));
    EXPECT_EQ(TextosCajas(), QStringList(c.errores, " Error Nº:911 (Database 'master ' does not exist.)."));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, AnalizadorBaseDatos,
    ::testing::Values(
        CasoBaseDatos{"AnotherWindowMovedIt", "USE Tienda", false, "delete from t",
                      {"Use [master ]", "delete from t", "select 2"}, "master", 0},
        CasoBaseDatos{"NothingMovedIt", "", false, "delete from t", {"delete from t", "select 2"}, "master", 0},
        CasoBaseDatos{"TheBatchMovesIt", "", false, "select 1 USE [Mi Base]", {"select 1 USE [Mi Base]", "select 2"},
                      "Mi Base", 0},
        CasoBaseDatos{"TheBatchMovesItToADatabaseMadeSince", "", false, "use Nueva",
                      {"use Nueva", "Select name from master.dbo.sysdatabases order by name", "select 2"}, "Nueva", 0},
        CasoBaseDatos{"TheListsDatabaseIsRefused", "use Tienda", true, "delete from t",
                      {"Use [master ]", "Use [master ]"}, "master", 2}),
    [](const ::testing::TestParamInfo<CasoBaseDatos>& i) { return std::string(i.param.nombre); });
