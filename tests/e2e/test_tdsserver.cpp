// The scripted TDS server, driven through the real driver (unixODBC +
// FreeTDS) with the raw ODBC API: what the end-to-end tests of the program
// rely on it for.
#include "tdsserver.h"

#include <sql.h>
#include <sqlext.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace tdstest;

namespace {

struct Diag {
    std::string state;
    long native = 0;
    std::string text;
};

std::string utf8(const SQLWCHAR* w, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n && w[i]; ++i) {
        char32_t cp = w[i];
        if (cp >= 0xd800 && cp < 0xdc00 && i + 1 < n) cp = 0x10000 + ((cp - 0xd800) << 10) + (w[++i] - 0xdc00);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xc0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xe0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        } else {
            out += static_cast<char>(0xf0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
            out += static_cast<char>(0x80 | (cp & 0x3f));
        }
    }
    return out;
}

// Diagnostics through the wide entry point, as UTF-8 (the narrow one gives
// Latin-1 from the driver manager).
std::vector<Diag> diagnostics(SQLSMALLINT type, SQLHANDLE h) {
    std::vector<Diag> out;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLWCHAR text[2048] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        SQLRETURN rc = SQLGetDiagRecW(type, h, i, state, &native, text, 2048, &len);
        if (!SQL_SUCCEEDED(rc)) break;
        out.push_back({utf8(state, 5), native, utf8(text, 2048)});
    }
    return out;
}

const Diag* findNative(const std::vector<Diag>& diags, long native) {
    for (const Diag& d : diags)
        if (d.native == native) return &d;
    return nullptr;
}

std::string describe(const std::vector<Diag>& diags) {
    std::string out;
    for (const Diag& d : diags) out += d.state + " " + std::to_string(d.native) + " " + d.text + "\n";
    return out;
}

const Diag* findState(const std::vector<Diag>& diags, const std::string& state) {
    for (const Diag& d : diags)
        if (d.state == state) return &d;
    return nullptr;
}

std::u16string utf16(const std::string& s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = s[i];
        char32_t cp = c;
        int extra = c < 0x80 ? 0 : c < 0xe0 ? 1 : c < 0xf0 ? 2 : 3;
        if (extra) cp = c & (0x3f >> extra);
        for (int k = 1; k <= extra && i + k < s.size(); ++k) cp = (cp << 6) | (s[i + k] & 0x3f);
        i += extra + 1;
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xd800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xdc00 + ((cp - 0x10000) & 0x3ff)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

// A statement that ran to its end: with or without rows or messages.
bool completes(SQLRETURN rc) { return SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA; }

using TextRow = std::vector<std::optional<std::string>>;

// One ODBC connection with one statement handle.
class Conn {
public:
    explicit Conn(SQLHENV env) {
        SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
        SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
    }
    ~Conn() {
        if (stmt) SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        if (connected) SQLDisconnect(dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    }
    Conn(const Conn&) = delete;
    Conn& operator=(const Conn&) = delete;

    // Through the wide entry point: the driver manager passes narrow
    // connection strings on byte by byte, which breaks non-ASCII passwords.
    SQLRETURN connect(const std::string& cs) {
        std::u16string wide = utf16(cs);
        SQLWCHAR out[1024];
        SQLSMALLINT outLen = 0;
        SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, reinterpret_cast<SQLWCHAR*>(wide.data()), SQL_NTS, out,
                                         1024, &outLen, SQL_DRIVER_NOPROMPT);
        if (SQL_SUCCEEDED(rc)) {
            connected = true;
            SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
        }
        return rc;
    }
    SQLRETURN exec(const std::string& sql) {
        std::u16string wide = utf16(sql);
        return SQLExecDirectW(stmt, reinterpret_cast<SQLWCHAR*>(wide.data()), SQL_NTS);
    }
    std::vector<Diag> connDiags() const { return diagnostics(SQL_HANDLE_DBC, dbc); }
    std::vector<Diag> stmtDiags() const { return diagnostics(SQL_HANDLE_STMT, stmt); }

    SQLSMALLINT columnCount() const {
        SQLSMALLINT n = 0;
        SQLNumResultCols(stmt, &n);
        return n;
    }
    // The rows of the current result, every column as UTF-8 text.
    std::vector<TextRow> fetchText() {
        std::vector<TextRow> rows;
        const SQLSMALLINT cols = columnCount();
        while (SQL_SUCCEEDED(SQLFetch(stmt))) {
            TextRow row;
            for (SQLUSMALLINT c = 1; c <= cols; ++c) {
                std::string value;
                char buf[4096];
                SQLLEN ind = 0;
                SQLRETURN rc;
                while ((rc = SQLGetData(stmt, c, SQL_C_CHAR, buf, sizeof buf, &ind)) != SQL_NO_DATA) {
                    if (!SQL_SUCCEEDED(rc) || ind == SQL_NULL_DATA) break;
                    value += buf;
                    if (rc == SQL_SUCCESS) break;
                }
                if (ind == SQL_NULL_DATA)
                    row.push_back(std::nullopt);
                else
                    row.push_back(value);
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }
    std::string catalog() const {
        SQLWCHAR buf[256] = {};
        SQLINTEGER len = 0;
        SQLGetConnectAttrW(dbc, SQL_ATTR_CURRENT_CATALOG, buf, sizeof buf, &len);
        return utf8(buf, 256);
    }

    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    bool connected = false;
};

class TdsServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        server.acceptLogin("tolvek", "Contraseña#1");
        server.start();
    }
    void TearDown() override {
        server.stop();
        SQLFreeHandle(SQL_HANDLE_ENV, env);
    }
    std::unique_ptr<Conn> connect(const std::string& extra = "", const std::string& database = "master",
                                  const std::string& version = "7.4") {
        auto c = std::make_unique<Conn>(env);
        SQLRETURN rc = c->connect(server.odbcConnectionString(database, version) + extra);
        EXPECT_TRUE(SQL_SUCCEEDED(rc)) << (c->connDiags().empty() ? "" : c->connDiags()[0].text);
        return c;
    }
    std::string connectionStringFor(const std::string& user, const std::string& password) const {
        return "DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=" + std::to_string(server.port()) + ";UID=" + user +
               ";PWD={" + password + "};DATABASE=master;TDS_Version=7.4;ClientCharset=UTF-8;";
    }

    SQLHENV env = SQL_NULL_HENV;
    TdsServer server;
};

// -- Login --------------------------------------------------------------------

TEST_F(TdsServerTest, AcceptedLoginCarriesTheClientsFields) {
    auto c = connect("APP=Tolvek;");
    ASSERT_TRUE(c->connected);
    const auto logins = server.logins();
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_TRUE(logins[0].accepted);
    EXPECT_EQ(logins[0].user, "tolvek");
    EXPECT_EQ(logins[0].password, "Contraseña#1");  // de-obfuscated, non-ASCII included
    EXPECT_EQ(logins[0].database, "master");
    EXPECT_EQ(logins[0].appName, "Tolvek");
    EXPECT_EQ(logins[0].tdsVersion, 0x74000004u);
    EXPECT_EQ(logins[0].packetSize, 4096u);
    EXPECT_EQ(c->catalog(), "master");
    EXPECT_EQ(server.currentDatabase(), "master");

    char version[64] = {};
    SQLSMALLINT len = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetInfo(c->dbc, SQL_DBMS_VER, version, sizeof version, &len)));
    EXPECT_EQ(std::string(version).substr(0, 2), "15");
}

