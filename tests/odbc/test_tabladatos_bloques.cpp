// The column store as the ODBC layer fills it: a block of values per column
// at a time, past the store's own block boundaries, mixed with row-by-row
// appends, and compact once built.
#include "platform/tabladatos.h"

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
