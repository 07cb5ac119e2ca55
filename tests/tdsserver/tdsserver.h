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
// A statement no rule matches fails with error kUnscripted, whose text
// carries the statement's first characters, unless the test says otherwise
// (setDefaultReply). The server answers a few statements by itself, alone or
// several in one batch: USE <database> (changes the current database and
// sends message 5701, as SQL Server does), SET TEXTSIZE <n>, SET XACT_ABORT,
// BEGIN TRAN, COMMIT and ROLLBACK (also guarded by "IF @@TRANCOUNT > 0", the
// forms FreeTDS uses below TDS 7.2), and SELECT @@TRANCOUNT. Transactions
// nest as on SQL Server; a COMMIT with none open fails with 3902, a ROLLBACK
// with 3903. The same statements inside a scripted batch ("SET XACT_ABORT
// ON;BEGIN TRAN", "use Ventas select * from t") are taken too, before its
// scripted reply is sent (a USE of a database that does not exist fails the
// whole batch with 911 instead, none of it run). When
// that reply carries an error that ends the batch, the batch's COMMIT and
// ROLLBACK are taken as not run: an error under XACT_ABORT ON or a deadlock
// (1205), which also roll the transaction back, or a conversion error (245,
// 8114), which leaves it open.
//
// A batch that calls one procedure ("EXEC p ...", "sp_helplogins 'x'") is
// answered as SQL Server answers it: each result ends with DONEINPROC, and
// a return status and DONEPROC end the reply. A warning (class 10 or less)
// placed among the rows of a result (errorAfterRow) leaves the rows going on.
//
// As on SQL Server, text, ntext and image values and the max types are cut
// at the session's TEXTSIZE, in bytes: 4096 until a SET TEXTSIZE (alone, in
// a scripted batch, or the driver's own) changes it.
//
// A cancel (attention) that arrives while a reply is being sent, or while a
// statement hangs, ends that reply where it stopped (a DONE alone when
// nothing was sent yet); the acknowledgement follows as a message of its own.
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
// batches ("IF @@TRANCOUNT > 0 COMMIT BEGIN TRANSACTION"...), recorded as the
// requests they stand for, under the same names. Note that FreeTDS turns
// autocommit back on with a ROLLBACK: work not committed before that is
// lost, as on a real server.
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

// The error number of a statement no rule matches (one of the test server's
// own: SQL Server's user-defined messages start at 50001).
inline constexpr int kUnscripted = 99999;

// Column types a scripted result can carry. Each goes out with the type
// token SQL Server uses for it: NOT NULL integers, bit, float, real, money
// and dates with the fixed-length tokens (INT4, BIT, FLT8, MONEY,
// DATETIME...), nullable ones with the N tokens (INTN, BITN, FLTN, MONEYN,
// DATETIMN). (n)varchar(max) and varbinary(max) go out as PLP values from
// TDS 7.2 on and as text, ntext and image below it, as SQL Server sends them
// to older clients.
enum class Type {
    Int, SmallInt, TinyInt, BigInt, Bit, Float, Real, Decimal, DateTime,
    NVarChar, VarChar, VarBinary, UniqueIdentifier,
    Char, NChar, Binary,             // fixed length: blank (binary: zero) padded by the server
    Money, SmallMoney, SmallDateTime,
    Text, NText, Image,
    Variant,                         // sql_variant, its base type taken from each value (see Value)
};

struct Column {
    std::string name;
    Type type = Type::Int;
    // (n)char, (n)varchar: characters; binary, varbinary: bytes. 0 takes 4000
    // for nvarchar and 8000 for varchar/varbinary (or max when a value is
    // longer), and the longest value for (n)char and binary; -1 is max. A
    // value longer than its column is a mistake of the script: the server
    // reports it on stderr and drops the connection.
    int size = 0;
    int precision = 18;  // decimal
    int scale = 0;       // decimal
    bool nullable = true;
};

// One value of a row: NULL (Value(), nullptr or std::nullopt), an integer, a
// double, a bool, or text in UTF-8. Text is also how dates
// ("YYYY-MM-DD[ hh:mm:ss[.fff]]"), decimals and money ("-12.50"), GUIDs and
// the raw bytes of binary, varbinary and image values are given. In a
// sql_variant column the kind of value gives the base type: an integer is an
// int (a bigint when it needs more), a double a float, a bool a bit, text an
// nvarchar.
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

    enum class Kind { Null, Int, Double, Bool, Text };
    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    long long toInt() const;
    double toDouble() const;
    bool toBool() const;
    std::string toText() const;

private:
    std::variant<std::monostate, long long, double, bool, std::string> v_;
};

using Row = std::vector<Value>;

// An informational message (class 0-10) or an error (class 11 and up).
struct Message {
    int number = 50000;
    std::string text;
    int cls = 16;
    int state = 1;
    std::string procName;
    int line = 1;
};

