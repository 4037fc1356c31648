#include "platform/dbase/KeyExpression.h"
#include "platform/dbase/DatabaseError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using dbase::DatabaseError;
using dbase::FieldDef;
using dbase::FieldLayout;
using dbase::FieldType;
using dbase::KeyExpression;

// A small item table: the record bytes are laid out as a table file holds them.
class KeyExpressionTest : public ::testing::Test {
protected:
    KeyExpressionTest() {
        const std::vector<FieldDef> defs = {
            {"ITEM", FieldType::Character, 10, 0},     {"Brand", FieldType::Character, 20, 0},
            {"CATEGORY", FieldType::Character, 20, 0}, {"QUANTITY", FieldType::Numeric, 5, 0},
            {"COST", FieldType::Float, 10, 2},         {"PURCHDATE", FieldType::Date, 8, 0},
            {"FLAG", FieldType::Logical, 1, 0},
        };
        int offset = 1;
        for (const auto& d : defs) {
            fields.push_back({d, offset});
            offset += d.length;
        }
        recordLength = offset;
    }

    // Values as the table stores them: text left-aligned, numbers right-aligned, dates as is.
    std::string record(const std::map<std::string, std::string>& values) const {
        std::string bytes(static_cast<std::size_t>(recordLength), ' ');
        for (const auto& [name, value] : values) {
            const auto& f = *std::find_if(fields.begin(), fields.end(),
                                          [&](const FieldLayout& l) { return l.def.name == name; });
            const std::size_t width = static_cast<std::size_t>(f.def.length);
            const std::string cell = f.def.type == FieldType::Character
                                         ? value + std::string(width - value.size(), ' ')
                                         : std::string(width - value.size(), ' ') + value;
            bytes.replace(static_cast<std::size_t>(f.offset), width, cell);
        }
        return bytes;
    }

    std::string key(const std::string& expression,
                    const std::map<std::string, std::string>& values) const {
        const auto compiled = KeyExpression::parse(expression, fields);
        std::string out;
        compiled.evaluate(record(values).data(), out);
        EXPECT_EQ(out.size(), static_cast<std::size_t>(compiled.keyLength())) << expression;
        return out;
    }

    std::string parseError(const std::string& expression) const {
        try {
            KeyExpression::parse(expression, fields);
        } catch (const DatabaseError& e) {
            return e.what();
        }
        return "(accepted)";
    }

    std::vector<FieldLayout> fields;
    int recordLength = 0;
};

TEST_F(KeyExpressionTest, TypeAndLengthAreKnownBeforeAnyRecord) {
    struct Case {
        const char* text;
        char type;
        int length;
    };
    const Case cases[] = {
        {"Upper(Left(Category,80))", 'C', 20},
        {"DTOS(PurchDate)+STR(Quantity,12,0)+Upper(Left(Brand,26))", 'C', 40},
        {"Upper(Left(Item,40))+STR(Cost,12,2)", 'C', 22},
        {"item", 'C', 10},
        {"Left(Brand,5)", 'C', 5},
        {"RIGHT(Brand,30)", 'C', 20},
        {"SUBSTR(Item,3,4)", 'C', 4},
        {"SUBSTR(Item,8)", 'C', 3},
        {"TRIM(Item)+Brand", 'C', 30},
        {"STR(Cost)", 'C', 10},
        {"dtoc(purchdate)", 'C', 8},
        {"'AB'+\"C\"+[D]", 'C', 4},
        {"Quantity", 'N', 8},
        {"Quantity+Cost", 'N', 8},
        {"VAL(Item)", 'N', 8},
        {"PurchDate", 'D', 8},
        {"PurchDate+30", 'D', 8},
        {"UPPE(SUBS(Item,2))", 'C', 9},
        {"  ( Item + Brand )  ", 'C', 30},
    };
    for (const auto& c : cases) {
        const auto e = KeyExpression::parse(c.text, fields);
        EXPECT_EQ(e.keyType(), c.type) << c.text;
        EXPECT_EQ(e.keyLength(), c.length) << c.text;
        EXPECT_EQ(e.text(), c.text);
    }
}

