// Loading an existing table from the catalog of the designer's database:
// its columns, its indexes and primary key, the foreign keys it owns, its
// data filegroup, and the other tables it may reference.

#include "tabledesigner/frmtabla.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "explorer/frmadministrador.h"
#include "platform/listaelementos.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/textosddl.h"

#include <QComboBox>
#include <QHash>

namespace {

// What a design holds at most: columns (rows 0..199), indexes and relations
// (entries 0..99). A catalog row beyond them stops the load (9): a design
// that silently left part of its table out would drop it at the save.
constexpr int kUltimoCampo = 199;
constexpr int kUltimaEntrada = 99;

void DentroDe(int n, int ultimo) {
    if (n > ultimo) FallaNumero(errnum::FueraDeIntervalo);
}

ArrayDatos Dimensionada(ArrayDatos& matriz, int ultimaColumna) {
    if (!matriz) matriz = std::make_shared<GridDataArray>();
    matriz->Redimensiona(0, 200, 0, ultimaColumna);
    return matriz;
}

QString Campo(const datos::Recordset& rs, const char* nombre) { return rs.Fields(QString::fromLatin1(nombre)).Texto(); }

}  // namespace

void frmTabla::CapturaCampos_SQL(const QString& Tabla) {
    Atrapa("CapturaCampos_SQL", [&] {
        CamposCargados.clear();
        PonPrefijoBD(BaseDatos);
        datos::Recordset tablas;
        if (!CreaRecordset(Conexion, tablas, ConsultaTabla(PrefijoBD, Tabla, TablaSistema, Propietario))) return;
        frmAdministrador* explorador = frmAdministrador::SiExiste();
        if (!explorador) FallaNumero(errnum::ObjetoNoEstablecido);
        NumeroTabla = CInt(explorador->ltvTablas->SelectedItem().Key().mid(1));
        while (!tablas.Eof()) {
            Dimensionada(ArrayCampos, 10);
            NombreTablas(NumeroTabla) = Campo(tablas, "name");
            IdTabla = Campo(tablas, "id");
            datos::Recordset columnas;
            if (CreaRecordset(Conexion, columnas,
                              QStringLiteral("Select * from ") + PrefijoBD + QStringLiteral("syscolumns ") +
                                  QStringLiteral(" where id = ") + NumeroSQL(IdTabla) +
                                  QStringLiteral(" order by colid"))) {
                for (int r = 0; !columnas.Eof(); ++r, columnas.MoveNext()) {
                    DentroDe(r, kUltimoCampo);
                    const QString nombre = Campo(columnas, "name");
                    ArrayCampos->GrabaCelda(r, EstadoCampo, QStringLiteral("M"));
                    ArrayCampos->GrabaCelda(r, NombreCampo, nombre);
                    ArrayCampos->GrabaCelda(r, NombreCampoOriginal, nombre);
                    // An altered column keeps its own collation (none for
                    // the types without one).
                    ArrayCampos->GrabaCelda(r, IntercalacionCampo, Campo(columnas, "collation"));
                    CamposCargados.append(nombre);
                    bool numerico = false;
                    const QString tipo = DameTipoDato(Campo(columnas, "xtype"), numerico);
                    ArrayCampos->GrabaCelda(r, TipoDato, tipo);
                    if (numerico) {
                        ArrayCampos->GrabaCelda(r, Longitud, Campo(columnas, "length"));
                        ArrayCampos->GrabaCelda(r, Precision, Campo(columnas, "prec"));
                        ArrayCampos->GrabaCelda(r, Escala, Campo(columnas, "scale"));
                    } else {
                        // Unicode types count characters in prec, bytes in length.
                        ArrayCampos->GrabaCelda(r, Longitud,
                                                Campo(columnas, CuentaCaracteres(tipo) ? "prec" : "length"));
                        ArrayCampos->GrabaCelda(r, Precision, QStringLiteral("0"));
                        ArrayCampos->GrabaCelda(r, Escala, QStringLiteral("0"));
                    }
                    const QString nulos = Campo(columnas, "isnullable");
                    if (nulos == QLatin1String("0")) ArrayCampos->GrabaCelda(r, ValorNulo, QStringLiteral("0"));
                    else if (nulos == QLatin1String("1")) ArrayCampos->GrabaCelda(r, ValorNulo, QStringLiteral("-1"));
                    const QString predeterminado = Campo(columnas, "cdefault");
                    if (predeterminado != QLatin1String("0")) {
                        ArrayCampos->GrabaCelda(
                            r, ValorPredeterminado,
                            QuitaParentesisExteriores(BuscaRegistro(Conexion, QStringLiteral("syscomments"),
                                                                    QStringLiteral("text"), QStringLiteral("id"),
                                                                    predeterminado, QStringLiteral("Numerico"))));
                        ArrayCampos->GrabaCelda(
                            r, NombreDefault,
                            BuscaRegistro(Conexion, QStringLiteral("sysobjects "), QStringLiteral("name"),
                                          QStringLiteral("id"), predeterminado, QStringLiteral("Numerico"),
                                          QStringLiteral("xtype"), QStringLiteral("D"), QStringLiteral("Texto")));
                    }
                }
            }
            tablas.MoveNext();
        }
    });
}

