// Reading a large result through the data layer, against the limit of the
// same driver read bare, over the SQLite ODBC driver and through FreeTDS.
//
// A million rows (an integer, a 40-character text, a floating-point number
// and a date-time) are read in three ways, each run in a process of its own
// so that its peak memory is its own:
//   recordset  Connection::Query into the column store, as the program reads;
//   bare       a loop over the same driver with block fetches into bound
//              arrays, keeping nothing (the most any reader can get);
//   getdata    row by row, SQLGetData for every cell (for reference).
// Over SQLite the rows are a table in a file; through FreeTDS they come from
// the scripted TDS server of the tests, running in this process. That server
// encodes the rows once, on a warm-up read, and then sends the same bytes in
// whole packets, so that what the figures measure is the client. It keeps
// one encoding for each text size a session asks for, and every way connects
// with the options the program's connection gives the driver, so one warm-up
// serves them all. A timed read during which the server did encode the rows
// is marked as such beside its figures, and a ratio that includes it is not
// given as the client's.
// Each way runs several times, alternating; the best time counts (a run the
// server encoded for counts only when every run of that way was one). Printed:
// rows per second and their ratios to bare, the store's bytes (memoryUsed)
// and the growth of each process's peak resident memory (VmHWM) over what it
// held before reading, against the size of the rows as text; and the time
// of reading every field's text of every row of the recordset, against the
// fetch.
//
// Usage: bench_recordset [--rows N] [--runs N] [--via sqlite|freetds|both] [--file path]
// The bars: recordset >= 0.9 of bare; memory <= 2 x the rows' text; every
// field's text <= 0.5 x the fetch.
#include "tablagrande.h"

#include "tdsserver.h"

#include "platform/odbc.h"
#include "platform/tabladatos.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <vector>

using namespace datos;

