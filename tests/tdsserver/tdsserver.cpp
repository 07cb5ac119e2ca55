#include "tdsserver.h"

#include "tdsparams.h"
#include "tdssql.h"
#include "tdswire.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <tuple>

namespace tdstest {

using wire::ProtocolError;
using wire::Reader;
using wire::Writer;
using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------------------
// Values

namespace {

bool parseLongLong(std::string_view s, long long& out) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p != s.data();
}

bool parseDouble(std::string_view s, double& out) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p != s.data();
}

std::string formatDouble(double d) {
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, d);
    return ec == std::errc() ? std::string(buf, p) : std::string("0");
}

}  // namespace

long long Value::toInt() const {
    if (auto i = std::get_if<long long>(&v_)) return *i;
    if (auto d = std::get_if<double>(&v_)) return static_cast<long long>(*d);
    if (auto b = std::get_if<bool>(&v_)) return *b ? 1 : 0;
    if (auto s = std::get_if<std::string>(&v_)) {
        long long i = 0;
        if (parseLongLong(*s, i)) return i;
        double d = 0;
        if (parseDouble(*s, d)) return static_cast<long long>(d);
    }
    return 0;
}

double Value::toDouble() const {
    if (auto i = std::get_if<long long>(&v_)) return static_cast<double>(*i);
    if (auto d = std::get_if<double>(&v_)) return *d;
    if (auto b = std::get_if<bool>(&v_)) return *b ? 1 : 0;
    if (auto s = std::get_if<std::string>(&v_)) {
        double d = 0;
        if (parseDouble(*s, d)) return d;
    }
    return 0;
}

bool Value::toBool() const {
    if (auto s = std::get_if<std::string>(&v_)) {
        std::string t;
        for (char c : *s) t.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        return t == "1" || t == "true";
    }
    return toInt() != 0;
}

std::string Value::toText() const {
    if (auto i = std::get_if<long long>(&v_)) return std::to_string(*i);
    if (auto d = std::get_if<double>(&v_)) return formatDouble(*d);
    if (auto b = std::get_if<bool>(&v_)) return *b ? "1" : "0";
    if (auto s = std::get_if<std::string>(&v_)) return *s;
    return {};
}

// ---------------------------------------------------------------------------
// Replies

Reply Reply::rows(std::vector<Column> columns, std::vector<Row> rows) {
    return Reply().thenRows(std::move(columns), std::move(rows));
}
Reply Reply::rows(ResultSet rs) { return Reply().thenRows(std::move(rs)); }
Reply Reply::rowsAffected(long long count) { return Reply().thenRowsAffected(count); }
Reply Reply::error(int number, std::string text, int cls, int state) {
    return Reply().thenError(number, std::move(text), cls, state);
}
Reply Reply::info(int number, std::string text, int cls, int state) {
    return Reply().thenInfo(number, std::move(text), cls, state);
}
Reply Reply::message(Message m) { return Reply().thenMessage(std::move(m)); }
Reply Reply::dropConnection() {
    Reply r;
    r.action_ = Action::DropConnection;
    return r;
}
Reply Reply::hangUntilCancelled() {
    Reply r;
    r.action_ = Action::HangUntilCancelled;
    return r;
}

Reply& Reply::thenRows(std::vector<Column> columns, std::vector<Row> rows) {
    ResultSet rs;
    rs.columns = std::move(columns);
    rs.rows = std::move(rows);
    return thenRows(std::move(rs));
}
// The encoded rows of an encodeOnce result, shared by the copies of its reply:
// one encoding for each TDS version, row count and text size served, so that
// sessions of different text sizes do not throw each other's away.
struct ResultSet::Encoded {
    std::mutex mutex;
    using Key = std::tuple<std::uint32_t, std::size_t, std::size_t>;  // TDS version, rows, text size
    std::map<Key, std::shared_ptr<const std::vector<std::uint8_t>>> bytes;
};

Reply& Reply::thenRows(ResultSet rs) {
    if (rs.encodeOnce && !rs.encoded) rs.encoded = std::make_shared<ResultSet::Encoded>();
    items_.push_back({std::move(rs)});
    return *this;
}
Reply& Reply::thenRowsAffected(long long count) {
    Item item;
    item.what.emplace<long long>(count);
    items_.push_back(std::move(item));
    return *this;
}
Reply& Reply::thenError(int number, std::string text, int cls, int state) {
    Message m;
    m.number = number;
    m.text = std::move(text);
    m.cls = cls;
    m.state = state;
    return thenMessage(std::move(m));
}
Reply& Reply::thenInfo(int number, std::string text, int cls, int state) {
    return thenError(number, std::move(text), cls, state);
}
Reply& Reply::thenMessage(Message m) {
    items_.push_back({std::move(m)});
    return *this;
}
Reply& Reply::errorAfterRow(std::size_t row, int number, std::string text, int cls, int state) {
    ResultSet* rs = items_.empty() ? nullptr : std::get_if<ResultSet>(&items_.back().what);
    if (!rs) throw std::logic_error("errorAfterRow: the reply does not end with a result set");
    Message m;
    m.number = number;
    m.text = std::move(text);
    m.cls = cls;
    m.state = state;
    rs->error = std::move(m);
    rs->errorAfterRow = row;
    return *this;
}
Reply& Reply::thenHangUntilCancelled() {
    action_ = Action::HangUntilCancelled;
    return *this;
}

// ---------------------------------------------------------------------------
// Shared state

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct Rule {
    std::string exact;  // normalised; empty when the rule is a pattern
    std::optional<std::regex> pattern;
    std::shared_ptr<const Reply> reply;
};

}  // namespace

struct TdsServer::State {
    mutable std::mutex mu;
    // Script and configuration.
    std::string user = "sa";
    std::string password = "Secret#1";
    std::string serverName = "TDSTEST";
    std::vector<std::string> databases;
    std::uint32_t packetSize = 0;
    std::uint32_t highestVersion = 0;
    std::vector<Rule> rules;
    std::shared_ptr<const Reply> defaultReply;  // null: unscripted statements fail
    // Record.
    std::vector<Request> requests;
    std::vector<Login> logins;
    std::string currentDatabase = "master";
    int tranCount = 0;
    int cancels = 0;
    int encodings = 0;
    int sessions = 0;
    // Limits, copied from the server at start().
    std::chrono::milliseconds hangLimit{30000};
    std::chrono::milliseconds idleLimit{300000};
    Clock::time_point endOfLife;
    // Running.
    std::atomic<bool> stopping{false};
    int listenFd = -1;
    int wakeFd = -1;
    std::uint16_t port = 0;
    std::thread acceptor;
    std::mutex threadsMu;
    std::vector<std::thread> sessionThreads;

    std::shared_ptr<const Reply> lookup(const std::string& sql) const {
        const std::string norm = sql::normalize(sql);
        std::lock_guard lock(mu);
        for (auto it = rules.rbegin(); it != rules.rend(); ++it) {
            if (it->pattern ? std::regex_match(norm, *it->pattern) : norm == it->exact) return it->reply;
        }
        return nullptr;
    }

    // The canonical name of a database, or nullopt when it does not exist.
    std::optional<std::string> findDatabase(const std::string& name) const {
        std::lock_guard lock(mu);
        if (databases.empty()) return name;
        for (const auto& d : databases)
            if (lower(d) == lower(name)) return d;
        return std::nullopt;
    }
};

// ---------------------------------------------------------------------------
// One client connection

namespace {

constexpr std::uint8_t PKT_BATCH = 1, PKT_RPC = 3, PKT_REPLY = 4, PKT_ATTENTION = 6, PKT_TRANSACTION = 14,
                       PKT_LOGIN7 = 16, PKT_PRELOGIN = 18;

constexpr std::uint8_t TOK_COLMETADATA = 0x81, TOK_ERROR = 0xAA, TOK_INFO = 0xAB, TOK_LOGINACK = 0xAD,
                       TOK_FEATUREEXTACK = 0xAE, TOK_ROW = 0xD1, TOK_ENVCHANGE = 0xE3, TOK_RETURNSTATUS = 0x79, TOK_RETURNVALUE = 0xAC,
                       TOK_DONE = 0xFD, TOK_DONEPROC = 0xFE, TOK_DONEINPROC = 0xFF;

constexpr std::uint16_t DONE_FINAL = 0, DONE_MORE = 0x1, DONE_ERROR = 0x2,
                        DONE_COUNT = 0x10, DONE_ATTN = 0x20;

constexpr std::uint8_t ENV_DATABASE = 1, ENV_LANGUAGE = 2, ENV_PACKETSIZE = 4, ENV_COLLATION = 7,
                       ENV_BEGINTRAN = 8, ENV_COMMITTRAN = 9, ENV_ROLLBACKTRAN = 10;

// SQL_Latin1_General_CP1_CI_AS: LCID 0x0409, case-insensitive, sort order 52
// (code page 1252 for varchar).
constexpr std::uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};

struct SessionEnd {};      // the client went away, or the server is stopping
struct DropRequested {};   // a scripted drop of the connection

struct Packet {
    std::uint8_t type = 0;
    std::uint8_t status = 0;
    std::vector<std::uint8_t> data;
};

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

