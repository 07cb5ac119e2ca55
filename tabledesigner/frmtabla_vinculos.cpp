// The foreign-key cascade: when an existing column changes its type or
// size, the columns joined to it by foreign keys (of other tables, and of
// this one) change with it. The keys on the way are dropped, the columns
// altered, and the keys and the indexes dropped with them made again.
//
// A cascade is all or nothing: started from the grid it runs in a
// transaction of its own, started from the save it runs inside the save's;
// the first failure is reported once, by the procedure that met it, and
// everything is rolled back.

#include "tabledesigner/frmtabla.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "platform/rejilladatos.h"
#include "tabledesigner/bd_sql.h"

#include <QLineEdit>

namespace {

QString Mayus(const QString& s) { return Trim(s).toUpper(); }

// A column of a table of an owner, as the walk tells columns apart.
QString Clave(const QString& propietario, const QString& tabla, const QString& campo) {
    return Mayus(PropietarioODbo(propietario)) + u'.' + Mayus(tabla) + u'.' + Mayus(campo);
}

QString Dato(const datos::Recordset& rs, const char* nombre) { return rs.Fields(QString::fromLatin1(nombre)).Texto(); }

// A column's null flag, default, its constraint and its collation as the
// catalog holds them.
DefinicionCampo DefinicionActual(const std::shared_ptr<datos::Connection>& cnn, const QString& tabla,
                                 const QString& campo, const QString& id) {
    auto dato = [&](const char* nombre) {
        return LeeCatalogo(cnn, QStringLiteral("syscolumns"), QString::fromLatin1(nombre),
                           {{QStringLiteral("id"), id, QStringLiteral("Numerico")},
                            {QStringLiteral("name"), campo, QStringLiteral("Texto")}});
    };
    DefinicionCampo d;
    d.Campo = campo;
    d.Nulo = dato("isnullable");
    d.Intercalacion = dato("collation");
    if (d.Nulo == QLatin1String("1")) d.Nulo = QStringLiteral("-1");
    const QString cdefault = dato("cdefault");
    if (!cdefault.isEmpty() && cdefault != QLatin1String("0")) {
        d.Predeterminado = QuitaParentesisExteriores(LeeCatalogo(
            cnn, QStringLiteral("syscomments"), QStringLiteral("text"), {{QStringLiteral("id"), cdefault, QStringLiteral("Numerico")}}));
        d.NombreDefault = LeeCatalogo(cnn, QStringLiteral("sysobjects"), QStringLiteral("name"),
                                      {{QStringLiteral("id"), cdefault, QStringLiteral("Numerico")},
                                       {QStringLiteral("xtype"), QStringLiteral("D"), QStringLiteral("Texto")}});
    }
    Q_UNUSED(tabla);
    return d;
}

// The statements that make a key of a table again (its row of
// sysreferences found by name), each table named with its owner (those of
// conocidos as given); a key that cannot be described fails: dropping it
// would lose it.
QStringList RecreaClave(const std::shared_ptr<datos::Connection>& cnn, const QString& idTabla, const QString& clave,
                        const PropietariosPorId& conocidos) {
    datos::Recordset rs;
    AbreCatalogo(cnn, rs,
                 QStringLiteral("Select o.name,r.* from ") + PrefijoBD + QStringLiteral("sysreferences r,") + PrefijoBD +
                     QStringLiteral("sysobjects o") + QStringLiteral(" where fkeyid = ") + NumeroSQL(idTabla) +
                     QStringLiteral(" and o.id=r.constid") + QStringLiteral(" and o.name=") + CadenaSQL(clave));
    if (rs.Eof())
        Falla(kVinculoSinRecrear, Idioma == 0 ? QStringLiteral("No se puede volver a crear la clave externa ") + clave +
                                                    QStringLiteral(": se deja como está.")
                                              : QStringLiteral("The foreign key ") + clave +
                                                    QStringLiteral(" cannot be created again: it is left in place."));
    QString nombre, suTabla, suPropietario;
    return RecreaVinculo(cnn, rs, nombre, suTabla, suPropietario, conocidos);
}

}  // namespace

bool frmTabla::ExisteElCampo(const QString& Campo) {
    bool existe = false;
    Atrapa("ExisteElCampo", [&] {
        const QString buscado = Campo.toUpper();
        for (int fila = 0; fila <= 199 && !existe; ++fila) {
            const QString nombre = ArrayCampos->LeeCelda(fila, NombreCampo);
            existe = !Trim(nombre).isEmpty() && nombre.toUpper() == buscado;
        }
    });
    return existe;
}

