#pragma once
// A scripted SQL Server for tests.
//
// TdsServer speaks enough of the TDS protocol (versions 7.1 to 7.4, no
// encryption) for the FreeTDS driver to log in and run batches. It listens on
// 127.0.0.1 on a port of its own, serves each client on a thread of its own,
// and answers every statement from a script the test writes beforehand:
//
//     tdstest::TdsServer server;
//     server.acceptLogin("sa", "secret");
//     server.on("SELECT id, name FROM dbo.t",
//               tdstest::Reply::rows({{"id", tdstest::Type::Int},
//                                     {"name", tdstest::Type::NVarChar, 50}},
//                                    {{1, "uno"}, {2, nullptr}}));
//     server.start();
//     ... connect to 127.0.0.1:server.port() through the driver ...
//     EXPECT_EQ(server.statements(), std::vector<std::string>{"SELECT id, name FROM dbo.t"});
//
// What is not scripted gets the default reply (a plain DONE), except a few
// statements the server understands by itself: USE <database> (changes the
// current database and sends message 5701, as SQL Server does) and
// BEGIN TRAN / COMMIT / ROLLBACK, also in the forms FreeTDS uses below TDS 7.2
// ("IF @@TRANCOUNT > 0 COMMIT BEGIN TRANSACTION"), tracked as the session's
// transaction.
//
// The record keeps every request in order. statements() gives the program's
// statements: it leaves out attentions (cancels) and what the driver sends on
// its own, recognised by two rules: the first request of a session when it is
// "set textsize <n>" in lower case (FreeTDS sends it right after logging in
// when a text size is configured), and the sp_prepare / sp_unprepare calls
// behind prepared statements. requests() keeps everything, with that mark.
// The transaction requests of the driver (autocommit off, SQLEndTran) are the
// program's: from TDS 7.2 on they are recorded as "BEGIN TRANSACTION",
// "COMMIT TRANSACTION" and "ROLLBACK TRANSACTION"; below 7.2 the driver sends
// batches, recorded as sent. Note that FreeTDS turns autocommit back on with a
// ROLLBACK: work not committed before that is lost, as on a real server.
//
// Every wait of the server is bounded: a session that stays idle for
// sessionIdleLimit ends, a hanging statement waits hangLimit at most, and the
// whole server stops serving after lifetimeLimit. Destroying it stops it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace tdstest {

// Column types a scripted result can carry.
enum class Type {
    Int, SmallInt, TinyInt, BigInt, Bit, Float, Real, Decimal, DateTime,
    NVarChar, VarChar, VarBinary, UniqueIdentifier,
};

struct Column {
    std::string name;
    Type type = Type::Int;
    // (n)varchar: characters; varbinary: bytes. 0 takes 4000 for nvarchar and
    // 8000 for varchar/varbinary (or max when a stored value is longer); -1 is max.
    int size = 0;
    int precision = 18;  // decimal
    int scale = 0;       // decimal
    bool nullable = true;
};

// One value of a row: NULL (Value(), nullptr or std::nullopt), an integer, a
// double, a bool, or text in UTF-8. Text is also how dates
// ("YYYY-MM-DD[ hh:mm:ss[.fff]]"), decimals ("-12.50"), GUIDs and the raw
// bytes of varbinary values are given.
class Value {
public:
    Value() = default;
    Value(std::nullptr_t) {}
    Value(std::nullopt_t) {}
    Value(bool b) : v_(b) {}
    template <typename T>
        requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
    Value(T i) : v_(static_cast<long long>(i)) {}
    Value(double d) : v_(d) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::string s) : v_(std::move(s)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    long long toInt() const;
    double toDouble() const;
    bool toBool() const;
    std::string toText() const;

private:
    std::variant<std::monostate, long long, double, bool, std::string> v_;
};

using Row = std::vector<Value>;

struct ResultSet {
    std::vector<Column> columns;
    std::vector<Row> rows;
    // For large results: rowCount rows made on the server's thread, one at a
    // time, by generator(index, row). Used when generator is set, instead of rows.
    std::size_t generatedRows = 0;
    std::function<void(std::size_t index, Row& row)> generator;
};

// An informational message (class 0-10) or an error (class 11 and up).
struct Message {
    int number = 50000;
    std::string text;
    int cls = 16;
    int state = 1;
    std::string procName;
    int line = 1;
};

// What the server answers to one statement: a sequence of result sets,
// row counts and messages, ended by a DONE; or dropping the connection; or
// waiting for the client to cancel. Built with the static functions and
// extended with the then...() ones:
//     Reply::info(0, "checking").thenError(50000, "failed", 16)
//     Reply::rows(cols, rows).thenRows(cols2, rows2)
class Reply {
public:
    enum class Action { Answer, DropConnection, HangUntilCancelled };

