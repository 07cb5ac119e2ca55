// The ODBC connection through FreeTDS, the program's real driver, against the
// scripted TDS server: the program's own connection string, messages and
// errors as SQL Server sends them, time-outs, lost links and transactions.
//
// Built when the test program is linked with the scripted server
// (tests/tdsserver, target tolvek_tdsserver).
#if __has_include("tdsserver.h")

#include "tdsserver.h"

#include "platform/odbc.h"

#include <QDateTime>

#include "support/entorno.h"

#include <gtest/gtest.h>

using namespace datos;
using namespace tdstest;

namespace {

const std::string kUsuario = "tolvek";
const std::string kClave = "p;w d= x{ñ=;";  // ';', '=', '{', blanks and ñ in the connection string

class FreeTdsOdbc : public ::testing::Test {
protected:
    void SetUp() override {
        antes_ = qgetenv("TOLVEK_ODBC_DRIVER");
        habia_ = qEnvironmentVariableIsSet("TOLVEK_ODBC_DRIVER");
        qunsetenv("TOLVEK_ODBC_DRIVER");
        server_.acceptLogin(kUsuario, kClave);
        server_.start();
    }
    void TearDown() override {
        server_.stop();
        if (habia_) qputenv("TOLVEK_ODBC_DRIVER", antes_);
    }
    // The string the program builds, values pasted as they stand.
    QString cadena(const std::string& clave = kClave, const QString& base = "master") const {
        return QStringLiteral("Provider=SQLOLEDB.1;Data Source=127.0.0.1,%1;Initial Catalog=%2;User Id=%3;Password=%4;")
            .arg(server_.port())
            .arg(base, QString::fromStdString(kUsuario), QString::fromStdString(clave));
    }
    static const ErrorDatos* entrada(const Connection& c, qint64 nativo) {
        for (const ErrorDatos& d : c.Errors())
            if (d.NativeError == nativo) return &d;
        return nullptr;
    }
    static bool hayEstado(const Connection& c, const QString& estado) {
        for (const ErrorDatos& d : c.Errors())
            if (d.SQLState == estado) return true;
        return false;
    }

    TdsServer server_;
    QByteArray antes_;
    bool habia_ = false;
};

}  // namespace

TEST_F(FreeTdsOdbc, ProgramStringLogsInWithEveryValueIntact) {
    for (const std::string clave : {kClave, std::string("x}y= z{ñ"), std::string(" blancos "), std::string("}}"),
                                    std::string("{abre"), std::string("termina;")}) {
        SCOPED_TRACE(clave);
        server_.acceptLogin(kUsuario, clave);
        OdbcConnection c;
        c.Open(cadena(clave));
        EXPECT_EQ(c.State(), adStateOpen);
        EXPECT_TRUE(c.textoEnUtf8());
        const auto logins = server_.logins();
        ASSERT_FALSE(logins.empty());
        EXPECT_TRUE(logins.back().accepted);
        EXPECT_EQ(logins.back().user, kUsuario);
        EXPECT_EQ(logins.back().password, clave);
        EXPECT_EQ(logins.back().database, "master");
        EXPECT_EQ(logins.back().appName, "Tolvek");
        EXPECT_EQ(logins.back().tdsVersion >> 24, 0x73u);
        c.Close();
        EXPECT_EQ(c.State(), adStateClosed);
    }

    // A password FreeTDS cannot receive unaltered is refused before anything is sent.
    OdbcConnection c;
    const auto antes = server_.logins().size();
    const ErrorEjecucion e = FalloDe([&] { c.Open(cadena("a;b}c")); });
    EXPECT_EQ(e.Numero, errnum::FalloGeneral);
    ASSERT_EQ(c.Errors().size(), 1);
    EXPECT_EQ(c.Errors().first().Description, e.Descripcion);
    EXPECT_EQ(server_.logins().size(), antes);
    EXPECT_EQ(c.State(), adStateClosed);
}