// ---- Detection ----

void frmTabla::Detecta(const std::shared_ptr<datos::Connection>& cnn, const QString& propietario,
                       const QString& tabla, const QString& campo, const QString& origen, QString& lista,
                       QSet<QString>& visitados) {
    visitados.insert(Clave(propietario, tabla, campo));
    const auto linea = [](const QString& columna, const QString& suPropietario, const QString& suTabla) {
        return QStringLiteral("En la columna (") + columna + QStringLiteral(") de la tabla ") +
               NombreMostrado(suPropietario, suTabla).toUpper() + QChar(13);
    };
    datos::Recordset referencias;
    AbreCatalogo(cnn, referencias, ConsultaClaves(tabla, false, propietario));
    for (; !referencias.Eof(); referencias.MoveNext()) {
        const QString columna = Dato(referencias, "fkcolumn_name");
        const QString suPropietario = Dato(referencias, "fktable_owner");
        const QString suTabla = Dato(referencias, "fktable_name");
        if (Mayus(Dato(referencias, "pkcolumn_name")) != Mayus(campo)) continue;
        if (Clave(suPropietario, suTabla, columna) == origen) continue;
        lista += linea(columna, suPropietario, suTabla);
    }
    datos::Recordset propias;
    AbreCatalogo(cnn, propias, ConsultaClaves(tabla, true, propietario));
    for (; !propias.Eof(); propias.MoveNext()) {
        if (Mayus(Dato(propias, "fkcolumn_name")) != Mayus(campo)) continue;
        const QString suPropietario = Dato(propias, "pktable_owner");
        const QString referida = Dato(propias, "pktable_name");
        const QString columna = Dato(propias, "pkcolumn_name");
        lista += linea(columna, suPropietario, referida);
        // A cycle of keys ends at a column already followed.
        if (!visitados.contains(Clave(suPropietario, referida, columna)))
            Detecta(cnn, suPropietario, referida, columna, origen, lista, visitados);
    }
}

QString frmTabla::DetectaVinculos(const std::shared_ptr<datos::Connection>& cnn, const QString& NombreTablaOrigen,
                                  const QString& NombreCampo, const QString& NombreInicial) {
    QString lista;
    Atrapa("DetectaVinculos", [&] {
        QSet<QString> visitados;
        Detecta(cnn, Propietario, NombreTablaOrigen, NombreCampo, Clave(Propietario, NombreTablaOrigen, NombreInicial),
                lista, visitados);
    });
    return lista;
}

// ---- The walk ----