TEST_F(TdsServerTest, WrongPasswordOrUserIsRefusedWith18456) {
    for (auto [user, password] : {std::pair<std::string, std::string>{"tolvek", "otra"},
                                  std::pair<std::string, std::string>{"intruso", "Contraseña#1"}}) {
        Conn c(env);
        SQLRETURN rc = c.connect(connectionStringFor(user, password));
        EXPECT_EQ(rc, SQL_ERROR) << user;
        const auto diags = c.connDiags();
        const Diag* d = findNative(diags, 18456);
        ASSERT_NE(d, nullptr) << user;
        EXPECT_NE(d->text.find("Login failed for user '" + user + "'."), std::string::npos) << d->text;
    }
    const auto logins = server.logins();
    ASSERT_EQ(logins.size(), 2u);
    EXPECT_FALSE(logins[0].accepted);
    EXPECT_EQ(logins[0].password, "otra");
    EXPECT_FALSE(logins[1].accepted);
    EXPECT_EQ(logins[1].user, "intruso");
    EXPECT_TRUE(server.statements().empty());

    // The right login still gets in afterwards.
    auto ok = connect();
    EXPECT_TRUE(ok->connected);
}

TEST_F(TdsServerTest, LoginToAMissingDatabaseIsRefused) {
    server.setDatabases({"master", "Ventas"});
    Conn c(env);
    EXPECT_EQ(c.connect(server.odbcConnectionString("Compras")), SQL_ERROR);
    EXPECT_NE(findNative(c.connDiags(), 4060), nullptr);

    auto ok = connect("", "ventas");
    ASSERT_TRUE(ok->connected);
    EXPECT_EQ(ok->catalog(), "Ventas");  // the server's spelling
}

// Every protocol version the driver can use logs in and reads typed rows.
class TdsVersionTest : public TdsServerTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(TdsVersionTest, LogsInAndReadsRows) {
    server.on("SELECT n, t, d FROM v",
              Reply::rows({{"n", Type::BigInt}, {"t", Type::NVarChar, 30}, {"d", Type::DateTime}},
                          {{-9000000000LL, "versión", "2001-02-03 04:05:06"}, {nullptr, nullptr, nullptr}}));
    auto c = connect("", "master", GetParam());
    ASSERT_TRUE(c->connected);
    // Without a version the driver takes the newest it knows.
    const std::string version = *GetParam() ? GetParam() : "7.4";
    EXPECT_EQ(server.logins().back().tdsVersion >> 24, 0x70u + (version[2] - '0'));
    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("SELECT n, t, d FROM v")));
    const auto rows = c->fetchText();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "-9000000000");
    EXPECT_EQ(rows[0][1], "versión");
    EXPECT_EQ(rows[0][2].value_or("").substr(0, 19), "2001-02-03 04:05:06");
    for (const auto& v : rows[1]) EXPECT_FALSE(v.has_value());
    EXPECT_EQ(SQLMoreResults(c->stmt), SQL_NO_DATA);
    EXPECT_EQ(server.statements(), std::vector<std::string>{"SELECT n, t, d FROM v"});
}

