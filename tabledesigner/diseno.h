#pragma once
// What a designer window keeps of its design besides its controls: the
// columns of its arrays by name, and the bounded containers of its index
// and relation tables. Those tables are large (201 slots of 101 entries) but
// a window fills only slot 0, so they keep only the elements written.

#include "platform/errores.h"
#include "platform/griddataarray.h"

#include <QString>

#include <array>
#include <unordered_map>

// Columns of ArrayCampos, the column grid's array (rows 0..200, columns 0..10).
enum ColumnaCampos {
    EstadoCampo = 0,          // row state: "M" exists, "" new, "I" new at the last save attempt
    NombreCampo = 1,
    TipoDato = 2,             // type code "1".."23"
    Longitud = 3,
    Precision = 4,
    Escala = 5,
    ValorNulo = 6,            // "-1" allows nulls, "0" NOT NULL
    ValorPredeterminado = 7,  // the default, without parentheses
    NombreDefault = 8,        // the DEFAULT constraint as loaded
    NombreCampoOriginal = 9,  // the name as loaded; "" for a new row
    IntercalacionCampo = 10,  // the column's own collation as loaded; "" for a new row
};

// What a column becomes when it changes: the definition the foreign-key
// cascade gives the column and every column joined to it. Trimmed, but for
// the type code and the names, which stand as the catalog holds them.
struct DefinicionCampo {
    QString Campo;
    QString Longitud;
    QString Nulo;            // "-1" or "0"
    QString Tipo;            // the type code
    QString Predeterminado;  // the default value
    QString NombreDefault;   // its constraint as loaded
    QString Precision;
    QString Escala;
    QString Intercalacion;   // its own collation as loaded; "" for the database's
};

// A column that a foreign-key cascade altered, with what it gave it.
struct ColumnaAlterada {
    QString Propietario;  // the table's owner; "" for dbo
    QString Tabla;
    QString Campo;
    QString Tipo;
    QString Longitud;
    QString Precision;
    QString Escala;
};

// Fields of an index entry of TablaIndices (slot, entry, field).
enum CampoIndice {
    NombreIndice = 0,
    TipoIndice = 1,     // "P" primary key, "I" index
    Agrupado = 2,       // "1" or "0"
    Unico = 3,          // "1" or "0"
    GrupoIndice = 4,    // filegroup
    FactorRelleno = 5,  // fill factor
    IgnoraDuplicados = 6,  // "1": the loaded index ignores duplicate keys
};
// Columns of an index's key column array (ArrayIndices): column 1 holds the
// key column; column 2 the name that column was loaded with when it is a
// descending key, so that the mark stays with that column alone.
constexpr int ColumnaClaveIndice = 1;
constexpr int ColumnaDescendente = 2;
// Columns of a relation's column pair array (ArrayRelaciones): this table's
// column, the referenced column, and the referenced table with its owner
// (every pair carries them; the save reads the first pair's).
constexpr int ColumnaCampoPropio = 1;
constexpr int ColumnaCampoReferido = 2;
constexpr int ColumnaTablaReferida = 3;
constexpr int ColumnaPropietarioReferida = 4;

// An array of N dimensions, each from 0 to its upper bound, whose elements
// exist once written (or reached for writing); an element never written
// reads as T's empty value. A subscript out of its bounds fails (9).
template <class T, int N>
class MatrizDispersa {
public:
    explicit MatrizDispersa(std::array<int, N> superiores) : sup_(superiores) {}

    template <class... I>
    T& operator()(I... i) {
        static_assert(sizeof...(I) == N);
        return celdas_[Clave({int(i)...})];
    }
    template <class... I>
    T Lee(I... i) const {
        static_assert(sizeof...(I) == N);
        const auto e = celdas_.find(Clave({int(i)...}));
        return e == celdas_.end() ? T() : e->second;
    }
    // Every element back to empty.
    void Vacia() { celdas_.clear(); }

private:
    qint64 Clave(std::array<int, N> i) const {
        qint64 clave = 0;
        for (int d = 0; d < N; ++d) {
            if (i[d] < 0 || i[d] > sup_[d]) FallaNumero(errnum::FueraDeIntervalo);
            clave = clave * (sup_[d] + 1) + i[d];
        }
        return clave;
    }
    std::array<int, N> sup_;
    std::unordered_map<qint64, T> celdas_;
};
