#pragma once

#include <cstddef>
#include <cstdint>

// Offsets and sizes of the dBase IV multiple-index file, shared by its reader and writer.
namespace dbase::mdx {

constexpr std::size_t kPage = 512;
constexpr std::size_t kBlock = 1024;
constexpr std::uint32_t kPagesPerBlock = kBlock / kPage;
constexpr std::size_t kHeaderSize = 544; // file header before the tag table
constexpr std::size_t kTagEntry = 32;    // one tag-table entry
constexpr std::size_t kTagTableEntries = 48;
constexpr std::size_t kMaxTags = 47;        // the tag table ends at byte 2047
constexpr std::uint32_t kFirstFreePage = 4; // pages 0-3: header and tag table
constexpr std::size_t kNodeHeader = 8;      // key count and a reserved word

// File header
constexpr std::size_t kVersion = 0;
constexpr std::size_t kCreated = 1;
constexpr std::size_t kTableName = 4;
constexpr std::size_t kTableNameSize = 16;
constexpr std::size_t kPagesPerBlockAt = 20;
constexpr std::size_t kBlockSizeAt = 22;
constexpr std::size_t kProduction = 24;
constexpr std::size_t kEntryCount = 25;
constexpr std::size_t kEntryLength = 26;
constexpr std::size_t kTagsInUse = 28;
constexpr std::size_t kPagesInFile = 32;
constexpr std::size_t kFreePage = 36;
constexpr std::size_t kUpdated = 44;

// Tag-table entry
constexpr std::size_t kEntryHeaderPage = 0;
constexpr std::size_t kEntryName = 4;
constexpr std::size_t kEntryNameSize = 11;
constexpr std::size_t kEntryKeyFormat = 15;
constexpr std::size_t kEntryLower = 16;
constexpr std::size_t kEntryHigher = 17;
constexpr std::size_t kEntryParent = 18;
constexpr std::size_t kEntryReserved19 = 19;
constexpr std::size_t kEntryKeyType = 20;

// Tag header block
constexpr std::size_t kTagRoot = 0;
constexpr std::size_t kTagPages = 4;
constexpr std::size_t kTagKeyFormat = 8;
constexpr std::size_t kTagKeyType = 9;
constexpr std::size_t kTagKeyLength = 12;
constexpr std::size_t kTagMaxKeys = 14;
constexpr std::size_t kTagSecondaryType = 16;
constexpr std::size_t kTagItemLength = 18;
constexpr std::size_t kTagChangeCounter = 20;
constexpr std::size_t kTagUnique = 23;
constexpr std::size_t kTagExpression = 24;
constexpr std::size_t kTagExpressionEnd = 245; // the has-filter flag follows the expression
constexpr std::size_t kTagHasFilter = 245;
constexpr std::size_t kTagHasKeys = 246;
constexpr std::size_t kTagLeftLeaf = 248;
constexpr std::size_t kTagRightLeaf = 252;
constexpr std::size_t kTagDate = 257;
constexpr std::size_t kTagBareField = 480;
constexpr std::size_t kTagFilter = 762;

constexpr std::uint8_t kFormatKey = 0x10;
constexpr std::uint8_t kFormatDescending = 0x08;
constexpr std::uint8_t kFormatUnique = 0x40;

inline std::uint16_t get16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t get32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void put16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void put32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Each item is a 4-byte pointer and the key, padded to a multiple of four.
inline std::size_t itemLength(std::size_t keyLength) {
    return (4 + keyLength + 3) / 4 * 4;
}
inline std::size_t maxKeysPerNode(std::size_t keyLength) {
    return (kBlock - 12) / itemLength(keyLength);
}

} // namespace dbase::mdx