namespace {

const QString kConsulta = QStringLiteral("select id, nombre, precio, alta from t");

// A field of /proc/self/status, in kB.
qint64 estadoKb(const char* campo) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray nombre = QByteArray(campo) + ':';
    for (const QByteArray& linea : f.readAll().split('\n'))
        if (linea.startsWith(nombre)) return linea.mid(nombre.size()).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Bytes of the rows as the database holds them as text.
qint64 tamanoTexto(const QString& archivo) {
    OdbcConnection c;
    c.Open(cadena(archivo));
    auto r = c.Query("select sum(length(cast(id as text)) + length(nombre) + length(cast(precio as text)) + "
                     "length(alta)) from t");
    return r->value(0, 0).toLongLong();
}

struct Medida {
    qint64 filas = 0;
    double segundos = 0;
    qint64 store = 0;
    qint64 rssAntesKb = 0, hwmKb = 0;
    double segundosTextos = 0;  // every field's text of every row (recordset only)
    int codificadas = 0;        // times the server encoded the rows during the read
};

void imprime(const Medida& m) {
    std::printf("MEDIDA %lld %.6f %lld %lld %lld %.6f\n", (long long)m.filas, m.segundos, (long long)m.store,
                (long long)m.rssAntesKb, (long long)m.hwmKb, m.segundosTextos);
    std::fflush(stdout);
}

// Where a run reads: the SQLite file, or the scripted server through FreeTDS.
struct Origen {
    bool freeTds = false;
    QString archivo;  // SQLite
    int puerto = 0;   // FreeTDS
    // The program's connection string.
    QString programa() const {
        if (!freeTds) return cadena(archivo);
        return QStringLiteral("Provider=SQLOLEDB.1;Data Source=127.0.0.1,%1;Initial Catalog=master;"
                              "User Id=sa;Password=Secret#1;").arg(puerto);
    }
    // The driver's own string for the bare loops: the program's string as the
    // data layer translates it for the driver, with every option it sets
    // (text size, TDS version, character set).
    QString driver() const { return TraduceCadenaConexion(programa(), ControladorOdbc()); }
};

// The same rows as the SQLite table, made by the scripted server.
void filaServidor(std::size_t i, tdstest::Row& fila) {
    static const char letras[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const long long x = static_cast<long long>(i) + 1;
    char nombre[48];
    std::snprintf(nombre, sizeof nombre, "%.20s%020lld", letras + x % 26, x * 7919);
    const QDateTime alta = QDateTime::fromSecsSinceEpoch(946684800 + x * 37, Qt::UTC);
    fila = {x, std::string(nombre), double(x) * 0.37 + 0.001,
            alta.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString()};
}

qint64 tamanoTextoServidor(qint64 filas) {
    qint64 total = 0;
    tdstest::Row fila;
    for (qint64 i = 0; i < filas; ++i) {
        filaServidor(std::size_t(i), fila);
        char b[32];
        total += std::to_chars(b, b + sizeof b, fila[0].toInt()).ptr - b;
        total += qint64(fila[1].toText().size());
        total += std::to_chars(b, b + sizeof b, fila[2].toDouble()).ptr - b;
        total += qint64(fila[3].toText().size());
    }
    return total;
}

Medida leeConRecordset(const Origen& o) {
    OdbcConnection c;
    c.Open(o.programa());
    Medida m;
    m.rssAntesKb = estadoKb("VmRSS");
    QElapsedTimer reloj;
    reloj.start();
    Recordset rs;
    rs.Open(kConsulta, c);
    m.segundos = double(reloj.nsecsElapsed()) / 1e9;
    m.hwmKb = estadoKb("VmHWM");
    m.filas = rs.RecordCount();
    if (auto t = std::dynamic_pointer_cast<const TablaDatos>(rs.Datos())) m.store = t->memoryUsed();
    // Every field's text of every row, as a grid shown to its end reads them.
    const ResultSet& d = *rs.Datos();
    reloj.restart();
    qint64 caracteres = 0;
    for (qsizetype f = 0; f < d.rowCount(); ++f)
        for (int k = 0; k < d.columnCount(); ++k) caracteres += d.text(f, k).size();
    m.segundosTextos = double(reloj.nsecsElapsed()) / 1e9;
    if (caracteres == 42) std::printf(" ");
    return m;
}

struct Odbc {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT st = SQL_NULL_HSTMT;
    explicit Odbc(const QString& cs) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        if (!SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, (SQLWCHAR*)cs.utf16(), SQL_NTS, nullptr, 0, nullptr,
                                             SQL_DRIVER_NOPROMPT)))
            return;
        SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    }
    ~Odbc() {
        if (st) SQLFreeHandle(SQL_HANDLE_STMT, st);
        SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
};

Medida leeCeldaACelda(const Origen& o) {
    Odbc c(o.driver());
    if (!c.st) return {};
    const SQLHSTMT st = c.st;
    Medida m;
    m.rssAntesKb = estadoKb("VmRSS");
    QElapsedTimer reloj;
    reloj.start();
    SQLExecDirectW(st, (SQLWCHAR*)kConsulta.utf16(), SQL_NTS);
    SQLBIGINT id = 0;
    char nombre[40 * 3 + 1];
    double precio = 0;
    SQL_TIMESTAMP_STRUCT alta{};
    SQLLEN i1 = 0, i2 = 0, i3 = 0, i4 = 0;
    qint64 suma = 0;
    while (SQL_SUCCEEDED(SQLFetch(st))) {
        SQLGetData(st, 1, SQL_C_SBIGINT, &id, 0, &i1);
        SQLGetData(st, 2, SQL_C_CHAR, nombre, sizeof nombre, &i2);
        SQLGetData(st, 3, SQL_C_DOUBLE, &precio, 0, &i3);
        SQLGetData(st, 4, SQL_C_TYPE_TIMESTAMP, &alta, 0, &i4);
        ++m.filas;
        suma += id + i2 + alta.second;
    }
    m.segundos = double(reloj.nsecsElapsed()) / 1e9;
    m.hwmKb = estadoKb("VmHWM");
    if (suma == 42) std::printf(" ");
    return m;
}

