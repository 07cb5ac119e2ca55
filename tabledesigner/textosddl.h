#pragma once
// The designer's data-definition texts, built from plain values: no window,
// no connection and no shared state come in (the database prefix, the
// collation and whatever the catalog said are arguments). The procedures of
// bd_sql.h read the design and the catalog, call these and send the result.
//
// Also here: the one type table of the designer (codes, names, default
// sizes, which size cells the user may edit, and the clause each type
// writes), which the loader, the statements and the column grid share; and
// the statement list, which keeps a list of statements apart statement by
// statement, so that a name holding "*" never cuts one in two.
//
// Names go through NombreSQL (common/texto.h); where a text writes its own
// brackets ("[DF_" t "_" c "]") the pasted name has its "]" doubled instead;
// sizes, fill factors and ids pasted bare go through NumeroSQL and a value
// that is not a number fails (13) before any text is made. A default value
// is the user's expression and is pasted as typed.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// ---- The type table ----

// How a type writes its size after the text of its clause.
enum class MedidaTipo {
    Ninguna,          // nothing: the clause is the whole text
    Longitud,         // the length, then ") "
    PrecisionEscala,  // precision "," scale, then ") "
};

// One type of the designer's list. Codes run from "1" to "23" in
// alphabetical order of the names; the type cell stores the code and shows
// the name.
struct TipoColumna {
    QString Codigo;
    QString Nombre;  // the server's name of the type
    bool Numerico;   // what DameTipoDato reports with the code
    // What a new column receives when its type is chosen.
    QString LongitudInicial, PrecisionInicial, EscalaInicial;
    // The size cells that stay editable for the type.
    bool LongitudEditable, PrecisionEditable, EscalaEditable;
    // The clause of a new column: this text, then the size as Medida says.
    QString ClausulaNueva;
    // The clause of an altered column, written the same way; empty for the
    // types that are never altered (image, ntext).
    QString ClausulaModificada;
    MedidaTipo Medida;
    // The altered clause carries the collation (character types).
    bool ConIntercalacion;
};

// The 23 types in code order (the order of the type cell's drop-down).
const QList<TipoColumna>& TiposColumna();
// The type of a code, "1" to "23" exactly; nullptr for anything else (an
// empty cell, or "0" for a catalog type the list does not hold).
const TipoColumna* TipoPorCodigo(const QString& codigo);
const TipoColumna* TipoPorCodigo(int codigo);
// The type a named row receives when its type cell is empty: char, with
// length "10", precision "0" and scale "0".
const TipoColumna& TipoPorDefecto();

// nchar and nvarchar: the length the designer shows counts characters,
// which the catalog keeps in prec (length holds twice as many bytes).
bool CuentaCaracteres(const QString& codigo);

// Which of the length, precision and scale cells are locked for the type
// in a row's type cell; a cell that holds no listed code locks nothing.
struct BloqueoCeldas {
    bool BloqueaLongitud = false;
    bool BloqueaPrecision = false;
    bool BloqueaEscala = false;
};
BloqueoCeldas BloqueosDeTipo(const QString& codigo);

// ---- Shared pieces ----

