// The CREATE DATABASE text, built from plain file rows: the worked example
// exact, several log files, sizes, decimal commas, hostile names and a value
// that is not a number.

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
         " SIZE = 2MB, MAXSIZE =UNLIMITED,FILEGROWTH=0%)"},
        {"growth off", Fichero(1, "F", "2", "PRIMARY", "0", "P", "10", "-1", "9"),
         " SIZE = 2MB, MAXSIZE =9MB,FILEGROWTH=0)"},
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
    QLocale::setDefault(antes);
    EXPECT_TRUE(EsNumeroBD("0,5"));
    EXPECT_TRUE(EsNumeroBD(" 12 "));
    EXPECT_FALSE(EsNumeroBD(""));
    EXPECT_FALSE(EsNumeroBD("1,2,3"));
}
