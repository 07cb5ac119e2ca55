#include "tabledesigner/bd_sql.h"

#include "common/funciones.h"
#include "common/globales.h"
#include "common/texto.h"
#include "explorer/consolasql.h"

QString Sql_Tabla;
bool ExisteLaTabla = false;
bool AddPuesto = false;
bool HayCampos = false;
qint32 NumCampos = 0;
ListaSentencias Sql_Indice;
QString Sql_Columnas;
bool ClaveExistente = false;
ListaSentencias Sql_Vinculos;
QString Intercalacion;
qint32 NumeroTabla = 0;

void ReiniciaBD_SQL() {
    Sql_Tabla.clear();
    ExisteLaTabla = false;
    AddPuesto = false;
    HayCampos = false;
    NumCampos = 0;
    Sql_Indice.Vacia();
    Sql_Columnas.clear();
    ClaveExistente = false;
    Sql_Vinculos.Vacia();
    Intercalacion.clear();
    NumeroTabla = 0;
}

namespace {

datos::Connection& Abierta(const std::shared_ptr<datos::Connection>& conexion) {
    if (!conexion) FallaNumero(errnum::ObjetoNoEstablecido);
    return *conexion;
}

QString Comparacion(const Criterio& c) {
    if (c.Tipo == QLatin1String("Numerico")) return u'=' + NumeroSQL(Trim(c.Valor));
    if (c.Tipo == QLatin1String("Propietario"))
        return QStringLiteral(" = ") + SubconsultaPropietario(PrefijoBD, c.Valor);
    return QStringLiteral(" = ") + CadenaSQL(c.Valor);
}

// A DEFAULT constraint of that name exists on the table of id idTabla
// (another owner's table may have one of that name).
bool ExisteDefault(const std::shared_ptr<datos::Connection>& conexion, const QString& nombre, const QString& idTabla) {
    return !LeeCatalogo(conexion, QStringLiteral("sysobjects"), QStringLiteral("name"),
                        {{QStringLiteral("name"), nombre, QStringLiteral("Texto")},
                         {QStringLiteral("type"), QStringLiteral("D"), QStringLiteral("Texto")},
                         {QStringLiteral("parent_obj"), idTabla, QStringLiteral("Numerico")}})
                .isEmpty();
}

QString NombrePorId(const std::shared_ptr<datos::Connection>& conexion, const QString& id) {
    return LeeCatalogo(conexion, QStringLiteral("sysobjects"), QStringLiteral("name"),
                       {{QStringLiteral("id"), id, QStringLiteral("Numerico")}});
}

QString ColumnaPorId(const std::shared_ptr<datos::Connection>& conexion, const QString& id, const QString& colid) {
    return LeeCatalogo(conexion, QStringLiteral("syscolumns"), QStringLiteral("name"),
                       {{QStringLiteral("id"), id, QStringLiteral("Numerico")},
                        {QStringLiteral("colid"), colid, QStringLiteral("Numerico")}});
}

// A field of the column's row of syscolumns.
QString DatoColumna(const QString& campo, const QString& idTabla, const char* dato) {
    return LeeCatalogo(Conexion, QStringLiteral("syscolumns"), QString::fromLatin1(dato),
                       {{QStringLiteral("name"), campo, QStringLiteral("Texto")},
                        {QStringLiteral("id"), idTabla, QStringLiteral("Numerico")}});
}

// The rules of a foreign key; false when the current database cannot tell
// them (a value other than 1 or 0).
bool LeeReglas(const std::shared_ptr<datos::Connection>& conexion, const QString& idConstraint,
               ReglasVinculo& reglas) {
    datos::Recordset rs;
    AbreCatalogo(conexion, rs, ConsultaReglasVinculo(idConstraint));
    if (rs.Eof() || rs.FieldCount() < 4) return false;
    bool* destinos[] = {&reglas.BorraEnCascada, &reglas.ActualizaEnCascada, &reglas.NoParaReplicacion,
                        &reglas.Desactivado};
    for (int i = 0; i < 4; ++i) {
        const QString v = Trim(rs.Fields(i).Texto());
        if (v != QLatin1String("1") && v != QLatin1String("0")) return false;
        *destinos[i] = v == QLatin1String("1");
    }
    return true;
}

[[noreturn]] void FallaVinculo(const QString& nombre, const QString& idConstraint, const QString& tabla) {
    const QString clave = nombre.isEmpty() ? QStringLiteral("id ") + idConstraint : nombre;
    QString texto = QStringLiteral("The foreign key ") + clave + QStringLiteral(" of the table ") + tabla +
                    QStringLiteral(" cannot be created again: it is left in place.");
    if (Idioma == 0)
        texto = QStringLiteral("No se puede volver a crear la clave externa ") + clave +
                QStringLiteral(" de la tabla ") + tabla + QStringLiteral(": se deja como está.");
    Falla(kVinculoSinRecrear, texto);
}

}  // namespace