TEST_F(FreeTdsOdbc, RefusedLoginFailsWithTheServersNumberAndText) {
    OdbcConnection c;
    const ErrorEjecucion e = FalloDe([&] { c.Open(cadena("otra")); });
    EXPECT_EQ(c.State(), adStateClosed);
    EXPECT_EQ(e.Numero, 18456);
    EXPECT_TRUE(e.Descripcion.startsWith("Login failed for user 'tolvek'.")) << e.Descripcion.toStdString();
    c.Open(cadena());
    EXPECT_EQ(c.State(), adStateOpen);
}

TEST_F(FreeTdsOdbc, InformationalMessagesAreKeptButDoNotFail) {
    server_.setDatabases({"master", "Ventas"});
    server_.on("PRINT 'aviso'", Reply::info(0, "aviso"));
    OdbcConnection c;
    EXPECT_EQ(c.DefaultDatabase(), "");
    c.Open(cadena());
    EXPECT_EQ(c.DefaultDatabase(), "master");
    c.Execute("USE Ventas");
    EXPECT_EQ(server_.currentDatabase(), "Ventas");
    EXPECT_EQ(c.DefaultDatabase(), "Ventas");
    const ErrorDatos* d = entrada(c, 5701);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->SQLState, "01000");
    EXPECT_EQ(d->Number, 5701);
    EXPECT_TRUE(d->Description.contains("Ventas")) << d->Description.toStdString();
    EXPECT_FALSE(d->Description.startsWith('['));

    c.Execute("PRINT 'aviso'");
    ASSERT_EQ(c.Errors().size(), 1);
    EXPECT_EQ(c.Errors().first().Description, "aviso");

    // A USE of a database that does not exist is an error.
    const ErrorEjecucion e = FalloDe([&] { c.Execute("USE Compras"); });
    EXPECT_EQ(e.Numero, 911);
    EXPECT_EQ(server_.currentDatabase(), "Ventas");
    EXPECT_EQ(c.State(), adStateOpen);  // a refusal, not a lost link
    EXPECT_EQ(c.DefaultDatabase(), "Ventas");
    c.Execute("use master");
    const auto enviadas = server_.statements().size();
    EXPECT_EQ(c.DefaultDatabase(), "master");
    EXPECT_EQ(server_.statements().size(), enviadas);  // nothing is asked
    c.Close();
    EXPECT_EQ(c.DefaultDatabase(), "");
}

