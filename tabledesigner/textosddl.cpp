#include "tabledesigner/textosddl.h"

#include "common/texto.h"
#include "explorer/consolasql.h"

#include <QCryptographicHash>

namespace {

TipoColumna Tipo(const char* codigo, const char* nombre, bool numerico, const char* longitud,
                 const char* precision, const char* escala, const char* editables, const char* clausula,
                 MedidaTipo medida, bool seModifica, bool intercalacion) {
    const QString e = QString::fromLatin1(editables);
    const QString c = QString::fromLatin1(clausula);
    return {QString::fromLatin1(codigo),   QString::fromLatin1(nombre), numerico,
            QString::fromLatin1(longitud), QString::fromLatin1(precision), QString::fromLatin1(escala),
            e.contains(u'L'),              e.contains(u'P'),          e.contains(u'S'),
            c,                             seModifica ? c : QString(), medida,
            intercalacion};
}

QString Tamano(MedidaTipo medida, const QString& longitud, const QString& precision, const QString& escala) {
    switch (medida) {
    case MedidaTipo::Longitud: return NumeroSQL(longitud) + QStringLiteral(") ");
    case MedidaTipo::PrecisionEscala: return NumeroSQL(precision) + u',' + NumeroSQL(escala) + QStringLiteral(") ");
    case MedidaTipo::Ninguna: break;
    }
    return QString();
}

QString ListaNombres(const QStringList& nombres) {
    QStringList r;
    for (const QString& n : nombres) r.append(NombreSQL(n));
    return r.join(u',');
}

bool EsBlancos(const QString& s) { return Trim(s).isEmpty(); }

}  // namespace

// ---- The type table ----

const QList<TipoColumna>& TiposColumna() {
    using M = MedidaTipo;
    // Editable cells: L length, P precision, S scale. The blanks of the
    // clauses are part of the statements the server has always been sent.
    static const QList<TipoColumna> tipos = {
        Tipo("1", "binary", false, "10", "0", "0", "L", " binary (", M::Longitud, true, false),
        Tipo("2", "bit", false, "1", "0", "0", "", " bit  ", M::Ninguna, true, false),
        Tipo("3", "char", false, "10", "0", "0", "L", " char (", M::Longitud, true, true),
        Tipo("4", "datetime", false, "8", "0", "0", "", " datetime  ", M::Ninguna, true, false),
        Tipo("5", "decimal", true, "9", "18", "0", "PS", " decimal (", M::PrecisionEscala, true, false),
        Tipo("6", "float", true, "8", "53", "0", "", " float ", M::Ninguna, true, false),
        Tipo("7", "image", false, "16", "0", "0", "", " image  ", M::Ninguna, false, false),
        Tipo("8", "int", true, "4", "10", "0", "", " int  ", M::Ninguna, true, false),
        Tipo("9", "money", true, "8", "19", "4", "", " money  ", M::Ninguna, true, false),
        Tipo("10", "nchar", false, "10", "0", "0", "L", " nchar (", M::Longitud, true, true),
        Tipo("11", "ntext", false, "16", "0", "0", "", " ntext  ", M::Ninguna, false, false),
        Tipo("12", "numeric", true, "9", "18", "0", "PS", " numeric  (", M::PrecisionEscala, true, false),
        Tipo("13", "nvarchar", false, "50", "0", "0", "L", " nvarchar (", M::Longitud, true, true),
        Tipo("14", "real", true, "4", "24", "0", "", " real  ", M::Ninguna, true, false),
        Tipo("15", "smalldatetime", false, "4", "0", "0", "", " smalldatetime  ", M::Ninguna, true, false),
        Tipo("16", "smallint", true, "2", "5", "0", "", " smallint ", M::Ninguna, true, false),
        Tipo("17", "smallmoney", true, "4", "10", "4", "", " smallmoney ", M::Ninguna, true, false),
        Tipo("18", "text", false, "16", "0", "0", "", " text ", M::Ninguna, true, true),
        Tipo("19", "timestamp", false, "8", "0", "0", "", " timestamp ", M::Ninguna, true, false),
        Tipo("20", "tinyint", true, "1", "3", "0", "", " tinyint ", M::Ninguna, true, false),
        Tipo("21", "uniqueidentifier", false, "16", "0", "0", "", " uniqueidentifier ", M::Ninguna, true, false),
        Tipo("22", "varbinary", false, "8", "0", "0", "L", " varbinary  (", M::Longitud, true, false),
        Tipo("23", "varchar", false, "8", "0", "0", "L", " varchar  (", M::Longitud, true, true),
    };
    return tipos;
}

