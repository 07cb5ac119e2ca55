#include "conexion_guion.h"

#include "platform/tabladatos.h"

QList<datos::ColumnInfo> ConexionGuion::Infiere(const QStringList& nombres, const Filas& filas) {
    QList<datos::ColumnInfo> r;
    for (int i = 0; i < nombres.size(); ++i) {
        int tipo = datos::adVarWChar;
        for (const auto& fila : filas) {
            if (i >= fila.size() || !fila[i].isValid()) continue;
            switch (fila[i].typeId()) {
            case QMetaType::Int: case QMetaType::LongLong: tipo = datos::adInteger; break;
            case QMetaType::Double: tipo = datos::adDouble; break;
            case QMetaType::QDateTime: tipo = datos::adDBTimeStamp; break;
            case QMetaType::Bool: tipo = datos::adBoolean; break;
            default: tipo = datos::adVarWChar;
            }
            break;
        }
        r.append({nombres[i], tipo, 0});
    }
    return r;
}

void ConexionGuion::Responde(const QString& sql, const QStringList& columnas, const Filas& filas) {
    Responde(sql, Infiere(columnas, filas), filas);
}

void ConexionGuion::Responde(const QString& sql, const QList<datos::ColumnInfo>& columnas, const Filas& filas) {
    Guion g;
    g.sql = sql;
    g.columnas = columnas;
    g.filas = filas;
    guiones_.prepend(g);  // the latest script for a text wins
}

void ConexionGuion::RespondePatron(const QString& patron, const QStringList& columnas, const Filas& filas) {
    Guion g;
    g.patron = true;
    g.re = QRegularExpression(patron);
    g.columnas = Infiere(columnas, filas);
    g.filas = filas;
    guiones_.prepend(g);
}

void ConexionGuion::RespondeVarios(const QString& sql, const QList<Resultado>& resultados) {
    Guion g;
    g.sql = sql;
    if (!resultados.isEmpty()) {
        g.columnas = Infiere(resultados.first().columnas, resultados.first().filas);
        g.filas = resultados.first().filas;
        g.resto = resultados.mid(1);
    }
    guiones_.prepend(g);
}

void ConexionGuion::Falla(const QString& sql, qint64 numero, const QString& texto) {
    Guion g;
    g.sql = sql;
    g.falla = true;
    g.numero = numero;
    g.texto = texto;
    guiones_.prepend(g);
}

void ConexionGuion::FallaPatron(const QString& patron, qint64 numero, const QString& texto) {
    Guion g;
    g.patron = true;
    g.re = QRegularExpression(patron);
    g.falla = true;
    g.numero = numero;
    g.texto = texto;
    guiones_.prepend(g);
}

void ConexionGuion::FallaApertura(qint64 numero, const QString& texto) {
    fallaApertura_ = true;
    numeroApertura_ = numero;
    textoApertura_ = texto;
}

void ConexionGuion::Open(const QString& connectionString) {
    errors_.clear();
    CadenaConexion = connectionString;
    ++Aperturas;
    if (fallaApertura_) {
        errors_.append({QStringLiteral("08001"), numeroApertura_, numeroApertura_, textoApertura_});
        throw ErrorEjecucion(numeroApertura_, textoApertura_);
    }
    static const QRegularExpression base(QStringLiteral("(?:^|;)\\s*Initial Catalog=([^;]*)"),
                                         QRegularExpression::CaseInsensitiveOption);
    baseDatos_ = base.match(connectionString).captured(1);
    estado_ = datos::adStateOpen;
}

namespace {
// The database the batch's last USE names: "USE x", "use [x]", "Use [a]]b]",
// alone or among other statements; "" when there is none.
QString BaseDatosDeUse(const QString& sql) {
    static const QRegularExpression use(
        QStringLiteral("(?<![\\w@#$])use\\s+(?:\\[((?:[^\\]]|\\]\\])*)\\]|([\\w@#$]+))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    QString base;
    for (auto it = use.globalMatch(sql); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        base = m.capturedLength(1) > 0 ? m.captured(1).replace(QStringLiteral("]]"), QStringLiteral("]")) : m.captured(2);
    }
    return base;
}
}  // namespace

const ConexionGuion::Guion* ConexionGuion::Busca(const QString& sql) const {
    for (const auto& g : guiones_) {
        if (g.patron ? g.re.match(sql).hasMatch() : g.sql == sql) return &g;
    }
    return nullptr;
}

std::shared_ptr<const datos::ResultSet> ConexionGuion::Ejecuta(const QString& sql) {
    errors_.clear();
    if (estado_ != datos::adStateOpen) FallaNumero(errnum::ObjetoCerrado);
    Enviadas.append(sql);
    const Guion* g = Busca(sql);
    if (g && g->falla) {
        errors_.append({QStringLiteral("42000"), g->numero, g->numero, g->texto});
        throw ErrorEjecucion(g->numero, g->texto);
    }
    if (const QString base = BaseDatosDeUse(sql); !base.isEmpty()) baseDatos_ = base;
    auto t = std::make_shared<datos::TablaDatos>(g ? g->columnas : QList<datos::ColumnInfo>());
    if (g)
        for (const auto& f : g->filas) t->appendRow(f);
    return t;
}

void ConexionGuion::Execute(const QString& sql) { Ejecuta(sql); }

std::shared_ptr<const datos::ResultSet> ConexionGuion::Query(const QString& sql) { return Ejecuta(sql); }

std::vector<std::shared_ptr<const datos::ResultSet>> ConexionGuion::QueryAll(const QString& sql) {
    std::vector<std::shared_ptr<const datos::ResultSet>> todas;
    auto primera = Ejecuta(sql);
    if (primera->columnCount() > 0) todas.push_back(primera);
    if (const Guion* g = Busca(sql)) {
        for (const Resultado& r : g->resto) {
            if (r.columnas.isEmpty()) continue;
            auto t = std::make_shared<datos::TablaDatos>(Infiere(r.columnas, r.filas));
            for (const auto& f : r.filas) t->appendRow(f);
            todas.push_back(t);
        }
    }
    return todas;
}

void ConexionGuion::BeginTrans() { Ejecuta(QStringLiteral("<BeginTrans>")); }
void ConexionGuion::CommitTrans() { Ejecuta(QStringLiteral("<CommitTrans>")); }
void ConexionGuion::RollbackTrans() { Ejecuta(QStringLiteral("<RollbackTrans>")); }