QString LeeCatalogo(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                    const QString& campo, const QList<Criterio>& criterios) {
    if (criterios.isEmpty() || criterios[0].Valor.isEmpty()) return QString();
    QString sql = QStringLiteral("Select ") + campo + QStringLiteral(" from ") + PrefijoBD + tabla +
                  QStringLiteral(" where ") + criterios[0].Campo + Comparacion(criterios[0]);
    for (qsizetype i = 1; i < criterios.size(); ++i)
        sql += QStringLiteral(" and ") + criterios[i].Campo + Comparacion(criterios[i]);
    datos::Recordset rs;
    AbreCatalogo(conexion, rs, sql);
    return rs.Eof() ? QString() : rs.Fields(0).Texto();
}

namespace {
// The criteria of a user table by its name, and by its owner when given.
QList<Criterio> DeLaTabla(const QString& tabla, const QString& propietario) {
    QList<Criterio> criterios = {{QStringLiteral("name"), tabla, QStringLiteral("Texto")},
                                 {QStringLiteral("type"), QStringLiteral("U"), QStringLiteral("Texto")}};
    if (!propietario.isEmpty()) criterios.append({QStringLiteral("uid"), propietario, QStringLiteral("Propietario")});
    return criterios;
}
}  // namespace

QString IdTablaUsuario(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                       const QString& propietario) {
    return LeeCatalogo(conexion, QStringLiteral("sysobjects"), QStringLiteral("id"), DeLaTabla(tabla, propietario));
}

QString PropietarioPorId(const std::shared_ptr<datos::Connection>& conexion, const QString& id) {
    if (id.isEmpty()) return QString();
    datos::Recordset objeto;
    AbreCatalogo(conexion, objeto,
                 QStringLiteral("Select * from ") + PrefijoBD + QStringLiteral("sysobjects where id=") + NumeroSQL(id));
    if (objeto.Eof()) return QString();
    return LeeCatalogo(conexion, QStringLiteral("sysusers"), QStringLiteral("name"),
                       {{QStringLiteral("uid"), objeto.Fields(QStringLiteral("uid")).Texto(), QStringLiteral("Numerico")}});
}

void AbreCatalogo(const std::shared_ptr<datos::Connection>& conexion, datos::Recordset& rs, const QString& sql) {
    rs = datos::Recordset();
    rs.CursorType = 1;      // keyset
    rs.CursorLocation = 3;  // client
    rs.Open(sql, Abierta(conexion));
}

void EjecutaLista(const std::shared_ptr<datos::Connection>& conexion, const ListaSentencias& lista) {
    for (const QString& s : lista.Envios()) Abierta(conexion).Execute(s);
}

// ---- Columns ----

bool Crea_Campo(const QString& tabla, const QString& campo, const QString& longitud, const QString& precision,
                const QString& escala, const QString& nulo, qint16 tipo, const QString& valor) {
    return Atrapa("Crea_Campo", [&] {
        // A size that is not a number fails before the statement is touched.
        const QString clausula = ClausulaCampoNuevo(tabla, campo, longitud, precision, escala, nulo, tipo, valor);
        if (ExisteLaTabla && !AddPuesto) {
            Sql_Tabla += QStringLiteral(" ADD ");
            AddPuesto = true;
        }
        if (NumCampos >= 2 && HayCampos) Sql_Tabla += u',' + QString(u'\r');
        HayCampos = true;
        Sql_Tabla += clausula;
    });
}

bool CampoModificado(const QString& tabla, const QString& campo, const QString& longitud, const QString& precision,
                     const QString& escala, const QString& nulo, const QString& tipo, const QString& valor,
                     const QString& nombreDefault, const QString& propietario) {
    bool modificado = false;
    Atrapa("CampoModificado", [&] {
        const QString id = IdTablaUsuario(Conexion, tabla, propietario);
        if (id.isEmpty() || DatoColumna(campo, id, "name").isEmpty()) return;
        ColumnaCatalogo catalogo;
        catalogo.Precision = DatoColumna(campo, id, "prec");
        const QString xtype = DatoColumna(campo, id, "xtype");
        catalogo.Nulos = DatoColumna(campo, id, "isnullable");
        catalogo.Longitud = [&] { return DatoColumna(campo, id, "length"); };
        catalogo.ExisteDefault = [&] { return ExisteDefault(Conexion, nombreDefault, id); };
        catalogo.TextoDefault = [&] {
            return LeeCatalogo(Conexion, QStringLiteral("syscomments"), QStringLiteral("text"),
                               {{QStringLiteral("id"), DatoColumna(campo, id, "cdefault"), QStringLiteral("Numerico")}});
        };
        catalogo.NombreTipo = [&] {
            return LeeCatalogo(Conexion, QStringLiteral("systypes"), QStringLiteral("name"),
                               {{QStringLiteral("xtype"), xtype, QStringLiteral("Numerico")}});
        };
        catalogo.Escala = [&] { return DatoColumna(campo, id, "scale"); };
        // As the load reads the length of nchar and nvarchar columns.
        bool numerico = false;
        catalogo.Caracteres = CuentaCaracteres(DameTipoDato(xtype, numerico));
        modificado = CampoDifiere(catalogo, longitud, precision, escala, nulo, tipo, valor, nombreDefault);
    });
    return modificado;
}

