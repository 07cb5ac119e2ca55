// The login editor against a scripted connection: the access grid (a user
// named like the login and belonging to it), the grant and revoke of access
// with a refusal put back in the cell, a new login created by its first
// access tick, the role ticks of the current row's database, Accept and the
// captions.

#include "common/funciones.h"
#include "platform/listacasillas.h"
#include "platform/rejilladatos.h"
#include "security/frminiciosesion.h"
#include "support/explorador_prueba.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString kRoles =
    QStringLiteral("select * from master..sysusers where issqlrole = 1 or isapprole = 1 order by uid");
QString Acceso(const QString& base, const QString& literal) {
    return "Select name from " + base + "..sysusers where name = '" + literal + "' and sid = suser_sid('" + literal +
           "')";
}

}  // namespace

class VentanaLogin : public PruebaExplorador {
protected:
    void SetUp() override {
        PruebaExplorador::SetUp();
        PruebaExplorador::Abre({"master", "Tienda"});
        conexion->Responde(kRoles, QStringList{"uid", "name"}, {{0, "public"}, {16384, "db_owner"}});
    }
    frmInicioSesion* Abre(const QString& login) {
        NombreObjeto = login;
        p = frmInicioSesion::Instancia();
        MuestraFormulario(p);
        QApplication::setActiveWindow(p->window());
        g = p->TDBGridBaseDatos;
        cargadas = conexion->Enviadas;
        conexion->Enviadas.clear();
        return p;
    }
    QStringList Columna(int c) {
        QStringList r;
        for (int i = 0; i <= p->ArrayBaseDatos->FilaSuperior(); ++i) r.append(p->ArrayBaseDatos->LeeCelda(i, c));
        return r;
    }
    void Fila(int f) {
        g->ColumnaActual(0);
        g->FilaActual(f - g->PrimeraFila());
    }
    void Alterna(int f) {
        Fila(f);
        conexion->Enviadas.clear();
        g->setFocus();
        QKeyEvent pulsa(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : g, &pulsa);
        QKeyEvent suelta(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : g, &suelta);
    }
    QStringList Ticks() const {
        QStringList r;
        for (int i = 0; i < p->lstFunciones->ListCount(); ++i)
            if (p->lstFunciones->Selected(i)) r.append(p->lstFunciones->List(i));
        return r;
    }

    frmInicioSesion* p = nullptr;
    RejillaDatos* g = nullptr;
    QStringList cargadas;
};

