#pragma once

#include "platform/dbase/FieldDef.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dbase {

inline constexpr std::size_t FileHeaderSize = 32;
inline constexpr std::size_t DescriptorSize = 32;
inline constexpr char FieldTableEnd = 0x0D;
inline constexpr char EndOfFileMarker = 0x1A;
inline constexpr std::uint8_t VersionWithoutMemo = 0x03;
inline constexpr std::uint8_t LanguageDriverAnsi = 0x57;
inline constexpr std::size_t MdxFlagOffset = 28;

// The table file's header as found on disk, checked against the file's size.
struct DbfHeader {
    std::uint8_t version = 0;
    std::uint8_t updateYear = 0; // years since 1900
    std::uint8_t updateMonth = 0;
    std::uint8_t updateDay = 0;
    std::uint32_t recordCount = 0; // as the header says
    int headerLength = 0;
    int recordLength = 0;
    bool mdxFlag = false;
    std::uint8_t languageDriver = 0;
    bool readOnlyFormat = false;
    std::vector<FieldLayout> fields;
};

// Reads the header of an open table file. Refusals: "Not a dBase table: <path>" when the file
// is something else, "Damaged table <path>: <fault>" when its layout does not hold together.
DbfHeader readHeader(int fd, std::uint64_t fileSize, const std::string& path);

// Checks field definitions for a new table; throws DatabaseError naming the bad field.
void checkFieldDefs(const std::vector<FieldDef>& fields);
// The complete header (descriptors and terminator included) of an empty table.
std::string encodeNewHeader(const std::vector<FieldDef>& fields);

// Bytes 1-7: today's date and the record count, ready to be written at offset 1.
std::string encodeDateAndCount(std::uint32_t recordCount);
// Bytes 1-3: today's date, ready to be written at offset 1.
std::string encodeDate();

} // namespace dbase