// The driver ends transactions with requests of their own from 7.2 on, and
// with batches before that; the server follows both.
TEST_P(TdsVersionTest, TransactionStateFollowsTheDriver) {
    auto c = connect("", "master", GetParam());
    ASSERT_TRUE(c->connected);
    EXPECT_FALSE(server.inTransaction());
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLSetConnectAttr(c->dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)));
    EXPECT_TRUE(server.inTransaction());
    ASSERT_TRUE(SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, c->dbc, SQL_COMMIT)));
    EXPECT_TRUE(server.inTransaction());
    ASSERT_TRUE(SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, c->dbc, SQL_ROLLBACK)));
    EXPECT_TRUE(server.inTransaction());
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLSetConnectAttr(c->dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0)));
    EXPECT_FALSE(server.inTransaction());

    // One request for each step, each naming what it does.
    const auto statements = server.statements();
    ASSERT_EQ(statements.size(), 4u);
    EXPECT_NE(statements[0].find("BEGIN TRANSACTION"), std::string::npos);
    EXPECT_NE(statements[1].find("COMMIT"), std::string::npos);
    EXPECT_NE(statements[2].find("ROLLBACK"), std::string::npos);
    EXPECT_NE(statements[3].find("ROLLBACK"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Versions, TdsVersionTest, ::testing::Values("7.1", "7.2", "7.3", "7.4", ""));

// -- Results ------------------------------------------------------------------

TEST_F(TdsServerTest, SeveralResultsAndRowCountsFollowEachOther) {
    server.on("EXEC dbo.informe",
              Reply::rows({{"a", Type::Int}}, {{1}, {2}})
                  .thenRowsAffected(5)
                  .thenRows({{"b", Type::NVarChar}, {"c", Type::Int}}, {{"x", 3}}));
    auto c = connect();
    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("EXEC dbo.informe")));
    EXPECT_EQ(c->fetchText(), (std::vector<TextRow>{{"1"}, {"2"}}));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLMoreResults(c->stmt)));
    // The row count between the two results is either reported by itself or
    // skipped by the driver; the second result must follow in any case.
    if (c->columnCount() == 0) {
        SQLLEN count = -1;
        SQLRowCount(c->stmt, &count);
        EXPECT_EQ(count, 5);
        ASSERT_TRUE(SQL_SUCCEEDED(SQLMoreResults(c->stmt)));
    }
    EXPECT_EQ(c->columnCount(), 2);
    EXPECT_EQ(c->fetchText(), (std::vector<TextRow>{{"x", "3"}}));
    EXPECT_EQ(SQLMoreResults(c->stmt), SQL_NO_DATA);

    server.on("UPDATE dbo.t SET a = 1", Reply::rowsAffected(42));
    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("UPDATE dbo.t SET a = 1")));
    SQLLEN count = -1;
    SQLRowCount(c->stmt, &count);
    EXPECT_EQ(count, 42);
}

// A statement the script does not know fails, so that no test passes
// whatever the program sends; rules of both kinds match however the
// statement is spaced.
TEST_F(TdsServerTest, UnscriptedStatementsFailAndAreRecorded) {
    server.on(std::regex(R"(SELECT nombre FROM dbo\.clientes WHERE id = \d+)", std::regex::icase),
              Reply::rows({{"nombre", Type::NVarChar}}, {{"patrón"}}));
    server.on("select nombre from dbo.clientes where id = 7", Reply::rows({{"nombre", Type::NVarChar}}, {{"exacta"}}));
    auto c = connect();

    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("select  nombre\n from dbo.clientes where id = 7;")));
    EXPECT_EQ(c->fetchText(), (std::vector<TextRow>{{"exacta"}}));  // the latest rule wins
    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("SELECT nombre\r\n  FROM dbo.clientes WHERE id = 12\r\n")));
    EXPECT_EQ(c->fetchText(), (std::vector<TextRow>{{"patrón"}}));

    EXPECT_EQ(c->exec("SELECT nombre FROM dbo.clientes WHERE id = x"), SQL_ERROR);
    const auto diags = c->stmtDiags();
    const Diag* d = findNative(diags, kUnscripted);
    ASSERT_NE(d, nullptr) << describe(diags);
    EXPECT_NE(d->text.find("SELECT nombre FROM dbo.clientes WHERE id = x"), std::string::npos) << d->text;
    // What the server understands by itself needs no script.
    EXPECT_TRUE(completes(c->exec("USE tempdb")));
    // A test may let unscripted statements succeed.
    server.setDefaultReply(Reply());
    EXPECT_TRUE(completes(c->exec("SET NOCOUNT ON")));
    EXPECT_EQ(c->columnCount(), 0);

    EXPECT_EQ(server.statements(),
              (std::vector<std::string>{"select  nombre\n from dbo.clientes where id = 7;",
                                        "SELECT nombre\r\n  FROM dbo.clientes WHERE id = 12\r\n",
                                        "SELECT nombre FROM dbo.clientes WHERE id = x", "USE tempdb", "SET NOCOUNT ON"}));
}

