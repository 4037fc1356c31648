#include "Cp1252.h"

#include <array>
#include <cstdint>

namespace pnhold_dbf {
namespace {

// Code points of 0x80..0x9F; zero marks the bytes cp1252 leaves undefined.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t codePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        const char32_t c = kHighControls[byte - 0x80];
        return c == 0 ? 0xFFFD : c;
    }
    return byte;
}

Utf8Char encodeUtf8(char32_t c) {
    Utf8Char out{};
    if (c < 0x80) {
        out.bytes[0] = static_cast<char>(c);
        out.length = 1;
    } else if (c < 0x800) {
        out.bytes[0] = static_cast<char>(0xC0 | (c >> 6));
        out.bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
        out.length = 2;
    } else {
        out.bytes[0] = static_cast<char>(0xE0 | (c >> 12));
        out.bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out.bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
        out.length = 3;
    }
    return out;
}

const std::array<Utf8Char, 256>& utf8Table() {
    static const std::array<Utf8Char, 256> table = [] {
        std::array<Utf8Char, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[b] = encodeUtf8(codePointOf(static_cast<unsigned char>(b)));
        return t;
    }();
    return table;
}

int cp1252ByteFor(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] == c && c != 0)
            return 0x80 + i;
    return -1;
}

// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i, or returns
// U+FFFD (and advances one byte) for a malformed or overlong sequence.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    int extra = 0;
    char32_t c = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + extra >= s.size()) { // the sequence runs past the end
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (b & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += extra + 1;
    return c;
}

} // namespace

const Utf8Char& utf8FromCp1252(unsigned char byte) {
    return utf8Table()[byte];
}

std::string cp1252FromUtf8(std::string_view utf8, bool* lossless) {
    std::string out;
    out.reserve(utf8.size());
    bool exact = true;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = nextCodePoint(utf8, i);
        const int b = cp1252ByteFor(c);
        if (b < 0) {
            out.push_back('?');
            exact = false;
        } else {
            out.push_back(static_cast<char>(b));
        }
    }
    if (lossless)
        *lossless = exact;
    return out;
}

std::string utf8FromCp1252(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size());
    for (const char ch : cp1252) {
        const Utf8Char& u = utf8FromCp1252(static_cast<unsigned char>(ch));
        out.append(u.bytes, u.length);
    }
    return out;
}

} // namespace pnhold_dbf
