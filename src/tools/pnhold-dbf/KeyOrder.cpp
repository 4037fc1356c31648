#include "KeyOrder.h"

#include "TableAccess.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace pnhold_dbf {
namespace {

// The first eight key bytes as a number, so most comparisons are one integer compare.
struct SortEntry {
    std::uint64_t prefix;
    std::uint32_t row;
};

std::uint64_t prefixOf(const char* key, int length) {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | (i < length ? static_cast<unsigned char>(key[i]) : 0u);
    return value;
}

} // namespace

std::vector<std::uint32_t> rowsInKeyOrder(const dbase::Table& table,
                                          const dbase::KeyExpression& expression) {
    const auto rows = static_cast<std::size_t>(std::max(table.recordCount(), 0));
    const auto length = static_cast<std::size_t>(expression.keyLength());
    const auto& fields = table.fields();
    std::vector<char> keys(rows * length);
    std::vector<SortEntry> entries(rows);
    std::string key;
    for (std::size_t row = 0; row < rows; ++row) {
        expression.evaluate(recordStart(table.recordAt(static_cast<int>(row)), fields), key);
        char* slot = keys.data() + row * length;
        std::memcpy(slot, key.data(), std::min(length, key.size()));
        entries[row] = {prefixOf(slot, static_cast<int>(length)), static_cast<std::uint32_t>(row)};
    }
    const std::size_t rest = length > 8 ? length - 8 : 0;
    const char* base = keys.data();
    std::sort(entries.begin(), entries.end(), [&](const SortEntry& a, const SortEntry& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        if (rest) {
            const int c = std::memcmp(base + a.row * length + 8, base + b.row * length + 8, rest);
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
