// The translation of the program's connection string for the ODBC driver.
// The translated string is read back with the ODBC rules for braced values
// (as the driver manager and FreeTDS read it), so that the tests check what
// the driver will see, not how the text happens to be spelled.
#include "platform/odbc.h"

#include <QMultiMap>

#include <gtest/gtest.h>

using namespace datos;

namespace {

// Keywords (in upper case) and values of an ODBC connection string: a value
// in braces runs to the '}' not doubled, with "}}" standing for '}'.
QMultiMap<QString, QString> leeCadenaOdbc(const QString& s) {
    QMultiMap<QString, QString> r;
    qsizetype p = 0;
    while (p < s.size()) {
        if (s[p] == u';') {
            ++p;
            continue;
        }
        const qsizetype igual = s.indexOf(u'=', p);
        if (igual < 0) {
            ADD_FAILURE() << "keyword without a value in " << s.toStdString();
            break;
        }
        const QString clave = s.mid(p, igual - p).toUpper();
        QString valor;
        p = igual + 1;
        if (p < s.size() && s[p] == u'{') {
            ++p;
            for (;;) {
                if (p >= s.size()) {
                    ADD_FAILURE() << "unterminated braced value in " << s.toStdString();
                    break;
                }
                if (s[p] == u'}') {
                    if (p + 1 < s.size() && s[p + 1] == u'}') {
                        valor += u'}';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                valor += s[p++];
            }
            if (p < s.size() && s[p] != u';') ADD_FAILURE() << "text after a braced value in " << s.toStdString();
        } else {
            const qsizetype fin = s.indexOf(u';', p);
            valor = s.mid(p, fin < 0 ? -1 : fin - p);
            p = fin < 0 ? s.size() : fin;
        }
        r.insert(clave, valor);
    }
    return r;
}

// The same string as the FreeTDS of Debian 12 reads it: a braced value ends
// at the first "};" (or at a final '}') and "}}" stays as it is.
QMultiMap<QString, QString> leeComoFreeTds13(const QString& s) {
    QMultiMap<QString, QString> r;
    qsizetype p = 0;
    while (p < s.size()) {
        while (p < s.size() && s[p] == u';') ++p;
        const qsizetype igual = s.indexOf(u'=', p);
        if (igual < 0) break;
        const QString clave = s.mid(p, igual - p).toUpper();
        p = igual + 1;
        qsizetype fin;
        if (p < s.size() && s[p] == u'{') {
            ++p;
            fin = s.indexOf(QStringLiteral("};"), p);
            if (fin < 0) fin = s.endsWith(u'}') ? s.size() - 1 : s.size();
            r.insert(clave, s.mid(p, fin - p));
            p = fin + 1;
        } else {
            fin = s.indexOf(u';', p);
            if (fin < 0) fin = s.size();
            r.insert(clave, s.mid(p, fin - p));
            p = fin;
        }
    }
    return r;
}

// A string for FreeTDS must read the same by the ODBC rule and by FreeTDS 1.3.
QMultiMap<QString, QString> leeParaFreeTds(const QString& s) {
    const auto odbc = leeCadenaOdbc(s);
    EXPECT_EQ(odbc, leeComoFreeTds13(s)) << s.toStdString();
    return odbc;
}

QString ado(const QString& servidor, const QString& base, const QString& usuario, const QString& clave) {
    return QStringLiteral("Provider=SQLOLEDB.1;Data Source=") + servidor + QStringLiteral(";Initial Catalog=") + base +
           QStringLiteral(";User Id=") + usuario + QStringLiteral(";Password=") + clave + u';';
}

// Each keyword exactly once, with the value given.
void esperaUnico(const QMultiMap<QString, QString>& m, const QString& clave, const QString& valor) {
    EXPECT_EQ(m.count(clave), 1) << clave.toStdString();
    EXPECT_EQ(m.value(clave), valor) << clave.toStdString();
}

class EntornoControlador : public ::testing::Test {
protected:
    void SetUp() override {
        antes_ = qgetenv("TOLVEK_ODBC_DRIVER");
        habia_ = qEnvironmentVariableIsSet("TOLVEK_ODBC_DRIVER");
        qunsetenv("TOLVEK_ODBC_DRIVER");
    }
    void TearDown() override {
        if (habia_) qputenv("TOLVEK_ODBC_DRIVER", antes_);
        else qunsetenv("TOLVEK_ODBC_DRIVER");
    }
    QByteArray antes_;
    bool habia_ = false;
};

}  // namespace

TEST(CadenaConexion, PlainStringForFreeTds) {
    const auto m = leeParaFreeTds(TraduceCadenaConexion(ado("srv01", "Ventas", "sa", "clave"), "FreeTDS"));
    esperaUnico(m, "DRIVER", "FreeTDS");
    esperaUnico(m, "SERVER", "srv01");
    esperaUnico(m, "DATABASE", "Ventas");
    esperaUnico(m, "UID", "sa");
    esperaUnico(m, "PWD", "clave");
    esperaUnico(m, "CLIENTCHARSET", "UTF-8");
    EXPECT_EQ(m.count("TDS_VERSION"), 1);
    EXPECT_FALSE(m.contains("PORT"));
    EXPECT_FALSE(m.contains("PROVIDER"));
}

TEST(CadenaConexion, ServerWithPortInstanceOrBoth) {
    auto m = leeParaFreeTds(TraduceCadenaConexion(ado("srv01,1450", "db", "u", "p"), "FreeTDS"));
    esperaUnico(m, "SERVER", "srv01");
    esperaUnico(m, "PORT", "1450");

    m = leeParaFreeTds(TraduceCadenaConexion(ado(" srv01 , 1450 ", "db", "u", "p"), "FreeTDS"));
    esperaUnico(m, "SERVER", "srv01");
    esperaUnico(m, "PORT", "1450");

    m = leeParaFreeTds(TraduceCadenaConexion(ado("srv01\\SQLEXPRESS", "db", "u", "p"), "FreeTDS"));
    esperaUnico(m, "SERVER", "srv01\\SQLEXPRESS");
    EXPECT_FALSE(m.contains("PORT"));

    // A port names the listener outright; the instance is then not looked up.
    m = leeParaFreeTds(TraduceCadenaConexion(ado("srv01\\SQLEXPRESS,1500", "db", "u", "p"), "FreeTDS"));
    esperaUnico(m, "SERVER", "srv01");
    esperaUnico(m, "PORT", "1500");

    m = leeParaFreeTds(TraduceCadenaConexion(ado("tcp:10.0.0.5,1433", "db", "u", "p"), "FreeTDS"));
    esperaUnico(m, "SERVER", "10.0.0.5");
    esperaUnico(m, "PORT", "1433");

    for (const char* local : {"(local)", ".", "(LOCAL)"}) {
        m = leeParaFreeTds(TraduceCadenaConexion(ado(local, "db", "u", "p"), "FreeTDS"));
        esperaUnico(m, "SERVER", "localhost");
    }
    m = leeParaFreeTds(TraduceCadenaConexion(ado(".\\SQLEXPRESS", "db", "u", "p"), "FreeTDS"));
    esperaUnico(m, "SERVER", "localhost\\SQLEXPRESS");
}

TEST(CadenaConexion, PasswordKeepsEveryCharacterAndCannotAddKeywords) {
    const QStringList claves = {
        "a;b",
        "cierra}llave",
        "}}",
        "x=y",
        " blancos delante y detrás ",
        " con } y blancos ",
        "x;DRIVER=Otro;SERVER=evil",
        "a;Data Source=evil;Initial Catalog=otra",
        "termina en punto y coma;",
        "{abre",
        "ñ€ü",
        "",
    };
    for (const QString& clave : claves) {
        SCOPED_TRACE(clave.toStdString());
        const auto m = leeParaFreeTds(TraduceCadenaConexion(ado("srv01", "Ventas", "sa", clave), "FreeTDS"));
        esperaUnico(m, "PWD", clave);
        esperaUnico(m, "DRIVER", "FreeTDS");
        esperaUnico(m, "SERVER", "srv01");
        esperaUnico(m, "DATABASE", "Ventas");
        esperaUnico(m, "UID", "sa");
        EXPECT_EQ(m.size(), 9);  // DRIVER SERVER DATABASE UID PWD TDS_Version ClientCharset TextSize APP
    }
}

TEST(CadenaConexion, ValueFreeTdsCannotReadAlikeIsRefused) {
    // With '}' and ';' together (or '}' after a leading '{') the FreeTDS
    // versions read the string differently: nothing is sent.
    for (const QString clave : {QStringLiteral("a;b}"), QStringLiteral("x};DRIVER={Otro}"), QStringLiteral("{a}")}) {
        SCOPED_TRACE(clave.toStdString());
        try {
            TraduceCadenaConexion(ado("srv01", "Ventas", "sa", clave), "FreeTDS");
            ADD_FAILURE() << "translated";
        } catch (const ErrorEjecucion& e) {
            EXPECT_EQ(e.Numero, errnum::FalloGeneral);
            EXPECT_FALSE(e.Descripcion.contains(clave)) << "the message must not show the password";
        }
        // Drivers that follow the ODBC rule take it, '}' doubled.
        const auto m = leeCadenaOdbc(TraduceCadenaConexion(ado("srv01", "Ventas", "sa", clave), "ODBC Driver 18 for SQL Server"));
        esperaUnico(m, "PWD", clave);
        EXPECT_EQ(m.size(), 6);  // DRIVER SERVER DATABASE UID PWD APP
    }
}

TEST(CadenaConexion, OtherValuesMayHoldSeparators) {
    const auto m = leeParaFreeTds(TraduceCadenaConexion(ado("srv01", "Base;rara=", "dom}user", "p"), "FreeTDS"));
    esperaUnico(m, "DATABASE", "Base;rara=");
    esperaUnico(m, "UID", "dom}user");
    esperaUnico(m, "PWD", "p");
}

TEST(CadenaConexion, KeysInAnyCaseSynonymsAndNoFinalSemicolon) {
    auto m = leeParaFreeTds(TraduceCadenaConexion(
        "provider=sqloledb;data source=srv01;initial catalog=db;user id=u;password=p", "FreeTDS"));
    esperaUnico(m, "SERVER", "srv01");
    esperaUnico(m, "DATABASE", "db");
    esperaUnico(m, "UID", "u");
    esperaUnico(m, "PWD", "p");

    // Without a final ';' the password runs to the end, ';' included.
    m = leeParaFreeTds(TraduceCadenaConexion("Server=srv01;Database=db;UID=u;PWD=a;b", "FreeTDS"));
    esperaUnico(m, "SERVER", "srv01");
    esperaUnico(m, "DATABASE", "db");
    esperaUnico(m, "PWD", "a;b");

    // Keys the layer does not use are left out.
    m = leeParaFreeTds(TraduceCadenaConexion(
        "Provider=SQLOLEDB.1;Persist Security Info=False;Data Source=srv01;User Id=u;Password=p;", "FreeTDS"));
    esperaUnico(m, "SERVER", "srv01");
    EXPECT_FALSE(m.contains("DATABASE"));
    EXPECT_FALSE(m.contains("PERSIST SECURITY INFO"));
}

TEST_F(EntornoControlador, DriverFromTheEnvironmentTakesStandardKeywords) {
    EXPECT_EQ(ControladorOdbc(), "FreeTDS");
    qputenv("TOLVEK_ODBC_DRIVER", "ODBC Driver 18 for SQL Server");
    ASSERT_EQ(ControladorOdbc(), "ODBC Driver 18 for SQL Server");

    auto m = leeCadenaOdbc(TraduceCadenaConexion(ado("srv01,1450", "Ventas", "sa", "x;}y"), ControladorOdbc()));
    esperaUnico(m, "DRIVER", "ODBC Driver 18 for SQL Server");
    esperaUnico(m, "SERVER", "srv01,1450");
    esperaUnico(m, "DATABASE", "Ventas");
    esperaUnico(m, "UID", "sa");
    esperaUnico(m, "PWD", "x;}y");
    EXPECT_FALSE(m.contains("PORT"));
    EXPECT_FALSE(m.contains("TDS_VERSION"));
    EXPECT_FALSE(m.contains("CLIENTCHARSET"));

    m = leeCadenaOdbc(TraduceCadenaConexion(ado("srv01\\INST", "Ventas", "sa", "p"), ControladorOdbc()));
    esperaUnico(m, "SERVER", "srv01\\INST");

    // FreeTDS named by the path of its library is still FreeTDS.
    qputenv("TOLVEK_ODBC_DRIVER", "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so");
    m = leeParaFreeTds(TraduceCadenaConexion(ado("srv01,1450", "db", "u", "p"), ControladorOdbc()));
    esperaUnico(m, "DRIVER", "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so");
    esperaUnico(m, "PORT", "1450");
    esperaUnico(m, "CLIENTCHARSET", "UTF-8");

    qputenv("TOLVEK_ODBC_DRIVER", "  ");
    EXPECT_EQ(ControladorOdbc(), "FreeTDS");
}

TEST(CadenaConexion, OdbcStringsPassThrough) {
    const QString sqlite = "DRIVER=SQLite3;Database=/tmp/x.db;StepAPI=1;";
    EXPECT_EQ(TraduceCadenaConexion(sqlite, "FreeTDS"), sqlite);
    EXPECT_EQ(TraduceCadenaConexion("driver={FreeTDS};server=h;", "FreeTDS"), "driver={FreeTDS};server=h;");
    EXPECT_EQ(TraduceCadenaConexion("ODBC;DSN=Ventas;UID=u;PWD=p;", "FreeTDS"), "DSN=Ventas;UID=u;PWD=p;");
}

TEST(CadenaConexion, DriverPrefixesAreRemovedFromMessages) {
    EXPECT_EQ(QuitaPrefijosControlador("[unixODBC][Driver Manager]Data source name not found"),
              "Data source name not found");
    EXPECT_EQ(QuitaPrefijosControlador("[FreeTDS][SQL Server]Invalid object name 'x'."), "Invalid object name 'x'.");
    EXPECT_EQ(QuitaPrefijosControlador("[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Login failed"),
              "Login failed");
    EXPECT_EQ(QuitaPrefijosControlador("[SQLite]no such table: t (1)"), "no such table: t (1)");
    // The server's own text may start with a bracket.
    EXPECT_EQ(QuitaPrefijosControlador("[FreeTDS][SQL Server][Paso 2] falló"), "[Paso 2] falló");
    EXPECT_EQ(QuitaPrefijosControlador("sin prefijos"), "sin prefijos");
}
