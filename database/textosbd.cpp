#include "database/textosbd.h"

#include "common/celdapermiso.h"
#include "common/texto.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace {

const QString kCR = QStringLiteral("\r");

QString Cantidad(const QString& celda) { return Trim(NumeroBD(celda)); }

// The MAXSIZE piece of CREATE, ADD FILE and MODIFY FILE: the limit switch
// and the maximum alone decide it; the growth amount is not read here.
QString Limite(const FicheroBD& f) {
    if (f.Limite == QLatin1String("-1"))
        return QStringLiteral(" MAXSIZE =") + Cantidad(f.Maximo) + QStringLiteral("MB");
    return QStringLiteral(" MAXSIZE =UNLIMITED");
}

// The physical file: the folder joined to the file with its own separator.
QString NombreFisico(const FicheroBD& f, const QString& extension) {
    return QStringLiteral(" FILENAME = ") + CadenaSQL(UneRuta(f.Carpeta, f.Nombre + extension)) + QStringLiteral(",");
}

}  // namespace

QString PuntoDecimalBD(const QString& celda) {
    QString valor = celda;
    valor.replace(QLocale().decimalPoint(), QStringLiteral("."));
    valor.replace(u',', u'.');
    return valor;
}

QString NumeroBD(const QString& celda) { return NumeroSQL(PuntoDecimalBD(celda)); }

bool EsNumeroBD(const QString& celda) {
    static const QRegularExpression numero(
        QStringLiteral("^ *[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)? *$"));
    return numero.match(PuntoDecimalBD(celda)).hasMatch();
}

QString MegasDePaginas(double paginas, bool redondea) {
    const double megas = paginas / 128.0;
    if (redondea) return QString::number(std::nearbyint(megas), 'f', 0);  // the default mode rounds half to even
    // ASCII digits whatever the user's locale; only its decimal separator.
    return QString::number(megas, 'g', 15).replace(u'.', QLocale().decimalPoint());
}

QString TextoFicheroBD(const FicheroBD& f, const QString& extension) {
    QString t = QStringLiteral(" (NAME = ") + NombreSQL(f.Nombre) + QStringLiteral(",");
    t += NombreFisico(f, extension);
    const QString tamaño = NumeroBD(f.Tamaño);
    if (tamaño.toDouble() < 1) t += QStringLiteral(" SIZE = 512KB,");
    else t += QStringLiteral(" SIZE = ") + Trim(tamaño) + QStringLiteral("MB,");
    t += Limite(f);
    // Growth switched off is said: left out, the server would give the file
    // its default growth.
    if (f.Crecimiento == QLatin1String("-1"))
        t += QStringLiteral(",FILEGROWTH=") + Cantidad(f.Cantidad) +
             (f.Unidad == QLatin1String("P") ? QStringLiteral("%") : QStringLiteral("MB"));
    else t += QStringLiteral(",FILEGROWTH=0");
    return t + QStringLiteral(")");
}

QString TextoCreaBD(const QString& nombre, const QList<FicheroBD>& datos, const QList<FicheroBD>& registro) {
    // The data files in the order the statement lists them, each with the
    // heading that goes before it.
    QList<QPair<QString, const FicheroBD*>> lista;
    for (const FicheroBD& f : datos) {
        if (f.Grupo.toUpper() != QLatin1String("PRIMARY")) continue;
        lista.append({lista.isEmpty() ? QStringLiteral(" ON ") + f.Grupo : QString(), &f});
    }
    QStringList grupos;
    for (const FicheroBD& f : datos) {
        const QString grupo = f.Grupo.toUpper();
        if (grupo == QLatin1String("PRIMARY") || grupos.contains(grupo)) continue;
        grupos.append(grupo);
        bool primero = true;
        for (const FicheroBD& g : datos) {
            if (g.Grupo.toUpper() != grupo) continue;
            lista.append({primero ? QStringLiteral(" FILEGROUP ") + NombreSQL(g.Grupo) : QString(), &g});
            primero = false;
        }
    }

    QString t = QStringLiteral("CREATE DATABASE ") + NombreSQL(nombre) + kCR;
    for (qsizetype i = 0; i < lista.size(); ++i) {
        const FicheroBD& f = *lista[i].second;
        t += lista[i].first + TextoFicheroBD(f, f.Fila == 0 ? QStringLiteral(".mdf") : QStringLiteral(".ndf"));
        t += i + 1 < lista.size() ? QStringLiteral(",") + kCR : kCR;
    }
    for (qsizetype i = 0; i < registro.size(); ++i) {
        if (i == 0) t += QStringLiteral(" LOG ON ");
        t += TextoFicheroBD(registro[i], QStringLiteral(".ldf"));
        t += i + 1 < registro.size() ? QStringLiteral(",") + kCR : kCR;
    }
    return t;
}

// ---- ALTER DATABASE ----

