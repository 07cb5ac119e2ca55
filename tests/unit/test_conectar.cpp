#include "app/frmconectar.h"

#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "explorer/frmadministrador.h"
#include "explorer/frmanalizadorconsultas.h"
#include "platform/arbolnodos.h"
#include "platform/textomultilinea.h"
#include "support/entorno.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"

#include <QApplication>
#include <QComboBox>
#include <QRegularExpression>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class Conectar : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        mdiPrincipal::Instancia()->Show();
        mdiPrincipal::SiExiste()->mnuConectar->trigger();
        dialogo = frmConectar::SiExiste();
        ASSERT_NE(dialogo, nullptr);
    }
    void Rellena(const QString& servidor, const QString& usuario, const QString& clave) {
        dialogo->txtServidor->setText(servidor);
        dialogo->txtUsuario->setText(usuario);
        dialogo->txtClave->setText(clave);
    }
    mdiPrincipal* m() { return mdiPrincipal::SiExiste(); }
    frmConectar* dialogo = nullptr;
};

TEST_F(Conectar, OpensWithItsDefaults) {
    EXPECT_TRUE(dialogo->isVisible());
    EXPECT_EQ(dialogo->txtServidor->text(), kServidorPredeterminado);
    EXPECT_EQ(dialogo->txtUsuario->text(), QStringLiteral("sa"));
    EXPECT_EQ(dialogo->txtClave->text(), QString());
    EXPECT_EQ(dialogo->txtClave->echoMode(), QLineEdit::Password);
    dialogo->PonIdioma();
    EXPECT_EQ(dialogo->windowTitle(), QStringLiteral("Conectar"));
    EXPECT_EQ(dialogo->lblClave->text(), QStringLiteral("Contraseña:"));
    Idioma = 1;
    dialogo->PonIdioma();
    EXPECT_EQ(dialogo->windowTitle(), QStringLiteral("Connect"));
    EXPECT_EQ(dialogo->cmdConectar->text(), QStringLiteral("&Connect"));
    EXPECT_EQ(dialogo->lblServidor->text(), QStringLiteral("Server:"));
    EXPECT_EQ(dialogo->lblUsuario->text(), QStringLiteral("User:"));
    EXPECT_EQ(dialogo->lblClave->text(), QStringLiteral("Password:"));
    Idioma = 4;
    dialogo->PonIdioma();
    EXPECT_EQ(dialogo->windowTitle(), QStringLiteral("Connect"));
}

TEST_F(Conectar, ConnectsWithTheStringAsTyped) {
    Rellena(QStringLiteral("SRV1\\SQL2000"), QStringLiteral(" sa "), QStringLiteral("p;w}d=1"));
    dialogo->cmdConectar->click();
    EXPECT_EQ(conexion->CadenaConexion,
              QStringLiteral("Provider=SQLOLEDB.1;Data Source=SRV1\\SQL2000;Initial Catalog=master;"
                             "User Id= sa ;Password=p;w}d=1;"));
    EXPECT_EQ(conexion->CommandTimeout(), 120);
    EXPECT_TRUE(Conexion == conexion);
    EXPECT_EQ(NombreUsuario, QStringLiteral(" sa "));
    EXPECT_EQ(ClaveUsuario, QStringLiteral("p;w}d=1"));
    EXPECT_TRUE(m()->mnuAdministrador->isEnabled());
    EXPECT_TRUE(m()->mnuAnalizadorConsultas->isEnabled());
    EXPECT_EQ(puntero.actual, vb::vbDefault);
    EXPECT_EQ(puntero.Historia, (QList<int>{vb::vbHourglass, vb::vbDefault}));
    EXPECT_EQ(frmConectar::SiExiste(), nullptr);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Conectar, BlankServerOrLoginIsRefused) {
    // As a desktop does it: no window is active while the box is up, and the
    // dialog is activated only after it has gone. The keys then go to the
    // box to fill in, not to the button pressed.
    mensajes.AlMostrar = [] { QApplication::setActiveWindow(nullptr); };
    auto conecta = [&](QLineEdit* vacia) {
        QApplication::setActiveWindow(dialogo);
        dialogo->cmdConectar->setFocus();
        dialogo->cmdConectar->click();
        QApplication::setActiveWindow(dialogo);
        EXPECT_EQ(QApplication::focusWidget(), vacia);
    };
    Idioma = 1;
    Rellena(QStringLiteral("   "), QStringLiteral("sa"), QString());
    conecta(dialogo->txtServidor);
    Rellena(QStringLiteral("srv"), QStringLiteral("  "), QString());
    conecta(dialogo->txtUsuario);
    Idioma = 0;
    Rellena(QString(), QString(), QString());
    conecta(dialogo->txtServidor);
    EXPECT_EQ(TextosCajas(), (QStringList{"Insert server.", "Insert user.", "Introduzca servidor."}));
    EXPECT_EQ(mensajes.Cajas()[0].titulo, QStringLiteral("Tolvek"));
    EXPECT_EQ(conexion->Aperturas, 0);
    EXPECT_EQ(frmConectar::SiExiste(), dialogo);  // still open
    EXPECT_TRUE(NombreServidor.isEmpty());
    EXPECT_TRUE(puntero.Historia.isEmpty());
    // An empty password is accepted.
    Rellena(QStringLiteral("srv"), QStringLiteral("sa"), QString());
    dialogo->cmdConectar->click();
    EXPECT_EQ(conexion->Aperturas, 1);
}

