// The CREATE DATABASE text, built from plain file rows: the worked example
// exact, several log files, sizes, decimal commas, hostile names and a value
// that is not a number.

#include "common/celdapermiso.h"
#include "database/textosbd.h"
#include "platform/errores.h"
#include "support/entorno.h"

#include <QLocale>

namespace {

FicheroBD Fichero(int fila, const QString& nombre, const QString& tamaño, const QString& grupo,
                  const QString& crecimiento, const QString& unidad, const QString& cantidad,
                  const QString& limite = "0", const QString& maximo = "", const QString& carpeta = "C:\\Datos\\") {
    FicheroBD f;
    f.Fila = fila;
    f.Nombre = nombre;
    f.Carpeta = carpeta;
    f.Tamaño = tamaño;
    f.Grupo = grupo;
    f.Crecimiento = crecimiento;
    f.Unidad = unidad;
    f.Cantidad = cantidad;
    f.Limite = limite;
    f.Maximo = maximo;
    return f;
}

const QString kVentas = QStringLiteral(" (NAME = Ventas, FILENAME = 'C:\\Datos\\Ventas.mdf', SIZE = 10MB, "
                                       "MAXSIZE =UNLIMITED,FILEGROWTH=10%)");
const QString kVentas2 = QStringLiteral(" (NAME = Ventas2, FILENAME = 'C:\\Datos\\Ventas2.ndf', SIZE = 5MB, "
                                        "MAXSIZE =50MB,FILEGROWTH=5MB)");
const QString kHist1 = QStringLiteral(" (NAME = Hist1, FILENAME = 'C:\\Datos\\Hist1.ndf', SIZE = 512KB, "
                                      "MAXSIZE =UNLIMITED,FILEGROWTH=0)");
const QString kLog = QStringLiteral(" (NAME = Ventas_log, FILENAME = 'C:\\Datos\\Ventas_log.ldf', SIZE = 2MB, "
                                    "MAXSIZE =UNLIMITED,FILEGROWTH=10%)");

}  // namespace

TEST(TextosBD, TheWorkedExampleGroupsEachFilegroupOnce) {
    const QList<FicheroBD> datos{Fichero(0, "Ventas", "10", "PRIMARY", "-1", "P", "10"),
                                 Fichero(1, "Ventas2", "5", "PRIMARY", "-1", "M", "5", "-1", "50"),
                                 Fichero(2, "Hist1", "0", "HISTORICO", "0", "P", "10")};
    const QList<FicheroBD> registro{Fichero(0, "Ventas_log", "2", "", "-1", "P", "10")};
    EXPECT_EQ(TextoCreaBD("Ventas", datos, registro),
              "CREATE DATABASE Ventas\r ON PRIMARY" + kVentas + ",\r" + kVentas2 + ",\r FILEGROUP HISTORICO" + kHist1 +
                  "\r LOG ON " + kLog + "\r");

    // Primary files gathered first, another group's files under one
    // heading, group names compared in upper case.
    const QList<FicheroBD> mezclados{Fichero(3, "Hist1", "0", "HISTORICO", "0", "P", "10"),
                                     Fichero(4, "Ventas2", "5", "primary", "-1", "M", "5", "-1", "50"),
                                     Fichero(7, "Hist2", "0", "Historico", "0", "P", "10"),
                                     Fichero(9, "Ventas3", "10", "PRIMARY", "-1", "P", "10")};
    EXPECT_EQ(TextoCreaBD("Ventas", mezclados, {}),
              "CREATE DATABASE Ventas\r ON primary" + kVentas2 + ",\r" +
                  QString(kVentas).replace("Ventas.mdf", "Ventas3.ndf").replace("= Ventas,", "= Ventas3,") +
                  ",\r FILEGROUP HISTORICO" + kHist1 + ",\r" +
                  QString(kHist1).replace("Hist1", "Hist2") + "\r");
    // No files at all: the server decides.
    EXPECT_EQ(TextoCreaBD("Ventas", {}, {}), "CREATE DATABASE Ventas\r");
}

