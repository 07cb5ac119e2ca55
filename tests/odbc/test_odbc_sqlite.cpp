// The ODBC connection against a real driver: the SQLite ODBC driver on a
// database file of the test's own, opened with a plain ODBC string.
//
// StepAPI=1 makes the driver step through a result as it is fetched (instead
// of running the whole statement when it is executed), so that a statement
// can fail after it has delivered rows. The driver takes one statement per
// call, so an error after rows comes from a statement that fails halfway
// through its result.
#include "platform/odbc.h"
#include "platform/tabladatos.h"

#include <QDir>
#include <QTemporaryDir>

#include "support/entorno.h"

#include <gtest/gtest.h>

#include <clocale>
#include <langinfo.h>

using namespace datos;

namespace {

class SqliteOdbc : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The SQLite driver has only the narrow API: the driver manager turns
        // statement text into the locale's character set, which must be
        // UTF-8 for ñ and € to reach the database.
        if (QByteArray(nl_langinfo(CODESET)) != "UTF-8") std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        con_.Open(cadena());
    }
    QString cadena() const {
        return QStringLiteral("DRIVER=SQLite3;Database=") + dir_.filePath("prueba.db") + QStringLiteral(";StepAPI=1;");
    }
    qint64 cuenta(Connection& c, const QString& tabla) {
        return c.Query("select count(*) from " + tabla)->value(0, 0).toLongLong();
    }

    QTemporaryDir dir_;
    OdbcConnection con_;
};

}  // namespace

TEST_F(SqliteOdbc, OpensClosesAndReopens) {
    EXPECT_EQ(con_.State(), adStateOpen);
    EXPECT_TRUE(con_.textoEnUtf8());
    EXPECT_EQ(con_.DefaultDatabase(), "");  // a driver that cannot tell
    ErrorEjecucion e = FalloDe([&] { con_.Open(cadena()); });
    EXPECT_EQ(e.Numero, 3705);
    EXPECT_EQ(con_.State(), adStateOpen);

    con_.Close();
    EXPECT_EQ(con_.State(), adStateClosed);
    e = FalloDe([&] { con_.Execute("create table t(a integer)"); });
    EXPECT_EQ(e.Numero, errnum::ObjetoCerrado);
    con_.Close();  // closing a closed connection does nothing

    con_.Open(cadena());
    EXPECT_EQ(con_.State(), adStateOpen);
    // A driver that does not time statements out does not fail them for it.
    con_.setCommandTimeout(1);
    con_.Execute("create table t(a integer)");
    EXPECT_EQ(cuenta(con_, "t"), 0);
}

TEST_F(SqliteOdbc, MissingDriverOrSourceFailsWithAnEntry) {
    OdbcConnection otra;
    ErrorEjecucion e = FalloDe([&] { otra.Open("DRIVER={NoSuchDriverForTolvek};Database=x;"); });
    EXPECT_EQ(otra.State(), adStateClosed);
    ASSERT_FALSE(otra.Errors().isEmpty());
    EXPECT_EQ(e.Numero, errnum::FalloGeneral);
    EXPECT_EQ(e.Descripcion, otra.Errors().first().Description);
    EXPECT_TRUE(e.Descripcion.contains("NoSuchDriverForTolvek")) << e.Descripcion.toStdString();
    EXPECT_FALSE(e.Descripcion.startsWith('[')) << e.Descripcion.toStdString();

    e = FalloDe([&] { otra.Open("DSN=NoSuchSourceForTolvek;"); });
    EXPECT_EQ(otra.State(), adStateClosed);
    ASSERT_FALSE(otra.Errors().isEmpty());
    EXPECT_EQ(otra.Errors().first().SQLState, "IM002");
    EXPECT_FALSE(e.Descripcion.isEmpty());
    EXPECT_FALSE(e.Descripcion.contains("[unixODBC]")) << e.Descripcion.toStdString();
}

