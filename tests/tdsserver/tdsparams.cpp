#include "tdsparams.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace tdstest::wire {

namespace {

long long signedLE(const std::uint8_t* p, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    if (n < 8 && (p[n - 1] & 0x80)) v |= ~0ULL << (8 * n);
    return static_cast<long long>(v);
}

std::string number(double d) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

// Civil date from days since 1970-01-01 (proleptic Gregorian).
void civilFromDays(long long z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// Days from 1970-01-01 to 1900-01-01 and to 0001-01-01.
constexpr long long k1900 = -25567;
constexpr long long k0001 = -719162;

std::string date(long long daysSince1970) {
    int y;
    unsigned m, d;
    civilFromDays(daysSince1970, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", y, m, d);
    return buf;
}

// Time of day from units of 10^-scale seconds.
std::string timeOfDay(std::uint64_t units, int scale) {
    std::uint64_t div = 1;
    for (int i = 0; i < scale; ++i) div *= 10;
    const std::uint64_t secs = units / div;
    char buf[48];
    int n = std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", unsigned(secs / 3600), unsigned(secs / 60 % 60),
                          unsigned(secs % 60));
    std::string out(buf, static_cast<std::size_t>(n));
    if (scale > 0) {
        std::string fraction = std::to_string(units % div);
        out += "." + std::string(static_cast<std::size_t>(scale) - fraction.size(), '0') + fraction;
    }
    return out;
}

std::string datetime(std::int32_t days, std::uint32_t ticks) {
    const std::uint64_t ms = (static_cast<std::uint64_t>(ticks) * 10 + 1) / 3;
    return date(k1900 + days) + " " + timeOfDay(ms, 3);
}

std::string decimal(const std::uint8_t* p, int n, int scale) {
    // p[0] is the sign (1 positive), then the magnitude little-endian.
    unsigned __int128 mag = 0;
    for (int i = n - 1; i >= 1; --i) mag = (mag << 8) | p[i];
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(mag % 10)));
        mag /= 10;
    } while (mag > 0);
    while (static_cast<int>(digits.size()) <= scale) digits.insert(digits.begin(), '0');
    if (scale > 0) digits.insert(digits.end() - scale, '.');
    return (p[0] == 0 ? "-" : "") + digits;
}

std::string money(const std::uint8_t* p, int n) {
    long long v;
    if (n == 4) {
        v = signedLE(p, 4);
    } else {
        const std::uint64_t hi = static_cast<std::uint32_t>(signedLE(p, 4));
        const std::uint64_t lo = static_cast<std::uint32_t>(signedLE(p + 4, 4));
        v = static_cast<long long>((hi << 32) | lo);
    }
    std::uint8_t sign[1] = {static_cast<std::uint8_t>(v < 0 ? 0 : 1)};
    std::uint64_t mag = v < 0 ? static_cast<std::uint64_t>(-v) : static_cast<std::uint64_t>(v);
    std::uint8_t buf[9];
    buf[0] = sign[0];
    for (int i = 0; i < 8; ++i) buf[1 + i] = static_cast<std::uint8_t>(mag >> (8 * i));
    return decimal(buf, 9, 4);
}

std::string hex(const std::uint8_t* p, std::size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "0x";
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

std::string guid(const std::uint8_t* p) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", p[3], p[2],
                  p[1], p[0], p[5], p[4], p[7], p[6], p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
    return buf;
}

std::string latin1(const std::uint8_t* p, std::size_t n) {
    std::u16string w(p, p + n);
    return utf16ToUtf8(w);
}

std::string ucs2(const std::uint8_t* p, std::size_t bytes) {
    return Reader(p, bytes).ucs2(bytes / 2);
}

