#include "platform/tabladatos.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

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

namespace {

// The text a date shows, as the platform's own formatting gives it for the
// wall-clock value (midnight: the date alone).
QString textoDeFecha(const QLocale& l, QDate d, QTime t) {
    if (t == QTime(0, 0)) return l.toString(d, QLocale::ShortFormat);
    return l.toString(QDateTime(d, t, Qt::UTC), l.dateTimeFormat(QLocale::ShortFormat));
}

}  // namespace

// The text of every kind of value, exactly: integers of every width, reals
// at their own precision, money, booleans, dates of every type (midnight,
// milliseconds, the hour the local zone skips, the first and last days the
// server has), texts and bytes; and nulls of every type as "".
TEST(TablaDatos, TextsOfEveryTypeAreExact) {
    TablaDatos t({{"entero", adInteger}, {"corto", adSmallInt}, {"byte", adTinyInt}, {"sinsigno", adUnsignedTinyInt},
                  {"grande", adBigInt}, {"real", adSingle}, {"doble", adDouble}, {"dinero", adCurrency},
                  {"logico", adBoolean}, {"marca", adDBTimeStamp}, {"fecha", adDate}, {"dia", adDBDate},
                  {"hora", adDBTime}, {"texto", adVarChar}, {"ntexto", adVarWChar}, {"decimal", adNumeric},
                  {"guid", adGUID}, {"crudo", adVarBinary}});
    const int columnas = t.columnCount();
    struct Fecha {
        QDate d;
        QTime t;
    };
    const Fecha fechas[] = {
        {QDate(2024, 3, 31), QTime(2, 30, 15)},        // skipped by Europe/Madrid
        {QDate(2024, 10, 27), QTime(2, 30)},           // twice in Europe/Madrid
        {QDate(1753, 1, 1), QTime(0, 0)},              // midnight: the date alone
        {QDate(9999, 12, 31), QTime(23, 59, 59, 997)},
        {QDate(2001, 2, 3), QTime(0, 0, 0, 3)},        // not quite midnight
        {QDate(1, 1, 1), QTime(12, 0)},
        {QDate(1999, 12, 5), QTime(13, 7, 9)},
    };
    struct Fila {
        qint64 entero;
        double real, doble, dinero;
        bool logico;
        const char* texto;
        const char* textos[8];  // entero..dinero as shown
    };
    const Fila filas[] = {
        {0, 0.1, 0.1, 12.5, true, "Año € 𝄞", {"0", "0", "0", "0", "0", "0.1", "0.1", "12.5"}},
        {-2147483648LL, 3.4028235e38, 1.0 / 3, -0.0001, false, "", {"-2147483648", "-2147483648", "-2147483648", "-2147483648", "-2147483648", "3.4028235e+38", "0.3333333333333333", "-0.0001"}},
        {255, -2.5, 1e20, 922337203685477.5807, true, "'\"\t;", {"255", "255", "255", "255", "255", "-2.5", "1e+20", "9.223372036854776e+14"}},
        {2147483647, 1e-7, 5e-324, 100, false, "x", {"2147483647", "2147483647", "2147483647", "2147483647", "2147483647", "1e-07", "5e-324", "100"}},
        {32767, 16777216, 123456789.125, 0, true, "ok", {"32767", "32767", "32767", "32767", "32767", "1.6777216e+07", "1.23456789125e+08", "0"}},
        {-1, 1.5e-45, -1.7976931348623157e308, -1, true, "ü", {"-1", "-1", "-1", "-1", "-1", "1e-45", "-1.7976931348623157e+308", "-1"}},
        {42, 100, 0.30000000000000004, 1.1, false, "fin", {"42", "42", "42", "42", "42", "100", "0.30000000000000004", "1.1"}},
    };
    const int n = int(std::size(filas));
    static_assert(std::size(filas) == std::size(fechas));
    for (int i = 0; i < n; ++i) {
        const Fila& f = filas[i];
        for (int c = 0; c < 5; ++c) t.appendInt(c, f.entero);
        t.appendDouble(5, f.real);
        t.appendDouble(6, f.doble);
        t.appendDouble(7, f.dinero);
        t.appendBool(8, f.logico);
        for (int c = 9; c < 13; ++c) t.appendDateTime(c, QDateTime(fechas[i].d, fechas[i].t, Qt::UTC));
        t.appendUtf8(13, f.texto, qsizetype(std::strlen(f.texto)));
        t.appendText(14, QString::fromUtf8(f.texto));
        t.appendText(15, QStringLiteral("-12.%1").arg(i));
        t.appendText(16, QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964F%1}").arg(i));
        const QByteArray crudo = i == 0 ? QByteArray() : QByteArray("\x00\xff\x10", 3).repeated(i);
        t.appendBytes(17, crudo.constData(), crudo.size());
        t.finishRow();
    }
    for (int c = 0; c < columnas; ++c) t.appendNull(c);
    t.finishRow();

    const QLocale local = QLocale::system();
    for (int i = 0; i < n; ++i) {
        const Fila& f = filas[i];
        for (int c = 0; c < 8; ++c) EXPECT_EQ(t.text(i, c), QString::fromLatin1(f.textos[c])) << i << " " << c;
        EXPECT_EQ(t.text(i, 8), f.logico ? QStringLiteral("True") : QStringLiteral("False")) << i;
        for (int c = 9; c < 13; ++c)
            EXPECT_EQ(t.text(i, c), textoDeFecha(local, fechas[i].d, fechas[i].t)) << i << " " << c;
        EXPECT_EQ(t.text(i, 13), QString::fromUtf8(f.texto)) << i;
        EXPECT_EQ(t.text(i, 14), QString::fromUtf8(f.texto)) << i;
        EXPECT_EQ(t.text(i, 15), QStringLiteral("-12.%1").arg(i)) << i;
        EXPECT_EQ(t.text(i, 16), QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964F%1}").arg(i)) << i;
        EXPECT_EQ(t.text(i, 17), QStringLiteral("0x") + QStringLiteral("00FF10").repeated(i)) << i;
        // Each text is the value's own, as the variant of the value shows it.
        for (int c = 0; c < columnas; ++c) EXPECT_EQ(t.text(i, c), TextoDeValor(t.value(i, c))) << i << " " << c;
    }
    for (int c = 0; c < columnas; ++c) EXPECT_EQ(t.text(n, c), QString()) << c;

    // The formats where the tests can see them: under the C locale the
    // platform's short formats are fixed.
    if (local.name() == QStringLiteral("C")) {
        EXPECT_EQ(t.text(0, 9), QStringLiteral("31 Mar 2024 02:30:15"));
        EXPECT_EQ(t.text(2, 9), QStringLiteral("1 Jan 1753"));
        EXPECT_EQ(t.text(6, 9), QStringLiteral("5 Dec 1999 13:07:09"));
    }
}