// A name pasted inside brackets that the statement writes itself: every
// "]" doubled.
QString DuplicaCorchetes(const QString& nombre);
// A default as the catalog keeps it, without the parentheses that enclose
// the whole of it, however many pairs: "((0))" gives "0", "(getdate())"
// gives "getdate()", "((1+2)*3)" gives "(1+2)*3"; "(1)+(2)" stays as it is.
// Parentheses inside quoted text do not count.
QString QuitaParentesisExteriores(const QString& texto);
// The prefix that names a table of an owner in the statements of the
// database of prefijo ("Tienda.."): "Tienda.juan." for an owner other than
// dbo; prefijo itself for dbo or no owner.
QString PrefijoConPropietario(const QString& prefijo, const QString& propietario);
// The number of an owner in the database of prefijo: "(select uid from "
// prefijo "sysusers where name = " owner ")".
QString SubconsultaPropietario(const QString& prefijo, const QString& propietario);
// The condition that keeps, of the rows of sysobjects, those of an owner:
// " and uid = " and that number; "" for no owner (the object by its name
// alone).
QString CondicionPropietario(const QString& prefijo, const QString& propietario);
// The owner a table stands under: dbo when none is named (a table the
// designer created names none).
QString PropietarioODbo(const QString& propietario);
// A table as the designer shows it to the user: "juan.Pedidos" for an owner
// other than dbo, the name alone for dbo or no owner.
QString NombreMostrado(const QString& propietario, const QString& tabla);
// A table as a catalog procedure (sp_helpindex) is given it: with its
// owner in front whenever there is one, dbo included.
QString TablaDeCatalogo(const QString& propietario, const QString& tabla);
// The query of a table's row of sysobjects by its name: a user table's, or
// with sistema any object of that name; of that owner's alone when given.
QString ConsultaTabla(const QString& prefijo, const QString& tabla, bool sistema,
                      const QString& propietario = QString());
// The query of the foreign keys that reference a table ("EXEC sp_fkeys
// 'T'"), or with propias those the table holds ("EXEC sp_fkeys
// NULL,NULL,NULL,'T'"); with an owner, that owner's table alone (its owner
// parameter after the name).
QString ConsultaClaves(const QString& tabla, bool propias, const QString& propietario = QString());
// " NULL" for the null flag "-1", else " NOT NULL".
QString ClausulaNulos(const QString& nulo);
// The statement that drops a constraint by its name:
// "ALTER TABLE " prefijo tabla " DROP CONSTRAINT " nombre.
QString TextoEliminaConstraint(const QString& prefijo, const QString& tabla, const QString& nombre);
// The same for a DEFAULT constraint, whose name the text brackets itself:
// "ALTER TABLE " prefijo tabla " DROP CONSTRAINT [" nombre "]".
QString TextoEliminaDefault(const QString& prefijo, const QString& tabla, const QString& nombre);

// ---- Columns ----

// The name the designer gives a column's DEFAULT constraint: "DF_" tabla "_"
// campo. A name that would pass the server's 128 characters is cut, and
// ends in "_" and eight hexadecimal digits drawn from the whole name, so
// that two columns of one table never share it.
QString NombreDefaultGenerado(const QString& tabla, const QString& campo);

// The clause of a new column for a CREATE TABLE or an ALTER TABLE ... ADD:
// the name, the type's clause, the null clause and, for a non-empty default
// value, " CONSTRAINT [" NombreDefaultGenerado "] DEFAULT (" valor ")". Empty
// for a type code outside 1..23.
QString ClausulaCampoNuevo(const QString& tabla, const QString& campo, const QString& longitud,
                           const QString& precision, const QString& escala, const QString& nulo, int tipo,
                           const QString& valor);

// What the comparison of a row with its column asks the catalog. The first
// two come with the column; the others are asked only when the comparison
// gets to them, in the order of the members.
struct ColumnaCatalogo {
    QString Precision;  // syscolumns.prec
    QString Nulos;      // syscolumns.isnullable
    std::function<QString()> Longitud;      // syscolumns.length
    std::function<bool()> ExisteDefault;    // a DEFAULT constraint named as the row's exists
    std::function<QString()> TextoDefault;  // the text of the column's default, as kept
    std::function<QString()> NombreTipo;    // the name of the column's type
    std::function<QString()> Escala;        // syscolumns.scale
    // nchar or nvarchar: prec counts characters, length bytes.
    bool Caracteres = false;
};
// True when the row (length, precision, scale, null flag, type code,
// default value, DEFAULT constraint name) differs from the column: in its
// null flag, in its size (the length against the catalog's precision and
// then its length; for nchar and nvarchar, against its precision, its count
// of characters, alone), in its default, or, when nothing else differed, in the
// name of its type and then, for the types that take them (decimal,
// numeric), in its precision or its scale. A type code outside 1..23 never
// differs by its type.
bool CampoDifiere(const ColumnaCatalogo& catalogo, const QString& longitud, const QString& precision,
                  const QString& escala, const QString& nulo, const QString& tipo, const QString& valor,
                  const QString& nombreDefault);

