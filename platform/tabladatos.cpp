#include "platform/tabladatos.h"

#include <QLocale>
#include <QUuid>

namespace datos {

namespace {

TablaDatos::Almacen almacenDeTipo(int tipo) {
    switch (tipo) {
    case adSmallInt: case adInteger: case adTinyInt: case adUnsignedTinyInt: case adBigInt:
        return TablaDatos::Almacen::Entero;
    case adSingle: case adDouble: case adCurrency:
        return TablaDatos::Almacen::Real;
    case adBoolean:
        return TablaDatos::Almacen::Logico;
    case adDate: case adDBDate: case adDBTime: case adDBTimeStamp:
        return TablaDatos::Almacen::FechaHora;
    case adBinary: case adVarBinary: case adLongVarBinary:
        return TablaDatos::Almacen::Bytes;
    default:
        return TablaDatos::Almacen::Texto;
    }
}

const QDateTime kAnoUno(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);

}  // namespace

int ResultSet::indexOf(const QString& name) const {
    for (int i = 0; i < columnCount(); ++i)
        if (column(i).name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString TextoDeValor(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return QString();
    switch (v.typeId()) {
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float: {
        double d = v.toDouble();
        return QString::number(d, 'g', 15);
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        // Midnight shows the date alone, as the platform's default format does.
        if (dt.time() == QTime(0, 0)) return QLocale::system().toString(dt.date(), QLocale::ShortFormat);
        return QLocale::system().toString(dt, QLocale::ShortFormat);
    }
    case QMetaType::QByteArray: return QString::fromLatin1("0x" + v.toByteArray().toHex().toUpper());
    default: return v.toString();
    }
}

TablaDatos::TablaDatos(QList<ColumnInfo> columnas) {
    columnas_.reserve(columnas.size());
    for (auto& c : columnas) {
        Columna col;
        col.almacen = almacenDeTipo(c.type);
        col.info = std::move(c);
        columnas_.push_back(std::move(col));
    }
}

const TablaDatos::Columna& TablaDatos::col(int c) const {
    if (c < 0 || c >= int(columnas_.size())) FallaNumero(errnum::ElementoNoEncontrado);
    return columnas_[size_t(c)];
}

const ColumnInfo& TablaDatos::column(int c) const { return col(c).info; }

void TablaDatos::reserve(qsizetype filas) {
    for (auto& c : columnas_) {
        if (c.almacen == Almacen::Real) c.reales.reserve(size_t(filas));
        else c.enteros.reserve(size_t(filas));
        c.nulos.reserve(size_t(filas / 64 + 1));
    }
}

void TablaDatos::marcaNulo(Columna& c, bool nulo) {
    const qsizetype fila = filas_;
    if (size_t(fila / 64) >= c.nulos.size()) c.nulos.push_back(0);
    if (nulo) c.nulos[size_t(fila / 64)] |= (quint64(1) << (fila % 64));
}

void TablaDatos::appendNull(int ci) {
    Columna& c = columnas_[size_t(ci)];
    marcaNulo(c, true);
    if (c.almacen == Almacen::Real) c.reales.push_back(0);
    else if (c.almacen == Almacen::Texto || c.almacen == Almacen::Bytes) c.enteros.push_back(c.pool.size());
    else c.enteros.push_back(0);
}

void TablaDatos::appendInt(int ci, qint64 v) {
    Columna& c = columnas_[size_t(ci)];
    switch (c.almacen) {
    case Almacen::Entero: case Almacen::Logico: case Almacen::FechaHora:
        marcaNulo(c, false);
        c.enteros.push_back(c.almacen == Almacen::Logico ? (v != 0) : v);
        break;
    default: appendVariant(ci, QVariant(v));
    }
}

void TablaDatos::appendDouble(int ci, double v) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::Real) {
        marcaNulo(c, false);
        c.reales.push_back(v);
    } else {
        appendVariant(ci, QVariant(v));
    }
}

void TablaDatos::appendBool(int ci, bool v) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::Logico || c.almacen == Almacen::Entero) {
        marcaNulo(c, false);
        c.enteros.push_back(v ? 1 : 0);
    } else {
        appendVariant(ci, QVariant(v));
    }
}

qint64 TablaDatos::msDesdeAnoUno(const QDateTime& v) {
    QDateTime u(v.date(), v.time(), Qt::UTC);
    return kAnoUno.msecsTo(u);
}

QDateTime TablaDatos::fechaDesdeMs(qint64 ms) {
    const QDateTime u = kAnoUno.addMSecs(ms);
    return QDateTime(u.date(), u.time());
}

void TablaDatos::appendDateTime(int ci, qint64 ms) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::FechaHora) {
        marcaNulo(c, false);
        c.enteros.push_back(ms);
    } else {
        appendVariant(ci, QVariant(fechaDesdeMs(ms)));
    }
}

void TablaDatos::appendDateTime(int ci, const QDateTime& v) { appendDateTime(ci, msDesdeAnoUno(v)); }

