#include "common/funciones.h"

#include "app/mdiprincipal.h"
#include "platform/formularios.h"
#include "support/entorno.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

class Funciones : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        conexion->AbreSinMas();
        Conexion = conexion;
        PrefijoBD = QStringLiteral("Ventas..");
    }
};

TEST_F(Funciones, MuestraErrorShowsNumberAndText) {
    MuestraError(QStringLiteral("Error cargando datos."), QStringLiteral("CreaRecordset"), 208,
                 QStringLiteral("Invalid object name 'x'."));
    MuestraError(QString(), QStringLiteral("P"), -2147467259, QStringLiteral("Login failed"));
    ASSERT_EQ(mensajes.Cajas().size(), 2);
    EXPECT_EQ(mensajes.Cajas()[0].texto, QStringLiteral(" Error Nº:208 (Invalid object name 'x'.)."));
    EXPECT_EQ(mensajes.Cajas()[0].estilo, 48);
    EXPECT_EQ(mensajes.Cajas()[0].titulo, QStringLiteral("Atención."));
    EXPECT_EQ(mensajes.Cajas()[1].texto, QStringLiteral(" Error Nº:-2147467259 (Login failed)."));
}

TEST_F(Funciones, MuestraErrorFallsBackToTheCriticalBox) {
    mensajes.FallarSiguientes = 1;
    MuestraError(QStringLiteral("Error buscando registro."), QStringLiteral("BuscaRegistro"), 13,
                 QStringLiteral("Type mismatch"));
    ASSERT_EQ(mensajes.Cajas().size(), 1);
    EXPECT_EQ(mensajes.Cajas()[0].texto,
              QStringLiteral("Error critico. \rError buscando registro..BuscaRegistro\rNº:13 (Type mismatch)."));
    EXPECT_EQ(mensajes.Cajas()[0].estilo, 16);
    EXPECT_EQ(mensajes.Cajas()[0].titulo, QStringLiteral("Atención."));

    mensajes.FallarSiguientes = 2;  // neither box can be shown: nothing escapes
    EXPECT_NO_THROW(MuestraError(QString(), QStringLiteral("X"), 1, QStringLiteral("y")));
}

TEST_F(Funciones, AFailureIsReportedAndRestoresThePointer) {
    PunteroRaton(vb::vbHourglass);
    int resultado = 0;
    const bool ok = Atrapa("Prueba", [&] {
        resultado = 5;
        FallaNumero(errnum::FueraDeIntervalo);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(resultado, 5);
    EXPECT_EQ(PunteroRaton(), vb::vbDefault);
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:9 (Subscript out of range).")});
}

TEST_F(Funciones, UserMessagesFollowTheLanguage) {
    Mensaje = QStringLiteral("anterior");
    Idioma = 1;
    MensajeUsuario(QStringLiteral("Introduzca servidor."), QStringLiteral("Insert server."));
    Idioma = 0;
    MensajeUsuario(QStringLiteral("Introduzca servidor."), QStringLiteral("Insert server."));
    Idioma = 7;
    MensajeUsuario(QStringLiteral("Introduzca usuario."), QStringLiteral("Insert user."));
    EXPECT_EQ(TextosCajas(), (QStringList{"Insert server.", "Introduzca servidor.", "Introduzca servidor."}));
    EXPECT_EQ(mensajes.Cajas()[0].titulo, QStringLiteral("Tolvek"));
    EXPECT_EQ(mensajes.Cajas()[0].estilo, 48);
}

TEST_F(Funciones, CreaRecordsetOpensOrReports) {
    conexion->Responde(QStringLiteral("select 1"), {QStringLiteral("n")}, {{1}});
    conexion->Falla(QStringLiteral("select x"), 207, QStringLiteral("Invalid column name 'x'."));
    datos::Recordset rs;
    ASSERT_TRUE(CreaRecordset(Conexion, rs, QStringLiteral("select 1")));
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.CursorLocation, 3);
    EXPECT_FALSE(CreaRecordset(Conexion, rs, QStringLiteral("select x")));
    EXPECT_EQ(rs.State(), datos::adStateClosed);
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:207 (Invalid column name 'x'.).")});
    std::shared_ptr<datos::Connection> ninguna;
    EXPECT_FALSE(CreaRecordset(ninguna, rs, QStringLiteral("select 1")));
    EXPECT_EQ(mensajes.Cajas().size(), 2);
}

TEST_F(Funciones, BuscaRegistroBuildsItsStatement) {
    QString valor = QStringLiteral(" 12 ");
    BuscaRegistro(Conexion, QStringLiteral("syscolumns"), QStringLiteral("name"), QStringLiteral("id"), valor,
                  QStringLiteral("Numerico"), QStringLiteral("colid"), QStringLiteral("3"),
                  QStringLiteral("Numerico"), QString(), QStringLiteral("ignored"), QStringLiteral("Texto"),
                  QStringLiteral("xtype"), QStringLiteral("D"), QStringLiteral("Texto"));
    EXPECT_EQ(valor, QStringLiteral("12"));  // trimmed and written back
    BuscaRegistro(Conexion, QStringLiteral("sysobjects "), QStringLiteral("name"), QStringLiteral("name"),
                  QStringLiteral(" a b "), QStringLiteral("Texto"), QStringLiteral("parent_obj"), QStringLiteral("5"),
                  QStringLiteral("Numerico"));
    BuscaRegistro(Conexion, QStringLiteral("t"), QStringLiteral("f"), QStringLiteral("c"), QStringLiteral("1"),
                  QStringLiteral("Otro"), QStringLiteral("d"), QStringLiteral("2"), QStringLiteral("Otro"));
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{"Select name from Ventas..syscolumns where id=12 and colid=3 and xtype Like 'D'",
                           "Select name from Ventas..sysobjects  where name = ' a b ' and parent_obj=5",
                           "Select f from Ventas..t and d"}));
}

