#pragma once

#include "platform/dbase/KeyExpression.h"
#include "platform/dbase/MdxFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dbase {

// One index tag held in memory: every record's key in one arena (indexed by record number)
// and the record numbers sorted by (key, record number). The trees of an index file are
// never read; this order is rebuilt from the expression.
class TagOrder {
public:
    TagOrder(MdxTagInfo info, KeyExpression expression);

    const MdxTagInfo& info() const { return info_; }
    const std::string& name() const { return info_.name; }
    int keyLength() const { return keyLength_; }

    // Keys of records 1..n, appended in record order.
    void reserve(std::size_t records);
    void clear();
    void appendKey(const char* record);
    // Replaces a key (the record must first be taken out of the sorted list).
    void replaceKey(std::uint32_t recNo, const char* record);
    const char* key(std::uint32_t recNo) const {
        return arena_.data() + static_cast<std::size_t>(recNo - 1) * keyLength_;
    }
    bool keyEquals(std::uint32_t recNo, const char* record);
    std::size_t keyCount() const { return keyCount_; }

    // Strict order of two records: by key (reversed for a descending tag), then record number.
    bool before(std::uint32_t a, std::uint32_t b) const;

    // Sorts every record whose key is held.
    void sortAll();
    // Places records whose keys are already held (any order) into the sorted list.
    void merge(std::vector<std::uint32_t> recNos);
    void insertSorted(std::uint32_t recNo);
    void eraseSorted(std::uint32_t recNo);
    const std::vector<std::uint32_t>& sorted() const { return sorted_; }

private:
    struct Entry {
        std::uint64_t prefix;
        std::uint32_t recNo;
    };
    std::uint64_t prefixAt(std::uint32_t recNo, int level) const;
    void sortEntries(Entry* begin, Entry* end, Entry* scratch, int level) const;

    MdxTagInfo info_;
    KeyExpression expression_;
    int keyLength_;
    std::size_t keyCount_ = 0;
    std::vector<char> arena_;
    std::vector<std::uint32_t> sorted_;
    std::string scratch_;
};

} // namespace dbase
