// The user editor against a scripted connection: the checks of the three
// boxes, the creation of a new account step by step (each step looking
// first, so that a retry after a refusal skips what exists), the password
// of an existing user's own login, and the role list with its ticks.

#include "common/funciones.h"
#include "platform/listacasillas.h"
#include "security/frmusuario.h"
#include "security/textoscuentas.h"
#include "support/explorador_prueba.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

const QString kRoles =
    QStringLiteral("select * from master..sysusers where issqlrole = 1 or isapprole = 1 order by uid");
const QString kBuscaLogin = QStringLiteral(" select * from master.dbo.sysxlogins where name='ana'");
const QString kAnadeLogin = QStringLiteral(" EXEC sp_addlogin 'ana','s3cr3t','Tienda'");
const QString kDefecto = QStringLiteral(" EXEC sp_defaultdb  'ana','Tienda'");
const QString kUsa = QStringLiteral("USE Tienda");
const QString kAcceso = QStringLiteral(" EXEC sp_grantdbaccess 'ana'");
QString BuscaUsuario(const QString& literal, const QString& base = "Tienda") {
    return SqlUsuarios(base) + "         and usu.Name='" + literal + "' and usu.sid = suser_sid('" + literal + "')";
}
QString LoginDe(const QString& literal) {
    return "select lo.loginname from Tienda..sysusers usu,master.dbo.syslogins lo where usu.sid = lo.sid and "
           "usu.name = '" + literal + "'";
}

}  // namespace

class VentanaUsuario : public PruebaExplorador {
protected:
    void SetUp() override {
        PruebaExplorador::SetUp();
        PruebaExplorador::Abre();
        conexion->Responde(kRoles, QStringList{"uid", "name"}, {{0, "public"}, {16384, "db_owner"}, {16390, "db_datareader"}});
    }
    frmUsuario* Abre(const QString& usuario, const QString& base = QStringLiteral("Tienda")) {
        NombreNodo = base;
        NombreObjeto = usuario;
        p = frmUsuario::Instancia();
        MuestraFormulario(p);
        QApplication::setActiveWindow(p->window());
        cargadas = conexion->Enviadas;
        conexion->Enviadas.clear();
        return p;
    }
    void Rellena(const QString& nombre, const QString& clave, const QString& confirmacion) {
        if (p->txtUsuario->isEnabled()) p->txtUsuario->setText(nombre);
        p->txtClave->setText(clave);
        p->txtConfClave->setText(confirmacion);
    }
    QStringList Ticks() const {
        QStringList r;
        for (int i = 0; i < p->lstFunciones->ListCount(); ++i)
            if (p->lstFunciones->Selected(i)) r.append(p->lstFunciones->List(i));
        return r;
    }
    void Cierra() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    frmUsuario* p = nullptr;
    QStringList cargadas;
};

// ---- Loading ----

TEST_F(VentanaUsuario, ANewUserLoadsTheKindsAndOnlyPublicTicked) {
    for (int idioma : {0, 1, 2}) {
        Idioma = qint16(idioma);
        Abre("");
        const QStringList tipos = idioma == 0   ? QStringList{"Procedimientos", "Tablas", "Vistas"}
                                  : idioma == 1 ? QStringList{"Procedures", "Tables", "Views"}
                                                : QStringList{};
        QStringList vistos;
        for (int i = 0; i < p->cboObjetos->count(); ++i) vistos.append(p->cboObjetos->itemText(i));
        EXPECT_EQ(vistos, tipos);
        EXPECT_EQ(p->cboObjetos->currentIndex(), idioma == 2 ? -1 : 1);
        // The Grants tab's first load uses the database and looks no user
        // up; no login to ask about.
        EXPECT_EQ(cargadas, idioma == 2 ? QStringList{kRoles} : (QStringList{kUsa, kRoles}));
        EXPECT_EQ(Ticks(), QStringList{"public"});
        EXPECT_TRUE(p->txtUsuario->isEnabled());
        EXPECT_EQ(p->SSTabUsuario->currentIndex(), 0);
        EXPECT_EQ(puntero.actual, vb::vbDefault);
        EXPECT_EQ(PrefijoBD, "Tienda..");
        p->Unload();
        Cierra();
    }
}

