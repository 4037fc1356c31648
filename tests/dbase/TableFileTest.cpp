#include "TableTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

using dbase::DatabaseError;
using dbase::Table;
using namespace tabletest;
using ::testing::HasSubstr;

namespace {

unsigned u16At(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
}

unsigned u32At(const std::string& bytes, std::size_t at) {
    return u16At(bytes, at) | (u16At(bytes, at + 2) << 16);
}

std::string recordBytes(const std::string& file, int recNo, int headerLength, int recordLength) {
    return file.substr(static_cast<std::size_t>(headerLength + (recNo - 1) * recordLength),
                       static_cast<std::size_t>(recordLength));
}

TEST(TableFile, NewItemTableHasTheExactDbaseIvLayout) {
    TempFolder dir;
    std::string path = dir.file("MASTER.DBF");
    Table::create(path, itemFields());
    std::string bytes = readAll(path);

    ASSERT_EQ(bytes.size(), 738u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x03);
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), local.tm_year); // year - 1900
    EXPECT_EQ(static_cast<unsigned char>(bytes[2]), local.tm_mon + 1);
    EXPECT_EQ(u32At(bytes, 4), 0u);
    EXPECT_EQ(u16At(bytes, 8), 737u);
    EXPECT_EQ(u16At(bytes, 10), 671u);
    EXPECT_EQ(bytes[28], 0);
    EXPECT_EQ(static_cast<unsigned char>(bytes[29]), 0x57);
    EXPECT_EQ(bytes[736], 0x0D);
    EXPECT_EQ(bytes[737], 0x1A);
    // Quantity (field 9) and Cost (field 11): names upper case, bytes 12-15 zero.
    std::string quantity = bytes.substr(32 + 8 * 32, 32);
    EXPECT_EQ(quantity.substr(0, 11), std::string("QUANTITY\0\0\0", 11));
    EXPECT_EQ(quantity[11], 'N');
    EXPECT_EQ(quantity.substr(12, 4), std::string(4, '\0'));
    EXPECT_EQ(quantity[16], 11);
    EXPECT_EQ(quantity[17], 0);
    std::string cost = bytes.substr(32 + 10 * 32, 32);
    EXPECT_EQ(cost[11], 'N');
    EXPECT_EQ(cost[16], 20);
    EXPECT_EQ(cost[17], 4);
    EXPECT_EQ(bytes[32 + 11], 'C');
    EXPECT_EQ(bytes[32 + 17], 0); // C decimals 0
}

TEST(TableFile, CreateReplacesTheTableAndRemovesItsStaleIndex) {
    TempFolder dir;
    writeAll(dir.file("OLD.DBF"), std::string(5000, 'x'));
    writeAll(dir.file("OLD.MDX"), "stale");
    Table::create(dir.file("OLD.DBF"), smallFields());
    EXPECT_EQ(readAll(dir.file("OLD.DBF")).size(), 32u + 5 * 32 + 1 + 1);
    EXPECT_FALSE(fs::exists(dir.file("OLD.MDX")));
}

TEST(TableFile, CreateRefusesBadDefinitions) {
    TempFolder dir;
    using dbase::FieldType;
    const std::vector<std::vector<dbase::FieldDef>> cases = {
        {},
        {{"TOOLONGNAME", FieldType::Character, 5}},
        {{"N", FieldType::Numeric, 21}},
        {{"N", FieldType::Numeric, 5, 4}},
        {{"D", FieldType::Date, 6}},
        {{"M", FieldType::Memo, 10}},
        {{"C", FieldType::Character, 0}},
    };
    for (const auto& fields : cases) {
        EXPECT_THROW(Table::create(dir.file("BAD.DBF"), fields), DatabaseError);
    }
    EXPECT_FALSE(fs::exists(dir.file("BAD.DBF")));
}