TEST_F(SqliteOdbc, ProgramStringReachesFreeTdsWhichReportsWithoutPrefixes) {
    // Nothing listens on port 1: the translated string must get as far as
    // FreeTDS trying to connect, and its message comes back bare.
    OdbcConnection otra;
    const ErrorEjecucion e = FalloDe([&] {
        otra.Open("Provider=SQLOLEDB.1;Data Source=127.0.0.1,1;Initial Catalog=master;User Id=sa;Password=a;b c=d;");
    });
    EXPECT_EQ(otra.State(), adStateClosed);
    ASSERT_FALSE(otra.Errors().isEmpty());
    EXPECT_EQ(otra.Errors().first().SQLState.left(2), "08");
    EXPECT_EQ(e.Numero, otra.Errors().first().NativeError);
    EXPECT_NE(e.Numero, 0);
    for (const ErrorDatos& d : otra.Errors())
        EXPECT_FALSE(d.Description.startsWith('[')) << d.Description.toStdString();
}

TEST_F(SqliteOdbc, StatementErrorFailsAndLeavesTheConnectionUsable) {
    ErrorEjecucion e = FalloDe([&] { con_.Execute("select * from no_such_table"); });
    ASSERT_EQ(con_.Errors().size(), 1);
    const ErrorDatos& d = con_.Errors().first();
    EXPECT_EQ(d.SQLState, "HY000");
    EXPECT_EQ(d.NativeError, 1);  // SQLITE_ERROR
    EXPECT_EQ(d.Number, 1);
    EXPECT_TRUE(d.Description.startsWith("no such table: no_such_table")) << d.Description.toStdString();
    EXPECT_EQ(e.Numero, 1);
    EXPECT_EQ(e.Descripcion, d.Description);

    e = FalloDe([&] { con_.Query("selec 1"); });
    EXPECT_TRUE(e.Descripcion.contains("syntax error")) << e.Descripcion.toStdString();

    EXPECT_EQ(con_.State(), adStateOpen);
    auto r = con_.Query("select 41 + 1");
    EXPECT_TRUE(con_.Errors().isEmpty()) << "the list is cleared by every call";
    EXPECT_EQ(r->value(0, 0).toInt(), 42);
}

TEST_F(SqliteOdbc, ErrorAfterRowsFailsTheCall) {
    // Rows 1 to 2999 come before the failure: more than two fetch blocks.
    const QString sql =
        "with recursive c(x) as (select 1 union all select x + 1 from c where x < 5000) "
        "select x, 'v' || x as v from c where case when x < 3000 then 1 else abs(-9223372036854775808) end";
    ErrorEjecucion e = FalloDe([&] { con_.Query(sql); });
    EXPECT_TRUE(e.Descripcion.contains("integer overflow")) << e.Descripcion.toStdString();
    e = FalloDe([&] { con_.Execute(sql); });
    EXPECT_TRUE(e.Descripcion.contains("integer overflow")) << e.Descripcion.toStdString();

    // The same in a result read row by row (it has a long column).
    con_.Execute("create table largo(x integer, t text)");
    con_.Execute("insert into largo with recursive c(x) as (select 1 union all select x + 1 from c where x < 10) "
                 "select x, 'texto ' || x from c");
    e = FalloDe([&] {
        con_.Query("select x, t from largo where case when x < 5 then 1 else abs(-9223372036854775808) end");
    });
    EXPECT_TRUE(e.Descripcion.contains("integer overflow")) << e.Descripcion.toStdString();
    EXPECT_EQ(con_.State(), adStateOpen);
}