void frmTabla::CaminaVinculos(const std::shared_ptr<datos::Connection>& cnn, const QString& propietario,
                              const QString& tabla, const QString& campo, const QString& origen,
                              ListaSentencias& SQLIndice, ListaSentencias& SQLRelacion, const DefinicionCampo& Nueva,
                              QSet<QString>& visitados) {
    const qint64 antes = FallosNotificados();
    visitados.insert(Clave(propietario, tabla, campo));
    // Drops a key of a table, keeping the statements that make it again.
    const auto quitaClave = [&](const QString& suPropietario, const QString& suTabla, const QString& idTabla,
                                const QString& clave) {
        if (clave.isEmpty()) return;
        const QStringList recrea = RecreaClave(cnn, idTabla, clave, {{idTabla, suPropietario}});
        cnn->Execute(TextoEliminaConstraint(PrefijoConPropietario(PrefijoBD, suPropietario), suTabla, clave));
        for (const QString& s : recrea) SQLRelacion.Agrega(s);
    };
    // Alters a joined column to the new type and length, keeping its null
    // flag and default.
    const auto altera = [&](const QString& suPropietario, const QString& suTabla, const QString& columna,
                            const QString& idTabla) {
        BuscaCargaIndices(suTabla, columna, SQLIndice, idTabla, SQLRelacion, suPropietario);
        Vigila(antes);
        const DefinicionCampo actual = DefinicionActual(cnn, suTabla, columna, idTabla);
        Modifica_Campo_SQL(suTabla, columna, Nueva.Longitud, Nueva.Precision, Nueva.Escala, actual.Nulo, Nueva.Tipo,
                           actual.Predeterminado, actual.NombreDefault, actual.Intercalacion, suPropietario);
        Vigila(antes);
        AlteradasEnCascada.append(
            {suPropietario, suTabla, columna, Nueva.Tipo, Nueva.Longitud, Nueva.Precision, Nueva.Escala});
        visitados.insert(Clave(suPropietario, suTabla, columna));
    };

    // The keys of other columns that reference this one.
    datos::Recordset referencias;
    AbreCatalogo(cnn, referencias, ConsultaClaves(tabla, false, propietario));
    for (; !referencias.Eof(); referencias.MoveNext()) {
        if (Mayus(Dato(referencias, "pkcolumn_name")) != Mayus(campo)) continue;
        const QString suPropietario = Dato(referencias, "fktable_owner");
        const QString suTabla = Dato(referencias, "fktable_name");
        const QString columna = Dato(referencias, "fkcolumn_name");
        const QString clave = Clave(suPropietario, suTabla, columna);
        if (clave == origen || visitados.contains(clave)) continue;
        const QString idTabla = IdTablaUsuario(cnn, suTabla, suPropietario);
        quitaClave(suPropietario, suTabla, idTabla, Dato(referencias, "fk_name"));
        altera(suPropietario, suTabla, columna, idTabla);
    }

    // The column's own keys, followed to the columns they reference.
    datos::Recordset propias;
    AbreCatalogo(cnn, propias, ConsultaClaves(tabla, true, propietario));
    for (; !propias.Eof(); propias.MoveNext()) {
        if (Mayus(Dato(propias, "fkcolumn_name")) != Mayus(campo)) continue;
        const QString suPropietario = Dato(propias, "fktable_owner");
        const QString suTabla = Dato(propias, "fktable_name");
        const QString dueñoReferida = Dato(propias, "pktable_owner");
        const QString referida = Dato(propias, "pktable_name");
        const QString columna = Dato(propias, "pkcolumn_name");
        quitaClave(suPropietario, suTabla, IdTablaUsuario(cnn, suTabla, suPropietario), Dato(propias, "fk_name"));
        if (visitados.contains(Clave(dueñoReferida, referida, columna))) continue;
        altera(dueñoReferida, referida, columna, IdTablaUsuario(cnn, referida, dueñoReferida));
        CaminaVinculos(cnn, dueñoReferida, referida, columna, origen, SQLIndice, SQLRelacion, Nueva, visitados);
    }
}

bool frmTabla::CambiaVinculos(const std::shared_ptr<datos::Connection>& cnn, const QString& NombreTablaOrigen,
                              const QString& NombreCampo, const QString& NombreInicial, ListaSentencias& SQLIndice,
                              ListaSentencias& SQLRelacion, const DefinicionCampo& Nueva,
                              const QString& PropietarioOrigen) {
    return Atrapa("CambiaVinculos", [&] {
        QSet<QString> visitados;
        CaminaVinculos(cnn, PropietarioOrigen, NombreTablaOrigen, NombreCampo,
                       Clave(PropietarioOrigen, NombreTablaOrigen, NombreInicial), SQLIndice, SQLRelacion, Nueva,
                       visitados);
    });
}

// ---- Detection, question and execution ----