TEST(TableFile, PostedRecordBytesFollowTheFieldEncodings) {
    TempFolder dir;
    Table::create(dir.file("T.DBF"), smallFields());
    Table table;
    openTable(table, dir.path(), "T");
    appendTexts(table, {"Lamp", "-12", "19991231", "T", "-12.5"});
    appendTexts(table, {"", "", "", "", ""});
    table.insert();
    table.setFieldNumber(1, 7);
    table.setFieldNumber(4, 0.5);
    table.setFieldDate(2, dbase::Date{2024, 2, 29});
    table.post();
    table.close();

    std::string bytes = readAll(dir.file("T.DBF"));
    int headerLength = 32 + 5 * 32 + 1;
    int recordLength = 1 + 10 + 6 + 8 + 1 + 9;
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(headerLength + 3 * recordLength + 1));
    EXPECT_EQ(u32At(bytes, 4), 3u);
    EXPECT_EQ(recordBytes(bytes, 1, headerLength, recordLength),
              std::string(" ") + "Lamp      " + "   -12" + "19991231" + "T" + "   -12.50");
    EXPECT_EQ(recordBytes(bytes, 2, headerLength, recordLength), std::string(35, ' '));
    EXPECT_EQ(recordBytes(bytes, 3, headerLength, recordLength),
              std::string(" ") + std::string(10, ' ') + "     7" + "20240229" + " " + "     0.50");
    EXPECT_EQ(bytes.back(), 0x1A);
}

TEST(TableFile, FieldValuesRoundTripThroughAReopen) {
    TempFolder dir;
    Table::create(dir.file("T.DBF"), smallFields());
    {
        Table table;
        openTable(table, dir.path(), "t.dbf");
        appendTexts(table, {"Caf\xe9 tables", " 42 ", "20240101", "n", "1234.565"});
    }
    Table table;
    openTable(table, dir.path(), "T", false, true);
    ASSERT_EQ(table.recordCount(), 1);
    table.first();
    EXPECT_EQ(table.fieldText(0), "Caf\xe9 table"); // cut to the width, bytes kept
    EXPECT_EQ(table.fieldText(1), "42");
    EXPECT_EQ(table.fieldNumber(1), 42.0);
    EXPECT_EQ(table.fieldDate(2), (dbase::Date{2024, 1, 1}));
    EXPECT_EQ(table.fieldText(3), "F");
    EXPECT_EQ(table.fieldText(4), "1234.57"); // rounded half away from zero, exactly
    EXPECT_EQ(table.fieldIndex("price"), 4);
    EXPECT_EQ(table.fieldIndex("nothing"), -1);
}

TEST(TableFile, BadFieldValuesAreRefusedAndNamed) {
    TempFolder dir;
    Table::create(dir.file("T.DBF"), smallFields());
    Table table;
    openTable(table, dir.path(), "T");
    table.insert();
    struct Case {
        int field;
        const char* text;
    };
    for (Case c : {Case{1, "12a"}, Case{1, "1e5"}, Case{1, "1234567"}, Case{2, "20230230"},
                   Case{2, "2023-01-01"}, Case{3, "X"}, Case{4, "1000000.00"}}) {
        try {
            table.setFieldText(c.field, c.text);
            ADD_FAILURE() << "accepted " << c.text;
        } catch (const DatabaseError& error) {
            EXPECT_THAT(error.what(), HasSubstr(table.fields()[c.field].def.name)) << c.text;
        }
    }
    EXPECT_THROW(table.setFieldNumber(1, 1e7), DatabaseError); // never asterisks
    EXPECT_THROW(table.setFieldDate(2, dbase::Date{2023, 13, 1}), DatabaseError);
    table.setFieldText(1, "-99999"); // exactly the width
    table.post();
    table.first();
    EXPECT_EQ(table.fieldText(1), "-99999");
}

TEST(TableFile, TableNamesResolveWithAndWithoutExtension) {
    TempFolder dir;
    Table::create(dir.file("lower.dbf"), smallFields());
    Table::create(dir.file("Mixed.Dbf"), smallFields());
    Table table;
    table.setDatabaseName(dir.path());
    table.setTableName("lower");
    EXPECT_EQ(table.path(), dir.file("lower.dbf"));
    EXPECT_EQ(table.indexPath(), dir.file("lower.mdx"));
    table.setTableName("MIXED");
    EXPECT_EQ(table.path(), dir.file("Mixed.Dbf"));
    table.setTableName("NEW");
    EXPECT_EQ(table.path(), dir.file("NEW.DBF"));
    EXPECT_EQ(table.indexPath(), dir.file("NEW.MDX"));
    writeAll(dir.file("lower.MDX"), "x");
    table.setTableName("lower.DBF");
    EXPECT_EQ(table.path(), dir.file("lower.dbf"));
    EXPECT_EQ(table.indexPath(), dir.file("lower.MDX"));
    table.setTableName("absent");
    EXPECT_THROW(table.open(), DatabaseError);
}

