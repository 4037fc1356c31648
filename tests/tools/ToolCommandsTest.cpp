// The commands of pnhold-dbf, run as a user runs them, on small tables made here.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

namespace tooltest {
namespace {

namespace fs = std::filesystem;

// Records 1-6; record 3 is deleted. Texts are cp1252 (\xE9 is é).
std::vector<Item> sampleItems() {
    return {
        {"Caf\xE9 table", "Ikea", "Furniture", 4, "19991231", 0.5, -12.25, false},
        {"Old lamp", "", "Lighting", std::nullopt, "", std::nullopt, std::nullopt, false},
        {"Broken TV", "Sony", "Electronics", 1, "20010101", 100, 50, true},
        {"Drill, cordless", "DeWalt", "Tools", 1, "20200315", 129.99, 80, false},
        {"Say \"cheese\" camera", "SONY", "Electronics", 2, "20050607", 300, 120, false},
        {"Socket set", "Craftsman", "Tools", 1, "20200315", 45, 30, false},
    };
}

const std::vector<TagSpec> kCategoryTag = {{"CATEGORY", "UPPER(LEFT(CATEGORY,20))"}};

// One CSV line of the item table from the fields the sample sets; the rest are blank.
std::string csvRow(const std::string& item, const std::string& brand, const std::string& quantity,
                   const std::string& date, const std::string& cost, const std::string& category,
                   const std::string& value) {
    const std::vector<std::string> cells = {item,     brand, "",   "",       "", "", "", "",
                                            quantity, date,  cost, category, "", "", "", "",
                                            "",       value, "",   "",       "", ""};
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i)
        line += (i ? "," : "") + cells[i];
    return line;
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The Item column of a dump, in the dump's order.
std::vector<std::string> itemColumn(const std::string& csv) {
    std::vector<std::string> items;
    const auto rows = lines(csv);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::string& row = rows[i];
        if (row.starts_with('"')) {
            std::string cell;
            for (std::size_t k = 1; k < row.size(); ++k) {
                if (row[k] == '"' && k + 1 < row.size() && row[k + 1] == '"') {
                    cell += '"';
                    ++k;
                } else if (row[k] == '"') {
                    break;
                } else {
                    cell += row[k];
                }
            }
            items.push_back(cell);
        } else {
            items.push_back(row.substr(0, row.find(',')));
        }
    }
    return items;
}

std::uint32_t u32At(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

class ToolCommands : public ::testing::Test {
protected:
    void SetUp() override { writeItemTable(table_, sampleItems(), kCategoryTag); }

    std::string mdxPath() const { return fs::path(table_).replace_extension(".MDX").string(); }

    TempFolder folder_;
    std::string table_ = folder_.file("ITEMS.DBF");
};

TEST_F(ToolCommands, InfoShowsCountsTagsAndHeaderBytes) {
    const ProcessResult r = runTool({"info", table_});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* expected :
         {"Header count:      6\n", "Records:           6\n", "Deleted:           1\n",
          "Live:              5\n", "Language driver:   0x57\n", "Byte 28 (index):   1\n",
          "Fields:            22\n", "Tags:              1\n", "UPPER(LEFT(CATEGORY,20))\n"})
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
    EXPECT_NE(upper(r.out).find("CATEGORY    C   20"), std::string::npos) << r.out;
}

TEST_F(ToolCommands, CheckPassesASoundTable) {
    const ProcessResult r = runTool({"check", table_});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("sound (6 records, 1 tag checked)"), std::string::npos) << r.out;
}