TEST_F(SqliteOdbc, TypesNullsAndAdoTypeNumbers) {
    con_.Execute("create table tipos(i integer, bi bigint, si smallint, ti tinyint, b bit, d double, f float, "
                 "r real, v varchar(20), c char(3), dt datetime, da date, bl blob, tx text)");
    con_.Execute("insert into tipos values(-7, 12345678901, 300, 255, 1, 2.5, -0.125, 1.5, 'ñandú €', 'xyz', "
                 "'2024-02-29 23:59:58.997', '2024-02-29', x'00ff7f', 'texto largo')");
    con_.Execute("insert into tipos(i) values(null)");

    // Without the text column the result is fetched in blocks; with it, row by row.
    for (const QString& columnas : {QStringLiteral("i, bi, si, ti, b, d, f, r, v, c, dt, da, bl"),
                                    QStringLiteral("i, bi, si, ti, b, d, f, r, v, c, dt, da, bl, tx")}) {
        SCOPED_TRACE(columnas.toStdString());
        auto t = con_.Query("select " + columnas + " from tipos order by rowid");
        ASSERT_EQ(t->rowCount(), 2);
        const int esperados[] = {adInteger, adBigInt, adSmallInt, adUnsignedTinyInt, adBoolean, adDouble, adDouble,
                                 adDouble,  adVarChar, adVarChar, adDBTimeStamp, adDBDate, adBinary, adLongVarChar};
        ASSERT_EQ(t->columnCount(), columnas.count(',') + 1);
        for (int c = 0; c < t->columnCount(); ++c) EXPECT_EQ(t->column(c).type, esperados[c]) << c;
        EXPECT_EQ(t->column(0).name, "i");
        EXPECT_EQ(t->column(8).definedSize, 20);

        EXPECT_EQ(t->value(0, 0).toInt(), -7);
        EXPECT_EQ(t->value(0, 1).toLongLong(), 12345678901LL);
        EXPECT_EQ(t->value(0, 2).toInt(), 300);
        EXPECT_EQ(t->value(0, 3).toInt(), 255);
        EXPECT_EQ(t->value(0, 4), QVariant(true));
        EXPECT_EQ(t->value(0, 5).toDouble(), 2.5);
        EXPECT_EQ(t->value(0, 6).toDouble(), -0.125);
        EXPECT_EQ(t->value(0, 7).toDouble(), 1.5);
        EXPECT_EQ(t->text(0, 8), QStringLiteral("ñandú €"));
        EXPECT_EQ(t->text(0, 9), "xyz");
        EXPECT_EQ(t->value(0, 10).toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 997), Qt::UTC));
        EXPECT_EQ(t->value(0, 11).toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(0, 0), Qt::UTC));
        EXPECT_EQ(t->value(0, 12).toByteArray(), QByteArray("\x00\xff\x7f", 3));
        if (t->columnCount() > 13) EXPECT_EQ(t->text(0, 13), "texto largo");
        for (int c = 0; c < t->columnCount(); ++c) {
            EXPECT_TRUE(t->isNull(1, c)) << c;
            EXPECT_FALSE(t->value(1, c).isValid()) << c;
            EXPECT_EQ(t->text(1, c), QString()) << c;
        }
    }
}

TEST_F(SqliteOdbc, EmptyResultsAndBatchesWithoutRows) {
    con_.Execute("create table t(id integer, nombre varchar(10))");
    auto vacia = con_.Query("select id, nombre from t where 1 = 0");
    EXPECT_EQ(vacia->rowCount(), 0);
    ASSERT_EQ(vacia->columnCount(), 2);
    EXPECT_EQ(vacia->column(1).name, "nombre");

    auto sinColumnas = con_.Query("insert into t values(1, '')");
    EXPECT_EQ(sinColumnas->columnCount(), 0);
    EXPECT_EQ(sinColumnas->rowCount(), 0);

    // An update that touches nothing is no failure.
    con_.Execute("update t set nombre = 'x' where id = 99");
    auto t = con_.Query("select nombre from t");
    ASSERT_EQ(t->rowCount(), 1);
    EXPECT_FALSE(t->isNull(0, 0)) << "an empty text is not a null";
    EXPECT_EQ(t->text(0, 0), "");
}

