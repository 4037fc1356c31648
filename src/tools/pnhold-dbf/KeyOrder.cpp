#include "KeyOrder.h"

#include "TableAccess.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace pnhold_dbf {
namespace {

// The first 24 key bytes as three numbers, so most comparisons need no memcmp.
struct SortEntry {
    std::uint64_t words[3];
    std::uint32_t row;
};

constexpr std::size_t kWordBytes = sizeof(SortEntry::words);

void fillWords(SortEntry& entry, const char* key, std::size_t length) {
    for (int w = 0; w < 3; ++w) {
        std::uint64_t value = 0;
        for (std::size_t i = 8 * static_cast<std::size_t>(w);
             i < 8 * static_cast<std::size_t>(w) + 8; ++i)
            value = (value << 8) | (i < length ? static_cast<unsigned char>(key[i]) : 0u);
        entry.words[w] = value;
    }
}

} // namespace

std::vector<std::uint32_t> rowsInKeyOrder(const dbase::Table& table,
                                          const dbase::KeyExpression& expression,
                                          const RecordVisitor& visit) {
    const auto rows = static_cast<std::size_t>(std::max(table.recordCount(), 0));
    const auto length = static_cast<std::size_t>(expression.keyLength());
    const auto& fields = table.fields();
    // Bytes past the first 24 are kept aside for the rare comparison that needs them.
    const std::size_t rest = length > kWordBytes ? length - kWordBytes : 0;
    std::vector<char> restBytes(rows * rest);
    std::vector<SortEntry> entries(rows);
    std::string key;
    for (std::size_t row = 0; row < rows; ++row) {
        const char* record = recordStart(table.recordAt(static_cast<int>(row)), fields);
        expression.evaluate(record, key);
        if (visit)
            visit(static_cast<std::uint32_t>(row), record);
        key.resize(length, '\0');
        fillWords(entries[row], key.data(), length);
        entries[row].row = static_cast<std::uint32_t>(row);
        if (rest)
            std::memcpy(restBytes.data() + row * rest, key.data() + kWordBytes, rest);
    }
    const char* base = restBytes.data();
    std::sort(entries.begin(), entries.end(), [&](const SortEntry& a, const SortEntry& b) {
        for (int w = 0; w < 3; ++w)
            if (a.words[w] != b.words[w])
                return a.words[w] < b.words[w];
        if (rest) {
            const int c = std::memcmp(base + a.row * rest, base + b.row * rest, rest);
            if (c != 0)
                return c < 0;
        }
        return a.row < b.row; // equal keys keep record order
    });
    std::vector<std::uint32_t> order(rows);
    for (std::size_t i = 0; i < rows; ++i)
        order[i] = entries[i].row;
    return order;
}

} // namespace pnhold_dbf
