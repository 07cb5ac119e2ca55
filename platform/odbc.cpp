#include "platform/odbc.h"

#include "platform/tabladatos.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace datos {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be a UTF-16 unit");

namespace {

constexpr SQLULEN kEsperaConexion = 15;          // seconds to connect and log in
constexpr SQLULEN kLargoMaximoEnlazado = 8000;    // longer columns are read in chunks
constexpr size_t kBytesPorBloque = size_t(8) << 20;  // buffers of one block fetch
constexpr SQLULEN kFilasPorBloque = 1024;
constexpr SQLULEN kFilasAlDescartar = 256;
constexpr size_t kTrozo = 32768;                  // first chunk of a long value, in bytes
constexpr size_t kTrozoMaximo = size_t(16) << 20;
constexpr SQLSMALLINT kFechaHoraOdbc2 = 11;       // SQL_TIMESTAMP of ODBC 2
constexpr SQLSMALLINT kFechaOdbc2 = 9;            // SQL_DATE of ODBC 2
// SQL Server types that its drivers report with codes of their own.
constexpr SQLSMALLINT kSsUdt = -151, kSsXml = -152;

SQLWCHAR* W(const QString& s) { return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(s.utf16())); }
// Text the driver manager wrote into a buffer of n units. The length it
// reports is not trusted: for a driver with only the narrow API, unixODBC
// reports the length of the converted narrow text, which may be longer.
QString DeW(const SQLWCHAR* s, qsizetype n) {
    qsizetype largo = 0;
    while (largo < n && s[largo] != 0) ++largo;
    return QString(reinterpret_cast<const QChar*>(s), largo);
}

// "Trim" in this program: blanks only.
QString sinBlancos(const QString& s) {
    qsizetype i = 0, f = s.size();
    while (i < f && s[i] == u' ') ++i;
    while (f > i && s[f - 1] == u' ') --f;
    return s.mid(i, f - i);
}

// ---------------------------------------------------------------------------
// Connection string

enum class Clave { Ninguna, Proveedor, Servidor, Base, Usuario, Contrasena };

// The keys of the program's connection string, with the synonyms ADO takes.
Clave claveDe(QStringView nombre) {
    const QString n = sinBlancos(nombre.toString()).toLower();
    if (n == u"provider") return Clave::Proveedor;
    if (n == u"data source" || n == u"server" || n == u"address" || n == u"addr" || n == u"network address")
        return Clave::Servidor;
    if (n == u"initial catalog" || n == u"database") return Clave::Base;
    if (n == u"user id" || n == u"uid" || n == u"user") return Clave::Usuario;
    if (n == u"password" || n == u"pwd") return Clave::Contrasena;
    return Clave::Ninguna;
}

// Position of the ';' that opens the next known key ("...;Initial Catalog="),
// from 'desde' on; -1 when none follows.
qsizetype siguienteClave(const QString& s, qsizetype desde) {
    for (qsizetype p = s.indexOf(u';', desde); p >= 0; p = s.indexOf(u';', p + 1)) {
        const qsizetype igual = s.indexOf(u'=', p + 1);
        if (igual < 0) return -1;
        if (claveDe(QStringView(s).mid(p + 1, igual - p - 1)) != Clave::Ninguna) return p;
    }
    return -1;
}

struct PartesAdo {
    QString servidor, base, usuario, contrasena;
    bool hayUsuario = false, hayContrasena = false;
};

// The program pastes every value into its connection string as it stands, so
// a value may hold ';', '=', '}' or blanks. The keys are known, and the
// string is read with that knowledge: a value runs up to the ';' that opens
// the next known key, and the password, which the program always writes
// last, runs from "Password=" to the final ';' of the string (or to its end
// when there is none) -- whatever it holds, ';' and key-like text included.
PartesAdo parteAdo(QString s) {
    while (s.endsWith(u' ')) s.chop(1);
    PartesAdo r;
    qsizetype p = 0;
    while (p < s.size()) {
        while (p < s.size() && (s[p] == u';' || s[p] == u' ')) ++p;
        const qsizetype igual = s.indexOf(u'=', p);
        if (p >= s.size() || igual < 0) break;
        const Clave k = claveDe(QStringView(s).mid(p, igual - p));
        qsizetype fin;
        if (k == Clave::Contrasena) {
            fin = s.endsWith(u';') ? s.size() - 1 : s.size();
            fin = std::max(fin, igual + 1);
        } else {
            fin = siguienteClave(s, igual + 1);
            if (fin < 0) fin = s.endsWith(u';') ? std::max(s.size() - 1, igual + 1) : s.size();
        }
        const QString valor = s.mid(igual + 1, fin - igual - 1);
        switch (k) {
        case Clave::Servidor: r.servidor = valor; break;
        case Clave::Base: r.base = valor; break;
        case Clave::Usuario: r.usuario = valor; r.hayUsuario = true; break;
        case Clave::Contrasena: r.contrasena = valor; r.hayContrasena = true; break;
        case Clave::Proveedor: case Clave::Ninguna: break;
        }
        p = fin + 1;
    }
    return r;
}

struct Servidor {
    QString host, instancia, puerto;
};

// "host", "host,port", "host\instance" (also "tcp:host,port"; "(local)" and
// "." name this machine). With both an instance and a port, the port is what
// the client connects to, as SQL Server's own clients do.
Servidor parteServidor(const QString& valor) {
    Servidor r;
    QString v = sinBlancos(valor);
    if (v.startsWith(u"tcp:", Qt::CaseInsensitive)) v = sinBlancos(v.mid(4));
    const qsizetype coma = v.lastIndexOf(u',');
    if (coma >= 0) {
        r.puerto = sinBlancos(v.mid(coma + 1));
        v = sinBlancos(v.left(coma));
    }
    const qsizetype barra = v.indexOf(u'\\');
    if (barra >= 0) {
        r.instancia = sinBlancos(v.mid(barra + 1));
        v = sinBlancos(v.left(barra));
    }
    if (v.isEmpty() || v == u"." || v.compare(u"(local)", Qt::CaseInsensitive) == 0) v = QStringLiteral("localhost");
    r.host = v;
    return r;
}

