#include "platform/tabladatos.h"

#include <QLocale>

#include <algorithm>
#include <bit>
#include <charconv>

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

// Days from 1970-01-01 of a date of the proleptic Gregorian calendar
// (the usual era-based computation: eras of 400 years, 146097 days).
qint64 diasDesde1970(qint64 y, unsigned m, unsigned d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

const qint64 kDiasAnoUno = diasDesde1970(1, 1, 1);

// Appends UTF-16 text to a pool as UTF-8. A lone surrogate becomes U+FFFD,
// as Qt's own conversion does.
void anadeComoUtf8(std::vector<char>& pool, const char16_t* s, qsizetype n) {
    const size_t base = pool.size();
    pool.resize(base + size_t(n) * 3);
    char* o = pool.data() + base;
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t u = s[i];
        if (u < 0x80) {
            *o++ = char(u);
        } else if (u < 0x800) {
            *o++ = char(0xC0 | (u >> 6));
            *o++ = char(0x80 | (u & 0x3F));
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((u - 0xD800) << 10) + (char32_t(s[i + 1]) - 0xDC00);
            ++i;
            *o++ = char(0xF0 | (cp >> 18));
            *o++ = char(0x80 | ((cp >> 12) & 0x3F));
            *o++ = char(0x80 | ((cp >> 6) & 0x3F));
            *o++ = char(0x80 | (cp & 0x3F));
        } else {
            const char32_t cp = (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u;
            *o++ = char(0xE0 | (cp >> 12));
            *o++ = char(0x80 | ((cp >> 6) & 0x3F));
            *o++ = char(0x80 | (cp & 0x3F));
        }
    }
    pool.resize(size_t(o - pool.data()));
}

bool esPool(TablaDatos::Almacen a) {
    return a == TablaDatos::Almacen::Texto || a == TablaDatos::Almacen::Bytes;
}

}  // namespace