// An error among a result's rows, as when a conversion fails half-way:
// through ODBC it arrives on the fetch that reaches it, after the rows sent
// before it, and the batch goes on to its next result.
TEST_F(TdsServerTest, AnErrorAmongTheRowsArrivesOnTheFetch) {
    server.on("SELECT n FROM t; SELECT 9",
              Reply::rows({{"n", Type::Int}}, {{1}, {2}, {3}, {4}})
                  .errorAfterRow(2, 8134, "Divide by zero error encountered.", 16, 1)
                  .thenRows({{"", Type::Int}}, {{9}}));
    auto c = connect();
    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("SELECT n FROM t; SELECT 9")));
    SQLINTEGER n = 0;
    SQLLEN ind = 0;
    SQLBindCol(c->stmt, 1, SQL_C_SLONG, &n, 0, &ind);
    ASSERT_EQ(SQLFetch(c->stmt), SQL_SUCCESS);
    EXPECT_EQ(n, 1);
    ASSERT_EQ(SQLFetch(c->stmt), SQL_SUCCESS);
    EXPECT_EQ(n, 2);
    const SQLRETURN rc = SQLFetch(c->stmt);
    EXPECT_NE(rc, SQL_SUCCESS);
    const auto diags = c->stmtDiags();
    const Diag* d = findNative(diags, 8134);
    ASSERT_NE(d, nullptr) << rc << " " << describe(diags);
    EXPECT_NE(d->text.find("Divide by zero error encountered."), std::string::npos) << d->text;
    EXPECT_NE(d->state.substr(0, 2), "01");  // an error, not a warning
    SQLFreeStmt(c->stmt, SQL_UNBIND);
    if (rc != SQL_NO_DATA) EXPECT_EQ(SQLFetch(c->stmt), SQL_NO_DATA);  // the rows past the error never came
    ASSERT_TRUE(SQL_SUCCEEDED(SQLMoreResults(c->stmt)));
    EXPECT_EQ(c->fetchText(), (std::vector<TextRow>{{"9"}}));

    // A warning among the rows leaves the rest of them coming.
    server.on("SELECT n FROM u", Reply::rows({{"n", Type::Int}}, {{1}, {2}, {3}}).errorAfterRow(1, 50000, "aviso", 10));
    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("SELECT n FROM u")));
    EXPECT_EQ(c->fetchText(), (std::vector<TextRow>{{"1"}, {"2"}, {"3"}}));
}

TEST_F(TdsServerTest, ParameterisedStatementsArriveAsTheirText) {
    // With bound parameters the driver calls sp_executesql; the server
    // answers it like the batch it carries.
    server.on(std::regex(R"(SELECT nombre FROM dbo\.clientes WHERE id = @\w+)"),
              Reply::rows({{"nombre", Type::NVarChar}}, {{"Núñez"}}));
    server.on(std::regex(R"(UPDATE dbo\.clientes SET nombre = @\w+ WHERE alta < @\w+)"), Reply::rowsAffected(1));
    auto c = connect();
    std::u16string sql = utf16("SELECT nombre FROM dbo.clientes WHERE id = ?");
    ASSERT_TRUE(SQL_SUCCEEDED(SQLPrepareW(c->stmt, reinterpret_cast<SQLWCHAR*>(sql.data()), SQL_NTS)));
    SQLINTEGER id = 7;
    SQLLEN idLen = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLBindParameter(c->stmt, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &id, 0, &idLen)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(c->stmt))) << describe(c->stmtDiags());
    EXPECT_EQ(c->fetchText(), (std::vector<TextRow>{{"Núñez"}}));
    SQLCloseCursor(c->stmt);
    // Executed again with another value, and with a NULL.
    id = -12;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(c->stmt))) << describe(c->stmtDiags());
    EXPECT_EQ(c->fetchText(), (std::vector<TextRow>{{"Núñez"}}));
    SQLCloseCursor(c->stmt);
    idLen = SQL_NULL_DATA;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(c->stmt))) << describe(c->stmtDiags());
    SQLCloseCursor(c->stmt);
    SQLFreeStmt(c->stmt, SQL_RESET_PARAMS);

    // Executed directly, with text and a date.
    SQLWCHAR name[] = {u'Ñ', u'o', u'\0'};
    SQLLEN nameLen = SQL_NTS;
    SQL_TIMESTAMP_STRUCT when = {2023, 12, 31, 23, 59, 58, 0};
    SQLLEN whenLen = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLBindParameter(c->stmt, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 20, 0, name,
                                               sizeof name, &nameLen)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLBindParameter(c->stmt, 2, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP,
                                               23, 3, &when, 0, &whenLen)));
    std::u16string update = utf16("UPDATE dbo.clientes SET nombre = ? WHERE alta < ?");
    ASSERT_TRUE(completes(SQLExecDirectW(c->stmt, reinterpret_cast<SQLWCHAR*>(update.data()), SQL_NTS)));

    // Preparing, unpreparing and cancelling what was left unread are the
    // driver's business.
    std::vector<Request> requests;
    for (const Request& r : server.requests())
        if (!r.fromDriver && r.kind != Request::Kind::Attention) requests.push_back(r);
    std::string all;
    for (const auto& r : requests) all += r.text + " | " + std::to_string(r.parameters.size()) + "\n";
    ASSERT_EQ(requests.size(), 4u) << all;
    for (const auto& r : requests) EXPECT_EQ(r.kind, Request::Kind::Rpc);
    EXPECT_TRUE(requests[0].text.starts_with("SELECT nombre FROM dbo.clientes WHERE id = @")) << requests[0].text;
    EXPECT_EQ(requests[1].text, requests[0].text);
    EXPECT_EQ(requests[0].parameters, (std::vector<std::optional<std::string>>{"7"}));
    EXPECT_EQ(requests[1].parameters, (std::vector<std::optional<std::string>>{"-12"}));
    EXPECT_EQ(requests[2].parameters, (std::vector<std::optional<std::string>>{std::nullopt}));
    EXPECT_TRUE(requests[3].text.starts_with("UPDATE dbo.clientes SET nombre = @")) << requests[3].text;
    ASSERT_EQ(requests[3].parameters.size(), 2u);
    EXPECT_EQ(requests[3].parameters[0], "Ño");
    EXPECT_EQ(requests[3].parameters[1].value_or("").substr(0, 19), "2023-12-31 23:59:58");
}