// A value in braces, with every '}' doubled: nothing inside can end the value
// early or add a keyword of its own. This is the rule of ODBC connection
// strings, and how the driver manager and Microsoft's drivers read them.
QString entreLlaves(const QString& v) {
    QString r = v;
    r.replace(u'}', QStringLiteral("}}"));
    return u'{' + r + u'}';
}

// A value for FreeTDS. The FreeTDS of Debian 12 (1.3) ends a braced value at
// the first "};" and does not undouble "}}"; later versions follow the ODBC
// rule. A value is written so that both read it alike: in braces when it has
// no '}'; bare (up to the next ';', blanks and all) when it has a '}' but no
// ';' and does not start with '{'. What is left -- a '}' together with a ';',
// or a '}' in a value that starts with '{' -- no FreeTDS reads the same way,
// and is refused rather than sent altered.
QString valorFreeTds(const QString& v) {
    if (!v.contains(u'}')) return u'{' + v + u'}';
    if (!v.contains(u';') && !v.startsWith(u'{')) return v;
    Falla(errnum::FalloGeneral,
          QStringLiteral("A value of the connection string holds '}' together with ';' (or starts with '{'): "
                         "the FreeTDS driver cannot receive it."));
}

bool esCadenaOdbc(const QString& s) {
    const QString t = sinBlancos(s);
    return t.startsWith(u"ODBC;", Qt::CaseInsensitive) || t.startsWith(u"DRIVER=", Qt::CaseInsensitive) ||
           t.startsWith(u"DSN=", Qt::CaseInsensitive);
}

bool esFreeTds(const QString& controlador) {
    return controlador.compare(u"FreeTDS", Qt::CaseInsensitive) == 0 ||
           controlador.contains(u"tdsodbc", Qt::CaseInsensitive);
}

// ---------------------------------------------------------------------------
// Types

int tipoAdo(SQLSMALLINT t) {
    switch (t) {
    case SQL_INTEGER: return adInteger;
    case SQL_SMALLINT: return adSmallInt;
    case SQL_TINYINT: return adUnsignedTinyInt;
    case SQL_BIGINT: return adBigInt;
    case SQL_BIT: return adBoolean;
    case SQL_REAL: return adSingle;
    case SQL_FLOAT: case SQL_DOUBLE: return adDouble;
    case SQL_DECIMAL: case SQL_NUMERIC: return adNumeric;
    case SQL_TYPE_TIMESTAMP: case kFechaHoraOdbc2: return adDBTimeStamp;
    case SQL_TYPE_DATE: case kFechaOdbc2: return adDBDate;
    case SQL_CHAR: return adChar;
    case SQL_VARCHAR: return adVarChar;
    case SQL_LONGVARCHAR: return adLongVarChar;
    case SQL_WCHAR: return adWChar;
    case SQL_WVARCHAR: return adVarWChar;
    case SQL_WLONGVARCHAR: case kSsXml: return adLongVarWChar;
    case SQL_BINARY: return adBinary;
    case SQL_VARBINARY: return adVarBinary;
    case SQL_LONGVARBINARY: case kSsUdt: return adLongVarBinary;
    case SQL_GUID: return adGUID;
    default: return adVarWChar;  // time, datetimeoffset, sql_variant...: their text
    }
}

bool esTipoLargo(SQLSMALLINT t) {
    return t == SQL_LONGVARCHAR || t == SQL_WLONGVARCHAR || t == SQL_LONGVARBINARY || t == kSsXml || t == kSsUdt;
}

// The size a field reports, as ADO reported it for each type.
qint64 tamanoDefinido(int ado, SQLULEN tamano) {
    switch (ado) {
    case adInteger: case adSingle: return 4;
    case adSmallInt: case adBoolean: return 2;
    case adUnsignedTinyInt: return 1;
    case adBigInt: case adDouble: return 8;
    case adNumeric: return 19;
    case adDBTimeStamp: case adDBDate: case adGUID: return 16;
    default: return tamano > 0 && tamano <= SQLULEN(INT32_MAX) ? qint64(tamano) : qint64(INT32_MAX);
    }
}

QString textoDeGuid(const SQLGUID& g) {
    char b[40];
    std::snprintf(b, sizeof b, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.Data1),
                  unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    return QString::fromLatin1(b);
}

qint64 msDe(const SQL_TIMESTAMP_STRUCT& t) {
    return TablaDatos::msDesdeAnoUno(t.year, t.month, t.day, t.hour, t.minute, t.second, int(t.fraction / 1000000));
}

// A decimal as the driver wrote it; some write ".5" for 0.5.
void anadeDecimal(TablaDatos& t, int col, const char* s, qsizetype n) {
    if (n > 0 && (s[0] == '.' || (n > 1 && s[0] == '-' && s[1] == '.'))) {
        QByteArray b(s, n);
        b.insert(s[0] == '-' ? 1 : 0, '0');
        t.appendUtf8(col, b.constData(), b.size());
    } else {
        t.appendUtf8(col, s, n);
    }
}

bool esClaseDeError(const QString& estado) {
    return !(estado.startsWith(u"00") || estado.startsWith(u"01") || estado.startsWith(u"02"));
}

// A state of the connection-exception class, but for 08004: FreeTDS reports
// with it the server's refusal of a database (911 after a USE of a database
// that does not exist), after which the link goes on.
bool enlacePerdido(const QString& e) { return e.startsWith(u"08") && e != u"08004"; }

bool estadoFatal(const QString& e) {
    return enlacePerdido(e) || e == u"HYT00" || e == u"HYT01" || e == u"HY008" || e == u"HY010" ||
           e == u"IM001";
}

struct Sentencia {
    SQLHSTMT h = SQL_NULL_HSTMT;
    Sentencia() = default;
    Sentencia(const Sentencia&) = delete;
    Sentencia& operator=(const Sentencia&) = delete;
    ~Sentencia() { libera(); }
    void libera() {
        if (h) SQLFreeHandle(SQL_HANDLE_STMT, h);
        h = SQL_NULL_HSTMT;
    }
};

}  // namespace

// ---------------------------------------------------------------------------

QString ControladorOdbc() {
    const QString v = sinBlancos(qEnvironmentVariable("TOLVEK_ODBC_DRIVER"));
    return v.isEmpty() ? QStringLiteral("FreeTDS") : v;
}