TEST_F(SqliteOdbc, LongTextsArriveWhole) {
    // 100 000 UTF-16 units of mixed one-, two- and three-byte characters, with
    // a character outside the BMP at the boundary of the first chunk a read
    // takes (16 383 units) and at the end.
    QString cuerpo;
    const QString patron = QStringLiteral("Añ€x");
    while (cuerpo.size() < 100000 - 4) cuerpo += patron[cuerpo.size() % patron.size()];
    const QString astral = QString::fromUtf8("😀");
    const QString cabeza = cuerpo.left(16382);
    const QString cola = cuerpo.mid(16382);
    const QString esperado = cabeza + astral + cola + astral;
    ASSERT_EQ(esperado.size(), 100000);

    con_.Execute("create table largo(id integer, cuerpo text, corto varchar(10), cuando datetime, dato blob)");
    con_.Execute("insert into largo values(1, '" + cabeza + "' || char(128512) || '" + cola +
                 "' || char(128512), 'ñ', '2001-02-03 04:05:06', zeroblob(70000))");
    con_.Execute("insert into largo values(2, null, null, null, null)");
    con_.Execute("insert into largo values(3, '', '', '2001-02-03', x'')");

    for (auto modo : {OdbcConnection::Texto::Utf8, OdbcConnection::Texto::Utf16}) {
        OdbcConnection c;
        c.setTransferenciaTexto(modo);
        c.Open(cadena());
        auto t = c.Query("select id, cuerpo, corto, cuando, dato from largo order by id");
        ASSERT_EQ(t->rowCount(), 3);
        EXPECT_EQ(t->column(1).type, adLongVarChar);
        EXPECT_EQ(t->text(0, 1).size(), esperado.size());
        EXPECT_TRUE(t->text(0, 1) == esperado) << "the long text differs";
        EXPECT_EQ(t->text(0, 2), "ñ");
        EXPECT_EQ(t->value(0, 3).toDateTime(), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC));
        EXPECT_EQ(t->value(0, 4).toByteArray(), QByteArray(70000, '\0'));
        for (int col = 1; col < 5; ++col) EXPECT_TRUE(t->isNull(1, col)) << col;
        EXPECT_FALSE(t->isNull(2, 1));
        EXPECT_EQ(t->text(2, 1), "");
        EXPECT_EQ(t->value(2, 4).toByteArray(), QByteArray());
        EXPECT_FALSE(t->isNull(2, 4));
    }
}

TEST_F(SqliteOdbc, ValueLongerThanDeclaredIsNeverCutShort) {
    // SQLite keeps what it is given whatever the declared size: in a block
    // fetch the value would not fit, and the call fails instead of cutting it.
    con_.Execute("create table corto(v varchar(5), t text)");
    const QString valor = QString(30, u'x') + "ñ€";
    con_.Execute("insert into corto values('" + valor + "', 'x')");
    const ErrorEjecucion e = FalloDe([&] { con_.Query("select v from corto"); });
    bool hayEntrada = false;
    for (const ErrorDatos& d : con_.Errors()) hayEntrada = hayEntrada || (d.SQLState == "01004" && d.Description.contains("'v'"));
    EXPECT_TRUE(hayEntrada);
    EXPECT_EQ(e.Numero, errnum::FalloGeneral);
    // Read row by row, the same value arrives whole.
    auto t = con_.Query("select v, t from corto");
    EXPECT_EQ(t->text(0, 0), valor);
}

TEST_F(SqliteOdbc, CommitAndRollback) {
    con_.Execute("create table mov(id integer, nota varchar(20))");
    OdbcConnection otra;
    otra.Open(cadena());

    con_.BeginTrans();
    con_.Execute("insert into mov values(1, 'deshecho')");
    EXPECT_EQ(cuenta(con_, "mov"), 1);
    con_.RollbackTrans();
    EXPECT_EQ(cuenta(con_, "mov"), 0);
    EXPECT_EQ(cuenta(otra, "mov"), 0);

    con_.BeginTrans();
    con_.Execute("insert into mov values(2, 'hecho')");
    con_.Execute("insert into mov values(3, 'hecho')");
    con_.CommitTrans();
    EXPECT_EQ(cuenta(otra, "mov"), 2);

    // Back in autocommit: every statement is visible at once.
    con_.Execute("insert into mov values(4, 'suelto')");
    EXPECT_EQ(cuenta(otra, "mov"), 3);
}