TEST_F(TdsServerTest, TheDriversOwnStatementsAreKeptApart) {
    // With a text size configured the driver sets it right after logging in.
    // Long values are cut at the session's text size, in bytes.
    server.on("SELECT cuerpo FROM largo", Reply::rows({{"cuerpo", Type::NVarChar, -1}}, {{std::string(9000, 'x')}}));
    auto c = connect("TextSize=65536;");
    ASSERT_TRUE(completes(c->exec("SET TEXTSIZE 1000")));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].fromDriver) << requests[0].text;
    EXPECT_NE(requests[0].text.find("65536"), std::string::npos);
    EXPECT_FALSE(requests[1].fromDriver);
    EXPECT_EQ(server.statements(), std::vector<std::string>{"SET TEXTSIZE 1000"});
    ASSERT_TRUE(completes(c->exec("SELECT cuerpo FROM largo")));
    EXPECT_EQ(c->fetchText().at(0).at(0).value_or("").size(), 500u);

    // The program's own first statement is the program's, whatever it is;
    // until it, the text size is 4096 bytes.
    server.clearRecord();
    auto d = connect();
    ASSERT_TRUE(completes(d->exec("SELECT cuerpo FROM largo")));
    EXPECT_EQ(d->fetchText().at(0).at(0).value_or("").size(), 2048u);
    ASSERT_TRUE(completes(d->exec("SET TEXTSIZE 2000")));
    EXPECT_EQ(server.statements(), (std::vector<std::string>{"SELECT cuerpo FROM largo", "SET TEXTSIZE 2000"}));
}

// -- Databases ----------------------------------------------------------------

TEST_F(TdsServerTest, UseOfAMissingDatabaseFailsAndKeepsTheCurrentOne) {
    server.setDatabases({"master", "Ventas"});
    auto c = connect();
    EXPECT_EQ(c->exec("USE Compras"), SQL_ERROR);
    EXPECT_NE(findNative(c->stmtDiags(), 911), nullptr);
    EXPECT_EQ(c->catalog(), "master");
    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("USE VENTAS")));
    EXPECT_EQ(c->catalog(), "Ventas");
    // Inside a scripted batch, in lower case, even when a later statement fails.
    server.on("use master; select * from nada", Reply::error(208, "Invalid object name 'nada'."));
    EXPECT_EQ(c->exec("use master; select * from nada"), SQL_ERROR);
    EXPECT_EQ(c->catalog(), "master");
    server.on("use [Compras] select 1", Reply::rows({{"", Type::Int}}, {{1}}));
    EXPECT_EQ(c->exec("use [Compras] select 1"), SQL_ERROR);
    EXPECT_EQ(c->catalog(), "master");
}

// -- Errors and messages ------------------------------------------------------

// -- Transactions ---------------------------------------------------------------

TEST_F(TdsServerTest, TransactionStatementsInBatchesAreTracked) {
    server.on("SET XACT_ABORT ON;BEGIN TRAN", Reply());
    server.on("UPDATE t SET a = 1 COMMIT TRANSACTION", Reply::rowsAffected(3));
    auto c = connect();
    auto tranCount = [&] {
        EXPECT_TRUE(SQL_SUCCEEDED(c->exec("SELECT @@TRANCOUNT")));
        const auto rows = c->fetchText();
        return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0].value_or("NULL") : "?";
    };
    ASSERT_TRUE(completes(c->exec("SET XACT_ABORT ON;BEGIN TRAN")));
    EXPECT_TRUE(server.inTransaction());
    ASSERT_TRUE(completes(c->exec("BEGIN TRANSACTION")));
    EXPECT_EQ(tranCount(), "2");
    ASSERT_TRUE(completes(c->exec("COMMIT")));
    EXPECT_EQ(tranCount(), "1");
    ASSERT_TRUE(completes(c->exec("UPDATE t SET a = 1 COMMIT TRANSACTION")));
    EXPECT_FALSE(server.inTransaction());
    EXPECT_EQ(tranCount(), "0");
    EXPECT_EQ(c->exec("COMMIT"), SQL_ERROR);
    EXPECT_NE(findNative(c->stmtDiags(), 3902), nullptr);
    EXPECT_EQ(c->exec("BEGIN TRAN; ROLLBACK; ROLLBACK TRANSACTION"), SQL_ERROR);
    EXPECT_NE(findNative(c->stmtDiags(), 3903), nullptr);
    EXPECT_EQ(server.tranCount(), 0);

    // In a scripted batch as well; a conversion error ends the batch before
    // its COMMIT, and any error under XACT_ABORT rolls the transaction back.
    server.on("SET NOCOUNT ON COMMIT", Reply());
    EXPECT_EQ(c->exec("SET NOCOUNT ON COMMIT"), SQL_ERROR);
    EXPECT_NE(findNative(c->stmtDiags(), 3902), nullptr);
    server.on("BEGIN TRAN UPDATE t SET a = 'x' COMMIT", Reply::error(245, "Conversion failed."));
    ASSERT_TRUE(completes(c->exec("SET XACT_ABORT OFF")));
    EXPECT_EQ(c->exec("BEGIN TRAN UPDATE t SET a = 'x' COMMIT"), SQL_ERROR);
    EXPECT_EQ(server.tranCount(), 1);
    server.on("UPDATE t SET a = 3", Reply::error(547, "The UPDATE statement conflicted with the CHECK constraint."));
    ASSERT_TRUE(completes(c->exec("SET XACT_ABORT ON")));
    EXPECT_EQ(c->exec("UPDATE t SET a = 3"), SQL_ERROR);
    EXPECT_EQ(server.tranCount(), 0);
}