QString TraduceCadenaConexion(const QString& ado, const QString& controlador) {
    if (esCadenaOdbc(ado)) {
        const QString t = sinBlancos(ado);
        return t.startsWith(u"ODBC;", Qt::CaseInsensitive) ? t.mid(5) : ado;
    }
    const PartesAdo a = parteAdo(ado);
    const Servidor s = parteServidor(a.servidor);
    const QString driver = controlador.isEmpty() ? QStringLiteral("FreeTDS") : controlador;
    const bool freeTds = esFreeTds(driver);
    const auto valor = [freeTds](const QString& v) { return freeTds ? valorFreeTds(v) : entreLlaves(v); };
    QString servidor = s.host;
    if (freeTds) {
        // FreeTDS: the instance goes with the host; a port replaces it.
        if (s.puerto.isEmpty() && !s.instancia.isEmpty()) servidor += u'\\' + s.instancia;
    } else {
        if (!s.puerto.isEmpty()) servidor += u',' + s.puerto;
        else if (!s.instancia.isEmpty()) servidor += u'\\' + s.instancia;
    }
    QString r = QStringLiteral("DRIVER=") + entreLlaves(driver) + QStringLiteral(";SERVER=") + valor(servidor) + u';';
    if (freeTds && !s.puerto.isEmpty()) r += QStringLiteral("PORT=") + valor(s.puerto) + u';';
    if (!a.base.isEmpty()) r += QStringLiteral("DATABASE=") + valor(a.base) + u';';
    if (a.hayUsuario || a.hayContrasena)
        r += QStringLiteral("UID=") + valor(a.usuario) + QStringLiteral(";PWD=") + valor(a.contrasena) + u';';
    // A server cuts text, ntext, image and the max types at the session's
    // text size, 4 KB unless the client raises it: FreeTDS raises it at
    // login only when asked to.
    if (freeTds) r += QStringLiteral("TDS_Version={7.3};ClientCharset={UTF-8};TextSize={2147483647};");
    r += QStringLiteral("APP={Tolvek};");
    return r;
}

QString QuitaPrefijosControlador(const QString& mensaje) {
    // "[vendor][component][data source]text": at most that many groups; the
    // data source's own text follows "[SQL Server]" (or "[SQLite]") even when
    // it starts with a bracket itself.
    QString r = mensaje;
    for (int grupos = 0; grupos < 4 && r.startsWith(u'['); ++grupos) {
        const qsizetype cierre = r.indexOf(u']');
        if (cierre < 0) break;
        const QString nombre = r.mid(1, cierre - 1);
        r = r.mid(cierre + 1);
        if (nombre.compare(u"SQL Server", Qt::CaseInsensitive) == 0 ||
            nombre.compare(u"SQLite", Qt::CaseInsensitive) == 0)
            break;
    }
    return r;
}

// ---------------------------------------------------------------------------
// What one call of the connection has met so far.

struct OdbcConnection::Llamada {
    explicit Llamada(QList<ErrorDatos>& e) : errores(e) {}
    QList<ErrorDatos>& errores;
    bool fallo = false;          // some ODBC call failed, or this layer found a failure
    qsizetype primerError = -1;  // first entry that is an error
    qsizetype primeraDeFallo = -1;  // first entry of the first failed ODBC call
    bool fatal = false;          // the statement cannot go on (timeout, cancel, lost link)
    bool conexionPerdida = false;

    // Keeps the diagnostic records an ODBC call left on its handle. Records
    // of class 01 (warnings, the server's informational messages) are kept
    // as entries but are not failures; any other record is, whatever the
    // call returned: the driver hands on an error that the server sent among
    // a result's rows with SQL_SUCCESS_WITH_INFO, after the rows before it.
    void recoge(SQLSMALLINT tipo, SQLHANDLE h, SQLRETURN rc) {
        if (rc == SQL_SUCCESS) return;
        const qsizetype antes = errores.size();
        if (rc != SQL_INVALID_HANDLE) {
            std::vector<SQLWCHAR> texto(1024);
            for (SQLSMALLINT i = 1; i < 32767; ++i) {
                SQLWCHAR estado[6] = {};
                SQLINTEGER nativo = 0;
                SQLSMALLINT largo = 0;
                SQLRETURN r = SQLGetDiagRecW(tipo, h, i, estado, &nativo, texto.data(), SQLSMALLINT(texto.size()), &largo);
                if (r == SQL_SUCCESS_WITH_INFO && size_t(largo) >= texto.size()) {
                    texto.resize(size_t(largo) + 1);
                    r = SQLGetDiagRecW(tipo, h, i, estado, &nativo, texto.data(), SQLSMALLINT(texto.size()), &largo);
                }
                if (!SQL_SUCCEEDED(r)) break;
                ErrorDatos e;
                e.SQLState = DeW(estado, 5);
                e.NativeError = nativo;
                e.Number = nativo != 0 ? qint64(nativo) : errnum::FalloGeneral;
                e.Description = QuitaPrefijosControlador(DeW(texto.data(), std::min<qsizetype>(largo, qsizetype(texto.size()) - 1)));
                const bool esError = esClaseDeError(e.SQLState);
                if (enlacePerdido(e.SQLState)) conexionPerdida = true;
                if (estadoFatal(e.SQLState)) fatal = true;
                errores.append(std::move(e));
                if (esError) {
                    if (primerError < 0) primerError = errores.size() - 1;
                    fallo = true;
                }
            }
        } else {
            fatal = true;
        }
        if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
            fallo = true;
            if (primeraDeFallo < 0 && errores.size() > antes) primeraDeFallo = antes;
        }
    }

    void anadeError(const QString& estado, const QString& texto) {
        ErrorDatos e;
        e.SQLState = estado;
        e.Number = errnum::FalloGeneral;
        e.Description = texto;
        errores.append(e);
        if (primerError < 0) primerError = errores.size() - 1;
        fallo = true;
    }
};