// A valid two-field table (C5, N3) with two records, for damaging.
std::string goodTable() {
    std::string bytes(32 + 64 + 1, '\0');
    bytes[0] = 0x03;
    bytes[4] = 2;
    bytes[8] = static_cast<char>(bytes.size());
    bytes[10] = 9;
    std::memcpy(&bytes[32], "NAME", 4);
    bytes[32 + 11] = 'C';
    bytes[32 + 16] = 5;
    std::memcpy(&bytes[64], "QTY", 3);
    bytes[64 + 11] = 'N';
    bytes[64 + 16] = 3;
    bytes[96] = 0x0D;
    return bytes + " abcde  1" + "*fghij 22" + "\x1A";
}

TEST(TableFile, DamagedFilesAreRefusedWithTheirFault) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    };
    auto with = [](std::size_t at, char value) {
        std::string bytes = goodTable();
        bytes[at] = value;
        return bytes;
    };
    std::string unterminated = goodTable();
    unterminated[8] = 90; // header ends inside the second descriptor
    const std::vector<Case> cases = {
        {"empty file", "", "Not a dBase table"},
        {"text file", "hello, world, this is no table at all", "Not a dBase table"},
        {"level 7", with(0, 0x04), "Not a dBase table"},
        {"header past the end", with(9, 0x40), "Damaged table"},
        {"header too short", with(8, 40), "Damaged table"},
        {"unknown type", with(32 + 11, 'X'), "unknown type"},
        {"zero length", with(32 + 16, 0), "length of 0"},
        {"record length", with(10, 10), "record length"},
        {"no fields", with(32, 0x0D), "no fields"},
        {"field table cut", unterminated, "Damaged table"},
        {"date length", with(64 + 11, 'D'), "Damaged table"},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        writeAll(dir.file("BAD.DBF"), c.bytes);
        Table table;
        table.setDatabaseName(dir.path());
        table.setTableName("BAD");
        try {
            table.open();
            ADD_FAILURE() << c.what << " opened";
        } catch (const DatabaseError& error) {
            EXPECT_THAT(error.what(), HasSubstr(c.message)) << c.what;
            EXPECT_THAT(error.what(), HasSubstr("BAD.DBF")) << c.what;
        }
        EXPECT_FALSE(table.isOpen());
    }
}

TEST(TableFile, CountBeyondTheFileOpensTheWholeRecordsAndTheNextAppendRepairsIt) {
    TempFolder dir;
    std::string bytes = goodTable();
    bytes[4] = 7;
    bytes.pop_back(); // no end marker
    bytes += " half"; // a torn record
    writeAll(dir.file("T.DBF"), bytes);
    {
        Table table;
        openTable(table, dir.path(), "T");
        EXPECT_EQ(table.recordCount(), 1); // one live, one deleted
        dbase::TableInfo info = table.info();
        EXPECT_EQ(info.headerRecordCount, 7u);
        EXPECT_EQ(info.physicalRecords, 2u);
        EXPECT_EQ(info.deletedRecords, 1u);
        EXPECT_THAT(info.repairNote, HasSubstr("7"));
        appendTexts(table, {"new", "3"});
    }
    std::string after = readAll(dir.file("T.DBF"));
    EXPECT_EQ(u32At(after, 4), 3u);
    EXPECT_EQ(after.size(), 97u + 3 * 9 + 1);
    EXPECT_EQ(after.substr(97 + 18), " new    3\x1A");
}

TEST(TableFile, ForeignFormatsOpenReadOnly) {
    TempFolder dir;
    std::string bytes = goodTable();
    bytes[0] = static_cast<char>(0xF5);
    bytes[28] = 1; // a table flag there, not an index
    writeAll(dir.file("FOX.DBF"), bytes);
    Table table;
    openTable(table, dir.path(), "FOX");
    EXPECT_TRUE(table.info().readOnlyFormat);
    ASSERT_EQ(table.recordCount(), 1);
    table.first();
    EXPECT_EQ(table.fieldText(0), "abcde");
    EXPECT_THROW(table.edit(), DatabaseError);
    EXPECT_THROW(table.insert(), DatabaseError);
    EXPECT_THROW(table.post(), DatabaseError);
}

} // namespace