// -- Broken connections and cancellation ----------------------------------------

TEST_F(TdsServerTest, ClosingALargeResultEarlyCancelsItAndTheConnectionGoesOn) {
    ResultSet rs;
    rs.columns = {{"n", Type::Int}};
    rs.generatedRows = 100000;
    rs.generator = [](std::size_t i, Row& row) { row[0] = static_cast<long long>(i); };
    server.on("SELECT n FROM dbo.grande", Reply::rows(rs));
    server.on("SELECT 1", Reply::rows({{"", Type::Int}}, {{1}}));
    auto c = connect();
    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("SELECT n FROM dbo.grande")));
    for (int i = 0; i < 10; ++i) ASSERT_EQ(SQLFetch(c->stmt), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLCloseCursor(c->stmt)));
    EXPECT_EQ(server.cancelCount(), 1);
    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("SELECT 1")));
    EXPECT_EQ(c->fetchText(), (std::vector<TextRow>{{"1"}}));
}

TEST_F(TdsServerTest, StoppingTheServerEndsItsConnections) {
    auto c = connect();
    ASSERT_TRUE(c->connected);
    server.stop();
    EXPECT_EQ(c->exec("SELECT 1"), SQL_ERROR);
    EXPECT_EQ(c->exec("SELECT 1"), SQL_ERROR);
    EXPECT_NE(findState(c->stmtDiags(), "08S01"), nullptr) << describe(c->stmtDiags());
}

TEST_F(TdsServerTest, TwoConnectionsAtOnceAreServed) {
    server.on("SELECT DB_NAME()", Reply::rows({{"", Type::NVarChar}}, {{"x"}}));
    auto a = connect();
    auto b = connect("", "tempdb");
    ASSERT_TRUE(a->connected && b->connected);
    EXPECT_EQ(a->catalog(), "master");
    EXPECT_EQ(b->catalog(), "tempdb");
    ASSERT_TRUE(SQL_SUCCEEDED(a->exec("SELECT DB_NAME()")));
    ASSERT_TRUE(SQL_SUCCEEDED(b->exec("SELECT DB_NAME()")));
    EXPECT_EQ(a->fetchText().size(), 1u);
    EXPECT_EQ(b->fetchText().size(), 1u);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].session, requests[1].session);
}

// -- Framing, seen from a client of our own --------------------------------------

// A bare TDS client: just enough to log in and send a batch, so that the
// packets the server sends can be checked one by one.
class RawClient {
public:
    struct Packet {
        std::uint8_t type = 0, status = 0, id = 0;
        std::size_t length = 0;
        std::vector<std::uint8_t> data;
    };