TEST(TextosBD, SeveralLogFilesShareOneHeading) {
    const QList<FicheroBD> registro{Fichero(0, "L1", "2", "", "-1", "P", "10"),
                                    Fichero(3, "L2", "3", "", "0", "P", "0", "0", "", "/var/datos/")};
    EXPECT_EQ(TextoCreaBD("B", {Fichero(0, "D", "1", "PRIMARY", "-1", "M", "1")}, registro),
              "CREATE DATABASE B\r ON PRIMARY (NAME = D, FILENAME = 'C:\\Datos\\D.mdf', SIZE = 1MB, "
              "MAXSIZE =UNLIMITED,FILEGROWTH=1MB)\r"
              " LOG ON  (NAME = L1, FILENAME = 'C:\\Datos\\L1.ldf', SIZE = 2MB, MAXSIZE =UNLIMITED,FILEGROWTH=10%),\r"
              " (NAME = L2, FILENAME = '/var/datos/L2.ldf', SIZE = 3MB, MAXSIZE =UNLIMITED,FILEGROWTH=0)\r");
}

TEST(TextosBD, ValueClausesOfAFile) {
    struct Caso {
        const char* nombre;
        FicheroBD f;
        QString clausulas;  // from " SIZE" to the end
    };
    const Caso casos[] = {
        {"size above the growth amount", Fichero(1, "F", "20", "PRIMARY", "-1", "M", "5"),
         " SIZE = 20MB, MAXSIZE =UNLIMITED,FILEGROWTH=5MB)"},
        {"size below 1", Fichero(1, "F", "0,9", "PRIMARY", "-1", "P", "10"),
         " SIZE = 512KB, MAXSIZE =UNLIMITED,FILEGROWTH=10%)"},
        {"decimal commas", Fichero(1, "F", "1,5", "PRIMARY", "-1", "M", "0,5", "-1", "10,25"),
         " SIZE = 1.5MB, MAXSIZE =10.25MB,FILEGROWTH=0.5MB)"},
        {"a point stays", Fichero(1, "F", "2.5", "PRIMARY", "-1", "X", "1"),
         " SIZE = 2.5MB, MAXSIZE =UNLIMITED,FILEGROWTH=1MB)"},
        {"limit with no growth amount", Fichero(1, "F", "2", "PRIMARY", "-1", "P", "0", "-1", "9"),
         " SIZE = 2MB, MAXSIZE =9MB,FILEGROWTH=0%)"},
        {"growth off", Fichero(1, "F", "2", "PRIMARY", "0", "P", "10", "-1", "9"),
         " SIZE = 2MB, MAXSIZE =9MB,FILEGROWTH=0)"},
        {"growth off, its amount emptied", Fichero(1, "F", "2", "PRIMARY", "0", "P", "", "-1", "9"),
         " SIZE = 2MB, MAXSIZE =9MB,FILEGROWTH=0)"},
        {"a maximum with the limit off", Fichero(1, "F", "2", "PRIMARY", "0", "P", "", "1", "9"),
         " SIZE = 2MB, MAXSIZE =UNLIMITED,FILEGROWTH=0)"},
    };
    for (const Caso& c : casos) {
        const QString t = TextoFicheroBD(c.f, ".ndf");
        EXPECT_EQ(t.mid(t.indexOf(" SIZE")), c.clausulas) << c.nombre;
    }
}

TEST(TextosBD, NamesAreQuotedAndNumbersChecked) {
    const QList<FicheroBD> datos{Fichero(0, "Mi fichero]", "1", "PRIMARY", "-1", "P", "10", "0", "", "C:\\O'Brien\\"),
                                 Fichero(1, "f2", "1", "Grupo nuevo", "-1", "P", "10")};
    EXPECT_EQ(TextoCreaBD("Mi base", datos, {}),
              "CREATE DATABASE [Mi base]\r ON PRIMARY (NAME = [Mi fichero]]], FILENAME = "
              "'C:\\O''Brien\\Mi fichero].mdf', SIZE = 1MB, MAXSIZE =UNLIMITED,FILEGROWTH=10%),\r"
              " FILEGROUP [Grupo nuevo] (NAME = f2, FILENAME = 'C:\\Datos\\f2.ndf', SIZE = 1MB, "
              "MAXSIZE =UNLIMITED,FILEGROWTH=10%)\r");
    // The folder is joined to its file with the folder's own separator.
    for (const auto& [carpeta, fichero] : {std::pair{"/srv/x\\", "'/srv/x\\/F.ndf'"}, std::pair{"/srv", "'/srv/F.ndf'"},
                                           std::pair{"C:\\D", "'C:\\D\\F.ndf'"}, std::pair{"", "'F.ndf'"}})
        EXPECT_TRUE(TextoFicheroBD(Fichero(1, "F", "1", "PRIMARY", "0", "P", "", "0", "", carpeta), ".ndf")
                        .contains(QStringLiteral(" FILENAME = ") + fichero + ","))
            << carpeta;
    // Anything pasted bare must be a number.
    for (const FicheroBD& f : {Fichero(0, "F", "1MB; DROP", "PRIMARY", "-1", "P", "10"),
                               Fichero(0, "F", "1", "PRIMARY", "-1", "P", "x"),
                               Fichero(0, "F", "1", "PRIMARY", "-1", "P", "10", "-1", "9)--")})
        EXPECT_EQ(FalloDe([&] { TextoCreaBD("B", {f}, {}); }).Numero, 13);
}