TEST_F(Funciones, BuscaRegistroAnswers) {
    conexion->Responde(QStringLiteral("Select name from Ventas..sysobjects where id=7"), {QStringLiteral("name")},
                       {{QStringLiteral("Clientes")}, {QStringLiteral("Otros")}});
    conexion->Responde(QStringLiteral("Select text from Ventas..syscomments where id=8"), {QStringLiteral("text")},
                       {{QVariant()}});
    conexion->Responde(QStringLiteral("Select id from Ventas..sysobjects where id=9"), {QStringLiteral("id")}, {});
    conexion->Falla(QStringLiteral("Select id from Ventas..sysobjects where id=10"), 208,
                    QStringLiteral("Invalid object name."));
    EXPECT_EQ(BuscaRegistro(Conexion, "sysobjects", "name", "id", "7", "Numerico"), QStringLiteral("Clientes"));
    EXPECT_EQ(BuscaRegistro(Conexion, "syscomments", "text", "id", "8", "Numerico"), QString());
    EXPECT_EQ(BuscaRegistro(Conexion, "sysobjects", "id", "id", "9", "Numerico"), QString());
    EXPECT_EQ(BuscaRegistro(Conexion, "sysobjects", "id", "id", "10", "Numerico"), QString());
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:208 (Invalid object name.).")});
}

TEST_F(Funciones, BuscaRegistroSendsNothingForAnEmptyOrFalseValue) {
    QString blancos = QStringLiteral("   ");
    EXPECT_EQ(BuscaRegistro(Conexion, "t", "f", "id", blancos, "Numerico"), QString());
    EXPECT_EQ(blancos, QString());
    EXPECT_EQ(BuscaRegistro(Conexion, "t", "f", "name", "", "Texto"), QString());
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
    // Quotes inside a text value stay inside the literal.
    BuscaRegistro(Conexion, "sysobjects", "id", "name", "O'Brien", "Texto", "xtype", "x'--", "Texto");
    BuscaRegistro(Conexion, "sysobjects", "id", "name", "Jiří", "Texto");
    // A "number" that is not one is refused before anything is sent.
    EXPECT_EQ(BuscaRegistro(Conexion, "sysobjects", "name", "id", "1 or 1=1", "Numerico"), QString());
    EXPECT_EQ(BuscaRegistro(Conexion, "sysobjects", "name", "id", "1", "Numerico", "uid", "0;drop table t",
                            "Numerico"),
              QString());
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{"Select id from Ventas..sysobjects where name = 'O''Brien' and xtype Like 'x''--'",
                           "Select id from Ventas..sysobjects where name = N'Jiří'"}));
    ASSERT_EQ(mensajes.Cajas().size(), 2);
    EXPECT_TRUE(mensajes.Cajas()[0].texto.startsWith(QStringLiteral(" Error Nº:13 (")));
}