struct ResultSet {
    std::vector<Column> columns;
    std::vector<Row> rows;
    // For large results: rowCount rows made on the server's thread, one at a
    // time, by generator(index, row). Used when generator is set, instead of rows.
    std::size_t generatedRows = 0;
    std::function<void(std::size_t index, Row& row)> generator;
    // Rows encoded once: the first send of the result encodes its rows and
    // keeps the bytes, and every later send of the same reply to a session of
    // the same TDS version and text size copies them out in whole packets.
    // One encoding is kept for each TDS version and text size served. For
    // benchmarks, so that the client reading a large result is what is
    // measured and not the server making it (TdsServer::encodingCount() tells
    // when the server encoded). Set before the result is handed to a Reply.
    bool encodeOnce = false;
    struct Encoded;                    // the server's own
    std::shared_ptr<Encoded> encoded;  // made by the Reply when encodeOnce is set
    // An error among the rows, as when a statement fails while it reads (a
    // conversion, a division by zero): the first errorAfterRow rows go out,
    // then the error, then the result's DONE with its error bit. Through ODBC
    // it arrives on the fetch, not on the next result. A warning (class 10
    // or less) goes out after the first errorAfterRow rows, and the rest
    // follow it.
    std::optional<Message> error;
    std::size_t errorAfterRow = 0;
};

// What the server answers to one statement: a sequence of result sets,
// row counts and messages, ended by a DONE; or dropping the connection; or
// waiting for the client to cancel. Built with the static functions and
// extended with the then...() ones:
//     Reply::info(0, "checking").thenError(50000, "failed", 16)
//     Reply::rows(cols, rows).thenRows(cols2, rows2)
//     Reply::rows(cols, rows).errorAfterRow(2, 8134, "Divide by zero error encountered.")
// Each result set and row count ends with a DONE that counts its rows and
// carries the command of the statement it answers (SELECT for results; for
// row counts the INSERT, UPDATE or DELETE statements of the batch in order).
// An error item is sent as a statement that failed: the error, then a DONE
// with its error bit.
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
    // sends at a query time-out), then acknowledges the cancel in a message
    // of its own; answers a plain DONE if no cancel comes within hangLimit.
    static Reply hangUntilCancelled();

    Reply& thenRows(std::vector<Column> columns, std::vector<Row> rows);
    Reply& thenRows(ResultSet rs);
    Reply& thenRowsAffected(long long count);
    Reply& thenError(int number, std::string text, int cls = 16, int state = 1);
    Reply& thenInfo(int number, std::string text, int cls = 0, int state = 1);
    Reply& thenMessage(Message m);
    // The last result set fails after its first `row` rows (see
    // ResultSet::error). Throws std::logic_error when the reply does not end
    // with a result set.
    Reply& errorAfterRow(std::size_t row, int number, std::string text, int cls = 16, int state = 1);
    // After the items so far the statement hangs until the client cancels,
    // as hangUntilCancelled(); a result set at the end stays open, so that
    // the client may already read its rows (those of the packets that filled
    // up: the server does not flush a packet before it waits, nor does SQL
    // Server).
    Reply& thenHangUntilCancelled();

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
    std::uint32_t agreedVersion = 0;  // as the server answered
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
    // The newest TDS version the server speaks (0, the default: 7.4). A
    // client that asks for a newer one is answered in this one, as a SQL
    // Server 2000 (0x71000001) answers: the driver then speaks it too.
    void setHighestTdsVersion(std::uint32_t version);

    // Scripts the reply to a statement. Both forms compare the statement
    // with runs of white space (line ends too) taken as one blank and
    // leading/trailing blanks and a final ';' dropped: the text form must
    // equal it so written, the regex form must match the whole of it. The
    // latest rule that matches wins.
    void on(std::string sql, Reply reply);
    void on(std::regex pattern, Reply reply);
    // Reply to a statement no rule matches, instead of error kUnscripted
    // (setDefaultReply(Reply()): unscripted statements succeed with no rows).
    void setDefaultReply(Reply reply);
    // Drops every rule and the default reply.
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
    // Whether the most recent session has a transaction open, and how many
    // BEGIN TRAN deep (its @@TRANCOUNT).
    bool inTransaction() const;
    int tranCount() const;
    // Attention (cancel) requests received.
    int cancelCount() const;
    // Times the rows of an encodeOnce result were encoded (not cleared by
    // clearRecord).
    int encodingCount() const;

    // Limits, taken by start().
    std::chrono::milliseconds hangLimit{30000};
    std::chrono::milliseconds sessionIdleLimit{300000};
    std::chrono::milliseconds lifetimeLimit{900000};

    struct State;  // shared with the sessions

private:
    std::shared_ptr<State> state_;
};

}  // namespace tdstest