TEST_F(VentanaUsuario, RolesAreTickedFromTheSecondResultForThisDatabaseOnly) {
    const struct {
        const char *login, *ayuda;
    } casos[] = {{"jlogin", "sp_helplogins 'jlogin'"}, {"Jiří", "sp_helplogins N'Jiří'"}};
    for (const auto& c : casos) {
        const QString l = QString::fromUtf8(c.login), ayuda = QString::fromUtf8(c.ayuda);
        conexion->Responde(LoginDe("juan"), QStringList{"loginname"}, {{l}});
        conexion->RespondeVarios(ayuda, {{{"LoginName", "SID"}, {{l, "0x01"}}},
                                         {{"LoginName", "DBName", "UserName", "UserOrAlias"},
                                          {{l, "Tienda", "juan", "User"},
                                           {l, "Tienda", "db_datareader", "MemberOf"},
                                           {l, "Otra", "db_owner", "MemberOf"},
                                           {l + "2", "Tienda", "db_owner", "MemberOf"}}}});  // the pattern's other login
        Abre("juan");
        EXPECT_EQ(cargadas, (QStringList{kUsa, "Select uid from Tienda..sysusers where name = 'juan'", LoginDe("juan"),
                                         kRoles, ayuda}));
        EXPECT_EQ(Ticks(), (QStringList{"public", "db_datareader"}));
        EXPECT_EQ(p->LoginUsuario, l);
        EXPECT_FALSE(p->txtUsuario->isEnabled());
        EXPECT_TRUE(conexion->Enviadas.isEmpty());  // the load's ticks send nothing
        p->Unload();
        Cierra();
    }
}

TEST_F(VentanaUsuario, AFailedLoginHelpIsReportedAndLeavesPublic) {
    conexion->Responde(LoginDe("juan"), QStringList{"loginname"}, {{"juan"}});
    conexion->Falla("sp_helplogins 'juan'", 15007, "'juan' is not a valid login.");
    Abre("juan");
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:15007 ('juan' is not a valid login.)."});
    mensajes.Cajas().clear();
    EXPECT_EQ(Ticks(), QStringList{"public"});
}

// ---- Checks ----

TEST_F(VentanaUsuario, ChecksRefuseWithTheirMessageAndFocus) {
    struct Caso {
        const char* nombre;
        const char* clave;
        const char* confirmacion;
        int idioma;
        QString caja;
        const char* foco;
    };
    const Caso casos[] = {
        {"  ", "x", "x", 0, "Introduzca nombre usuario.", "txtUsuario"},
        {"", "x", "x", 1, "Insert User.", "txtUsuario"},
        {"ana", " ", " ", 0, QString::fromUtf8("Introduzca contraseña."), "txtClave"},
        {"ana", "", "", 1, "Insert Password.", "txtClave"},
        {"ana", "x", "y", 0, QString::fromUtf8("Contraseña y confirmación de contraseña no son iguales."), "txtClave"},
        {"ana", " x", "x", 1, "Confirm password is difernt to password.", "txtClave"},  // compared exactly
        {"ana", "x ", "x", 0, QString::fromUtf8("Contraseña y confirmación de contraseña no son iguales."), "txtClave"},
    };
    Abre("");
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caja.toStdString());
        Idioma = qint16(c.idioma);
        Rellena(c.nombre, c.clave, c.confirmacion);
        p->cmdAceptar->click();
        const auto cajas = mensajes.Cajas();
        ASSERT_EQ(cajas.size(), 1);
        EXPECT_EQ(cajas[0].texto, c.caja);
        EXPECT_EQ(cajas[0].estilo, vb::vbExclamation);
        EXPECT_EQ(cajas[0].titulo, "Tolvek");
        mensajes.Cajas().clear();
        EXPECT_EQ(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), c.foco);
        EXPECT_TRUE(conexion->Enviadas.isEmpty());
        EXPECT_EQ(frmUsuario::SiExiste(), p);
    }
    Rellena("ana", "x", "x");
    EXPECT_TRUE(p->Comprobar());
}

// ---- Accept, new user ----

TEST_F(VentanaUsuario, ANewUserIsCreatedStepByStepWithUseBeforeTheAccess) {
    struct Caso {
        bool hayLogin;
        bool hayUsuario;
        QStringList esperadas;
    };
    const QStringList fin = {SqlUsuarios("Tienda")};
    const Caso casos[] = {
        {false, false, QStringList{kBuscaLogin, kAnadeLogin, kDefecto, BuscaUsuario("ana"), kUsa, kAcceso} + fin},
        {true, false, QStringList{kBuscaLogin, kDefecto, BuscaUsuario("ana"), kUsa, kAcceso} + fin},
        {true, true, QStringList{kBuscaLogin, kDefecto, BuscaUsuario("ana")} + fin},
    };
    for (const auto& c : casos) {
        conexion->Responde(kBuscaLogin, QStringList{"name"},
                           c.hayLogin ? ConexionGuion::Filas{{"ana"}} : ConexionGuion::Filas{});
        conexion->Responde(BuscaUsuario("ana"), QStringList{"nombre"},
                           c.hayUsuario ? ConexionGuion::Filas{{"ana"}} : ConexionGuion::Filas{});
        Abre("");
        Rellena("ana", "s3cr3t", "s3cr3t");
        p->cmdAceptar->click();
        EXPECT_EQ(conexion->Enviadas, c.esperadas);
        EXPECT_EQ(frmUsuario::SiExiste(), nullptr);
        Cierra();
    }
}