void frmTabla::CapturaIndices_SQL(const QString& Tabla) {
    Atrapa("CapturaIndices_SQL", [&] {
        NumeroIndices = 0;
        IndicesCargados.clear();
        PonPrefijoBD(BaseDatos);
        datos::Recordset tablas;
        if (!CreaRecordset(Conexion, tablas, ConsultaTabla(PrefijoBD, Tabla, false, Propietario))) return;
        for (; !tablas.Eof(); tablas.MoveNext()) {
            const QString id = NumeroSQL(Campo(tablas, "id"));
            datos::Recordset indices;
            if (!CreaRecordset(Conexion, indices,
                               QStringLiteral("Select * from ") + PrefijoBD + QStringLiteral("sysindexes ") +
                                   QStringLiteral(" where id = ") + id + QStringLiteral(" and indid <> 255") +
                                   QStringLiteral(" and (status & 64)=0") + QStringLiteral(" order by indid")))
                continue;
            int i = 0;
            // What sp_helpindex tells of each index by its name: its keys as
            // it lists them ("a, b(-)": b descending) and its description.
            QHash<QString, QPair<QStringList, QString>> descritos;
            bool descritosLeidos = false;
            for (; !indices.Eof(); indices.MoveNext()) {
                // Statistics and heaps have no keys: they take no entry.
                if (indices.Fields(QStringLiteral("keys")).IsNull()) continue;
                DentroDe(i, kUltimaEntrada);
                if (!descritosLeidos) {
                    descritosLeidos = true;
                    datos::Recordset ayuda;
                    if (CreaRecordset(Conexion, ayuda,
                                      QStringLiteral("exec ") + PrefijoBD + QStringLiteral("sp_helpindex ") +
                                          CadenaSQL(TablaDeCatalogo(Propietario, Tabla))) &&
                        ayuda.FieldCount() > 0)
                        for (; !ayuda.Eof(); ayuda.MoveNext())
                            descritos.insert(Campo(ayuda, "index_name"),
                                             {Campo(ayuda, "index_keys").split(QStringLiteral(", ")),
                                              Campo(ayuda, "index_description")});
                }
                ArrayDatos claves = Dimensionada(ArrayIndices(0, i), 2);
                const QString nombre = Campo(indices, "name");
                const QString indid = Campo(indices, "indid");
                TablaIndices(0, i, NombreIndice) = nombre;
                const QString clase = Trim(BuscaRegistro(Conexion, QStringLiteral("sysobjects"), QStringLiteral("xtype"),
                                                         QStringLiteral("name"), nombre, QStringLiteral("Texto"),
                                                         QStringLiteral("parent_obj"), id, QStringLiteral("Numerico")));
                const bool primaria = clase == QLatin1String("PK");
                IndicesCargados.append({nombre, clase});
                // A unique index keeps its uniqueness (status bit 2) through the save.
                const bool unico = primaria || (Campo(indices, "status").toLongLong() & 2) != 0;
                TablaIndices(0, i, TipoIndice) = primaria ? QStringLiteral("P") : QStringLiteral("I");
                TablaIndices(0, i, Unico) = unico ? QStringLiteral("1") : QStringLiteral("0");
                TablaIndices(0, i, Agrupado) = indid == QLatin1String("1") ? QStringLiteral("1") : QStringLiteral("0");
                TablaIndices(0, i, GrupoIndice) =
                    BuscaRegistro(Conexion, QStringLiteral("sysfilegroups"), QStringLiteral("groupname"),
                                  QStringLiteral("groupid"), Campo(indices, "groupid"), QStringLiteral("Numerico"));
                TablaIndices(0, i, FactorRelleno) = Campo(indices, "origfillfactor");
                const auto [listadas, descripcion] = descritos.value(nombre);
                TablaIndices(0, i, IgnoraDuplicados) =
                    descripcion.toUpper().contains(QLatin1String("IGNORE DUPLICATE KEYS")) ? QStringLiteral("1")
                                                                                         : QStringLiteral("0");
                ++NumeroIndices;
                datos::Recordset columnas;
                // In key order, which is the index's own order.
                if (CreaRecordset(Conexion, columnas,
                                  QStringLiteral("Select * from ") + PrefijoBD + QStringLiteral("sysindexkeys ") +
                                      QStringLiteral(" where id = ") + id + QStringLiteral(" and indid = ") +
                                      NumeroSQL(indid) + QStringLiteral(" order by keyno"))) {
                    for (int k = 0; !columnas.Eof(); ++k, columnas.MoveNext()) {
                        const QString columna =
                            BuscaRegistro(Conexion, QStringLiteral("syscolumns"), QStringLiteral("name"),
                                          QStringLiteral("id"), id, QStringLiteral("Numerico"), QStringLiteral("colid"),
                                          Campo(columnas, "colid"), QStringLiteral("Numerico"));
                        claves->GrabaCelda(k, ColumnaClaveIndice, columna);
                        // sp_helpindex lists the keys in the same order.
                        if (listadas.value(k) == columna + QStringLiteral("(-)"))
                            claves->GrabaCelda(k, ColumnaDescendente, columna);
                    }
                }
                ++i;
            }
        }
    });
}

