// Reading a large result through the data layer, against the limit of the
// same driver read bare.
//
// Makes a table of a million rows (an integer, a 40-character text, a
// floating-point number and a date-time) in an SQLite file, then reads the
// whole table over the SQLite ODBC driver in two ways, each in a process of
// its own so that its peak memory is its own:
//   recordset  Connection::Query into the column store, as the program reads;
//   bare       a loop over the same driver with block fetches into bound
//              arrays, keeping nothing (the most any reader can get).
// Each way runs several times, alternating; the best time counts. Printed:
// rows per second of both and their ratio, the store's bytes (memoryUsed)
// and the growth of each process's peak resident memory (VmHWM) over what it
// held before reading, against the size of the rows as text.
//
// Usage: bench_recordset [--rows N] [--runs N] [--file path]
// The bars: recordset >= 0.6 of bare; memory <= 2 x the rows' text.
#include "tablagrande.h"

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
#include <cstdio>
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
};

void imprime(const Medida& m) {
    std::printf("MEDIDA %lld %.6f %lld %lld %lld\n", (long long)m.filas, m.segundos, (long long)m.store,
                (long long)m.rssAntesKb, (long long)m.hwmKb);
    std::fflush(stdout);
}

Medida leeConRecordset(const QString& archivo) {
    OdbcConnection c;
    c.Open(cadena(archivo));
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
    return m;
}

Medida leeSinGuardar(const QString& archivo) {
    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT st;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const QString cs = cadena(archivo);
    if (!SQL_SUCCEEDED(SQLDriverConnectW(dbc, nullptr, (SQLWCHAR*)cs.utf16(), SQL_NTS, nullptr, 0, nullptr,
                                         SQL_DRIVER_NOPROMPT)))
        return {};
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
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
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return m;
}

Medida enProceso(const QString& programa, const QString& fase, const QString& archivo) {
    QProcess p;
    p.start(programa, {QStringLiteral("--phase"), fase, QStringLiteral("--file"), archivo});
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
    }
    if (m.filas == 0) std::fprintf(stderr, "%s failed: %s\n", qPrintable(fase), p.readAllStandardError().constData());
    return m;
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
        const QString archivo = opcion("--file", QString());
        imprime(fase == "recordset" ? leeConRecordset(archivo) : leeSinGuardar(archivo));
        return 0;
    }

    const qint64 filas = opcion("--rows", "1000000").toLongLong();
    const int vueltas = std::max(1, opcion("--runs", "3").toInt());
    QTemporaryDir dir;
    const QString archivo = opcion("--file", dir.filePath("bench.db"));
    std::printf("Making a table of %lld rows in %s...\n", (long long)filas, qPrintable(archivo));
    std::fflush(stdout);
    QElapsedTimer reloj;
    reloj.start();
    creaTabla(archivo, filas);
    std::printf("  made in %.1f s\n", double(reloj.elapsed()) / 1000);
    const qint64 texto = tamanoTexto(archivo);
    std::printf("Rows' text size: %.1f MB (%.1f bytes a row)\n\n", texto / 1e6, double(texto) / double(filas));

    std::vector<Medida> conTabla, sinGuardar;
    for (int i = 0; i < vueltas; ++i) {
        sinGuardar.push_back(enProceso(app.applicationFilePath(), "bare", archivo));
        conTabla.push_back(enProceso(app.applicationFilePath(), "recordset", archivo));
    }
    auto mejor = [](const std::vector<Medida>& v) {
        return *std::min_element(v.begin(), v.end(), [](const Medida& a, const Medida& b) { return a.segundos < b.segundos; });
    };
    const Medida r = mejor(conTabla), b = mejor(sinGuardar);
    if (r.filas != filas || b.filas != filas) {
        std::printf("row counts differ: recordset %lld, bare %lld, table %lld\n", (long long)r.filas,
                    (long long)b.filas, (long long)filas);
        return 1;
    }
    const double fr = double(r.filas) / r.segundos, fb = double(b.filas) / b.segundos;
    std::printf("%-11s %12s %10s %14s %16s\n", "", "rows/s", "seconds", "store MB", "peak RSS +MB");
    std::printf("%-11s %12.0f %10.3f %14.1f %16.1f\n", "recordset", fr, r.segundos, r.store / 1e6,
                (r.hwmKb - r.rssAntesKb) / 1024.0);
    std::printf("%-11s %12.0f %10.3f %14s %16.1f\n", "bare", fb, b.segundos, "-", (b.hwmKb - b.rssAntesKb) / 1024.0);
    std::printf("\nrecordset / bare speed: %.2f (bar: >= 0.60)\n", fr / fb);
    std::printf("store / text size:      %.2f (bar: <= 2.00)\n", double(r.store) / double(texto));
    std::printf("peak RSS growth / text: %.2f\n", (r.hwmKb - r.rssAntesKb) * 1024.0 / double(texto));
    return 0;
}