// Every type a catalog query can bring, as SQL Server sends it (NOT NULL
// columns with the fixed-length type tokens, nullable ones with the N
// tokens, (n)char padded by the server), read back through the program's
// recordset at the protocol versions the driver may speak: the first row
// with the values, the second with NULL where the column allows it.
namespace {

struct CasoTipo {
    Column columna;
    Value valor;
    int tipoAdo;
    QVariant esperado;  // a text is compared with text(), anything else with value()
};

QByteArray Bytes(const char* s, int n) { return QByteArray(s, n); }

const std::vector<CasoTipo>& CasosTipo() {
    static const std::vector<CasoTipo> casos = {
        {{"int_n", Type::Int}, 7, adInteger, 7},
        {{"int", Type::Int, 0, 0, 0, false}, -2147483647 - 1, adInteger, -2147483647 - 1},
        {{"smallint", Type::SmallInt, 0, 0, 0, false}, -32768, adSmallInt, -32768},
        {{"tinyint", Type::TinyInt, 0, 0, 0, false}, 255, adUnsignedTinyInt, 255},
        {{"bigint_n", Type::BigInt}, -9000000000LL, adBigInt, qlonglong(-9000000000LL)},
        {{"bigint", Type::BigInt, 0, 0, 0, false}, 9000000000LL, adBigInt, qlonglong(9000000000LL)},
        {{"bit_n", Type::Bit}, true, adBoolean, true},
        {{"bit", Type::Bit, 0, 0, 0, false}, false, adBoolean, false},
        {{"float_n", Type::Float}, 2.25, adDouble, 2.25},
        {{"float", Type::Float, 0, 0, 0, false}, -1e300, adDouble, -1e300},
        {{"real", Type::Real, 0, 0, 0, false}, 0.5, adSingle, 0.5},
        {{"decimal", Type::Decimal, 0, 12, 2}, "-1234567.89", adNumeric, QString("-1234567.89")},
        {{"money_n", Type::Money}, "-12.5", adNumeric, QString("-12.5000")},
        {{"money", Type::Money, 0, 0, 0, false}, "922337203685477.5807", adNumeric, QString("922337203685477.5807")},
        {{"smallmoney", Type::SmallMoney}, "-214748.3648", adNumeric, QString("-214748.3648")},
        {{"datetime_n", Type::DateTime}, "1753-01-01", adDBTimeStamp, QDateTime(QDate(1753, 1, 1), QTime(0, 0))},
        {{"datetime", Type::DateTime, 0, 0, 0, false}, "2024-02-29 13:45:10.500", adDBTimeStamp,
         QDateTime(QDate(2024, 2, 29), QTime(13, 45, 10, 500))},
        {{"smalldatetime_n", Type::SmallDateTime}, "2079-06-06 23:59", adDBTimeStamp,
         QDateTime(QDate(2079, 6, 6), QTime(23, 59))},
        {{"smalldatetime", Type::SmallDateTime, 0, 0, 0, false}, "2001-02-03 04:05:30", adDBTimeStamp,
         QDateTime(QDate(2001, 2, 3), QTime(4, 6))},  // to the nearest minute
        {{"char_n", Type::Char, 5}, "ñb", adChar, QString("ñb   ")},
        {{"xtype", Type::Char, 2, 0, 0, false}, "U", adChar, QString("U ")},
        {{"nchar", Type::NChar, 3, 0, 0, false}, "€", adWChar, QString("€  ")},
        {{"varchar", Type::VarChar, 10}, "ñ€", adVarChar, QString("ñ€")},
        {{"nvarchar", Type::NVarChar, 40}, "Año ñandú €", adVarWChar, QString("Año ñandú €")},
        {{"binary", Type::Binary, 4}, std::string("\x01\x02", 2), adBinary, Bytes("\x01\x02\x00\x00", 4)},
        {{"varbinary", Type::VarBinary, 85}, std::string("\x00\xff\x10", 3), adVarBinary, Bytes("\x00\xff\x10", 3)},
        {{"text", Type::Text}, "texto ñ", adLongVarChar, QString("texto ñ")},
        {{"ntext", Type::NText}, "Año €", adLongVarWChar, QString("Año €")},
        {{"image", Type::Image}, std::string("\x00\x01\xfe", 3), adLongVarBinary, Bytes("\x00\x01\xfe", 3)},
        {{"guid", Type::UniqueIdentifier}, "6F9619FF-8B86-D011-B42D-00C04FC964FF", adGUID,
         QString("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")},
        // DATABASEPROPERTYEX('Tienda', 'Status'): an nvarchar inside a sql_variant.
        {{"variant", Type::Variant}, "ONLINE", adVarWChar, QString("ONLINE")},
        // DATABASEPROPERTYEX('Tienda', 'IsAutoShrink'): an int inside a sql_variant.
        {{"variant_entero", Type::Variant}, 1, adVarWChar, QString("1")},
    };
    return casos;
}

class TiposFreeTds : public FreeTdsOdbc, public ::testing::WithParamInterface<const char*> {};

}  // namespace