void frmTabla::CapturaRelaciones_SQL(const QString& Tabla) {
    Atrapa("CapturaRelaciones_SQL", [&] {
        NumeroRelaciones = 0;
        PonPrefijoBD(BaseDatos);
        datos::Recordset tablas;
        if (!CreaRecordset(Conexion, tablas, ConsultaTabla(PrefijoBD, Tabla, false, Propietario))) return;
        for (; !tablas.Eof(); tablas.MoveNext()) {
            datos::Recordset claves;
            if (!CreaRecordset(Conexion, claves,
                               QStringLiteral("Select * from ") + PrefijoBD + QStringLiteral("sysreferences ") +
                                   QStringLiteral(" where fkeyid = ") + NumeroSQL(Campo(tablas, "id"))))
                continue;
            auto nombrePorId = [](const QString& id) {
                return BuscaRegistro(Conexion, QStringLiteral("sysobjects"), QStringLiteral("name"),
                                     QStringLiteral("id"), id, QStringLiteral("Numerico"));
            };
            auto columna = [](const QString& id, const QString& colid) {
                return BuscaRegistro(Conexion, QStringLiteral("syscolumns"), QStringLiteral("name"),
                                     QStringLiteral("id"), id, QStringLiteral("Numerico"), QStringLiteral("colid"),
                                     colid, QStringLiteral("Numerico"));
            };
            for (int j = 0; !claves.Eof(); ++j, claves.MoveNext()) {
                DentroDe(j, kUltimaEntrada);
                const QString fkeyid = Campo(claves, "fkeyid");
                const QString rkeyid = Campo(claves, "rkeyid");
                nombrePorId(rkeyid);
                ArrayDatos pares = Dimensionada(ArrayRelaciones(0, j), ColumnaPropietarioReferida);
                TablaRelaciones(0, j) = nombrePorId(Campo(claves, "constid"));
                ++NumeroRelaciones;
                // The referenced table is that of its owner, which need not be this table's.
                const QString propietario = PropietarioPorId(Conexion, rkeyid);
                for (int k = 1; k <= 16; ++k) {
                    const QString fkey = claves.Fields(QStringLiteral("fkey") + QString::number(k)).Texto();
                    if (fkey == QLatin1String("0")) continue;
                    const QString rkey = claves.Fields(QStringLiteral("rkey") + QString::number(k)).Texto();
                    pares->GrabaCelda(k - 1, ColumnaCampoPropio, columna(fkeyid, fkey));
                    pares->GrabaCelda(k - 1, ColumnaCampoReferido, columna(rkeyid, rkey));
                    pares->GrabaCelda(k - 1, ColumnaTablaReferida, nombrePorId(rkeyid));
                    pares->GrabaCelda(k - 1, ColumnaPropietarioReferida, propietario);
                }
            }
        }
    });
}