bool frmTabla::BuscaCambiaVinculos(const std::shared_ptr<datos::Connection>& cnn, const QString& NombreTablaOrigen,
                                   const QString& NombreCampo, const QString& NombreInicial, bool Mensaje,
                                   const DefinicionCampo& Nueva, bool* Hecho) {
    if (Hecho) *Hecho = false;
    const qint64 antes = FallosNotificados();
    PonPrefijoBD(BaseDatos);
    Intercalacion = IntercalacionBD;
    const QString lista = DetectaVinculos(cnn, NombreTablaOrigen, NombreCampo, NombreInicial);
    // A detection that failed cannot tell what the change would break.
    if (FallosNotificados() != antes) return false;
    if (lista.isEmpty()) return true;
    const QString texto = QStringLiteral("Para conservar las relaciones exitentes se modificará una o más propiedades "
                                         "(Tipo de dato, Longitud,Precision, Escala) en cada una de las siguientes "
                                         "columnas:") +
                          QChar(13) + QChar(13) + lista + QChar(13) +
                          QStringLiteral("¿Desea contimnuar con las modificaciones?");
    // No refuses the change: the grid takes the cell's edit back, and the
    // save never finds it to carry out unasked.
    if (Mensaje && MsgBox(texto, vb::vbYesNo + vb::vbQuestion + 256, kProducto) != vb::vbYes) return false;

    // Asked from the grid, the change is a transaction of its own; from the
    // save, a part of the save's.
    const bool propia = Mensaje;
    if (propia) AlteradasEnCascada.clear();
    bool abierta = false;
    bool hecho = false;
    try {
        if (propia) {
            cnn->BeginTrans();
            abierta = true;
        }
        ListaSentencias SQLIndice, SQLRelacion;
        definicionEnCurso_ = Nueva;
        CambiaVinculos(cnn, NombreTablaOrigen, NombreCampo, NombreInicial, SQLIndice, SQLRelacion, Nueva, Propietario);
        Vigila(antes);
        const QString tabla = txtNombreTabla->text();
        BuscaCargaIndices(tabla, NombreCampo, SQLIndice, IdTablaUsuario(cnn, tabla, Propietario), SQLRelacion,
                          Propietario);
        Vigila(antes);
        Modifica_Campo_SQL(tabla, Nueva.Campo, Nueva.Longitud, Nueva.Precision, Nueva.Escala, Nueva.Nulo, Nueva.Tipo,
                           Nueva.Predeterminado, Nueva.NombreDefault, Nueva.Intercalacion, Propietario);
        Vigila(antes);
        AlteradasEnCascada.append(
            {Propietario, tabla, Nueva.Campo, Nueva.Tipo, Nueva.Longitud, Nueva.Precision, Nueva.Escala});
        EjecutaLista(cnn, SQLIndice);
        EjecutaLista(cnn, SQLRelacion);
        if (propia) {
            cnn->CommitTrans();
            abierta = false;
            MuestraAlteradas();
            // A default the change added under the generated name is the
            // column's own from now on: a later save drops it by that name
            // before it alters the column, and never adds it twice.
            if (!Nueva.Predeterminado.isEmpty() && Trim(Nueva.NombreDefault).isEmpty() && ArrayCampos)
                for (int fila = 0; fila <= 199 && fila <= ArrayCampos->FilaSuperior(); ++fila)
                    if (ArrayCampos->LeeCelda(fila, EstadoCampo) == QLatin1String("M") &&
                        ArrayCampos->LeeCelda(fila, ColumnaCampos::NombreCampo) == Nueva.Campo)
                        ArrayCampos->GrabaCelda(fila, ColumnaCampos::NombreDefault,
                                                NombreDefaultGenerado(tabla, Nueva.Campo));
        }
        hecho = true;
    } catch (const FalloNotificado&) {
    } catch (const ErrorEjecucion& e) {
        ReportaFallo(QString(), "BuscaCambiaVinculos", e.Numero, e.Descripcion);
    }
    if (abierta) {
        // A transaction the server has already ended is not reported over
        // the failure that ended it.
        try {
            cnn->RollbackTrans();
        } catch (const ErrorEjecucion&) {
        }
    }
    if (!hecho) PunteroRaton(vb::vbDefault);
    if (Hecho) *Hecho = hecho;
    return hecho;
}

void frmTabla::MuestraAlteradas() {
    for (QWidget* w : ventanas::Cargadas()) {
        auto* d = qobject_cast<frmTabla*>(w);
        if (!d || !d->ArrayCampos || d->BaseDatos != BaseDatos) continue;
        bool cambiada = false;
        for (const ColumnaAlterada& a : AlteradasEnCascada) {
            if (Clave(d->Propietario, d->txtNombreTabla->text(), QString()) != Clave(a.Propietario, a.Tabla, QString()))
                continue;
            for (int fila = 0; fila <= 199 && fila <= d->ArrayCampos->FilaSuperior(); ++fila) {
                if (d->ArrayCampos->LeeCelda(fila, EstadoCampo) != QLatin1String("M")) continue;
                if (Mayus(d->ArrayCampos->LeeCelda(fila, NombreCampo)) != Mayus(a.Campo)) continue;
                d->ArrayCampos->GrabaCelda(fila, TipoDato, a.Tipo);
                d->ArrayCampos->GrabaCelda(fila, Longitud, a.Longitud);
                d->ArrayCampos->GrabaCelda(fila, Precision, a.Precision);
                d->ArrayCampos->GrabaCelda(fila, Escala, a.Escala);
                cambiada = true;
            }
        }
        if (cambiada) d->TDBGridTabla->Refresh();
    }
}

