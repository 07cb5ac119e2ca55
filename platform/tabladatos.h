#pragma once
// A compact, column-oriented store of a result's rows: numbers, dates and
// booleans as 8-byte values, texts and bytes in UTF-8 pools with offsets, and
// a null mark per cell. Built row by row (each row appends one value to every
// column, in column order) or block by block (each call appends a run of
// values to one column, as a block fetch delivers them), then read-only.
//
// Values live in blocks of a fixed number of rows, so that the store grows
// without copying what it already holds and without leaving much room unused:
// only the block being filled has spare room, and compacta() gives it back.

#include "platform/datos.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>

#include <memory>
#include <new>
#include <vector>

namespace datos {

// The text of a wall-clock date and time as the program shows it (the
// locale's short date and time format; midnight shows the date alone),
// exactly as QLocale writes it, without a time zone, a QDateTime or a look-up
// of the locale for each value: the locale's patterns are read once. Patterns
// with numbers, names of months and days, literals and the AM/PM mark are
// written directly (names and marks as QLocale gives them, read once); any
// other pattern (a zone, milliseconds, digits other than 0-9) goes through
// QLocale with the patterns kept.
class FormatoFecha {
public:
    explicit FormatoFecha(const QLocale& local);
    // With patterns of one's own: for the date alone (midnight) and for the
    // date and time.
    FormatoFecha(const QLocale& local, const QString& patronFecha, const QString& patronFechaHora);
    QString texto(qint64 msDesdeAnoUno) const;
    // Whether the locale's patterns are written directly.
    bool directo() const { return fecha_.directo && fechaHora_.directo; }
    // The one for the system's locale, made on first use.
    static const FormatoFecha& delSistema();

private:
    struct Pieza {
        enum Tipo : quint8 { Literal, Dia, Mes, NombreDia, NombreMes, Ano, Hora12, Hora24, Minuto, Segundo, AmPm } tipo;
        quint8 digitos;  // 1: as it stands, 2 or 4: padded with zeros (Ano: 2 is the last two)
        QString literal;  // AmPm: the mark before noon
        QString pm;       // AmPm: the mark from noon on
    };
    struct Patron {
        QString texto;
        std::vector<Pieza> piezas;
        qsizetype largo = 0;  // the longest text the pieces can make
        bool directo = false;
    };
    Patron lee(const QString& patron) const;
    QString escribe(const Patron& p, qint64 dias, qint64 msDia) const;

    QLocale local_;
    QString nombresMes_[2][12];  // "MMM", "MMMM"
    QString nombresDia_[2][7];   // "ddd", "dddd", from Monday
    Patron fecha_, fechaHora_;
};

// Storage for the store's blocks that a resize leaves as it is, instead of
// zeroing what is about to be written over.
template <typename T>
struct SinIniciar : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = SinIniciar<U>;
    };
    SinIniciar() = default;
    template <typename U>
    SinIniciar(const SinIniciar<U>&) noexcept {}
    template <typename U, typename... A>
    void construct(U* p, A&&... a) {
        if constexpr (sizeof...(A) == 0) ::new (static_cast<void*>(p)) U;
        else ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
    }
};

class TablaDatos : public ResultSet {
public:
    explicit TablaDatos(QList<ColumnInfo> columnas);

    int columnCount() const override { return int(columnas_.size()); }
    const ColumnInfo& column(int col) const override;
    qsizetype rowCount() const override { return filas_; }
    bool isNull(qsizetype row, int col) const override;
    QVariant value(qsizetype row, int col) const override;
    QString text(qsizetype row, int col) const override;

    // How a column keeps its values, chosen from its type.
    enum class Almacen { Entero, Real, Logico, FechaHora, Texto, Bytes };
    Almacen almacen(int col) const { return columnas_[size_t(col)].almacen; }

    // Building row by row: one call per column, in column order, for each row.
    void reserve(qsizetype filas);
    void appendNull(int col);
    void appendInt(int col, qint64 v);
    void appendDouble(int col, double v);
    void appendBool(int col, bool v);
    // Date and time without a zone, as milliseconds from 0001-01-01 00:00.
    void appendDateTime(int col, qint64 msDesdeAnoUno);
    void appendDateTime(int col, const QDateTime& v);
    void appendUtf8(int col, const char* datos, qsizetype n);
    void appendUtf16(int col, const char16_t* datos, qsizetype n);
    void appendText(int col, QStringView v);
    void appendBytes(int col, const char* datos, qsizetype n);
    // Any value; converted to the column's store.
    void appendVariant(int col, const QVariant& v);
    void appendRow(const QList<QVariant>& valores);
    // Closes the row that the last calls filled.
    void finishRow() { ++filas_; }

