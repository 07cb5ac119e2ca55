#pragma once
// The large table the benchmarks read: a million rows (an integer, a
// 40-character text, a floating-point number and a date-time) in an SQLite
// file, reached over the SQLite ODBC driver.

#include "platform/odbc.h"

#include <QString>

inline QString cadena(const QString& archivo) {
    // StepAPI=1: the driver steps through the result as it is fetched
    // instead of holding all of it in memory of its own first.
    return QStringLiteral("DRIVER=SQLite3;Database=") + archivo + QStringLiteral(";StepAPI=1;");
}

inline void creaTabla(const QString& archivo, qint64 filas) {
    datos::OdbcConnection c;
    c.Open(cadena(archivo));
    c.Execute("drop table if exists t");
    c.Execute("create table t(id integer, nombre varchar(40), precio double, alta datetime)");
    c.Execute(QStringLiteral(
                  "insert into t with recursive n(x) as (select 1 union all select x + 1 from n where x < %1) "
                  "select x, substr('ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz', 1 + x % 26, 20) || "
                  "printf('%020d', x * 7919), x * 0.37 + 0.001, "
                  "datetime(946684800 + x * 37, 'unixepoch') from n")
                  .arg(filas));
}