TEST_F(Funciones, ExisteRegistroStatementsAndAnswers) {
    conexion->Responde(QStringLiteral("Select name from Ventas..sysusers where name = 'juan' and uid=5"),
                       {QStringLiteral("name")}, {{QStringLiteral("juan")}});
    conexion->Responde(QStringLiteral("Select name from Ventas..sysusers where name = 'ana'"),
                       {QStringLiteral("name")}, {});
    conexion->Falla(QStringLiteral("Select name from Ventas..sysusers where name = 'x'"), 229,
                    QStringLiteral("Permission denied."));
    EXPECT_TRUE(ExisteRegistro(Conexion, false, "sysusers", {{"name", "juan", "Texto"}, {"uid", "5", "Numerico"}}));
    EXPECT_FALSE(ExisteRegistro(Conexion, false, "sysusers", {{"name", "ana", "Texto"}}));
    EXPECT_TRUE(ExisteRegistro(Conexion, false, "sysusers", {{"name", "x", "Texto"}}));
    EXPECT_FALSE(ExisteRegistro(Conexion, true, "sysusers", {{"name", "", "Texto"}}));
    EXPECT_EQ(conexion->Enviadas.size(), 3);
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:229 (Permission denied.).")});
}

TEST_F(Funciones, ExisteRegistroWarnsInSpanish) {
    conexion->RespondePatron(QStringLiteral("^Select"), {QStringLiteral("c")}, {{QStringLiteral("x")}});
    Idioma = 1;
    EXPECT_TRUE(ExisteRegistro(Conexion, true, "Clientes", {{"cod", "A1", "Texto"}}));
    EXPECT_TRUE(ExisteRegistro(Conexion, true, "Clientes", {{"cod", "A1", "Texto"}, {"serie", "2", "Numerico"}}));
    EXPECT_TRUE(ExisteRegistro(Conexion, true, "Clientes",
                               {{"cod", "A1", "Texto"}, {"serie", "2", "Numerico"}, {"año", "2024", "Numerico"}}));
    EXPECT_EQ(TextosCajas(), (QStringList{"El codigo A1 ya existe en la tabla Clientes",
                                          "El codigo A1/2 ya existe en la tabla Clientes",
                                          "El codigo A1/2/2024 ya existe en la tabla Clientes"}));
    EXPECT_EQ(mensajes.Cajas()[0].titulo, QStringLiteral("Atención"));
    EXPECT_EQ(mensajes.Cajas()[0].estilo, 48);
    EXPECT_EQ(conexion->Enviadas[2],
              QStringLiteral("Select cod from Ventas..Clientes where cod = 'A1' and serie=2 and año=2024"));
}

TEST_F(Funciones, ExisteRegistroRefusesANumberThatIsNot) {
    EXPECT_TRUE(ExisteRegistro(Conexion, false, "sysobjects", {{"id", "1 or 1=1", "Numerico"}}));
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    ASSERT_EQ(mensajes.Cajas().size(), 1);
    EXPECT_TRUE(mensajes.Cajas()[0].texto.startsWith(QStringLiteral(" Error Nº:13 (")));
}

TEST_F(Funciones, BuscarComboCadenaMatchesTrimmedExactText) {
    QComboBox combo;
    EXPECT_FALSE(BuscarComboCadena(QStringLiteral("master"), &combo));
    combo.addItems({QStringLiteral("  Master "), QStringLiteral("master  "), QStringLiteral("model")});
    EXPECT_TRUE(BuscarComboCadena(QStringLiteral("master"), &combo));
    EXPECT_EQ(combo.currentIndex(), 1);
    EXPECT_FALSE(BuscarComboCadena(QStringLiteral("tempdb"), &combo));
    EXPECT_EQ(combo.currentIndex(), -1);
}