    // Building block by block: each call appends n values to one column. An
    // indicator below zero marks a null; a null indicator array means no nulls.
    // Once every column has received the block, finishRows(n) closes its rows.
    void appendInts(int col, const qint64* v, const qint64* indicadores, qsizetype n);
    void appendDoubles(int col, const double* v, const qint64* indicadores, qsizetype n);
    void appendDateTimes(int col, const qint64* msDesdeAnoUno, const qint64* indicadores, qsizetype n);
    // Values laid out at a fixed stride: value i starts at datos + i * paso and
    // has longitudes[i] bytes (UTF-8 text, or raw bytes for a Bytes column);
    // a length below zero marks a null.
    void appendUtf8s(int col, const char* datos, qsizetype paso, const qint64* longitudes, qsizetype n);
    // The same for UTF-16 text: stride and lengths in 16-bit units.
    void appendUtf16s(int col, const char16_t* datos, qsizetype paso, const qint64* longitudes, qsizetype n);
    void finishRows(qsizetype n) { filas_ += n; }

    // Gives back the room reserved beyond the stored values. For a store
    // that is complete; appending afterwards still works.
    void compacta();

    // Bytes held by the stored values (without the fixed object overhead).
    qsizetype memoryUsed() const;

    static qint64 msDesdeAnoUno(const QDateTime& v);
    static QDateTime fechaDesdeMs(qint64 ms);
    // Milliseconds from 0001-01-01 00:00 of a date and time of the proleptic
    // Gregorian calendar, without going through QDateTime.
    static qint64 msDesdeAnoUno(int ano, int mes, int dia, int hora, int minuto, int segundo, int ms) {
        // Days from 0001-01-01 (the usual era-based computation: eras of 400
        // years, 146097 days; the era of year 1 starts at 0000-03-01).
        const qint64 y = qint64(ano) - (mes <= 2);
        const qint64 era = (y >= 0 ? y : y - 399) / 400;
        const unsigned yoe = unsigned(y - era * 400);
        const unsigned m = unsigned(mes);
        const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + unsigned(dia) - 1;
        const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        const qint64 dias = era * 146097 + qint64(doe) - 306;
        return ((dias * 24 + hora) * 60 + minuto) * 60000 + qint64(segundo) * 1000 + ms;
    }

private:
    static constexpr int kBitsBloque = 16;
    static constexpr qsizetype kFilasBloque = qsizetype(1) << kBitsBloque;
    static constexpr qsizetype kMascaraBloque = kFilasBloque - 1;

    struct Columna {
        ColumnInfo info;
        Almacen almacen;
        // One 8-byte slot per value, in blocks of kFilasBloque: the value
        // (Entero, Logico, FechaHora), its bits (Real), or for Texto and
        // Bytes the end of the value in the block's pool.
        std::vector<std::vector<qint64, SinIniciar<qint64>>> bloques;
        std::vector<std::vector<char, SinIniciar<char>>> pools;  // Texto (UTF-8), Bytes: one per block
        std::vector<quint64> nulos;            // one bit per value
        qsizetype n = 0;                       // values appended
    };

    // Opens a new block when the next value starts one; the slots where the
    // next value goes.
    std::vector<qint64, SinIniciar<qint64>>& bloqueSiguiente(Columna& c);
    // Room for k more values in the block being filled (k no more than it
    // has left); the first of them.
    qint64* hueco(Columna& c, qsizetype k);
    // Sets the null marks of the next n values: those whose indicator is
    // below zero (none when indicadores is null). Does not advance c.n.
    static void marcaNulos(Columna& c, const qint64* indicadores, qsizetype n);
    // Appends n values at once: the slot of value i is valor(i) (0 for a null).
    template <typename F>
    void anadeSlots(Columna& c, const qint64* indicadores, qsizetype n, F valor);
    void pushSlot(Columna& c, qint64 slot, bool nulo);
    void pushBytes(Columna& c, const char* datos, qsizetype n);
    void pushUtf16(Columna& c, const char16_t* datos, qsizetype n);
    qint64 slot(const Columna& c, qsizetype row) const {
        return c.bloques[size_t(row >> kBitsBloque)][size_t(row & kMascaraBloque)];
    }
    QByteArrayView bytesDe(const Columna& c, qsizetype row) const;
    const Columna& col(int c) const;

    std::vector<Columna> columnas_;
    qsizetype filas_ = 0;
    qsizetype reserva_ = 0;
};

}  // namespace datos
