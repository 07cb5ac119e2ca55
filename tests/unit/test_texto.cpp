#include "common/texto.h"

#include "platform/errores.h"

#include <gtest/gtest.h>

TEST(Texto, TrimTakesOnlyBlanks) {
    EXPECT_EQ(Trim(QStringLiteral("  ab c  ")), QStringLiteral("ab c"));
    EXPECT_EQ(Trim(QStringLiteral("\tab\r\n")), QStringLiteral("\tab\r\n"));
    EXPECT_EQ(Trim(QStringLiteral("   ")), QString());
    EXPECT_EQ(Trim(QString()), QString());
}

TEST(Texto, ValReadsTheLeadingNumber) {
    EXPECT_EQ(Val(QStringLiteral(" 12abc")), 12);
    EXPECT_EQ(Val(QStringLiteral("abc")), 0);
    EXPECT_EQ(Val(QString()), 0);
    EXPECT_EQ(Val(QStringLiteral("-3.5x")), -3.5);
    EXPECT_EQ(Val(QStringLiteral("1 2 3")), 123);
    EXPECT_EQ(Val(QStringLiteral("1e3")), 1000);
    EXPECT_EQ(Val(QStringLiteral("7e")), 7);
    EXPECT_EQ(Val(QStringLiteral("1.2.3")), 1.2);
}

TEST(Texto, CIntRoundsHalfToEvenAndFailsOnOverflow) {
    EXPECT_EQ(CInt(0.5), 0);
    EXPECT_EQ(CInt(1.5), 2);
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(-1.5), -2);
    EXPECT_EQ(CInt(32767.0), 32767);
    EXPECT_EQ(CInt(-32768.0), -32768);
    try {
        CInt(32767.5);
        FAIL() << "no overflow";
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero, errnum::Desbordamiento);
    }
    EXPECT_THROW(CInt(-40000.0), ErrorEjecucion);
    EXPECT_THROW(CInt(QStringLiteral("abc")), ErrorEjecucion);
}

TEST(Texto, NamesAreBracketedOnlyWhenNeeded) {
    EXPECT_EQ(NombreSQL(QStringLiteral("Ventas")), QStringLiteral("Ventas"));
    EXPECT_EQ(NombreSQL(QStringLiteral("_t1$#@")), QStringLiteral("_t1$#@"));
    EXPECT_EQ(NombreSQL(QStringLiteral("Año")), QStringLiteral("Año"));
    EXPECT_EQ(NombreSQL(QStringLiteral("#tmp")), QStringLiteral("[#tmp]"));
    EXPECT_EQ(NombreSQL(QStringLiteral("@x")), QStringLiteral("[@x]"));
    EXPECT_EQ(NombreSQL(QStringLiteral("Order Details")), QStringLiteral("[Order Details]"));
    EXPECT_EQ(NombreSQL(QStringLiteral("select")), QStringLiteral("[select]"));
    EXPECT_EQ(NombreSQL(QStringLiteral("Table")), QStringLiteral("[Table]"));
    EXPECT_EQ(NombreSQL(QStringLiteral("1abc")), QStringLiteral("[1abc]"));
    EXPECT_EQ(NombreSQL(QStringLiteral("a]b")), QStringLiteral("[a]]b]"));
    EXPECT_EQ(NombreSQL(QStringLiteral("x];DROP TABLE t--")), QStringLiteral("[x]];DROP TABLE t--]"));
    EXPECT_EQ(NombreSQL(QString()), QStringLiteral("[]"));
}

TEST(Texto, LiteralsDoubleTheirQuotes) {
    EXPECT_EQ(LiteralSQL(QStringLiteral("O'Brien")), QStringLiteral("O''Brien"));
    EXPECT_EQ(LiteralSQL(QStringLiteral("''")), QStringLiteral("''''"));
    EXPECT_EQ(LiteralSQL(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(CadenaSQL(QStringLiteral("O'Brien")), QStringLiteral("'O''Brien'"));
    EXPECT_EQ(CadenaSQL(QString()), QStringLiteral("''"));
    EXPECT_EQ(CadenaSQL(QStringLiteral("Ji\u0159\u00ed'")), QStringLiteral("N'Ji\u0159\u00ed'''"));
    EXPECT_EQ(CadenaSQL(QStringLiteral("\u00a0")), QStringLiteral("N'\u00a0'"));
}

TEST(Texto, OnlyNumbersPassAsNumbers) {
    for (const char* n : {"12", "-3", "+4.5", ".5", "1e10", " 12", "12 ", "0"})
        EXPECT_EQ(NumeroSQL(QString::fromLatin1(n)), QString::fromLatin1(n)) << n;
    for (const char* n : {"", " ", "abc", "1;drop table t", "1 or 1=1", "0x10", "1,5", "--"})
        EXPECT_THROW(NumeroSQL(QString::fromLatin1(n)), ErrorEjecucion) << n;
}
