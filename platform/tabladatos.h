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

#include <vector>

namespace datos {

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
    static qint64 msDesdeAnoUno(int ano, int mes, int dia, int hora, int minuto, int segundo, int ms);

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
        std::vector<std::vector<qint64>> bloques;
        std::vector<std::vector<char>> pools;  // Texto (UTF-8), Bytes: one per block
        std::vector<quint64> nulos;            // one bit per value
        qsizetype n = 0;                       // values appended
    };

    // Opens a new block when the next value starts one; the slots where the
    // next value goes.
    std::vector<qint64>& bloqueSiguiente(Columna& c);
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