TEST_F(KeyExpressionTest, CharacterKeysAreTheDbaseKeyBytes) {
    struct Case {
        const char* text;
        std::map<std::string, std::string> values;
        std::string key;
    };
    const std::string cafe = "Caf\xe9 tools";
    const Case cases[] = {
        {"Upper(Left(Category,80))", {{"CATEGORY", cafe}}, "CAF\xe9 TOOLS" + std::string(10, ' ')},
        {"DTOS(PurchDate)+STR(Quantity,12,0)+Upper(Left(Brand,26))",
         {{"PURCHDATE", "19991231"}, {"QUANTITY", "42"}, {"Brand", "Acme"}},
         "19991231          42ACME" + std::string(16, ' ')},
        {"DTOS(PurchDate)+STR(Quantity,12,0)", {}, std::string(8, ' ') + "           0"},
        {"Left(Item,3)", {{"ITEM", "abcdef"}}, "abc"},
        {"RIGHT(Item,3)", {{"ITEM", "abc"}}, "   "},
        {"RIGHT(TRIM(Item),2)", {{"ITEM", "abc"}}, "bc"},
        {"SUBSTR(Item,2,3)", {{"ITEM", "abcdef"}}, "bcd"},
        {"SUBSTR(Item,12)+'|'", {{"ITEM", "abcdef"}}, "|"},
        {"TRIM(Item)+Brand", {{"ITEM", "ab"}, {"Brand", "xy"}}, "abxy" + std::string(26, ' ')},
        {"LTRIM(Item)+'|'", {{"ITEM", "  ab"}}, "ab      |  "},
        {"LTRIM(STR(Quantity))", {{"QUANTITY", "42"}}, "42" + std::string(8, ' ')},
        {"STR(Cost,12,2)", {{"COST", "129.99"}}, "      129.99"},
        {"STR(Cost,12,2)", {{"COST", "-12.25"}}, "      -12.25"},
        {"STR(Cost,4,2)", {{"COST", "129.99"}}, "****"},
        {"STR(Cost,5,0)", {{"COST", "2.50"}}, "    3"},
        {"STR(Cost,5,0)", {{"COST", "-2.50"}}, "   -3"},
        {"STR(Cost,5,1)", {{"COST", "9.96"}}, " 10.0"},
        {"STR(Cost,6)", {{"COST", "***"}}, "     0"},
        {"STR(Cost,6,1)", {{"COST", ".55"}}, "   0.6"},
        {"STR(Cost,6,2)", {{"COST", "-0.00"}}, "  0.00"},
        {"STR(VAL('1.005'),6,2)", {}, "  1.01"},
        {"STR(VAL(' -0.004xyz'),6,2)", {}, "  0.00"},
        {"STR(VAL(Item)+1,4)", {{"ITEM", "abc"}}, "   1"},
        {"STR(Quantity+Cost,8,2)", {{"QUANTITY", "3"}, {"COST", "0.50"}}, "    3.50"},
        {"DTOS(PurchDate)", {{"PURCHDATE", "20260230"}}, std::string(8, ' ')},
        {"DTOC(PurchDate)", {{"PURCHDATE", "19991231"}}, "12/31/99"},
        {"DTOC(PurchDate)", {}, "  /  /  "},
        {"DTOS(PurchDate+1)", {{"PURCHDATE", "19991231"}}, "20000101"},
        {"DTOS(1+PurchDate)", {{"PURCHDATE", "20000228"}}, "20000229"},
        {"DTOS(PurchDate+1)", {{"PURCHDATE", "00000000"}}, std::string(8, ' ')},
        {"'x'+\"y\"+[z]+Item", {{"ITEM", "it"}}, "xyzit" + std::string(8, ' ')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(key(c.text, c.values), c.key) << c.text;
}

TEST_F(KeyExpressionTest, NamesMatchInAnyCase) {
    const std::map<std::string, std::string> values = {{"CATEGORY", "Lamps"}, {"Brand", "x"}};
    EXPECT_EQ(key("upper(left(CATEGORY,5))+brand", values),
              key("UPPER(LEFT(category,5))+BRAND", values));
}

TEST_F(KeyExpressionTest, NumericAndDateKeysSortAsTheirValues) {
    const char* numbers[] = {"", "-1000000", "-2.50", "-0.01", "0", "0.50", "3", "9999999"};
    const char* dates[] = {"", "00010101", "19991231", "20000101", "20260211", "99991231"};
    for (const auto& [expression, field, values] :
         {std::tuple{"Cost", "COST",
                     std::vector<const char*>(std::begin(numbers), std::end(numbers))},
          std::tuple{"PurchDate", "PURCHDATE",
                     std::vector<const char*>(std::begin(dates), std::end(dates))}}) {
        std::string previous;
        for (const char* value : values) {
            const std::string current = key(expression, {{field, value}});
            if (!previous.empty()) {
                EXPECT_LT(std::memcmp(previous.data(), current.data(), 8), 0)
                    << expression << " at " << value;
            }
            previous = current;
        }
    }
    EXPECT_EQ(key("Cost", {{"COST", "-0.00"}}), key("Cost", {{"COST", "0.00"}}));
    EXPECT_EQ(key("PurchDate+1", {{"PURCHDATE", "19991231"}}),
              key("PurchDate", {{"PURCHDATE", "20000101"}}));
}

TEST_F(KeyExpressionTest, RefusalsNameTheFault) {
    const std::pair<std::string, std::string> cases[] = {
        {"FOO(Item)", "unknown function FOO"},
        {"Nope", "unknown field Nope"},
        {"Item-Brand", "the operator - is not supported"},
        {"Quantity*2", "the operator * is not supported"},
        {"UPPER(Quantity)", "UPPER needs text as its first argument"},
        {"DTOS(Item)", "DTOS needs a date"},
        {"STR(Item)", "STR needs a number"},
        {"Item+Quantity", "+ joins text with a number or a date"},
        {"PurchDate+PurchDate", "+ cannot add two dates"},
        {"LEFT(Item", "')' is missing at the end"},
        {"LEFT(Item,Quantity)", "LEFT needs a whole number written as digits"},
        {"LEFT(Item,2.5)", "LEFT needs a whole number"},
        {"SUBSTR(Item,0)", "SUBSTR needs a number from 1"},
        {"LEFT(Item)", "LEFT takes 2 arguments"},
        {"STR(Cost,1,2,3)", "STR takes 1 to 3 arguments"},
        {"", "the expression is empty"},
        {"Flag", "the field Flag has a type that cannot be in a key"},
        {"'abc", "a string is not closed"},
        {"Item Brand", "unexpected character 'B' at position 6"},
        {"Item+", "it ends unexpectedly"},
        {"LEFT(Item,0)", "the key is always empty"},
        {"Brand+Category+Brand+Category+Brand+Category", "more than 100"},
        {std::string(40, '(') + "Item" + std::string(40, ')'), "nested too deeply"},
        {std::string(221, ' ') + "Item", "longer than 220 characters"},
    };
    for (const auto& [text, fault] : cases) {
        const std::string message = parseError(text);
        EXPECT_EQ(message.rfind("Invalid index expression \"" + text + "\": ", 0), 0u) << message;
        EXPECT_NE(message.find(fault), std::string::npos) << text << " gave: " << message;
    }
}

TEST_F(KeyExpressionTest, ADateFieldOfAnotherWidthIsRefused) {
    // A damaged table header must not make evaluation read past the field.
    const std::vector<FieldLayout> damaged = {{{"WHEN", FieldType::Date, 3, 0}, 1}};
    EXPECT_THROW(KeyExpression::parse("DTOS(When)", damaged), DatabaseError);
}

TEST_F(KeyExpressionTest, EvaluationReusesTheKeyBuffer) {
    const auto e = KeyExpression::parse(
        "UPPER(LTRIM(TRIM(Item)+Brand))+STR(VAL(Item)+Cost,12,2)+DTOC(PurchDate)", fields);
    std::string out;
    e.evaluate(record({{"ITEM", "12 apples"}, {"Brand", "b"}}).data(), out);
    const char* buffer = out.data();
    const auto records = {record({{"ITEM", "x"}, {"COST", "5.25"}, {"PURCHDATE", "20010101"}}),
                          record({}), record({{"Brand", std::string(20, 'z')}})};
    for (const auto& r : records) {
        e.evaluate(r.data(), out);
        EXPECT_EQ(out.data(), buffer);
        EXPECT_EQ(out.size(), 50u);
    }
    // Trimmed parts are shorter, so later parts move up; only the whole key is padded.
    EXPECT_EQ(out, std::string(20, 'Z') + "        0.00" + "  /  /  " + std::string(10, ' '));
}

} // namespace
