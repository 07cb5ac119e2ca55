// The column store as the ODBC layer fills it: a block of values per column
// at a time, past the store's own block boundaries, mixed with row-by-row
// appends, and compact once built.
#include "platform/odbc.h"
#include "platform/tabladatos.h"

#include "tdsserver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace datos;

namespace {

QString textoDeFila(qsizetype i) {
    // Lengths vary from 0 to 12 characters, with two- and three-byte characters.
    return QString(int(i % 13), QChar(i % 2 ? u'ñ' : u'€')) + QString::number(i);
}

}  // namespace

TEST(TablaDatosBloques, BlocksAcrossStoreBoundariesReadBackIntact) {
    TablaDatos t({{"id", adInteger}, {"precio", adDouble}, {"alta", adDBTimeStamp}, {"nombre", adVarChar},
                  {"activo", adBoolean}, {"crudo", adVarBinary}});
    const qsizetype total = 200003;  // more than three blocks of the store, and a ragged end
    const qsizetype bloque = 1000;
    const qint64 base = TablaDatos::msDesdeAnoUno(QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    std::vector<qint64> ids, ind, ms, largos, largosBytes;
    std::vector<double> precios;
    std::vector<char> textos, bytes;
    for (qsizetype inicio = 0; inicio < total; inicio += bloque) {
        const qsizetype n = std::min(bloque, total - inicio);
        const qsizetype ancho = 64;
        ids.assign(size_t(n), 0);
        ind.assign(size_t(n), 0);
        ms.assign(size_t(n), 0);
        precios.assign(size_t(n), 0);
        largos.assign(size_t(n), 0);
        largosBytes.assign(size_t(n), 0);
        textos.assign(size_t(n * ancho), 0);
        bytes.assign(size_t(n * 4), 0);
        for (qsizetype k = 0; k < n; ++k) {
            const qsizetype i = inicio + k;
            ids[size_t(k)] = i;
            ind[size_t(k)] = i % 7 == 0 ? -1 : 8;
            ms[size_t(k)] = base + i * 1001;
            precios[size_t(k)] = double(i) / 4;
            const QByteArray u = textoDeFila(i).toUtf8();
            std::copy(u.begin(), u.end(), textos.begin() + k * ancho);
            largos[size_t(k)] = i % 11 == 0 ? -1 : u.size();
            const quint32 b = quint32(i);
            std::memcpy(bytes.data() + k * 4, &b, 4);
            largosBytes[size_t(k)] = 4;
        }
        t.appendInts(0, ids.data(), ind.data(), n);
        t.appendDoubles(1, precios.data(), ind.data(), n);
        t.appendDateTimes(2, ms.data(), nullptr, n);
        t.appendUtf8s(3, textos.data(), ancho, largos.data(), n);
        t.appendInts(4, ids.data(), nullptr, n);  // any non-zero value is true
        t.appendUtf8s(5, bytes.data(), 4, largosBytes.data(), n);
        t.finishRows(n);
    }
    t.compacta();
    ASSERT_EQ(t.rowCount(), total);
    for (qsizetype i = 0; i < total; ++i) {
        const bool nulo = i % 7 == 0;
        ASSERT_EQ(t.isNull(i, 0), nulo) << i;
        ASSERT_EQ(t.isNull(i, 1), nulo) << i;
        if (!nulo) {
            ASSERT_EQ(t.value(i, 0).toLongLong(), i) << i;
            ASSERT_EQ(t.value(i, 1).toDouble(), double(i) / 4) << i;
        }
        ASSERT_FALSE(t.isNull(i, 2));
        ASSERT_EQ(TablaDatos::msDesdeAnoUno(t.value(i, 2).toDateTime()), base + i * 1001) << i;
        ASSERT_EQ(t.isNull(i, 3), i % 11 == 0) << i;
        ASSERT_EQ(t.text(i, 3), i % 11 == 0 ? QString() : textoDeFila(i)) << i;
        ASSERT_EQ(t.value(i, 4).toBool(), i != 0) << i;
        const QByteArray b = t.value(i, 5).toByteArray();
        ASSERT_EQ(b.size(), 4);
        quint32 leido = 0;
        std::memcpy(&leido, b.constData(), 4);
        ASSERT_EQ(leido, quint32(i));
    }
}

TEST(TablaDatosBloques, RowAndBlockAppendsMix) {
    TablaDatos t({{"n", adInteger}, {"s", adVarWChar}});
    t.appendRow({1, QStringLiteral("uno")});
    const qint64 v[] = {2, 3};
    const qint64 nulos[] = {0, -1};
    t.appendInts(0, v, nulos, 2);
    const char16_t texto[] = u"dos\0tres";
    const qint64 largos[] = {3, 4};
    t.appendUtf16s(1, texto, 4, largos, 2);
    t.finishRows(2);
    t.appendRow({4, QVariant()});
    ASSERT_EQ(t.rowCount(), 4);
    EXPECT_EQ(t.value(1, 0).toInt(), 2);
    EXPECT_TRUE(t.isNull(2, 0));
    EXPECT_EQ(t.text(2, 1), "tres");
    EXPECT_EQ(t.value(3, 0).toInt(), 4);
    EXPECT_TRUE(t.isNull(3, 1));
    EXPECT_EQ(t.text(0, 1), "uno");
}

TEST(TablaDatosBloques, Utf16TextBecomesExactUtf8) {
    TablaDatos t({{"s", adVarWChar}});
    const QString astral = QString::fromUtf8("a😀b€ñ");  // a surrogate pair, three- and two-byte characters
    t.appendText(0, astral);
    t.finishRow();
    // A lone surrogate cannot be UTF-8: it becomes U+FFFD, as Qt converts it.
    const char16_t solo[] = {u'x', char16_t(0xD800), u'y'};
    t.appendUtf16(0, solo, 3);
    t.finishRow();
    EXPECT_EQ(t.text(0, 0), astral);
    EXPECT_EQ(t.text(1, 0), QString::fromUtf8("x\xEF\xBF\xBDy"));
}

TEST(TablaDatosBloques, CompactStoreHoldsLittleBeyondItsValues) {
    TablaDatos t({{"id", adInteger}, {"nombre", adVarChar}});
    const qsizetype total = 150000;
    std::vector<qint64> ids(static_cast<size_t>(total)), largos(static_cast<size_t>(total));
    std::vector<char> textos(static_cast<size_t>(total) * 40);
    qsizetype bytesTexto = 0;
    for (qsizetype i = 0; i < total; ++i) {
        ids[size_t(i)] = i;
        largos[size_t(i)] = 20 + i % 21;
        bytesTexto += largos[size_t(i)];
        std::fill_n(textos.begin() + i * 40, largos[size_t(i)], char('a' + i % 26));
    }
    // In uneven blocks, as fetches deliver them.
    for (qsizetype inicio = 0; inicio < total;) {
        const qsizetype n = std::min<qsizetype>(777, total - inicio);
        t.appendInts(0, ids.data() + inicio, nullptr, n);
        t.appendUtf8s(1, textos.data() + inicio * 40, 40, largos.data() + inicio, n);
        t.finishRows(n);
        inicio += n;
    }
    t.compacta();
    const qsizetype minimo = total * 8 * 2 + bytesTexto + 2 * (total / 8);
    EXPECT_GE(t.memoryUsed(), minimo);
    EXPECT_LE(t.memoryUsed(), minimo + minimo / 50) << "more than 2% beyond the values";
    EXPECT_EQ(t.text(total - 1, 1), QString(int(largos.back()), QChar(char16_t(u'a' + (total - 1) % 26))));
}

TEST(TablaDatosBloques, ReserveIsOnlyAHint) {
    TablaDatos t({{"n", adBigInt}, {"s", adVarChar}});
    t.reserve(10);
    for (qint64 i = 0; i < 70000; ++i) t.appendRow({i * 3, QString::number(i)});
    ASSERT_EQ(t.rowCount(), 70000);
    EXPECT_EQ(t.value(69999, 0).toLongLong(), 69999 * 3);
    EXPECT_EQ(t.text(65536, 1), "65536");
    EXPECT_EQ(t.text(0, 1), "0");
}

TEST(TablaDatosBloques, DateArithmeticAgreesWithQDateTime) {
    const QDateTime fechas[] = {
        QDateTime(QDate(1, 1, 1), QTime(0, 0)),           QDateTime(QDate(1752, 12, 31), QTime(23, 59, 59, 999)),
        QDateTime(QDate(1753, 1, 1), QTime(0, 0)),        QDateTime(QDate(1899, 12, 30), QTime(12, 0)),
        QDateTime(QDate(1900, 2, 28), QTime(1, 2, 3, 4)), QDateTime(QDate(1900, 3, 1), QTime(0, 0)),
        QDateTime(QDate(2000, 2, 29), QTime(6, 7, 8, 9)), QDateTime(QDate(2024, 12, 31), QTime(23, 0)),
        QDateTime(QDate(2100, 3, 1), QTime(0, 0, 1)),     QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 997)),
    };
    for (const QDateTime& f : fechas) {
        const QDate d = f.date();
        const QTime h = f.time();
        EXPECT_EQ(TablaDatos::msDesdeAnoUno(d.year(), d.month(), d.day(), h.hour(), h.minute(), h.second(), h.msec()),
                  TablaDatos::msDesdeAnoUno(f))
            << f.toString(Qt::ISODateWithMs).toStdString();
    }
}

