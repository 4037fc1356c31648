#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace dbase {

// One entry of a production index's tag directory.
struct MdxTagInfo {
    std::string name;       // at most 10 characters, upper case in the file
    std::string expression; // key expression as stored
    char keyType = 'C';     // 'C', 'N' or 'D'
    int keyLength = 0;
    bool descending = false;
    bool unique = false;
    std::string filter; // FOR expression, empty when none
};

// Reads the tag directory of a .MDX file (names, expressions, key types and lengths). The trees
// are never read. Throws DatabaseError naming the file and the fault for anything damaged.
std::vector<MdxTagInfo> readMdxDirectory(const std::string& path);

// The keys of one tag in index order, for writing. entry(i) gives the key bytes (keyLength of
// them) and the record number (from 1) of the i-th key, for i in [0, count).
struct MdxTagKeys {
    MdxTagInfo info;
    std::size_t count = 0;
    std::function<std::pair<const char*, std::uint32_t>(std::size_t)> entry;
};

// Character keys are written as given (keyLength bytes, space padded). 'N' and 'D' tags take
// the 8-byte order-preserving encoding of KeyExpression::evaluate (keyLength 8) and are stored
// as little-endian doubles: dates as the Julian day (blank 0), numbers as their value (blank
// minus infinity). Keys must come in index order (equal keys by record number); a tag set that
// is empty, a name used twice or keys out of order are refused with a DatabaseError.
//
// Writes a genuine dBase IV multiple-index file holding the given tags (at most 47), through a
// temporary file in the same folder that is synced and renamed over path. tableName is the
// table's base name (stored upper case, at most 16 characters). Throws DatabaseError.
void writeMdx(const std::string& path, const std::string& tableName,
              const std::vector<MdxTagKeys>& tags);

} // namespace dbase