class SqliteOdbcMuchasFilas : public SqliteOdbc, public ::testing::WithParamInterface<OdbcConnection::Texto> {};

TEST_P(SqliteOdbcMuchasFilas, EveryRowOfALargeResultReadsBackIntact) {
    con_.Execute("create table grande(id integer primary key, nombre varchar(40), precio double, alta datetime, "
                 "activo bit, nota varchar(10))");
    con_.Execute("insert into grande with recursive c(x) as (select 1 union all select x + 1 from c where x < 100000) "
                 "select x, 'fila-' || printf('%06d', x) || '-ñá€', x * 0.25, "
                 "datetime(1600000000 + x * 61, 'unixepoch'), case when x % 7 = 0 then null else x % 2 end, "
                 "case when x % 5 = 0 then null else '' end from c");
    OdbcConnection c;
    c.setTransferenciaTexto(GetParam());
    c.Open(cadena());
    EXPECT_EQ(c.textoEnUtf8(), GetParam() == OdbcConnection::Texto::Utf8);
    auto t = c.Query("select id, nombre, precio, alta, activo, nota from grande order by id");
    ASSERT_EQ(t->rowCount(), 100000);
    const int tipos[] = {adInteger, adVarChar, adDouble, adDBTimeStamp, adBoolean, adVarChar};
    for (int col = 0; col < 6; ++col) EXPECT_EQ(t->column(col).type, tipos[col]) << col;
    for (qsizetype i = 0; i < 100000; ++i) {
        const qint64 x = i + 1;
        ASSERT_EQ(t->value(i, 0).toLongLong(), x) << i;
        ASSERT_EQ(t->text(i, 1), QStringLiteral("fila-%1-ñá€").arg(x, 6, 10, QChar(u'0'))) << i;
        ASSERT_EQ(t->value(i, 2).toDouble(), double(x) * 0.25) << i;
        const QDateTime utc = QDateTime::fromSecsSinceEpoch(1600000000 + x * 61, Qt::UTC);
        const QDateTime alta = t->value(i, 3).toDateTime();
        ASSERT_EQ(alta.date(), utc.date()) << i;
        ASSERT_EQ(alta.time(), utc.time()) << i;
        ASSERT_EQ(t->isNull(i, 4), x % 7 == 0) << i;
        if (x % 7) ASSERT_EQ(t->value(i, 4).toBool(), x % 2 == 1) << i;
        ASSERT_EQ(t->isNull(i, 5), x % 5 == 0) << i;
        ASSERT_EQ(t->text(i, 5), QString()) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Transferencias, SqliteOdbcMuchasFilas,
                         ::testing::Values(OdbcConnection::Texto::Utf8, OdbcConnection::Texto::Utf16),
                         [](const auto& info) {
                             return info.param == OdbcConnection::Texto::Utf8 ? std::string("Utf8")
                                                                               : std::string("Utf16");
                         });

TEST_F(SqliteOdbc, FactoryMakesOdbcConnectionsForRecordsets) {
    UsaConexionesOdbc();
    std::shared_ptr<Connection> c = NuevaConexion();
    ASSERT_NE(dynamic_cast<OdbcConnection*>(c.get()), nullptr);
    c->Open(cadena());
    c->Execute("create table año(Número integer, Nombre varchar(10))");
    c->Execute("insert into año values(5, null)");
    Recordset rs;
    rs.Open("select Número, Nombre from año", *c);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs.Fields("NÚMERO").Value().toInt(), 5);
    EXPECT_EQ(rs.Fields("nombre").Texto(), "");
    EXPECT_TRUE(rs.Fields("nombre").IsNull());
}