    Reply() = default;  // DONE, no rows
    static Reply rows(std::vector<Column> columns, std::vector<Row> rows);
    static Reply rows(ResultSet rs);
    static Reply rowsAffected(long long count);
    static Reply error(int number, std::string text, int cls = 16, int state = 1);
    static Reply info(int number, std::string text, int cls = 0, int state = 1);
    static Reply message(Message m);
    // Closes the connection on receiving the statement (it is recorded first).
    static Reply dropConnection();
    // Sends nothing until the client cancels (an attention, as the driver
    // sends at a query time-out), then acknowledges the cancel; answers a
    // plain DONE if no cancel comes within hangLimit.
    static Reply hangUntilCancelled();

    Reply& thenRows(std::vector<Column> columns, std::vector<Row> rows);
    Reply& thenRows(ResultSet rs);
    Reply& thenRowsAffected(long long count);
    Reply& thenError(int number, std::string text, int cls = 16, int state = 1);
    Reply& thenInfo(int number, std::string text, int cls = 0, int state = 1);
    Reply& thenMessage(Message m);

    struct Item {
        std::variant<long long, ResultSet, Message> what;
    };
    Action action() const { return action_; }
    const std::vector<Item>& items() const { return items_; }

private:
    Action action_ = Action::Answer;
    std::vector<Item> items_;
};

// What arrived from a client, in order.
struct Request {
    enum class Kind { Batch, BeginTransaction, CommitTransaction, RollbackTransaction, Rpc, Attention };
    Kind kind = Kind::Batch;
    // Batch: the SQL text. Transaction requests: "BEGIN TRANSACTION",
    // "COMMIT TRANSACTION" or "ROLLBACK TRANSACTION". Rpc: the statement
    // the driver sent with bound parameters (through sp_executesql,
    // sp_prepexec, sp_execute), or "EXEC <procedure>". Attention: "".
    std::string text;
    int session = 0;          // 1 for the first connection, and so on
    bool fromDriver = false;  // sent by the driver on its own (see above)
    // Rpc: the values of the bound parameters as text (NULL as nullopt).
    std::vector<std::optional<std::string>> parameters;
};

struct Login {
    std::string user, password, database, appName, hostName, language;
    std::uint32_t tdsVersion = 0;  // as the client asked, e.g. 0x74000004
    std::uint32_t packetSize = 0;  // as negotiated
    bool accepted = false;
    int session = 0;
};

class TdsServer {
public:
    TdsServer();
    ~TdsServer();  // stops the server
    TdsServer(const TdsServer&) = delete;
    TdsServer& operator=(const TdsServer&) = delete;

    // Binds 127.0.0.1 on a free port and starts serving. Throws
    // std::runtime_error when the socket cannot be set up.
    void start();
    // Closes every connection and waits for the server's threads. Idempotent.
    void stop();
    std::uint16_t port() const;

    // An ODBC connection string for the FreeTDS driver to this server, with
    // the accepted login (an empty tdsVersion leaves the version to the
    // driver). Non-ASCII text in it must go through the wide ODBC entry
    // points (SQLDriverConnectW): unixODBC hands narrow strings on byte by byte.
    std::string odbcConnectionString(const std::string& database = "master",
                                     const std::string& tdsVersion = "7.4") const;

    // The one login accepted (default "sa" / "Secret#1"). Any other user or
    // password is refused with error 18456.
    void acceptLogin(std::string user, std::string password);
    // Databases that exist. Empty (the default) means any name exists;
    // otherwise a login to, or a USE of, another name fails (4060 / 911).
    void setDatabases(std::vector<std::string> names);
    void setServerName(std::string name);  // reported in messages; "TDSTEST"
    // The packet size the server settles on at login (512-32767); 0, the
    // default, takes what the client asks for, or 4096.
    void setPacketSize(std::uint32_t bytes);

    // Scripts the reply to a statement. The text form matches the whole
    // statement, compared with runs of white space taken as one space and
    // leading/trailing space and a final ';' ignored. The regex form must
    // match the whole statement. The latest rule that matches wins.
    void on(std::string sql, Reply reply);
    void on(std::regex pattern, Reply reply);
    // Reply to a statement no rule matches (DONE with no rows by default).
    void setDefaultReply(Reply reply);
    void clearScript();

    // The program's statements (and transaction requests, as
    // "BEGIN TRANSACTION" / "COMMIT TRANSACTION" / "ROLLBACK TRANSACTION"),
    // in order, without the driver's own.
    std::vector<std::string> statements() const;
    std::vector<Request> requests() const;
    std::vector<Login> logins() const;
    void clearRecord();

    // The current database of the most recent session.
    std::string currentDatabase() const;
    // Whether the most recent session has a transaction open.
    bool inTransaction() const;
    // Attention (cancel) requests received.
    int cancelCount() const;

    // Limits, taken by start().
    std::chrono::milliseconds hangLimit{30000};
    std::chrono::milliseconds sessionIdleLimit{300000};
    std::chrono::milliseconds lifetimeLimit{900000};

    struct State;  // shared with the sessions

private:
    std::shared_ptr<State> state_;
};

}  // namespace tdstest