// "YYYY-MM-DD[ hh:mm:ss[.fff]]" as SQL Server's datetime: days since
// 1900-01-01 and three-hundredths of a second since midnight.
void parseDateTime(const std::string& text, std::int32_t& days, std::uint32_t& ticks) {
    int y = 1900, mo = 1, d = 1, h = 0, mi = 0, s = 0;
    double ms = 0;
    char sep = ' ';
    int n = std::sscanf(text.c_str(), "%d-%d-%d%c%d:%d:%d", &y, &mo, &d, &sep, &h, &mi, &s);
    if (n < 3) throw std::invalid_argument("not a date: " + text);
    auto dot = text.find('.', 10);
    if (n >= 7 && dot != std::string::npos) {
        double scale = 100;
        for (std::size_t i = dot + 1; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            ms += (text[i] - '0') * scale;
            scale /= 10;
        }
    }
    long long dd = daysFromCivil(y, mo, d) - daysFromCivil(1900, 1, 1);
    long long t = (static_cast<long long>(h) * 3600 + mi * 60 + s) * 300 + std::llround(ms * 0.3);
    if (t >= 300LL * 86400) {
        t -= 300LL * 86400;
        ++dd;
    }
    days = static_cast<std::int32_t>(dd);
    ticks = static_cast<std::uint32_t>(t);
}

int decimalLength(int precision) {
    if (precision <= 9) return 5;
    if (precision <= 19) return 9;
    if (precision <= 28) return 13;
    return 17;
}

// A decimal value as sign and magnitude scaled by 10^scale.
void parseDecimal(const std::string& text, int scale, bool& negative, unsigned __int128& magnitude) {
    negative = false;
    magnitude = 0;
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int fraction = -1;  // digits taken after the point
    bool roundUp = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && fraction < 0) {
            fraction = 0;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        if (fraction == scale) {
            // Only the first digit past the scale counts: round half up.
            roundUp = c >= '5';
            break;
        }
        magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
        if (fraction >= 0) ++fraction;
    }
    for (int k = std::max(fraction, 0); k < scale; ++k) magnitude *= 10;
    if (roundUp) magnitude += 1;
    if (magnitude == 0) negative = false;
}

bool parseGuid(const std::string& text, std::uint8_t out[16]) {
    std::string hex;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) hex.push_back(c);
    if (hex.size() != 32) return false;
    std::uint8_t b[16];
    for (int i = 0; i < 16; ++i) b[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    // The first three groups travel little-endian.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i) out[i] = b[order[i]];
    return true;
}

std::string utf16Bytes(const std::string& utf8) {
    std::u16string w = wire::utf8ToUtf16(utf8);
    std::string b;
    b.reserve(w.size() * 2);
    for (char16_t c : w) {
        b.push_back(static_cast<char>(c & 0xff));
        b.push_back(static_cast<char>(c >> 8));
    }
    return b;
}

// The bytes of a character or binary value as they travel: UTF-16LE for
// the n types, code page 1252 for the others, binary as given.
std::string textBytes(Type t, const Value& v) {
    switch (t) {
    case Type::NVarChar: case Type::NChar: case Type::NText: return utf16Bytes(v.toText());
    case Type::VarChar: case Type::Char: case Type::Text: return wire::utf8ToCp1252(v.toText());
    default: return v.toText();
    }
}

bool isCharacterOrBinary(Type t) {
    switch (t) {
    case Type::NVarChar: case Type::VarChar: case Type::VarBinary: case Type::Char: case Type::NChar:
    case Type::Binary: case Type::Text: case Type::NText: case Type::Image:
        return true;
    default:
        return false;
    }
}

void littleEndian(std::string& out, std::uint64_t bits, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(bits >> (8 * i)));
}

// A money value in ten-thousandths.
long long moneyUnits(const Value& v) {
    bool negative;
    unsigned __int128 magnitude;
    parseDecimal(v.kind() == Value::Kind::Double ? formatDouble(v.toDouble()) : v.toText(), 4, negative, magnitude);
    const long long units = static_cast<long long>(magnitude);
    return negative ? -units : units;
}

// How a column travels: its type token and declared length, and the form of
// its values.
struct ColumnPlan {
    enum class Form {
        Fixed,     // fixed-length type: the bytes alone
        ByteLen,   // N types, decimal, GUID: a one-byte length, 0 for NULL
        ShortLen,  // (n)char, (n)varchar, (var)binary: a two-byte length, 0xFFFF for NULL
        Plp,       // (n)varchar(max), varbinary(max) from TDS 7.2 on
        TextPtr,   // text, ntext, image: text pointer, time stamp, four-byte length
        Variant,   // sql_variant: a four-byte length, 0 for NULL, then the base type and value
    };
    const Column* column = nullptr;
    std::uint8_t token = 0;
    Form form = Form::Fixed;
    std::uint32_t length = 0;  // declared length in bytes
};

bool hasCollation(std::uint8_t token) {
    return token == 0xA7 || token == 0xE7 || token == 0xAF || token == 0xEF || token == 0x23 || token == 0x63;
}

class Session {
public:
    Session(std::shared_ptr<TdsServer::State> st, int fd, int id) : st_(std::move(st)), fd_(fd), id_(id) {}
    ~Session() { ::close(fd_); }

    void run() {
        try {
            if (!login()) return;
            serve();
        } catch (const SessionEnd&) {
        } catch (const DropRequested&) {
        } catch (const std::exception& e) {
            // A request the server cannot read, or a scripted value that does
            // not fit its column: say so, since the client only sees the
            // connection close.
            std::fprintf(stderr, "TdsServer: session %d closed: %s\n", id_, e.what());
        }
        // An orderly close: the driver reports "Unexpected EOF from the
        // server" for the statement under way, and 08S01 after that.
        ::shutdown(fd_, SHUT_RDWR);
    }

private:
    // -- socket --------------------------------------------------------------

    Clock::time_point deadlineIn(std::chrono::milliseconds d) const { return std::min(Clock::now() + d, st_->endOfLife); }

    // Waits until the socket is ready for `events`; false at the deadline.
    bool waitFor(short events, Clock::time_point deadline) {
        for (;;) {
            if (st_->stopping) throw SessionEnd{};
            auto now = Clock::now();
            if (now >= deadline) return false;
            auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
            pollfd p[2] = {{fd_, events, 0}, {st_->wakeFd, POLLIN, 0}};
            int r = ::poll(p, 2, static_cast<int>(std::min<long long>(ms + 1, 1000)));
            if (r < 0) {
                if (errno == EINTR) continue;
                throw SessionEnd{};
            }
            if (p[1].revents) throw SessionEnd{};
            if (p[0].revents & (POLLERR | POLLNVAL)) throw SessionEnd{};
            if (p[0].revents & (events | POLLHUP)) return true;
        }
    }

    void readExact(std::uint8_t* buf, std::size_t n, Clock::time_point deadline) {
        std::size_t got = 0;
        while (got < n) {
            if (!waitFor(POLLIN, deadline)) throw SessionEnd{};
            ssize_t r = ::recv(fd_, buf + got, n - got, MSG_DONTWAIT);
            if (r == 0) throw SessionEnd{};
            if (r < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
                throw SessionEnd{};
            }
            got += static_cast<std::size_t>(r);
        }
    }