// How one column of a result is fetched.
struct OdbcConnection::Plan {
    enum class Via { Entero, Real, FechaHora, Texto, Decimal, Guid, Binario };
    Via via = Via::Texto;
    bool largo = false;      // read in chunks, row by row
    SQLSMALLINT tipoC = SQL_C_CHAR;
    SQLLEN ancho = 0;        // bytes per row in the block buffer
    SQLLEN capacidad = 0;    // longest value that fits, in bytes
    QString nombre;
    // The block buffer: 8-byte aligned, and left uninitialised so that a
    // small result does not pay for touching all of it.
    std::unique_ptr<qint64[]> datos;
    std::vector<SQLLEN> ind;
    const char* base() const { return reinterpret_cast<const char*>(datos.get()); }
};

OdbcConnection::OdbcConnection() = default;

OdbcConnection::~OdbcConnection() {
    cierraFisica();
    if (entorno_) SQLFreeHandle(SQL_HANDLE_ENV, entorno_);
}

int OdbcConnection::State() const { return conexion_ ? adStateOpen : adStateClosed; }

void OdbcConnection::exigeAbierta() const {
    if (!conexion_) FallaNumero(errnum::ObjetoCerrado);
}

void OdbcConnection::cierraFisica() {
    if (!conexion_) return;
    if (enTransaccion_) SQLEndTran(SQL_HANDLE_DBC, conexion_, SQL_ROLLBACK);
    SQLDisconnect(conexion_);
    SQLFreeHandle(SQL_HANDLE_DBC, conexion_);
    conexion_ = nullptr;
    enTransaccion_ = false;
}

void OdbcConnection::falla(Llamada& ll) {
    // A connection the driver gave up on is closed here, so that the program
    // sees it closed and may open it again.
    if (conexion_) {
        SQLUINTEGER muerta = SQL_CD_FALSE;
        if (ll.conexionPerdida ||
            (SQL_SUCCEEDED(SQLGetConnectAttrW(conexion_, SQL_ATTR_CONNECTION_DEAD, &muerta, 0, nullptr)) &&
             muerta == SQL_CD_TRUE))
            cierraFisica();
    }
    qsizetype i = ll.primerError >= 0 ? ll.primerError : ll.primeraDeFallo;
    if (i < 0) {
        ll.anadeError(QStringLiteral("HY000"), QStringLiteral("The data provider reported a failure without a message."));
        i = errors_.size() - 1;
    }
    throw ErrorEjecucion(errors_[i].Number, errors_[i].Description);
}

void OdbcConnection::Open(const QString& connectionString) {
    if (conexion_) Falla(3705, QStringLiteral("Operation is not allowed when the object is open."));
    errors_.clear();
    Llamada ll(errors_);
    if (!entorno_) {
        // Pooling stays off: one object, one physical connection.
        SQLSetEnvAttr(SQL_NULL_HANDLE, SQL_ATTR_CONNECTION_POOLING, reinterpret_cast<SQLPOINTER>(SQL_CP_OFF), SQL_IS_UINTEGER);
        SQLHENV env = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
            ll.anadeError(QStringLiteral("HY001"), QStringLiteral("The ODBC driver manager could not be started."));
            falla(ll);
        }
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), SQL_IS_UINTEGER);
        entorno_ = env;
    }
    const QString controlador = ControladorOdbc();
    QString odbc;
    try {
        odbc = TraduceCadenaConexion(connectionString, controlador);
    } catch (const ErrorEjecucion& e) {
        ll.anadeError(QStringLiteral("HY000"), e.Descripcion);
        falla(ll);
    }
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, entorno_, &dbc);
    if (!SQL_SUCCEEDED(rc)) {
        ll.recoge(SQL_HANDLE_ENV, entorno_, SQL_ERROR);
        falla(ll);
    }
    // The driver manager's trace would copy statements, passwords among them,
    // into a file: never for this program's connections.
    SQLSetConnectAttrW(dbc, SQL_ATTR_TRACE, reinterpret_cast<SQLPOINTER>(SQL_OPT_TRACE_OFF), SQL_IS_UINTEGER);
    SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(kEsperaConexion), SQL_IS_UINTEGER);
    SQLSetConnectAttrW(dbc, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(kEsperaConexion), SQL_IS_UINTEGER);

    rc = SQLDriverConnectW(dbc, nullptr, W(odbc), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    odbc.fill(u'\0');  // it holds the password
    ll.recoge(SQL_HANDLE_DBC, dbc, rc);
    if (!SQL_SUCCEEDED(rc)) {
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        ll.fallo = true;
        falla(ll);
    }
    conexion_ = dbc;
    enTransaccion_ = false;

    switch (texto_) {
    case Texto::Utf8: utf8_ = true; break;
    case Texto::Utf16: utf8_ = false; break;
    case Texto::Automatico: {
        SQLWCHAR nombre[128] = {};
        SQLSMALLINT largo = 0;
        QString dbms;
        if (SQL_SUCCEEDED(SQLGetInfoW(dbc, SQL_DBMS_NAME, nombre, sizeof nombre, &largo)))
            dbms = DeW(nombre, 127);
        const bool freeTdsEnUtf8 = !esCadenaOdbc(connectionString) && esFreeTds(controlador);
        utf8_ = freeTdsEnUtf8 || dbms.startsWith(u"SQLite", Qt::CaseInsensitive);
        break;
    }
    }
}

void OdbcConnection::Close() {
    if (!conexion_) return;
    errors_.clear();
    cierraFisica();
}

QString OdbcConnection::DefaultDatabase() const {
    if (!conexion_) return QString();
    // A database name is a sysname: 128 characters at most.
    SQLWCHAR nombre[260] = {};
    SQLINTEGER largo = 0;
    if (!SQL_SUCCEEDED(SQLGetConnectAttrW(conexion_, SQL_ATTR_CURRENT_CATALOG, nombre, SQLINTEGER(sizeof nombre), &largo)))
        return QString();
    return DeW(nombre, std::size(nombre) - 1);
}

void OdbcConnection::Execute(const QString& sql) { ejecuta(sql, false); }

std::shared_ptr<const ResultSet> OdbcConnection::Query(const QString& sql) { return ejecuta(sql, true); }

std::vector<std::shared_ptr<const ResultSet>> OdbcConnection::QueryAll(const QString& sql) {
    std::vector<std::shared_ptr<const ResultSet>> todas;
    ejecuta(sql, false, &todas);
    return todas;
}