TEST(TextosCuentas, TheUserLookupWantsTheUserOfTheLoginOfItsName) {
    const struct {
        const char *base, *nombre, *literal, *baseSql;
    } casos[] = {{"Tienda", "bob", "bob", "Tienda"}, {"mi base", "o'hara", "o''hara", "[mi base]"}};
    for (const auto& c : casos)
        EXPECT_EQ(textoscuentas::BuscaUsuario(c.base, QString::fromUtf8(c.nombre)), BuscaUsuario(c.literal, c.baseSql));
}

TEST_F(VentanaUsuario, NamesAndPasswordsAreQuoted) {
    // Beyond ASCII a literal is N'...', else the server keeps "?" for what
    // the database's code page lacks.
    const struct {
        const char *nombre, *clave, *login, *literalClave;
    } casos[] = {{"o'hara", "a'b", "'o''hara'", "'a''b'"}, {"Jiří", "пароль€", "N'Jiří'", "N'пароль€'"}};
    for (const auto& c : casos) {
        Abre("");
        Rellena(c.nombre, c.clave, c.clave);
        p->cmdAceptar->click();
        const QString l = c.login;
        EXPECT_EQ(conexion->Enviadas.mid(0, 6),
                  (QStringList{" select * from master.dbo.sysxlogins where name=" + l,
                               " EXEC sp_addlogin " + l + ',' + c.literalClave + ",'Tienda'",
                               " EXEC sp_defaultdb  " + l + ",'Tienda'",
                               SqlUsuarios("Tienda") + "         and usu.Name=" + l +
                                   " and usu.sid = suser_sid(" + l + ')',
                               kUsa, " EXEC sp_grantdbaccess " + l}));
        Cierra();
    }
}

TEST_F(VentanaUsuario, ARefusalMidwayStopsAndARetrySkipsWhatExists) {
    conexion->Falla(kAcceso, 15023, "User or role 'ana' already exists in the current database.");
    Abre("");
    Rellena("ana", "s3cr3t", "s3cr3t");
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{kBuscaLogin, kAnadeLogin, kDefecto, BuscaUsuario("ana"), kUsa, kAcceso}));
    EXPECT_EQ(TextosCajas(),
              QStringList{QString::fromUtf8(" Error Nº:15023 (User or role 'ana' already exists in the current database.).")});
    mensajes.Cajas().clear();
    EXPECT_EQ(frmUsuario::SiExiste(), p);
    EXPECT_TRUE(p->txtUsuario->isEnabled());

    // The login now exists: the retry does not create it again.
    conexion->Enviadas.clear();
    conexion->Responde(kBuscaLogin, QStringList{"name"}, {{"ana"}});
    conexion->Responde(kAcceso, QStringList{}, {});
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{kBuscaLogin, kDefecto, BuscaUsuario("ana"), kUsa, kAcceso, SqlUsuarios("Tienda")}));
    EXPECT_EQ(frmUsuario::SiExiste(), nullptr);
}

TEST_F(VentanaUsuario, OnlyTheLoginThisWindowCreatedIsItsOwnAfterARetypedName) {
    // bob is created, then his access refused; the name is retyped and a
    // role ticked, then Accept.
    const struct {
        const char* nombre;
        bool propio;
    } casos[] = {{"alice", false}, {"bob", true}};
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        const QString busca = QStringLiteral(" select * from master.dbo.sysxlogins where name='%1'");
        conexion->Responde(busca.arg("bob"), QStringList{"name"}, {});
        conexion->Responde(busca.arg("alice"), QStringList{"name"}, {{"alice"}});
        conexion->Falla(" EXEC sp_grantdbaccess 'bob'", 15023, "Already exists.");
        Abre("");
        Rellena("bob", "pw", "pw");
        p->cmdAceptar->click();
        mensajes.Cajas().clear();
        conexion->Responde(busca.arg("bob"), QStringList{"name"}, {{"bob"}});
        conexion->Responde(" EXEC sp_grantdbaccess 'bob'", QStringList{});
        Rellena(c.nombre, "pw", "pw");
        p->lstFunciones->EstableceSelected(1, true);
        EXPECT_EQ(p->txtUsuario->isEnabled(), !c.propio);
        conexion->Enviadas.clear();
        p->cmdAceptar->click();
        EXPECT_EQ(conexion->Enviadas.contains(QStringLiteral(" EXEC sp_password '','pw','%1'").arg(c.nombre)), c.propio);
        EXPECT_EQ(frmUsuario::SiExiste(), nullptr);
        Cierra();
    }
}

