// The save: the design turned into statements, all in one transaction. The
// first failure ends it, reported once (by the procedure that met it, or as
// the save's own), and rolls everything back; the design stays as it was and
// the next Yes runs the whole save again.

#include "tabledesigner/frmtabla.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "tabledesigner/bd_sql.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

constexpr int kUltimoCampo = 199;

QString Celda(const ArrayDatos& a, int fila, int columna) { return Trim(a->LeeCelda(fila, columna)); }

// A name as it stands, blanks included (the catalog may hold them); a
// blank one is no name.
QString Nombre(const QString& texto) { return Trim(texto).isEmpty() ? QString() : texto; }
QString Nombre(const ArrayDatos& a, int fila, int columna) { return Nombre(a->LeeCelda(fila, columna)); }

// The names of a column of a key list, rows 0..199, of the rows whose first
// name is not blank.
QStringList Columna(const ArrayDatos& a, int columna) {
    QStringList r;
    if (!a) return r;
    for (int fila = 0; fila <= kUltimoCampo && fila <= a->FilaSuperior(); ++fila) {
        if (Celda(a, fila, 1).isEmpty()) continue;
        r.append(a->LeeCelda(fila, columna));
    }
    return r;
}

// For each key column that Columna(a, ColumnaClaveIndice) gives, whether it
// is descending: its row still holds the column it was loaded descending with.
QList<bool> Descendentes(const ArrayDatos& a) {
    QList<bool> r;
    if (!a) return r;
    for (int fila = 0; fila <= kUltimoCampo && fila <= a->FilaSuperior(); ++fila) {
        if (Celda(a, fila, ColumnaClaveIndice).isEmpty()) continue;
        const QString marca = a->LeeCelda(fila, ColumnaDescendente);
        r.append(!marca.isEmpty() && marca == a->LeeCelda(fila, ColumnaClaveIndice));
    }
    return r;
}

}  // namespace