std::shared_ptr<const ResultSet> OdbcConnection::ejecuta(const QString& sql, bool conFilas,
                                                         std::vector<std::shared_ptr<const ResultSet>>* todas) {
    exigeAbierta();
    errors_.clear();
    Llamada ll(errors_);
    std::shared_ptr<TablaDatos> tabla;
    {
        Sentencia st;
        SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, conexion_, &st.h);
        if (!SQL_SUCCEEDED(rc)) {
            st.h = SQL_NULL_HSTMT;
            ll.recoge(SQL_HANDLE_DBC, conexion_, SQL_ERROR);
            falla(ll);
        }
        // The driver cancels a statement that runs out of time and fails it (HYT00).
        SQLSetStmtAttrW(st.h, SQL_ATTR_QUERY_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(SQLULEN(std::max(commandTimeout_, 0))), SQL_IS_UINTEGER);

        rc = SQLExecDirectW(st.h, W(sql), SQLINTEGER(sql.size()));
        ll.recoge(SQL_HANDLE_STMT, st.h, rc);
        // Every result and message of the batch is read, to its end.
        bool enResultado = SQL_SUCCEEDED(rc);
        while (!ll.fatal) {
            if (enResultado) {
                SQLSMALLINT columnas = 0;
                if (SQL_SUCCEEDED(SQLNumResultCols(st.h, &columnas)) && columnas > 0) {
                    if (todas) {
                        // Once the call has failed nothing more is kept:
                        // the rest is only read to its end.
                        std::shared_ptr<TablaDatos> una;
                        leeResultado(st.h, columnas, ll, !ll.fallo ? &una : nullptr);
                        if (una && !ll.fallo) todas->push_back(std::move(una));
                    } else {
                        leeResultado(st.h, columnas, ll, conFilas && !tabla && !ll.fallo ? &tabla : nullptr);
                    }
                }
                if (ll.fatal) break;
            }
            const qsizetype antes = errors_.size();
            rc = SQLMoreResults(st.h);
            ll.recoge(SQL_HANDLE_STMT, st.h, rc);
            if (rc == SQL_NO_DATA) break;
            if (SQL_SUCCEEDED(rc)) {
                enResultado = true;
            } else if (rc == SQL_ERROR) {
                // The failed statement is behind; what follows it may still
                // come. A driver that fails without saying anything has
                // nothing more to give.
                if (errors_.size() == antes) break;
                enResultado = true;
            } else {
                break;
            }
        }
    }
    if (ll.fallo) {
        if (todas) todas->clear();
        falla(ll);
    }
    if (!conFilas) return nullptr;
    if (!tabla) tabla = std::make_shared<TablaDatos>(QList<ColumnInfo>{});
    return tabla;
}