namespace {

QString Crecimiento(const FicheroBD& f) {
    if (f.Crecimiento != QLatin1String("-1")) return QStringLiteral("FILEGROWTH=0");
    return QStringLiteral("FILEGROWTH=") + Cantidad(f.Cantidad) +
           (f.Unidad == QLatin1String("P") ? QStringLiteral("%") : QStringLiteral("MB"));
}

QString Modifica(const QString& nombre, const FicheroBD& f) {
    return CabeceraAlterBD(nombre) + QStringLiteral(" MODIFY FILE ") + QStringLiteral(" (NAME = ") +
           NombreSQL(f.Nombre) + QStringLiteral(",");
}

}  // namespace

QString CabeceraAlterBD(const QString& nombre) { return QStringLiteral("ALTER DATABASE ") + NombreSQL(nombre) + kCR; }

QString TextoAñadeGrupoBD(const QString& nombre, const QString& grupo) {
    return CabeceraAlterBD(nombre) + QStringLiteral(" ADD FILEGROUP ") + NombreSQL(grupo);
}

QString TextoAñadeFicheroBD(const QString& nombre, const FicheroBD& f, bool registro) {
    const QString extension = registro ? QStringLiteral(".ldf") : f.Fila == 0 ? QStringLiteral(".mdf")
                                                                              : QStringLiteral(".ndf");
    QString t = CabeceraAlterBD(nombre) + (registro ? QStringLiteral(" ADD LOG FILE ") : QStringLiteral(" ADD FILE ")) +
                QStringLiteral(" (NAME = ") + NombreSQL(f.Nombre) + QStringLiteral(",");
    t += NombreFisico(f, extension);
    t += QStringLiteral(" SIZE = ") + Cantidad(f.Tamaño) + QStringLiteral("MB,");
    t += Limite(f) + QStringLiteral(",") + Crecimiento(f) + QStringLiteral(")");
    if (!registro && f.Grupo != QLatin1String("PRIMARY")) t += QStringLiteral(" TO FILEGROUP ") + NombreSQL(f.Grupo);
    return t;
}

QString TextoTamañoFicheroBD(const QString& nombre, const FicheroBD& f) {
    const QString tamaño = Cantidad(f.Tamaño);
    return Modifica(nombre, f) +
           (tamaño.toDouble() < 1 ? QStringLiteral(" SIZE = 512KB") : QStringLiteral(" SIZE = ") + tamaño + QStringLiteral("MB")) +
           QStringLiteral(")");
}

QString TextoCrecimientoFicheroBD(const QString& nombre, const FicheroBD& f) {
    return Modifica(nombre, f) + Crecimiento(f) + QStringLiteral(")");
}

QString TextoLimiteFicheroBD(const QString& nombre, const FicheroBD& f) {
    return Modifica(nombre, f) + Limite(f) + QStringLiteral(")");
}

// ---- Options ----

namespace {

struct OpcionBD {
    const char* propiedad;
    const char* nombre;  // the statement's option name; blanks included
};
const OpcionBD kOpciones[kOpcionesBD] = {
    {"Recovery", "RECOVERY"},
    {"IsAnsiNullDefault", "ANSI_NULL_DEFAULT"},
    {"IsAutoCreateStatistics", "AUTO_CREATE_STATISTICS"},
    {"IsAutoUpdateStatistics", "AUTO_UPDATE_STATISTICS"},
    {"IsAutoClose", "AUTO_CLOSE"},
    {"IsQuotedIdentifiersEnabled", "QUOTED_IDENTIFIER "},
    {"IsTornPageDetectionEnabled", "TORN_PAGE_DETECTION"},
    {"IsAutoShrink", "AUTO_SHRINK"},
    {"IsRecursiveTriggersEnabled", "RECURSIVE_TRIGGERS"},
};
const char* const kModelos[] = {"FULL", "BULK_LOGGED", "SIMPLE"};

QString Alter(const QString& nombre) { return QStringLiteral("alter database ") + NombreSQL(nombre); }

}  // namespace

QString TextoLeeOpcionBD(const QString& nombre, int opcion) {
    return QStringLiteral("select DATABASEPROPERTYEX (") + CadenaSQL(nombre) + QStringLiteral(",'") +
           QString::fromLatin1(kOpciones[opcion].propiedad) + QStringLiteral("')");
}

QString TextoRecuperacionBD(const QString& nombre, int posicion) {
    if (posicion < 0 || posicion > 2) return QString();
    return Alter(nombre) + QStringLiteral(" set RECOVERY ") + QString::fromLatin1(kModelos[posicion]);
}

QString TextoOpcionBD(const QString& nombre, int opcion, bool activa) {
    return Alter(nombre) + QStringLiteral(" set ") + QString::fromLatin1(kOpciones[opcion].nombre) +
           (activa ? QStringLiteral(" ON") : QStringLiteral(" OFF"));
}

int PosicionRecuperacionBD(const QString& valor, bool nulo) {
    if (nulo) return 2;
    for (int i = 0; i < 3; ++i)
        if (valor == QLatin1String(kModelos[i])) return i;
    return -1;
}

// ---- General data ----

QString TextoEstadoBD(const QString& nombre) {
    return QStringLiteral("select DATABASEPROPERTYEX( ") + CadenaSQL(nombre) + QStringLiteral(" , 'status' )");
}

