#include "app/ItemTable.h"

#include "app/ItemSchema.h"
#include "platform/dbase/Table.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

namespace fs = std::filesystem;
using dbase::FieldLayout;
using dbase::FieldType;

TEST(ItemTableFieldDefsTest, DefinesTheTwentyTwoFieldsInOrder) {
    struct Expected {
        const char* name;
        FieldType type;
        int length;
        int decimals;
    };
    const std::vector<Expected> expected = {
        {"Item", FieldType::Character, 40, 0},       {"Brand", FieldType::Character, 20, 0},
        {"Model", FieldType::Character, 20, 0},      {"Serial", FieldType::Character, 20, 0},
        {"Location", FieldType::Character, 30, 0},   {"Descriptio", FieldType::Character, 110, 0},
        {"BoughtFrom", FieldType::Character, 40, 0}, {"IDMarks", FieldType::Character, 60, 0},
        {"Quantity", FieldType::Numeric, 11, 0},     {"PurchDate", FieldType::Date, 8, 0},
        {"Cost", FieldType::Numeric, 20, 4},         {"Category", FieldType::Character, 20, 0},
        {"RepCost", FieldType::Numeric, 20, 4},      {"Warranty", FieldType::Character, 3, 0},
        {"WarDate", FieldType::Date, 8, 0},          {"WarNotes", FieldType::Character, 30, 0},
        {"Owner", FieldType::Character, 30, 0},      {"Value", FieldType::Numeric, 20, 4},
        {"UserDef1", FieldType::Character, 40, 0},   {"UserDef2", FieldType::Character, 40, 0},
        {"UserDef3", FieldType::Character, 40, 0},   {"UserDef4", FieldType::Character, 40, 0},
    };
    const std::vector<dbase::FieldDef> defs = app::itemTableFieldDefs();
    ASSERT_EQ(defs.size(), expected.size());
    for (std::size_t i = 0; i < defs.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(defs[i].name, expected[i].name);
        EXPECT_EQ(defs[i].type, expected[i].type);
        EXPECT_EQ(defs[i].length, expected[i].length);
        EXPECT_EQ(defs[i].decimals, expected[i].decimals);
    }
}

std::vector<FieldLayout> itemLayouts(const std::function<std::string(std::string)>& rename) {
    std::vector<FieldLayout> fields;
    int offset = 1;
    for (const app::ItemField& field : app::ItemFields) {
        FieldLayout layout;
        layout.def = {rename(field.tableName), FieldType::Character, field.width, 0};
        layout.offset = offset;
        offset += field.width;
        fields.push_back(layout);
    }
    return fields;
}

std::string upper(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return s;
}
std::string lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

TEST(HasItemTableFieldsTest, NamesMatchInOrderWithoutRegardToCase) {
    const auto same = [](std::string s) { return s; };
    EXPECT_TRUE(app::hasItemTableFields(itemLayouts(same)));
    EXPECT_TRUE(app::hasItemTableFields(itemLayouts(upper)));
    EXPECT_TRUE(app::hasItemTableFields(itemLayouts(lower)));

    // Types and widths are not compared.
    std::vector<FieldLayout> otherTypes = itemLayouts(upper);
    otherTypes[0].def = {"ITEM", FieldType::Numeric, 3, 1};
    otherTypes[9].def.type = FieldType::Logical;
    EXPECT_TRUE(app::hasItemTableFields(otherTypes));
}

TEST(HasItemTableFieldsTest, OtherFieldListsFail) {
    const auto same = [](std::string s) { return s; };
    std::vector<FieldLayout> fewer = itemLayouts(same);
    fewer.pop_back();
    EXPECT_FALSE(app::hasItemTableFields(fewer));

    std::vector<FieldLayout> more = itemLayouts(same);
    more.push_back(more.back());
    more.back().def.name = "EXTRA";
    EXPECT_FALSE(app::hasItemTableFields(more));

    std::vector<FieldLayout> swapped = itemLayouts(same);
    std::swap(swapped[1], swapped[2]);
    EXPECT_FALSE(app::hasItemTableFields(swapped));

    for (const char* wrong : {"Item ", "Ite", "Items", "It\xC9m", ""}) {
        std::vector<FieldLayout> renamed = itemLayouts(same);
        renamed[0].def.name = wrong;
        EXPECT_FALSE(app::hasItemTableFields(renamed)) << '"' << wrong << '"';
    }
    EXPECT_FALSE(app::hasItemTableFields({}));
}

class RemoveMdxByteTest : public testing::Test {
protected:
    static std::string readBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void writeBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    testsupport::TempFolder temp_{"item-table"};
    std::string folder_{temp_.path()};
};

TEST_F(RemoveMdxByteTest, ClearsOnlyByte28) {
    std::string header(65, '\x11');
    header[28] = 1;
    const std::string path = folder_ + "/ITEMS.DBF";
    writeBytes(path, header);

    app::RemoveMDXByte(path);

    std::string expected = header;
    expected[28] = 0;
    EXPECT_EQ(readBytes(path), expected);
}

TEST_F(RemoveMdxByteTest, LeavesWhatCannotBeATableAlone) {
    const std::string missing = folder_ + "/NONE.DBF";
    EXPECT_NO_THROW(app::RemoveMDXByte(missing));
    EXPECT_FALSE(fs::exists(missing));

    const std::string shortFile = folder_ + "/SHORT.DBF";
    writeBytes(shortFile, "tiny");
    EXPECT_NO_THROW(app::RemoveMDXByte(shortFile));
    EXPECT_EQ(readBytes(shortFile), "tiny");

    const std::string folder = folder_ + "/DIR.DBF";
    fs::create_directory(folder);
    EXPECT_NO_THROW(app::RemoveMDXByte(folder));
}

TEST_F(RemoveMdxByteTest, CreatedItemTablePassesAndOpensWithItsFlagCleared) {
    const std::string path = folder_ + "/HOUSE.DBF";
    dbase::Table::create(path, app::itemTableFieldDefs());
    {
        dbase::Table table;
        table.setDatabaseName(folder_);
        table.setTableName("HOUSE");
        table.open();
        EXPECT_TRUE(app::hasItemTableFields(table.fields()));
        table.addIndex("NewIndex", "Upper(Left(Category,80))");
        table.close();
    }
    std::string bytes = readBytes(path);
    ASSERT_GT(bytes.size(), 28u);
    ASSERT_EQ(bytes[28], 1) << "a table with a production index is flagged";

    // The index file is gone: with the flag cleared the table opens again.
    fs::remove(folder_ + "/HOUSE.MDX");
    app::RemoveMDXByte(path);
    bytes[28] = 0;
    EXPECT_EQ(readBytes(path), bytes);
    dbase::Table table;
    table.setDatabaseName(folder_);
    table.setTableName("HOUSE");
    table.open();
    EXPECT_FALSE(table.info().productionIndexFlag);
}

} // namespace