// The statements that alter an existing column, in order: the drop of its
// DEFAULT constraint (when existeDefault), the ALTER COLUMN, and the default
// added again (when valor is not empty; named nombreDefault, or
// NombreDefaultGenerado when that is empty). precision and escala, the row's, are
// written for decimal and numeric; the collation clause for character types
// is " COLLATE " intercalacion " ", or " " when there is none. Nothing for
// image, ntext or a code outside 1..23.
QStringList SentenciasModificaCampo(const QString& prefijo, const QString& tabla, const QString& campo,
                                    const QString& longitud, const QString& nulo, const QString& tipo,
                                    const QString& valor, const QString& nombreDefault, bool existeDefault,
                                    const QString& precision, const QString& escala,
                                    const QString& intercalacion);

// ---- Indexes and primary keys ----
// A statement is head + key clause + tail: the head names the table, the
// key clause comes from the key columns (Crea_Indice), the tail lists them
// and adds the options.

// The head: for an index, "CREATE " [" UNIQUE "] [" CLUSTERED "] " INDEX "
// indice "  ON " prefijo tabla " "; for the kind "P" (primary key),
// "ALTER TABLE " prefijo tabla " WITH NOCHECK ADD ".
QString CabeceraIndice(const QString& prefijo, const QString& tabla, const QString& indice,
                       const QString& tipo, const QString& unico, const QString& agrupado);
// What a primary key writes at its first column: "CONSTRAINT " indice
// " PRIMARY KEY " and " CLUSTERED " or " NONCLUSTERED ".
QString ClausulaClavePrimaria(const QString& indice, const QString& agrupado);
// A key column as the column list writes it: its name, then " DESC" for a
// descending key.
QString ColumnaClave(const QString& columna, bool descendente);
// The tail: " (" columnas ")" and a carriage return; then the options, the
// first after " WITH ", every later one after " ,": "FILLFACTOR = " f,
// "IGNORE_DUP_KEY" for an index that ignores duplicate keys (never for a
// primary key), and "DROP_EXISTING " for an existing index; then " ON ["
// grupo "]" when there is a filegroup. An empty fill factor counts as 0. An
// existing primary key is added again, never rebuilt in place.
QString ColaIndice(const QString& columnas, const QString& tipo, const QString& factorRelleno,
                   const QString& grupo, bool existe, bool ignoraDuplicados = false);

// The statement that makes again an index that a change of one of its
// columns drops, from what sp_helpindex and the catalog tell of it: a
// primary key ("PK") or a unique constraint ("UQ") as a constraint of the
// table, any other as an index. The keys are as sp_helpindex lists them
// ("a, b(-)"; "(-)" marks a descending key), each name as it stands. No fill factor clause for 0 or
// none, no filegroup clause without a group. For a statement list: it
// begins with a blank and names the table without database prefix.
// The table is named with its owner when that is not dbo.
QString TextoRecreaIndice(const QString& tabla, const QString& indice, const QString& clase,
                          const QString& descripcion, const QString& claves, const QString& relleno,
                          const QString& grupo, const QString& propietario = QString());
// The drop of an index: "DROP INDEX " tabla "." indice, the table with its
// owner when that is not dbo.
QString TextoEliminaIndice(const QString& tabla, const QString& indice, const QString& propietario = QString());
// The column names of a key list as sp_helpindex gives it ("a, b(-)"),
// each as it stands, without the mark of a descending key.
QStringList ColumnasDeClaves(const QString& claves);

// ---- Foreign keys ----