int ResultSet::indexOf(const QString& name) const {
    for (int i = 0; i < columnCount(); ++i)
        if (column(i).name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QString TextoDeReal(double v, bool simple) {
    // The shortest text that reads back as the same value, at the value's
    // own precision: a single 0.1 is "0.1", not its double's 17 digits.
    char b[64];
    const auto r = simple ? std::to_chars(b, b + sizeof b, float(v), std::chars_format::general)
                          : std::to_chars(b, b + sizeof b, v, std::chars_format::general);
    return QString::fromLatin1(b, r.ptr - b);
}

QString TextoDeValor(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return QString();
    switch (v.typeId()) {
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double: return TextoDeReal(v.toDouble(), false);
    case QMetaType::Float: return TextoDeReal(v.toFloat(), true);
    case QMetaType::QDateTime: {
        // The wall-clock value as it stands, whatever its zone: a value the
        // server sent has none, and the local zone may not have that hour.
        const QDateTime dt = v.toDateTime();
        const QLocale local = QLocale::system();
        // Midnight shows the date alone, as the platform's default format does.
        if (dt.time() == QTime(0, 0)) return local.toString(dt.date(), QLocale::ShortFormat);
        return local.toString(QDateTime(dt.date(), dt.time(), Qt::UTC), local.dateTimeFormat(QLocale::ShortFormat));
    }
    case QMetaType::QByteArray: return QString::fromLatin1("0x" + v.toByteArray().toHex().toUpper());
    default: return v.toString();
    }
}

TablaDatos::TablaDatos(QList<ColumnInfo> columnas) {
    columnas_.reserve(size_t(columnas.size()));
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
    reserva_ = std::max<qsizetype>(filas, 0);
    for (auto& c : columnas_) {
        c.nulos.reserve(size_t(reserva_ / 64 + 1));
        // The first block is sized now when it has not started yet; later
        // ones are sized as they open.
        if (c.n == 0 && c.bloques.empty() && reserva_ > 0) {
            c.bloques.emplace_back().reserve(size_t(std::min(reserva_, kFilasBloque)));
            if (esPool(c.almacen)) c.pools.emplace_back();
        }
    }
}

std::vector<qint64>& TablaDatos::bloqueSiguiente(Columna& c) {
    const bool abreBloque = (c.n & kMascaraBloque) == 0 && qsizetype(c.bloques.size()) <= (c.n >> kBitsBloque);
    if (abreBloque) {
        size_t previo = 0;
        if (!c.pools.empty()) {
            // The block just filled keeps what it holds, and little more.
            auto& p = c.pools.back();
            if (p.capacity() - p.size() > p.size() / 32) p.shrink_to_fit();
            previo = p.size();
        }
        auto& b = c.bloques.emplace_back();
        const qsizetype restantes = reserva_ - c.n;
        if (restantes > 0) b.reserve(size_t(std::min(restantes, kFilasBloque)));
        else if (c.n > 0) b.reserve(size_t(kFilasBloque));  // a long result: whole blocks
        // A new pool starts with room for what the last block held, and a little
        // more: texts of a column tend to be alike from one block to the next.
        if (esPool(c.almacen)) c.pools.emplace_back().reserve(previo + previo / 64);
    }
    auto& b = c.bloques.back();
    if (b.size() == b.capacity()) {
        // Grow the first block geometrically, never past a whole block.
        b.reserve(size_t(std::min(std::max<qsizetype>(qsizetype(b.capacity()) * 2, 16), kFilasBloque)));
    }
    return b;
}

void TablaDatos::pushSlot(Columna& c, qint64 valor, bool nulo) {
    std::vector<qint64>& b = bloqueSiguiente(c);
    if ((c.n & 63) == 0) c.nulos.push_back(0);
    if (nulo) c.nulos.back() |= quint64(1) << (c.n & 63);
    b.push_back(valor);
    ++c.n;
}

void TablaDatos::pushBytes(Columna& c, const char* datos, qsizetype n) {
    bloqueSiguiente(c);
    std::vector<char>& pool = c.pools.back();
    pool.insert(pool.end(), datos, datos + n);
    pushSlot(c, qint64(pool.size()), false);
}

void TablaDatos::pushUtf16(Columna& c, const char16_t* datos, qsizetype n) {
    bloqueSiguiente(c);
    std::vector<char>& pool = c.pools.back();
    anadeComoUtf8(pool, datos, n);
    pushSlot(c, qint64(pool.size()), false);
}

void TablaDatos::appendNull(int ci) {
    Columna& c = columnas_[size_t(ci)];
    if (esPool(c.almacen)) {
        bloqueSiguiente(c);
        pushSlot(c, qint64(c.pools.back().size()), true);
    } else {
        pushSlot(c, 0, true);
    }
}

void TablaDatos::appendInt(int ci, qint64 v) {
    Columna& c = columnas_[size_t(ci)];
    switch (c.almacen) {
    case Almacen::Entero: case Almacen::FechaHora: pushSlot(c, v, false); break;
    case Almacen::Logico: pushSlot(c, v != 0, false); break;
    default: appendVariant(ci, QVariant(v));
    }
}

void TablaDatos::appendDouble(int ci, double v) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::Real) pushSlot(c, std::bit_cast<qint64>(v), false);
    else appendVariant(ci, QVariant(v));
}

void TablaDatos::appendBool(int ci, bool v) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::Logico || c.almacen == Almacen::Entero) pushSlot(c, v ? 1 : 0, false);
    else appendVariant(ci, QVariant(v));
}

qint64 TablaDatos::msDesdeAnoUno(const QDateTime& v) {
    QDateTime u(v.date(), v.time(), Qt::UTC);
    return kAnoUno.msecsTo(u);
}

qint64 TablaDatos::msDesdeAnoUno(int ano, int mes, int dia, int hora, int minuto, int segundo, int ms) {
    const qint64 dias = diasDesde1970(ano, unsigned(mes), unsigned(dia)) - kDiasAnoUno;
    return ((dias * 24 + hora) * 60 + minuto) * 60000 + qint64(segundo) * 1000 + ms;
}

QDateTime TablaDatos::fechaDesdeMs(qint64 ms) {
    // Kept in UTC, which has every hour: the value is the server's wall
    // clock, and no local zone may move or lose it.
    return kAnoUno.addMSecs(ms);
}