TEST_F(VentanaUsuario, AFailedLookupEndsTheStepsBeforeAnythingIsSent) {
    for (const QString& falla : {kBuscaLogin, BuscaUsuario("ana")}) {
        conexion->Falla(falla, 208, "Invalid object name.");
        Abre("");
        Rellena("ana", "s3cr3t", "s3cr3t");
        p->cmdAceptar->click();
        EXPECT_EQ(conexion->Enviadas.last(), falla);
        EXPECT_FALSE(conexion->Enviadas.contains(kAnadeLogin) && falla == kBuscaLogin);
        EXPECT_FALSE(conexion->Enviadas.contains(kAcceso));
        EXPECT_EQ(TextosCajas(), QStringList{QString::fromUtf8(" Error Nº:208 (Invalid object name.).")});
        mensajes.Cajas().clear();
        EXPECT_EQ(frmUsuario::SiExiste(), p);
        p->Unload();
        Cierra();
        conexion->Responde(falla, QStringList{"name"}, {});
    }
}

// ---- Accept, existing user ----

TEST_F(VentanaUsuario, AnExistingUsersPasswordChangesOnlyOnItsOwnLogin) {
    struct Caso {
        const char* login;  // "" none
        const char* clave;
        const char* confirmacion;
        QStringList esperadas;
        QStringList cajas;
        bool cerrada;
    };
    const QString cambio = QStringLiteral(" EXEC sp_password '','n ueva ','juan'");
    const Caso casos[] = {
        {"juan", "n ueva ", "n ueva ", {cambio}, {}, true},
        {"juan", "", "", {}, {}, true},
        {"juan", "x", "", {}, {QString::fromUtf8("Introduzca confirmación de contraseña.")}, false},
        {"juan", "", "x", {}, {QString::fromUtf8("Contraseña y confirmación de contraseña no son iguales.")}, false},
        {"otro", "n ueva ", "n ueva ", {}, {QString::fromUtf8("No se puede cambiar la contraseña de este usuario.")}, false},
        {"", "n ueva ", "n ueva ", {}, {QString::fromUtf8("No se puede cambiar la contraseña de este usuario.")}, false},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(std::string(c.login) + "/" + c.clave + "/" + c.confirmacion);
        conexion->Responde(LoginDe("juan"), QStringList{"loginname"},
                           QString(c.login).isEmpty() ? ConexionGuion::Filas{} : ConexionGuion::Filas{{c.login}});
        Abre("juan");
        Rellena("", c.clave, c.confirmacion);
        p->cmdAceptar->click();
        EXPECT_EQ(conexion->Enviadas, c.esperadas);
        EXPECT_EQ(TextosCajas(), c.cajas);
        mensajes.Cajas().clear();
        EXPECT_EQ(frmUsuario::SiExiste() == nullptr, c.cerrada);
        if (!c.cerrada) p->Unload();
        Cierra();
    }
    Idioma = 1;
    conexion->Responde(LoginDe("juan"), QStringList{"loginname"}, {{"otro"}});
    Abre("juan");
    Rellena("", "a", "a");
    p->cmdAceptar->click();
    EXPECT_EQ(TextosCajas(), QStringList{"This user's password cannot be changed."});
    mensajes.Cajas().clear();
}

TEST_F(VentanaUsuario, CancelSendsNothing) {
    Abre("");
    Rellena("ana", "x", "x");
    p->cmdCancelar->click();
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_EQ(frmUsuario::SiExiste(), nullptr);
}

// ---- Role ticks ----

TEST_F(VentanaUsuario, TicksAddAndDropTheMembership) {
    conexion->Responde(LoginDe("juan"), QStringList{"loginname"}, {{"juan"}});
    Abre("juan");
    p->lstFunciones->EstableceSelected(1, true);
    p->lstFunciones->EstableceSelected(0, false);
    EXPECT_EQ(conexion->Enviadas, (QStringList{" use Tienda", " EXEC sp_addrolemember 'db_owner','juan'", " use Tienda",
                                               " EXEC sp_droprolemember 'public','juan'"}));
    EXPECT_EQ(Ticks(), QStringList{"db_owner"});
}

