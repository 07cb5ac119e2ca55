#pragma once
// Catalog questions shared by the designers and the database dialogs.

#include "platform/griddataarray.h"

#include <QString>

class Nodo;
class QComboBox;

// Filegroups of the current database: name, files that are not log files,
// read-only flag and default flag ("-1"/"0"); rows 0 to 200, columns 0 to 4.
extern ArrayDatos GruposFicheros;

// Sets PrefijoBD for a database: its name as the server reads it, and "..".
void PonPrefijoBD(const QString& baseDatos);

// An object's name as a statement names it: with its owner in front when the
// owner is not dbo, so that another owner's object of the same name is never
// the one reached.
QString NombreConPropietario(const QString& propietario, const QString& nombre);

// Empties a list and fills it with the server's databases, names trimmed,
// selecting none; false when the list could not be read (reported). Each
// entry keeps the catalog's own name beside its text (BaseDatosDe).
bool LlenaListaBasesDatos(QComboBox* lista);
// The catalog's own name of the database an entry of such a list shows.
QString BaseDatosDe(const QComboBox* lista, int indice);
// Selects the entry of such a list whose catalog name is baseDatos (none
// when there is none); true when found.
bool SeleccionaBaseDatos(const QString& baseDatos, QComboBox* lista);

// The database of a node of the explorer's tree, as the catalog names it
// (the tree shows it trimmed): a database node's own, or for a folder of a
// database, its parent's. For any other node, the text of the node itself or
// of its parent, as a folder's database is read.
QString BaseDatosDelNodo(const Nodo& nodo);
QString BaseDatosDelPadre(const Nodo& nodo);

// The database's default collation, or "".
QString DameIntercalacion(const QString& baseDatos);
// The designer's type code ("1" to "23", "0" for none) of a catalog type
// number or a field type number, given as text.
QString DameTipoDato(const QString& tipo, bool& numerico);
// Loads the filegroups of NombreNodo into GruposFicheros.
void CapturaGruposFicheros_SQL();
// The same for a given database into a given array (created when null).
void CapturaGruposFicheros_SQL(const QString& baseDatos, ArrayDatos& grupos);

// Empties and rebuilds the explorer's tree from the server's databases,
// creating and loading the explorer first when none is open (its load builds
// the tree).
void CapturaBD_SQL();