TEST_P(TiposFreeTds, EveryTypeReadsBackWithItsValueAndNull) {
    std::vector<Column> columnas;
    tdstest::Row valores, nulos;
    for (const CasoTipo& c : CasosTipo()) {
        columnas.push_back(c.columna);
        valores.push_back(c.valor);
        nulos.push_back(c.columna.nullable ? Value() : c.valor);
    }
    // (n)varchar(max) longer than 8,000 bytes: text and ntext below TDS 7.2.
    const std::string largo = std::string(9000, 'x') + "ñ";
    columnas.push_back({"nvarchar_max", Type::NVarChar, -1});
    columnas.push_back({"varchar_max", Type::VarChar, -1});
    valores.insert(valores.end(), {largo, largo});
    nulos.insert(nulos.end(), {nullptr, nullptr});
    server_.on("SELECT * FROM tipos", Reply::rows(columnas, {valores, nulos}));

    // 7.1: the program's own string to a server that speaks no newer one;
    // 7.4: a driver string, which raises the text size itself.
    const std::string version = GetParam();
    server_.acceptLogin(kUsuario, "Clave1");
    if (version == "7.1") server_.setHighestTdsVersion(0x71000001);
    const QString conexion = version != "7.4" ? cadena("Clave1")
                                              : QString::fromStdString(server_.odbcConnectionString("master", version) +
                                                                       "TextSize=2147483647;");
    for (auto modo : {OdbcConnection::Texto::Automatico, OdbcConnection::Texto::Utf16}) {
        OdbcConnection c;
        c.setTransferenciaTexto(modo);
        c.Open(conexion);
        auto t = c.Query("SELECT * FROM tipos");
        ASSERT_EQ(t->columnCount(), int(columnas.size()));
        ASSERT_EQ(t->rowCount(), 2);
        for (int i = 0; i < int(CasosTipo().size()); ++i) {
            const CasoTipo& caso = CasosTipo()[size_t(i)];
            SCOPED_TRACE(caso.columna.name);
            EXPECT_EQ(t->column(i).name.toStdString(), caso.columna.name);
            EXPECT_EQ(t->column(i).type, caso.tipoAdo);
            for (int fila = 0; fila < 2; ++fila) {
                if (fila == 1 && caso.columna.nullable) {
                    EXPECT_TRUE(t->isNull(1, i));
                    continue;
                }
                ASSERT_FALSE(t->isNull(fila, i));
                if (caso.esperado.typeId() == QMetaType::QString) {
                    EXPECT_EQ(t->text(fila, i), caso.esperado.toString());
                } else if (caso.esperado.typeId() == QMetaType::QDateTime) {
                    // The date and time of day as sent, whatever time spec the value carries.
                    const QDateTime v = t->value(fila, i).toDateTime();
                    EXPECT_EQ(v.date(), caso.esperado.toDateTime().date());
                    EXPECT_EQ(v.time(), caso.esperado.toDateTime().time());
                } else {
                    QVariant v = t->value(fila, i);
                    ASSERT_TRUE(v.convert(caso.esperado.metaType())) << v.typeName();
                    EXPECT_EQ(v, caso.esperado);
                }
            }
        }
        const int maxima = int(CasosTipo().size());
        for (int i : {maxima, maxima + 1}) {
            SCOPED_TRACE(t->column(i).name.toStdString());
            EXPECT_EQ(t->text(0, i), QString::fromStdString(largo));
            EXPECT_TRUE(t->isNull(1, i));
            if (version == "7.1")
                EXPECT_EQ(t->column(i).type, i == maxima ? adLongVarWChar : adLongVarChar);
        }
    }
}

// The program's own connection string (TDS 7.3), and the oldest and newest
// versions the driver speaks.
INSTANTIATE_TEST_SUITE_P(Versiones, TiposFreeTds, ::testing::Values("", "7.1", "7.4"),
                         [](const auto& info) {
                             const std::string v = info.param;
                             return v.empty() ? std::string("Programa") : "Tds" + v.substr(0, 1) + v.substr(2);
                         });