bool Modifica_Campo_SQL(const QString& tabla, const QString& campo, const QString& longitud,
                        const QString& precision, const QString& escala, const QString& nulo, const QString& tipo,
                        const QString& valor, const QString& nombreDefault, const QString& intercalacion,
                        const QString& propietario) {
    return Atrapa("Modifica_Campo_SQL", [&] {
        const QString id = IdTablaUsuario(Conexion, tabla, propietario);
        if (id.isEmpty() || DatoColumna(campo, id, "name").isEmpty()) return;
        // A type the list does not hold (bigint, sql_variant: code "0") has
        // no clause to write, and image and ntext columns cannot be altered:
        // their change is refused rather than left unsent.
        const TipoColumna* t = TipoPorCodigo(tipo);
        if (!t || t->ClausulaModificada.isEmpty())
            Falla(kCampoSinModificar,
                  Idioma == 0 ? QStringLiteral("No se puede modificar la columna ") + campo +
                                    QStringLiteral(" de la tabla ") + tabla + QStringLiteral(": su tipo no lo admite.")
                              : QStringLiteral("The column ") + campo + QStringLiteral(" of the table ") + tabla +
                                    QStringLiteral(" cannot be altered: its type does not allow it."));
        const bool existeDefault = !nombreDefault.isEmpty() && ExisteDefault(Conexion, nombreDefault, id);
        const QStringList sentencias =
            SentenciasModificaCampo(PrefijoConPropietario(PrefijoBD, propietario), tabla, campo, longitud, nulo, tipo,
                                    valor, nombreDefault, existeDefault, precision, escala,
                                    intercalacion.isEmpty() ? Intercalacion : intercalacion);
        for (const QString& s : sentencias) Abierta(Conexion).Execute(s);
    });
}

// ---- Indexes ----

bool Crea_Indice(const QString&, const QString& indice, const QString& campo, const QString& tipo,
                 const QString& /*unico*/, const QString& agrupado, bool descendente) {
    return Atrapa("Crea_Indice", [&] {
        const bool primaria = tipo == QLatin1String("P");
        if (!primaria && tipo != QLatin1String("I") && !tipo.isEmpty()) return;
        if (!Sql_Columnas.isEmpty()) {
            Sql_Columnas += u',' + ColumnaClave(campo, descendente);
            return;
        }
        if (primaria) Sql_Indice.AgregaTexto(ClausulaClavePrimaria(indice, agrupado));
        Sql_Columnas = ColumnaClave(campo, descendente);
    });
}

// ---- Foreign keys of other tables ----

QStringList RecreaVinculo(const std::shared_ptr<datos::Connection>& conexion, const datos::Recordset& clave,
                          QString& nombre, QString& suTabla, QString& suPropietario,
                          const PropietariosPorId& conocidos) {
    const QString constid = clave.Fields(QStringLiteral("constid")).Texto();
    const QString fkeyid = clave.Fields(QStringLiteral("fkeyid")).Texto();
    const QString rkeyid = clave.Fields(QStringLiteral("rkeyid")).Texto();
    nombre = NombrePorId(conexion, constid);
    suTabla = NombrePorId(conexion, fkeyid);
    if (nombre.isEmpty() || suTabla.isEmpty()) FallaVinculo(nombre, constid, suTabla);
    QStringList columnas, referidas;
    for (int k = 1; k <= 16; ++k) {
        const QString fkey = clave.Fields(QStringLiteral("fkey") + QString::number(k)).Texto();
        if (Val(fkey) == 0) continue;
        const QString rkey = clave.Fields(QStringLiteral("rkey") + QString::number(k)).Texto();
        const QString columna = ColumnaPorId(conexion, fkeyid, fkey);
        const QString referida = ColumnaPorId(conexion, rkeyid, rkey);
        if (columna.isEmpty() || referida.isEmpty()) FallaVinculo(nombre, constid, suTabla);
        columnas.append(columna);
        referidas.append(referida);
    }
    const QString tablaReferida = NombrePorId(conexion, rkeyid);
    ReglasVinculo reglas;
    if (columnas.isEmpty() || tablaReferida.isEmpty() || !LeeReglas(conexion, constid, reglas))
        FallaVinculo(nombre, constid, suTabla);
    const auto propietario = [&](const QString& id) {
        return conocidos.contains(id) ? conocidos.value(id) : PropietarioPorId(conexion, id);
    };
    suPropietario = propietario(fkeyid);
    return SentenciasRecreaVinculo(suTabla, nombre, columnas, tablaReferida, referidas, reglas, suPropietario,
                                   propietario(rkeyid));
}