bool frmTabla::ActualizaLaTabla() {
    const qint64 antes = FallosNotificados();
    bool abierta = false;
    bool hecho = false;
    AlteradasEnCascada.clear();
    try {
        Conexion->BeginTrans();
        abierta = true;
        PonPrefijoBD(BaseDatos);
        Intercalacion = IntercalacionBD;
        Sql_Vinculos.Vacia();
        Sql_Indice.Vacia();
        Sql_Columnas.clear();
        const QString T = txtNombreTabla->text();
        const QString N = NombreSQL(T);
        // The table's owner, and the prefix that names the table with it.
        const QString& O = Propietario;
        const QString P = PrefijoConPropietario(PrefijoBD, O);
        const QString id = IdTablaUsuario(Conexion, T, O);
        Conexion->Execute(QStringLiteral("USE ") + NombreSQL(BaseDatos));

        const bool existe = ExisteTabla(Conexion, T, O);
        Vigila(antes);

        // The rules of the table's own keys, read before any of them is
        // dropped (a column change, the primary key's rebuild): each key is
        // made again once, by the relations of the design, with its rules.
        QHash<QString, ReglasVinculo> reglas;
        for (int r = 0; r < NumeroRelaciones && !id.isEmpty(); ++r) {
            const QString relacion = Nombre(TablaRelaciones.Lee(0, r));
            if (relacion.isEmpty()) continue;
            const QString idClave = LeeCatalogo(Conexion, QStringLiteral("sysobjects"), QStringLiteral("id"),
                                                {{QStringLiteral("name"), relacion, QStringLiteral("Texto")},
                                                 {QStringLiteral("parent_obj"), id, QStringLiteral("Numerico")}});
            ReglasVinculo leidas;
            if (!idClave.isEmpty() && LeeReglasVinculo(Conexion, idClave, leidas)) reglas.insert(relacion, leidas);
        }
        if (existe && NombreTablaInicial.isEmpty()) {
            // A new design must not turn into changes of another table.
            MensajeUsuario(QStringLiteral("La tabla ") + T + QStringLiteral(" ya existe."),
                           QStringLiteral("Table ") + T + QStringLiteral(" already exists."));
            DaTeclado(txtNombreTabla);
            throw FalloNotificado{};
        }
        ExisteLaTabla = existe;
        if (existe) {
            Sql_Tabla = QStringLiteral("ALTER TABLE ") + P + N + u' ';
            AddPuesto = false;
        } else {
            Sql_Tabla = QStringLiteral("CREATE TABLE ") + P + N + QStringLiteral(" (");
        }

        // Renames first: every test and statement below names the columns
        // as they will be, and a new row may take the name a column leaves.
        for (int r = 0; r <= kUltimoCampo; ++r) {
            const QString nombre = Nombre(ArrayCampos, r, NombreCampo);
            if (nombre.isEmpty()) continue;
            const QString original = Nombre(ArrayCampos, r, NombreCampoOriginal);
            if (!original.isEmpty() && original.toUpper() != nombre.toUpper())
                Conexion->Execute(TextoRenombraCampo(T, original, nombre, O));
        }

        // Columns: altered, or new.
        NumCampos = 0;
        for (int r = 0; r <= kUltimoCampo; ++r) {
            const QString nombre = Nombre(ArrayCampos, r, NombreCampo);
            if (nombre.isEmpty()) continue;
            DefinicionCampo fila{nombre,
                                 Celda(ArrayCampos, r, Longitud),
                                 Celda(ArrayCampos, r, ValorNulo),
                                 Celda(ArrayCampos, r, TipoDato),
                                 Celda(ArrayCampos, r, ValorPredeterminado),
                                 Nombre(ArrayCampos, r, NombreDefault),
                                 Celda(ArrayCampos, r, Precision),
                                 Celda(ArrayCampos, r, Escala),
                                 ArrayCampos->LeeCelda(r, IntercalacionCampo)};
            const bool campoExiste = ExisteCampo(Conexion, T, nombre, O);
            Vigila(antes);
            if (!campoExiste) {
                ++NumCampos;
                if (!Crea_Campo(T, nombre, fila.Longitud, Celda(ArrayCampos, r, Precision), Celda(ArrayCampos, r, Escala),
                                fila.Nulo, qint16(Val(fila.Tipo)), fila.Predeterminado))
                    throw FalloNotificado{};
                continue;
            }
            // A column a cascade of this save has altered already counts as
            // it left it: altering it again would undo the cascade.
            for (const ColumnaAlterada& a : AlteradasEnCascada) {
                if (PropietarioODbo(a.Propietario).toUpper() == PropietarioODbo(O).toUpper() &&
                    a.Tabla.toUpper() == T.toUpper() &&
                    a.Campo.toUpper() == nombre.toUpper()) {
                    fila.Tipo = a.Tipo;
                    fila.Longitud = a.Longitud;
                    fila.Precision = a.Precision;
                    fila.Escala = a.Escala;
                }
            }
            const bool cambiado =
                CampoModificado(T, nombre, fila.Longitud, fila.Precision, fila.Escala, fila.Nulo, fila.Tipo,
                                fila.Predeterminado, fila.NombreDefault, O);
            Vigila(antes);
            if (!cambiado) continue;
            bool enCascada = false;
            BuscaCambiaVinculos(Conexion, T, nombre, nombre, false, fila, &enCascada);
            Vigila(antes);
            if (enCascada) continue;  // the cascade altered the column too
            // Nothing joined: the column's indexes and own keys make way.
            Sql_Indice.Vacia();
            definicionEnCurso_ = fila;
            BuscaCargaIndices(T, nombre, Sql_Indice, id, Sql_Vinculos, O);
            Vigila(antes);
            EliminaLosVinculos(Conexion, T, nombre);
            Vigila(antes);
            Modifica_Campo_SQL(T, nombre, fila.Longitud, fila.Precision, fila.Escala, fila.Nulo, fila.Tipo,
                               fila.Predeterminado, fila.NombreDefault, fila.Intercalacion, O);
            Vigila(antes);
            EjecutaLista(Conexion, Sql_Indice);
            Sql_Indice.Vacia();
        }

        // The table statement.
        // The filegroup as the catalog names it; the list shows it trimmed.
        const QString grupo = BaseDatosDe(cboGrupoArchivoDatos, cboGrupoArchivoDatos->currentIndex());
        if (!Sql_Tabla.isEmpty() && NumCampos > 0) {
            if (!ExisteLaTabla) {
                Sql_Tabla += u')';
                if (!grupo.isEmpty() && grupo != QLatin1String("PRIMARY")) Sql_Tabla += QStringLiteral(" ON ") + NombreSQL(grupo);
            }
            Conexion->Execute(Sql_Tabla);
            Sql_Tabla.clear();
        } else {
            CambiaGrupoFicheros(grupo);
            Vigila(antes);
        }

        // Indexes the design no longer holds.
        for (const auto& [cargado, clase] : IndicesCargados) {
            bool sigue = false;
            for (int i = 0; i < NumeroIndices && !sigue; ++i) sigue = TablaIndices.Lee(0, i, NombreIndice) == cargado;
            if (sigue) continue;
            const bool estaAun = ExisteElIndice(Conexion, T, cargado, O);
            Vigila(antes);
            if (!estaAun) continue;
            if (clase == QLatin1String("PK")) {
                EliminaVinculos(Conexion, T, Sql_Vinculos, O);
                Vigila(antes);
            }
            if (clase == QLatin1String("PK") || clase == QLatin1String("UQ"))
                Conexion->Execute(TextoEliminaConstraint(P, T, cargado));
            else
                Conexion->Execute(TextoEliminaIndice(T, cargado, O));
        }

        // Indexes and the primary key.
        for (int i = 0; i < NumeroIndices; ++i) {
            const QString indice = Nombre(TablaIndices.Lee(0, i, NombreIndice));
            if (indice.isEmpty()) continue;
            const QStringList claves = Columna(ArrayIndices.Lee(0, i), ColumnaClaveIndice);
            const QList<bool> descendentes = Descendentes(ArrayIndices.Lee(0, i));
            if (claves.isEmpty()) continue;  // an entry without key columns sends nothing
            const QString tipo = Trim(TablaIndices.Lee(0, i, TipoIndice));
            const QString agrupado = Trim(TablaIndices.Lee(0, i, Agrupado));
            const QString unico = Trim(TablaIndices.Lee(0, i, Unico));
            Sql_Columnas.clear();
            Sql_Indice.Vacia();
            ClaveExistente = ExisteElIndice(Conexion, T, indice, O);
            Vigila(antes);
            if (tipo == QLatin1String("P") && ClaveExistente) {
                if (EliminaVinculos(Conexion, T, Sql_Vinculos, O))
                    Conexion->Execute(TextoEliminaConstraint(P, T, indice));
                Vigila(antes);
            }
            Sql_Indice.AgregaTexto(CabeceraIndice(P, T, indice, tipo, unico, agrupado));
            for (qsizetype k = 0; k < claves.size(); ++k) {
                Crea_Indice(T, indice, claves[k], tipo, unico, agrupado, descendentes[k]);
                Vigila(antes);
            }
            // Duplicate keys are ignored only by a unique index.
            const bool ignora = unico == QLatin1String("1") &&
                                Trim(TablaIndices.Lee(0, i, IgnoraDuplicados)) == QLatin1String("1");
            if (!Sql_Columnas.isEmpty()) {
                Sql_Indice.AgregaTexto(ColaIndice(Sql_Columnas, tipo, Trim(TablaIndices.Lee(0, i, FactorRelleno)),
                                                  Nombre(TablaIndices.Lee(0, i, GrupoIndice)), ClaveExistente, ignora));
                EjecutaLista(Conexion, Sql_Indice);
            }
            Sql_Indice.Vacia();
            Sql_Columnas.clear();
        }

        // The table's own keys go, the other tables' keys come back.
        EliminaLosVinculos(Conexion, T, QString());
        Vigila(antes);
        EjecutaLista(Conexion, Sql_Vinculos);
        EliminaLosVinculos(Conexion, T, QString());
        Vigila(antes);

        // The relations of the design.
        for (int r = 0; r < NumeroRelaciones; ++r) {
            const QString relacion = Nombre(TablaRelaciones.Lee(0, r));
            const ArrayDatos pares = ArrayRelaciones.Lee(0, r);
            const QStringList propias = Columna(pares, 1);
            if (relacion.isEmpty() || propias.isEmpty()) continue;
            ExisteLaRelacion(Conexion, T, relacion, QString(), O);
            Vigila(antes);
            ClaveExistente = false;
            const QStringList referidas = Columna(pares, 2);
            // The referenced table of the first pair, of its owner.
            const QString tablaReferida = Columna(pares, ColumnaTablaReferida).first();
            const QString dueñoReferida = Columna(pares, ColumnaPropietarioReferida).first();
            Sql_Vinculos = ListaSentencias();
            for (const QString& s : SentenciasCreaRelacion(T, relacion, propias, tablaReferida, referidas,
                                                           reglas.value(relacion), O, dueñoReferida))
                Sql_Vinculos.Agrega(s);
            Conexion->Execute(QStringLiteral("Use ") + NombreSQL(BaseDatos));
            for (const QString& s : Sql_Vinculos.Sentencias()) Conexion->Execute(s);
            Sql_Indice.Vacia();
            Sql_Columnas.clear();
        }

        Elimina_Sino_Esta_SQL();
        Vigila(antes);
        Conexion->CommitTrans();
        abierta = false;
        MuestraAlteradas();
        hecho = true;
    } catch (const FalloNotificado&) {
    } catch (const ErrorEjecucion& e) {
        ReportaFallo(QString(), "ActualizaLaTabla", e.Numero, e.Descripcion);
    }
    if (abierta) {
        // A transaction the server has already ended is not reported over
        // the failure that ended it.
        try {
            Conexion->RollbackTrans();
        } catch (const ErrorEjecucion&) {
        }
    }
    if (!hecho) PunteroRaton(vb::vbDefault);
    return hecho;
}