Medida leeSinGuardar(const Origen& o) {
    Odbc c(o.driver());
    if (!c.st) return {};
    const SQLHSTMT st = c.st;
    Medida m;
    m.rssAntesKb = estadoKb("VmRSS");
    QElapsedTimer reloj;
    reloj.start();
    // The same block size and buffers as the data layer uses for this table.
    const SQLULEN n = 1024;
    const SQLLEN anchoTexto = 40 * 3 + 1;
    std::vector<SQLBIGINT> id(n);
    std::vector<char> nombre(n * anchoTexto);
    std::vector<double> precio(n);
    std::vector<SQL_TIMESTAMP_STRUCT> alta(n);
    std::vector<SQLLEN> i1(n), i2(n), i3(n), i4(n);
    SQLULEN leidas = 0;
    SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(n), 0);
    SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, &leidas, 0);
    SQLExecDirectW(st, (SQLWCHAR*)kConsulta.utf16(), SQL_NTS);
    SQLBindCol(st, 1, SQL_C_SBIGINT, id.data(), sizeof(SQLBIGINT), i1.data());
    SQLBindCol(st, 2, SQL_C_CHAR, nombre.data(), anchoTexto, i2.data());
    SQLBindCol(st, 3, SQL_C_DOUBLE, precio.data(), sizeof(double), i3.data());
    SQLBindCol(st, 4, SQL_C_TYPE_TIMESTAMP, alta.data(), sizeof(SQL_TIMESTAMP_STRUCT), i4.data());
    qint64 suma = 0;
    for (;;) {
        const SQLRETURN rc = SQLFetch(st);
        if (!SQL_SUCCEEDED(rc)) break;
        m.filas += qint64(leidas);
        suma += id[0] + i2[0] + alta[0].second;
    }
    m.segundos = double(reloj.nsecsElapsed()) / 1e9;
    m.hwmKb = estadoKb("VmHWM");
    if (suma == 42) std::printf(" ");  // keeps the loop's reads
    return m;
}

// The times the scripted server has encoded rows so far; empty over SQLite.
using Codificaciones = std::function<int()>;

Medida enProceso(const QString& programa, const QString& fase, const Origen& o, const Codificaciones& codificaciones) {
    const int antes = codificaciones ? codificaciones() : 0;
    QProcess p;
    p.start(programa, {QStringLiteral("--phase"), fase, QStringLiteral("--file"), o.archivo, QStringLiteral("--port"),
                       QString::number(o.puerto), QStringLiteral("--via"),
                       o.freeTds ? QStringLiteral("freetds") : QStringLiteral("sqlite")});
    p.waitForFinished(-1);
    Medida m;
    for (const QByteArray& linea : p.readAllStandardOutput().split('\n')) {
        if (!linea.startsWith("MEDIDA ")) continue;
        const QList<QByteArray> v = linea.split(' ');
        m.filas = v[1].toLongLong();
        m.segundos = v[2].toDouble();
        m.store = v[3].toLongLong();
        m.rssAntesKb = v[4].toLongLong();
        m.hwmKb = v[5].toLongLong();
        m.segundosTextos = v[6].toDouble();
    }
    if (m.filas == 0) std::fprintf(stderr, "%s failed: %s\n", qPrintable(fase), p.readAllStandardError().constData());
    if (codificaciones) m.codificadas = codificaciones() - antes;
    return m;
}

