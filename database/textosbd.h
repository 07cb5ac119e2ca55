#pragma once
// Pure text builders of the database window: plain values in, statement
// text out. No window, no connection, no globals.

#include <QList>
#include <QString>

// One row of a file grid as the statements read it (cells as the grid holds
// them; "-1" is a ticked switch).
struct FicheroBD {
    int Fila = 0;           // the array row (row 0 is the primary data file)
    QString Nombre;         // logical name as its cell holds it, blanks included
    QString Carpeta;        // folder, with its separator
    QString Tamaño;         // initial size in MB; may carry a decimal comma
    QString Grupo;          // filegroup (data files only)
    QString Crecimiento;    // automatic growth switch
    QString Unidad;         // "P" percent, anything else megabytes
    QString Cantidad;       // growth amount
    QString Limite;         // growth limit switch
    QString Maximo;         // maximum size in MB
};

// A cell's text with a decimal point: the user's decimal separator and
// every "," become ".".
QString PuntoDecimalBD(const QString& celda);
// A number of a cell as a statement carries it (PuntoDecimalBD); the result
// must be a number (else failure 13).
QString NumeroBD(const QString& celda);
// Whether a cell holds a number (a decimal comma, point or the user's
// decimal separator allowed).
bool EsNumeroBD(const QString& celda);
// A count of 8 KB pages in megabytes, as the grids show it: rounded half to
// even, or unrounded in the regional form: ASCII digits and the user's
// decimal separator.
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

// ---- ALTER DATABASE ----
// Every statement begins with "ALTER DATABASE ", the database and a carriage
// return; each is sent by itself.
QString CabeceraAlterBD(const QString& nombre);
// A filegroup the server does not have yet.
QString TextoAñadeGrupoBD(const QString& nombre, const QString& grupo);
// A new data file (TO FILEGROUP unless its group is exactly "PRIMARY") or a
// new log file: the initial size as typed, the limit whenever its switch is
// on, and ",FILEGROWTH=0" when growth is off.
QString TextoAñadeFicheroBD(const QString& nombre, const FicheroBD& f, bool registro);
// An existing file grown to f.Tamaño (" SIZE = 512KB" below 1 MB).
QString TextoTamañoFicheroBD(const QString& nombre, const FicheroBD& f);
// An existing file's growth; switched off it is FILEGROWTH=0.
QString TextoCrecimientoFicheroBD(const QString& nombre, const FicheroBD& f);
// An existing file's limit: MAXSIZE when its switch is on, else UNLIMITED.
QString TextoLimiteFicheroBD(const QString& nombre, const FicheroBD& f);

// ---- Options ----
// The nine options in the order they are read and written: 0 the recovery
// model (combo positions 0 FULL, 1 BULK_LOGGED, 2 SIMPLE), 1 to 8 the check
// boxes.
constexpr int kOpcionesBD = 9;
// "select DATABASEPROPERTYEX (" the name's literal ",'" property "')".
QString TextoLeeOpcionBD(const QString& nombre, int opcion);
// The recovery statement of a combo position (0..2), "" for any other.
QString TextoRecuperacionBD(const QString& nombre, int posicion);
// The statement of a check-box option (1..8), on or off.
QString TextoOpcionBD(const QString& nombre, int opcion, bool activa);
// The combo position of the server's recovery value: 2 for a null, -1 for an
// unknown text (the selection stays).
int PosicionRecuperacionBD(const QString& valor, bool nulo);

// ---- General data ----
QString TextoEstadoBD(const QString& nombre);
QString TextoPropietarioBD(const QString& nombre);
QString TextoTamañoBD(const QString& nombre);
QString TextoUsuariosBD();

// ---- Removing a file or a filegroup ----
// "ALTER DATABASE " db, a carriage return, " REMOVE FILE " and the name.
QString TextoEliminaFicheroBD(const QString& nombre, const QString& fichero);
// The same with " REMOVE FILEGROUP " and the group.
QString TextoEliminaGrupoBD(const QString& nombre, const QString& grupo);

// ---- Statement permissions ----
// The eight permission columns of the grid, 1 to 8; column 0 is the user.
constexpr int kColumnasPermisoBD = 8;
// "USE " and the database.
QString TextoUsoBD(const QString& nombre);
// The database's users that have a login, are no alias and have access.
QString TextoUsuariosPermisoBD(const QString& nombre);
// One user's statement permissions in the current database's sysprotects.
QString TextoProteccionesBD(const QString& uid);
// The grid column (1..8) of a sysprotects action, 0 for any other.
int ColumnaAccionBD(int action);
// The statement of a permission column (1..8) for a cell: REVOKE, GRANT or
// DENY by the first code the cell holds, "" for none (or another column).
QString TextoPermisoBD(int columna, const QString& celda);
// The statement given to a user: statement " TO " user.
QString TextoPermisoUsuarioBD(const QString& sentencia, const QString& usuario);