    void sendAll(const std::uint8_t* p, std::size_t n) {
        while (n > 0) {
            if (!waitFor(POLLOUT, deadlineIn(std::chrono::seconds(60)))) throw SessionEnd{};
            ssize_t r = ::send(fd_, p, n, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (r < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
                throw SessionEnd{};
            }
            p += r;
            n -= static_cast<std::size_t>(r);
        }
    }

    Packet readPacket(Clock::time_point deadline) {
        std::uint8_t h[8];
        readExact(h, 8, deadline);
        Packet pk;
        pk.type = h[0];
        pk.status = h[1];
        std::size_t len = (std::size_t(h[2]) << 8) | h[3];
        if (len < 8) throw ProtocolError("packet shorter than its header");
        pk.data.resize(len - 8);
        // Once a packet has started, the rest of it is due promptly.
        readExact(pk.data.data(), pk.data.size(), deadlineIn(std::chrono::seconds(30)));
        return pk;
    }

    // A whole message (packets up to the one marked end-of-message);
    // nullopt when nothing arrived before the deadline.
    std::optional<Packet> readMessage(Clock::time_point deadline) {
        if (!waitFor(POLLIN, deadline)) return std::nullopt;
        Packet msg = readPacket(deadline);
        while (!(msg.status & 0x01)) {
            Packet more = readPacket(deadlineIn(std::chrono::seconds(30)));
            if (more.type == PKT_ATTENTION) {
                // The client gave up on the message it was sending.
                return more;
            }
            msg.data.insert(msg.data.end(), more.data.begin(), more.data.end());
            msg.status = more.status;
            if (msg.data.size() > (64u << 20)) throw ProtocolError("message too large");
        }
        return msg;
    }

    // Whether an attention has arrived while a reply is being sent.
    bool attentionArrived() {
        pollfd p = {fd_, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0 || !(p.revents & (POLLIN | POLLHUP))) return false;
        std::optional<Packet> pk = readMessage(deadlineIn(std::chrono::seconds(30)));
        if (!pk) return false;
        if (pk->type == PKT_ATTENTION) {
            noteAttention();
            return true;
        }
        throw ProtocolError("request received while a reply was being sent");
    }

    void noteAttention() {
        std::lock_guard lock(st_->mu);
        st_->cancels++;
        st_->requests.push_back({Request::Kind::Attention, "", id_, false, {}});
    }

    // -- replies -------------------------------------------------------------

    // A reply message: tokens are collected and sent in packets of the
    // negotiated size as they fill up.
    class Out {
    public:
        explicit Out(Session& s) : s_(s) {}
        Writer w;

        void flushFull() {
            const std::size_t room = s_.packetSize_ - 8;
            std::size_t at = 0;
            // Keep at least one byte back so that the last packet is never empty.
            while (w.size() - at > room) {
                send(w.buf.data() + at, room, false);
                at += room;
            }
            if (at) w.buf.erase(w.buf.begin(), w.buf.begin() + static_cast<std::ptrdiff_t>(at));
        }
        void end() {
            flushFull();
            send(w.buf.data(), w.size(), true);
            w.buf.clear();
        }
        // Whether anything of the message has been written.
        bool started() const { return packetId_ != 1 || !w.buf.empty(); }

    private:
        void send(const std::uint8_t* p, std::size_t n, bool last) {
            std::vector<std::uint8_t> pk(8 + n);
            pk[0] = PKT_REPLY;
            pk[1] = last ? 0x01 : 0x00;
            pk[2] = static_cast<std::uint8_t>((n + 8) >> 8);
            pk[3] = static_cast<std::uint8_t>((n + 8) & 0xff);
            pk[4] = static_cast<std::uint8_t>((50 + s_.id_) >> 8);
            pk[5] = static_cast<std::uint8_t>((50 + s_.id_) & 0xff);
            pk[6] = packetId_++;
            pk[7] = 0;
            std::memcpy(pk.data() + 8, p, n);
            s_.sendAll(pk.data(), pk.size());
        }
        Session& s_;
        std::uint8_t packetId_ = 1;
    };

    bool tds72() const { return tdsVersion_ >= 0x72000000; }

    void envchange(Writer& w, std::uint8_t type, const std::string& now, const std::string& before) {
        w.u8(TOK_ENVCHANGE);
        std::size_t at = w.size();
        w.u16(0);
        w.u8(type);
        w.bVarchar(now);
        w.bVarchar(before);
        w.patchU16(at, static_cast<std::uint16_t>(w.size() - at - 2));
    }

    void envchangeBytes(Writer& w, std::uint8_t type, const std::uint8_t* now, std::uint8_t nowLen,
                        const std::uint8_t* before, std::uint8_t beforeLen) {
        w.u8(TOK_ENVCHANGE);
        w.u16(static_cast<std::uint16_t>(3 + nowLen + beforeLen));
        w.u8(type);
        w.u8(nowLen);
        w.bytes(now, nowLen);
        w.u8(beforeLen);
        w.bytes(before, beforeLen);
    }

    void message(Writer& w, const Message& m) {
        w.u8(m.cls > 10 ? TOK_ERROR : TOK_INFO);
        std::size_t at = w.size();
        w.u16(0);
        w.u32(static_cast<std::uint32_t>(m.number));
        w.u8(static_cast<std::uint8_t>(m.state));
        w.u8(static_cast<std::uint8_t>(m.cls));
        w.usVarchar(m.text);
        w.bVarchar(serverName_);
        w.bVarchar(m.procName);
        if (tds72())
            w.u32(static_cast<std::uint32_t>(m.line));
        else
            w.u16(static_cast<std::uint16_t>(m.line));
        w.patchU16(at, static_cast<std::uint16_t>(w.size() - at - 2));
    }

    // SQL Server leaves the "transaction in progress" bit (0x4) clear, in a transaction or not.
    void done(Writer& w, std::uint8_t token, std::uint16_t status, std::uint16_t curCmd, long long count) {
        w.u8(token);
        w.u16(status);
        w.u16(curCmd);
        if (tds72())
            w.u64(static_cast<std::uint64_t>(count));
        else
            w.u32(static_cast<std::uint32_t>(count));
    }

    // BEGIN TRAN: the outermost one starts the transaction (and tells the
    // client its descriptor); inner ones only count.
    void beginTransaction(Writer& w) {
        if (tranCount_++ == 0) {
            tran_ = nextTran_++;
            std::uint8_t d[8];
            for (int i = 0; i < 8; ++i) d[i] = static_cast<std::uint8_t>(tran_ >> (8 * i));
            envchangeBytes(w, ENV_BEGINTRAN, d, 8, nullptr, 0);
        }
        publishState();
    }

    // COMMIT ends the transaction at the outermost level; ROLLBACK (and
    // `whole`) at any level. False when none is open.
    bool endTransaction(Writer& w, bool commit, bool whole = false) {
        if (tranCount_ == 0) return false;
        tranCount_ = commit && !whole ? tranCount_ - 1 : 0;
        if (tranCount_ == 0) {
            std::uint8_t d[8];
            for (int i = 0; i < 8; ++i) d[i] = static_cast<std::uint8_t>(tran_ >> (8 * i));
            envchangeBytes(w, commit ? ENV_COMMITTRAN : ENV_ROLLBACKTRAN, nullptr, 0, d, 8);
            tran_ = 0;
        }
        publishState();
        return true;
    }

    // The error of a USE of a database that does not exist.
    static Message noDatabase(const std::string& name) {
        return {911, "Database '" + name + "' does not exist. Make sure that the name is entered correctly.", 16, 1,
                "", 1};
    }

    // USE: the database becomes the current one, and the client is told
    // (ENVCHANGE and message 5701, as SQL Server does). A database that does
    // not exist gives back the error, unsent, and changes nothing.
    std::optional<Message> useDatabase(Writer& w, const std::string& name) {
        std::optional<std::string> db = st_->findDatabase(name);
        if (!db) return noDatabase(name);
        std::string before = database_;
        database_ = *db;
        envchange(w, ENV_DATABASE, database_, before);
        message(w, {5701, "Changed database context to '" + database_ + "'.", 0, 1, "", 1});
        publishState();
        return std::nullopt;
    }

    // A COMMIT or ROLLBACK with no transaction open.
    static Message noTransaction(bool commit) {
        return {commit ? 3902 : 3903,
                std::string("The ") + (commit ? "COMMIT" : "ROLLBACK") +
                    " TRANSACTION request has no corresponding BEGIN TRANSACTION.",
                16, 1, "", 1};
    }

    // SET TEXTSIZE: 0 goes back to the default, anything below it is the largest.
    void setTextSize(long long size) {
        const long long largest = 2147483647;
        textSize_ = size == 0 ? kDefaultTextSize : std::size_t(size < 0 || size > largest ? largest : size);
    }

    void publishState() {
        std::lock_guard lock(st_->mu);
        st_->currentDatabase = database_;
        st_->tranCount = tranCount_;
    }

    // -- login ---------------------------------------------------------------

    bool login() {
        std::optional<Packet> msg = readMessage(deadlineIn(st_->idleLimit));
        if (!msg) return false;
        if (msg->type == PKT_PRELOGIN) {
            answerPrelogin(*msg);
            msg = readMessage(deadlineIn(std::chrono::seconds(60)));
            if (!msg) return false;
        }
        if (msg->type != PKT_LOGIN7) throw ProtocolError("expected a login");
        return answerLogin(*msg);
    }

    void answerPrelogin(const Packet& pk) {
        // Only checked for form: the answer does not depend on what the client offers.
        Reader r(pk.data);
        for (int i = 0; i < 32; ++i) {
            std::uint8_t option = r.u8();
            if (option == 0xFF) break;
            r.skip(4);
        }
        // VERSION, ENCRYPTION (not supported), INSTOPT, THREADID, MARS.
        const std::uint8_t options[] = {0, 1, 2, 3, 4};
        const std::uint16_t lengths[] = {6, 1, 1, 4, 1};
        Writer w;
        std::uint16_t offset = 5 * 5 + 1;
        for (int i = 0; i < 5; ++i) {
            w.u8(options[i]);
            w.u16be(offset);
            w.u16be(lengths[i]);
            offset = static_cast<std::uint16_t>(offset + lengths[i]);
        }
        w.u8(0xFF);
        w.u8(15); w.u8(0); w.u16be(2000); w.u16(0);  // 15.0.2000
        w.u8(2);                                      // ENCRYPT_NOT_SUP
        w.u8(0);                                      // instance name: none
        w.u32(0);                                     // thread id
        w.u8(0);                                      // no MARS
        Out out(*this);
        out.w = std::move(w);
        out.end();
    }

    bool answerLogin(const Packet& pk) {
        Reader r(pk.data);
        Login login;
        login.session = id_;
        r.u32();  // length
        login.tdsVersion = r.u32();
        std::uint32_t requestedPacket = r.u32();
        r.skip(4 + 4 + 4);  // client version, pid, connection id
        r.skip(4);          // option flags 1 and 2, type flags, option flags 3
        const std::uint8_t flags3 = pk.data.size() > 27 ? pk.data[27] : 0;
        r.skip(4 + 4);      // time zone, LCID
        auto field = [&](std::string& out) {
            std::uint16_t ib = r.u16(), cch = r.u16();
            out = Reader(pk.data).ucs2At(ib, cch);
        };
        field(login.hostName);
        field(login.user);
        std::uint16_t ibPassword = r.u16(), cchPassword = r.u16();
        field(login.appName);
        std::string serverName;
        field(serverName);
        r.skip(4);  // extension
        std::string library;
        field(library);
        field(login.language);
        field(login.database);
        if (ibPassword > pk.data.size() || std::size_t(cchPassword) * 2 > pk.data.size() - ibPassword)
            throw ProtocolError("password outside the login");
        std::vector<std::uint8_t> pw(pk.data.begin() + ibPassword, pk.data.begin() + ibPassword + cchPassword * 2);
        for (auto& b : pw) {
            b ^= 0xA5;
            b = static_cast<std::uint8_t>((b << 4) | (b >> 4));
        }
        login.password = Reader(pw).ucs2(cchPassword);

        // Versions 7.1 to 7.4; anything newer is answered as 7.4.
        std::uint32_t v = login.tdsVersion;
        if (v >= 0x74000000) v = 0x74000004;
        else if (v >= 0x73000000) v = (v == 0x730A0003 ? v : 0x730B0003);
        else if (v >= 0x72000000) v = 0x72090002;
        else v = 0x71000001;
        std::uint32_t highest;
        {
            std::lock_guard lock(st_->mu);
            highest = st_->highestVersion;
        }
        if (highest && v > highest) v = highest;
        tdsVersion_ = v;
        login.agreedVersion = v;

        if (login.database.empty()) login.database = "master";
        std::string user, password;
        std::uint32_t forcedPacket;
        {
            std::lock_guard lock(st_->mu);
            user = st_->user;
            password = st_->password;
            serverName_ = st_->serverName;
            forcedPacket = st_->packetSize;
        }
        const std::uint32_t asked = forcedPacket ? forcedPacket : requestedPacket ? requestedPacket : 4096;
        packetSize_ = std::clamp<std::uint32_t>(asked, 512, 32767);
        login.packetSize = static_cast<std::uint32_t>(packetSize_);
        Out out(*this);
        Writer& w = out.w;
        std::optional<std::string> db = st_->findDatabase(login.database);
        login.accepted = login.user == user && login.password == password && db.has_value();
        {
            std::lock_guard lock(st_->mu);
            st_->logins.push_back(login);
        }
        if (!login.accepted) {
            if (login.user == user && login.password == password) {
                message(w, {4060, "Cannot open database \"" + login.database + "\" requested by the login. The login failed.",
                            11, 1, "", 1});
            }
            message(w, {18456, "Login failed for user '" + login.user + "'.", 14, 1, "", 1});
            done(w, TOK_DONE, DONE_ERROR, 0, 0);
            out.end();
            return false;
        }

        database_ = *db;
        envchange(w, ENV_DATABASE, database_, "master");
        message(w, {5701, "Changed database context to '" + database_ + "'.", 0, 2, "", 1});
        envchangeBytes(w, ENV_COLLATION, kCollation, 5, nullptr, 0);
        envchange(w, ENV_LANGUAGE, "us_english", "");
        message(w, {5703, "Changed language setting to us_english.", 0, 1, "", 1});
        w.u8(TOK_LOGINACK);
        std::size_t at = w.size();
        w.u16(0);
        w.u8(1);  // T-SQL
        w.u32be(tdsVersion_);
        w.bVarchar("Microsoft SQL Server");
        w.u8(15); w.u8(0); w.u8(2000 >> 8); w.u8(2000 & 0xff);
        w.patchU16(at, static_cast<std::uint16_t>(w.size() - at - 2));
        envchange(w, ENV_PACKETSIZE, std::to_string(packetSize_), "4096");
        if (tdsVersion_ >= 0x74000000 && (flags3 & 0x10)) {
            // Feature extensions asked for: none taken.
            w.u8(TOK_FEATUREEXTACK);
            w.u8(0xFF);
        }
        done(w, TOK_DONE, DONE_FINAL, 0, 0);
        out.end();
        publishState();
        return true;
    }

    // -- requests ------------------------------------------------------------

    void serve() {
        for (;;) {
            std::optional<Packet> msg = readMessage(deadlineIn(st_->idleLimit));
            if (!msg) return;  // idle too long
            switch (msg->type) {
            case PKT_BATCH: answerBatch(*msg); break;
            case PKT_TRANSACTION: answerTransaction(*msg); break;
            case PKT_RPC: answerRpc(*msg); break;
            case PKT_ATTENTION: {
                // Nothing was running: acknowledge all the same.
                noteAttention();
                Out out(*this);
                done(out.w, TOK_DONE, DONE_ATTN, 0, 0);
                out.end();
                break;
            }
            default: throw ProtocolError("unknown request");
            }
        }
    }

    void skipAllHeaders(Reader& r) {
        if (!tds72()) return;
        std::uint32_t total = r.u32();
        if (total < 4) throw ProtocolError("bad header block");
        r.seek(total);
    }

    void record(Request::Kind kind, const std::string& text, bool fromDriver) {
        std::lock_guard lock(st_->mu);
        st_->requests.push_back({kind, text, id_, fromDriver, {}});
    }

    // Whether a batch is the driver's own housekeeping: the first request of
    // the session, written as FreeTDS writes it ("set textsize 65536 ").
    bool driverHousekeeping(const std::string& sql) {
        if (sawRequest_) return false;
        static const std::regex textSize(R"re(set textsize \d+ ?)re");
        return std::regex_match(sql, textSize);
    }

    // Below TDS 7.2 the driver ends transactions with batches: they are
    // recorded as the transaction requests they stand for from 7.2 on.
    static std::optional<std::pair<Request::Kind, const char*>> transactionBatch(const std::string& sql) {
        using K = Request::Kind;
        if (sql == "BEGIN TRANSACTION") return std::pair{K::BeginTransaction, "BEGIN TRANSACTION"};
        if (sql == "IF @@TRANCOUNT > 0 COMMIT BEGIN TRANSACTION")
            return std::pair{K::CommitTransaction, "COMMIT TRANSACTION"};
        if (sql == "IF @@TRANCOUNT > 0 ROLLBACK BEGIN TRANSACTION" || sql == "IF @@TRANCOUNT > 0 ROLLBACK")
            return std::pair{K::RollbackTransaction, "ROLLBACK TRANSACTION"};
        return std::nullopt;
    }

    void answerBatch(const Packet& pk) {
        Reader r(pk.data);
        skipAllHeaders(r);
        std::string sql = r.ucs2(r.left() / 2);
        bool fromDriver = driverHousekeeping(sql);
        if (!fromDriver) sawRequest_ = true;
        const auto tran = tds72() ? std::nullopt : transactionBatch(sql);
        if (tran)
            record(tran->first, tran->second, false);
        else
            record(Request::Kind::Batch, sql, fromDriver);
        // A procedure called by a batch answers as one called by RPC: its
        // statements end with DONEINPROC, then its return status and DONEPROC.
        answerStatement(sql, sql::procedureCall(sql), fromDriver);
    }

    // The reply to a batch, or to the statement a procedure call carries:
    // the script's, the server's own, or the failure of an unscripted one.
    void answerStatement(const std::string& sql, bool inProc, bool fromDriver = false) {
        if (auto reply = st_->lookup(sql)) return answer(sql, *reply, inProc);
        if (auto statements = sql::builtInBatch(sql)) return answerBuiltIn(*statements, inProc);
        std::shared_ptr<const Reply> def;
        if (fromDriver) {
            def = std::make_shared<const Reply>();
        } else {
            std::lock_guard lock(st_->mu);
            def = st_->defaultReply;
        }
        if (def) return answer(sql, *def, inProc);
        answer(sql, unscripted(sql), inProc, false);
    }

    Reply unscripted(const std::string& sql) const {
        std::string head = sql::normalize(sql);
        if (head.size() > 80) {
            std::size_t cut = 80;
            while (cut > 0 && (static_cast<unsigned char>(head[cut]) & 0xC0) == 0x80) --cut;  // whole characters
            head = head.substr(0, cut) + "...";
        }
        return Reply::error(kUnscripted, serverName_ + " has no reply scripted for: " + head);
    }

    // A batch of statements the server understands by itself.
    void answerBuiltIn(const std::vector<sql::BuiltIn>& statements, bool inProc) {
        Out out(*this);
        Writer& w = out.w;
        const std::uint8_t doneToken = inProc ? TOK_DONEINPROC : TOK_DONE;
        bool anyError = false;
        for (std::size_t i = 0; i < statements.size(); ++i) {
            const sql::BuiltIn& b = statements[i];
            const std::uint16_t more = (i + 1 == statements.size() && !inProc) ? 0 : DONE_MORE;
            bool failed = false;
            switch (b.kind) {
            case sql::BuiltIn::Kind::Use:
                if (std::optional<Message> refused = useDatabase(w, b.database)) {
                    message(w, *refused);
                    failed = true;
                }
                break;
            case sql::BuiltIn::Kind::Begin: beginTransaction(w); break;
            case sql::BuiltIn::Kind::TextSize: setTextSize(b.value); break;
            case sql::BuiltIn::Kind::XactAbort: xactAbort_ = b.value != 0; break;
            case sql::BuiltIn::Kind::Commit:
            case sql::BuiltIn::Kind::Rollback: {
                const bool commit = b.kind == sql::BuiltIn::Kind::Commit;
                if (!endTransaction(w, commit) && !b.guarded) {
                    message(w, noTransaction(commit));
                    failed = true;
                }
                break;
            }
            case sql::BuiltIn::Kind::TranCount: {
                ResultSet rs;
                rs.columns = {{"", Type::Int, 0, 18, 0, false}};
                rs.rows = {{tranCount_}};
                long long sent = 0;
                sendRows(out, rs, sent);
                done(w, doneToken, DONE_COUNT | more, sql::cmd::Select, sent);
                continue;
            }
            }
            anyError = anyError || failed;
            done(w, doneToken, (failed ? DONE_ERROR : 0) | more, 0, 0);
        }
        if (inProc) finishProc(w, anyError);
        out.end();
    }

    // Ends the reply to a procedure call.
    void finishProc(Writer& w, bool error) {
        w.u8(TOK_RETURNSTATUS);
        w.u32(0);
        if (returnHandle_) {
            // The handle of the prepared statement, as the output parameter
            // the call began with.
            returnHandle_ = false;
            w.u8(TOK_RETURNVALUE);
            w.u16(0);
            w.bVarchar("");
            w.u8(0x01);
            if (tds72())
                w.u32(0);
            else
                w.u16(0);
            w.u16(0x0009);
            w.u8(0x26);
            w.u8(4);
            w.u8(4);
            w.u32(static_cast<std::uint32_t>(handle_));
        }
        done(w, TOK_DONEPROC, error ? DONE_ERROR : DONE_FINAL, 0, 0);
    }

    // A cancel arrived: the interrupted reply ends where it stopped (with a
    // DONE when nothing of it was sent yet: a reply is never left out), and
    // the acknowledgement follows in a message of its own.
    void acknowledgeCancel(Out& interrupted) {
        returnHandle_ = false;
        if (!interrupted.started()) done(interrupted.w, TOK_DONE, DONE_FINAL, 0, 0);
        interrupted.end();
        Out ack(*this);
        done(ack.w, TOK_DONE, DONE_ATTN, 0, 0);
        ack.end();
    }

    // A scripted reply (or the failure of an unscripted statement, with
    // `scripted` false: nothing of that batch is taken as run).
    void answer(const std::string& sql, const Reply& reply, bool inProc, bool scripted = true) {
        if (reply.action() == Reply::Action::DropConnection) throw DropRequested{};
        // As on SQL Server, a USE of a database that does not exist fails the
        // whole batch before any of it runs.
        if (scripted)
            for (const sql::BuiltIn& t : sql::sessionStatements(sql))
                if (t.kind == sql::BuiltIn::Kind::Use && !st_->findDatabase(t.database))
                    return answer(sql, Reply::message(noDatabase(t.database)), inProc, false);
        const std::uint8_t doneToken = inProc ? TOK_DONEINPROC : TOK_DONE;
        Out out(*this);
        Writer& w = out.w;
        // The error that fails the batch, if the script sends one.
        const Message* failure = nullptr;
        for (const Reply::Item& item : reply.items()) {
            const Message* m = std::get_if<Message>(&item.what);
            if (auto rs = std::get_if<ResultSet>(&item.what); rs && rs->error) m = &*rs->error;
            if (m && m->cls > 10) {
                failure = m;
                break;
            }
        }
        bool anyError = false;
        bool rollsBack = false;  // the failure rolls the transaction back
        std::vector<Reply::Item> unmatched;  // 3902 / 3903, sent after the script's items
        if (scripted) {
            // The batch's own USE, BEGIN TRAN, COMMIT, ROLLBACK, SET TEXTSIZE
            // and SET XACT_ABORT, taken before the reply. As on SQL Server, an
            // error under XACT_ABORT ON (or a deadlock) ends the batch and
            // rolls its transaction back; a conversion error ends the batch
            // too, leaving the transaction open: the batch's COMMIT or
            // ROLLBACK then does not run (it stands after the failing
            // statement). Otherwise a COMMIT or ROLLBACK with none open fails.
            const std::vector<sql::BuiltIn> session = sql::sessionStatements(sql);
            for (const sql::BuiltIn& t : session)
                if (t.kind == sql::BuiltIn::Kind::XactAbort) xactAbort_ = t.value != 0;
            rollsBack = failure && (xactAbort_ || failure->number == 1205);
            const bool aborts = rollsBack || (failure && (failure->number == 245 || failure->number == 8114));
            for (const sql::BuiltIn& t : session) {
                if (t.kind == sql::BuiltIn::Kind::TextSize) {
                    setTextSize(t.value);
                } else if (t.kind == sql::BuiltIn::Kind::Begin) {
                    beginTransaction(w);
                } else if (t.kind == sql::BuiltIn::Kind::Use) {
                    useDatabase(w, t.database);
                } else if (t.kind != sql::BuiltIn::Kind::XactAbort && !aborts) {  // Commit or Rollback
                    const bool commit = t.kind == sql::BuiltIn::Kind::Commit;
                    if (!endTransaction(w, commit) && !t.guarded) unmatched.push_back({noTransaction(commit)});
                }
            }
        }
        auto failed = [&] {
            anyError = true;
            if (rollsBack) endTransaction(w, false, true);
        };
        const std::vector<std::uint16_t> commands = sql::statementCommands(sql);
        const std::uint16_t firstCommand = commands.empty() ? sql::cmd::None : commands.front();
        std::size_t nextCommand = 0;
        auto rowCountCommand = [&] {
            while (nextCommand < commands.size()) {
                const std::uint16_t c = commands[nextCommand++];
                if (c == sql::cmd::Insert || c == sql::cmd::Update || c == sql::cmd::Delete) return c;
            }
            return firstCommand;
        };

        const bool hang = reply.action() == Reply::Action::HangUntilCancelled;
        std::vector<Reply::Item> withUnmatched;
        if (!unmatched.empty()) {
            withUnmatched = reply.items();
            withUnmatched.insert(withUnmatched.end(), unmatched.begin(), unmatched.end());
        }
        const auto& items = unmatched.empty() ? reply.items() : withUnmatched;
        bool pendingError = false;
        bool open = false;  // the statement hangs inside its last result
        long long openRows = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const bool last = i + 1 == items.size();
            const std::uint16_t more = (last && !inProc && !hang) ? 0 : DONE_MORE;
            if (auto msg = std::get_if<Message>(&items[i].what)) {
                message(w, *msg);
                if (msg->cls > 10) {
                    pendingError = true;
                    failed();
                }
                out.flushFull();
                continue;
            }
            if (pendingError) {
                done(w, doneToken, DONE_ERROR | DONE_MORE, firstCommand, 0);
                pendingError = false;
            }
            if (auto count = std::get_if<long long>(&items[i].what)) {
                done(w, doneToken, DONE_COUNT | more, rowCountCommand(), *count);
                continue;
            }
            const ResultSet& rs = std::get<ResultSet>(items[i].what);
            long long sent = 0;
            if (!sendRows(out, rs, sent)) return acknowledgeCancel(out);
            if (hang && last && !(rs.error && rs.error->cls > 10)) {
                open = true;
                openRows = sent;
                break;
            }
            if (rs.error && rs.error->cls > 10) {
                // The statement failed among its rows: no count.
                message(w, *rs.error);
                failed();
                done(w, doneToken, DONE_ERROR | more, sql::cmd::Select, 0);
            } else {
                done(w, doneToken, DONE_COUNT | more, sql::cmd::Select, sent);
            }
        }
        if (!open && (items.empty() ? !hang : std::holds_alternative<Message>(items.back().what)))
            done(w, doneToken, (pendingError ? DONE_ERROR : 0) | (inProc || hang ? DONE_MORE : 0), firstCommand, 0);

        if (hang) {
            // Nothing more is sent, nor flushed, until the client cancels.
            std::optional<Packet> pk = readMessage(deadlineIn(st_->hangLimit));
            if (pk && pk->type != PKT_ATTENTION) throw ProtocolError("request received while one was running");
            if (pk) {
                noteAttention();
                return acknowledgeCancel(out);
            }
            // No cancel came: the statement ends.
            const std::uint16_t more = inProc ? DONE_MORE : 0;
            if (open)
                done(w, doneToken, DONE_COUNT | more, sql::cmd::Select, openRows);
            else
                done(w, doneToken, more, firstCommand, 0);
        }
        if (inProc) finishProc(w, anyError);
        out.end();
    }