TEST(TextosBD, PagesBecomeMegabytes) {
    const QLocale antes;
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    EXPECT_EQ(MegasDePaginas(64, true), "0");
    EXPECT_EQ(MegasDePaginas(192, true), "2");
    EXPECT_EQ(MegasDePaginas(64, false), "0,5");
    EXPECT_EQ(MegasDePaginas(1280000, false), "10000");
    // A locale with digits of its own keeps ASCII digits and its separator.
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    EXPECT_EQ(MegasDePaginas(141, false), QString::fromUtf8("1\u066B1015625"));
    EXPECT_EQ(NumeroBD(MegasDePaginas(141, false)), "1.1015625");
    QLocale::setDefault(antes);
    EXPECT_TRUE(EsNumeroBD("0,5"));
    EXPECT_TRUE(EsNumeroBD(" 12 "));
    EXPECT_FALSE(EsNumeroBD(""));
    EXPECT_FALSE(EsNumeroBD("1,2,3"));
}

// ---- ALTER DATABASE ----

TEST(TextosBD, AlterTheWorkedExample) {
    const QString cr = QStringLiteral("\r");
    const FicheroBD datos = Fichero(0, "Ventas_Data", "5", "PRIMARY", "-1", "P", "10");
    const FicheroBD hist = Fichero(1, "Ventas_Hist", "2", "Historico", "-1", "M", "5", "-1", "50", "D:\\Datos\\");
    const FicheroBD log = Fichero(0, "Ventas_Log", "1", "", "-1", "P", "10");
    const FicheroBD log2 = Fichero(1, "Ventas_Log2", "1", "", "-1", "P", "10", "0", "", "D:\\Datos\\");
    const QString h = "ALTER DATABASE Ventas" + cr;
    const QList<QPair<QString, QString>> casos = {
        {TextoAñadeGrupoBD("Ventas", "Historico"), h + " ADD FILEGROUP Historico"},
        {TextoTamañoFicheroBD("Ventas", datos), h + " MODIFY FILE  (NAME = Ventas_Data, SIZE = 5MB)"},
        {TextoCrecimientoFicheroBD("Ventas", datos), h + " MODIFY FILE  (NAME = Ventas_Data,FILEGROWTH=10%)"},
        {TextoLimiteFicheroBD("Ventas", datos), h + " MODIFY FILE  (NAME = Ventas_Data, MAXSIZE =UNLIMITED)"},
        {TextoAñadeFicheroBD("Ventas", hist, false),
         h + " ADD FILE  (NAME = Ventas_Hist, FILENAME = 'D:\\Datos\\Ventas_Hist.ndf', SIZE = 2MB, "
             "MAXSIZE =50MB,FILEGROWTH=5MB) TO FILEGROUP Historico"},
        {TextoCrecimientoFicheroBD("Ventas", log), h + " MODIFY FILE  (NAME = Ventas_Log,FILEGROWTH=10%)"},
        {TextoLimiteFicheroBD("Ventas", log), h + " MODIFY FILE  (NAME = Ventas_Log, MAXSIZE =UNLIMITED)"},
        {TextoAñadeFicheroBD("Ventas", log2, true),
         h + " ADD LOG FILE  (NAME = Ventas_Log2, FILENAME = 'D:\\Datos\\Ventas_Log2.ldf', SIZE = 1MB, "
             "MAXSIZE =UNLIMITED,FILEGROWTH=10%)"},
    };
    for (const auto& [texto, esperado] : casos) EXPECT_EQ(texto, esperado);
}