void OdbcConnection::leeResultado(void* sentencia, int columnas, Llamada& ll, std::shared_ptr<TablaDatos>* destino) {
    const SQLHSTMT st = static_cast<SQLHSTMT>(sentencia);

    if (!destino) {
        // A result nobody keeps is still fetched to its end, so that an error
        // among its rows reaches the caller.
        SQLSetStmtAttrW(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kFilasAlDescartar), SQL_IS_UINTEGER);
        for (;;) {
            const SQLRETURN rc = SQLFetch(st);
            if (rc == SQL_NO_DATA) break;
            ll.recoge(SQL_HANDLE_STMT, st, rc);
            if (!SQL_SUCCEEDED(rc)) break;
        }
        SQLSetStmtAttrW(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), SQL_IS_UINTEGER);
        return;
    }

    // The columns.
    QList<ColumnInfo> info;
    std::vector<Plan> planes(static_cast<size_t>(columnas));
    bool hayLargas = false;
    for (int i = 0; i < columnas; ++i) {
        std::vector<SQLWCHAR> nombre(256);
        SQLSMALLINT largoNombre = 0, tipo = 0, decimales = 0, nulos = 0;
        SQLULEN tamano = 0;
        SQLRETURN rc = SQLDescribeColW(st, SQLUSMALLINT(i + 1), nombre.data(), SQLSMALLINT(nombre.size()), &largoNombre,
                                       &tipo, &tamano, &decimales, &nulos);
        if (rc == SQL_SUCCESS_WITH_INFO && size_t(largoNombre) >= nombre.size()) {
            nombre.resize(size_t(largoNombre) + 1);
            rc = SQLDescribeColW(st, SQLUSMALLINT(i + 1), nombre.data(), SQLSMALLINT(nombre.size()), &largoNombre,
                                 &tipo, &tamano, &decimales, &nulos);
        }
        if (!SQL_SUCCEEDED(rc)) {
            ll.recoge(SQL_HANDLE_STMT, st, rc);
            leeResultado(sentencia, columnas, ll, nullptr);
            return;
        }
        ColumnInfo c;
        c.name = DeW(nombre.data(), std::min<qsizetype>(largoNombre, qsizetype(nombre.size()) - 1));
        c.type = tipoAdo(tipo);
        c.definedSize = tamanoDefinido(c.type, tamano);

        Plan& p = planes[size_t(i)];
        p.nombre = c.name;
        switch (c.type) {
        case adInteger: case adSmallInt: case adUnsignedTinyInt: case adBigInt: case adBoolean:
            p.via = Plan::Via::Entero; p.tipoC = SQL_C_SBIGINT; p.ancho = sizeof(SQLBIGINT);
            break;
        case adSingle: case adDouble:
            p.via = Plan::Via::Real; p.tipoC = SQL_C_DOUBLE; p.ancho = sizeof(SQLDOUBLE);
            break;
        case adDBTimeStamp: case adDBDate:
            p.via = Plan::Via::FechaHora; p.tipoC = SQL_C_TYPE_TIMESTAMP; p.ancho = sizeof(SQL_TIMESTAMP_STRUCT);
            break;
        case adNumeric:
            // Exact, as text: digits, sign and point.
            p.via = Plan::Via::Decimal; p.tipoC = SQL_C_CHAR;
            p.ancho = SQLLEN(std::clamp<SQLULEN>(tamano, 1, 64)) + 4;
            p.capacidad = p.ancho - 1;
            break;
        case adGUID:
            p.via = Plan::Via::Guid; p.tipoC = SQL_C_GUID; p.ancho = sizeof(SQLGUID);
            break;
        case adBinary: case adVarBinary: case adLongVarBinary:
            p.via = Plan::Via::Binario; p.tipoC = SQL_C_BINARY;
            p.largo = esTipoLargo(tipo) || tamano == 0 || tamano > kLargoMaximoEnlazado;
            if (!p.largo) p.ancho = p.capacidad = SQLLEN(tamano);
            break;
        default:
            p.via = Plan::Via::Texto;
            p.largo = esTipoLargo(tipo) || tamano == 0 || tamano > kLargoMaximoEnlazado;
            if (!p.largo) {
                if (utf8_) {
                    // Up to three UTF-8 bytes for each character (or UTF-16 unit).
                    p.tipoC = SQL_C_CHAR;
                    p.capacidad = SQLLEN(tamano) * 3;
                    p.ancho = p.capacidad + 1;
                } else {
                    p.tipoC = SQL_C_WCHAR;
                    p.capacidad = SQLLEN(tamano) * 4;  // two units a character at most
                    p.ancho = p.capacidad + 2;
                }
            }
            break;
        }
        hayLargas = hayLargas || p.largo;
        info.append(std::move(c));
    }

    auto tabla = std::make_shared<TablaDatos>(info);
    bool completo = true;

    if (!hayLargas) {
        // Block fetch: every column bound to an array, a whole block of rows a call.
        SQLLEN anchoFila = 0;
        for (const Plan& p : planes) anchoFila += p.ancho + SQLLEN(sizeof(SQLLEN));
        SQLULEN filas = std::clamp<SQLULEN>(kBytesPorBloque / SQLULEN(std::max<SQLLEN>(anchoFila, 1)), 1, kFilasPorBloque);
        if (!SQL_SUCCEEDED(SQLSetStmtAttrW(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(filas), SQL_IS_UINTEGER)))
            filas = 1;
        SQLULEN tomado = 0;
        if (SQL_SUCCEEDED(SQLGetStmtAttrW(st, SQL_ATTR_ROW_ARRAY_SIZE, &tomado, 0, nullptr)) && tomado >= 1 && tomado < filas)
            filas = tomado;
        SQLULEN leidas = 0;
        std::vector<SQLUSMALLINT> estados(filas);
        SQLSetStmtAttrW(st, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), SQL_IS_UINTEGER);
        SQLSetStmtAttrW(st, SQL_ATTR_ROWS_FETCHED_PTR, &leidas, 0);
        SQLSetStmtAttrW(st, SQL_ATTR_ROW_STATUS_PTR, estados.data(), 0);
        // Two sets of buffers: while the driver fills one with the next
        // block, a helper thread appends the block in the other to the store
        // (from the second block on: a small result never starts it).
        auto palabrasPorJuego = [&](const Plan& p) { return (size_t(p.ancho) * filas + 7) / 8; };
        auto datosDe = [&](const Plan& p, int juego) { return p.datos.get() + size_t(juego) * palabrasPorJuego(p); };
        auto indDe = [&](const Plan& p, int juego) { return p.ind.data() + size_t(juego) * filas; };
        auto enlaza = [&](int juego) {
            for (size_t c = 0; c < planes.size() && completo; ++c) {
                Plan& p = planes[c];
                const SQLRETURN rc = SQLBindCol(st, SQLUSMALLINT(c + 1), p.tipoC, datosDe(p, juego), p.ancho,
                                                p.ind.data() + size_t(juego) * filas);
                if (!SQL_SUCCEEDED(rc)) {
                    ll.recoge(SQL_HANDLE_STMT, st, rc);
                    completo = false;
                }
            }
        };
        for (Plan& p : planes) {
            p.datos = std::make_unique_for_overwrite<qint64[]>(2 * palabrasPorJuego(p));
            p.ind.assign(2 * filas, 0);
        }
        int actual = 0;  // the set the driver fills next
        enlaza(actual);

        // Appends the block of n rows in one set to the store, a column at a time.
        std::vector<qint64> indicadores(filas), ms(filas), largos(filas);
        auto anadeBloque = [&](int juego, qsizetype n) {
            for (size_t ci = 0; ci < planes.size(); ++ci) {
                const Plan& p = planes[ci];
                const int c = int(ci);
                const SQLLEN* ind = indDe(p, juego);
                const char* base = reinterpret_cast<const char*>(datosDe(p, juego));
                for (qsizetype i = 0; i < n; ++i) indicadores[size_t(i)] = qint64(ind[i]);
                switch (p.via) {
                case Plan::Via::Entero:
                    tabla->appendInts(c, datosDe(p, juego), indicadores.data(), n);
                    break;
                case Plan::Via::Real:
                    tabla->appendDoubles(c, reinterpret_cast<const double*>(base), indicadores.data(), n);
                    break;
                case Plan::Via::FechaHora: {
                    const auto* t = reinterpret_cast<const SQL_TIMESTAMP_STRUCT*>(base);
                    for (qsizetype i = 0; i < n; ++i) ms[size_t(i)] = indicadores[size_t(i)] < 0 ? 0 : msDe(t[i]);
                    tabla->appendDateTimes(c, ms.data(), indicadores.data(), n);
                    break;
                }
                case Plan::Via::Texto:
                    if (p.tipoC == SQL_C_CHAR) {
                        tabla->appendUtf8s(c, base, p.ancho, indicadores.data(), n);
                    } else {
                        for (qsizetype i = 0; i < n; ++i)
                            largos[size_t(i)] = indicadores[size_t(i)] < 0 ? -1 : indicadores[size_t(i)] / 2;
                        tabla->appendUtf16s(c, reinterpret_cast<const char16_t*>(base), p.ancho / 2, largos.data(), n);
                    }
                    break;
                case Plan::Via::Binario:
                    tabla->appendUtf8s(c, base, p.ancho, indicadores.data(), n);
                    break;
                case Plan::Via::Decimal:
                    for (qsizetype i = 0; i < n; ++i) {
                        if (indicadores[size_t(i)] < 0) tabla->appendNull(c);
                        else anadeDecimal(*tabla, c, base + i * p.ancho, qsizetype(indicadores[size_t(i)]));
                    }
                    break;
                case Plan::Via::Guid: {
                    const auto* g = reinterpret_cast<const SQLGUID*>(base);
                    for (qsizetype i = 0; i < n; ++i) {
                        if (indicadores[size_t(i)] < 0) tabla->appendNull(c);
                        else tabla->appendText(c, textoDeGuid(g[i]));
                    }
                    break;
                }
                }
            }
            tabla->finishRows(n);
        };

        // The helper: one block at a time, handed over and waited for.
        struct Ayudante {
            std::mutex m;
            std::condition_variable cv;
            bool pendiente = false, termina = false;
            int juego = 0;
            qsizetype n = 0;
            std::exception_ptr error;
            std::thread hilo;
        } ayudante;
        auto esperaAyudante = [&] {
            if (!ayudante.hilo.joinable()) return;
            std::unique_lock lock(ayudante.m);
            ayudante.cv.wait(lock, [&] { return !ayudante.pendiente; });
        };
        auto terminaAyudante = [&] {
            if (!ayudante.hilo.joinable()) return;
            {
                std::lock_guard lock(ayudante.m);
                ayudante.termina = true;
            }
            ayudante.cv.notify_all();
            ayudante.hilo.join();
        };
        // Whatever way this function is left, the helper is stopped first.
        struct AlSalir {
            std::function<void()> f;
            ~AlSalir() { f(); }
        } alSalir{terminaAyudante};
        auto entrega = [&](int juego, qsizetype n) {
            if (!ayudante.hilo.joinable()) {
                try {
                    ayudante.hilo = std::thread([&] {
                        std::unique_lock lock(ayudante.m);
                        for (;;) {
                            ayudante.cv.wait(lock, [&] { return ayudante.pendiente || ayudante.termina; });
                            if (!ayudante.pendiente) return;
                            const int j = ayudante.juego;
                            const qsizetype k = ayudante.n;
                            lock.unlock();
                            std::exception_ptr e;
                            try {
                                anadeBloque(j, k);
                            } catch (...) {
                                e = std::current_exception();
                            }
                            lock.lock();
                            if (e && !ayudante.error) ayudante.error = e;
                            ayudante.pendiente = false;
                            ayudante.cv.notify_all();
                        }
                    });
                } catch (const std::system_error&) {
                    anadeBloque(juego, n);  // no thread to be had: in this one
                    return;
                }
            }
            {
                std::lock_guard lock(ayudante.m);
                ayudante.juego = juego;
                ayudante.n = n;
                ayudante.pendiente = true;
            }
            ayudante.cv.notify_all();
        };
        // The previous block is in the store; a failure appending it goes on as it would have.
        auto recogeAyudante = [&] {
            esperaAyudante();
            if (ayudante.error) std::rethrow_exception(std::exchange(ayudante.error, nullptr));
        };

        bool primero = true;
        for (;;) {
            leidas = 0;
            const SQLRETURN rc = SQLFetch(st);
            if (rc == SQL_NO_DATA) break;
            ll.recoge(SQL_HANDLE_STMT, st, rc);
            if (!SQL_SUCCEEDED(rc)) {
                completo = false;
                break;
            }
            if (!completo) continue;  // the rows are read to the end, and dropped
            const qsizetype n = qsizetype(std::min(leidas, filas));
            for (qsizetype i = 0; i < n; ++i) {
                if (estados[size_t(i)] == SQL_ROW_ERROR) {
                    if (ll.primerError < 0)
                        ll.anadeError(QStringLiteral("HY000"), QStringLiteral("The driver could not read a row of the result."));
                    ll.fallo = true;
                    completo = false;
                    break;
                }
            }
            // Values longer than the size the driver declared cannot be read
            // again from a forward-only cursor: fail rather than keep them cut.
            for (size_t c = 0; c < planes.size() && completo; ++c) {
                const Plan& p = planes[c];
                if (p.via != Plan::Via::Texto && p.via != Plan::Via::Binario && p.via != Plan::Via::Decimal) continue;
                const SQLLEN* ind = indDe(p, actual);
                for (qsizetype i = 0; i < n; ++i) {
                    const SQLLEN l = ind[i];
                    if (l == SQL_NO_TOTAL || l > p.capacidad) {
                        ll.anadeError(QStringLiteral("01004"),
                                      QStringLiteral("A value of column '%1' is longer than the size the driver "
                                                     "declared for it; the result was not read.").arg(p.nombre));
                        completo = false;
                        break;
                    }
                }
            }
            if (!completo) continue;

            if (primero) {
                // The first block in this thread: a result of one block needs no helper.
                primero = false;
                anadeBloque(actual, n);
                continue;
            }
            recogeAyudante();
            entrega(actual, n);
            actual = 1 - actual;
            enlaza(actual);
            // A column left bound to the helper's set must not be filled under it.
            if (!completo) esperaAyudante();
        }
        recogeAyudante();
        terminaAyudante();
        // The buffers go away with this function: the statement must forget them.
        SQLFreeStmt(st, SQL_UNBIND);
        SQLSetStmtAttrW(st, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
        SQLSetStmtAttrW(st, SQL_ATTR_ROW_STATUS_PTR, nullptr, 0);
        SQLSetStmtAttrW(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), SQL_IS_UINTEGER);
    } else {
        // A result with long columns: row by row, every column with
        // SQLGetData in column order, long values in chunks to their end.
        SQLSetStmtAttrW(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(1)), SQL_IS_UINTEGER);
        std::vector<char> trozo(kTrozo), valor;

        // One value in chunks: false when the driver failed.
        auto leeCompleto = [&](SQLUSMALLINT col, SQLSMALLINT tipoC, size_t terminador, bool& nulo) {
            valor.clear();
            nulo = false;
            for (;;) {
                SQLLEN ind = 0;
                const SQLRETURN rc = SQLGetData(st, col, tipoC, trozo.data(), SQLLEN(trozo.size()), &ind);
                if (rc == SQL_NO_DATA) return true;  // the last chunk came with the call before
                if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
                    ll.recoge(SQL_HANDLE_STMT, st, rc);
                    return false;
                }
                if (!SQL_SUCCEEDED(rc)) return false;
                if (ind == SQL_NULL_DATA) {
                    nulo = true;
                    return true;
                }
                const size_t util = trozo.size() - terminador;
                const size_t n = (ind == SQL_NO_TOTAL || size_t(ind) > util) ? util : size_t(ind);
                valor.insert(valor.end(), trozo.data(), trozo.data() + n);
                if (rc == SQL_SUCCESS) return true;
                // A value that fitted whole is whole, whatever the driver
                // says: FreeTDS reports a sql_variant of a number as cut on
                // every call, and would hand it over again for ever.
                if (ind != SQL_NO_TOTAL && size_t(ind) <= util) return true;
                // More to come: when the driver says how much, take the rest at once.
                if (ind != SQL_NO_TOTAL && size_t(ind) > n) {
                    size_t resto = (size_t(ind) - n + terminador + 1) & ~size_t(1);
                    resto = std::min(resto, kTrozoMaximo);
                    if (resto > trozo.size()) trozo.resize(resto);
                }
            }
        };

        for (;;) {
            const SQLRETURN rc = SQLFetch(st);
            if (rc == SQL_NO_DATA) break;
            ll.recoge(SQL_HANDLE_STMT, st, rc);
            if (!SQL_SUCCEEDED(rc)) {
                completo = false;
                break;
            }
            if (!completo) continue;
            for (int c = 0; c < columnas && completo; ++c) {
                const Plan& p = planes[size_t(c)];
                const SQLUSMALLINT col = SQLUSMALLINT(c + 1);
                SQLLEN ind = 0;
                SQLRETURN r = SQL_SUCCESS;
                bool nulo = false;
                switch (p.via) {
                case Plan::Via::Entero: {
                    SQLBIGINT v = 0;
                    r = SQLGetData(st, col, SQL_C_SBIGINT, &v, 0, &ind);
                    if (SQL_SUCCEEDED(r)) {
                        if (ind == SQL_NULL_DATA) tabla->appendNull(c);
                        else tabla->appendInt(c, v);
                    }
                    break;
                }
                case Plan::Via::Real: {
                    SQLDOUBLE v = 0;
                    r = SQLGetData(st, col, SQL_C_DOUBLE, &v, 0, &ind);
                    if (SQL_SUCCEEDED(r)) {
                        if (ind == SQL_NULL_DATA) tabla->appendNull(c);
                        else tabla->appendDouble(c, v);
                    }
                    break;
                }
                case Plan::Via::FechaHora: {
                    SQL_TIMESTAMP_STRUCT v{};
                    r = SQLGetData(st, col, SQL_C_TYPE_TIMESTAMP, &v, sizeof v, &ind);
                    if (SQL_SUCCEEDED(r)) {
                        if (ind == SQL_NULL_DATA) tabla->appendNull(c);
                        else tabla->appendDateTime(c, msDe(v));
                    }
                    break;
                }
                case Plan::Via::Guid: {
                    SQLGUID v{};
                    r = SQLGetData(st, col, SQL_C_GUID, &v, sizeof v, &ind);
                    if (SQL_SUCCEEDED(r)) {
                        if (ind == SQL_NULL_DATA) tabla->appendNull(c);
                        else tabla->appendText(c, textoDeGuid(v));
                    }
                    break;
                }
                case Plan::Via::Decimal:
                    if (!leeCompleto(col, SQL_C_CHAR, 1, nulo)) r = SQL_ERROR;
                    else if (nulo) tabla->appendNull(c);
                    else anadeDecimal(*tabla, c, valor.data(), qsizetype(valor.size()));
                    break;
                case Plan::Via::Texto:
                    if (!leeCompleto(col, SQL_C_WCHAR, 2, nulo)) r = SQL_ERROR;
                    else if (nulo) tabla->appendNull(c);
                    else tabla->appendUtf16(c, reinterpret_cast<const char16_t*>(valor.data()), qsizetype(valor.size() / 2));
                    break;
                case Plan::Via::Binario:
                    if (!leeCompleto(col, SQL_C_BINARY, 0, nulo)) r = SQL_ERROR;
                    else if (nulo) tabla->appendNull(c);
                    else tabla->appendBytes(c, valor.data(), qsizetype(valor.size()));
                    break;
                }
                if (!SQL_SUCCEEDED(r)) {
                    if (p.via == Plan::Via::Entero || p.via == Plan::Via::Real || p.via == Plan::Via::FechaHora ||
                        p.via == Plan::Via::Guid)
                        ll.recoge(SQL_HANDLE_STMT, st, r);
                    ll.fallo = true;
                    completo = false;
                }
            }
            if (completo) tabla->finishRow();
        }
    }

    if (completo) {
        tabla->compacta();
        *destino = std::move(tabla);
    }
}