    // -- result sets ---------------------------------------------------------

    ColumnPlan planOf(const Column& c, const ResultSet& rs) const {
        ColumnPlan p;
        p.column = &c;
        auto fixedOrN = [&](std::uint8_t fixed, std::uint8_t n, std::uint32_t bytes) {
            p.token = c.nullable ? n : fixed;
            p.form = c.nullable ? ColumnPlan::Form::ByteLen : ColumnPlan::Form::Fixed;
            p.length = bytes;
        };
        // The longest value of a column, in bytes (0 for generated rows).
        auto longest = [&] {
            std::size_t most = 0;
            const std::size_t col = static_cast<std::size_t>(&c - rs.columns.data());
            if (!rs.generator)
                for (const Row& row : rs.rows)
                    if (col < row.size() && !row[col].isNull()) most = std::max(most, textBytes(c.type, row[col]).size());
            return most;
        };
        auto textOrImage = [&](Type t) {
            p.form = ColumnPlan::Form::TextPtr;
            p.token = t == Type::NText ? 0x63 : t == Type::Text ? 0x23 : 0x22;
            p.length = t == Type::NText ? 0x7FFFFFFE : 0x7FFFFFFF;
        };
        switch (c.type) {
        case Type::Int: fixedOrN(0x38, 0x26, 4); break;
        case Type::SmallInt: fixedOrN(0x34, 0x26, 2); break;
        case Type::TinyInt: fixedOrN(0x30, 0x26, 1); break;
        case Type::BigInt: fixedOrN(0x7F, 0x26, 8); break;
        case Type::Bit: fixedOrN(0x32, 0x68, 1); break;
        case Type::Float: fixedOrN(0x3E, 0x6D, 8); break;
        case Type::Real: fixedOrN(0x3B, 0x6D, 4); break;
        case Type::Money: fixedOrN(0x3C, 0x6E, 8); break;
        case Type::SmallMoney: fixedOrN(0x7A, 0x6E, 4); break;
        case Type::DateTime: fixedOrN(0x3D, 0x6F, 8); break;
        case Type::SmallDateTime: fixedOrN(0x3A, 0x6F, 4); break;
        case Type::Decimal:
            p.token = 0x6A;
            p.form = ColumnPlan::Form::ByteLen;
            p.length = static_cast<std::uint32_t>(decimalLength(c.precision));
            break;
        case Type::UniqueIdentifier:
            p.token = 0x24;
            p.form = ColumnPlan::Form::ByteLen;
            p.length = 16;
            break;
        case Type::Char:
        case Type::NChar:
        case Type::Binary: {
            const std::uint32_t unit = c.type == Type::NChar ? 2 : 1;
            std::uint32_t bytes = static_cast<std::uint32_t>(c.size) * unit;
            if (c.size <= 0) {
                if (rs.generator) throw std::invalid_argument("column " + c.name + ": (n)char and binary need a size");
                bytes = std::max<std::uint32_t>(static_cast<std::uint32_t>(longest()), unit);
            }
            if (bytes > 8000) throw std::invalid_argument("column " + c.name + ": longer than 8000 bytes");
            p.token = c.type == Type::Char ? 0xAF : c.type == Type::NChar ? 0xEF : 0xAD;
            p.form = ColumnPlan::Form::ShortLen;
            p.length = bytes;
            break;
        }
        case Type::NVarChar:
        case Type::VarChar:
        case Type::VarBinary: {
            const int unit = c.type == Type::NVarChar ? 2 : 1;
            const int limit = 8000 / unit;
            int chars = c.size;
            if (chars == 0) chars = longest() > std::size_t(8000) ? -1 : limit;
            if (chars > limit) throw std::invalid_argument("column " + c.name + ": longer than 8000 bytes; -1 is max");
            p.token = c.type == Type::NVarChar ? 0xE7 : c.type == Type::VarChar ? 0xA7 : 0xA5;
            if (chars > 0) {
                p.form = ColumnPlan::Form::ShortLen;
                p.length = static_cast<std::uint32_t>(chars * unit);
            } else if (tds72()) {
                p.form = ColumnPlan::Form::Plp;
                p.length = 0xFFFF;
            } else {
                // Below TDS 7.2 there are no max types: SQL Server sends them as text.
                textOrImage(c.type == Type::NVarChar ? Type::NText : c.type == Type::VarChar ? Type::Text : Type::Image);
            }
            break;
        }
        case Type::Text:
        case Type::NText:
        case Type::Image: textOrImage(c.type); break;
        case Type::Variant:
            p.token = 0x62;
            p.form = ColumnPlan::Form::Variant;
            p.length = 8009;
            break;
        }
        return p;
    }

