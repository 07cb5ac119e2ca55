#pragma once
// The designer's statement module: state shared by every designer window
// while one of them builds and runs its statements (one at a time, on the
// one thread), what the last loaded designer left for the others, and the
// procedures that turn a design into statements and send them: the column
// clauses and changes, the key columns of an index, the foreign keys of
// other tables that must make way for a primary key, and the catalog tests
// that choose between creating and re-creating.
//
// The texts themselves come from textosddl.h; the procedures here read the
// catalog of the database in PrefijoBD, call those builders and send. Each
// procedure reports its own failures (MuestraError with its own name) and
// then answers false; a catalog query that cannot run is such a failure, so
// that nothing is ever done on an answer the catalog did not give.

#include "common/funciones.h"
#include "platform/datos.h"
#include "tabledesigner/textosddl.h"

#include <QHash>
#include <QString>

#include <memory>

struct Criterio;

// The CREATE TABLE or ALTER TABLE statement being built.
extern QString Sql_Tabla;
// The table exists: ALTER rather than CREATE.
extern bool ExisteLaTabla;
// " ADD " is already written into the ALTER statement.
extern bool AddPuesto;
// A column clause is already written.
extern bool HayCampos;
// New-column clauses of the statement.
extern qint32 NumCampos;
// The index or primary-key statement being built; also a statement list of
// index re-creates.
extern ListaSentencias Sql_Indice;
// The key column names of that index (each as NombreSQL writes it), joined
// by ",".
extern QString Sql_Columnas;
// The index or relation being saved exists.
extern bool ClaveExistente;
// The foreign-key statement being built; also a statement list of
// foreign-key re-creates.
extern ListaSentencias Sql_Vinculos;
// The collation written into altered character columns that have none of
// their own: that of the database of the designer whose save or column
// change runs.
extern QString Intercalacion;
// The list number of the table the last designer loaded.
extern qint32 NumeroTabla;

// A failure that the procedure which met it has already reported: the
// callers unwind to the save or the column change without reporting it again.
struct FalloNotificado {};
// Throws FalloNotificado when a failure was reported since the count antes
// (FallosNotificados) was taken.
inline void Vigila(qint64 antes) {
    if (FallosNotificados() != antes) throw FalloNotificado{};
}

// Back to the state of a program that has just started (used between tests).
void ReiniciaBD_SQL();

// Sends the statements of a list one after the other on the connection, as
// ListaSentencias::Envios gives them. A statement that fails stops the run
// and fails the caller (nothing is reported here).
void EjecutaLista(const std::shared_ptr<datos::Connection>& conexion, const ListaSentencias& lista);

// ---- Columns (on Conexion; the catalog of PrefijoBD) ----
// Names are as typed, without brackets; the texts quote them.

// Appends the clause of a new column to Sql_Tabla: " ADD " first when the
// table exists and it is not written yet, "," and a carriage return before
// every clause but the first of a statement of several new columns.
bool Crea_Campo(const QString& tabla, const QString& campo, const QString& longitud, const QString& precision,
                const QString& escala, const QString& nulo, qint16 tipo, const QString& valor);
// True when the row differs from the column as the catalog holds it (see
// CampoDifiere); false when it does not, when the table or the column is not
// in the catalog, or after a reported failure.
bool CampoModificado(const QString& tabla, const QString& campo, const QString& longitud, const QString& precision,
                     const QString& escala, const QString& nulo, const QString& tipo, const QString& valor,
                     const QString& nombreDefault, const QString& propietario = QString());
// Alters an existing column at once: its DEFAULT constraint dropped, the
// column altered (decimal and numeric to the precision and scale given),
// the default added again (see SentenciasModificaCampo). A character column
// keeps intercalacion, its own collation; without one (a column the design
// did not load) it takes the database's, Intercalacion.
// Sends nothing, and answers true, for a table or column the catalog does
// not hold. A change of an image or ntext column, or of a type the list does
// not hold (code "0"), cannot be written: it fails (kCampoSinModificar)
// before anything is sent. A failing statement leaves the later ones unsent.
bool Modifica_Campo_SQL(const QString& tabla, const QString& campo, const QString& longitud,
                        const QString& precision, const QString& escala, const QString& nulo, const QString& tipo,
                        const QString& valor, const QString& nombreDefault,
                        const QString& intercalacion = QString(), const QString& propietario = QString());

