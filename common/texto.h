#pragma once
// Text and number helpers with the program's semantics, and the two helpers
// through which every name and value pasted into a statement passes.

#include <QString>

// Leading and trailing blanks (spaces only; tabs and line ends stay).
QString Trim(const QString& s);
// The leading number of a text ("  12abc" gives 12, "abc" gives 0). Blanks,
// tabs and line feeds inside the number are skipped.
double Val(const QString& s);
// To a 16-bit integer, rounding half to even; fails with an overflow (6).
qint16 CInt(double v);
// A value that may be a number or a text, to a 16-bit integer; a text that is
// not a number fails with a type mismatch (13).
qint16 CInt(const QString& s);

// An identifier as the server should read it: as it stands when it is a
// regular identifier and not a reserved word, else in brackets with every
// ']' doubled.
QString NombreSQL(const QString& nombre);
// A value for the inside of a quoted string literal: every ' doubled.
QString LiteralSQL(const QString& valor);
// A whole quoted string literal: 'valor' with every ' doubled, written
// N'valor' when the text holds any character beyond ASCII, so that the server
// does not pass it through the database's code page.
QString CadenaSQL(const QString& valor);
// A value pasted bare as a number: returned unchanged when it is a number,
// refused with a type mismatch (13) otherwise.
QString NumeroSQL(const QString& valor);
bool EsReservadaSQL(const QString& palabra);

// A folder and a file name joined with the folder's own kind of separator:
// "/" for a path that begins with "/", else "\"; one is added only when the
// folder does not end in it. An empty folder gives the file name alone.
QString UneRuta(const QString& carpeta, const QString& fichero);