    void colmetadata(Writer& w, const std::vector<ColumnPlan>& plans) {
        w.u8(TOK_COLMETADATA);
        w.u16(static_cast<std::uint16_t>(plans.size()));
        for (const ColumnPlan& p : plans) {
            const Column& c = *p.column;
            if (tds72())
                w.u32(0);
            else
                w.u16(0);
            w.u16(c.nullable ? 0x0009 : 0x0008);
            w.u8(p.token);
            switch (p.form) {
            case ColumnPlan::Form::Fixed: break;
            case ColumnPlan::Form::ByteLen:
                w.u8(static_cast<std::uint8_t>(p.length));
                if (c.type == Type::Decimal) {
                    w.u8(static_cast<std::uint8_t>(c.precision));
                    w.u8(static_cast<std::uint8_t>(c.scale));
                }
                break;
            case ColumnPlan::Form::ShortLen:
            case ColumnPlan::Form::Plp:
                w.u16(static_cast<std::uint16_t>(p.length));
                if (hasCollation(p.token)) w.bytes(kCollation, 5);
                break;
            case ColumnPlan::Form::TextPtr:
                w.u32(p.length);
                if (hasCollation(p.token)) w.bytes(kCollation, 5);
                // The table the column comes from: none.
                if (tds72())
                    w.u8(0);
                else
                    w.u16(0);
                break;
            case ColumnPlan::Form::Variant: w.u32(p.length); break;
            }
            w.bVarchar(c.name);
        }
    }