TEST(TextosBD, AlterSizesGrowthOffLimitsAndNames) {
    const QString cr = QStringLiteral("\r");
    const QString h = "ALTER DATABASE Ventas" + cr;
    // Growth off: a new file says so, an existing one is set to no growth.
    const FicheroBD sin = Fichero(0, "Ventas_Data", "3", "PRIMARY", "0", "P", "10", "-1", "9");
    EXPECT_EQ(TextoAñadeFicheroBD("Ventas", sin, false),
              h + " ADD FILE  (NAME = Ventas_Data, FILENAME = 'C:\\Datos\\Ventas_Data.mdf', SIZE = 3MB, "
                  "MAXSIZE =9MB,FILEGROWTH=0)");
    EXPECT_EQ(TextoCrecimientoFicheroBD("Ventas", sin), h + " MODIFY FILE  (NAME = Ventas_Data,FILEGROWTH=0)");
    // The size is the initial size even when the growth amount is smaller,
    // and a decimal comma becomes a point.
    const FicheroBD grande = Fichero(2, "F", "20,5", "primary", "-1", "M", "2,5", "-1", "40,5");
    EXPECT_EQ(TextoAñadeFicheroBD("Ventas", grande, false),
              h + " ADD FILE  (NAME = F, FILENAME = 'C:\\Datos\\F.ndf', SIZE = 20.5MB, MAXSIZE =40.5MB,"
                  "FILEGROWTH=2.5MB) TO FILEGROUP [primary]");
    EXPECT_EQ(TextoTamañoFicheroBD("Ventas", grande), h + " MODIFY FILE  (NAME = F, SIZE = 20.5MB)");
    EXPECT_EQ(TextoTamañoFicheroBD("Ventas", Fichero(0, "F", "0,5", "", "0", "M", "0")),
              h + " MODIFY FILE  (NAME = F, SIZE = 512KB)");
    // A limit with no growth amount is still the limit.
    EXPECT_EQ(TextoLimiteFicheroBD("Ventas", Fichero(0, "F", "1", "", "-1", "M", "0", "-1", "50")),
              h + " MODIFY FILE  (NAME = F, MAXSIZE =50MB)");
    const FicheroBD vacio = Fichero(0, "F", "1", "", "0", "M", "", "-1", "100");  // growth off, amount emptied
    EXPECT_EQ(TextoLimiteFicheroBD("Ventas", vacio), h + " MODIFY FILE  (NAME = F, MAXSIZE =100MB)");
    EXPECT_TRUE(TextoAñadeFicheroBD("Ventas", vacio, true).endsWith(" SIZE = 1MB, MAXSIZE =100MB,FILEGROWTH=0)"));
    // Names and folders that need quoting.
    const FicheroBD raro = Fichero(1, "a]b", "1", "Mi grupo", "-1", "M", "1", "0", "", "C:\\O'Neil\\");
    EXPECT_EQ(TextoAñadeFicheroBD("Mi BD", raro, false),
              "ALTER DATABASE [Mi BD]" + cr + " ADD FILE  (NAME = [a]]b], FILENAME = 'C:\\O''Neil\\a]b.ndf', "
                                              "SIZE = 1MB, MAXSIZE =UNLIMITED,FILEGROWTH=1MB) TO FILEGROUP [Mi grupo]");
    EXPECT_EQ(TextoAñadeGrupoBD("Mi BD", "select"), "ALTER DATABASE [Mi BD]" + cr + " ADD FILEGROUP [select]");
    EXPECT_THROW(TextoAñadeFicheroBD("V", Fichero(0, "F", "mucho", "", "0", "M", "1"), false), ErrorEjecucion);
}

// ---- Options and General data ----

