#include "common/texto.h"

#include "platform/errores.h"

#include <QRegularExpression>
#include <QSet>

#include <cmath>

QString Trim(const QString& s) {
    qsizetype i = 0, j = s.size();
    while (i < j && s[i] == u' ') ++i;
    while (j > i && s[j - 1] == u' ') --j;
    return s.mid(i, j - i);
}

double Val(const QString& s) {
    QString numero;
    bool digitos = false, punto = false, exponente = false;
    qsizetype i = 0;
    auto salta = [&] {
        while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\n' || s[i] == u'\r')) ++i;
    };
    salta();
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) numero += s[i++];
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') continue;
        if (c >= u'0' && c <= u'9') {
            numero += c;
            digitos = true;
        } else if (c == u'.' && !punto && !exponente) {
            numero += c;
            punto = true;
        } else if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && digitos && !exponente) {
            // An exponent counts only when digits follow it.
            qsizetype k = i + 1;
            QString exp = QStringLiteral("e");
            if (k < s.size() && (s[k] == u'-' || s[k] == u'+')) exp += s[k++];
            if (k < s.size() && s[k] >= u'0' && s[k] <= u'9') {
                numero += exp;
                exponente = true;
                i = k - 1;
            } else {
                break;
            }
        } else {
            break;
        }
    }
    if (!digitos) return 0;
    bool ok = false;
    const double v = numero.toDouble(&ok);
    return ok ? v : 0;
}

qint16 CInt(double v) {
    if (std::isnan(v)) FallaNumero(errnum::Desbordamiento);
    const double r = std::nearbyint(v);  // the default rounding mode: half to even
    if (r < -32768.0 || r > 32767.0) FallaNumero(errnum::Desbordamiento);
    return qint16(r);
}

qint16 CInt(const QString& s) {
    bool ok = false;
    const double v = Trim(s).toDouble(&ok);
    if (!ok) FallaNumero(errnum::TiposNoCoinciden);
    return CInt(v);
}

bool EsReservadaSQL(const QString& palabra) {
    static const QSet<QString> reservadas = [] {
        const char* lista[] = {
            "ADD", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "AUTHORIZATION", "BACKUP", "BEGIN",
            "BETWEEN", "BREAK", "BROWSE", "BULK", "BY", "CASCADE", "CASE", "CHECK", "CHECKPOINT",
            "CLOSE", "CLUSTERED", "COALESCE", "COLLATE", "COLUMN", "COMMIT", "COMPUTE", "CONSTRAINT",
            "CONTAINS", "CONTAINSTABLE", "CONTINUE", "CONVERT", "CREATE", "CROSS", "CURRENT",
            "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATABASE",
            "DBCC", "DEALLOCATE", "DECLARE", "DEFAULT", "DELETE", "DENY", "DESC", "DISK", "DISTINCT",
            "DISTRIBUTED", "DOUBLE", "DROP", "DUMMY", "DUMP", "ELSE", "END", "ERRLVL", "ESCAPE",
            "EXCEPT", "EXEC", "EXECUTE", "EXISTS", "EXIT", "EXTERNAL", "FETCH", "FILE", "FILLFACTOR",
            "FOR", "FOREIGN", "FREETEXT", "FREETEXTTABLE", "FROM", "FULL", "FUNCTION", "GOTO", "GRANT",
            "GROUP", "HAVING", "HOLDLOCK", "IDENTITY", "IDENTITY_INSERT", "IDENTITYCOL", "IF", "IN",
            "INDEX", "INNER", "INSERT", "INTERSECT", "INTO", "IS", "JOIN", "KEY", "KILL", "LEFT",
            "LIKE", "LINENO", "LOAD", "MERGE", "NATIONAL", "NOCHECK", "NONCLUSTERED", "NOT", "NULL",
            "NULLIF", "OF", "OFF", "OFFSETS", "ON", "OPEN", "OPENDATASOURCE", "OPENQUERY",
            "OPENROWSET", "OPENXML", "OPTION", "OR", "ORDER", "OUTER", "OVER", "PERCENT", "PIVOT",
            "PLAN", "PRECISION", "PRIMARY", "PRINT", "PROC", "PROCEDURE", "PUBLIC", "RAISERROR",
            "READ", "READTEXT", "RECONFIGURE", "REFERENCES", "REPLICATION", "RESTORE", "RESTRICT",
            "RETURN", "REVERT", "REVOKE", "RIGHT", "ROLLBACK", "ROWCOUNT", "ROWGUIDCOL", "RULE",
            "SAVE", "SCHEMA", "SECURITYAUDIT", "SELECT", "SEMANTICKEYPHRASETABLE",
            "SEMANTICSIMILARITYDETAILSTABLE", "SEMANTICSIMILARITYTABLE", "SESSION_USER", "SET",
            "SETUSER", "SHUTDOWN", "SOME", "STATISTICS", "SYSTEM_USER", "TABLE", "TABLESAMPLE",
            "TEXTSIZE", "THEN", "TO", "TOP", "TRAN", "TRANSACTION", "TRIGGER", "TRUNCATE",
            "TRY_CONVERT", "TSEQUAL", "UNION", "UNIQUE", "UNPIVOT", "UPDATE", "UPDATETEXT", "USE",
            "USER", "VALUES", "VARYING", "VIEW", "WAITFOR", "WHEN", "WHERE", "WHILE", "WITH",
            "WITHIN", "WRITETEXT"};
        QSet<QString> s;
        for (const char* p : lista) s.insert(QString::fromLatin1(p));
        return s;
    }();
    return reservadas.contains(palabra.toUpper());
}

namespace {
bool EsIdentificadorRegular(const QString& n) {
    if (n.isEmpty()) return false;
    const QChar c0 = n[0];
    // "@x" is a variable and "#x" a temporary object to the server: such a
    // name is always bracketed.
    if (!(c0.isLetter() || c0 == u'_')) return false;
    for (qsizetype i = 1; i < n.size(); ++i) {
        const QChar c = n[i];
        if (!(c.isLetter() || c.isDigit() || c == u'_' || c == u'@' || c == u'#' || c == u'$')) return false;
    }
    return true;
}
}  // namespace

QString NombreSQL(const QString& nombre) {
    if (EsIdentificadorRegular(nombre) && !EsReservadaSQL(nombre)) return nombre;
    QString r = nombre;
    r.replace(QStringLiteral("]"), QStringLiteral("]]"));
    return u'[' + r + u']';
}

QString LiteralSQL(const QString& valor) {
    QString r = valor;
    r.replace(QStringLiteral("'"), QStringLiteral("''"));
    return r;
}

QString CadenaSQL(const QString& valor) {
    bool ascii = true;
    for (QChar c : valor)
        if (c.unicode() > 0x7F) {
            ascii = false;
            break;
        }
    return (ascii ? QStringLiteral("'") : QStringLiteral("N'")) + LiteralSQL(valor) + u'\'';
}

QString NumeroSQL(const QString& valor) {
    static const QRegularExpression numero(
        QStringLiteral("^ *[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)? *$"));
    if (!numero.match(valor).hasMatch())
        Falla(errnum::TiposNoCoinciden, DescripcionError(errnum::TiposNoCoinciden) + QStringLiteral(": '") +
                                             valor + QStringLiteral("' is not a number"));
    return valor;
}

QString UneRuta(const QString& carpeta, const QString& fichero) {
    if (carpeta.isEmpty()) return fichero;
    const QChar separador = carpeta.startsWith(u'/') ? u'/' : u'\\';
    return carpeta.endsWith(separador) ? carpeta + fichero : carpeta + separador + fichero;
}