    // The bytes of a value of a type other than character and binary.
    static std::string scalarBytes(const Column& c, const Value& v) {
        std::string b;
        switch (c.type) {
        case Type::Int: littleEndian(b, static_cast<std::uint64_t>(v.toInt()), 4); break;
        case Type::SmallInt: littleEndian(b, static_cast<std::uint64_t>(v.toInt()), 2); break;
        case Type::TinyInt: littleEndian(b, static_cast<std::uint64_t>(v.toInt()), 1); break;
        case Type::BigInt: littleEndian(b, static_cast<std::uint64_t>(v.toInt()), 8); break;
        case Type::Bit: b.push_back(v.toBool() ? 1 : 0); break;
        case Type::Float: {
            double d = v.toDouble();
            std::uint64_t bits;
            std::memcpy(&bits, &d, 8);
            littleEndian(b, bits, 8);
            break;
        }
        case Type::Real: {
            float f = static_cast<float>(v.toDouble());
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            littleEndian(b, bits, 4);
            break;
        }
        case Type::Money: {
            // The high four bytes first.
            const std::uint64_t units = static_cast<std::uint64_t>(moneyUnits(v));
            littleEndian(b, units >> 32, 4);
            littleEndian(b, units & 0xFFFFFFFFu, 4);
            break;
        }
        case Type::SmallMoney: littleEndian(b, static_cast<std::uint64_t>(moneyUnits(v)), 4); break;
        case Type::DateTime: {
            std::int32_t days;
            std::uint32_t ticks;
            parseDateTime(v.toText(), days, ticks);
            littleEndian(b, static_cast<std::uint32_t>(days), 4);
            littleEndian(b, ticks, 4);
            break;
        }
        case Type::SmallDateTime: {
            // Days since 1900 and minutes since midnight, to the nearest minute.
            std::int32_t days;
            std::uint32_t ticks;
            parseDateTime(v.toText(), days, ticks);
            std::uint32_t minutes = (ticks + 300 * 30) / (300 * 60);  // 29.998 s down, 29.999 s up
            if (minutes >= 24 * 60) {
                minutes -= 24 * 60;
                ++days;
            }
            if (days < 0 || days > 0xFFFF) throw std::invalid_argument("out of the range of smalldatetime: " + v.toText());
            littleEndian(b, static_cast<std::uint32_t>(days), 2);
            littleEndian(b, minutes, 2);
            break;
        }
        case Type::Decimal: {
            const int len = decimalLength(c.precision);
            bool negative;
            unsigned __int128 mag;
            parseDecimal(v.toText(), c.scale, negative, mag);
            b.push_back(negative ? 0 : 1);
            for (int i = 0; i < len - 1; ++i) b.push_back(static_cast<char>(static_cast<std::uint8_t>(mag >> (8 * i))));
            break;
        }
        case Type::UniqueIdentifier: {
            std::uint8_t g[16];
            if (!parseGuid(v.toText(), g)) throw std::invalid_argument("not a GUID: " + v.toText());
            b.assign(reinterpret_cast<const char*>(g), 16);
            break;
        }
        default: break;
        }
        return b;
    }

