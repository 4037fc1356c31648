#include "platform/dbase/Table.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using dbase::FieldLayout;
using dbase::FieldType;
using dbase::RecordView;

namespace {

// Foreign tables hold values this engine never writes; reading them must stay calm.
TEST(RecordView, ReadsForeignFieldBytes) {
    std::vector<FieldLayout> fields = {{{"N", FieldType::Numeric, 6, 2}, 1},
                                       {{"D", FieldType::Date, 8}, 7},
                                       {{"L", FieldType::Logical, 1}, 15},
                                       {{"M", FieldType::Memo, 4}, 16}};
    struct Case {
        std::string record;
        std::string number;
        std::optional<double> value;
        bool dateBlank;
        std::optional<dbase::Date> date;
        std::string logical;
    };
    // flag, N(6,2), D, L, M(4)
    auto record = [](std::string n, std::string d, std::string l) {
        return " " + n + d + l + "  17";
    };
    const std::vector<Case> cases = {
        {record(" 12.50", "20240229", "y"), "12.50", 12.5, false, dbase::Date{2024, 2, 29}, "T"},
        {record("      ", "00000000", "?"), "", std::nullopt, true, std::nullopt, ""},
        {record("******", "20230229", "n"), "******", std::nullopt, false, std::nullopt, "F"},
        {record("  +1.5", "        ", "x"), "+1.5", 1.5, true, std::nullopt, ""},
        {record(" 1.2.3", "19991301", " "), "1.2.3", std::nullopt, false, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.record.size(), 20u);
        RecordView view(c.record.data(), &fields);
        EXPECT_EQ(view.text(0), c.number) << c.record;
        EXPECT_EQ(view.number(0), c.value) << c.record;
        EXPECT_EQ(view.isBlank(1), c.dateBlank) << c.record;
        EXPECT_EQ(view.date(1), c.date) << c.record;
        EXPECT_EQ(view.text(2), c.logical) << c.record;
        EXPECT_EQ(view.text(3), "") << c.record;
        EXPECT_TRUE(view.isBlank(3));
    }
    std::string blank(20, ' ');
    RecordView view(blank.data(), &fields);
    EXPECT_THROW(view.raw(4), dbase::DatabaseError);
    EXPECT_THROW(view.number(-1), dbase::DatabaseError);
}

} // namespace