void TablaDatos::appendUtf8(int ci, const char* datos, qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::Texto || c.almacen == Almacen::Bytes) {
        marcaNulo(c, false);
        c.pool.append(datos, n);
        c.enteros.push_back(c.pool.size());
    } else {
        appendVariant(ci, QVariant(QString::fromUtf8(datos, n)));
    }
}

void TablaDatos::appendText(int ci, QStringView v) {
    const QByteArray u = v.toUtf8();
    appendUtf8(ci, u.constData(), u.size());
}

void TablaDatos::appendBytes(int ci, const char* datos, qsizetype n) { appendUtf8(ci, datos, n); }

void TablaDatos::appendVariant(int ci, const QVariant& v) {
    Columna& c = columnas_[size_t(ci)];
    if (!v.isValid() || v.isNull()) {
        appendNull(ci);
        return;
    }
    switch (c.almacen) {
    case Almacen::Entero: {
        bool ok = false;
        const qint64 n = v.toLongLong(&ok);
        if (!ok) FallaNumero(errnum::TiposNoCoinciden);
        marcaNulo(c, false);
        c.enteros.push_back(n);
        break;
    }
    case Almacen::Logico:
        marcaNulo(c, false);
        c.enteros.push_back(v.toBool() ? 1 : 0);
        break;
    case Almacen::Real: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok) FallaNumero(errnum::TiposNoCoinciden);
        marcaNulo(c, false);
        c.reales.push_back(d);
        break;
    }
    case Almacen::FechaHora: {
        const QDateTime dt = v.toDateTime();
        if (!dt.isValid()) FallaNumero(errnum::TiposNoCoinciden);
        marcaNulo(c, false);
        c.enteros.push_back(msDesdeAnoUno(dt));
        break;
    }
    case Almacen::Bytes: {
        const QByteArray b = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
        marcaNulo(c, false);
        c.pool.append(b);
        c.enteros.push_back(c.pool.size());
        break;
    }
    case Almacen::Texto: {
        const QByteArray u = v.typeId() == QMetaType::QString ? v.toString().toUtf8()
                                                              : TextoDeValor(v).toUtf8();
        marcaNulo(c, false);
        c.pool.append(u);
        c.enteros.push_back(c.pool.size());
        break;
    }
    }
}

void TablaDatos::appendRow(const QList<QVariant>& valores) {
    for (int i = 0; i < columnCount(); ++i)
        appendVariant(i, i < valores.size() ? valores[i] : QVariant());
    finishRow();
}

bool TablaDatos::isNull(qsizetype row, int ci) const {
    const Columna& c = col(ci);
    if (row < 0 || row >= filas_) FallaNumero(errnum::ElementoNoEncontrado);
    return (c.nulos[size_t(row / 64)] >> (row % 64)) & 1;
}

QByteArrayView TablaDatos::bytesDe(const Columna& c, qsizetype row) const {
    const qint64 fin = c.enteros[size_t(row)];
    const qint64 inicio = row == 0 ? 0 : c.enteros[size_t(row - 1)];
    return QByteArrayView(c.pool.constData() + inicio, fin - inicio);
}

QVariant TablaDatos::value(qsizetype row, int ci) const {
    if (isNull(row, ci)) return QVariant();
    const Columna& c = columnas_[size_t(ci)];
    switch (c.almacen) {
    case Almacen::Entero: {
        const qint64 n = c.enteros[size_t(row)];
        if (c.info.type == adBigInt) return QVariant(n);
        return QVariant(int(n));
    }
    case Almacen::Logico: return QVariant(c.enteros[size_t(row)] != 0);
    case Almacen::Real: return QVariant(c.reales[size_t(row)]);
    case Almacen::FechaHora: return QVariant(fechaDesdeMs(c.enteros[size_t(row)]));
    case Almacen::Bytes: return QVariant(bytesDe(c, row).toByteArray());
    case Almacen::Texto: return QVariant(QString::fromUtf8(bytesDe(c, row)));
    }
    return QVariant();
}

QString TablaDatos::text(qsizetype row, int ci) const {
    if (isNull(row, ci)) return QString();
    const Columna& c = columnas_[size_t(ci)];
    switch (c.almacen) {
    case Almacen::Entero: return QString::number(c.enteros[size_t(row)]);
    case Almacen::Texto: return QString::fromUtf8(bytesDe(c, row));
    default: return TextoDeValor(value(row, ci));
    }
}

qsizetype TablaDatos::memoryUsed() const {
    qsizetype total = 0;
    for (const auto& c : columnas_) {
        total += qsizetype(c.enteros.capacity() * sizeof(qint64));
        total += qsizetype(c.reales.capacity() * sizeof(double));
        total += c.pool.capacity();
        total += qsizetype(c.nulos.capacity() * sizeof(quint64));
    }
    return total;
}

}  // namespace datos
