#include "platform/tabladatos.h"

#include <QLocale>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

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

using Pool = std::vector<char, SinIniciar<char>>;

// Writes UTF-16 text as UTF-8 at o (room for three bytes a unit); the end of
// what it wrote. A lone surrogate becomes U+FFFD, as Qt's own conversion does.
char* escribeUtf8(char* o, const char16_t* s, qsizetype n) {
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
    return o;
}

// Appends UTF-16 text to a pool as UTF-8.
void anadeComoUtf8(Pool& pool, const char16_t* s, qsizetype n) {
    const size_t base = pool.size();
    pool.resize(base + size_t(n) * 3);
    char* o = escribeUtf8(pool.data() + base, s, n);
    pool.resize(size_t(o - pool.data()));
}

// Room for `extra` more bytes at the end of a pool, growing it geometrically.
char* alarga(Pool& pool, size_t extra) {
    const size_t base = pool.size();
    if (pool.capacity() < base + extra) pool.reserve(std::max(pool.capacity() * 2, base + extra));
    pool.resize(base + extra);
    return pool.data() + base;
}

// Date of a count of days from 0001-01-01 (the inverse of diasDesde1970).
void fechaDeDias(qint64 diasDesdeAnoUno, int& ano, int& mes, int& dia) {
    const qint64 z = diasDesdeAnoUno + kDiasAnoUno + 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    dia = int(doy - (153 * mp + 2) / 5 + 1);
    mes = int(mp < 10 ? mp + 3 : mp - 9);
    ano = int(qint64(yoe) + era * 400 + (mes <= 2));
}

constexpr qint64 kMsDia = 86400000;

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

FormatoFecha::FormatoFecha(const QLocale& local)
    : FormatoFecha(local, local.dateFormat(QLocale::ShortFormat), local.dateTimeFormat(QLocale::ShortFormat)) {}

FormatoFecha::FormatoFecha(const QLocale& local, const QString& patronFecha, const QString& patronFechaHora)
    : local_(local) {
    for (int m = 0; m < 12; ++m) {
        nombresMes_[0][m] = local_.toString(QDate(2001, m + 1, 1), QStringLiteral("MMM"));
        nombresMes_[1][m] = local_.toString(QDate(2001, m + 1, 1), QStringLiteral("MMMM"));
    }
    for (int d = 0; d < 7; ++d) {  // 2001-01-01 was a Monday
        nombresDia_[0][d] = local_.toString(QDate(2001, 1, 1 + d), QStringLiteral("ddd"));
        nombresDia_[1][d] = local_.toString(QDate(2001, 1, 1 + d), QStringLiteral("dddd"));
    }
    fecha_ = lee(patronFecha);
    fechaHora_ = lee(patronFechaHora);
}

const FormatoFecha& FormatoFecha::delSistema() {
    static const FormatoFecha f(QLocale::system());
    return f;
}