TEST_F(VentanaLogin, AccessIsAUserOfTheLoginsNameThatBelongsToIt) {
    conexion->Responde(Acceso("Tienda", "juan"), QStringList{"name"}, {{"juan"}});
    conexion->Falla(Acceso("master", "juan"), 916, "No access.");
    Abre("juan");
    EXPECT_EQ(cargadas, (QStringList{kBases, Acceso("master", "juan"), Acceso("Tienda", "juan"), kRoles}));
    EXPECT_EQ(TextosCajas().size(), 1);  // the failed query, reported; its database shows no access
    mensajes.Cajas().clear();
    EXPECT_EQ(Columna(0), (QStringList{"0", "-1", ""}));
    EXPECT_EQ(Columna(1), (QStringList{"master", "Tienda", ""}));
    EXPECT_EQ(Columna(2), (QStringList{"", "", ""}));
    EXPECT_EQ(PrefijoBD, "Tienda..");
    EXPECT_EQ(p->lstFunciones->ListCount(), 0);  // the first row, master, has no access: no roles to tick
    EXPECT_FALSE(p->Cargando);
    EXPECT_FALSE(p->txtUsuario->isEnabled());
    EXPECT_TRUE(g->Columns(1).Locked());
    EXPECT_TRUE(g->Columns(2).Locked());
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(VentanaLogin, ANewLoginSendsNoAccessQuery) {
    Abre("");
    EXPECT_EQ(cargadas, (QStringList{kBases, kRoles}));
    EXPECT_EQ(Columna(0), (QStringList{"0", "0", ""}));
    EXPECT_TRUE(p->txtUsuario->isEnabled());
}

TEST_F(VentanaLogin, TheRowsDatabaseTicksItsRoles) {
    conexion->Responde(Acceso("master", "juan"), QStringList{"name"}, {{"juan"}});
    conexion->Responde(Acceso("Tienda", "juan"), QStringList{"name"}, {{"juan"}});
    conexion->RespondeVarios("sp_helplogins 'juan'",
                             {{{"LoginName"}, {{"juan"}}},
                              {{"LoginName", "DBName", "UserName", "UserOrAlias"},
                               {{"juan", "Tienda", "db_owner", "MemberOf"}, {"juan", "master", "public", "User"}}}});
    Abre("juan");
    EXPECT_EQ(Ticks(), QStringList{"public"});  // the first row's database, from the start
    Fila(1);
    EXPECT_EQ(conexion->Enviadas, (QStringList{kRoles, "sp_helplogins 'juan'"}));
    EXPECT_EQ(Ticks(), (QStringList{"public", "db_owner"}));
    EXPECT_FALSE(p->Cargando);
    conexion->Enviadas.clear();
    p->lstFunciones->EstableceSelected(1, false);
    p->lstFunciones->EstableceSelected(1, true);
    EXPECT_EQ(conexion->Enviadas, (QStringList{"use Tienda", " EXEC sp_droprolemember   'db_owner','juan'", "use Tienda",
                                               " EXEC sp_addrolemember  'db_owner','juan'"}));
}

TEST_F(VentanaLogin, AccessIsGrantedAndRevokedAndARefusalPutsTheCellBack) {
    conexion->Responde(Acceso("Tienda", "juan"), QStringList{"name"}, {{"juan"}});
    Abre("juan");
    Alterna(0);
    EXPECT_EQ(conexion->Enviadas, (QStringList{"use master", "exec sp_grantdbaccess 'juan','juan'", kRoles,
                                               "sp_helplogins 'juan'"}));
    EXPECT_EQ(p->ArrayBaseDatos->LeeCelda(0, 0), "-1");
    Alterna(1);
    EXPECT_EQ(conexion->Enviadas, (QStringList{"use Tienda", "exec sp_revokedbaccess  'juan'"}));
    EXPECT_EQ(p->lstFunciones->ListCount(), 0);

    conexion->Falla("exec sp_grantdbaccess 'juan','juan'", 15023, "Already exists.");
    Alterna(1);
    EXPECT_EQ(TextosCajas(), QStringList{QString::fromUtf8(" Error Nº:15023 (Already exists.).")});
    mensajes.Cajas().clear();
    EXPECT_EQ(p->ArrayBaseDatos->LeeCelda(1, 0), "0");
}

TEST_F(VentanaLogin, ADoubleClickOnAnAccessCellSendsOneChange) {
    conexion->Responde(Acceso("Tienda", "juan"), QStringList{"name"}, {{"juan"}});
    Abre("juan");
    const struct {
        int fila;
        QStringList enviadas;
        const char* despues;
    } casos[] = {{1, {"use Tienda", "exec sp_revokedbaccess  'juan'"}, "0"},
                 {0, {"use master", "exec sp_grantdbaccess 'juan','juan'", kRoles, "sp_helplogins 'juan'"}, "-1"},
                 {2, {}, ""}};  // the empty last row is no database
    for (const auto& c : casos) {
        Fila(c.fila);
        conexion->Enviadas.clear();
        DobleClic(g, c.fila, 0);
        EXPECT_EQ(conexion->Enviadas, c.enviadas);
        EXPECT_EQ(p->ArrayBaseDatos->LeeCelda(c.fila, 0), c.despues);
    }
}

TEST_F(VentanaLogin, ANewLoginsFirstAccessTickCreatesItThenGrants) {
    const QString busca = " select * from master.dbo.sysxlogins where name='ana'";
    Abre("");
    p->txtUsuario->setText("ana");
    p->txtClave->setText("pw");
    p->txtConfClave->setText("pw");
    Alterna(1);
    EXPECT_EQ(conexion->Enviadas.mid(0, 2), (QStringList{busca, " EXEC sp_addlogin 'ana','pw'"}));
    EXPECT_TRUE(conexion->Enviadas.contains("use Tienda"));
    EXPECT_EQ(conexion->Enviadas.mid(conexion->Enviadas.indexOf("use Tienda"), 2),
              (QStringList{"use Tienda", "exec sp_grantdbaccess 'ana','ana'"}));
    EXPECT_FALSE(p->txtUsuario->isEnabled());
    EXPECT_EQ(p->ArrayBaseDatos->LeeCelda(1, 0), "-1");
    // Accept now changes the password it was created with.
    conexion->Enviadas.clear();
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas, QStringList{" EXEC sp_password '','pw','ana'"});
    EXPECT_EQ(frmInicioSesion::SiExiste(), nullptr);
}

