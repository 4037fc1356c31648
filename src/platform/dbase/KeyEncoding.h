#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>

// Byte encodings shared by key evaluation and the index writer: numbers and dates become eight
// bytes whose memcmp order is the order of the values, with eight zero bytes for blank (lowest).
namespace dbase::keycode {

constexpr int kOrderedLength = 8;

inline void encodeOrdered(std::optional<double> value, char* out) {
    std::uint64_t bits = 0;
    if (value && !std::isnan(*value)) {
        bits = std::bit_cast<std::uint64_t>(*value == 0 ? 0.0 : *value); // -0 sorts as 0
        bits = (bits & 0x8000000000000000ull) ? ~bits : (bits | 0x8000000000000000ull);
    }
    for (int i = 0; i < kOrderedLength; ++i)
        out[i] = static_cast<char>(bits >> (56 - 8 * i));
}

inline std::optional<double> decodeOrdered(const char* in) {
    std::uint64_t bits = 0;
    for (int i = 0; i < kOrderedLength; ++i)
        bits = (bits << 8) | static_cast<unsigned char>(in[i]);
    if (bits == 0)
        return std::nullopt;
    bits = (bits & 0x8000000000000000ull) ? (bits & ~0x8000000000000000ull) : ~bits;
    return std::bit_cast<double>(bits);
}

// Julian day numbers of the proleptic Gregorian calendar (2000-01-01 is 2451545).
inline std::int64_t julianDay(int year, int month, int day) {
    const int a = (14 - month) / 12;
    const std::int64_t y = year + 4800 - a;
    const int m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

struct CivilDate {
    int year;
    int month;
    int day;
};

inline CivilDate civilFromJulian(std::int64_t jd) {
    const std::int64_t a = jd + 32044;
    const std::int64_t b = (4 * a + 3) / 146097;
    const std::int64_t c = a - 146097 * b / 4;
    const std::int64_t d = (4 * c + 3) / 1461;
    const std::int64_t e = c - 1461 * d / 4;
    const std::int64_t m = (5 * e + 2) / 153;
    return {static_cast<int>(100 * b + d - 4800 + m / 10), static_cast<int>(m + 3 - 12 * (m / 10)),
            static_cast<int>(e - (153 * m + 2) / 5 + 1)};
}

} // namespace dbase::keycode