TEST_F(VentanaUsuario, ARefusedTickGoesBack) {
    conexion->Responde(LoginDe("juan"), QStringList{"loginname"}, {{"juan"}});
    conexion->Falla(" EXEC sp_droprolemember 'public','juan'", 15405, "Cannot use the reserved user or role name 'public'.");
    Abre("juan");
    p->lstFunciones->EstableceSelected(0, false);
    EXPECT_EQ(TextosCajas().size(), 1);
    mensajes.Cajas().clear();
    EXPECT_EQ(Ticks(), QStringList{"public"});
}

TEST_F(VentanaUsuario, TheFirstTickCreatesTheUserThenSendsTheRole) {
    Abre("");
    Rellena("ana", "s3cr3t", "s3cr3t");
    p->lstFunciones->EstableceSelected(2, true);
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{kBuscaLogin, kAnadeLogin, kDefecto, BuscaUsuario("ana"), kUsa, kAcceso, SqlUsuarios("Tienda"),
                           " use Tienda", " EXEC sp_addrolemember 'db_datareader','ana'"}));
    EXPECT_FALSE(p->txtUsuario->isEnabled());
    EXPECT_EQ(NombreObjeto, "ana");
    EXPECT_EQ(p->Usuario, "ana");
    // Accept now takes the existing user's road and sends the same password.
    conexion->Enviadas.clear();
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas, QStringList{" EXEC sp_password '','s3cr3t','ana'"});
}

TEST_F(VentanaUsuario, ARetypedNameIsReadBeforeATickActsOnIt) {
    // bob's login exists: the first tick acts on him and the name box stays
    // open. Retyped as carl, the next tick only shows carl's roles.
    conexion->Responde(" select * from master.dbo.sysxlogins where name='bob'", QStringList{"name"}, {{"bob"}});
    conexion->RespondeVarios("sp_helplogins 'carl'", {{{"LoginName"}, {{"carl"}}},
                                                      {{"LoginName", "DBName", "UserName", "UserOrAlias"},
                                                       {{"carl", "Tienda", "db_datareader", "MemberOf"}}}});
    Abre("");
    Rellena("bob", "pw", "pw");
    p->lstFunciones->EstableceSelected(1, true);
    EXPECT_EQ(conexion->Enviadas.last(), " EXEC sp_addrolemember 'db_owner','bob'");
    Rellena("carl", "pw", "pw");
    conexion->Enviadas.clear();
    p->lstFunciones->EstableceSelected(1, false);
    EXPECT_EQ(conexion->Enviadas, (QStringList{kRoles, "sp_helplogins 'carl'", kUsa,
                                               "Select uid from Tienda..sysusers where name = 'carl'"}));
    EXPECT_EQ(Ticks(), (QStringList{"public", "db_datareader"}));
}

TEST_F(VentanaUsuario, AFirstTickThatFailsTheChecksGoesBackWithoutSending) {
    Abre("");
    Rellena("ana", "", "");
    p->lstFunciones->EstableceSelected(1, true);
    EXPECT_EQ(TextosCajas(), QStringList{QString::fromUtf8("Introduzca contraseña.")});
    mensajes.Cajas().clear();
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_EQ(Ticks(), QStringList{"public"});
}

// ---- Captions ----

TEST_F(VentanaUsuario, CaptionsFollowTheLanguage) {
    Abre("juan");
    Idioma = 1;
    p->PonIdioma();
    EXPECT_EQ(p->Caption(), "User [ juan ]");
    EXPECT_EQ(p->cmdAceptar->text(), "&Accept");
    EXPECT_EQ(p->lblContrasena->text(), "Password:");
    EXPECT_EQ(p->lblConfirmarContrasena->text(), "Confirm Password:");
    EXPECT_EQ(p->lblObjetos->text(), "Objets:");
    EXPECT_EQ(p->fraFunciones->title(), " Database functions ");
    EXPECT_EQ(p->SSTabUsuario->tabText(0), "Functions");
    EXPECT_EQ(p->SSTabUsuario->tabText(1), "Grants");
    Idioma = 0;
    p->PonIdioma();
    EXPECT_EQ(p->Caption(), "Usuario [ juan ]");
    EXPECT_EQ(p->lblContrasena->text(), QString::fromUtf8("Contraseña:"));
    EXPECT_EQ(p->fraFunciones->title(), " Funciones para la base de datos ");
    EXPECT_EQ(p->SSTabUsuario->tabText(1), "Permisos");
    Idioma = 5;
    p->PonIdioma();
    EXPECT_EQ(p->cmdAceptar->text(), "&Aceptar");
}