TEST_F(Conectar, AFailureAfterASuccessSwitchesTheMenusOff) {
    Rellena(QStringLiteral("srv"), QStringLiteral("sa"), QStringLiteral("x"));
    dialogo->cmdConectar->click();
    ASSERT_TRUE(m()->mnuAdministrador->isEnabled());

    m()->mnuConectar->trigger();
    auto* segundo = frmConectar::SiExiste();
    ASSERT_NE(segundo, nullptr);
    EXPECT_EQ(segundo->txtUsuario->text(), QStringLiteral("sa"));  // a fresh dialog
    conexion->FallaApertura(18456, QStringLiteral("Login failed for user 'sa'."));
    segundo->txtClave->setText(QStringLiteral("mala"));
    segundo->cmdConectar->click();
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:18456 (Login failed for user 'sa'.).")});
    EXPECT_FALSE(m()->mnuAdministrador->isEnabled());
    EXPECT_FALSE(m()->mnuAnalizadorConsultas->isEnabled());
    EXPECT_EQ(frmConectar::SiExiste(), nullptr);
    EXPECT_EQ(ClaveUsuario, QStringLiteral("mala"));
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(Conectar, NoDataProviderIsReportedAndThePointerComesBack) {
    datos::EstableceFabricaConexiones(nullptr);
    Rellena(QStringLiteral("srv"), QStringLiteral("sa"), QString());
    dialogo->cmdConectar->click();
    ASSERT_EQ(mensajes.Cajas().size(), 1);
    EXPECT_TRUE(mensajes.Cajas()[0].texto.startsWith(QStringLiteral(" Error Nº:91 (")));
    EXPECT_FALSE(m()->mnuAdministrador->isEnabled());
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

// A connect to another server first closes the windows loaded from the
// present one, on it, each asking what it asks: Cancel keeps the program on
// the first server with its windows; Yes saves the design there. The query
// analyzer stays with its text and lists the second server's databases.
TEST_F(Conectar, OpenWindowsCloseOnTheirOwnServerFirst) {
    const QString bases = QStringLiteral("Select name from master.dbo.sysdatabases order by name");
    Rellena(QStringLiteral("A"), QStringLiteral("sa"), QString());
    dialogo->cmdConectar->click();
    const auto primera = conexion;
    primera->Responde(bases, QStringList{"name"}, {{"master"}, {"Tienda"}});
    m()->mnuAdministrador->trigger();
    m()->mnuAnalizadorConsultas->trigger();
    auto* analizador = frmAnalizadorConsultas::SiExiste();
    analizador->txtSQL->EstableceText(QStringLiteral("select 1"));
    NombreNodo = QStringLiteral("Tienda");
    TablaNueva = true;
    auto* diseñador = new frmTabla();
    MuestraFormulario(diseñador);
    diseñador->txtNombreTabla->setText(QStringLiteral("Clientes"));
    const QStringList fila{"", "id", "8", "4", "10", "0", "0"};
    for (int c = 0; c < fila.size(); ++c) diseñador->ArrayCampos->GrabaCelda(0, c, fila[c]);
    const auto segunda = std::make_shared<ConexionGuion>();
    segunda->Responde(bases, QStringList{"name"}, {{"master"}, {"Ventas"}});
    datos::EstableceFabricaConexiones([segunda] { return segunda; });
    // The explorer lists Tienda's views, from a server that has gone.
    auto* explorador = frmAdministrador::SiExiste();
    explorador->trvBD->Nodes().Item(QStringLiteral("DVTienda")).Selected(true);
    primera->FallaPatron("xtype = 'V'", -2147467259, QStringLiteral("Unknown error"));

    struct Caso {
        int respuesta;
        std::shared_ptr<ConexionGuion> conectada;
        QStringList enPrimera, enSegunda;
    } casos[] = {
        {vb::vbCancel, primera, {}, {}},
        {vb::vbYes, segunda, {"CREATE TABLE Tienda..Clientes (id int   NOT NULL)", "<CommitTrans>"}, {bases, "Use master"}},
    };
    for (const Caso& c : casos) {
        m()->mnuConectar->trigger();
        dialogo = frmConectar::SiExiste();
        Rellena(QStringLiteral("B"), QStringLiteral("sa"), QString());
        // The designer, minimised behind the explorer, comes to the front
        // shown to ask; the explorer coming back lists nothing on the server
        // being left, and shows no box.
        diseñador->Marco()->showMinimized();
        explorador->Activa();  // its own activation does list, and fails
        mensajes.Cajas().clear();
        mensajes.Respuestas = {c.respuesta};
        primera->Enviadas.clear();
        Formulario* alPreguntar = nullptr;
        bool minimizado = true;
        mensajes.AlMostrar = [&] {
            alPreguntar = m()->HijaActiva();
            minimizado = diseñador->Minimizado();
        };
        dialogo->cmdConectar->click();
        EXPECT_EQ(alPreguntar, diseñador) << c.respuesta;
        EXPECT_FALSE(minimizado) << c.respuesta;
        EXPECT_EQ(TextosCajas(), QStringList{"¿Desea Guardar los cambios?"}) << c.respuesta;
        mensajes.Cajas().clear();
        EXPECT_EQ(primera->Enviadas.filter(QRegularExpression("^(CREATE|<Commit)|xtype = 'V'")), c.enPrimera)
            << c.respuesta;
        EXPECT_EQ(segunda->Enviadas, c.enSegunda) << c.respuesta;
        EXPECT_TRUE(Conexion == c.conectada) << c.respuesta;
        EXPECT_EQ(NombreServidor, c.conectada == primera ? "A" : "B");
        EXPECT_EQ(frmAdministrador::SiExiste() != nullptr, c.conectada == primera);
        EXPECT_EQ(frmConectar::SiExiste() != nullptr, c.conectada == primera);
    }
    EXPECT_EQ(frmAnalizadorConsultas::SiExiste(), analizador);
    EXPECT_EQ(analizador->txtSQL->Text(), QStringLiteral("select 1"));
    EXPECT_EQ(analizador->cboBD->itemText(1), QStringLiteral("Ventas"));

    // Closing the main window by its frame takes the same path.
    m()->mnuAdministrador->trigger();
    frmAdministrador::SiExiste()->trvBD->Nodes().Item(QStringLiteral("DVVentas")).Selected(true);
    segunda->FallaPatron("xtype = 'V'", -2147467259, QStringLiteral("Unknown error"));
    MuestraFormulario(new frmTabla());
    frmAdministrador::SiExiste()->Activa();
    mensajes.Cajas().clear();
    segunda->Enviadas.clear();
    mensajes.Respuestas = {vb::vbNo};
    m()->close();
    EXPECT_EQ(TextosCajas(), QStringList{"¿Desea Guardar los cambios?"});
    EXPECT_EQ(segunda->Enviadas.filter("xtype = 'V'"), QStringList{});
    ReiniciaBD_SQL();
}
