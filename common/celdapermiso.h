#pragma once
// The permission cell, shared by every permission grid (the database
// window's statement permissions and the user editor's object
// permissions): the three codes a cell holds, their pictures, the column
// that shows them, the code a protection row of sysprotects gives, and the
// choice of statement for a committed cell.
//
// A permission column holds its three pictures in the order "NA", "PE",
// "NP": a click on a cell moves it to the next one (after "NP", "NA" again)
// and commits it at once, with the grid's edit events, so that the window's
// AfterColUpdate sends the statement.

#include <QIcon>
#include <QString>

class RejillaDatos;

// The codes of a permission cell.
inline const QString kPermisoNoAsignado = QStringLiteral("NA");  // no row: REVOKE
inline const QString kPermisoConcedido = QStringLiteral("PE");   // GRANT
inline const QString kPermisoDenegado = QStringLiteral("NP");    // DENY

// The picture of a code, drawn here: "NA" a 13 by 13 empty grey square,
// "PE" a 16 by 14 grey square with a green check mark, "NP" a 15 by 14 grey
// square crossed out in red. Any other code has no picture.
QIcon ImagenPermiso(const QString& codigo);

// Makes grid column k a permission column: its three pictures as value
// items, in the order of the cycle.
void PreparaColumnaPermiso(RejillaDatos* g, int columna);

// The code that a protection row's protecttype gives: 205 (granted) and 204
// (granted with grant option) "PE", 206 (denied) "NP", anything else ""
// (the row says nothing the cell shows).
QString CodigoProteccion(int protecttype);

// Which statement a committed cell asks for: the first code its text holds,
// in the order "NA", "PE", "NP".
enum class AccionPermiso { Ninguna, Revoca, Concede, Deniega };
AccionPermiso AccionDeCelda(const QString& celda);

// The statement text of a cell among the three given, "" when the cell holds
// no code.
QString EligePermiso(const QString& celda, const QString& revoca, const QString& concede, const QString& deniega);