    explicit RawClient(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        timeval tv{10, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~RawClient() { ::close(fd_); }
    bool connected() const { return connected_; }

    void send(std::uint8_t type, const std::vector<std::uint8_t>& payload) {
        std::vector<std::uint8_t> pk = {type, 1, static_cast<std::uint8_t>((payload.size() + 8) >> 8),
                                        static_cast<std::uint8_t>((payload.size() + 8) & 0xff), 0, 0, 1, 0};
        pk.insert(pk.end(), payload.begin(), payload.end());
        ASSERT_EQ(::send(fd_, pk.data(), pk.size(), MSG_NOSIGNAL), static_cast<ssize_t>(pk.size()));
    }
    // The packets of one reply, up to the one marked as the last.
    std::vector<Packet> readReply() {
        std::vector<Packet> out;
        for (int guard = 0; guard < 1000000; ++guard) {
            Packet p;
            std::uint8_t h[8];
            if (!readExact(h, 8)) break;
            p.type = h[0];
            p.status = h[1];
            p.length = (std::size_t(h[2]) << 8) | h[3];
            p.id = h[6];
            if (p.length < 8) break;
            p.data.resize(p.length - 8);
            if (!readExact(p.data.data(), p.data.size())) break;
            out.push_back(std::move(p));
            if (out.back().status & 1) break;
        }
        return out;
    }

    static void u16(std::vector<std::uint8_t>& b, std::uint16_t v) {
        b.push_back(v & 0xff);
        b.push_back(v >> 8);
    }
    static void u32(std::vector<std::uint8_t>& b, std::uint32_t v) {
        u16(b, v & 0xffff);
        u16(b, v >> 16);
    }
    static std::vector<std::uint8_t> ucs2(const std::string& s) {
        std::vector<std::uint8_t> b;
        for (char16_t c : utf16(s)) u16(b, c);
        return b;
    }

    // LOGIN7 for TDS 7.4 with the given packet size.
    static std::vector<std::uint8_t> login(const std::string& user, const std::string& password,
                                           std::uint32_t packetSize) {
        std::vector<std::uint8_t> pw = ucs2(password);
        for (auto& b : pw) b = static_cast<std::uint8_t>(((b << 4) | (b >> 4)) ^ 0xA5);
        const std::vector<std::vector<std::uint8_t>> fields = {ucs2("host"), ucs2(user), pw,      ucs2("raw"),
                                                               {},           {},         ucs2("x"), {},
                                                               ucs2("master")};
        std::vector<std::uint8_t> b;
        u32(b, 0);  // length, set below
        u32(b, 0x74000004);
        u32(b, packetSize);
        for (int i = 0; i < 4; ++i) u32(b, 0);  // client version, pid, connection id, flags
        u32(b, 0);                              // time zone
        u32(b, 0x0409);                         // LCID
        std::uint16_t offset = 94;
        std::vector<std::uint8_t> data;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            u16(b, offset);
            u16(b, static_cast<std::uint16_t>(i == 5 ? fields[i].size() : fields[i].size() / 2));
            data.insert(data.end(), fields[i].begin(), fields[i].end());
            offset = static_cast<std::uint16_t>(offset + fields[i].size());
        }
        for (int i = 0; i < 6; ++i) b.push_back(0);  // client id
        for (int i = 0; i < 3; ++i) {                // SSPI, attached file, new password
            u16(b, offset);
            u16(b, 0);
        }
        u32(b, 0);  // long SSPI
        EXPECT_EQ(b.size(), 94u);
        b.insert(b.end(), data.begin(), data.end());
        b[0] = static_cast<std::uint8_t>(b.size());
        b[1] = static_cast<std::uint8_t>(b.size() >> 8);
        return b;
    }

    static std::vector<std::uint8_t> batch(const std::string& sql) {
        std::vector<std::uint8_t> b;
        u32(b, 22);  // the headers: just the transaction descriptor
        u32(b, 18);
        u16(b, 2);
        for (int i = 0; i < 8; ++i) b.push_back(0);
        u32(b, 1);
        std::vector<std::uint8_t> text = ucs2(sql);
        b.insert(b.end(), text.begin(), text.end());
        return b;
    }

private:
    bool readExact(std::uint8_t* p, std::size_t n) {
        while (n > 0) {
            ssize_t r = ::recv(fd_, p, n, 0);
            if (r <= 0) return false;
            p += r;
            n -= static_cast<std::size_t>(r);
        }
        return true;
    }
    int fd_ = -1;
    bool connected_ = false;
};

// Every packet of a reply fits the negotiated size, only the last one ends
// the message, their numbers follow each other, and rows are split across
// packets wherever the size falls.
void expectFramed(const std::vector<RawClient::Packet>& reply, std::size_t packetSize) {
    ASSERT_FALSE(reply.empty());
    for (std::size_t i = 0; i < reply.size(); ++i) {
        EXPECT_EQ(reply[i].type, 4) << i;
        EXPECT_LE(reply[i].length, packetSize) << i;
        EXPECT_EQ(reply[i].length, reply[i].data.size() + 8) << i;
        EXPECT_EQ(reply[i].status, i + 1 == reply.size() ? 1 : 0) << i;
        EXPECT_EQ(reply[i].id, static_cast<std::uint8_t>(reply[0].id + i)) << i;
        if (i + 1 < reply.size()) {
            EXPECT_EQ(reply[i].length, packetSize) << i;  // full until the last
        }
    }
}

TEST_F(TdsServerTest, RepliesAreFramedInPacketsOfTheNegotiatedSize) {
    ResultSet rs;
    rs.columns = {{"n", Type::Int, 0, 0, 0, false}, {"t", Type::NVarChar, 50}};
    rs.generatedRows = 5000;
    rs.generator = [](std::size_t i, Row& row) {
        row[0] = static_cast<long long>(i);
        row[1] = std::string(i % 41, 'z');
    };
    server.on("SELECT n, t FROM dbo.grande", Reply::rows(rs));

    RawClient c(server.port());
    ASSERT_TRUE(c.connected());
    // PRELOGIN: version, no encryption offered.
    c.send(18, {0x00, 0x00, 0x0B, 0x00, 0x06, 0x01, 0x00, 0x11, 0x00, 0x01, 0xFF, 9, 0, 0, 0, 0, 0, 2});
    auto pre = c.readReply();
    ASSERT_EQ(pre.size(), 1u);
    // The ENCRYPTION option says "not supported".
    const auto& d = pre[0].data;
    bool sawEncryption = false;
    for (std::size_t i = 0; i + 5 <= d.size() && d[i] != 0xFF; i += 5) {
        if (d[i] != 1) continue;
        const std::size_t at = (std::size_t(d[i + 1]) << 8) | d[i + 2];
        ASSERT_LT(at, d.size());
        EXPECT_EQ(d[at], 2);
        sawEncryption = true;
    }
    EXPECT_TRUE(sawEncryption);

    c.send(16, RawClient::login("tolvek", "Contraseña#1", 512));
    auto login = c.readReply();
    expectFramed(login, 512);
    ASSERT_EQ(server.logins().size(), 1u);
    EXPECT_TRUE(server.logins()[0].accepted);
    EXPECT_EQ(server.logins()[0].appName, "raw");
    EXPECT_EQ(server.logins()[0].packetSize, 512u);

    c.send(1, RawClient::batch("SELECT n, t FROM dbo.grande"));
    auto reply = c.readReply();
    expectFramed(reply, 512);
    std::vector<std::uint8_t> stream;
    for (const auto& p : reply) stream.insert(stream.end(), p.data.begin(), p.data.end());
    // The NOT NULL int goes out as SQL Server sends it, as INT4 (no length
    // byte), the nullable nvarchar as NVARCHAR with its length in bytes.
    ASSERT_GE(stream.size(), 22u);
    EXPECT_EQ(stream[0], 0x81);
    EXPECT_EQ(stream[7] | (stream[8] << 8), 0x0008);  // flags: not nullable
    EXPECT_EQ(stream[9], 0x38);
    EXPECT_EQ(stream[10], 1);  // the name's length: "n"
    EXPECT_EQ(stream[19], 0xE7);
    EXPECT_EQ(stream[20] | (stream[21] << 8), 100);
    // The reply ends with a DONE that counts every row.
    ASSERT_GE(stream.size(), 13u);
    const std::uint8_t* done = stream.data() + stream.size() - 13;
    EXPECT_EQ(done[0], 0xFD);
    EXPECT_EQ(done[1] | (done[2] << 8), 0x10);  // a count, nothing more: no "transaction in progress"
    EXPECT_EQ(done[3] | (done[4] << 8), 0xC1);  // of a SELECT
    std::uint64_t count = 0;
    for (int i = 7; i >= 0; --i) count = (count << 8) | done[5 + i];
    EXPECT_EQ(count, 5000u);
    EXPECT_EQ(server.statements(), std::vector<std::string>{"SELECT n, t FROM dbo.grande"});

    // A procedure called by a batch: DONEINPROC, its return status, DONEPROC.
    server.on("exec sp_helpindex 'Notas'", Reply::rows({{"index_name", Type::NVarChar, 128}}, {{"IX_texto"}}));
    c.send(1, RawClient::batch("exec sp_helpindex 'Notas'"));
    stream.clear();
    for (const auto& p : c.readReply()) stream.insert(stream.end(), p.data.begin(), p.data.end());
    ASSERT_GE(stream.size(), 44u);
    const std::uint8_t* end = stream.data() + stream.size() - 31;
    EXPECT_EQ(std::vector<std::uint8_t>({end[0], end[13], end[18], end[19]}),
              std::vector<std::uint8_t>({0xFF, 0x79, 0xFE, 0x00}));  // DONEINPROC, RETURNSTATUS, final DONEPROC

    // A statement cancelled before it sent anything still ends its reply, in
    // a message of its own; the acknowledgement follows in another.
    server.on("waitfor delay '01:00:00'", Reply::hangUntilCancelled());
    c.send(1, RawClient::batch("waitfor delay '01:00:00'"));
    c.send(6, {});
    const auto interrupted = c.readReply();
    ASSERT_EQ(interrupted.size(), 1u);
    ASSERT_GE(interrupted[0].data.size(), 3u);
    EXPECT_EQ(interrupted[0].data[0], 0xFD);
    EXPECT_EQ(interrupted[0].data[1] & 0x20, 0);
    const auto ack = c.readReply();
    ASSERT_EQ(ack.size(), 1u);
    ASSERT_GE(ack[0].data.size(), 3u);
    EXPECT_EQ(ack[0].data[1] & 0x20, 0x20);
}

// -- Large results --------------------------------------------------------------

class LargeResultTest : public TdsServerTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(LargeResultTest, HundredThousandRowsArriveIntact) {
    const std::size_t count = 100000;
    auto text = [](std::size_t i) { return "fila " + std::to_string(i) + " ñ€" + std::string(i % 37, 'x'); };
    ResultSet rs;
    rs.columns = {{"id", Type::Int}, {"texto", Type::NVarChar, 100}, {"cuando", Type::DateTime}, {"valor", Type::Float}};
    rs.generatedRows = count;
    rs.generator = [&](std::size_t i, Row& row) {
        row[0] = static_cast<long long>(i);
        row[1] = i % 1000 == 999 ? Value() : Value(text(i));
        row[2] = "2020-01-01 00:00:" + std::to_string(10 + i % 50);
        row[3] = static_cast<double>(i) / 4;
    };
    server.on("SELECT id, texto, cuando, valor FROM dbo.grande", Reply::rows(rs));
    // The server settles the packet size at login; the driver follows it.
    const std::uint32_t packetSize = GetParam();
    server.setPacketSize(packetSize);
    auto c = connect();
    ASSERT_TRUE(c->connected);
    EXPECT_EQ(server.logins().back().packetSize, packetSize ? packetSize : 4096u);

