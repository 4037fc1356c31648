#include "find/SortString.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct SortCase {
    find::SortLevels levels;
    const char* expression;
};

void PrintTo(const SortCase& c, std::ostream* out) {
    *out << '"' << c.expression << '"';
}

class SortStringTest : public testing::TestWithParam<SortCase> {};

TEST_P(SortStringTest, BuildsTheKeyExpression) {
    EXPECT_EQ(find::BuildSortString(GetParam().levels), GetParam().expression);
}

INSTANTIATE_TEST_SUITE_P(
    Levels, SortStringTest,
    testing::Values(SortCase{{12, 0, 0, 0}, "Upper(Left(Category,80))"},
                    SortCase{{1, 11, 0, 0}, "Upper(Left(Item,40))+STR(Cost,12,2)"},
                    SortCase{{10, 9, 2, 0},
                             "DTOS(PurchDate)+STR(Quantity,12,0)+Upper(Left(Brand,26))"},
                    SortCase{{0, 5, 0, 0}, "Upper(Left(Location,80))"},
                    SortCase{{1, 2, 3, 4},
                             "Upper(Left(Item,20))+Upper(Left(Brand,20))+Upper(Left(Model,20))+"
                             "Upper(Left(Serial,20))"},
                    SortCase{{0, 0, 0, 0}, ""},
                    // The same field twice is kept twice.
                    SortCase{{2, 2, 0, 0}, "Upper(Left(Brand,40))+Upper(Left(Brand,40))"},
                    // A level outside 1..22 adds nothing but still narrows the character parts.
                    SortCase{{30, 1, 0, 0}, "Upper(Left(Item,40))"}, SortCase{{23, 0, 0, 0}, ""},
                    // Negative levels (no selection in a list) count as none.
                    SortCase{{-1, 15, 0, 22}, "DTOS(WarDate)+Upper(Left(UserDef4,40))"},
                    SortCase{{13, 18, 0, 0}, "STR(RepCost,12,2)+STR(Value,12,2)"}),
    [](const auto& info) {
        std::string name = "Levels";
        for (int level : info.param.levels) {
            name += "_" + (level < 0 ? "minus" + std::to_string(-level) : std::to_string(level));
        }
        return name;
    });

} // namespace