// Splits a pattern as QLocale reads it: quoted text ('' is a quote), runs
// of a pattern letter, and anything else as it stands.
FormatoFecha::Patron FormatoFecha::lee(const QString& patron) const {
    Patron p;
    p.texto = patron;
    p.directo = local_.zeroDigit() == QStringLiteral("0");
    bool ampm = false;
    auto literal = [&](const QString& t) {
        if (t.isEmpty()) return;
        if (!p.piezas.empty() && p.piezas.back().tipo == Pieza::Literal) p.piezas.back().literal += t;
        else p.piezas.push_back({Pieza::Literal, 0, t, {}});
    };
    const qsizetype n = patron.size();
    qsizetype i = 0;
    while (i < n && p.directo) {
        const QChar c = patron[i];
        if (c == u'\'') {
            ++i;
            if (i == n) break;
            if (patron[i] == u'\'') {
                literal(QStringLiteral("'"));
                ++i;
                continue;
            }
            QString t;
            while (i < n) {
                if (patron[i] == u'\'') {
                    if (i + 1 < n && patron[i + 1] == u'\'') {
                        t += u'\'';
                        i += 2;
                    } else {
                        break;
                    }
                } else {
                    t += patron[i++];
                }
            }
            if (i < n) ++i;
            literal(t);
            continue;
        }
        qsizetype rep = 1;
        while (i + rep < n && patron[i + rep] == c) ++rep;
        const char16_t u = c.unicode();
        switch (u) {
        case u'd':
        case u'M':
            rep = std::min<qsizetype>(rep, 4);
            if (rep <= 2) p.piezas.push_back({u == u'd' ? Pieza::Dia : Pieza::Mes, quint8(rep), {}, {}});
            else p.piezas.push_back({u == u'd' ? Pieza::NombreDia : Pieza::NombreMes, quint8(rep), {}, {}});
            break;
        case u'y':
            if (rep >= 4) rep = 4;
            else if (rep >= 2) rep = 2;
            if (rep == 1) literal(QStringLiteral("y"));
            else p.piezas.push_back({Pieza::Ano, quint8(rep), {}, {}});
            break;
        case u'h': case u'H': case u'm': case u's':
            rep = std::min<qsizetype>(rep, 2);
            p.piezas.push_back({u == u'h' ? Pieza::Hora12 : u == u'H' ? Pieza::Hora24 : u == u'm' ? Pieza::Minuto
                                                                                             : Pieza::Segundo,
                                quint8(rep), {}, {}});
            break;
        case u'a': case u'A':
            rep = i + 1 < n && (patron[i + 1] == u'p' || patron[i + 1] == u'P') ? 2 : 1;
            // The mark in the case the pattern writes it: computed by QLocale.
            p.piezas.push_back({Pieza::AmPm, quint8(rep), patron.mid(i, rep), {}});
            ampm = true;
            break;
        default:
            if ((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z')) p.directo = false;  // a zone, milliseconds...
            else literal(QString(rep, c));
            break;
        }
        i += rep;
    }
    if (!p.directo) {
        p.piezas.clear();
        return p;
    }
    // Hours go on a 12-hour clock where the pattern has the mark.
    if (!ampm)
        for (Pieza& pz : p.piezas)
            if (pz.tipo == Pieza::Hora12) pz.tipo = Pieza::Hora24;
    for (Pieza& pz : p.piezas) {
        switch (pz.tipo) {
        case Pieza::AmPm: {
            const QString patronMarca = pz.literal;
            pz.literal = local_.toString(QTime(1, 0), patronMarca);
            pz.pm = local_.toString(QTime(13, 0), patronMarca);
            p.largo += std::max(pz.literal.size(), pz.pm.size());
            break;
        }
        case Pieza::Literal: p.largo += pz.literal.size(); break;
        case Pieza::NombreMes:
            for (const QString& t : nombresMes_[pz.digitos - 3]) p.largo += t.size();
            break;
        case Pieza::NombreDia:
            for (const QString& t : nombresDia_[pz.digitos - 3]) p.largo += t.size();
            break;
        default: p.largo += 4; break;
        }
    }
    return p;
}

namespace {

// A number of at least `digitos` digits, written from its last digit back.
inline void escribeNumero(char16_t*& o, int v, int digitos) {
    if (v < 10 && digitos <= 1) {
        *o++ = char16_t(u'0' + v);
    } else if (v < 100 && digitos <= 2) {
        *o++ = char16_t(u'0' + v / 10);
        *o++ = char16_t(u'0' + v % 10);
    } else {
        int n = 1;
        for (int t = v; t >= 10; t /= 10) ++n;
        n = std::max(n, digitos);
        for (int k = n - 1; k >= 0; --k) {
            o[k] = char16_t(u'0' + v % 10);
            v /= 10;
        }
        o += n;
    }
}

// Pattern texts are a few characters long: copied here rather than by a call.
inline void escribeTexto(char16_t*& o, const QString& t) {
    const char16_t* d = reinterpret_cast<const char16_t*>(t.constData());
    for (qsizetype i = 0, n = t.size(); i < n; ++i) *o++ = d[i];
}

}  // namespace

QString FormatoFecha::escribe(const Patron& p, qint64 dias, qint64 msDia) const {
    int ano = 0, mes = 0, dia = 0;
    fechaDeDias(dias, ano, mes, dia);
    const int segundos = int(msDia / 1000);
    const int hora = segundos / 3600, minuto = segundos / 60 % 60, segundo = segundos % 60;
    // Written in place: room for the longest text, then cut to what was written.
    QString s(p.largo, Qt::Uninitialized);
    char16_t* const inicio = reinterpret_cast<char16_t*>(s.data());
    char16_t* o = inicio;
    for (const Pieza& pz : p.piezas) {
        switch (pz.tipo) {
        case Pieza::Literal: escribeTexto(o, pz.literal); break;
        case Pieza::AmPm: escribeTexto(o, hora < 12 ? pz.literal : pz.pm); break;
        case Pieza::NombreMes: escribeTexto(o, nombresMes_[pz.digitos - 3][mes - 1]); break;
        case Pieza::NombreDia: escribeTexto(o, nombresDia_[pz.digitos - 3][dias % 7]); break;  // 0001-01-01: a Monday
        case Pieza::Dia: escribeNumero(o, dia, pz.digitos); break;
        case Pieza::Mes: escribeNumero(o, mes, pz.digitos); break;
        case Pieza::Ano: escribeNumero(o, pz.digitos == 2 ? ano % 100 : ano, pz.digitos); break;
        case Pieza::Hora24: escribeNumero(o, hora, pz.digitos); break;
        case Pieza::Hora12: escribeNumero(o, hora % 12 == 0 ? 12 : hora % 12, pz.digitos); break;
        case Pieza::Minuto: escribeNumero(o, minuto, pz.digitos); break;
        case Pieza::Segundo: escribeNumero(o, segundo, pz.digitos); break;
        }
    }
    s.truncate(o - inicio);
    return s;
}

QString FormatoFecha::texto(qint64 ms) const {
    const qint64 dias = ms >= 0 ? ms / kMsDia : (ms - kMsDia + 1) / kMsDia;
    const qint64 msDia = ms - dias * kMsDia;
    // Midnight shows the date alone, as the platform's default format does.
    const Patron& p = msDia == 0 ? fecha_ : fechaHora_;
    if (p.directo) return escribe(p, dias, msDia);
    const QDateTime dt = TablaDatos::fechaDesdeMs(ms);
    if (msDia == 0) return local_.toString(dt.date(), p.texto);
    return local_.toString(dt, p.texto);
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

std::vector<qint64, SinIniciar<qint64>>& TablaDatos::bloqueSiguiente(Columna& c) {
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

qint64* TablaDatos::hueco(Columna& c, qsizetype k) {
    auto& b = bloqueSiguiente(c);
    const size_t base = b.size();
    if (b.capacity() < base + size_t(k))
        b.reserve(size_t(std::min(std::max(qsizetype(b.capacity()) * 2, qsizetype(base) + k), kFilasBloque)));
    b.resize(base + size_t(k));
    return b.data() + base;
}

void TablaDatos::marcaNulos(Columna& c, const qint64* ind, qsizetype n) {
    c.nulos.resize(size_t((c.n + n + 63) >> 6), 0);
    if (!ind) return;
    // Most blocks have no null at all: one pass that the compiler vectorizes.
    qint64 signos = 0;
    for (qsizetype i = 0; i < n; ++i) signos |= ind[i];
    if (signos >= 0) return;
    // A word of marks at a time.
    qsizetype p = c.n;
    for (qsizetype i = 0; i < n;) {
        const int bit = int(p & 63);
        const qsizetype k = std::min<qsizetype>(64 - bit, n - i);
        quint64 marcas = 0;
        for (qsizetype j = 0; j < k; ++j) marcas |= quint64(ind[i + j] < 0) << (bit + j);
        c.nulos[size_t(p >> 6)] |= marcas;
        p += k;
        i += k;
    }
}

template <typename F>
void TablaDatos::anadeSlots(Columna& c, const qint64* ind, qsizetype n, F valor) {
    marcaNulos(c, ind, n);
    for (qsizetype hecho = 0; hecho < n;) {
        const qsizetype k = std::min(n - hecho, kFilasBloque - (c.n & kMascaraBloque));
        qint64* o = hueco(c, k);
        if (ind) {
            for (qsizetype i = 0; i < k; ++i) o[i] = ind[hecho + i] < 0 ? 0 : valor(hecho + i);
        } else {
            for (qsizetype i = 0; i < k; ++i) o[i] = valor(hecho + i);
        }
        c.n += k;
        hecho += k;
    }
}

void TablaDatos::pushSlot(Columna& c, qint64 valor, bool nulo) {
    auto& b = bloqueSiguiente(c);
    if ((c.n & 63) == 0) c.nulos.push_back(0);
    if (nulo) c.nulos.back() |= quint64(1) << (c.n & 63);
    b.push_back(valor);
    ++c.n;
}

void TablaDatos::pushBytes(Columna& c, const char* datos, qsizetype n) {
    bloqueSiguiente(c);
    Pool& pool = c.pools.back();
    if (n > 0) std::memcpy(alarga(pool, size_t(n)), datos, size_t(n));
    pushSlot(c, qint64(pool.size()), false);
}

void TablaDatos::pushUtf16(Columna& c, const char16_t* datos, qsizetype n) {
    bloqueSiguiente(c);
    Pool& pool = c.pools.back();
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
        anadeSlots(c, ind, n, [v](qsizetype i) { return v[i]; });
        break;
    case Almacen::Logico:
        anadeSlots(c, ind, n, [v](qsizetype i) { return qint64(v[i] != 0); });
        break;
    default:
        for (qsizetype i = 0; i < n; ++i) appendVariant(ci, ind && ind[i] < 0 ? QVariant() : QVariant(v[i]));
    }
}

void TablaDatos::appendDoubles(int ci, const double* v, const qint64* ind, qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::Real) {
        anadeSlots(c, ind, n, [v](qsizetype i) { return std::bit_cast<qint64>(v[i]); });
    } else {
        for (qsizetype i = 0; i < n; ++i) appendVariant(ci, ind && ind[i] < 0 ? QVariant() : QVariant(v[i]));
    }
}

void TablaDatos::appendDateTimes(int ci, const qint64* ms, const qint64* ind, qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    if (c.almacen == Almacen::FechaHora) {
        anadeSlots(c, ind, n, [ms](qsizetype i) { return ms[i]; });
    } else {
        for (qsizetype i = 0; i < n; ++i)
            appendVariant(ci, ind && ind[i] < 0 ? QVariant() : QVariant(fechaDesdeMs(ms[i])));
    }
}

void TablaDatos::appendUtf8s(int ci, const char* datos, qsizetype paso, const qint64* longitudes, qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    if (!esPool(c.almacen)) {
        for (qsizetype i = 0; i < n; ++i) {
            if (longitudes[i] < 0) appendNull(ci);
            else appendVariant(ci, QString::fromUtf8(datos + i * paso, qsizetype(longitudes[i])));
        }
        return;
    }
    marcaNulos(c, longitudes, n);
    for (qsizetype hecho = 0; hecho < n;) {
        // The values that go into the block being filled: their slots, then
        // their bytes into its pool with one resize.
        const qsizetype k = std::min(n - hecho, kFilasBloque - (c.n & kMascaraBloque));
        qint64* o = hueco(c, k);
        Pool& pool = c.pools.back();
        const qint64* l = longitudes + hecho;
        size_t total = 0;
        for (qsizetype i = 0; i < k; ++i) total += size_t(std::max<qint64>(l[i], 0));
        const qint64 base = qint64(pool.size());
        // Short values are copied in whole pieces of 32 or 64 bytes, which
        // the stride lets us read and the room left at the pool's end lets
        // us write; the next value writes over what went past one.
        constexpr qint64 kHolgura = 64;
        char* destino = alarga(pool, total + kHolgura);
        const char* origen = datos + hecho * paso;
        qint64 fin = base;
        for (qsizetype i = 0; i < k; ++i) {
            const qint64 largo = std::max<qint64>(l[i], 0);
            const char* v = origen + i * paso;
            if (largo <= 32 && paso >= 32) std::memcpy(destino, v, 32);
            else if (largo <= 64 && paso >= 64) std::memcpy(destino, v, 64);
            else std::memcpy(destino, v, size_t(largo));
            destino += largo;
            fin += largo;
            o[i] = fin;
        }
        pool.resize(size_t(fin));
        c.n += k;
        hecho += k;
    }
}

void TablaDatos::appendUtf16s(int ci, const char16_t* datos, qsizetype paso, const qint64* longitudes,
                              qsizetype n) {
    Columna& c = columnas_[size_t(ci)];
    if (!esPool(c.almacen)) {
        for (qsizetype i = 0; i < n; ++i) {
            if (longitudes[i] < 0) appendNull(ci);
            else appendUtf16(ci, datos + i * paso, qsizetype(longitudes[i]));
        }
        return;
    }
    marcaNulos(c, longitudes, n);
    for (qsizetype hecho = 0; hecho < n;) {
        const qsizetype k = std::min(n - hecho, kFilasBloque - (c.n & kMascaraBloque));
        qint64* o = hueco(c, k);
        Pool& pool = c.pools.back();
        const qint64* l = longitudes + hecho;
        size_t total = 0;
        for (qsizetype i = 0; i < k; ++i) total += size_t(std::max<qint64>(l[i], 0)) * 3;
        const size_t base = pool.size();
        char* const inicio = alarga(pool, total) - base;
        char* destino = inicio + base;
        for (qsizetype i = 0; i < k; ++i) {
            destino = escribeUtf8(destino, datos + (hecho + i) * paso, std::max<qint64>(l[i], 0));
            o[i] = qint64(destino - inicio);
        }
        pool.resize(size_t(destino - inicio));
        c.n += k;
        hecho += k;
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
    case Almacen::FechaHora: return FormatoFecha::delSistema().texto(slot(c, row));
    case Almacen::Logico: return slot(c, row) ? QStringLiteral("True") : QStringLiteral("False");
    case Almacen::Bytes: {
        static const char digitos[] = "0123456789ABCDEF";
        const QByteArrayView b = bytesDe(c, row);
        QString s(2 + 2 * b.size(), Qt::Uninitialized);
        char16_t* o = reinterpret_cast<char16_t*>(s.data());
        *o++ = u'0';
        *o++ = u'x';
        for (const char x : b) {
            *o++ = char16_t(digitos[quint8(x) >> 4]);
            *o++ = char16_t(digitos[quint8(x) & 15]);
        }
        return s;
    }
    }
    return QString();
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
