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
    EXPECT_EQ(t.value(0, 3).toDateTime(), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
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