namespace {
class VentanaPrueba : public FormularioUnico<VentanaPrueba> {
public:
    VentanaPrueba() : FormularioUnico(QStringLiteral("frmVista"), Clase::Hija) { resize(200, 100); }
    int cargas = 0;
    static inline int creadas = 0;

protected:
    void Form_Load() override {
        ++cargas;
        ++creadas;
    }
};

class Diseñador : public Formulario {
public:
    Diseñador() : Formulario(QStringLiteral("frmTabla"), Clase::Hija) { resize(200, 100); }
};
}  // namespace

TEST_F(Funciones, WindowsAreFoundByNameInAnyCase) {
    mdiPrincipal::Instancia()->Show();
    EXPECT_TRUE(ExisteFormulario(QStringLiteral("MDIPRINCIPAL")));
    EXPECT_FALSE(ExisteFormulario(QStringLiteral("frmVista")));
    VentanaPrueba::Instancia();
    EXPECT_TRUE(ExisteFormulario(QStringLiteral("FRMVISTA")));
    VentanaPrueba::Instancia()->Unload();
    EXPECT_FALSE(ExisteFormulario(QStringLiteral("frmvista")));
    EXPECT_EQ(VentanaPrueba::SiExiste(), nullptr);
}

TEST_F(Funciones, MuestraFormularioNeverMakesASecondWindow) {
    auto* mdi = mdiPrincipal::Instancia();
    mdi->Show();
    VentanaPrueba::creadas = 0;
    MuestraFormulario(VentanaPrueba::Instancia());
    VentanaPrueba* primera = VentanaPrueba::SiExiste();
    ASSERT_NE(primera, nullptr);
    EXPECT_TRUE(primera->Mostrado());
    EXPECT_EQ(primera->Left(), 0);
    MuestraFormulario(VentanaPrueba::Instancia());
    EXPECT_EQ(VentanaPrueba::SiExiste(), primera);
    EXPECT_EQ(primera->cargas, 1);
    EXPECT_EQ(VentanaPrueba::creadas, 1);
    EXPECT_EQ(mdi->Area()->subWindowList().size(), 1);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Funciones, MuestraFormularioShowsANewDesignerAmongOthers) {
    auto* mdi = mdiPrincipal::Instancia();
    mdi->Show();
    auto* d1 = new Diseñador();
    MuestraFormulario(d1);
    d1->EstableceLeft(50);
    auto* d2 = new Diseñador();
    d2->Load();  // created and loaded, never shown
    MuestraFormulario(d2);
    EXPECT_TRUE(d2->Mostrado());
    EXPECT_EQ(mdi->Area()->subWindowList().size(), 2);
    EXPECT_EQ(mdi->HijaActiva(), d2);
    // Activating one that is shown moves every designer to the left edge.
    d1->EstableceLeft(40);
    d2->EstableceLeft(30);
    MuestraFormulario(d1);
    EXPECT_EQ(mdi->HijaActiva(), d1);
    EXPECT_EQ(d1->Left(), 0);
    EXPECT_EQ(d2->Left(), 0);
    EXPECT_EQ(mdi->Area()->subWindowList().size(), 2);
}

TEST_F(Funciones, MuestraFormularioReportsAMissingWindow) {
    MuestraFormulario(nullptr);
    EXPECT_EQ(TextosCajas(),
              QStringList{QStringLiteral(" Error Nº:91 (Object variable or With block variable not set).")});
}

TEST_F(Funciones, EnterMovesToTheNextBoxAndTypesNothing) {
    QWidget ventana;
    auto* capa = new QVBoxLayout(&ventana);
    auto* a = new QLineEdit(&ventana);
    auto* b = new QLineEdit(&ventana);
    capa->addWidget(a);
    capa->addWidget(b);
    ConectaSalidaCampo(a);
    ventana.show();
    QApplication::setActiveWindow(&ventana);
    a->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), a);
    QKeyEvent letra(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(a, &letra);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(a, &enter);
    EXPECT_EQ(QApplication::focusWidget(), a);  // moves after the handler returns
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), b);
    EXPECT_EQ(a->text(), QStringLiteral("x"));
    EXPECT_EQ(b->text(), QString());
    EXPECT_EQ(SalidaCampo(65), 65);
}
