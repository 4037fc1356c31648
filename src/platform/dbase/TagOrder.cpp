#include "platform/dbase/TagOrder.h"

#include <algorithm>
#include <cstring>

namespace dbase {

TagOrder::TagOrder(MdxTagInfo info, KeyExpression expression)
    : info_(std::move(info)), expression_(std::move(expression)),
      keyLength_(expression_.keyLength()) {
    info_.expression = expression_.text();
    info_.keyType = expression_.keyType();
    info_.keyLength = keyLength_;
}

void TagOrder::reserve(std::size_t records) {
    arena_.reserve(records * static_cast<std::size_t>(keyLength_));
    sorted_.reserve(records);
}

void TagOrder::clear() {
    arena_.clear();
    sorted_.clear();
    keyCount_ = 0;
}

void TagOrder::appendKey(const char* record) {
    expression_.evaluate(record, scratch_);
    scratch_.resize(static_cast<std::size_t>(keyLength_), ' ');
    arena_.insert(arena_.end(), scratch_.begin(), scratch_.end());
    ++keyCount_;
}

void TagOrder::replaceKey(std::uint32_t recNo, const char* record) {
    expression_.evaluate(record, scratch_);
    scratch_.resize(static_cast<std::size_t>(keyLength_), ' ');
    std::memcpy(arena_.data() + static_cast<std::size_t>(recNo - 1) * keyLength_, scratch_.data(),
                scratch_.size());
}

bool TagOrder::keyEquals(std::uint32_t recNo, const char* record) {
    expression_.evaluate(record, scratch_);
    scratch_.resize(static_cast<std::size_t>(keyLength_), ' ');
    return std::memcmp(key(recNo), scratch_.data(), scratch_.size()) == 0;
}

bool TagOrder::before(std::uint32_t a, std::uint32_t b) const {
    int c = std::memcmp(key(a), key(b), static_cast<std::size_t>(keyLength_));
    if (info_.descending) {
        c = -c;
    }
    return c < 0 || (c == 0 && a < b);
}

// Eight key bytes as one big-endian number, so comparing numbers compares bytes; a
// descending tag inverts them.
std::uint64_t TagOrder::prefixAt(std::uint32_t recNo, int level) const {
    const auto* k = reinterpret_cast<const unsigned char*>(key(recNo));
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        int at = level * 8 + i;
        value = (value << 8) | (at < keyLength_ ? k[at] : 0);
    }
    return info_.descending ? ~value : value;
}

namespace {

// A stable sort by the 64-bit prefix: byte-wise radix passes, skipping the bytes every entry
// shares (the blank tails of padded keys), so equal prefixes keep their record order.
template <typename Entry> void radixByPrefix(Entry* begin, Entry* end, Entry* scratch) {
    auto n = static_cast<std::size_t>(end - begin);
    if (n < 64) {
        std::sort(begin, end, [](const Entry& a, const Entry& b) {
            return a.prefix != b.prefix ? a.prefix < b.prefix : a.recNo < b.recNo;
        });
        return;
    }
    std::size_t counts[8][256] = {};
    for (const Entry* e = begin; e != end; ++e) {
        for (int b = 0; b < 8; ++b) {
            ++counts[b][(e->prefix >> (8 * b)) & 0xFF];
        }
    }
    Entry* from = begin;
    Entry* to = scratch;
    for (int b = 0; b < 8; ++b) {
        std::size_t* count = counts[b];
        if (count[(begin->prefix >> (8 * b)) & 0xFF] == n) {
            continue;
        }
        std::size_t offsets[256];
        std::size_t total = 0;
        for (int v = 0; v < 256; ++v) {
            offsets[v] = total;
            total += count[v];
        }
        for (const Entry* e = from; e != from + n; ++e) {
            to[offsets[(e->prefix >> (8 * b)) & 0xFF]++] = *e;
        }
        std::swap(from, to);
    }
    if (from != begin) {
        std::copy(from, from + n, begin);
    }
}

} // namespace

// Sorts by eight key bytes at a time and refines only runs that tie, so most of the work is
// on a small, contiguous array instead of the arena.
void TagOrder::sortEntries(Entry* begin, Entry* end, Entry* scratch, int level) const {
    radixByPrefix(begin, end, scratch);
    if ((level + 1) * 8 >= keyLength_) {
        return;
    }
    for (Entry* run = begin; run != end;) {
        Entry* stop = run + 1;
        while (stop != end && stop->prefix == run->prefix) {
            ++stop;
        }
        if (stop - run > 1) {
            for (Entry* e = run; e != stop; ++e) {
                e->prefix = prefixAt(e->recNo, level + 1);
            }
            sortEntries(run, stop, scratch + (run - begin), level + 1);
        }
        run = stop;
    }
}

void TagOrder::sortAll() {
    std::vector<Entry> entries(keyCount_);
    for (std::size_t i = 0; i < keyCount_; ++i) {
        auto recNo = static_cast<std::uint32_t>(i + 1);
        entries[i] = Entry{prefixAt(recNo, 0), recNo};
    }
    std::vector<Entry> scratch(keyCount_);
    sortEntries(entries.data(), entries.data() + entries.size(), scratch.data(), 0);
    scratch = {};
    sorted_.resize(keyCount_);
    for (std::size_t i = 0; i < keyCount_; ++i) {
        sorted_[i] = entries[i].recNo;
    }
}

void TagOrder::merge(std::vector<std::uint32_t> recNos) {
    auto less = [this](std::uint32_t a, std::uint32_t b) { return before(a, b); };
    std::sort(recNos.begin(), recNos.end(), less);
    auto middle = static_cast<std::ptrdiff_t>(sorted_.size());
    sorted_.insert(sorted_.end(), recNos.begin(), recNos.end());
    std::inplace_merge(sorted_.begin(), sorted_.begin() + middle, sorted_.end(), less);
}

void TagOrder::insertSorted(std::uint32_t recNo) {
    auto at = std::upper_bound(sorted_.begin(), sorted_.end(), recNo,
                               [this](std::uint32_t a, std::uint32_t b) { return before(a, b); });
    sorted_.insert(at, recNo);
}

void TagOrder::eraseSorted(std::uint32_t recNo) {
    auto at = std::lower_bound(sorted_.begin(), sorted_.end(), recNo,
                               [this](std::uint32_t a, std::uint32_t b) { return before(a, b); });
    if (at != sorted_.end() && *at == recNo) {
        sorted_.erase(at);
    }
}

} // namespace dbase
