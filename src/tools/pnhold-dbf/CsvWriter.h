#pragma once

#include "Cp1252.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace pnhold_dbf::csv {

// The most bytes one cp1252 byte can take in a quoted UTF-8 CSV field.
constexpr std::size_t kMaxBytesPerByte = 3;
// Two quotes and a separator around every field, plus the line end.
constexpr std::size_t kPerFieldOverhead = 3;
constexpr std::string_view kLineEnd = "\r\n";

constexpr std::uint64_t kOneBits = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Whether any of the eight bytes of w is c.
inline bool hasByte(std::uint64_t w, unsigned char c) {
    const std::uint64_t v = w ^ (kOneBits * c);
    return ((v - kOneBits) & ~v & kHighBits) != 0;
}

// Writes cp1252 bytes [s, e) at o as one RFC 4180 field in UTF-8 and returns the end. The
// caller has room for kMaxBytesPerByte * (e - s) + kPerFieldOverhead bytes.
inline char* putField(char* o, const unsigned char* s, const unsigned char* e) {
    bool quote = false;
    bool high = false;
    const unsigned char* p = s;
    for (; e - p >= 8; p += 8) { // eight plain bytes at a time; the first other word stops it
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        if ((w & kHighBits) != 0 || hasByte(w, ',') || hasByte(w, '"') || hasByte(w, '\r') ||
            hasByte(w, '\n'))
            break;
    }
    for (; p < e; ++p) {
        quote |= (*p == ',') | (*p == '"') | (*p == '\r') | (*p == '\n');
        high |= (*p >> 7) != 0;
    }
    if (!quote && !high) {
        std::memcpy(o, s, static_cast<std::size_t>(e - s));
        return o + (e - s);
    }
    if (quote)
        *o++ = '"';
    for (const unsigned char* p = s; p < e; ++p) {
        if (*p == '"')
            *o++ = '"';
        if (*p < 0x80) {
            *o++ = static_cast<char>(*p);
        } else {
            const Utf8Char& u = utf8FromCp1252(*p);
            std::memcpy(o, u.bytes, 3); // the room is there; length says what counts
            o += u.length;
        }
    }
    if (quote)
        *o++ = '"';
    return o;
}

// The end of [s, e) without its trailing blanks, eight bytes at a time.
inline const unsigned char* trimRight(const unsigned char* s, const unsigned char* e) {
    constexpr std::uint64_t kBlanks = 0x2020202020202020ull;
    while (e - s >= 8) {
        std::uint64_t word;
        std::memcpy(&word, e - 8, 8);
        if (word != kBlanks)
            break;
        e -= 8;
    }
    while (e > s && e[-1] == ' ')
        --e;
    return e;
}

inline const unsigned char* trimLeft(const unsigned char* s, const unsigned char* e) {
    while (s < e && *s == ' ')
        ++s;
    return s;
}

} // namespace pnhold_dbf::csv
