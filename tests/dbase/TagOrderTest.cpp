#include "platform/dbase/TagOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

using dbase::FieldLayout;
using dbase::FieldType;

// Enough records for the radix path, with long runs of equal keys and keys that differ only
// past their first eight bytes; the order must equal a stable sort of the key texts.
TEST(TagOrder, SortsLikeAStableSortOfTheKeys) {
    std::vector<FieldLayout> fields = {{{"NAME", FieldType::Character, 20}, 1}};
    std::mt19937 random(7);
    const std::vector<std::string> stems = {"ELECTRONICS", "ELECTRONIC", "FURNITURE", "", "TOOLS"};
    std::vector<std::string> records;
    for (int i = 0; i < 3000; ++i) {
        std::string name = stems[random() % stems.size()];
        if (random() % 3 == 0) {
            name += static_cast<char>('A' + random() % 3);
        }
        name.resize(20, ' ');
        records.push_back(" " + name);
    }
    for (bool descending : {false, true}) {
        dbase::MdxTagInfo info;
        info.name = "T";
        info.descending = descending;
        dbase::TagOrder tag(info, dbase::KeyExpression::parse("NAME", fields));
        for (const std::string& record : records) {
            tag.appendKey(record.data());
        }
        tag.sortAll();

        std::vector<std::uint32_t> expected(records.size());
        std::iota(expected.begin(), expected.end(), 1u);
        std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t a, std::uint32_t b) {
            const std::string& ka = records[a - 1];
            const std::string& kb = records[b - 1];
            return descending ? ka > kb : ka < kb;
        });
        EXPECT_EQ(tag.sorted(), expected) << "descending " << descending;

        // Keeping the order on a post: a new key among its equals goes after them.
        std::string extra = " ELECTRONICS";
        extra.resize(21, ' ');
        tag.appendKey(extra.data());
        tag.insertSorted(static_cast<std::uint32_t>(records.size() + 1));
        auto at = std::find(tag.sorted().begin(), tag.sorted().end(), records.size() + 1);
        ASSERT_NE(at, tag.sorted().end());
        if (at + 1 != tag.sorted().end()) {
            EXPECT_NE(records[*(at + 1) - 1], extra);
        }
        EXPECT_EQ(records[*(at - 1) - 1], extra);
    }
}

} // namespace
