#pragma once
// Pure text builders of the database window: plain values in, statement
// text out. No window, no connection, no globals.

#include <QList>
#include <QString>

// One row of a file grid as the statements read it (cells as the grid holds
// them; "-1" is a ticked switch).
struct FicheroBD {
    int Fila = 0;           // the array row (row 0 is the primary data file)
    QString Nombre;         // logical name, already trimmed
    QString Carpeta;        // folder, with its separator
    QString Tamaño;         // initial size in MB; may carry a decimal comma
    QString Grupo;          // filegroup (data files only)
    QString Crecimiento;    // automatic growth switch
    QString Unidad;         // "P" percent, anything else megabytes
    QString Cantidad;       // growth amount
    QString Limite;         // growth limit switch
    QString Maximo;         // maximum size in MB
};

// A number of a cell as a statement carries it: every "," becomes "." and
// the result must be a number (else failure 13).
QString NumeroBD(const QString& celda);
// Whether a cell holds a number (a decimal comma or point allowed).
bool EsNumeroBD(const QString& celda);
// A count of 8 KB pages in megabytes, as the grids show it: rounded half to
// even, or unrounded in the user's regional form.
QString MegasDePaginas(double paginas, bool redondea);

// One file's clause list: " (NAME = ... )".
QString TextoFicheroBD(const FicheroBD& f, const QString& extension);

// CREATE DATABASE: primary-group files first after " ON " and the group as
// its cell holds it, then each other group's files after " FILEGROUP " and
// its name (groups compared in upper case, in order of first appearance),
// then " LOG ON " and the log files. Files are joined by "," and a carriage
// return; the last of each list is followed by a carriage return alone.
// Only array row 0 of the data files is ".mdf".
QString TextoCreaBD(const QString& nombre, const QList<FicheroBD>& datos, const QList<FicheroBD>& registro);
