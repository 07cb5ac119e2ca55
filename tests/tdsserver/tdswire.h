#pragma once
// Byte-level helpers of the scripted server: little-endian writing and
// reading, and the text encodings TDS uses (UTF-16LE, and code page 1252 for
// varchar under the server's Latin1 collation).

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tdstest::wire {

struct ProtocolError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::u16string utf8ToUtf16(std::string_view s);
std::string utf16ToUtf8(std::u16string_view s);
// Code page 1252; characters it lacks become '?'.
std::string utf8ToCp1252(std::string_view s);

class Writer {
public:
    std::vector<std::uint8_t> buf;

    std::size_t size() const { return buf.size(); }
    void u8(std::uint8_t v) { buf.push_back(v); }
    void u16(std::uint16_t v) { u8(v & 0xff); u8(v >> 8); }
    void u32(std::uint32_t v) { u16(v & 0xffff); u16(v >> 16); }
    void u64(std::uint64_t v) { u32(v & 0xffffffffu); u32(v >> 32); }
    void u16be(std::uint16_t v) { u8(v >> 8); u8(v & 0xff); }
    void u32be(std::uint32_t v) { u16be(v >> 16); u16be(v & 0xffff); }
    void bytes(const void* p, std::size_t n) {
        auto b = static_cast<const std::uint8_t*>(p);
        buf.insert(buf.end(), b, b + n);
    }
    void bytes(std::string_view s) { bytes(s.data(), s.size()); }
    void ucs2(std::u16string_view s) { for (char16_t c : s) u16(c); }
    // Text with a one-byte (B_VARCHAR) or two-byte (US_VARCHAR) length in characters.
    void bVarchar(std::string_view utf8);
    void usVarchar(std::string_view utf8);
    void patchU16(std::size_t at, std::uint16_t v) {
        buf[at] = v & 0xff;
        buf[at + 1] = v >> 8;
    }
};

class Reader {
public:
    Reader(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}
    explicit Reader(const std::vector<std::uint8_t>& v) : Reader(v.data(), v.size()) {}

    std::size_t pos() const { return pos_; }
    std::size_t left() const { return n_ - pos_; }
    void seek(std::size_t at) {
        if (at > n_) throw ProtocolError("seek past the end of the message");
        pos_ = at;
    }
    void skip(std::size_t k) { need(k); pos_ += k; }
    std::uint8_t u8() { need(1); return p_[pos_++]; }
    std::uint16_t u16() { std::uint16_t lo = u8(); return lo | (std::uint16_t(u8()) << 8); }
    std::uint32_t u32() { std::uint32_t lo = u16(); return lo | (std::uint32_t(u16()) << 16); }
    std::uint64_t u64() { std::uint64_t lo = u32(); return lo | (std::uint64_t(u32()) << 32); }
    std::uint16_t u16be() { std::uint16_t hi = u8(); return (hi << 8) | u8(); }
    const std::uint8_t* take(std::size_t k) { need(k); auto r = p_ + pos_; pos_ += k; return r; }
    // UTF-16LE text of `chars` characters, as UTF-8.
    std::string ucs2(std::size_t chars);
    std::string bVarchar() { return ucs2(u8()); }
    std::string usVarchar() { return ucs2(u16()); }
    // UTF-16LE text at [offset, offset + 2*chars) of the whole buffer.
    std::string ucs2At(std::size_t offset, std::size_t chars) const;

private:
    void need(std::size_t k) const {
        if (k > n_ - pos_) throw ProtocolError("message shorter than its contents");
    }
    const std::uint8_t* p_;
    std::size_t n_;
    std::size_t pos_ = 0;
};

}  // namespace tdstest::wire
