#include "platform/tabladatos.h"

#include <gtest/gtest.h>

using namespace datos;

TEST(TablaDatos, KeepsValuesAndNullsOfEveryKind) {
    TablaDatos t({{"id", adInteger}, {"nombre", adVarWChar}, {"precio", adDouble},
                  {"alta", adDBTimeStamp}, {"activo", adBoolean}});
    t.appendRow({1, QStringLiteral("Año €"), 2.5, QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)), true});
    t.appendRow({QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
    t.appendRow({-7, QString(""), 0.1, QDateTime(QDate(1753, 1, 1), QTime(0, 0)), false});
    ASSERT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.value(0, 0).toInt(), 1);
    EXPECT_EQ(t.text(0, 1), QStringLiteral("Año €"));
    EXPECT_DOUBLE_EQ(t.value(0, 2).toDouble(), 2.5);
    EXPECT_EQ(t.value(0, 3).toDateTime().date(), QDate(2001, 2, 3));
    EXPECT_EQ(t.value(0, 3).toDateTime().time(), QTime(4, 5, 6));
    EXPECT_TRUE(t.value(0, 4).toBool());
    for (int c = 0; c < 5; ++c) {
        EXPECT_TRUE(t.isNull(1, c)) << c;
        EXPECT_FALSE(t.value(1, c).isValid()) << c;
        EXPECT_EQ(t.text(1, c), QString()) << c;
    }
    EXPECT_FALSE(t.isNull(2, 1));
    EXPECT_EQ(t.text(2, 1), QString());
    EXPECT_EQ(t.text(2, 0), QStringLiteral("-7"));
    EXPECT_EQ(t.value(2, 3).toDateTime().date(), QDate(1753, 1, 1));
    EXPECT_EQ(t.indexOf("NOMBRE"), 1);
    EXPECT_EQ(t.indexOf("falta"), -1);
}

TEST(TablaDatos, NullMarksSurviveManyRows) {
    TablaDatos t({{"n", adInteger}});
    for (int i = 0; i < 1000; ++i) t.appendRow({i % 3 == 0 ? QVariant() : QVariant(i)});
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(t.isNull(i, 0), i % 3 == 0) << i;
        if (i % 3) ASSERT_EQ(t.value(i, 0).toInt(), i);
    }
}

// Values are shown as the server sent them: a wall-clock date and time that
// the local zone skips (the tests run under Europe/Madrid), and floating
// values with the shortest text that reads back as the same value at their
// own precision.
TEST(TablaDatos, ShowsValuesAsTheServerSentThem) {
    if (QDateTime(QDate(2024, 3, 31), QTime(2, 30)).isValid())
        GTEST_SKIP() << "the local zone has no gap on 2024-03-31 (no time zone data?)";
    TablaDatos t({{"alta", adDBTimeStamp}, {"real", adSingle}, {"doble", adDouble}});
    const qint64 hueco = TablaDatos::msDesdeAnoUno(2024, 3, 31, 2, 30, 0, 0);
    const struct {
        qint64 fecha;
        float simple;
        double doble;
        const char* textoSimple;
        const char* textoDoble;
    } filas[] = {
        {hueco, 0.1f, 0.1, "0.1", "0.1"},
        {hueco + 1000, 3.4028235e38f, 1.0 / 3, "3.4028235e+38", "0.3333333333333333"},
        {hueco + 2000, -2.5f, 1e20, "-2.5", "1e+20"},
    };
    for (const auto& f : filas) {
        t.appendDateTime(0, f.fecha);
        t.appendDouble(1, f.simple);
        t.appendDouble(2, f.doble);
        t.finishRow();
    }
    for (int i = 0; i < 3; ++i) {
        const QDateTime v = t.value(i, 0).toDateTime();
        EXPECT_EQ(v.date(), QDate(2024, 3, 31)) << i;
        EXPECT_EQ(v.time(), QTime(2, 30, i)) << i;
        EXPECT_EQ(t.text(i, 0), TextoDeValor(QDateTime(QDate(2024, 3, 31), QTime(2, 30, i), Qt::UTC))) << i;
        EXPECT_TRUE(t.text(i, 0).contains(QStringLiteral("2:30"))) << t.text(i, 0).toStdString();
        EXPECT_EQ(t.text(i, 1), QString::fromLatin1(filas[i].textoSimple)) << i;
        EXPECT_EQ(TextoDeValor(t.value(i, 1)), QString::fromLatin1(filas[i].textoSimple)) << i;
        EXPECT_EQ(t.text(i, 2), QString::fromLatin1(filas[i].textoDoble)) << i;
    }
}
