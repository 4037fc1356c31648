#include "platform/forms/AnsiText.h"

#include <array>

namespace forms {
namespace {

// Windows-1252 bytes 0x80 to 0x9F. The five bytes the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for their C1 control points, so every byte survives a round trip.
constexpr std::array<char16_t, 32> HighBlock = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char ansiByte(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<char>(unit);
    for (std::size_t i = 0; i < HighBlock.size(); ++i) {
        if (HighBlock[i] == unit)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QString fromAnsi(std::string_view text) {
    QString result;
    result.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const char16_t unit = (byte >= 0x80 && byte < 0xA0) ? HighBlock[byte - 0x80] : byte;
        result.append(QChar(unit));
    }
    return result;
}

std::string toAnsi(const QString& text) {
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i; // a character beyond the basic plane is one character, so one '?'
            result.push_back('?');
            continue;
        }
        if (ch.isSurrogate()) {
            result.push_back('?');
            continue;
        }
        result.push_back(ansiByte(ch.unicode()));
    }
    return result;
}

} // namespace forms