QString TextoPropietarioBD(const QString& nombre) {
    return QStringLiteral("select name, suser_sname(sid) as owner, crdate, dbid, cmptlevel ") +
           QStringLiteral(" from master.dbo.sysdatabases") + QStringLiteral(" where name = ") + CadenaSQL(nombre);
}

QString TextoTamañoBD(const QString& nombre) {
    return QStringLiteral("declare @low nvarchar(11)") + kCR +
           QStringLiteral("select @low = convert(varchar(11),low) from master.dbo.spt_values  where type = N'E' and "
                          "number = 1") +
           kCR + QStringLiteral("(select str(convert(dec(15),sum(size))*  @low / 1048576,10,2) from ") +
           NombreSQL(nombre) + QStringLiteral(".dbo.sysfiles)");
}

QString TextoUsuariosBD() {
    return QStringLiteral(" SELECT usu.Name,case"
                          "                    when (usg.uid is null) then 'public'"
                          "                    Else usg.Name"
                          "                   End"
                          "                  ,lo.loginname"
                          "                  ,lo.dbname"
                          "                  ,usu.uid"
                          "                  ,usu.sid"
                          "         From"
                          "                   sysusers usu left outer join"
                          "                    (sysmembers mem inner join sysusers usg on mem.groupuid = usg.uid) on "
                          "usu.uid = mem.memberuid"
                          "                   left outer join master.dbo.syslogins  lo on usu.sid = lo.sid"
                          "         Where"
                          "                   (usu.islogin = 1 and usu.isaliased = 0 and usu.hasdbaccess = 1) and"
                          "                   (usg.issqlrole = 1 or usg.uid is null)");
}

// ---- Removing a file or a filegroup ----

QString TextoEliminaFicheroBD(const QString& nombre, const QString& fichero) {
    return CabeceraAlterBD(nombre) + QStringLiteral(" REMOVE FILE ") + NombreSQL(fichero);
}

QString TextoEliminaGrupoBD(const QString& nombre, const QString& grupo) {
    return CabeceraAlterBD(nombre) + QStringLiteral(" REMOVE FILEGROUP ") + NombreSQL(grupo);
}

// ---- Statement permissions ----

namespace {

struct PermisoBD {
    int accion;  // action in sysprotects
    const char* revoca;
    const char* concede;
    const char* deniega;  // blanks as the statements have always carried them
};
const PermisoBD kPermisos[kColumnasPermisoBD] = {
    {203, "REVOKE CREATE DATABASE", "GRANT CREATE DATABASE", "DENY  CREATE DATABASE"},
    {198, "REVOKE CREATE TABLE", "GRANT CREATE TABLE", "DENY CREATE TABLE"},
    {207, "REVOKE CREATE VIEW", "GRANT CREATE VIEW", "DENY CREATE VIEW"},
    {222, "REVOKE CREATE PROCEDURE", "GRANT CREATE PROCEDURE", "DENY CREATE PROCEDURE"},
    {236, "REVOKE CREATE RULE", "GRANT CREATE RULE", "DENY CREATE RULE"},
    {178, "REVOKE CREATE FUNCTION", "GRANT CREATE FUNCTION", "DENY CREATE FUNCTION"},
    {228, "REVOKE BACKUP DATABASE", "GRANT BACKUP DATABASE", "DENY BACKUP DATABASE"},
    {235, "REVOKE BACKUP LOG ", "GRANT BACKUP LOG ", "DENY BACKUP LOG "},
};

}  // namespace

QString TextoUsoBD(const QString& nombre) { return QStringLiteral("USE ") + NombreSQL(nombre); }

QString TextoUsuariosPermisoBD(const QString& nombre) {
    return QStringLiteral(" SELECT usu.Name as nombre,usu.uid as id") + QStringLiteral(" From ") + NombreSQL(nombre) +
           QStringLiteral("..sysusers usu ,master.dbo.syslogins lo") + QStringLiteral(" Where usu.sid = lo.sid and ") +
           QStringLiteral(" (usu.islogin = 1 and usu.isaliased = 0 and usu.hasdbaccess = 1) ");
}

QString TextoProteccionesBD(const QString& uid) {
    return QStringLiteral("select * from sysprotects ") + QStringLiteral("where uid=") + NumeroSQL(uid) +
           QStringLiteral("and action IN(203,198,207,222,236,178,228,235 )");
}

int ColumnaAccionBD(int action) {
    for (int k = 0; k < kColumnasPermisoBD; ++k)
        if (kPermisos[k].accion == action) return k + 1;
    return 0;
}

QString TextoPermisoBD(int columna, const QString& celda) {
    if (columna < 1 || columna > kColumnasPermisoBD) return QString();
    const PermisoBD& p = kPermisos[columna - 1];
    return EligePermiso(celda, QString::fromLatin1(p.revoca), QString::fromLatin1(p.concede),
                        QString::fromLatin1(p.deniega));
}

QString TextoPermisoUsuarioBD(const QString& sentencia, const QString& usuario) {
    return sentencia + QStringLiteral(" TO ") + NombreSQL(usuario);
}