void frmTabla::Elimina_Sino_Esta_SQL() {
    Atrapa("Elimina_Sino_Esta_SQL", [&] {
        PonPrefijoBD(BaseDatos);
        const QString T = txtNombreTabla->text();
        datos::Recordset tablas;
        // This owner's table alone: another owner's columns are not the design's.
        AbreCatalogo(Conexion, tablas, ConsultaTabla(PrefijoBD, T, false, Propietario));
        const QString P = PrefijoConPropietario(PrefijoBD, Propietario);
        for (; !tablas.Eof(); tablas.MoveNext()) {
            datos::Recordset columnas;
            AbreCatalogo(Conexion, columnas,
                         QStringLiteral("Select * from ") + PrefijoBD + QStringLiteral("syscolumns ") +
                             QStringLiteral(" where id = ") + NumeroSQL(tablas.Fields(QStringLiteral("id")).Texto()) +
                             QStringLiteral(" order by colid"));
            for (; !columnas.Eof(); columnas.MoveNext()) {
                const QString nombre = columnas.Fields(QStringLiteral("Name")).Texto();
                // Only a column the design loaded and has since removed.
                if (!CamposCargados.contains(nombre) || ExisteElCampo(nombre)) continue;
                // The column's own default, whatever it is called.
                const QString cdefault = columnas.Fields(QStringLiteral("cdefault")).Texto();
                if (!cdefault.isEmpty() && cdefault != QLatin1String("0")) {
                    const QString restriccion =
                        LeeCatalogo(Conexion, QStringLiteral("sysobjects"), QStringLiteral("name"),
                                    {{QStringLiteral("id"), cdefault, QStringLiteral("Numerico")},
                                     {QStringLiteral("xtype"), QStringLiteral("D"), QStringLiteral("Texto")}});
                    if (!restriccion.isEmpty()) Conexion->Execute(TextoEliminaDefault(P, T, restriccion));
                }
                Conexion->Execute(QStringLiteral("ALTER TABLE ") + P + NombreSQL(T) + u' ' +
                                  QStringLiteral(" DROP COLUMN ") + NombreSQL(nombre));
            }
        }
    });
}