const TipoColumna* TipoPorCodigo(int codigo) {
    const auto& tipos = TiposColumna();
    return codigo >= 1 && codigo <= tipos.size() ? &tipos[codigo - 1] : nullptr;
}

const TipoColumna* TipoPorCodigo(const QString& codigo) {
    for (const auto& t : TiposColumna())
        if (t.Codigo == codigo) return &t;
    return nullptr;
}

const TipoColumna& TipoPorDefecto() { return *TipoPorCodigo(3); }

bool CuentaCaracteres(const QString& codigo) {
    return codigo == QLatin1String("10") || codigo == QLatin1String("13");
}

BloqueoCeldas BloqueosDeTipo(const QString& codigo) {
    const TipoColumna* t = TipoPorCodigo(codigo);
    if (!t) return {};
    return {!t->LongitudEditable, !t->PrecisionEditable, !t->EscalaEditable};
}

// ---- Shared pieces ----

QString DuplicaCorchetes(const QString& nombre) {
    QString r = nombre;
    r.replace(QStringLiteral("]"), QStringLiteral("]]"));
    return r;
}

namespace {
// True when the "(" at the start of s is closed by the last character.
bool EncierraTodo(const QString& s) {
    if (s.size() < 2 || s.front() != u'(' || s.back() != u')') return false;
    int nivel = 0;
    QChar comilla;  // the quote of the quoted text being read, if any
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (!comilla.isNull()) {
            if (c == comilla) comilla = QChar();  // a doubled quote reopens at once
            continue;
        }
        if (c == u'\'' || c == u'"') {
            comilla = c;
        } else if (c == u'(') {
            ++nivel;
        } else if (c == u')') {
            if (--nivel == 0) return i == s.size() - 1;
        }
    }
    return false;
}
}  // namespace

QString QuitaParentesisExteriores(const QString& texto) {
    QString s = texto;
    while (EncierraTodo(s)) s = s.mid(1, s.size() - 2);
    return s;
}

QString PrefijoConPropietario(const QString& prefijo, const QString& propietario) {
    if (propietario.isEmpty() || propietario == QLatin1String("dbo")) return prefijo;
    // "Tienda.." keeps its database and takes the owner between the dots.
    return prefijo.chopped(1) + NombreSQL(propietario) + u'.';
}

QString SubconsultaPropietario(const QString& prefijo, const QString& propietario) {
    return QStringLiteral("(select uid from ") + prefijo + QStringLiteral("sysusers where name = ") +
           CadenaSQL(propietario) + u')';
}

QString CondicionPropietario(const QString& prefijo, const QString& propietario) {
    if (propietario.isEmpty()) return QString();
    return QStringLiteral(" and uid = ") + SubconsultaPropietario(prefijo, propietario);
}

QString PropietarioODbo(const QString& propietario) {
    return propietario.isEmpty() ? QStringLiteral("dbo") : propietario;
}

QString NombreMostrado(const QString& propietario, const QString& tabla) {
    if (propietario.isEmpty() || propietario == QLatin1String("dbo")) return tabla;
    return propietario + u'.' + tabla;
}

QString TablaDeCatalogo(const QString& propietario, const QString& tabla) {
    if (propietario.isEmpty()) return NombreSQL(tabla);
    return NombreSQL(propietario) + u'.' + NombreSQL(tabla);
}

QString ConsultaTabla(const QString& prefijo, const QString& tabla, bool sistema, const QString& propietario) {
    QString sql = QStringLiteral("Select * from ") + prefijo + QStringLiteral("sysobjects ");
    if (sistema) sql += QStringLiteral(" where name = ") + CadenaSQL(tabla);
    else sql += QStringLiteral(" where type = 'U'") + QStringLiteral(" and name = ") + CadenaSQL(tabla);
    return sql + CondicionPropietario(prefijo, propietario) + QStringLiteral(" order by name");
}

