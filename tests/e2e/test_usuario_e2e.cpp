// The user editor over the program's real path (ODBC, FreeTDS, TDS) against
// the scripted server: the roles come from the second result of
// sp_helplogins, a new user is created step by step, and a permission cell
// of the Grants tab is granted on an object of another owner.

#include "platform/listacasillas.h"
#include "platform/rejilladatos.h"
#include "security/frmusuario.h"
#include "support/extremo.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTabWidget>
#include <QPushButton>

using tdstest::Column;
using tdstest::Reply;
using tdstest::Type;

namespace {

Column Texto(const char* n) { return {n, Type::NVarChar, 128, 0, 0, false}; }
Column Entero(const char* n) { return {n, Type::Int, 0, 0, 0, false}; }

const std::string kRoles = "select * from master..sysusers where issqlrole = 1 or isapprole = 1 order by uid";

}  // namespace

class UsuarioExtremo : public PruebaExtremo {
protected:
    bool Prepara() {
        servidor.on("Select name from master.dbo.sysdatabases order by name",
                    Reply::rows({Texto("name")}, {{"master"}, {"Tienda"}}));
        servidor.on(kRoles, Reply::rows({Entero("uid"), Texto("name")},
                                        {{0, "public"}, {16384, "db_owner"}, {16390, "db_datareader"}}));
        // Tienda's tables, on which no user holds any permission.
        servidor.on("Select t.name as tabla,t.id as id,u.name as propietario from Tienda..sysobjects t,"
                    "Tienda..sysusers u where (t.xtype = 'U'or t.xtype = 'S') and u.uid = t.uid order by t.name",
                    Reply::rows({Texto("tabla"), Entero("id"), Texto("propietario")},
                                {{"Clientes", 11, "dbo"}, {"Ventas", 12, "juan"}}));
        servidor.on(std::regex("select \\* from sysprotects where uid=\\d+ and id=1[12]"),
                    Reply::rows({Entero("action"), Entero("protecttype")}, {}));
        if (!ConectaYExplora()) return false;
        servidor.clearRecord();
        NombreNodo = "Tienda";
        return true;
    }
};

TEST_F(UsuarioExtremo, TheRolesComeFromTheSecondResultOfTheLoginHelp) {
    ASSERT_TRUE(Prepara());
    servidor.on("select lo.loginname from Tienda..sysusers usu,master.dbo.syslogins lo where usu.sid = lo.sid and "
                "usu.name = 'juan'",
                Reply::rows({Texto("loginname")}, {{"juan"}}));
    servidor.on("sp_helplogins 'juan'",
                Reply::rows({Texto("LoginName"), Texto("SID")}, {{"juan", "0x01"}})
                    .thenRowsAffected(1)
                    .thenRows({Texto("LoginName"), Texto("DBName"), Texto("UserName"), Texto("UserOrAlias")},
                              {{"juan", "Tienda", "db_datareader", "MemberOf"},
                               {"juan", "master", "db_owner", "MemberOf"}}));
    servidor.on("Select uid from Tienda..sysusers where name = 'juan'", Reply::rows({Entero("uid")}, {{6}}));
    servidor.on(" EXEC sp_password '','nueva','juan'", Reply::info(15478, "Password changed.", 10));
    NombreObjeto = "juan";
    auto* p = frmUsuario::Instancia();
    MuestraFormulario(p);
    ASSERT_EQ(p->lstFunciones->ListCount(), 3);
    EXPECT_TRUE(p->lstFunciones->Selected(0));
    EXPECT_FALSE(p->lstFunciones->Selected(1));
    EXPECT_TRUE(p->lstFunciones->Selected(2));
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join(u'|').toStdString();

    servidor.clearRecord();
    p->txtClave->setText("nueva");
    p->txtConfClave->setText("nueva");
    p->cmdAceptar->click();
    EXPECT_EQ(servidor.statements(), (std::vector<std::string>{" EXEC sp_password '','nueva','juan'"}));
    EXPECT_EQ(frmUsuario::SiExiste(), nullptr);
}