// Blocks of every awkward size (one value, a 64-value word less one, a word,
// a word and one, more than a block of the store), starting off the start of
// a null word, with nulls alone, in runs that cover whole words, and none at
// all (no indicator array): the store built a block at a time holds exactly
// what the same values appended one by one give.
TEST(TablaDatosBloques, BlockAppendsEqualValueByValueAppends) {
    const QList<ColumnInfo> columnas = {{"id", adInteger}, {"activo", adBoolean}, {"precio", adDouble},
                                        {"alta", adDBTimeStamp}, {"nombre", adVarChar}, {"nnombre", adVarWChar},
                                        {"crudo", adVarBinary}, {"comotexto", adVarChar}};
    TablaDatos bloques(columnas), uno(columnas);
    // A few rows first, so that the blocks start inside a null word.
    for (int i = 0; i < 5; ++i) {
        const QList<QVariant> fila = {i, i % 2 == 0, i * 0.5, QDateTime(QDate(2000, 1, 1 + i), QTime(1, 2), Qt::UTC),
                                      QStringLiteral("r%1").arg(i), QStringLiteral("ñ%1").arg(i),
                                      QByteArray(i, 'b'), i};
        bloques.appendRow(fila);
        uno.appendRow(fila);
    }
    const qsizetype tamanos[] = {1, 63, 64, 65, 1, 127, 128, 1000, 65536, 70001, 3, 64};
    // Which values are null, by the index of the run.
    auto esNulo = [](int tramo, qsizetype k) {
        switch (tramo % 4) {
        case 0: return false;                        // no nulls: no indicator array
        case 1: return k % 5 == 0 || k % 64 == 63;   // scattered, the last of each word
        case 2: return (k / 64) % 2 == 0;            // whole words null, whole words not
        default: return true;                        // every one
        }
    };
    qint64 siguiente = 5;
    int tramo = 0;
    const qsizetype ancho = 64;  // the longest text is 42 bytes
    for (qsizetype n : tamanos) {
        std::vector<qint64> ids(static_cast<size_t>(n)), ind(static_cast<size_t>(n)), ms(static_cast<size_t>(n)),
            largos(static_cast<size_t>(n)), largos16(static_cast<size_t>(n));
        std::vector<double> precios(static_cast<size_t>(n));
        std::vector<char> textos(size_t(n * ancho), 0);
        std::vector<char16_t> textos16(size_t(n * ancho), 0);
        const bool sinIndicador = tramo % 4 == 0;
        for (qsizetype k = 0; k < n; ++k) {
            const qint64 i = siguiente + k;
            const bool nulo = esNulo(tramo, k);
            ids[size_t(k)] = i * 3 - 1000;
            ind[size_t(k)] = nulo ? -1 : 8;
            precios[size_t(k)] = double(i) / 8;
            ms[size_t(k)] = TablaDatos::msDesdeAnoUno(2010, 1, 1, 0, 0, 0, 0) + i * 997;
            const QByteArray u = textoDeFila(i).toUtf8();
            std::copy(u.begin(), u.end(), textos.begin() + k * ancho);
            largos[size_t(k)] = nulo ? -1 : u.size();
            const QString s = textoDeFila(i);
            std::copy(s.utf16(), s.utf16() + s.size(), textos16.begin() + k * ancho);
            largos16[size_t(k)] = nulo ? -1 : s.size();

            uno.appendVariant(0, nulo ? QVariant() : QVariant(ids[size_t(k)]));
            uno.appendVariant(1, nulo ? QVariant() : QVariant(ids[size_t(k)] != 0));
            uno.appendVariant(2, nulo ? QVariant() : QVariant(precios[size_t(k)]));
            if (nulo) uno.appendNull(3);
            else uno.appendDateTime(3, ms[size_t(k)]);
            uno.appendVariant(4, nulo ? QVariant() : QVariant(s));
            uno.appendVariant(5, nulo ? QVariant() : QVariant(s));
            if (nulo) uno.appendNull(6);
            else uno.appendBytes(6, u.constData(), u.size());
            uno.appendVariant(7, nulo ? QVariant() : QVariant(ids[size_t(k)]));
            uno.finishRow();
        }
        const qint64* indicador = sinIndicador ? nullptr : ind.data();
        bloques.appendInts(0, ids.data(), indicador, n);
        bloques.appendInts(1, ids.data(), indicador, n);
        bloques.appendDoubles(2, precios.data(), indicador, n);
        bloques.appendDateTimes(3, ms.data(), indicador, n);
        bloques.appendUtf8s(4, textos.data(), ancho, largos.data(), n);
        bloques.appendUtf16s(5, textos16.data(), ancho, largos16.data(), n);
        bloques.appendUtf8s(6, textos.data(), ancho, largos.data(), n);
        bloques.appendInts(7, ids.data(), indicador, n);  // converted: a text column
        bloques.finishRows(n);
        siguiente += n;
        ++tramo;
    }
    bloques.compacta();
    ASSERT_EQ(bloques.rowCount(), uno.rowCount());
    ASSERT_EQ(bloques.rowCount(), siguiente);
    for (qsizetype i = 0; i < uno.rowCount(); ++i) {
        for (int c = 0; c < uno.columnCount(); ++c) {
            ASSERT_EQ(bloques.isNull(i, c), uno.isNull(i, c)) << i << " " << c;
            ASSERT_EQ(bloques.value(i, c), uno.value(i, c)) << i << " " << c;
            ASSERT_EQ(bloques.text(i, c), uno.text(i, c)) << i << " " << c;
        }
    }
    // Not everything came out null, nor nothing.
    EXPECT_TRUE(bloques.isNull(5 + 1 + 63, 0));
    EXPECT_FALSE(bloques.isNull(5, 0));
}