void TablaDatos::appendDateTime(int ci, qint64 ms) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::FechaHora) pushSlot(c, ms, false);
    else appendVariant(ci, QVariant(fechaDesdeMs(ms)));
}

void TablaDatos::appendDateTime(int ci, const QDateTime& v) { appendDateTime(ci, msDesdeAnoUno(v)); }

void TablaDatos::appendUtf8(int ci, const char* datos, qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    if (esPool(c.almacen)) pushBytes(c, datos, n);
    else appendVariant(ci, QVariant(QString::fromUtf8(datos, n)));
}

void TablaDatos::appendUtf16(int ci, const char16_t* datos, qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    if (esPool(c.almacen)) pushUtf16(c, datos, n);
    else appendVariant(ci, QVariant(QString(reinterpret_cast<const QChar*>(datos), n)));
}

void TablaDatos::appendText(int ci, QStringView v) { appendUtf16(ci, v.utf16(), v.size()); }

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
        pushSlot(c, n, false);
        break;
    }
    case Almacen::Logico:
        pushSlot(c, v.toBool() ? 1 : 0, false);
        break;
    case Almacen::Real: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok) FallaNumero(errnum::TiposNoCoinciden);
        pushSlot(c, std::bit_cast<qint64>(d), false);
        break;
    }
    case Almacen::FechaHora: {
        const QDateTime dt = v.toDateTime();
        if (!dt.isValid()) FallaNumero(errnum::TiposNoCoinciden);
        pushSlot(c, msDesdeAnoUno(dt), false);
        break;
    }
    case Almacen::Bytes: {
        const QByteArray b = v.typeId() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
        pushBytes(c, b.constData(), b.size());
        break;
    }
    case Almacen::Texto: {
        const QString s = v.typeId() == QMetaType::QString ? v.toString() : TextoDeValor(v);
        pushUtf16(c, reinterpret_cast<const char16_t*>(s.utf16()), s.size());
        break;
    }
    }
}

void TablaDatos::appendRow(const QList<QVariant>& valores) {
    for (int i = 0; i < columnCount(); ++i)
        appendVariant(i, i < valores.size() ? valores[i] : QVariant());
    finishRow();
}

void TablaDatos::appendInts(int ci, const qint64* v, const qint64* ind, qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    switch (c.almacen) {
    case Almacen::Entero: case Almacen::FechaHora:
        for (qsizetype i = 0; i < n; ++i) {
            const bool nulo = ind && ind[i] < 0;
            pushSlot(c, nulo ? 0 : v[i], nulo);
        }
        break;
    case Almacen::Logico:
        for (qsizetype i = 0; i < n; ++i) {
            const bool nulo = ind && ind[i] < 0;
            pushSlot(c, !nulo && v[i] != 0, nulo);
        }
        break;
    default:
        for (qsizetype i = 0; i < n; ++i) appendVariant(ci, ind && ind[i] < 0 ? QVariant() : QVariant(v[i]));
    }
}

void TablaDatos::appendDoubles(int ci, const double* v, const qint64* ind, qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::Real) {
        for (qsizetype i = 0; i < n; ++i) {
            const bool nulo = ind && ind[i] < 0;
            pushSlot(c, nulo ? 0 : std::bit_cast<qint64>(v[i]), nulo);
        }
    } else {
        for (qsizetype i = 0; i < n; ++i) appendVariant(ci, ind && ind[i] < 0 ? QVariant() : QVariant(v[i]));
    }
}

void TablaDatos::appendDateTimes(int ci, const qint64* ms, const qint64* ind, qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::FechaHora) {
        for (qsizetype i = 0; i < n; ++i) {
            const bool nulo = ind && ind[i] < 0;
            pushSlot(c, nulo ? 0 : ms[i], nulo);
        }
    } else {
        for (qsizetype i = 0; i < n; ++i)
            appendVariant(ci, ind && ind[i] < 0 ? QVariant() : QVariant(fechaDesdeMs(ms[i])));
    }
}