TEST(TextosBD, TheNineOptionTexts) {
    const char* nombres[] = {"ANSI_NULL_DEFAULT", "AUTO_CREATE_STATISTICS", "AUTO_UPDATE_STATISTICS",
                             "AUTO_CLOSE", "QUOTED_IDENTIFIER ", "TORN_PAGE_DETECTION", "AUTO_SHRINK",
                             "RECURSIVE_TRIGGERS"};
    const char* propiedades[] = {"Recovery", "IsAnsiNullDefault", "IsAutoCreateStatistics",
                                 "IsAutoUpdateStatistics", "IsAutoClose", "IsQuotedIdentifiersEnabled",
                                 "IsTornPageDetectionEnabled", "IsAutoShrink", "IsRecursiveTriggersEnabled"};
    for (int i = 1; i < kOpcionesBD; ++i) {
        EXPECT_EQ(TextoOpcionBD("Ventas", i, true), QString("alter database Ventas set %1 ON").arg(nombres[i - 1]));
        EXPECT_EQ(TextoOpcionBD("Ventas", i, false), QString("alter database Ventas set %1 OFF").arg(nombres[i - 1]));
    }
    EXPECT_EQ(TextoOpcionBD("Ventas", 5, true), "alter database Ventas set QUOTED_IDENTIFIER  ON");
    for (int i = 0; i < kOpcionesBD; ++i)
        EXPECT_EQ(TextoLeeOpcionBD("Ventas", i), QString("select DATABASEPROPERTYEX ('Ventas','%1')").arg(propiedades[i]));
    EXPECT_EQ(TextoLeeOpcionBD("O'Neil", 0), "select DATABASEPROPERTYEX ('O''Neil','Recovery')");
    EXPECT_EQ(TextoOpcionBD("Mi BD", 1, true), "alter database [Mi BD] set ANSI_NULL_DEFAULT ON");
    const QStringList recuperacion{"alter database Ventas set RECOVERY FULL",
                                   "alter database Ventas set RECOVERY BULK_LOGGED",
                                   "alter database Ventas set RECOVERY SIMPLE", "", ""};
    for (int i = -1; i < 4; ++i) EXPECT_EQ(TextoRecuperacionBD("Ventas", i), recuperacion.value(i < 0 ? 4 : i)) << i;
    const QList<std::tuple<QString, bool, int>> posiciones = {
        {"FULL", false, 0}, {"BULK_LOGGED", false, 1}, {"SIMPLE", false, 2}, {"", true, 2}, {"full", false, -1}};
    for (const auto& [valor, nulo, posicion] : posiciones) EXPECT_EQ(PosicionRecuperacionBD(valor, nulo), posicion);
}

TEST(TextosBD, GeneralDataQueries) {
    const QString cr = QStringLiteral("\r");
    EXPECT_EQ(TextoEstadoBD("O'Neil"), "select DATABASEPROPERTYEX( 'O''Neil' , 'status' )");
    EXPECT_EQ(TextoPropietarioBD("Ventas"), "select name, suser_sname(sid) as owner, crdate, dbid, cmptlevel  from "
                                            "master.dbo.sysdatabases where name = 'Ventas'");
    EXPECT_EQ(TextoTamañoBD("Mi BD"),
              "declare @low nvarchar(11)" + cr +
                  "select @low = convert(varchar(11),low) from master.dbo.spt_values  where type = N'E' and number = 1" +
                  cr + "(select str(convert(dec(15),sum(size))*  @low / 1048576,10,2) from [Mi BD].dbo.sysfiles)");
    EXPECT_TRUE(TextoUsuariosBD().startsWith(" SELECT usu.Name,case                    when (usg.uid is null)"));
    EXPECT_TRUE(TextoUsuariosBD().contains("Else usg.Name"));
}

TEST(TextosBD, RemovalTexts) {
    const QString h = QStringLiteral("ALTER DATABASE Ventas\r");
    EXPECT_EQ(TextoEliminaFicheroBD("Ventas", "Hist1"), h + " REMOVE FILE Hist1");
    EXPECT_EQ(TextoEliminaGrupoBD("Ventas", "HISTORICO"), h + " REMOVE FILEGROUP HISTORICO");
    EXPECT_EQ(TextoEliminaFicheroBD(" Mi BD]", "mi fichero"), "ALTER DATABASE [ Mi BD]]]\r REMOVE FILE [mi fichero]");
    EXPECT_EQ(TextoEliminaGrupoBD("Ventas", "select"), h + " REMOVE FILEGROUP [select]");
}