    // A sql_variant value: its base type, the properties of that type and
    // the value, after the four-byte length of the three.
    void variant(Writer& w, const Value& v) {
        std::uint8_t base = 0;
        std::string props, data;
        switch (v.kind()) {
        case Value::Kind::Int: {
            const long long i = v.toInt();
            const bool small = i >= INT32_MIN && i <= INT32_MAX;
            base = small ? 0x38 : 0x7F;
            littleEndian(data, static_cast<std::uint64_t>(i), small ? 4 : 8);
            break;
        }
        case Value::Kind::Double: base = 0x3E; data = scalarBytes({"", Type::Float}, v); break;
        case Value::Kind::Bool: base = 0x32; data.push_back(v.toBool() ? 1 : 0); break;
        default: {
            base = 0xE7;
            data = utf16Bytes(v.toText());
            if (data.size() > 8000) throw std::invalid_argument("a sql_variant holds 8000 bytes at most");
            props.assign(reinterpret_cast<const char*>(kCollation), 5);
            littleEndian(props, data.size() <= 256 ? 256 : 8000, 2);  // nvarchar(128) or nvarchar(4000)
            break;
        }
        }
        w.u32(static_cast<std::uint32_t>(2 + props.size() + data.size()));
        w.u8(base);
        w.u8(static_cast<std::uint8_t>(props.size()));
        w.bytes(props);
        w.bytes(data);
    }

    void value(Writer& w, const ColumnPlan& p, const Value& v) {
        const Column& c = *p.column;
        using Form = ColumnPlan::Form;
        if (v.isNull()) {
            switch (p.form) {
            case Form::Fixed: throw std::invalid_argument("NULL in the NOT NULL column " + c.name);
            case Form::ByteLen: w.u8(0); break;
            case Form::ShortLen: w.u16(0xFFFF); break;
            case Form::Plp: w.u64(~0ULL); break;
            case Form::TextPtr: w.u8(0); break;
            case Form::Variant: w.u32(0); break;
            }
            return;
        }
        if (p.form == Form::Variant) return variant(w, v);
        if (!isCharacterOrBinary(c.type)) {
            const std::string b = scalarBytes(c, v);
            if (p.form == Form::ByteLen) w.u8(static_cast<std::uint8_t>(b.size()));
            w.bytes(b);
            return;
        }
        std::string b = textBytes(c.type, v);
        if ((p.form == Form::Plp || p.form == Form::TextPtr) && b.size() > textSize_) {
            const bool utf16 = c.type == Type::NVarChar || c.type == Type::NText;
            b.resize(utf16 ? textSize_ & ~std::size_t(1) : textSize_);
        }
        switch (p.form) {
        case Form::ShortLen:
            if (b.size() > p.length)
                throw std::invalid_argument("a value longer than its column " + c.name + ": " + v.toText().substr(0, 40));
            // Fixed-length types are padded: blanks, or zeros for binary.
            if (c.type == Type::Char) b.resize(p.length, ' ');
            if (c.type == Type::NChar)
                for (std::size_t k = b.size(); k < p.length; k += 2) b += std::string(" \0", 2);
            if (c.type == Type::Binary) b.resize(p.length, '\0');
            w.u16(static_cast<std::uint16_t>(b.size()));
            w.bytes(b);
            break;
        case Form::Plp:
            w.u64(b.size());
            if (!b.empty()) {
                w.u32(static_cast<std::uint32_t>(b.size()));
                w.bytes(b);
            }
            w.u32(0);
            break;
        case Form::TextPtr: {
            static const std::uint8_t textPointer[16] = {0x54, 0x6F, 0x6C, 0x76, 0x65, 0x6B, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1};
            w.u8(16);
            w.bytes(textPointer, 16);
            w.u64(0);  // time stamp
            w.u32(static_cast<std::uint32_t>(b.size()));
            w.bytes(b);
            break;
        }
        default: break;
        }
    }

    // Sends a result's metadata and rows, up to its error if it has one;
    // false when the client cancelled.
    bool sendRows(Out& out, const ResultSet& rs, long long& sent) {
        std::vector<ColumnPlan> plans;
        for (const Column& c : rs.columns) plans.push_back(planOf(c, rs));
        colmetadata(out.w, plans);
        std::size_t count = rs.generator ? rs.generatedRows : rs.rows.size();
        // An error ends the result; a warning (class 10 or less) goes out
        // among the rows, which go on after it.
        const Message* warning = rs.error && rs.error->cls <= 10 ? &*rs.error : nullptr;
        if (rs.error && !warning) count = std::min(count, rs.errorAfterRow);
        if (rs.encoded) return sendEncodedRows(out, rs, plans, count, sent);
        Row scratch;
        for (std::size_t i = 0; i <= count; ++i) {
            if (warning && i == std::min(rs.errorAfterRow, count)) message(out.w, *warning);
            if (i == count) break;
            const Row* row = &scratch;
            if (rs.generator) {
                scratch.assign(plans.size(), Value());
                rs.generator(i, scratch);
            } else {
                row = &rs.rows[i];
            }
            out.w.u8(TOK_ROW);
            for (std::size_t c = 0; c < plans.size(); ++c) value(out.w, plans[c], c < row->size() ? (*row)[c] : Value());
            ++sent;
            if (out.w.size() > packetSize_) {
                out.flushFull();
                if (attentionArrived()) return false;
            }
        }
        return true;
    }

    // The rows of an encodeOnce result: encoded on its first send for this
    // TDS version and text size, then copied out a few packets at a time.
    bool sendEncodedRows(Out& out, const ResultSet& rs, const std::vector<ColumnPlan>& plans, std::size_t count,
                         long long& sent) {
        std::shared_ptr<const std::vector<std::uint8_t>> bytes;
        {
            std::lock_guard<std::mutex> lock(rs.encoded->mutex);
            auto& kept = rs.encoded->bytes[{tdsVersion_, count, textSize_}];
            if (!kept) {
                Writer w;
                Row scratch;
                for (std::size_t i = 0; i < count; ++i) {
                    const Row* row = &scratch;
                    if (rs.generator) {
                        scratch.assign(plans.size(), Value());
                        rs.generator(i, scratch);
                    } else {
                        row = &rs.rows[i];
                    }
                    w.u8(TOK_ROW);
                    for (std::size_t c = 0; c < plans.size(); ++c)
                        value(w, plans[c], c < row->size() ? (*row)[c] : Value());
                }
                kept = std::make_shared<const std::vector<std::uint8_t>>(std::move(w.buf));
                std::lock_guard stateLock(st_->mu);
                st_->encodings++;
            }
            bytes = kept;
        }
        const std::size_t chunk = packetSize_ * 8;
        for (std::size_t at = 0; at < bytes->size(); at += chunk) {
            out.w.bytes(bytes->data() + at, std::min(chunk, bytes->size() - at));
            out.flushFull();
            if (attentionArrived()) return false;
        }
        sent = static_cast<long long>(count);
        return true;
    }

    // Transaction manager requests: begin, commit and rollback.
    void answerTransaction(const Packet& pk) {
        Reader r(pk.data);
        skipAllHeaders(r);
        const std::uint16_t type = r.u16();
        Out out(*this);
        Writer& w = out.w;
        sawRequest_ = true;
        switch (type) {
        case 5:  // begin
            record(Request::Kind::BeginTransaction, "BEGIN TRANSACTION", false);
            if (tranCount_ == 0) beginTransaction(w);
            break;
        case 7:    // commit
        case 8: {  // rollback
            const bool commit = type == 7;
            record(commit ? Request::Kind::CommitTransaction : Request::Kind::RollbackTransaction,
                   commit ? "COMMIT TRANSACTION" : "ROLLBACK TRANSACTION", false);
            std::uint8_t flags = 0;
            if (r.left()) r.bVarchar();  // transaction name
            if (r.left()) flags = r.u8();
            endTransaction(w, commit, true);
            if (flags & 0x01) beginTransaction(w);  // and begin a new one
            break;
        }
        default:
            record(Request::Kind::Rpc, "transaction request " + std::to_string(type), false);
            break;
        }
        done(w, TOK_DONE, DONE_FINAL, 0, 0);
        out.end();
    }