TEST_F(FreeTdsOdbc, AnErrorAnywhereInTheBatchFailsTheCall) {
    server_.on("SELECT a FROM t; SELECT * FROM nada",
               Reply::rows({{"a", Type::Int}}, {{1}, {2}}).thenError(208, "Invalid object name 'nada'."));
    server_.on("PRINT 'x'; SELECT a FROM t; RAISERROR('falló', 16, 1)",
               Reply::info(0, "comprobando").thenRows({{"a", Type::Int}}, {{1}}).thenError(50000, "falló"));
    server_.on("INSERT INTO t VALUES (1); SELECT a FROM t",
               Reply::error(2627, "Violation of PRIMARY KEY constraint 'pk_t'.").thenRows({{"a", Type::Int}}, {{1}}));
    OdbcConnection c;
    c.Open(cadena());
    ErrorEjecucion e = FalloDe([&] { c.Query("SELECT a FROM t; SELECT * FROM nada"); });
    EXPECT_EQ(e.Numero, 208);
    EXPECT_EQ(e.Descripcion, "Invalid object name 'nada'.");
    e = FalloDe([&] { c.Execute("SELECT a FROM t; SELECT * FROM nada"); });
    EXPECT_EQ(e.Numero, 208);

    e = FalloDe([&] { c.Execute("PRINT 'x'; SELECT a FROM t; RAISERROR('falló', 16, 1)"); });
    EXPECT_EQ(e.Numero, 50000);
    EXPECT_EQ(e.Descripcion, "falló");
    // The message and the error both, in the order the server sent them.
    // (Within what one driver call delivers, FreeTDS puts errors first.)
    qsizetype aviso = -1, error = -1;
    for (qsizetype i = 0; i < c.Errors().size(); ++i) {
        if (c.Errors()[i].Description == "comprobando") aviso = i;
        if (c.Errors()[i].NativeError == 50000) error = i;
    }
    ASSERT_GE(aviso, 0);
    ASSERT_GE(error, 0);
    EXPECT_LT(aviso, error);

    e = FalloDe([&] { c.Execute("INSERT INTO t VALUES (1); SELECT a FROM t"); });
    EXPECT_EQ(e.Numero, 2627);
    EXPECT_EQ(c.State(), adStateOpen);

    server_.on("SELECT 1", Reply::rows({{"", Type::Int}}, {{1}}));
    EXPECT_EQ(c.Query("SELECT 1")->value(0, 0).toInt(), 1);
}

TEST_F(FreeTdsOdbc, QueryReturnsTheFirstResultWithColumns) {
    server_.on("UPDATE t SET a = 1; SELECT b FROM u; SELECT c FROM v",
               Reply::rowsAffected(3).thenRows({{"b", Type::NVarChar, 10}}, {{"uno"}}).thenRows({{"c", Type::Int}}, {{9}}));
    server_.on("UPDATE t SET a = 2", Reply::rowsAffected(4));
    OdbcConnection c;
    c.Open(cadena());
    auto t = c.Query("UPDATE t SET a = 1; SELECT b FROM u; SELECT c FROM v");
    ASSERT_EQ(t->columnCount(), 1);
    EXPECT_EQ(t->column(0).name, "b");
    ASSERT_EQ(t->rowCount(), 1);
    EXPECT_EQ(t->text(0, 0), "uno");

    auto vacia = c.Query("UPDATE t SET a = 2");
    EXPECT_EQ(vacia->columnCount(), 0);
    EXPECT_EQ(server_.statements(),
              (std::vector<std::string>{"UPDATE t SET a = 1; SELECT b FROM u; SELECT c FROM v", "UPDATE t SET a = 2"}));
}

TEST_F(FreeTdsOdbc, LongValuesArriveWhole) {
    QString texto;
    const QString patron = QString::fromUtf8("Añ€x😀");
    while (texto.size() < 100000) texto += patron;
    const std::vector<Column> cols = {{"id", Type::Int}, {"cuerpo", Type::NVarChar, -1}, {"nota", Type::VarChar, 10}};
    server_.on("SELECT id, cuerpo, nota FROM dbo.largo",
               Reply::rows(cols, {{1, texto.toStdString(), "ñ"}, {2, nullptr, nullptr}, {3, "", ""}}));
    for (auto modo : {OdbcConnection::Texto::Automatico, OdbcConnection::Texto::Utf16}) {
        OdbcConnection c;
        c.setTransferenciaTexto(modo);
        c.Open(cadena());
        auto t = c.Query("SELECT id, cuerpo, nota FROM dbo.largo");
        ASSERT_EQ(t->rowCount(), 3);
        EXPECT_TRUE(t->column(1).type == adLongVarWChar || t->column(1).type == adVarWChar) << t->column(1).type;
        EXPECT_EQ(t->text(0, 1).size(), texto.size());
        EXPECT_TRUE(t->text(0, 1) == texto) << "the long text differs";
        EXPECT_EQ(t->text(0, 2), "ñ");
        EXPECT_TRUE(t->isNull(1, 1));
        EXPECT_FALSE(t->isNull(2, 1));
        EXPECT_EQ(t->text(2, 1), "");
    }
}

#endif  // __has_include("tdsserver.h")