bool EliminaVinculos(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                     ListaSentencias& lista, const QString& propietario) {
    return Atrapa("EliminaVinculos", [&] {
        const QString id = IdTablaUsuario(conexion, tabla, propietario);
        if (id.isEmpty()) return;
        datos::Recordset claves;
        AbreCatalogo(conexion, claves,
                     QStringLiteral("SELECT * from ") + PrefijoBD + QStringLiteral("sysreferences") +
                         QStringLiteral(" WHERE rkeyid=") + NumeroSQL(id));
        for (; !claves.Eof(); claves.MoveNext()) {
            QString nombre, suTabla, suPropietario;
            const QStringList recrea = RecreaVinculo(conexion, claves, nombre, suTabla, suPropietario, {{id, propietario}});
            const bool propia = claves.Fields(QStringLiteral("fkeyid")).Texto() == id;
            Abierta(conexion).Execute(
                TextoEliminaConstraint(PrefijoConPropietario(PrefijoBD, suPropietario), suTabla, nombre));
            // Only a key that was dropped is re-created; the table's own key
            // to itself is one of the design's relations, which the save
            // makes again once, with its rules.
            if (!propia)
                for (const QString& s : recrea) lista.Agrega(s);
        }
    });
}

bool LeeReglasVinculo(const std::shared_ptr<datos::Connection>& conexion, const QString& idConstraint,
                      ReglasVinculo& reglas) {
    return LeeReglas(conexion, idConstraint, reglas);
}

// ---- Catalog tests ----

bool ExisteTabla(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                 const QString& propietario) {
    bool existe = false;
    Atrapa("ExisteTabla", [&] {
        existe = !LeeCatalogo(conexion, QStringLiteral("sysobjects"), QStringLiteral("name"),
                              DeLaTabla(tabla, propietario))
                      .isEmpty();
    });
    return existe;
}

bool ExisteCampo(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla, const QString& campo,
                 const QString& propietario) {
    bool existe = false;
    Atrapa("ExisteCampo", [&] {
        const QString id = IdTablaUsuario(conexion, tabla, propietario);
        existe = !id.isEmpty() && !LeeCatalogo(conexion, QStringLiteral("syscolumns"), QStringLiteral("name"),
                                               {{QStringLiteral("name"), campo, QStringLiteral("Texto")},
                                                {QStringLiteral("id"), id, QStringLiteral("Numerico")}})
                                       .isEmpty();
    });
    return existe;
}

bool ExisteElIndice(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                    const QString& indice, const QString& propietario) {
    bool existe = false;
    Atrapa("ExisteElIndice", [&] {
        if (indice.isEmpty()) return;
        const QString id = IdTablaUsuario(conexion, tabla, propietario);
        existe = !id.isEmpty() && !LeeCatalogo(conexion, QStringLiteral("sysindexes"), QStringLiteral("name"),
                                               {{QStringLiteral("name"), indice, QStringLiteral("Texto")},
                                                {QStringLiteral("id"), id, QStringLiteral("Numerico")}})
                                       .isEmpty();
    });
    return existe;
}

bool ExisteLaRelacion(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                      const QString& otraTabla, const QString& columnas, const QString& propietario) {
    bool existe = false;
    Atrapa("ExisteLaRelacion", [&] {
        if (columnas.isEmpty()) return;
        const QString id = IdTablaUsuario(conexion, tabla, propietario);
        if (id.isEmpty()) return;
        const QString otra = IdTablaUsuario(conexion, otraTabla);
        existe = !otra.isEmpty() && !LeeCatalogo(conexion, QStringLiteral("sysreferences"), QStringLiteral("fkeyid"),
                                                 {{QStringLiteral("fkeyid"), id, QStringLiteral("Numerico")},
                                                  {QStringLiteral("rkeyid"), otra, QStringLiteral("Numerico")}})
                                         .isEmpty();
    });
    return existe;
}