TEST(TextosBD, StatementPermissionTexts) {
    struct Caso {
        int columna;
        const char* celda;
        const char* texto;
    };
    const Caso casos[] = {
        {1, "NA", "REVOKE CREATE DATABASE"},  {1, "PE", "GRANT CREATE DATABASE"},
        {1, "NP", "DENY  CREATE DATABASE"},   {2, "NA", "REVOKE CREATE TABLE"},
        {2, "PE", "GRANT CREATE TABLE"},      {2, "NP", "DENY CREATE TABLE"},
        {3, "PE", "GRANT CREATE VIEW"},       {4, "NP", "DENY CREATE PROCEDURE"},
        {5, "NA", "REVOKE CREATE RULE"},      {6, "PE", "GRANT CREATE FUNCTION"},
        {7, "NP", "DENY BACKUP DATABASE"},    {7, "NA", "REVOKE BACKUP DATABASE"},
        {8, "NA", "REVOKE BACKUP LOG "},      {8, "PE", "GRANT BACKUP LOG "},
        {8, "NP", "DENY BACKUP LOG "},
        // The first code the cell holds, in the order NA, PE, NP, decides.
        {2, "PE NA", "REVOKE CREATE TABLE"},  {2, "xNPyPE", "GRANT CREATE TABLE"},
        {2, "", ""},                          {2, "na", ""},
        {0, "PE", ""},                        {9, "PE", ""},
    };
    for (const Caso& c : casos)
        EXPECT_EQ(TextoPermisoBD(c.columna, c.celda), QString::fromUtf8(c.texto)) << c.columna << " " << c.celda;
    EXPECT_EQ(TextoPermisoUsuarioBD(TextoPermisoBD(8, "PE"), "ana"), "GRANT BACKUP LOG  TO ana");
    EXPECT_EQ(TextoPermisoUsuarioBD(TextoPermisoBD(1, "NP"), "ana"), "DENY  CREATE DATABASE TO ana");
    EXPECT_EQ(TextoPermisoUsuarioBD("GRANT CREATE VIEW", "Juan Pérez"), "GRANT CREATE VIEW TO [Juan Pérez]");
    EXPECT_EQ(TextoPermisoUsuarioBD("GRANT CREATE VIEW", "a]b"), "GRANT CREATE VIEW TO [a]]b]");
}

TEST(TextosBD, StatementPermissionQueries) {
    EXPECT_EQ(TextoUsoBD("Ventas"), "USE Ventas");
    EXPECT_EQ(TextoUsoBD("Mis Ventas"), "USE [Mis Ventas]");
    EXPECT_EQ(TextoUsuariosPermisoBD("Ventas"),
              " SELECT usu.Name as nombre,usu.uid as id From Ventas..sysusers usu ,master.dbo.syslogins lo Where "
              "usu.sid = lo.sid and  (usu.islogin = 1 and usu.isaliased = 0 and usu.hasdbaccess = 1) ");
    EXPECT_TRUE(TextoUsuariosPermisoBD("x y").contains(" From [x y]..sysusers usu"));
    EXPECT_EQ(TextoProteccionesBD("5"), "select * from sysprotects where uid=5and action IN(203,198,207,222,236,178,228,235 )");
    EXPECT_THROW(TextoProteccionesBD("5 or 1=1"), ErrorEjecucion);
    const int acciones[] = {203, 198, 207, 222, 236, 178, 228, 235};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(ColumnaAccionBD(acciones[k]), k + 1);
    EXPECT_EQ(ColumnaAccionBD(193), 0);
}

TEST(CeldaPermiso, ProtectionTypesAndPictures) {
    EXPECT_EQ(CodigoProteccion(205), "PE");
    EXPECT_EQ(CodigoProteccion(204), "PE");
    EXPECT_EQ(CodigoProteccion(206), "NP");
    EXPECT_EQ(CodigoProteccion(0), "");
    EXPECT_EQ(AccionDeCelda("NA"), AccionPermiso::Revoca);
    EXPECT_EQ(AccionDeCelda("PE"), AccionPermiso::Concede);
    EXPECT_EQ(AccionDeCelda("NP"), AccionPermiso::Deniega);
    EXPECT_EQ(AccionDeCelda("--"), AccionPermiso::Ninguna);
    EXPECT_EQ(EligePermiso("NP", "R", "G", "D"), "D");
    const struct {
        const char* codigo;
        QSize tamaño;
    } imagenes[] = {{"NA", {13, 13}}, {"PE", {16, 14}}, {"NP", {15, 14}}};
    for (const auto& i : imagenes) {
        const QIcon icono = ImagenPermiso(i.codigo);
        ASSERT_FALSE(icono.isNull()) << i.codigo;
        EXPECT_EQ(icono.availableSizes().value(0), i.tamaño) << i.codigo;
    }
    EXPECT_TRUE(ImagenPermiso("XX").isNull());
}
