#pragma once

#include "Cp1252.h"
#include "OutputBuffer.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pnhold_dbf::csv {

// The most bytes one cp1252 byte can take in a quoted UTF-8 CSV field.
constexpr std::size_t kMaxBytesPerByte = 3;
// Two quotes and a separator around every field, plus the line end.
constexpr std::size_t kPerFieldOverhead = 3;
constexpr std::string_view kLineEnd = "\r\n";

// Writes cp1252 bytes [s, e) as one RFC 4180 field in UTF-8. The caller has reserved
// kMaxBytesPerByte * (e - s) + kPerFieldOverhead bytes.
inline void putField(OutputBuffer& out, const unsigned char* s, const unsigned char* e) {
    bool quote = false;
    bool high = false;
    for (const unsigned char* p = s; p < e; ++p) {
        quote |= (*p == ',') | (*p == '"') | (*p == '\r') | (*p == '\n');
        high |= (*p >> 7) != 0;
    }
    if (!quote && !high) {
        std::memcpy(out.cursor(), s, static_cast<std::size_t>(e - s));
        out.advance(static_cast<std::size_t>(e - s));
        return;
    }
    char* o = out.cursor();
    char* const start = o;
    if (quote)
        *o++ = '"';
    for (const unsigned char* p = s; p < e; ++p) {
        if (*p == '"')
            *o++ = '"';
        if (*p < 0x80) {
            *o++ = static_cast<char>(*p);
        } else {
            const Utf8Char& u = utf8FromCp1252(*p);
            std::memcpy(o, u.bytes, 3); // the slot is reserved; length tells what counts
            o += u.length;
        }
    }
    if (quote)
        *o++ = '"';
    out.advance(static_cast<std::size_t>(o - start));
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