    ASSERT_TRUE(SQL_SUCCEEDED(c->exec("SELECT id, texto, cuando, valor FROM dbo.grande")));
    SQLINTEGER id = 0;
    char texto[256];
    SQL_TIMESTAMP_STRUCT cuando;
    double valor = 0;
    SQLLEN ind[4];
    SQLBindCol(c->stmt, 1, SQL_C_SLONG, &id, 0, &ind[0]);
    SQLBindCol(c->stmt, 2, SQL_C_CHAR, texto, sizeof texto, &ind[1]);
    SQLBindCol(c->stmt, 3, SQL_C_TYPE_TIMESTAMP, &cuando, sizeof cuando, &ind[2]);
    SQLBindCol(c->stmt, 4, SQL_C_DOUBLE, &valor, 0, &ind[3]);
    std::size_t n = 0;
    SQLRETURN rc;
    while ((rc = SQLFetch(c->stmt)) == SQL_SUCCESS) {
        ASSERT_EQ(id, static_cast<SQLINTEGER>(n));
        if (n % 1000 == 999) {
            ASSERT_EQ(ind[1], SQL_NULL_DATA) << n;
        } else {
            ASSERT_EQ(std::string(texto), text(n)) << n;
        }
        ASSERT_EQ(cuando.second, 10 + n % 50) << n;
        ASSERT_EQ(valor, static_cast<double>(n) / 4) << n;
        ++n;
    }
    EXPECT_EQ(rc, SQL_NO_DATA);
    EXPECT_EQ(n, count);
    SQLLEN rows = -1;
    SQLRowCount(c->stmt, &rows);
    EXPECT_EQ(rows, static_cast<SQLLEN>(count));
}

INSTANTIATE_TEST_SUITE_P(PacketSizes, LargeResultTest, ::testing::Values(0u, 512u, 32767u));

}  // namespace
