#include "security/textoscuentas.h"

#include "common/celdapermiso.h"
#include "common/texto.h"
#include "explorer/consolasql.h"

namespace textoscuentas {

QString BuscaLogin(const QString& nombre) {
    return QStringLiteral(" select * from master.dbo.sysxlogins where name=") + CadenaSQL(nombre);
}

QString AnadeLogin(const QString& nombre, const QString& clave, const QString& baseDatos) {
    return QStringLiteral(" EXEC sp_addlogin ") + CadenaSQL(nombre) + u',' + CadenaSQL(clave) + u',' + CadenaSQL(baseDatos);
}

QString AnadeLoginSinBase(const QString& nombre, const QString& clave) {
    return QStringLiteral(" EXEC sp_addlogin ") + CadenaSQL(nombre) + u',' + CadenaSQL(clave);
}

QString BaseDefecto(const QString& nombre, const QString& baseDatos) {
    return QStringLiteral(" EXEC sp_defaultdb  ") + CadenaSQL(nombre) + u',' + CadenaSQL(baseDatos);
}

QString BuscaUsuario(const QString& baseDatos, const QString& nombre) {
    return QStringLiteral(" SELECT usu.Name as nombre,lo.loginname as login         From                    ") +
           NombreSQL(baseDatos) +
           QStringLiteral("..sysusers usu ,master.dbo.syslogins lo         Where usu.sid = lo.sid and "
                          "                   (usu.islogin = 1 and usu.isaliased = 0 and usu.hasdbaccess = 1) "
                          "         and usu.Name=") +
           CadenaSQL(nombre) + QStringLiteral(" and usu.sid = suser_sid(") + CadenaSQL(nombre) + u')';
}

QString LoginDelUsuario(const QString& baseDatos, const QString& usuario) {
    return QStringLiteral("select lo.loginname from ") + NombreSQL(baseDatos) +
           QStringLiteral("..sysusers usu,master.dbo.syslogins lo where usu.sid = lo.sid and usu.name = ") +
           CadenaSQL(usuario);
}

QString Usa(const QString& baseDatos) { return QStringLiteral("USE ") + NombreSQL(baseDatos); }

QString DaAcceso(const QString& nombre) { return QStringLiteral(" EXEC sp_grantdbaccess ") + CadenaSQL(nombre); }

QString CambiaClave(const QString& anterior, const QString& clave, const QString& nombre) {
    return QStringLiteral(" EXEC sp_password ") + CadenaSQL(anterior) + u',' + CadenaSQL(clave) + u',' + CadenaSQL(nombre);
}

QString Roles() {
    return QStringLiteral("select * from master..sysusers where issqlrole = 1 or isapprole = 1 order by uid");
}

QString AyudaLogins(const QString& login) { return QStringLiteral("sp_helplogins ") + CadenaSQL(login); }

QString AnadeAlRol(const QString& rol, const QString& usuario) {
    return QStringLiteral(" EXEC sp_addrolemember ") + CadenaSQL(rol) + u',' + CadenaSQL(usuario);
}

QString QuitaDelRol(const QString& rol, const QString& usuario) {
    return QStringLiteral(" EXEC sp_droprolemember ") + CadenaSQL(rol) + u',' + CadenaSQL(usuario);
}

QString AccesoLogin(const QString& baseDatos, const QString& login) {
    return QStringLiteral("Select name from ") + NombreSQL(baseDatos) + QStringLiteral("..sysusers where name = ") +
           CadenaSQL(login) + QStringLiteral(" and sid = suser_sid(") + CadenaSQL(login) + u')';
}

QString UsaBase(const QString& baseDatos) { return QStringLiteral("use ") + NombreSQL(baseDatos); }

QString QuitaAccesoLogin(const QString& login) { return QStringLiteral("exec sp_revokedbaccess  ") + CadenaSQL(login); }

QString DaAccesoLogin(const QString& login) { return QStringLiteral("exec sp_grantdbaccess ") + CadenaSQL(login) + u',' + CadenaSQL(login); }

QString AnadeAlRolLogin(const QString& rol, const QString& login) {
    return QStringLiteral(" EXEC sp_addrolemember  ") + CadenaSQL(rol) + u',' + CadenaSQL(login);
}

QString QuitaDelRolLogin(const QString& rol, const QString& login) {
    return QStringLiteral(" EXEC sp_droprolemember   ") + CadenaSQL(rol) + u',' + CadenaSQL(login);
}

QString ObjetosDeTipo(const QString& prefijo, int tipo) {
    QString condicion;
    switch (tipo) {
    case 0:
        condicion = QStringLiteral(" where t.xtype = 'P'");
        break;
    case 1:
        condicion = QStringLiteral(" where (t.xtype = 'U'or t.xtype = 'S')");
        break;
    case 2:
        condicion = QStringLiteral(" where t.xtype = 'V'");
        break;
    default:
        break;
    }
    return QStringLiteral("Select t.name as tabla,t.id as id,u.name as propietario") + QStringLiteral(" from ") +
           prefijo + QStringLiteral("sysobjects t,") + prefijo + QStringLiteral("sysusers u") + condicion +
           QStringLiteral(" and u.uid = t.uid") + QStringLiteral(" order by t.name");
}

QString ProteccionesObjeto(const QString& uid, const QString& id) {
    return QStringLiteral("select * from sysprotects ") + QStringLiteral(" where uid=") + NumeroSQL(uid) +
           QStringLiteral(" and id=") + NumeroSQL(id);
}

int ColumnaAccionObjeto(int action) {
    switch (action) {
    case 193:
    case 224:
        return 1;
    case 195:
        return 2;
    case 197:
        return 3;
    case 196:
        return 4;
    case 26:
        return 5;
    default:
        return 0;
    }
}

QString PermisoObjeto(int columna, bool procedimientos, const QString& celda) {
    const char* permiso = nullptr;
    switch (columna) {
    case 1:
        permiso = procedimientos ? "EXECUTE" : "SELECT";
        break;
    case 2:
        permiso = "INSERT";
        break;
    case 3:
        permiso = "UPDATE";
        break;
    case 4:
        permiso = "DELETE";
        break;
    case 5:
        permiso = "REFERENCES";
        break;
    default:
        return QString();
    }
    const QString resto = QLatin1Char(' ') + QLatin1String(permiso) + QStringLiteral(" ON ");
    return EligePermiso(celda, QStringLiteral("REVOKE") + resto, QStringLiteral("GRANT") + resto,
                        QStringLiteral("DENY") + resto);
}

QString PermisoObjetoUsuario(const QString& sentencia, const QString& propietario, const QString& objeto,
                             const QString& usuario) {
    return sentencia + NombreConPropietario(propietario, objeto) + QStringLiteral(" TO ") + NombreSQL(usuario);
}

}  // namespace textoscuentas