// The value of a fixed-size or length-prefixed scalar of `n` bytes.
std::string scalar(std::uint8_t type, const std::uint8_t* p, int n, int scale) {
    switch (type) {
    case 0x30:  // tinyint: unsigned
        return std::to_string(p[0]);
    case 0x32: case 0x68:
        return p[0] ? "1" : "0";
    case 0x34: case 0x38: case 0x7F: case 0x26:
        return n == 1 ? std::to_string(p[0]) : std::to_string(signedLE(p, n));
    case 0x3B: case 0x3E: case 0x6D:
        if (n == 4) {
            float f;
            std::memcpy(&f, p, 4);
            return number(f);
        } else {
            double d;
            std::memcpy(&d, p, 8);
            return number(d);
        }
    case 0x3C: case 0x7A: case 0x6E:
        return money(p, n);
    case 0x3D: case 0x3A: case 0x6F:
        if (n == 4)  // smalldatetime: days and minutes
            return date(k1900 + (p[0] | (p[1] << 8))) + " " + timeOfDay((p[2] | (p[3] << 8)) * 60ULL, 0);
        return datetime(static_cast<std::int32_t>(signedLE(p, 4)), static_cast<std::uint32_t>(signedLE(p + 4, 4)));
    case 0x24:
        return guid(p);
    case 0x6A: case 0x6C:
        return decimal(p, n, scale);
    case 0x28:
        return date(k0001 + (p[0] | (p[1] << 8) | (p[2] << 16)));
    case 0x29: case 0x2A: case 0x2B: {
        const int timeBytes = scale <= 2 ? 3 : scale <= 4 ? 4 : 5;
        std::uint64_t units = 0;
        for (int i = timeBytes - 1; i >= 0; --i) units = (units << 8) | p[i];
        std::string t = timeOfDay(units, scale);
        if (type == 0x29) return t;
        const std::uint8_t* d = p + timeBytes;
        std::string out = date(k0001 + (d[0] | (d[1] << 8) | (d[2] << 16))) + " " + t;
        if (type == 0x2B) {
            const int offset = static_cast<int>(signedLE(d + 3, 2));
            char buf[16];
            std::snprintf(buf, sizeof buf, " %c%02d:%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60,
                          std::abs(offset) % 60);
            out += buf;
        }
        return out;
    }
    }
    return hex(p, static_cast<std::size_t>(n));
}

std::vector<std::uint8_t> readPlp(Reader& r, bool& isNull) {
    std::vector<std::uint8_t> bytes;
    const std::uint64_t total = r.u64();
    isNull = total == ~0ULL;
    if (isNull) return bytes;
    for (std::uint32_t chunk; (chunk = r.u32()) != 0;) {
        const std::uint8_t* p = r.take(chunk);
        bytes.insert(bytes.end(), p, p + chunk);
    }
    return bytes;
}

}  // namespace

RpcParam readRpcParam(Reader& r, bool tds72) {
    RpcParam param;
    param.name = r.bVarchar();
    param.status = r.u8();
    const std::uint8_t type = param.type = r.u8();
    auto fixed = [&](int n) {
        const std::uint8_t* p = r.take(static_cast<std::size_t>(n));
        param.value = scalar(type, p, n, 0);
    };
    switch (type) {
    case 0x30: case 0x32: fixed(1); break;
    case 0x34: fixed(2); break;
    case 0x38: case 0x3B: case 0x3A: case 0x7A: fixed(4); break;
    case 0x7F: case 0x3E: case 0x3D: case 0x3C: fixed(8); break;
    case 0x26: case 0x68: case 0x6D: case 0x6F: case 0x6E: case 0x24: {
        r.u8();  // maximum length
        const std::uint8_t n = r.u8();
        if (n) param.value = scalar(type, r.take(n), n, 0);
        break;
    }
    case 0x6A: case 0x6C: {
        r.u8();  // maximum length
        r.u8();  // precision
        const int scale = r.u8();
        const std::uint8_t n = r.u8();
        if (n) param.value = scalar(type, r.take(n), n, scale);
        break;
    }
    case 0x28: {
        const std::uint8_t n = r.u8();
        if (n) param.value = scalar(type, r.take(n), n, 0);
        break;
    }
    case 0x29: case 0x2A: case 0x2B: {
        const int scale = r.u8();
        const std::uint8_t n = r.u8();
        if (n) param.value = scalar(type, r.take(n), n, scale);
        break;
    }
    case 0xE7: case 0xEF: case 0xA7: case 0xAF: case 0xA5: case 0xAD: {
        const std::uint16_t maxLen = r.u16();
        const bool text = type != 0xA5 && type != 0xAD;
        if (text) r.skip(5);  // collation
        std::vector<std::uint8_t> bytes;
        bool isNull = false;
        if (maxLen == 0xFFFF && tds72) {
            bytes = readPlp(r, isNull);
        } else {
            const std::uint16_t n = r.u16();
            isNull = n == 0xFFFF;
            if (!isNull) {
                const std::uint8_t* p = r.take(n);
                bytes.assign(p, p + n);
            }
        }
        if (!isNull) {
            if (type == 0xE7 || type == 0xEF)
                param.value = ucs2(bytes.data(), bytes.size());
            else if (text)
                param.value = latin1(bytes.data(), bytes.size());
            else
                param.value = hex(bytes.data(), bytes.size());
        }
        break;
    }
    case 0x63: case 0x23: case 0x22: {
        r.u32();  // maximum length
        if (type != 0x22) r.skip(5);
        const std::uint32_t n = r.u32();
        if (n != 0xFFFFFFFF) {
            const std::uint8_t* p = r.take(n);
            param.value = type == 0x63 ? ucs2(p, n) : type == 0x23 ? latin1(p, n) : hex(p, n);
        }
        break;
    }
    default:
        throw ProtocolError("parameter of an unsupported type");
    }
    return param;
}

}  // namespace tdstest::wire