void OdbcConnection::BeginTrans() {
    exigeAbierta();
    errors_.clear();
    Llamada ll(errors_);
    const SQLRETURN rc = SQLSetConnectAttrW(conexion_, SQL_ATTR_AUTOCOMMIT,
                                            reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
    ll.recoge(SQL_HANDLE_DBC, conexion_, rc);
    if (ll.fallo) falla(ll);
    enTransaccion_ = true;
}

void OdbcConnection::CommitTrans() { finTransaccion(true); }

void OdbcConnection::RollbackTrans() { finTransaccion(false); }

void OdbcConnection::finTransaccion(bool confirma) {
    exigeAbierta();
    errors_.clear();
    Llamada ll(errors_);
    SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, conexion_, confirma ? SQL_COMMIT : SQL_ROLLBACK);
    ll.recoge(SQL_HANDLE_DBC, conexion_, rc);
    if (!ll.conexionPerdida) {
        // Back to autocommit, which would commit whatever is still open: a
        // commit that failed is rolled back first.
        if (ll.fallo && confirma) SQLEndTran(SQL_HANDLE_DBC, conexion_, SQL_ROLLBACK);
        rc = SQLSetConnectAttrW(conexion_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                                SQL_IS_UINTEGER);
        ll.recoge(SQL_HANDLE_DBC, conexion_, rc);
    }
    enTransaccion_ = false;
    if (ll.fallo) falla(ll);
}

void UsaConexionesOdbc() {
    EstableceFabricaConexiones([] { return std::make_shared<OdbcConnection>(); });
}

}  // namespace datos