namespace {

// The rows the scripted server makes for the block fetch tests: nulls in
// every column at different strides, so that they fall on every place of a
// fetch block and of a null word.
void filaGrande(std::size_t i, tdstest::Row& fila) {
    const bool nulo = i % 7 == 3;
    fila = {static_cast<long long>(i),
            i % 5 == 1 ? tdstest::Value() : tdstest::Value("n" + std::to_string(i * 31)),
            i % 11 == 2 ? tdstest::Value() : tdstest::Value(double(i) / 8),
            nulo ? tdstest::Value() : tdstest::Value("2001-02-03 04:05:06.000")};
}

class BloquesFreeTds : public ::testing::Test {
protected:
    void SetUp() override {
        antes_ = qgetenv("TOLVEK_ODBC_DRIVER");
        habia_ = qEnvironmentVariableIsSet("TOLVEK_ODBC_DRIVER");
        qunsetenv("TOLVEK_ODBC_DRIVER");
        server_.acceptLogin("sa", "Secret#1");
        server_.start();
    }
    void TearDown() override {
        server_.stop();
        if (habia_) qputenv("TOLVEK_ODBC_DRIVER", antes_);
    }
    QString cadena() const {
        return QStringLiteral("Provider=SQLOLEDB.1;Data Source=127.0.0.1,%1;Initial Catalog=master;User Id=sa;"
                              "Password=Secret#1;")
            .arg(server_.port());
    }
    static tdstest::ResultSet grande(std::size_t filas, bool unaVez) {
        tdstest::ResultSet r;
        r.columns = {{"id", tdstest::Type::Int, 0, 18, 0, false},
                     {"nombre", tdstest::Type::VarChar, 30},
                     {"precio", tdstest::Type::Float},
                     {"alta", tdstest::Type::DateTime}};
        r.generatedRows = filas;
        r.generator = filaGrande;
        r.encodeOnce = unaVez;
        return r;
    }
    tdstest::TdsServer server_;
    QByteArray antes_;
    bool habia_ = false;
};

void compruebaFilas(const ResultSet& t, qsizetype filas) {
    ASSERT_EQ(t.rowCount(), filas);
    const qint64 alta = TablaDatos::msDesdeAnoUno(2001, 2, 3, 4, 5, 6, 0);
    for (qsizetype i = 0; i < filas; ++i) {
        ASSERT_EQ(t.value(i, 0).toLongLong(), i);
        ASSERT_EQ(t.isNull(i, 1), i % 5 == 1) << i;
        if (i % 5 != 1) ASSERT_EQ(t.text(i, 1), QStringLiteral("n%1").arg(i * 31)) << i;
        ASSERT_EQ(t.isNull(i, 2), i % 11 == 2) << i;
        if (i % 11 != 2) ASSERT_EQ(t.value(i, 2).toDouble(), double(i) / 8) << i;
        ASSERT_EQ(t.isNull(i, 3), i % 7 == 3) << i;
        if (i % 7 != 3) ASSERT_EQ(TablaDatos::msDesdeAnoUno(t.value(i, 3).toDateTime()), alta) << i;
    }
}

}  // namespace