TEST_F(ToolCommands, CheckFindsEachKindOfDamage) {
    const std::string pristineDbf = readFile(table_);
    const std::string pristineMdx = readFile(mdxPath());
    struct Case {
        const char* name;
        std::function<void(std::string& dbf, std::string& mdx)> damage;
        const char* fault;
    };
    const std::vector<Case> cases = {
        {"header count one too many", [](std::string& dbf, std::string&) { dbf[4] = 7; },
         "the header counts 7 records, the file holds 6"},
        {"header count one too few", [](std::string& dbf, std::string&) { dbf[4] = 5; },
         "the header counts 5 records, the file holds 6"},
        {"record length off by one", [](std::string& dbf, std::string&) { dbf[10] += 1; },
         "record length"},
        {"deletion flag neither blank nor star",
         [](std::string& dbf, std::string&) {
             const std::size_t headerLength =
                 static_cast<unsigned char>(dbf[8]) | static_cast<unsigned char>(dbf[9]) << 8;
             dbf[headerLength] = 'X';
         },
         "record 1: deletion flag byte"},
        {"equal keys out of record order in the tree",
         [](std::string&, std::string& mdx) {
             // The root of this small tag is a leaf starting Electronics 3, Electronics 5:
             // swapping their record numbers breaks only the order of equal keys.
             const std::size_t header = u32At(mdx, 544) * 512;
             const std::size_t root = u32At(mdx, header) * 512;
             const std::size_t item = static_cast<unsigned char>(mdx[header + 18]);
             ASSERT_EQ(u32At(mdx, root + 8), 3u);
             ASSERT_EQ(u32At(mdx, root + 8 + item), 5u);
             std::swap_ranges(mdx.begin() + static_cast<std::ptrdiff_t>(root + 8),
                              mdx.begin() + static_cast<std::ptrdiff_t>(root + 12),
                              mdx.begin() + static_cast<std::ptrdiff_t>(root + 8 + item));
         },
         "tag CATEGORY, the index file: record 3 at position 2 comes after record 5"},
        {"a key that is not its record's",
         [](std::string&, std::string& mdx) {
             const std::size_t header = u32At(mdx, 544) * 512;
             const std::size_t root = u32At(mdx, header) * 512;
             mdx[root + 12] = 'Z';
         },
         "the key of record 3 differs"},
        {"production index announced but missing",
         [](std::string&, std::string& mdx) { mdx.clear(); },
         "header byte 28 announces a production index"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string dbf = pristineDbf;
        std::string mdx = pristineMdx;
        c.damage(dbf, mdx);
        writeFile(table_, dbf);
        fs::remove(mdxPath());
        if (!mdx.empty())
            writeFile(mdxPath(), mdx);
        const ProcessResult r = runTool({"check", table_});
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_NE(r.out.find(c.fault), std::string::npos) << r.out;
    }
}

TEST_F(ToolCommands, DumpWritesLiveRecordsAsUtf8CsvInRecordOrder) {
    const ProcessResult r = runTool({"dump", "--csv", table_});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> rows = lines(r.out);
    std::string header;
    for (const auto& f : itemFields())
        header += (header.empty() ? "" : ",") + f.name;
    ASSERT_EQ(rows.size(), 6u) << r.out;
    EXPECT_EQ(upper(rows[0]), upper(header));
    EXPECT_EQ(rows[1], csvRow("Caf\xC3\xA9 table", "Ikea", "4", "1999-12-31", "0.5000", "Furniture",
                              "-12.2500"));
    EXPECT_EQ(rows[2], csvRow("Old lamp", "", "", "", "", "Lighting", ""));
    EXPECT_EQ(rows[3], csvRow("\"Drill, cordless\"", "DeWalt", "1", "2020-03-15", "129.9900",
                              "Tools", "80.0000"));
    EXPECT_EQ(rows[4], csvRow("\"Say \"\"cheese\"\" camera\"", "SONY", "2", "2005-06-07",
                              "300.0000", "Electronics", "120.0000"));
    EXPECT_EQ(r.out.substr(r.out.size() - 2), "\r\n");
}

TEST_F(ToolCommands, DumpOrdersByTagOrExpressionWithEqualKeysInRecordOrder) {
    const std::vector<std::string> byCategory = {"Say \"cheese\" camera", "Caf\xC3\xA9 table",
                                                 "Old lamp", "Drill, cordless", "Socket set"};
    const std::vector<std::string> byDateThenItem = {
        "Old lamp", "Caf\xC3\xA9 table", "Say \"cheese\" camera", "Drill, cordless", "Socket set"};
    std::map<std::string, std::string> before;
    for (const auto& entry : fs::directory_iterator(folder_.path()))
        before[entry.path().string()] = readFile(entry.path().string());

    const struct {
        std::vector<std::string> args;
        std::vector<std::string> order;
    } cases[] = {
        {{"--tag", "category"}, byCategory},
        {{"--expr", "Upper(Left(Category,80))"}, byCategory},
        {{"--expr=DTOS(PurchDate)+Upper(Left(Item,10))"}, byDateThenItem},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::vector<std::string> args = {"dump", "--csv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(table_);
        const ProcessResult r = runTool(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(itemColumn(r.out), c.order);
    }
    std::map<std::string, std::string> after;
    for (const auto& entry : fs::directory_iterator(folder_.path()))
        after[entry.path().string()] = readFile(entry.path().string());
    EXPECT_EQ(after, before) << "an ordered dump must not write any file";
}

TEST_F(ToolCommands, CountComparesOnlyLettersAToZWithoutCase) {
    const struct {
        const char* contains;
        const char* count;
    } cases[] = {
        {"Brand=sony", "1\n"},        // SONY; the deleted Sony is not counted
        {"brand=SoNy", "1\n"},        // the field name in any case too
        {"Item=CAF\xC3\xA9", "1\n"},  // é matches é
        {"Item=CAF\xC3\x89", "0\n"},  // but not É: only a to z are folded
        {"Category=tools", "2\n"},    //
        {"Brand=", "5\n"},            // the empty text is in every live record
        {"Quantity=1", "2\n"},        // numbers as stored without padding
        {"Item=\xE2\x98\x83", "0\n"}, // a character cp1252 cannot hold matches nothing
        {"Item=lamp ", "0\n"},        // the trailing blanks of a field are not its text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contains);
        const ProcessResult r = runTool({"count", "--contains", c.contains, table_});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.count);
    }
}

TEST_F(ToolCommands, AppendPostsCsvRowsConvertedToCp1252) {
    const std::string csv = "\xEF\xBB\xBFitem,BRAND,Quantity,PurchDate,cost,Location\r\n"
                            "\"Lamp, brass\",K\xC3\xBC"
                            "che,3,2024-02-29,12.5,\"two\r\nlines\"\r\n"
                            "\r\n"
                            "Snowman \xE2\x98\x83,x,,,,\n";
    for (const bool bulk : {false, true}) {
        SCOPED_TRACE(bulk ? "--bulk" : "posted one by one");
        writeItemTable(table_, {}, kCategoryTag);
        writeFile(folder_.file("in.csv"), csv);
        std::vector<std::string> args = {"append", "--csv", folder_.file("in.csv")};
        if (bulk)
            args.push_back("--bulk");
        args.push_back(table_);
        const ProcessResult r = runTool(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "2 rows appended\n");
        const ProcessResult dump = runTool({"dump", "--csv", table_});
        const std::vector<std::string> rows = lines(dump.out);
        ASSERT_EQ(rows.size(), 4u) << dump.out; // the quoted line break splits one row
        EXPECT_EQ(rows[1], "\"Lamp, brass\",K\xC3\xBC"
                           "che,,,\"two");
        EXPECT_EQ(rows[2].substr(0, 26), "lines\",,,,3,2024-02-29,12.");
        EXPECT_EQ(rows[3].substr(0, 14), "Snowman ?,x,,,");
        EXPECT_EQ(runTool({"check", table_}).status, 0);
    }
}

TEST_F(ToolCommands, AppendNamesTheRowAndFieldOfABadValue) {
    const struct {
        const char* csv;
        const char* message;
    } cases[] = {
        {"Item,Quantity\nfine,1\nbad,many\n", "row 2 (line 3), field Quantity"},
        {"Item,PurchDate\nbad,2024-13-45\n", "row 1 (line 2), field PurchDate"},
        {"Item,Colour\nx,red\n", "the header names Colour, which is not a field"},
        {"Item,Brand\nx\n", "row 1 (line 2): 1 values where the header has 2"},
        {"Item\n\"open\n", "line 2: a quoted field is not closed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.csv);
        writeFile(folder_.file("in.csv"), c.csv);
        const ProcessResult r = runTool({"append", "--csv", folder_.file("in.csv"), table_});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(upper(r.err).find(upper(c.message)), std::string::npos) << r.err;
    }
    EXPECT_EQ(runTool({"check", table_}).status, 0);
}

TEST_F(ToolCommands, TwoAppendsAtOnceLoseNothing) {
    constexpr int kRows = 300;
    std::string a = "Item,Category\n", b = "Item,Category\n";
    for (int i = 0; i < kRows; ++i) {
        a += "A-" + std::to_string(i) + ",Tools\n";
        b += "B-" + std::to_string(i) + ",Garden\n";
    }
    writeFile(folder_.file("a.csv"), a);
    writeFile(folder_.file("b.csv"), b);
    ChildProcess first({toolPath(), "append", "--csv", folder_.file("a.csv"), table_});
    ChildProcess second({toolPath(), "append", "--csv", folder_.file("b.csv"), table_});
    const ProcessResult ra = first.wait();
    const ProcessResult rb = second.wait();
    ASSERT_EQ(ra.status, 0) << ra.err;
    ASSERT_EQ(rb.status, 0) << rb.err;

    const ProcessResult dump = runTool({"dump", "--csv", table_});
    std::map<std::string, int> seen;
    for (const std::string& item : itemColumn(dump.out))
        ++seen[item];
    for (int i = 0; i < kRows; ++i) {
        EXPECT_EQ(seen["A-" + std::to_string(i)], 1) << i;
        EXPECT_EQ(seen["B-" + std::to_string(i)], 1) << i;
    }
    EXPECT_EQ(seen.size(), 2u * kRows + 5);
    const ProcessResult check = runTool({"check", table_});
    EXPECT_EQ(check.status, 0) << check.out;
}

TEST_F(ToolCommands, TagCommandsAndPackKeepTheTableSound) {
    ASSERT_EQ(runTool({"tag", "add", "NEWINDEX", "Upper(Left(Category,80))", table_}).status, 0);
    EXPECT_NE(upper(runTool({"info", table_}).out).find("NEWINDEX"), std::string::npos);
    EXPECT_EQ(runTool({"check", table_}).status, 0);

    ASSERT_EQ(runTool({"tag", "delete", "category", table_}).status, 0);
    const std::string info = upper(runTool({"info", table_}).out);
    EXPECT_NE(info.find("TAGS:              1\n"), std::string::npos) << info;

    ASSERT_EQ(runTool({"pack", table_}).status, 0);
    const ProcessResult packed = runTool({"info", table_});
    EXPECT_NE(packed.out.find("Records:           5\n"), std::string::npos) << packed.out;
    EXPECT_NE(packed.out.find("Deleted:           0\n"), std::string::npos) << packed.out;
    EXPECT_EQ(runTool({"check", table_}).status, 0);

    ASSERT_EQ(runTool({"reindex", table_}).status, 0);
    EXPECT_EQ(runTool({"check", table_}).status, 0);
}

TEST_F(ToolCommands, UsageAndErrorsGoToStandardErrorWithStatus2) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* text; // expected on standard error (on standard output for status 0)
    } cases[] = {
        {{"--help"}, 0, "Usage: pnhold-dbf COMMAND"},
        {{}, 2, "no command given"},
        {{"frobnicate", "X.DBF"}, 2, "unknown command: frobnicate"},
        {{"dump", "TABLE"}, 2, "dump needs --csv"},
        {{"dump", "--csv", "--tag", "A", "--expr", "B", "T"}, 2, "not both"},
        {{"dump", "--csv", "--color", "T"}, 2, "unknown option for dump: --color"},
        {{"count", "--contains", "Brand", "T"}, 2, "--contains needs FIELD=TEXT"},
        {{"tag", "add", "ONLYNAME", "T"}, 2, "usage: pnhold-dbf tag add NAME EXPR TABLE"},
        {{"info", "/nonexistent/NOPE.DBF"}, 2, "pnhold-dbf: "},
        {{"dump", "--csv", "--tag", "NOSUCHTAG", "@TABLE"}, 2, "pnhold-dbf: "},
        {{"dump", "--csv", "--expr", "NOSUCHFIELD", "@TABLE"}, 2, "pnhold-dbf: "},
        {{"count", "--contains", "Colour=red", "@TABLE"}, 2, "no field named Colour"},
        {{"tag", "delete", "NOSUCHTAG", "@TABLE"}, 2, "pnhold-dbf: "},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        for (std::string& a : args)
            if (a == "@TABLE")
                a = table_;
        SCOPED_TRACE(args.empty() ? std::string("(none)") : args[0] + " " + args.back());
        const ProcessResult r = runTool(args);
        EXPECT_EQ(r.status, c.status);
        const std::string& where = c.status == 0 ? r.out : r.err;
        EXPECT_NE(where.find(c.text), std::string::npos) << where;
        if (c.status != 0) {
            EXPECT_EQ(r.out, "");
        }
    }
}

} // namespace
} // namespace tooltest