// Dates written without QLocale read as QLocale writes them, in locales of
// every kind of short format: day or month first, two- and four-digit years,
// 12- and 24-hour clocks with the mark before or after, names of months,
// quoted text, and digits other than 0-9 (which go through QLocale).
TEST(TablaDatos, DateTextsAreTheLocalesOwnInEveryLocale) {
    const char* locales[] = {"C",     "en_US", "en_GB", "es_ES", "de_DE", "fr_FR", "it_IT", "pt_BR", "nl_NL",
                             "ru_RU", "pl_PL", "cs_CZ", "fi_FI", "hu_HU", "bg_BG", "ja_JP", "zh_CN", "zh_TW",
                             "ko_KR", "ar_EG", "fa_IR", "hi_IN", "th_TH", "he_IL", "el_GR", "tr_TR", "sv_SE",
                             "ca_ES", "eu_ES", "gl_ES", "es_MX", "en_AU", "en_CA", "fr_CA", "de_CH", "lt_LT"};
    const QDate dias[] = {QDate(1, 1, 1),     QDate(9, 9, 9),      QDate(99, 12, 31),   QDate(1753, 1, 1),
                          QDate(1900, 2, 28), QDate(2000, 2, 29),  QDate(2024, 3, 31),  QDate(2024, 10, 27),
                          QDate(2025, 7, 4),  QDate(2026, 11, 15), QDate(9999, 12, 31)};
    const QTime horas[] = {QTime(0, 0),        QTime(0, 0, 0, 1), QTime(0, 5, 7),    QTime(2, 30),
                           QTime(11, 59, 59),  QTime(12, 0),      QTime(12, 30, 1),  QTime(13, 7, 9),
                           QTime(23, 59, 59, 997)};
    int directos = 0;
    for (const char* nombre : locales) {
        const QLocale l{QString::fromLatin1(nombre)};
        const FormatoFecha f(l);
        directos += f.directo();
        for (const QDate& d : dias)
            for (const QTime& h : horas)
                ASSERT_EQ(f.texto(TablaDatos::msDesdeAnoUno(QDateTime(d, h, Qt::UTC))), textoDeFecha(l, d, h))
                    << nombre << " " << d.toString(Qt::ISODate).toStdString() << " "
                    << h.toString(Qt::ISODateWithMs).toStdString();
    }
    for (const char* nombre : {"C", "en_US", "es_ES", "de_DE", "fr_FR", "ja_JP"})
        EXPECT_TRUE(FormatoFecha(QLocale(QString::fromLatin1(nombre))).directo()) << nombre;
    EXPECT_GE(directos, 20);
    // The names of every month and day of the week.
    const FormatoFecha c{QLocale::c()};
    for (int i = 0; i < 400; ++i) {
        const QDate d = QDate(2023, 1, 1).addDays(i);
        EXPECT_EQ(c.texto(TablaDatos::msDesdeAnoUno(QDateTime(d, QTime(9, 1), Qt::UTC))),
                  textoDeFecha(QLocale::c(), d, QTime(9, 1)));
    }
}

