#include "tdsserver.h"

#include "tdsparams.h"
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
Reply& Reply::thenRows(ResultSet rs) {
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

// ---------------------------------------------------------------------------
// Shared state

namespace {

std::string normalizeSql(std::string_view s) {
    std::string out;
    bool space = false;
    for (char c : s) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = true;
            continue;
        }
        if (space && !out.empty()) out.push_back(' ');
        space = false;
        out.push_back(c);
    }
    while (!out.empty() && (out.back() == ';' || out.back() == ' ')) out.pop_back();
    return out;
}

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
    std::vector<Rule> rules;
    std::shared_ptr<const Reply> defaultReply = std::make_shared<Reply>();
    // Record.
    std::vector<Request> requests;
    std::vector<Login> logins;
    std::string currentDatabase = "master";
    bool inTransaction = false;
    int cancels = 0;
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
        std::lock_guard lock(mu);
        std::string norm;
        bool normalized = false;
        for (auto it = rules.rbegin(); it != rules.rend(); ++it) {
            if (it->pattern) {
                if (std::regex_match(sql, *it->pattern)) return it->reply;
            } else {
                if (!normalized) {
                    norm = normalizeSql(sql);
                    normalized = true;
                }
                if (norm == it->exact) return it->reply;
            }
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

constexpr std::uint16_t DONE_FINAL = 0, DONE_MORE = 0x1, DONE_ERROR = 0x2, DONE_INXACT = 0x4,
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

bool isVariableText(Type t) { return t == Type::NVarChar || t == Type::VarChar || t == Type::VarBinary; }

// The bytes of a (n)varchar / varbinary value as they travel.
std::string variableBytes(Type t, const Value& v) {
    std::string text = v.toText();
    if (t == Type::NVarChar) {
        std::u16string w = wire::utf8ToUtf16(text);
        std::string b;
        b.reserve(w.size() * 2);
        for (char16_t c : w) {
            b.push_back(static_cast<char>(c & 0xff));
            b.push_back(static_cast<char>(c >> 8));
        }
        return b;
    }
    if (t == Type::VarChar) return wire::utf8ToCp1252(text);
    return text;
}

// A column as sent: its declared length in bytes, or 0xFFFF for max.
struct ColumnPlan {
    const Column* column;
    std::uint16_t maxBytes = 0;
    bool plp = false;
};

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

    void done(Writer& w, std::uint8_t token, std::uint16_t status, std::uint16_t curCmd, long long count) {
        if (tran_) status |= DONE_INXACT;
        w.u8(token);
        w.u16(status);
        w.u16(curCmd);
        if (tds72())
            w.u64(static_cast<std::uint64_t>(count));
        else
            w.u32(static_cast<std::uint32_t>(count));
    }

    void beginTransaction(Writer& w) {
        tran_ = nextTran_++;
        std::uint8_t d[8];
        for (int i = 0; i < 8; ++i) d[i] = static_cast<std::uint8_t>(tran_ >> (8 * i));
        envchangeBytes(w, ENV_BEGINTRAN, d, 8, nullptr, 0);
        publishState();
    }

    void endTransaction(Writer& w, bool commit) {
        std::uint8_t d[8];
        for (int i = 0; i < 8; ++i) d[i] = static_cast<std::uint8_t>(tran_ >> (8 * i));
        envchangeBytes(w, commit ? ENV_COMMITTRAN : ENV_ROLLBACKTRAN, nullptr, 0, d, 8);
        tran_ = 0;
        publishState();
    }

    void publishState() {
        std::lock_guard lock(st_->mu);
        st_->currentDatabase = database_;
        st_->inTransaction = tran_ != 0;
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
        tdsVersion_ = v;

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

    void answerBatch(const Packet& pk) {
        Reader r(pk.data);
        skipAllHeaders(r);
        std::string sql = r.ucs2(r.left() / 2);
        bool fromDriver = driverHousekeeping(sql);
        if (!fromDriver) sawRequest_ = true;
        record(Request::Kind::Batch, sql, fromDriver);
        answerStatement(sql, false);
    }

    void answerStatement(const std::string& sql, bool inProc) {
        if (auto reply = st_->lookup(sql)) return answer(*reply, inProc);
        if (answerBuiltIn(sql, inProc)) return;
        std::shared_ptr<const Reply> def;
        {
            std::lock_guard lock(st_->mu);
            def = st_->defaultReply;
        }
        answer(*def, inProc);
    }

    // USE and the transaction statements, when the script does not say otherwise.
    bool answerBuiltIn(const std::string& sql, bool inProc) {
        static const std::regex use(R"re(\s*use\s+(?:\[((?:[^\]]|\]\])+)\]|"([^"]+)"|([^\s;\[\]"]+))\s*;?\s*)re",
                                    std::regex::icase);
        static const std::regex begin(R"re(\s*begin\s+tran(saction)?(\s+\w+)?\s*;?\s*)re", std::regex::icase);
        // COMMIT or ROLLBACK, possibly guarded by "IF @@TRANCOUNT > 0" and
        // followed by a new BEGIN TRANSACTION: the forms FreeTDS sends for
        // SQLEndTran below TDS 7.2.
        static const std::regex end(R"re(\s*(if\s+@@trancount\s*>\s*0\s+)?(commit|rollback))re"
                                    R"re((\s+(tran|transaction|work)(\s+\w+)?)?\s*;?)re"
                                    R"re((\s*begin\s+tran(saction)?)?\s*;?\s*)re",
                                    std::regex::icase);
        std::smatch m;
        Out out(*this);
        Writer& w = out.w;
        const std::uint8_t doneToken = inProc ? TOK_DONEINPROC : TOK_DONE;
        const std::uint16_t more = inProc ? DONE_MORE : 0;
        bool failed = false;
        if (std::regex_match(sql, m, use)) {
            std::string name = m[1].matched ? m[1].str() : m[2].matched ? m[2].str() : m[3].str();
            for (std::size_t at; (at = name.find("]]")) != std::string::npos;) name.erase(at, 1);
            std::optional<std::string> db = st_->findDatabase(name);
            if (!db) {
                message(w, {911, "Database '" + name + "' does not exist. Make sure that the name is entered correctly.",
                            16, 1, "", 1});
                failed = true;
            } else {
                std::string before = database_;
                database_ = *db;
                envchange(w, ENV_DATABASE, database_, before);
                message(w, {5701, "Changed database context to '" + database_ + "'.", 0, 1, "", 1});
                publishState();
            }
        } else if (std::regex_match(sql, begin)) {
            if (!tran_) beginTransaction(w);
        } else if (std::regex_match(sql, m, end)) {
            const bool guarded = m[1].matched;
            const bool isCommit = lower(m[2].str()) == "commit";
            const bool beginAgain = m[6].matched;
            if (tran_) {
                endTransaction(w, isCommit);
            } else if (!guarded) {
                message(w, {isCommit ? 3902 : 3903,
                            std::string("The ") + (isCommit ? "COMMIT" : "ROLLBACK") +
                                " TRANSACTION request has no corresponding BEGIN TRANSACTION.",
                            16, 1, "", 1});
                failed = true;
            }
            if (beginAgain && !failed) beginTransaction(w);
        } else {
            return false;
        }
        done(w, doneToken, (failed ? DONE_ERROR : 0) | more, 0, 0);
        if (inProc) finishProc(w, failed);
        out.end();
        return true;
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

    void answer(const Reply& reply, bool inProc) {
        if (reply.action() == Reply::Action::DropConnection) throw DropRequested{};
        const std::uint8_t doneToken = inProc ? TOK_DONEINPROC : TOK_DONE;
        Out out(*this);
        Writer& w = out.w;
        if (reply.action() == Reply::Action::HangUntilCancelled) {
            std::optional<Packet> pk = readMessage(deadlineIn(st_->hangLimit));
            if (pk && pk->type != PKT_ATTENTION) throw ProtocolError("request received while one was running");
            if (pk) {
                noteAttention();
                returnHandle_ = false;
                done(w, TOK_DONE, DONE_ATTN, 0, 0);
            } else {
                done(w, doneToken, inProc ? DONE_MORE : DONE_FINAL, 0, 0);
                if (inProc) finishProc(w, false);
            }
            out.end();
            return;
        }

        const auto& items = reply.items();
        bool pendingError = false, anyError = false;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const bool last = i + 1 == items.size();
            const std::uint16_t more = (last && !inProc) ? 0 : DONE_MORE;
            if (auto msg = std::get_if<Message>(&items[i].what)) {
                message(w, *msg);
                if (msg->cls > 10) pendingError = anyError = true;
                out.flushFull();
                continue;
            }
            if (pendingError) {
                done(w, doneToken, DONE_ERROR | DONE_MORE, 0, 0);
                pendingError = false;
            }
            if (auto count = std::get_if<long long>(&items[i].what)) {
                done(w, doneToken, DONE_COUNT | more, 0xC3, *count);
                continue;
            }
            const ResultSet& rs = std::get<ResultSet>(items[i].what);
            long long sent = 0;
            if (!sendRows(out, rs, sent)) {
                returnHandle_ = false;
                done(w, TOK_DONE, DONE_ATTN, 0, 0);
                out.end();
                return;
            }
            done(w, doneToken, DONE_COUNT | more, 0xC1, sent);
        }
        if (items.empty() || std::holds_alternative<Message>(items.back().what))
            done(w, doneToken, (pendingError ? DONE_ERROR : 0) | (inProc ? DONE_MORE : 0), 0, 0);
        if (inProc) finishProc(w, anyError);
        out.end();
    }

    std::vector<ColumnPlan> plan(const ResultSet& rs) const {
        std::vector<ColumnPlan> plans;
        for (const Column& c : rs.columns) {
            ColumnPlan p{&c};
            if (isVariableText(c.type)) {
                const int unit = c.type == Type::NVarChar ? 2 : 1;
                const int limit = 8000 / unit;
                int chars = c.size;
                if (chars == 0) {
                    chars = limit;
                    if (!rs.generator) {
                        const std::size_t col = &c - rs.columns.data();
                        for (const Row& row : rs.rows)
                            if (col < row.size() && !row[col].isNull() &&
                                variableBytes(c.type, row[col]).size() > std::size_t(limit) * unit)
                                chars = -1;
                    }
                }
                if (chars < 0 || chars > limit) {
                    if (tds72()) {
                        p.plp = true;
                        p.maxBytes = 0xFFFF;
                    } else {
                        p.maxBytes = static_cast<std::uint16_t>(limit * unit);
                    }
                } else {
                    p.maxBytes = static_cast<std::uint16_t>(chars * unit);
                }
            }
            plans.push_back(p);
        }
        return plans;
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
            switch (c.type) {
            case Type::Int: w.u8(0x26); w.u8(4); break;
            case Type::SmallInt: w.u8(0x26); w.u8(2); break;
            case Type::TinyInt: w.u8(0x26); w.u8(1); break;
            case Type::BigInt: w.u8(0x26); w.u8(8); break;
            case Type::Bit: w.u8(0x68); w.u8(1); break;
            case Type::Float: w.u8(0x6D); w.u8(8); break;
            case Type::Real: w.u8(0x6D); w.u8(4); break;
            case Type::Decimal:
                w.u8(0x6A);
                w.u8(static_cast<std::uint8_t>(decimalLength(c.precision)));
                w.u8(static_cast<std::uint8_t>(c.precision));
                w.u8(static_cast<std::uint8_t>(c.scale));
                break;
            case Type::DateTime: w.u8(0x6F); w.u8(8); break;
            case Type::NVarChar: w.u8(0xE7); w.u16(p.maxBytes); w.bytes(kCollation, 5); break;
            case Type::VarChar: w.u8(0xA7); w.u16(p.maxBytes); w.bytes(kCollation, 5); break;
            case Type::VarBinary: w.u8(0xA5); w.u16(p.maxBytes); break;
            case Type::UniqueIdentifier: w.u8(0x24); w.u8(16); break;
            }
            w.bVarchar(c.name);
        }
    }

    void value(Writer& w, const ColumnPlan& p, const Value& v) {
        const Column& c = *p.column;
        auto fixed = [&](int n, std::uint64_t bits) {
            w.u8(static_cast<std::uint8_t>(n));
            for (int i = 0; i < n; ++i) w.u8(static_cast<std::uint8_t>(bits >> (8 * i)));
        };
        if (v.isNull()) {
            if (isVariableText(c.type)) {
                if (p.plp)
                    w.u64(~0ULL);
                else
                    w.u16(0xFFFF);
            } else {
                w.u8(0);
            }
            return;
        }
        switch (c.type) {
        case Type::Int: fixed(4, static_cast<std::uint64_t>(v.toInt())); break;
        case Type::SmallInt: fixed(2, static_cast<std::uint64_t>(v.toInt())); break;
        case Type::TinyInt: fixed(1, static_cast<std::uint64_t>(v.toInt())); break;
        case Type::BigInt: fixed(8, static_cast<std::uint64_t>(v.toInt())); break;
        case Type::Bit: fixed(1, v.toBool() ? 1 : 0); break;
        case Type::Float: {
            double d = v.toDouble();
            std::uint64_t bits;
            std::memcpy(&bits, &d, 8);
            fixed(8, bits);
            break;
        }
        case Type::Real: {
            float f = static_cast<float>(v.toDouble());
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            fixed(4, bits);
            break;
        }
        case Type::Decimal: {
            const int len = decimalLength(c.precision);
            bool negative;
            unsigned __int128 mag;
            parseDecimal(v.toText(), c.scale, negative, mag);
            w.u8(static_cast<std::uint8_t>(len));
            w.u8(negative ? 0 : 1);
            for (int i = 0; i < len - 1; ++i) w.u8(static_cast<std::uint8_t>(mag >> (8 * i)));
            break;
        }
        case Type::DateTime: {
            std::int32_t days;
            std::uint32_t ticks;
            parseDateTime(v.toText(), days, ticks);
            w.u8(8);
            w.u32(static_cast<std::uint32_t>(days));
            w.u32(ticks);
            break;
        }
        case Type::NVarChar:
        case Type::VarChar:
        case Type::VarBinary: {
            std::string b = variableBytes(c.type, v);
            if (p.plp) {
                w.u64(b.size());
                if (!b.empty()) {
                    w.u32(static_cast<std::uint32_t>(b.size()));
                    w.bytes(b);
                }
                w.u32(0);
            } else {
                if (b.size() > p.maxBytes) b.resize(p.maxBytes);
                w.u16(static_cast<std::uint16_t>(b.size()));
                w.bytes(b);
            }
            break;
        }
        case Type::UniqueIdentifier: {
            std::uint8_t g[16];
            if (!parseGuid(v.toText(), g)) throw std::invalid_argument("not a GUID: " + v.toText());
            w.u8(16);
            w.bytes(g, 16);
            break;
        }
        }
    }

    // Sends a result's metadata and rows; false when the client cancelled.
    bool sendRows(Out& out, const ResultSet& rs, long long& sent) {
        std::vector<ColumnPlan> plans = plan(rs);
        colmetadata(out.w, plans);
        const std::size_t count = rs.generator ? rs.generatedRows : rs.rows.size();
        Row scratch;
        const Row empty;
        for (std::size_t i = 0; i < count; ++i) {
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
            if (!tran_) beginTransaction(w);
            break;
        case 7:    // commit
        case 8: {  // rollback
            const bool commit = type == 7;
            record(commit ? Request::Kind::CommitTransaction : Request::Kind::RollbackTransaction,
                   commit ? "COMMIT TRANSACTION" : "ROLLBACK TRANSACTION", false);
            std::uint8_t flags = 0;
            if (r.left()) r.bVarchar();  // transaction name
            if (r.left()) flags = r.u8();
            if (tran_) endTransaction(w, commit);
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
    std::uint64_t tran_ = 0;
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

void TdsServer::on(std::string sql, Reply reply) {
    std::lock_guard lock(state_->mu);
    state_->rules.push_back({normalizeSql(sql), std::nullopt, std::make_shared<const Reply>(std::move(reply))});
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
    state_->defaultReply = std::make_shared<const Reply>();
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
    return state_->inTransaction;
}

int TdsServer::cancelCount() const {
    std::lock_guard lock(state_->mu);
    return state_->cancels;
}

}  // namespace tdstest