// Many fetch blocks through the driver, appended while the next is fetched:
// every value and null in place, past the store's own block boundary; and
// the same again when the server sends the rows it encoded once.
TEST_F(BloquesFreeTds, ManyBlocksArriveIntact) {
    const qsizetype filas = 150001;
    server_.on("select * from grande", tdstest::Reply::rows(grande(std::size_t(filas), false)));
    server_.on("select * from una", tdstest::Reply::rows(grande(std::size_t(filas), true)));
    OdbcConnection c;
    c.Open(cadena());
    compruebaFilas(*c.Query("select * from grande"), filas);
    for (int vez = 0; vez < 2; ++vez) {
        SCOPED_TRACE(vez);
        compruebaFilas(*c.Query("select * from una"), filas);
    }
    // The connection goes on working.
    server_.on("select 2", tdstest::Reply::rows({{"n", tdstest::Type::Int}}, {{2}}));
    EXPECT_EQ(c.Query("select 2")->text(0, 0), QStringLiteral("2"));
}

// An error after many blocks fails the query, with the server's number and
// text, whatever blocks were being appended meanwhile.
TEST_F(BloquesFreeTds, AnErrorAfterManyBlocksFailsTheQuery) {
    server_.on("select * from grande", tdstest::Reply::rows(grande(50000, false))
                                            .errorAfterRow(45000, 8134, "Divide by zero error encountered."));
    OdbcConnection c;
    c.Open(cadena());
    try {
        c.Query("select * from grande");
        FAIL() << "no error";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero, 8134);
        EXPECT_TRUE(e.Descripcion.contains(QStringLiteral("Divide by zero"))) << e.Descripcion.toStdString();
    }
    server_.on("select 2", tdstest::Reply::rows({{"n", tdstest::Type::Int}}, {{2}}));
    EXPECT_EQ(c.Query("select 2")->text(0, 0), QStringLiteral("2"));
}
