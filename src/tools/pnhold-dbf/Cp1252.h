#pragma once

#include <string>
#include <string_view>

namespace pnhold_dbf {

// Table texts are single-byte Windows-1252; everything the tool reads or prints is UTF-8.

// The UTF-8 form of one cp1252 byte (1 to 3 bytes). The five bytes that cp1252 leaves
// undefined become U+FFFD.
struct Utf8Char {
    char bytes[3];
    unsigned char length;
};
const Utf8Char& utf8FromCp1252(unsigned char byte);

// UTF-8 to cp1252; a character cp1252 cannot hold, or a malformed sequence, becomes '?'.
// `lossless` (when given) tells whether every character made it through unchanged.
std::string cp1252FromUtf8(std::string_view utf8, bool* lossless = nullptr);

// cp1252 to UTF-8 (for messages and short texts; the dump has its own fast path).
std::string utf8FromCp1252(std::string_view cp1252);

} // namespace pnhold_dbf