TEST_F(UsuarioExtremo, ANewUserIsCreatedWithUseBeforeTheAccess) {
    ASSERT_TRUE(Prepara());
    // A new login and user: nothing of them on the server yet.
    const std::string usuarios =
        " SELECT usu.Name as nombre,lo.loginname as login         From                    Tienda..sysusers usu ,"
        "master.dbo.syslogins lo         Where usu.sid = lo.sid and                    (usu.islogin = 1 and "
        "usu.isaliased = 0 and usu.hasdbaccess = 1) ";
    servidor.on(" select * from master.dbo.sysxlogins where name='ana'", Reply::rows({Texto("name")}, {}));
    servidor.on(" EXEC sp_addlogin 'ana','pw','Tienda'", Reply::info(15298, "New login created.", 10));
    servidor.on(" EXEC sp_defaultdb  'ana','Tienda'", Reply::info(15341, "Default database changed.", 10));
    servidor.on(usuarios + "         and usu.Name='ana' and usu.sid = suser_sid('ana')",
                Reply::rows({Texto("nombre"), Texto("login")}, {}));
    servidor.on(" EXEC sp_grantdbaccess 'ana'", Reply::info(15007, "Granted database access to 'ana'.", 10));
    servidor.on(usuarios, Reply::rows({Texto("nombre"), Texto("login")}, {{"ana", "ana"}}));
    NombreObjeto = "";
    auto* p = frmUsuario::Instancia();
    MuestraFormulario(p);
    servidor.clearRecord();
    p->txtUsuario->setText("ana");
    p->txtClave->setText("pw");
    p->txtConfClave->setText("pw");
    p->cmdAceptar->click();
    const auto enviadas = servidor.statements();
    ASSERT_GE(enviadas.size(), 6u);
    EXPECT_EQ(enviadas[0], " select * from master.dbo.sysxlogins where name='ana'");
    EXPECT_EQ(enviadas[1], " EXEC sp_addlogin 'ana','pw','Tienda'");
    EXPECT_EQ(enviadas[2], " EXEC sp_defaultdb  'ana','Tienda'");
    EXPECT_EQ(enviadas[4], "USE Tienda");
    EXPECT_EQ(enviadas[5], " EXEC sp_grantdbaccess 'ana'");
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
    EXPECT_EQ(frmUsuario::SiExiste(), nullptr);
}

TEST_F(UsuarioExtremo, AGrantedCellNamesTheObjectWithItsOwner) {
    ASSERT_TRUE(Prepara());
    servidor.on("Select uid from Tienda..sysusers where name = 'ana'", Reply::rows({Entero("uid")}, {{5}}));
    servidor.on("select lo.loginname from Tienda..sysusers usu,master.dbo.syslogins lo where usu.sid = lo.sid and "
                "usu.name = 'ana'",
                Reply::rows({Texto("loginname")}, {{"ana"}}));
    servidor.on("sp_helplogins 'ana'", Reply::rows({Texto("LoginName"), Texto("SID")}, {{"ana", "0x02"}})
                                           .thenRows({Texto("LoginName"), Texto("DBName"), Texto("UserName"),
                                                      Texto("UserOrAlias")},
                                                     {{"ana", "Tienda", "ana", "User"}}));
    servidor.on("GRANT SELECT ON juan.Ventas TO ana", Reply());
    NombreObjeto = "ana";
    auto* p = frmUsuario::Instancia();
    MuestraFormulario(p);
    ASSERT_TRUE(p->ArrayPermisos);
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(1, 0), "Ventas");
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(1, 1), "NA");
    p->SSTabUsuario->setCurrentIndex(1);
    RejillaDatos* g = p->TDBGridPermisos;
    g->setFocus();
    QApplication::processEvents();
    servidor.clearRecord();
    const QPoint punto = g->visualRect(g->model()->index(1, 1)).center();
    ASSERT_FALSE(punto.isNull());
    for (QEvent::Type tipo : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent raton(tipo, punto, g->viewport()->mapToGlobal(punto), Qt::LeftButton,
                          tipo == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &raton);
    }
    EXPECT_EQ(servidor.statements(), (std::vector<std::string>{"USE Tienda", "GRANT SELECT ON juan.Ventas TO ana"}));
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(1, 1), "PE");
    EXPECT_EQ(servidor.currentDatabase(), "Tienda");
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join(u'|').toStdString();
    p->Unload();
}