// ---- Indexes ----

// Adds one key column, in row order, to the index being built: the first
// column of a primary key ("P") writes its key clause into Sql_Indice; every
// column of a "P", "I" or "" entry goes into Sql_Columnas; other kinds add
// nothing. The index name is as typed; a descending column is written
// " DESC" (ColumnaClave). The save writes CabeceraIndice into Sql_Indice
// before the first column and ColaIndice after the last.
bool Crea_Indice(const QString& tabla, const QString& indice, const QString& campo, const QString& tipo,
                 const QString& unico, const QString& agrupado, bool descendente = false);

// ---- Foreign keys of other tables ----

// Drops every foreign key that references this table and adds to the list
// the statements that re-create it, rules included; a key of the table to
// itself is dropped and left to the relations of the design. A key
// whose re-create cannot be made (a name or a column the catalog does not
// give, rules it cannot read) is left in place, and that is a failure. Keys
// handled before a failure stay dropped with their statements in the list.
bool EliminaVinculos(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                     ListaSentencias& lista, const QString& propietario = QString());

// The program's own number for a foreign key that cannot be created again
// (the first number the run-time leaves to programs).
constexpr qint64 kVinculoSinRecrear = -2147221504LL + 513;
// The program's own number for a change of a column that cannot be altered.
constexpr qint64 kCampoSinModificar = -2147221504LL + 514;

// The owners of tables by their object ids, as far as a caller knows them.
using PropietariosPorId = QHash<QString, QString>;

// The statements that re-create a foreign key from its row of
// sysreferences (constid, fkeyid, rkeyid, fkey1..16, rkey1..16), its rules
// included; the key's name, its table and that table's owner come back too.
// Both tables are named with their owners: those of conocidos, the others
// as the catalog holds them. A key of which any part cannot be read fails
// the caller (its number is the program's own), before anything is dropped.
QStringList RecreaVinculo(const std::shared_ptr<datos::Connection>& conexion, const datos::Recordset& clave,
                          QString& nombre, QString& suTabla, QString& suPropietario,
                          const PropietariosPorId& conocidos = {});
// The rules of a foreign key of the current database; false when the
// catalog cannot tell them. A query that cannot run fails the caller.
bool LeeReglasVinculo(const std::shared_ptr<datos::Connection>& conexion, const QString& idConstraint,
                      ReglasVinculo& reglas);

// ---- Catalog tests (false after a reported failure) ----
// Where a procedure takes a table and an owner, it reads that owner's table
// alone, and names it with its owner; without an owner, the table of that
// name.

// A user table of that name exists.
bool ExisteTabla(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                 const QString& propietario = QString());
// The user table exists and has a column of that name.
bool ExisteCampo(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla, const QString& campo,
                 const QString& propietario = QString());
// The user table exists and has an index of that name.
bool ExisteElIndice(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                    const QString& indice, const QString& propietario = QString());
// Both user tables exist and the first has a foreign key to the other.
// False, without asking, for an empty column list (the save's question).
bool ExisteLaRelacion(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                      const QString& otraTabla, const QString& columnas, const QString& propietario = QString());

// ---- For the designer's own procedures (frmtabla_claves.cpp) ----

// The first field of the first row of PrefijoBD & tabla whose fields equal
// the criteria ("Texto" values as literals, "Numerico" bare, as
// ExisteRegistro writes them; "Propietario": the number of the owner of that
// name); "" when no row does or the first value is
// empty. A query that cannot run fails the caller, which reports it.
QString LeeCatalogo(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                    const QString& campo, const QList<Criterio>& criterios);
// The owner of an object of the database of PrefijoBD, by its id; "" when
// the catalog holds no such object.
QString PropietarioPorId(const std::shared_ptr<datos::Connection>& conexion, const QString& id);
// The id of the user table of that name (of that owner, when given); ""
// when there is none.
QString IdTablaUsuario(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                       const QString& propietario = QString());
// Opens a recordset; a query that cannot run fails the caller.
void AbreCatalogo(const std::shared_ptr<datos::Connection>& conexion, datos::Recordset& rs, const QString& sql);
