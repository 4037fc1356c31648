#include "platform/dbase/MdxFile.h"

#include "platform/dbase/DatabaseError.h"
#include "platform/dbase/KeyEncoding.h"
#include "platform/dbase/MdxLayout.h"
#include "platform/fileio/FileIo.h"
#include "platform/fileio/TempFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <ctime>
#include <limits>
#include <string_view>
#include <system_error>

namespace dbase {
namespace {

using namespace mdx;

constexpr std::size_t kMaxExpression = kTagExpressionEnd - kTagExpression - 1;
constexpr std::size_t kMaxFilter = kBlock - kTagFilter - 1;
constexpr int kMaxCharacterKey = 100;

std::string upperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return s;
}

// The shape of one tag's tree: the leaves split the keys evenly, every branch level splits the
// level below evenly, so no node is left with a single child.
struct TreeShape {
    std::size_t maxKeys = 0;
    std::size_t item = 0;
    // levels[0] are the leaves; bounds[i]..bounds[i+1] are the keys (or children) of node i.
    std::vector<std::vector<std::size_t>> levels;
    std::vector<std::uint32_t> firstPage; // page of node 0 of each level
    std::uint32_t headerPage = 0;
    std::uint64_t nodeCount = 0;

    std::size_t nodesAt(std::size_t level) const { return levels[level].size() - 1; }
    std::uint32_t pageOf(std::size_t level, std::size_t node) const {
        return firstPage[level] + static_cast<std::uint32_t>(node) * kPagesPerBlock;
    }
    std::uint32_t rootPage() const { return pageOf(levels.size() - 1, 0); }
};

std::vector<std::size_t> splitEvenly(std::size_t items, std::size_t parts) {
    std::vector<std::size_t> bounds(parts + 1);
    for (std::size_t i = 0; i <= parts; ++i)
        bounds[i] = static_cast<std::size_t>(static_cast<unsigned __int128>(items) * i / parts);
    return bounds;
}

TreeShape shapeTree(std::size_t keyCount, std::size_t keyLength, std::uint64_t& nextPage) {
    TreeShape shape;
    shape.item = itemLength(keyLength);
    shape.maxKeys = maxKeysPerNode(keyLength);
    const std::size_t leaves =
        std::max<std::size_t>(1, (keyCount + shape.maxKeys - 1) / shape.maxKeys);
    shape.levels.push_back(splitEvenly(keyCount, leaves));
    while (shape.nodesAt(shape.levels.size() - 1) > 1) {
        const std::size_t children = shape.nodesAt(shape.levels.size() - 1);
        const std::size_t fanOut = shape.maxKeys + 1;
        shape.levels.push_back(splitEvenly(children, (children + fanOut - 1) / fanOut));
    }
    shape.headerPage = static_cast<std::uint32_t>(nextPage);
    nextPage += kPagesPerBlock;
    for (std::size_t level = 0; level < shape.levels.size(); ++level) {
        shape.firstPage.push_back(static_cast<std::uint32_t>(nextPage));
        nextPage += std::uint64_t{kPagesPerBlock} * shape.nodesAt(level);
        shape.nodeCount += shape.nodesAt(level);
    }
    if (nextPage > std::numeric_limits<std::uint32_t>::max())
        throw DatabaseError("Too many index keys for one index file.");
    return shape;
}

void putDate(unsigned char* p, const std::tm& t) {
    p[0] = static_cast<unsigned char>(t.tm_year);
    p[1] = static_cast<unsigned char>(t.tm_mon + 1);
    p[2] = static_cast<unsigned char>(t.tm_mday);
}

bool isBareFieldName(const std::string& expression) {
    return !expression.empty() && std::all_of(expression.begin(), expression.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

// Numeric and date keys arrive in the order-preserving encoding of key expressions. The file
// holds dates as the Julian day in a little-endian double (blank as day 0). Numbers are kept
// the same way, blank as minus infinity, so both orders match the tree.
void putKey(unsigned char* out, const MdxTagInfo& info, const char* key) {
    if (info.keyType == 'C') {
        std::memcpy(out, key, static_cast<std::size_t>(info.keyLength));
        return;
    }
    const auto value = keycode::decodeOrdered(key);
    const double stored = value                 ? *value
                          : info.keyType == 'D' ? 0.0
                                                : -std::numeric_limits<double>::infinity();
    const auto bits = std::bit_cast<std::uint64_t>(stored);
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

void validate(const std::vector<MdxTagKeys>& tags) {
    if (tags.empty())
        throw DatabaseError("An index file needs at least one tag.");
    if (tags.size() > kMaxTags)
        throw DatabaseError("An index file holds at most 47 tags.");
    std::vector<std::string> names;
    for (const auto& tag : tags) {
        const MdxTagInfo& info = tag.info;
        const std::string name = upperAscii(info.name);
        if (name.empty() || name.size() > 10 || name.find('\0') != std::string::npos)
            throw DatabaseError("Invalid index tag name \"" + info.name + "\".");
        if (std::find(names.begin(), names.end(), name) != names.end())
            throw DatabaseError("Index tag " + name + " appears twice.");
        names.push_back(name);
        if (info.expression.empty() || info.expression.size() > kMaxExpression ||
            info.expression.find('\0') != std::string::npos)
            throw DatabaseError("The key expression of index tag " + name + " cannot be stored.");
        if (info.filter.size() > kMaxFilter || info.filter.find('\0') != std::string::npos)
            throw DatabaseError("The filter of index tag " + name + " cannot be stored.");
        const bool sized = info.keyType == 'C'
                               ? info.keyLength >= 1 && info.keyLength <= kMaxCharacterKey
                               : (info.keyType == 'N' || info.keyType == 'D') &&
                                     info.keyLength == keycode::kOrderedLength;
        if (!sized)
            throw DatabaseError("Index tag " + name + " has an unsupported key type or length.");
        if (tag.count > 0 && !tag.entry)
            throw DatabaseError("Index tag " + name + " has no keys to write.");
    }
}

// A file written beside its target and renamed over it only when it is complete and synced.
class SafeOutput {
public:
    explicit SafeOutput(const std::string& target) try : file_(target) {
        file_.setMode(fileio::newFileMode());
        buffer_.reserve(kBuffer);
    } catch (const std::system_error& error) {
        fail(target, error);
    }
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    void append(const unsigned char* data, std::size_t size) {
        buffer_.insert(buffer_.end(), data, data + size);
        if (buffer_.size() >= kBuffer)
            flush();
    }

    void commit() {
        flush();
        try {
            file_.sync();
            file_.close();
            file_.replaceTarget();
        } catch (const std::system_error& error) {
            fail(file_.target(), error);
        }
        fileio::syncFolderOfIfPossible(file_.target());
    }

private:
    static constexpr std::size_t kBuffer = 1 << 20;

    [[noreturn]] static void fail(const std::string& target, const std::system_error& error) {
        throw DatabaseError("Cannot write index file " + target + ": " +
                            std::strerror(error.code().value()));
    }

    void flush() {
        try {
            fileio::writeAll(
                file_.fd(),
                std::string_view(reinterpret_cast<const char*>(buffer_.data()), buffer_.size()),
                file_.path());
        } catch (const std::system_error& error) {
            fail(file_.target(), error);
        }
        buffer_.clear();
    }

    fileio::TempFile file_;
    std::vector<unsigned char> buffer_;
};

class TagWriter {
public:
    TagWriter(const MdxTagKeys& tag, const TreeShape& shape, const std::tm& today)
        : tag_(tag), info_(tag.info), shape_(shape), today_(today),
          keyLength_(static_cast<std::size_t>(info_.keyLength)) {}

    void write(SafeOutput& out) {
        writeHeader(out);
        for (std::size_t node = 0; node < shape_.nodesAt(0); ++node)
            writeLeaf(out, node);
        for (std::size_t level = 1; level < shape_.levels.size(); ++level)
            for (std::size_t node = 0; node < shape_.nodesAt(level); ++node)
                writeBranch(out, level, node);
    }

private:
    void writeHeader(SafeOutput& out) const {
        unsigned char block[kBlock] = {};
        put32(block + kTagRoot, shape_.rootPage());
        put32(block + kTagPages, static_cast<std::uint32_t>(shape_.nodeCount * kPagesPerBlock));
        block[kTagKeyFormat] =
            static_cast<unsigned char>(kFormatKey | (info_.descending ? kFormatDescending : 0) |
                                       (info_.unique ? kFormatUnique : 0));
        block[kTagKeyType] = static_cast<unsigned char>(info_.keyType);
        put16(block + kTagKeyLength, static_cast<std::uint32_t>(keyLength_));
        put16(block + kTagMaxKeys, static_cast<std::uint32_t>(shape_.maxKeys));
        put16(block + kTagSecondaryType, info_.keyType == 'D' ? 1 : 0);
        put16(block + kTagItemLength, static_cast<std::uint32_t>(shape_.item));
        block[kTagChangeCounter] = 1;
        block[kTagUnique] = info_.unique ? 1 : 0;
        std::memcpy(block + kTagExpression, info_.expression.data(), info_.expression.size());
        if (!info_.filter.empty()) {
            block[kTagHasFilter] = 1;
            std::memcpy(block + kTagFilter, info_.filter.data(), info_.filter.size());
        }
        block[kTagHasKeys] = tag_.count > 0 ? 1 : 0;
        put32(block + kTagLeftLeaf, shape_.pageOf(0, 0));
        put32(block + kTagRightLeaf, shape_.pageOf(0, shape_.nodesAt(0) - 1));
        putDate(block + kTagDate, today_);
        block[kTagBareField] = isBareFieldName(info_.expression) ? 1 : 0;
        out.append(block, kBlock);
    }

    std::pair<const char*, std::uint32_t> entry(std::size_t i) const {
        const auto e = tag_.entry(i);
        if (!e.first || e.second == 0)
            throw DatabaseError("Index tag " + info_.name + " has an invalid key entry.");
        return e;
    }

    // The caller hands the keys in index order; a slip would give a tree that readers
    // search wrongly, so the order is checked as the leaves are written.
    void checkOrder(const char* key, std::uint32_t record) {
        if (havePrevious_) {
            int order = std::memcmp(previous_.data(), key, keyLength_);
            if (info_.descending)
                order = -order;
            if (order > 0 || (order == 0 && previousRecord_ >= record))
                throw DatabaseError("The keys of index tag " + info_.name +
                                    " are not in index order.");
        }
        previous_.assign(key, keyLength_);
        previousRecord_ = record;
        havePrevious_ = true;
    }

    void writeLeaf(SafeOutput& out, std::size_t node) {
        unsigned char block[kBlock] = {};
        const auto& bounds = shape_.levels[0];
        put32(block, static_cast<std::uint32_t>(bounds[node + 1] - bounds[node]));
        unsigned char* item = block + kNodeHeader;
        for (std::size_t i = bounds[node]; i < bounds[node + 1]; ++i, item += shape_.item) {
            const auto [key, record] = entry(i);
            checkOrder(key, record);
            put32(item, record);
            putKey(item + 4, info_, key);
        }
        out.append(block, kBlock); // the word after the last item stays 0: a leaf
    }

    // The highest key below node `node` of `level` is the last key of its last leaf.
    std::size_t lastKeyBelow(std::size_t level, std::size_t node) const {
        while (level > 0) {
            node = shape_.levels[level][node + 1] - 1;
            --level;
        }
        return shape_.levels[0][node + 1] - 1;
    }

    void writeBranch(SafeOutput& out, std::size_t level, std::size_t node) const {
        unsigned char block[kBlock] = {};
        const auto& bounds = shape_.levels[level];
        const std::size_t first = bounds[node];
        const std::size_t last = bounds[node + 1] - 1; // the trailing child
        put32(block, static_cast<std::uint32_t>(last - first));
        unsigned char* item = block + kNodeHeader;
        for (std::size_t child = first; child < last; ++child, item += shape_.item) {
            put32(item, shape_.pageOf(level - 1, child));
            putKey(item + 4, info_, entry(lastKeyBelow(level - 1, child)).first);
        }
        put32(item, shape_.pageOf(level - 1, last));
        out.append(block, kBlock);
    }

    const MdxTagKeys& tag_;
    const MdxTagInfo& info_;
    const TreeShape& shape_;
    const std::tm& today_;
    std::size_t keyLength_;
    std::string previous_;
    std::uint32_t previousRecord_ = 0;
    bool havePrevious_ = false;
};

// Tag 1 is the root of a binary search tree over the names; each later tag is hung below it
// by name comparison. Links count tags from 1; 0 is none.
void linkNames(const std::vector<std::string>& names, std::vector<unsigned char>& table) {
    for (std::size_t j = 1; j < names.size(); ++j) {
        std::size_t node = 0;
        for (;;) {
            unsigned char* entry = &table[node * kTagEntry];
            const std::size_t link = names[j] < names[node] ? kEntryLower : kEntryHigher;
            if (entry[link] == 0) {
                entry[link] = static_cast<unsigned char>(j + 1);
                table[j * kTagEntry + kEntryParent] = static_cast<unsigned char>(node + 1);
                break;
            }
            node = entry[link] - 1u;
        }
    }
}

} // namespace

void writeMdx(const std::string& path, const std::string& tableName,
              const std::vector<MdxTagKeys>& tags) {
    validate(tags);
    std::uint64_t nextPage = kFirstFreePage;
    std::vector<TreeShape> shapes;
    for (const auto& tag : tags)
        shapes.push_back(
            shapeTree(tag.count, static_cast<std::size_t>(tag.info.keyLength), nextPage));

    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);

    std::vector<unsigned char> head(kFirstFreePage * kPage, 0);
    head[kVersion] = 2;
    putDate(&head[kCreated], today);
    const std::string name = upperAscii(tableName).substr(0, kTableNameSize);
    std::memcpy(&head[kTableName], name.data(), name.size());
    put16(&head[kPagesPerBlockAt], kPagesPerBlock);
    put16(&head[kBlockSizeAt], kBlock);
    head[kProduction] = 1;
    head[kEntryCount] = kTagTableEntries;
    head[kEntryLength] = kTagEntry;
    put16(&head[kTagsInUse], static_cast<std::uint32_t>(tags.size()));
    put32(&head[kPagesInFile], static_cast<std::uint32_t>(nextPage));
    put32(&head[kFreePage], 0);
    putDate(&head[kUpdated], today);

    std::vector<unsigned char> table(tags.size() * kTagEntry, 0);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        unsigned char* entry = &table[i * kTagEntry];
        names.push_back(upperAscii(tags[i].info.name));
        put32(entry + kEntryHeaderPage, shapes[i].headerPage);
        std::memcpy(entry + kEntryName, names.back().data(), names.back().size());
        entry[kEntryKeyFormat] = kFormatKey;
        entry[kEntryReserved19] = 0x02;
        entry[kEntryKeyType] = static_cast<unsigned char>(tags[i].info.keyType);
    }
    linkNames(names, table);
    std::copy(table.begin(), table.end(), head.begin() + kHeaderSize);

    SafeOutput out(path);
    out.append(head.data(), head.size());
    for (std::size_t i = 0; i < tags.size(); ++i)
        TagWriter(tags[i], shapes[i], today).write(out);
    out.commit();
}

} // namespace dbase