// ---- Indexes of a changed column ----

void frmTabla::BuscaCargaIndices(const QString& Tabla, const QString& Campo, ListaSentencias& ListaIndices,
                                 const QString& Id, ListaSentencias& ListaVinculos, const QString& PropietarioTabla) {
    Atrapa("BuscaCargaIndices", [&] {
        const qint64 antes = FallosNotificados();
        const QString& propietario = PropietarioTabla;
        datos::Recordset indices;
        AbreCatalogo(Conexion, indices,
                     QStringLiteral("exec sp_helpindex ") + CadenaSQL(TablaDeCatalogo(propietario, Tabla)));
        if (indices.FieldCount() == 0) return;  // a table without indexes gives no result
        for (; !indices.Eof(); indices.MoveNext()) {
            const QString claves = Dato(indices, "index_keys");
            // The column itself, not one whose name holds its name.
            if (!ColumnasDeClaves(claves).contains(Campo)) continue;
            const QString nombre = Dato(indices, "index_name");
            const QList<Criterio> porNombre = {{QStringLiteral("name"), nombre, QStringLiteral("Texto")},
                                               {QStringLiteral("id"), Id, QStringLiteral("Numerico")}};
            const QString grupoId = LeeCatalogo(Conexion, QStringLiteral("sysindexes"), QStringLiteral("groupid"), porNombre);
            const QString grupo = LeeCatalogo(Conexion, QStringLiteral("sysfilegroups"), QStringLiteral("groupname"),
                                              {{QStringLiteral("groupid"), grupoId, QStringLiteral("Numerico")}});
            const QString relleno =
                LeeCatalogo(Conexion, QStringLiteral("sysindexes"), QStringLiteral("origfillfactor"), porNombre);
            const QString clase = Trim(LeeCatalogo(Conexion, QStringLiteral("sysobjects"), QStringLiteral("xtype"),
                                                   {{QStringLiteral("name"), nombre, QStringLiteral("Texto")},
                                                    {QStringLiteral("parent_obj"), Id, QStringLiteral("Numerico")}}));
            ListaIndices.Agrega(TextoRecreaIndice(Tabla, nombre, clase, Dato(indices, "index_description"), claves,
                                                  relleno, grupo, propietario));
            if (clase == QLatin1String("PK") || clase == QLatin1String("UQ")) {
                // The keys that reference the column go first: they depend on
                // this key.
                CambiaVinculos(Conexion, Tabla, Campo, Campo, ListaIndices, ListaVinculos, definicionEnCurso_,
                               propietario);
                Vigila(antes);
            }
            const bool existe = ExisteElIndice(Conexion, Tabla, nombre, propietario);
            Vigila(antes);
            if (!existe) continue;
            if (clase == QLatin1String("PK") || clase == QLatin1String("UQ"))
                Conexion->Execute(TextoEliminaConstraint(PrefijoConPropietario(PrefijoBD, propietario), Tabla, nombre));
            else
                Conexion->Execute(TextoEliminaIndice(Tabla, nombre, propietario));
        }
    });
}

void frmTabla::RelacionConOtrasTablas(const std::shared_ptr<datos::Connection>& Conexion, const QString& Tabla) {
    Atrapa("RelacionConOtrasTablas", [&] {
        const QString id = IdTablaUsuario(Conexion, Tabla, Propietario);
        if (id.isEmpty()) return;
        datos::Recordset claves;
        AbreCatalogo(Conexion, claves,
                     QStringLiteral("SELECT * from ") + PrefijoBD + QStringLiteral("sysreferences") +
                         QStringLiteral(" WHERE rkeyid=") + NumeroSQL(id));
        for (; !claves.Eof(); claves.MoveNext()) {
            const auto nombre = [&](const char* campo) {
                return LeeCatalogo(Conexion, QStringLiteral("sysobjects"), QStringLiteral("name"),
                                   {{QStringLiteral("id"), Dato(claves, campo), QStringLiteral("Numerico")}});
            };
            const QString restriccion = nombre("constid");
            const QString otra = nombre("fkeyid");
            const QString suPropietario = PropietarioPorId(Conexion, Dato(claves, "fkeyid"));
            if (!restriccion.isEmpty() && !otra.isEmpty())
                Conexion->Execute(
                    TextoEliminaConstraint(PrefijoConPropietario(PrefijoBD, suPropietario), otra, restriccion));
        }
    });
}