    // Remote procedure calls. The driver calls sp_executesql, sp_prepexec,
    // sp_prepare / sp_execute / sp_unprepare for statements with bound
    // parameters: each is recorded and answered as the statement it carries
    // (preparing and unpreparing count as the driver's own requests). Other
    // procedures get the reply scripted for "EXEC <name>".
    void answerRpc(const Packet& pk) {
        Reader r(pk.data);
        skipAllHeaders(r);
        std::string proc;
        const std::uint16_t nameLen = r.u16();
        int procId = 0;
        if (nameLen == 0xFFFF)
            procId = r.u16();
        else
            proc = r.ucs2(nameLen);
        r.u16();  // option flags
        std::vector<wire::RpcParam> params;
        while (r.left() > 0) {
            const std::uint8_t next = pk.data[r.pos()];
            if (next == 0x80 || next == 0xFF || next == 0xFE) break;  // another call follows
            params.push_back(wire::readRpcParam(r, tds72()));
        }
        static const char* const known[] = {"",
                                            "sp_cursor",
                                            "sp_cursoropen",
                                            "sp_cursorprepare",
                                            "sp_cursorexecute",
                                            "sp_cursorprepexec",
                                            "sp_cursorunprepare",
                                            "sp_cursorfetch",
                                            "sp_cursoroption",
                                            "sp_cursorclose",
                                            "sp_executesql",
                                            "sp_prepare",
                                            "sp_execute",
                                            "sp_prepexec",
                                            "sp_prepexecrpc",
                                            "sp_unprepare"};
        if (proc.empty() && procId > 0 && procId < 16) proc = known[procId];
        const std::string name = lower(proc);
        auto text = [&](std::size_t i) { return i < params.size() ? params[i].value.value_or("") : std::string(); };
        auto valuesFrom = [&](std::size_t first) {
            std::vector<std::optional<std::string>> v;
            for (std::size_t i = first; i < params.size(); ++i) v.push_back(params[i].value);
            return v;
        };
        sawRequest_ = true;
        Out out(*this);
        if (name == "sp_prepare" || name == "sp_unprepare") {
            if (name == "sp_prepare") {
                handle_ = nextHandle_++;
                prepared_[handle_] = text(2);
                record(Request::Kind::Rpc, text(2), true);
                returnHandle_ = true;
            } else {
                const long long h = std::atoll(text(0).c_str());
                record(Request::Kind::Rpc, prepared_.count(h) ? prepared_[h] : "EXEC sp_unprepare", true);
                prepared_.erase(h);
            }
            finishProc(out.w, false);
            out.end();
            return;
        }
        std::string sql;
        std::vector<std::optional<std::string>> values;
        if (name == "sp_executesql") {
            sql = text(0);
            values = valuesFrom(2);
        } else if (name == "sp_prepexec") {
            sql = text(2);
            values = valuesFrom(3);
            handle_ = nextHandle_++;
            prepared_[handle_] = sql;
            returnHandle_ = true;
        } else if (name == "sp_execute") {
            const long long h = std::atoll(text(0).c_str());
            auto it = prepared_.find(h);
            if (it == prepared_.end()) throw ProtocolError("execution of an unknown prepared statement");
            sql = it->second;
            values = valuesFrom(1);
        } else {
            sql = "EXEC " + proc;
            values = valuesFrom(0);
        }
        {
            std::lock_guard lock(st_->mu);
            Request req{Request::Kind::Rpc, sql, id_, false, {}};
            req.parameters = std::move(values);
            st_->requests.push_back(std::move(req));
        }
        answerStatement(sql, true);
    }

    std::shared_ptr<TdsServer::State> st_;
    int fd_;
    int id_;
    std::uint32_t tdsVersion_ = 0x74000004;
    std::size_t packetSize_ = 4096;
    std::string database_ = "master";
    std::string serverName_ = "TDSTEST";
    // The session's TEXTSIZE: text, ntext, image and the max types are cut
    // to it, in bytes, as SQL Server cuts them.
    static constexpr std::size_t kDefaultTextSize = 4096;
    std::size_t textSize_ = kDefaultTextSize;
    bool xactAbort_ = false;  // SET XACT_ABORT
    std::uint64_t tran_ = 0;  // the descriptor of the open transaction
    int tranCount_ = 0;       // @@TRANCOUNT
    std::uint64_t nextTran_ = 1;
    bool sawRequest_ = false;
    std::map<long long, std::string> prepared_;  // statements of the session's prepared handles
    long long nextHandle_ = 1;
    long long handle_ = 0;
    bool returnHandle_ = false;  // the procedure's reply ends with the handle
};

}  // namespace

// ---------------------------------------------------------------------------
// The server

TdsServer::TdsServer() : state_(std::make_shared<State>()) {}

TdsServer::~TdsServer() { stop(); }

void TdsServer::start() {
    State& st = *state_;
    if (st.listenFd >= 0) return;
    st.hangLimit = hangLimit;
    st.idleLimit = sessionIdleLimit;
    st.endOfLife = Clock::now() + lifetimeLimit;
    st.stopping = false;

    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket: " + std::string(std::strerror(errno)));
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 || ::listen(fd, 16) < 0) {
        int e = errno;
        ::close(fd);
        throw std::runtime_error("bind/listen: " + std::string(std::strerror(e)));
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    st.port = ntohs(addr.sin_port);
    st.listenFd = fd;
    st.wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (st.wakeFd < 0) {
        ::close(fd);
        st.listenFd = -1;
        throw std::runtime_error("eventfd: " + std::string(std::strerror(errno)));
    }

    std::shared_ptr<State> shared = state_;
    st.acceptor = std::thread([shared] {
        State& s = *shared;
        // Bounded: ends at stop() or when the server's lifetime is over.
        while (!s.stopping && Clock::now() < s.endOfLife) {
            pollfd p[2] = {{s.listenFd, POLLIN, 0}, {s.wakeFd, POLLIN, 0}};
            int r = ::poll(p, 2, 1000);
            if (r <= 0 || p[1].revents) continue;
            int client = ::accept4(s.listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            int nodelay = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &nodelay, sizeof nodelay);
            int id;
            {
                std::lock_guard lock(s.mu);
                id = ++s.sessions;
            }
            std::lock_guard lock(s.threadsMu);
            s.sessionThreads.emplace_back([shared, client, id] { Session(shared, client, id).run(); });
        }
    });
}

void TdsServer::stop() {
    State& st = *state_;
    if (st.listenFd < 0) return;
    st.stopping = true;
    std::uint64_t one = 1;
    [[maybe_unused]] auto ignored = ::write(st.wakeFd, &one, sizeof one);
    if (st.acceptor.joinable()) st.acceptor.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(st.threadsMu);
        threads.swap(st.sessionThreads);
    }
    for (auto& t : threads) t.join();
    ::close(st.listenFd);
    ::close(st.wakeFd);
    st.listenFd = st.wakeFd = -1;
}

std::uint16_t TdsServer::port() const { return state_->port; }

std::string TdsServer::odbcConnectionString(const std::string& database, const std::string& tdsVersion) const {
    std::lock_guard lock(state_->mu);
    return "DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=" + std::to_string(state_->port) + ";UID=" + state_->user +
           ";PWD={" + state_->password + "};DATABASE=" + database +
           (tdsVersion.empty() ? std::string() : ";TDS_Version=" + tdsVersion) + ";ClientCharset=UTF-8;";
}

void TdsServer::acceptLogin(std::string user, std::string password) {
    std::lock_guard lock(state_->mu);
    state_->user = std::move(user);
    state_->password = std::move(password);
}

void TdsServer::setDatabases(std::vector<std::string> names) {
    std::lock_guard lock(state_->mu);
    state_->databases = std::move(names);
}

void TdsServer::setServerName(std::string name) {
    std::lock_guard lock(state_->mu);
    state_->serverName = std::move(name);
}

void TdsServer::setPacketSize(std::uint32_t bytes) {
    std::lock_guard lock(state_->mu);
    state_->packetSize = bytes;
}

void TdsServer::setHighestTdsVersion(std::uint32_t version) {
    std::lock_guard lock(state_->mu);
    state_->highestVersion = version;
}

void TdsServer::on(std::string sql, Reply reply) {
    std::lock_guard lock(state_->mu);
    state_->rules.push_back({sql::normalize(sql), std::nullopt, std::make_shared<const Reply>(std::move(reply))});
}

void TdsServer::on(std::regex pattern, Reply reply) {
    std::lock_guard lock(state_->mu);
    state_->rules.push_back({"", std::move(pattern), std::make_shared<const Reply>(std::move(reply))});
}

void TdsServer::setDefaultReply(Reply reply) {
    std::lock_guard lock(state_->mu);
    state_->defaultReply = std::make_shared<const Reply>(std::move(reply));
}

void TdsServer::clearScript() {
    std::lock_guard lock(state_->mu);
    state_->rules.clear();
    state_->defaultReply = nullptr;
}

std::vector<std::string> TdsServer::statements() const {
    std::lock_guard lock(state_->mu);
    std::vector<std::string> out;
    for (const Request& r : state_->requests)
        if (!r.fromDriver && r.kind != Request::Kind::Attention) out.push_back(r.text);
    return out;
}

std::vector<Request> TdsServer::requests() const {
    std::lock_guard lock(state_->mu);
    return state_->requests;
}

std::vector<Login> TdsServer::logins() const {
    std::lock_guard lock(state_->mu);
    return state_->logins;
}

void TdsServer::clearRecord() {
    std::lock_guard lock(state_->mu);
    state_->requests.clear();
    state_->logins.clear();
    state_->cancels = 0;
}

std::string TdsServer::currentDatabase() const {
    std::lock_guard lock(state_->mu);
    return state_->currentDatabase;
}

bool TdsServer::inTransaction() const {
    std::lock_guard lock(state_->mu);
    return state_->tranCount > 0;
}

int TdsServer::tranCount() const {
    std::lock_guard lock(state_->mu);
    return state_->tranCount;
}

int TdsServer::cancelCount() const {
    std::lock_guard lock(state_->mu);
    return state_->cancels;
}

int TdsServer::encodingCount() const {
    std::lock_guard lock(state_->mu);
    return state_->encodings;
}

}  // namespace tdstest