QString ConsultaClaves(const QString& tabla, bool propias, const QString& propietario) {
    return (propias ? QStringLiteral("EXEC sp_fkeys NULL,NULL,NULL,") : QStringLiteral("EXEC sp_fkeys ")) +
           CadenaSQL(tabla) + (propietario.isEmpty() ? QString() : u',' + CadenaSQL(propietario));
}

QString ClausulaNulos(const QString& nulo) {
    return nulo == QLatin1String("-1") ? QStringLiteral(" NULL") : QStringLiteral(" NOT NULL");
}

QString TextoEliminaConstraint(const QString& prefijo, const QString& tabla, const QString& nombre) {
    return QStringLiteral("ALTER TABLE ") + prefijo + NombreSQL(tabla) + QStringLiteral(" DROP CONSTRAINT ") +
           NombreSQL(nombre);
}

QString TextoEliminaDefault(const QString& prefijo, const QString& tabla, const QString& nombre) {
    return QStringLiteral("ALTER TABLE ") + prefijo + NombreSQL(tabla) + QStringLiteral(" DROP CONSTRAINT [") +
           DuplicaCorchetes(nombre) + u']';
}

// ---- Columns ----

QString NombreDefaultGenerado(const QString& tabla, const QString& campo) {
    constexpr qsizetype kMaximo = 128;  // the length of a sysname
    const QString nombre = QStringLiteral("DF_") + tabla + u'_' + campo;
    if (nombre.size() <= kMaximo) return nombre;
    const QString marca =
        QString::fromLatin1(QCryptographicHash::hash(nombre.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    QString cabeza = nombre.left(kMaximo - 1 - marca.size());
    if (cabeza.back().isHighSurrogate()) cabeza.chop(1);  // never half a character
    return cabeza + u'_' + marca;
}

QString ClausulaCampoNuevo(const QString& tabla, const QString& campo, const QString& longitud,
                           const QString& precision, const QString& escala, const QString& nulo, int tipo,
                           const QString& valor) {
    const TipoColumna* t = TipoPorCodigo(tipo);
    if (!t) return QString();
    QString clausula = NombreSQL(campo) + t->ClausulaNueva + Tamano(t->Medida, longitud, precision, escala) +
                       ClausulaNulos(nulo);
    if (!valor.isEmpty())
        clausula += QStringLiteral(" CONSTRAINT [") + DuplicaCorchetes(NombreDefaultGenerado(tabla, campo)) +
                    QStringLiteral("] DEFAULT (") + valor + u')';
    return clausula;
}

bool CampoDifiere(const ColumnaCatalogo& catalogo, const QString& longitud, const QString& precision,
                  const QString& escala, const QString& nulo, const QString& tipo, const QString& valor,
                  const QString& nombreDefault) {
    bool difiere = false;
    const QString nulos =
        catalogo.Nulos == QLatin1String("1") ? QStringLiteral("-1") : catalogo.Nulos;
    if (nulo != nulos) difiere = true;
    // Character columns compare with their count of characters, binary ones
    // with their count of bytes; a Unicode column's bytes are twice its
    // characters, and a length of that many characters is a change.
    if (catalogo.Caracteres ? longitud != catalogo.Precision
                            : longitud != catalogo.Precision && longitud != catalogo.Longitud())
        difiere = true;
    if (!nombreDefault.isEmpty() && catalogo.ExisteDefault()) {
        if (QuitaParentesisExteriores(catalogo.TextoDefault()) != valor) difiere = true;
    } else if (!valor.isEmpty()) {
        difiere = true;
    }
    if (difiere) return true;
    // A type the list does not hold cannot be chosen, so it never changed.
    const TipoColumna* t = TipoPorCodigo(tipo);
    if (!t) return false;
    if (t->Nombre != catalogo.NombreTipo()) return true;
    return t->Medida == MedidaTipo::PrecisionEscala &&
           (precision != catalogo.Precision || escala != catalogo.Escala());
}

QStringList SentenciasModificaCampo(const QString& prefijo, const QString& tabla, const QString& campo,
                                    const QString& longitud, const QString& nulo, const QString& tipo,
                                    const QString& valor, const QString& nombreDefault, bool existeDefault,
                                    const QString& precision, const QString& escala,
                                    const QString& intercalacion) {
    const TipoColumna* t = TipoPorCodigo(tipo);
    if (!t || t->ClausulaModificada.isEmpty()) return {};
    QString columna = NombreSQL(campo) + t->ClausulaModificada + Tamano(t->Medida, longitud, precision, escala);
    if (t->ConIntercalacion)
        columna += intercalacion.isEmpty() ? QStringLiteral(" ")
                                           : QStringLiteral(" COLLATE ") + intercalacion + u' ';
    columna += ClausulaNulos(nulo);

    const QString cabeza = QStringLiteral("ALTER TABLE ") + prefijo + NombreSQL(tabla);
    QStringList sentencias;
    if (existeDefault) sentencias.append(TextoEliminaDefault(prefijo, tabla, nombreDefault));
    sentencias.append(cabeza + u' ' + QStringLiteral(" ALTER COLUMN ") + columna);
    if (!valor.isEmpty()) {
        const QString nombre =
            nombreDefault.isEmpty() ? NombreDefaultGenerado(tabla, campo) : nombreDefault;
        sentencias.append(cabeza + QStringLiteral(" WITH NOCHECK ADD ") + QStringLiteral(" CONSTRAINT [") +
                          DuplicaCorchetes(nombre) + QStringLiteral("] DEFAULT (") + valor +
                          QStringLiteral(") FOR [") + DuplicaCorchetes(campo) + u']');
    }
    return sentencias;
}

// ---- Indexes and primary keys ----

QString CabeceraIndice(const QString& prefijo, const QString& tabla, const QString& indice,
                       const QString& tipo, const QString& unico, const QString& agrupado) {
    if (tipo == QLatin1String("P"))
        return QStringLiteral("ALTER TABLE ") + prefijo + NombreSQL(tabla) + QStringLiteral(" WITH NOCHECK ADD ");
    QString s = QStringLiteral("CREATE ");
    if (unico == QLatin1String("1")) s += QStringLiteral(" UNIQUE ");
    if (agrupado == QLatin1String("1")) s += QStringLiteral(" CLUSTERED ");
    return s + QStringLiteral(" INDEX ") + NombreSQL(indice) + QStringLiteral("  ON ") + prefijo +
           NombreSQL(tabla) + u' ';
}

QString ClausulaClavePrimaria(const QString& indice, const QString& agrupado) {
    return QStringLiteral("CONSTRAINT ") + NombreSQL(indice) + QStringLiteral(" PRIMARY KEY ") +
           (agrupado == QLatin1String("1") ? QStringLiteral(" CLUSTERED ") : QStringLiteral(" NONCLUSTERED "));
}

QString ColumnaClave(const QString& columna, bool descendente) {
    return NombreSQL(columna) + (descendente ? QStringLiteral(" DESC") : QString());
}

QString ColaIndice(const QString& columnas, const QString& tipo, const QString& factorRelleno,
                   const QString& grupo, bool existe, bool ignoraDuplicados) {
    const bool indice = tipo != QLatin1String("P");
    QString s = QStringLiteral(" (") + columnas + u')' + u'\r';
    const QString factor = factorRelleno.isEmpty() ? QStringLiteral("0") : NumeroSQL(factorRelleno);
    bool conOpciones = false;
    const auto opcion = [&](const QString& texto) {
        s += (conOpciones ? QStringLiteral(" ,") : QStringLiteral(" WITH ")) + texto;
        conOpciones = true;
    };
    if (factor.toDouble() != 0) opcion(QStringLiteral("FILLFACTOR = ") + factor);
    if (ignoraDuplicados && indice) opcion(QStringLiteral("IGNORE_DUP_KEY"));
    if (existe && indice) opcion(QStringLiteral("DROP_EXISTING "));
    if (!grupo.isEmpty()) s += QStringLiteral(" ON [") + DuplicaCorchetes(grupo) + u']';
    return s;
}

// ---- Foreign keys ----

QString ConsultaReglasVinculo(const QString& idConstraint) {
    const QString id = NumeroSQL(idConstraint);
    QStringList columnas;
    for (const char* p : {"CnstIsDeleteCascade", "CnstIsUpdateCascade", "CnstIsNotRepl", "CnstIsDisabled"})
        columnas.append(QStringLiteral("OBJECTPROPERTY(") + id + QStringLiteral(",'") + QString::fromLatin1(p) +
                        QStringLiteral("')"));
    return QStringLiteral("SELECT ") + columnas.join(QStringLiteral(", "));
}

namespace {
// The rules a key keeps when it is made again, after its REFERENCES clause.
QString ClausulasReglas(const ReglasVinculo& reglas) {
    QString s;
    if (reglas.BorraEnCascada) s += QStringLiteral(" ON DELETE CASCADE");
    if (reglas.ActualizaEnCascada) s += QStringLiteral(" ON UPDATE CASCADE");
    if (reglas.NoParaReplicacion) s += QStringLiteral(" NOT FOR REPLICATION");
    return s;
}
// A key made again disabled: it is added unchecked, then disabled (the
// table as the statement names it).
QString TextoDesactivaVinculo(const QString& tabla, const QString& nombre) {
    return QStringLiteral("ALTER TABLE ") + tabla + QStringLiteral(" NOCHECK CONSTRAINT [") +
           DuplicaCorchetes(nombre) + u']';
}
}  // namespace

QStringList SentenciasRecreaVinculo(const QString& tabla, const QString& nombre, const QStringList& columnas,
                                    const QString& tablaReferida, const QStringList& columnasReferidas,
                                    const ReglasVinculo& reglas, const QString& propietario,
                                    const QString& propietarioReferida) {
    const QString nombrada = NombreConPropietario(propietario, tabla);
    const QString s = QStringLiteral(" ALTER TABLE ") + nombrada +
                      (reglas.Desactivado ? QStringLiteral(" WITH NOCHECK ADD") : QStringLiteral(" ADD")) +
                      QStringLiteral(" CONSTRAINT [") + DuplicaCorchetes(nombre) + QStringLiteral("] FOREIGN KEY") +
                      QStringLiteral(" (") + ListaNombres(columnas) + QStringLiteral(") REFERENCES ") +
                      NombreConPropietario(propietarioReferida, tablaReferida) + QStringLiteral(" (") +
                      ListaNombres(columnasReferidas) + u')' + ClausulasReglas(reglas);
    QStringList r{s};
    if (reglas.Desactivado) r.append(u' ' + TextoDesactivaVinculo(nombrada, nombre));
    return r;
}

QString TextoCreaRelacion(const QString& tabla, const QString& nombre, const QStringList& columnas,
                          const QString& tablaReferida, const QStringList& columnasReferidas) {
    return SentenciasCreaRelacion(tabla, nombre, columnas, tablaReferida, columnasReferidas, {}).first();
}

QStringList SentenciasCreaRelacion(const QString& tabla, const QString& nombre, const QStringList& columnas,
                                   const QString& tablaReferida, const QStringList& columnasReferidas,
                                   const ReglasVinculo& reglas, const QString& propietario,
                                   const QString& propietarioReferida) {
    const QString nombrada = NombreConPropietario(propietario, tabla);
    QStringList r{QStringLiteral("ALTER TABLE ") + nombrada +
                  (reglas.Desactivado ? QStringLiteral(" WITH NOCHECK ADD") : QStringLiteral(" ADD")) +
                  QStringLiteral(" CONSTRAINT [") + DuplicaCorchetes(nombre) + QStringLiteral("] FOREIGN KEY") +
                  QStringLiteral(" (") + ListaNombres(columnas) + QStringLiteral(" ) REFERENCES ") +
                  NombreConPropietario(propietarioReferida, tablaReferida) + QStringLiteral(" (") +
                  ListaNombres(columnasReferidas) + u')' + ClausulasReglas(reglas)};
    if (reglas.Desactivado) r.append(TextoDesactivaVinculo(nombrada, nombre));
    return r;
}

QString TextoRenombraCampo(const QString& tabla, const QString& original, const QString& nombre,
                           const QString& propietario) {
    return QStringLiteral("EXEC sp_rename ") +
           CadenaSQL(NombreConPropietario(propietario, tabla) + QStringLiteral(".[") + DuplicaCorchetes(original) +
                     u']') +
           QStringLiteral(", ") + CadenaSQL(nombre) + QStringLiteral(", 'COLUMN'");
}

// ---- Statement lists ----

void ListaSentencias::AgregaTexto(const QString& texto) {
    if (sentencias_.isEmpty()) {
        if (!texto.isEmpty()) sentencias_.append(texto);
    } else {
        sentencias_.last() += texto;
    }
}

void ListaSentencias::Agrega(const QString& sentencia) {
    if (sentencias_.isEmpty()) AgregaTexto(sentencia);
    else sentencias_.append(sentencia);
}

QStringList ListaSentencias::Envios() const {
    QStringList envios;
    for (qsizetype i = 0; i < sentencias_.size(); ++i) {
        // The blank after a separator goes with the statement that follows it.
        const QString s = i == 0 ? sentencias_[i] : u' ' + sentencias_[i];
        if (!EsBlancos(s)) envios.append(s);
    }
    return envios;
}

QString TextoRecreaIndice(const QString& tabla, const QString& indice, const QString& clase,
                          const QString& descripcion, const QString& claves, const QString& relleno,
                          const QString& grupo, const QString& propietario) {
    // Each key as it stands: a name may hold blanks of its own.
    QStringList columnas;
    for (const QString& c : claves.split(QStringLiteral(", "))) {
        if (c.endsWith(QLatin1String("(-)"))) columnas.append(NombreSQL(c.chopped(3)) + QStringLiteral(" DESC"));
        else columnas.append(NombreSQL(c));
    }
    const QString descrita = descripcion.toUpper();
    const bool noAgrupado = descrita.contains(QLatin1String("NONCLUSTERED"));
    QString cola = QStringLiteral(" (") + columnas.join(QStringLiteral(", ")) + QStringLiteral(")  ");
    if (Val(relleno) != 0) cola += QStringLiteral(" WITH FILLFACTOR = ") + NumeroSQL(Trim(relleno));
    if (!grupo.isEmpty()) cola += QStringLiteral(" ON [") + DuplicaCorchetes(grupo) + u']';
    if (clase == QLatin1String("PK") || clase == QLatin1String("UQ"))
        return QStringLiteral(" ALTER TABLE ") + NombreConPropietario(propietario, tabla) + QStringLiteral(" ADD") +
               QStringLiteral(" CONSTRAINT [") +
               DuplicaCorchetes(indice) +
               (clase == QLatin1String("PK") ? QStringLiteral("] PRIMARY KEY  ") : QStringLiteral("] UNIQUE  ")) +
               (noAgrupado ? QStringLiteral(" NONCLUSTERED ") : QStringLiteral(" CLUSTERED ")) + cola;
    return QStringLiteral(" CREATE  ") + (descrita.contains(QLatin1String("UNIQUE")) ? QStringLiteral(" UNIQUE ") : QString()) +
           (noAgrupado ? QStringLiteral(" NONCLUSTERED") : QStringLiteral(" CLUSTERED")) + QStringLiteral(" INDEX ") +
           NombreSQL(indice) + QStringLiteral(" ON ") + NombreConPropietario(propietario, tabla) + cola;
}

QString TextoEliminaIndice(const QString& tabla, const QString& indice, const QString& propietario) {
    return QStringLiteral("DROP INDEX ") + NombreConPropietario(propietario, tabla) + u'.' + NombreSQL(indice);
}

QStringList ColumnasDeClaves(const QString& claves) {
    QStringList columnas = claves.split(QStringLiteral(", "));
    for (QString& c : columnas)
        if (c.endsWith(QLatin1String("(-)"))) c.chop(3);
    return columnas;
}