// The rules of a foreign key that its re-create keeps.
struct ReglasVinculo {
    bool BorraEnCascada = false;      // ON DELETE CASCADE
    bool ActualizaEnCascada = false;  // ON UPDATE CASCADE
    bool NoParaReplicacion = false;   // NOT FOR REPLICATION
    bool Desactivado = false;         // the key is not checked
};
// The query of those rules for a constraint of the current database: one
// row of four columns, in the order of the members, each 1 or 0 (null for
// an object the current database does not hold).
QString ConsultaReglasVinculo(const QString& idConstraint);
// The statements that re-create another table's foreign key, without
// database prefix, for a statement list: " ALTER TABLE " tabla " ADD"
// " CONSTRAINT [" nombre "] FOREIGN KEY" " (" columnas ") REFERENCES "
// referida " (" columnas referidas ")", then its rules. A disabled key is
// added " WITH NOCHECK" and a second statement disables it again. Each
// table is named with its owner (propietario, propietarioReferida) when
// that is not dbo.
QStringList SentenciasRecreaVinculo(const QString& tabla, const QString& nombre, const QStringList& columnas,
                                    const QString& tablaReferida, const QStringList& columnasReferidas,
                                    const ReglasVinculo& reglas, const QString& propietario = QString(),
                                    const QString& propietarioReferida = QString());
// The statement with which the save adds one of the table's own relations,
// without database prefix: "ALTER TABLE " tabla " ADD" " CONSTRAINT ["
// nombre "] FOREIGN KEY" " (" columnas " ) REFERENCES " referida " ("
// columnas referidas ")".
QString TextoCreaRelacion(const QString& tabla, const QString& nombre, const QStringList& columnas,
                          const QString& tablaReferida, const QStringList& columnasReferidas);
// The same relation with the rules of the key it replaces: the rules after
// the REFERENCES clause, and a disabled key added " WITH NOCHECK" and then
// disabled by a second statement. Each table is named with its owner
// (propietario, propietarioReferida) when that is not dbo.
QStringList SentenciasCreaRelacion(const QString& tabla, const QString& nombre, const QStringList& columnas,
                                   const QString& tablaReferida, const QStringList& columnasReferidas,
                                   const ReglasVinculo& reglas, const QString& propietario = QString(),
                                   const QString& propietarioReferida = QString());

// The rename of a column: "EXEC sp_rename '" tabla ".[" original "]', '"
// nombre "', 'COLUMN'", the table as statements write it (with its owner
// when that is not dbo), both texts as whole literals.
QString TextoRenombraCampo(const QString& tabla, const QString& original, const QString& nombre,
                           const QString& propietario = QString());

// ---- Statement lists ----

// Statements to be run one after the other, kept one by one. It behaves as
// the text of the statements joined by " * " would: adding text goes on at
// the end of the last statement, a new statement follows a separator when
// the list is not empty, and running it sends the first statement as it is
// and every later one after the blank that followed its separator; a
// statement of blanks only is not sent. Unlike that text, a statement is
// never cut at a "*" of its own.
class ListaSentencias {
public:
    ListaSentencias() = default;
    // A list of that one statement (empty for an empty text).
    explicit ListaSentencias(const QString& sentencia) { AgregaTexto(sentencia); }

    // True when the joined text would be empty.
    bool EstaVacia() const { return sentencias_.isEmpty(); }
    void Vacia() { sentencias_.clear(); }
    // Adds text at the end of the last statement (begins the first one on an
    // empty list).
    void AgregaTexto(const QString& texto);
    // Starts a new statement with this text: after the last one when the list
    // is not empty (an empty text then still counts as a statement, and sends
    // nothing), else as the first.
    void Agrega(const QString& sentencia);

    const QStringList& Sentencias() const { return sentencias_; }
    // The statements joined by " * ".
    QString Texto() const { return sentencias_.join(QStringLiteral(" * ")); }
    // The texts a run sends, in order.
    QStringList Envios() const;

    bool operator==(const ListaSentencias&) const = default;

private:
    QStringList sentencias_;
};