// Runs the three ways alternately and prints their figures; false when a
// row count is wrong.
bool compara(const QString& programa, const Origen& o, qint64 filas, qint64 texto, int vueltas,
             const Codificaciones& codificaciones) {
    std::vector<Medida> conTabla, sinGuardar, celdas;
    for (int i = 0; i < vueltas; ++i) {
        sinGuardar.push_back(enProceso(programa, "bare", o, codificaciones));
        conTabla.push_back(enProceso(programa, "recordset", o, codificaciones));
        celdas.push_back(enProceso(programa, "getdata", o, codificaciones));
    }
    // The fastest run the server did not encode for; the fastest of all when
    // it encoded for every one.
    auto mejor = [](const std::vector<Medida>& v) {
        return *std::min_element(v.begin(), v.end(), [](const Medida& a, const Medida& b) {
            if ((a.codificadas == 0) != (b.codificadas == 0)) return a.codificadas == 0;
            return a.segundos < b.segundos;
        });
    };
    auto veces = [](const std::vector<Medida>& v) {
        int n = 0;
        for (const Medida& m : v) n += m.codificadas > 0 ? 1 : 0;
        return n;
    };
    const Medida r = mejor(conTabla), b = mejor(sinGuardar), g = mejor(celdas);
    if (r.filas != filas || b.filas != filas || g.filas != filas) {
        std::printf("row counts differ: recordset %lld, bare %lld, getdata %lld, table %lld\n", (long long)r.filas,
                    (long long)b.filas, (long long)g.filas, (long long)filas);
        return false;
    }
    const double textos = std::min_element(conTabla.begin(), conTabla.end(), [](const Medida& a, const Medida& b) {
                              return a.segundosTextos < b.segundosTextos;
                          })->segundosTextos;
    const double fr = double(r.filas) / r.segundos, fb = double(b.filas) / b.segundos, fg = double(g.filas) / g.segundos;
    const char* const codifico = "  <- the server encoded the rows during this read";
    std::printf("%-11s %12s %10s %14s %16s\n", "", "rows/s", "seconds", "store MB", "peak RSS +MB");
    std::printf("%-11s %12.0f %10.3f %14.1f %16.1f%s\n", "recordset", fr, r.segundos, r.store / 1e6,
                (r.hwmKb - r.rssAntesKb) / 1024.0, r.codificadas ? codifico : "");
    std::printf("%-11s %12.0f %10.3f %14s %16.1f%s\n", "bare", fb, b.segundos, "-", (b.hwmKb - b.rssAntesKb) / 1024.0,
                b.codificadas ? codifico : "");
    std::printf("%-11s %12.0f %10.3f %14s %16.1f%s\n", "getdata", fg, g.segundos, "-",
                (g.hwmKb - g.rssAntesKb) / 1024.0, g.codificadas ? codifico : "");
    const int vr = veces(conTabla), vb = veces(sinGuardar), vg = veces(celdas);
    if (vr + vb + vg > 0)
        std::printf("The server encoded the rows during timed reads: recordset %d, bare %d, getdata %d of %d runs\n"
                    "(such a run counts only when every run of its way was one).\n",
                    vr, vb, vg, vueltas);
    // A ratio whose times include the server's encoding is not the client's.
    auto razon = [](const char* nombre, double valor, bool servidor, const char* barra) {
        if (servidor)
            std::printf("%s %.2f, not the client's: the server's encoding is in its times\n", nombre, valor);
        else
            std::printf("%s %.2f%s\n", nombre, valor, barra);
    };
    std::printf("\n");
    razon("recordset / bare speed:", fr / fb, r.codificadas || b.codificadas, " (bar: >= 0.90)");
    razon("getdata / bare speed:  ", fg / fb, g.codificadas || b.codificadas, "");
    std::printf("store / text size:      %.2f (bar: <= 2.00)\n", double(r.store) / double(texto));
    std::printf("peak RSS growth / text: %.2f\n", (r.hwmKb - r.rssAntesKb) * 1024.0 / double(texto));
    std::printf("every field's text:     %.3f s, %.2f us a row, %.2f of the fetch (bar: <= 0.50)\n", textos,
                textos * 1e6 / double(filas), textos / r.segundos);
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto opcion = [&](const QString& nombre, const QString& defecto) {
        const qsizetype i = args.indexOf(nombre);
        return i >= 0 && i + 1 < args.size() ? args[i + 1] : defecto;
    };
    const QString fase = opcion("--phase", QString());
    if (!fase.isEmpty()) {
        Origen o;
        o.freeTds = opcion("--via", QString()) == QStringLiteral("freetds");
        o.archivo = opcion("--file", QString());
        o.puerto = opcion("--port", "0").toInt();
        imprime(fase == "recordset" ? leeConRecordset(o) : fase == "getdata" ? leeCeldaACelda(o) : leeSinGuardar(o));
        return 0;
    }

    const qint64 filas = opcion("--rows", "1000000").toLongLong();
    const int vueltas = std::max(1, opcion("--runs", "3").toInt());
    const QString via = opcion("--via", "both");
    bool bien = true;

    if (via != QStringLiteral("freetds")) {
        QTemporaryDir dir;
        Origen o;
        o.archivo = opcion("--file", dir.filePath("bench.db"));
        std::printf("== SQLite ODBC driver\nMaking a table of %lld rows in %s...\n", (long long)filas,
                    qPrintable(o.archivo));
        std::fflush(stdout);
        QElapsedTimer reloj;
        reloj.start();
        creaTabla(o.archivo, filas);
        std::printf("  made in %.1f s\n", double(reloj.elapsed()) / 1000);
        const qint64 texto = tamanoTexto(o.archivo);
        std::printf("Rows' text size: %.1f MB (%.1f bytes a row)\n\n", texto / 1e6, double(texto) / double(filas));
        bien = compara(app.applicationFilePath(), o, filas, texto, vueltas, {}) && bien;
    }

    if (via != QStringLiteral("sqlite")) {
        tdstest::TdsServer servidor;
        tdstest::ResultSet t;
        t.columns = {{"id", tdstest::Type::Int}, {"nombre", tdstest::Type::VarChar, 40},
                     {"precio", tdstest::Type::Float}, {"alta", tdstest::Type::DateTime}};
        t.generatedRows = std::size_t(filas);
        t.generator = filaServidor;
        t.encodeOnce = true;
        servidor.on(kConsulta.toStdString(), tdstest::Reply::rows(t));
        servidor.lifetimeLimit = std::chrono::hours(24);
        servidor.start();
        Origen o;
        o.freeTds = true;
        o.puerto = servidor.port();
        std::printf("\n== FreeTDS against the scripted TDS server (127.0.0.1:%d)\n", o.puerto);
        const qint64 texto = tamanoTextoServidor(filas);
        std::printf("Rows' text size: %.1f MB (%.1f bytes a row)\n", texto / 1e6, double(texto) / double(filas));
        const Codificaciones codificaciones = [&servidor] { return servidor.encodingCount(); };
        // A warm-up read of each way: the server encodes the rows for each
        // text size (and TDS version) their sessions ask for.
        QElapsedTimer reloj;
        reloj.start();
        bool calentado = true;
        double primera = 0;
        for (const char* fase : {"bare", "recordset", "getdata"}) {
            calentado = enProceso(app.applicationFilePath(), fase, o, codificaciones).filas == filas && calentado;
            if (primera == 0) primera = double(reloj.elapsed()) / 1000;
        }
        const int veces = servidor.encodingCount();
        if (veces == 1)
            std::printf("The server encoded the rows once, on a warm-up read (%.1f s), and sends every later read\n"
                        "as copies of those bytes in whole packets: the figures measure the client.\n\n",
                        primera);
        else
            std::printf("The server encoded the rows %d times on the warm-up reads, once for each text size or TDS\n"
                        "version the ways' sessions asked for: the ways do not connect alike.\n\n",
                        veces);
        if (!calentado) bien = false;
        else bien = compara(app.applicationFilePath(), o, filas, texto, vueltas, codificaciones) && bien;
    }
    return bien ? 0 : 1;
}