TEST_F(VentanaLogin, ARetypedNameIsReadBeforeATickActsOnIt) {
    // bob exists: his first access tick acts on him. Retyped as carl, the
    // next access cell or role tick only shows carl's access and roles.
    conexion->Responde(" select * from master.dbo.sysxlogins where name='bob'", QStringList{"name"}, {{"bob"}});
    conexion->Responde(Acceso("master", "carl"), QStringList{"name"}, {{"carl"}});
    conexion->RespondeVarios("sp_helplogins 'bob'", {{{"LoginName"}, {{"bob"}}},
                                                     {{"LoginName", "DBName", "UserName", "UserOrAlias"},
                                                      {{"bob", "Tienda", "db_owner", "MemberOf"}}}});
    for (bool rol : {false, true}) {
        SCOPED_TRACE(rol);
        Abre("");
        p->txtUsuario->setText("bob");
        p->txtClave->setText("pw");
        p->txtConfClave->setText("pw");
        Alterna(1);
        EXPECT_TRUE(conexion->Enviadas.contains("exec sp_grantdbaccess 'bob','bob'"));
        EXPECT_EQ(Ticks(), (QStringList{"public", "db_owner"}));
        p->txtUsuario->setText("carl");
        conexion->Enviadas.clear();
        if (rol) p->lstFunciones->EstableceSelected(1, false);
        else Alterna(1);
        EXPECT_EQ(conexion->Enviadas, (QStringList{kBases, Acceso("master", "carl"), Acceso("Tienda", "carl")}));
        EXPECT_EQ(Columna(0), (QStringList{"-1", "0", ""}));
        EXPECT_EQ(p->lstFunciones->ListCount(), 0);  // carl has no access to Tienda
        p->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(VentanaLogin, ANewLoginThatCannotBeCreatedCancelsTheTick) {
    struct Caso {
        const char* clave;
        bool fallaAlta;
        QString caja;
    };
    const Caso casos[] = {
        {"", false, QString::fromUtf8("Introduzca contraseña.")},
        {"pw", true, QString::fromUtf8(" Error Nº:15025 (The server principal already exists.).")},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.caja.toStdString());
        if (c.fallaAlta) conexion->Falla(" EXEC sp_addlogin 'ana','pw'", 15025, "The server principal already exists.");
        Abre("");
        p->txtUsuario->setText("ana");
        p->txtClave->setText(c.clave);
        p->txtConfClave->setText(c.clave);
        Alterna(1);
        EXPECT_EQ(TextosCajas(), QStringList{c.caja});
        mensajes.Cajas().clear();
        EXPECT_EQ(p->ArrayBaseDatos->LeeCelda(1, 0), "0");
        EXPECT_FALSE(conexion->Enviadas.contains("use Tienda"));
        EXPECT_TRUE(p->txtUsuario->isEnabled());
        p->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(VentanaLogin, AcceptForANewLoginSendsTheLoginAndReportsARefusal) {
    Abre("");
    p->txtUsuario->setText("o'neil");
    p->txtClave->setText("pw");
    p->txtConfClave->setText("pw");
    conexion->Falla(" EXEC sp_addlogin 'o''neil','pw'", 15025, "Exists.");
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas, QStringList{" EXEC sp_addlogin 'o''neil','pw'"});
    EXPECT_EQ(TextosCajas(), QStringList{QString::fromUtf8(" Error Nº:15025 (Exists.).")});
    mensajes.Cajas().clear();
    EXPECT_EQ(frmInicioSesion::SiExiste(), p);
    conexion->Responde(" EXEC sp_addlogin 'o''neil','pw'", QStringList{}, {});
    conexion->Enviadas.clear();
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas.value(0), " EXEC sp_addlogin 'o''neil','pw'");
    EXPECT_EQ(frmInicioSesion::SiExiste(), nullptr);
}

TEST_F(VentanaLogin, CaptionsFollowTheLanguage) {
    Abre("juan");
    Idioma = 1;
    p->PonIdioma();
    EXPECT_EQ(p->Caption(), "Inicio Sesion");
    EXPECT_EQ(p->cmdAceptar->text(), "&Accept");
    EXPECT_EQ(p->fraAccesoBD->title(), " Database Access ");
    EXPECT_EQ(p->fraFunciones->title(), " Database functions ");
    EXPECT_EQ(p->lblConfirmarContrasena->text(), "Confirm Password:");
    Idioma = 0;
    p->PonIdioma();
    EXPECT_EQ(p->Caption(), "Inicio Sesion");
    EXPECT_EQ(p->fraAccesoBD->title(), " Acceso a base de datos ");
    EXPECT_EQ(p->lblContrasena->text(), QString::fromUtf8("Contraseña:"));
    EXPECT_EQ(g->Columns(1).Caption(), "Base de datos");
    EXPECT_EQ(g->Columns(2).Caption(), "Usuario");
}

// In the window its own buttons' Alt keys win over the menu bar's (Archivo,
// Base Datos, Consulta), whether the bar took its keys before the window's
// buttons or after them (as it does again whenever a menu is switched on or
// off); a letter no button of the window claims opens the bar's menu.
TEST_F(VentanaLogin, ItsOwnButtonsAltKeysWinOverTheMenuBars) {
    const std::pair<Qt::Key, QPushButton* frmInicioSesion::*> casos[] = {
        {Qt::Key_A, &frmInicioSesion::cmdAceptar}, {Qt::Key_C, &frmInicioSesion::cmdCancelar}, {Qt::Key_B, nullptr}};
    for (const bool barraDespues : {false, true})
        for (const auto& [tecla, boton] : casos) {
            SCOPED_TRACE(QKeySequence(tecla).toString().toStdString() + (barraDespues ? " bar after" : " bar before"));
            Abre("juan");
            if (barraDespues) MenusPrincipales::Habilita(m()->mnuConsulta, !MenusPrincipales::Habilitado(m()->mnuConsulta));
            QSignalSpy pulsado(boton ? p->*boton : p->cmdAceptar, &QPushButton::clicked);
            QTest::keyClick(QApplication::focusWidget(), tecla, Qt::AltModifier);
            EXPECT_EQ(QApplication::activePopupWidget(), boton ? nullptr : m()->mnuBaseDatos);
            if (auto* menu = QApplication::activePopupWidget()) menu->close();
            if (boton) EXPECT_TRUE(pulsado.count() == 1 || pulsado.wait(1000));
        }
    // Escape out of the bar, after a disabled menu's letter too, gives the keyboard back.
    MenusPrincipales::Habilita(m()->mnuConsulta, false);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::AltModifier);
    for (const auto& [tecla, alt] : {std::pair{Qt::Key_Escape, false}, {Qt::Key_C, true}, {Qt::Key_Escape, false}})
        QTest::keyClick(QApplication::activePopupWidget() ? QApplication::activePopupWidget() : QApplication::focusWidget(),
                        tecla, alt ? Qt::AltModifier : Qt::NoModifier);
    EXPECT_EQ(QApplication::focusWidget(), p->txtClave);
}
