#include "security/textoscuentas.h"

#include "common/texto.h"

namespace textoscuentas {

namespace {
QString q(const QString& s) { return QStringLiteral("'") + LiteralSQL(s) + QStringLiteral("'"); }
}  // namespace

QString BuscaLogin(const QString& nombre) {
    return QStringLiteral(" select * from master.dbo.sysxlogins where name=") + q(nombre);
}

QString AnadeLogin(const QString& nombre, const QString& clave, const QString& baseDatos) {
    return QStringLiteral(" EXEC sp_addlogin ") + q(nombre) + u',' + q(clave) + u',' + q(baseDatos);
}

QString AnadeLoginSinBase(const QString& nombre, const QString& clave) {
    return QStringLiteral(" EXEC sp_addlogin ") + q(nombre) + u',' + q(clave);
}

QString BaseDefecto(const QString& nombre, const QString& baseDatos) {
    return QStringLiteral(" EXEC sp_defaultdb  ") + q(nombre) + u',' + q(baseDatos);
}

QString BuscaUsuario(const QString& baseDatos, const QString& nombre) {
    return QStringLiteral(" SELECT usu.Name as nombre,lo.loginname as login         From                    ") +
           NombreSQL(baseDatos) +
           QStringLiteral("..sysusers usu ,master.dbo.syslogins lo         Where usu.sid = lo.sid and "
                          "                   (usu.islogin = 1 and usu.isaliased = 0 and usu.hasdbaccess = 1) "
                          "         and usu.Name=") +
           q(nombre);
}

QString LoginDelUsuario(const QString& baseDatos, const QString& usuario) {
    return QStringLiteral("select lo.loginname from ") + NombreSQL(baseDatos) +
           QStringLiteral("..sysusers usu,master.dbo.syslogins lo where usu.sid = lo.sid and usu.name = ") +
           q(usuario);
}

QString Usa(const QString& baseDatos) { return QStringLiteral("USE ") + NombreSQL(baseDatos); }

QString DaAcceso(const QString& nombre) { return QStringLiteral(" EXEC sp_grantdbaccess ") + q(nombre); }

QString CambiaClave(const QString& anterior, const QString& clave, const QString& nombre) {
    return QStringLiteral(" EXEC sp_password ") + q(anterior) + u',' + q(clave) + u',' + q(nombre);
}

QString Roles() {
    return QStringLiteral("select * from master..sysusers where issqlrole = 1 or isapprole = 1 order by uid");
}

QString AyudaLogins(const QString& login) { return QStringLiteral("sp_helplogins ") + q(login); }

QString AnadeAlRol(const QString& rol, const QString& usuario) {
    return QStringLiteral(" EXEC sp_addrolemember ") + q(rol) + u',' + q(usuario);
}

QString QuitaDelRol(const QString& rol, const QString& usuario) {
    return QStringLiteral(" EXEC sp_droprolemember ") + q(rol) + u',' + q(usuario);
}

QString AccesoLogin(const QString& baseDatos, const QString& login) {
    return QStringLiteral("Select name from ") + NombreSQL(baseDatos) + QStringLiteral("..sysusers where name = ") +
           q(login) + QStringLiteral(" and sid = suser_sid(") + q(login) + u')';
}

QString UsaBase(const QString& baseDatos) { return QStringLiteral("use ") + NombreSQL(baseDatos); }

QString QuitaAccesoLogin(const QString& login) { return QStringLiteral("exec sp_revokedbaccess  ") + q(login); }

QString DaAccesoLogin(const QString& login) { return QStringLiteral("exec sp_grantdbaccess ") + q(login) + u',' + q(login); }

QString AnadeAlRolLogin(const QString& rol, const QString& login) {
    return QStringLiteral(" EXEC sp_addrolemember  ") + q(rol) + u',' + q(login);
}

QString QuitaDelRolLogin(const QString& rol, const QString& login) {
    return QStringLiteral(" EXEC sp_droprolemember   ") + q(rol) + u',' + q(login);
}

}  // namespace textoscuentas