void frmTabla::DimeGrupoFicheros() {
    Atrapa("DimeGrupoFicheros", [&] {
        PonPrefijoBD(BaseDatos);
        // A table the catalog did not give has no filegroup to show.
        if (IdTabla.isEmpty()) return;
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs,
                           QStringLiteral("select s.groupname") + QStringLiteral(" from ") + PrefijoBD +
                               QStringLiteral("sysfilegroups s, ") + PrefijoBD + QStringLiteral("sysindexes i") +
                               QStringLiteral(" where i.id =") + NumeroSQL(IdTabla) +
                               QStringLiteral(" and i.indid < 2") + QStringLiteral(" and i.groupid = s.groupid")))
            return;
        if (rs.RecordCount() > 0) SeleccionaBaseDatos(rs.Fields(0).Texto(), cboGrupoArchivoDatos);
    });
}

void frmTabla::CargaTablasExternas(QComboBox* Combo, const QString& Tabla) {
    Atrapa("CargaTablasExternas", [&] {
        Combo->clear();
        frmAdministrador* explorador = frmAdministrador::SiExiste();
        if (!explorador) FallaNumero(errnum::ObjetoNoEstablecido);
        auto elementos = explorador->ltvTablas->ListItems();
        for (int i = 1; i <= elementos.Count(); ++i) {
            const auto elemento = elementos.Item(i);
            const QString texto = elemento.Text();
            const QString propietario = elemento.SubItems(1);
            // The designed table itself; another owner's table of its name is another table.
            if (texto == Tabla && PropietarioODbo(propietario) == PropietarioODbo(Propietario)) continue;
            AgregaTablaExterna(Combo, propietario, texto);
        }
    });
}

void frmTabla::CambiaGrupoFicheros(const QString& Grupo) {
    Atrapa("CambiaGrupoFicheros", [&] {
        if (Trim(Grupo).isEmpty()) return;
        PonPrefijoBD(BaseDatos);
        datos::Recordset rs;
        // Looked up only: a table's data stays in its filegroup.
        CreaRecordset(Conexion, rs,
                      QStringLiteral("select groupname,groupid") + QStringLiteral(" from ") + PrefijoBD +
                          QStringLiteral("sysfilegroups") + QStringLiteral(" WHERE groupname=") + CadenaSQL(Grupo));
    });
}
