#include "tdswire.h"

namespace tdstest::wire {

std::u16string utf8ToUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = s[i];
        char32_t cp;
        int extra;
        if (c < 0x80) { cp = c; extra = 0; }
        else if ((c & 0xe0) == 0xc0) { cp = c & 0x1f; extra = 1; }
        else if ((c & 0xf0) == 0xe0) { cp = c & 0x0f; extra = 2; }
        else if ((c & 0xf8) == 0xf0) { cp = c & 0x07; extra = 3; }
        else { out.push_back(u'\uFFFD'); ++i; continue; }
        bool bad = false;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80) { bad = true; break; }
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3f);
        }
        if (bad) { out.push_back(u'\uFFFD'); ++i; continue; }
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xd800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xdc00 + (cp & 0x3ff)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xd800 && cp < 0xdc00 && i + 1 < s.size() && s[i + 1] >= 0xdc00 && s[i + 1] < 0xe000) {
            cp = 0x10000 + ((cp - 0xd800) << 10) + (s[i + 1] - 0xdc00);
            ++i;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xc0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xe0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
        } else {
            out.push_back(static_cast<char>(0xf0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3f)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
        }
    }
    return out;
}

std::string utf8ToCp1252(std::string_view s) {
    // The 0x80-0x9F block of code page 1252; 0 marks the unused positions.
    static const char16_t high[32] = {
        0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
        0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
    };
    std::string out;
    for (char16_t c : utf8ToUtf16(s)) {
        if (c < 0x80 || (c >= 0xa0 && c <= 0xff)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char b = '?';
        for (int k = 0; k < 32; ++k) {
            if (high[k] && high[k] == c) {
                b = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.push_back(b);
    }
    return out;
}

void Writer::bVarchar(std::string_view utf8) {
    std::u16string w = utf8ToUtf16(utf8);
    if (w.size() > 255) w.resize(255);
    u8(static_cast<std::uint8_t>(w.size()));
    ucs2(w);
}

void Writer::usVarchar(std::string_view utf8) {
    std::u16string w = utf8ToUtf16(utf8);
    if (w.size() > 65535) w.resize(65535);
    u16(static_cast<std::uint16_t>(w.size()));
    ucs2(w);
}

std::string Reader::ucs2(std::size_t chars) {
    const std::uint8_t* b = take(chars * 2);
    std::u16string w(chars, u'\0');
    for (std::size_t i = 0; i < chars; ++i) w[i] = static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8));
    return utf16ToUtf8(w);
}

std::string Reader::ucs2At(std::size_t offset, std::size_t chars) const {
    if (offset > n_ || chars * 2 > n_ - offset) throw ProtocolError("field outside the message");
    Reader r(p_ + offset, chars * 2);
    return r.ucs2(chars);
}

}  // namespace tdstest::wire