// Patterns with every piece the writer knows (names of days and months, both
// clocks and marks, quoted text with quotes in it, runs longer than a piece)
// and some it leaves to QLocale (milliseconds, a zone), in a few locales.
TEST(TablaDatos, DatePatternsOfEveryPieceAreTheLocalesOwn) {
    const struct {
        const char* fecha;
        const char* fechaHora;
        bool directo;
    } patrones[] = {
        {"dddd d 'de' MMMM 'de' yyyy", "ddd, d MMM yy h:m:s ap", true},
        {"yy/M/d", "yyyyy-MM-dd HH:mm:ss A", true},
        {"'It''s' d.M.yyyy ''", "dd.MM.yyyy hh:mm a 'o''clock'", true},
        {"MMMMM ddddd y yyy", "H:mm:ss AP t", false},
        {"d/M/yyyy", "d/M/yyyy h:mm:ss.zzz", false},
    };
    const QDate dias[] = {QDate(1, 1, 1), QDate(1753, 1, 1), QDate(2024, 2, 29), QDate(2024, 3, 31),
                          QDate(2024, 3, 4), QDate(2024, 3, 5), QDate(2024, 3, 6), QDate(2024, 3, 7),
                          QDate(2024, 3, 8), QDate(2024, 3, 9), QDate(2024, 3, 10), QDate(9999, 12, 31)};
    const QTime horas[] = {QTime(0, 0), QTime(0, 0, 1), QTime(1, 2, 3, 4), QTime(11, 59, 59), QTime(12, 0),
                           QTime(12, 5), QTime(23, 59, 59, 999)};
    for (const char* nombre : {"C", "es_ES", "en_US", "de_DE", "ja_JP"}) {
        const QLocale l{QString::fromLatin1(nombre)};
        for (const auto& p : patrones) {
            const QString pf = QString::fromUtf8(p.fecha), pfh = QString::fromUtf8(p.fechaHora);
            const FormatoFecha f(l, pf, pfh);
            EXPECT_EQ(f.directo(), p.directo) << p.fecha << " / " << p.fechaHora;
            for (const QDate& d : dias) {
                for (const QTime& h : horas) {
                    const QString esperado =
                        h == QTime(0, 0) ? l.toString(d, pf) : l.toString(QDateTime(d, h, Qt::UTC), pfh);
                    ASSERT_EQ(f.texto(TablaDatos::msDesdeAnoUno(QDateTime(d, h, Qt::UTC))), esperado)
                        << nombre << " " << p.fechaHora << " " << d.toString(Qt::ISODate).toStdString() << " "
                        << h.toString(Qt::ISODateWithMs).toStdString();
                }
            }
        }
    }
}
