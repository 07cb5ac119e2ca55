#pragma once
// A compact, column-oriented store of a result's rows: numbers, dates and
// booleans as 8-byte values, texts and bytes in one UTF-8 pool per column
// with offsets, and a null mark per cell. Built row by row (each row appends
// one value to every column, in column order), then read-only.

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
    Almacen almacen(int col) const { return columnas_[col].almacen; }

    // Building: one call per column, in column order, for each row.
    void reserve(qsizetype filas);
    void appendNull(int col);
    void appendInt(int col, qint64 v);
    void appendDouble(int col, double v);
    void appendBool(int col, bool v);
    // Date and time without a zone, as milliseconds from 0001-01-01 00:00.
    void appendDateTime(int col, qint64 msDesdeAnoUno);
    void appendDateTime(int col, const QDateTime& v);
    void appendUtf8(int col, const char* datos, qsizetype n);
    void appendText(int col, QStringView v);
    void appendBytes(int col, const char* datos, qsizetype n);
    // Any value; converted to the column's store.
    void appendVariant(int col, const QVariant& v);
    void appendRow(const QList<QVariant>& valores);
    // Closes the row that the last calls filled.
    void finishRow() { ++filas_; }

    // Bytes held by the stored values (without the fixed object overhead).
    qsizetype memoryUsed() const;

    static qint64 msDesdeAnoUno(const QDateTime& v);
    static QDateTime fechaDesdeMs(qint64 ms);

private:
    struct Columna {
        ColumnInfo info;
        Almacen almacen;
        std::vector<qint64> enteros;      // Entero, Logico, FechaHora: the value; Texto, Bytes: end offset
        std::vector<double> reales;       // Real
        QByteArray pool;                  // Texto (UTF-8), Bytes
        std::vector<quint64> nulos;       // one bit per row
    };
    void marcaNulo(Columna& c, bool nulo);
    QByteArrayView bytesDe(const Columna& c, qsizetype row) const;
    const Columna& col(int c) const;

    std::vector<Columna> columnas_;
    qsizetype filas_ = 0;
};

}  // namespace datos