void TablaDatos::appendUtf8s(int ci, const char* datos, qsizetype paso, const qint64* longitudes, qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    for (qsizetype i = 0; i < n; ++i) {
        if (longitudes[i] < 0) {
            appendNull(ci);
        } else if (esPool(c.almacen)) {
            pushBytes(c, datos + i * paso, qsizetype(longitudes[i]));
        } else {
            appendVariant(ci, QString::fromUtf8(datos + i * paso, qsizetype(longitudes[i])));
        }
    }
}

void TablaDatos::appendUtf16s(int ci, const char16_t* datos, qsizetype paso, const qint64* longitudes,
                              qsizetype n) {
    for (qsizetype i = 0; i < n; ++i) {
        if (longitudes[i] < 0) appendNull(ci);
        else appendUtf16(ci, datos + i * paso, qsizetype(longitudes[i]));
    }
}

void TablaDatos::compacta() {
    for (auto& c : columnas_) {
        if (!c.bloques.empty()) c.bloques.back().shrink_to_fit();
        if (!c.pools.empty()) c.pools.back().shrink_to_fit();
        c.bloques.shrink_to_fit();
        c.pools.shrink_to_fit();
        c.nulos.shrink_to_fit();
    }
}

bool TablaDatos::isNull(qsizetype row, int ci) const {
    const Columna& c = col(ci);
    if (row < 0 || row >= filas_) FallaNumero(errnum::ElementoNoEncontrado);
    return (c.nulos[size_t(row >> 6)] >> (row & 63)) & 1;
}

QByteArrayView TablaDatos::bytesDe(const Columna& c, qsizetype row) const {
    const size_t b = size_t(row >> kBitsBloque);
    const size_t i = size_t(row & kMascaraBloque);
    const qint64 fin = c.bloques[b][i];
    const qint64 inicio = i == 0 ? 0 : c.bloques[b][i - 1];
    return QByteArrayView(c.pools[b].data() + inicio, fin - inicio);
}

QVariant TablaDatos::value(qsizetype row, int ci) const {
    if (isNull(row, ci)) return QVariant();
    const Columna& c = columnas_[size_t(ci)];
    switch (c.almacen) {
    case Almacen::Entero: {
        const qint64 n = slot(c, row);
        if (c.info.type == adBigInt) return QVariant(n);
        return QVariant(int(n));
    }
    case Almacen::Logico: return QVariant(slot(c, row) != 0);
    case Almacen::Real: {
        const double d = std::bit_cast<double>(slot(c, row));
        if (c.info.type == adSingle) return QVariant(float(d));
        return QVariant(d);
    }
    case Almacen::FechaHora: return QVariant(fechaDesdeMs(slot(c, row)));
    case Almacen::Bytes: return QVariant(bytesDe(c, row).toByteArray());
    case Almacen::Texto: return QVariant(QString::fromUtf8(bytesDe(c, row)));
    }
    return QVariant();
}

QString TablaDatos::text(qsizetype row, int ci) const {
    if (isNull(row, ci)) return QString();
    const Columna& c = columnas_[size_t(ci)];
    switch (c.almacen) {
    case Almacen::Entero: return QString::number(slot(c, row));
    case Almacen::Texto: return QString::fromUtf8(bytesDe(c, row));
    case Almacen::Real: return TextoDeReal(std::bit_cast<double>(slot(c, row)), c.info.type == adSingle);
    default: return TextoDeValor(value(row, ci));
    }
}

qsizetype TablaDatos::memoryUsed() const {
    qsizetype total = 0;
    for (const auto& c : columnas_) {
        for (const auto& b : c.bloques) total += qsizetype(b.capacity() * sizeof(qint64));
        for (const auto& p : c.pools) total += qsizetype(p.capacity());
        total += qsizetype(c.bloques.capacity() * sizeof(c.bloques[0]));
        total += qsizetype(c.pools.capacity() * sizeof(c.pools[0]));
        total += qsizetype(c.nulos.capacity() * sizeof(quint64));
    }
    return total;
}

}  // namespace datos
