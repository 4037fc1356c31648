#include "TableTestSupport.h"

#include "platform/dbase/MdxFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using dbase::DatabaseError;
using dbase::Table;
using namespace tabletest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// NAME, QTY, WHEN, OK, PRICE
class TableOrder : public ::testing::Test {
protected:
    void SetUp() override { Table::create(dir.file("T.DBF"), smallFields()); }

    void fill(const std::vector<std::vector<std::string>>& rows) {
        for (const auto& row : rows) {
            appendTexts(table, row);
        }
    }

    char mdxFlag() const { return readAll(dir.file("T.DBF"))[28]; }

    TempFolder dir;
    Table table;
};

TEST_F(TableOrder, EqualKeysStayInRecordOrder) {
    openTable(table, dir.path(), "T");
    fill({{"b1"}, {"A2"}, {"a3"}, {"B4"}, {"a5"}});
    table.addIndex("NewIndex", "Upper(Left(NAME,80))");
    table.setIndexName("NEWINDEX");
    EXPECT_THAT(column(table, 0), ElementsAre("A2", "a3", "a5", "b1", "B4"));
    // A post keeps the order current: the new key lands after its equals.
    appendTexts(table, {"A6"});
    EXPECT_EQ(table.position(), 3);
    EXPECT_THAT(column(table, 0), ElementsAre("A2", "a3", "a5", "A6", "b1", "B4"));
}

TEST_F(TableOrder, NumbersUnderStrSortAsTheirRightAlignedText) {
    openTable(table, dir.path(), "T");
    fill({{"ten", "10"}, {"minus five", "-5"}, {"blank", ""}, {"three", "3"}});
    table.addIndex("BYQTY", "STR(QTY,12,0)");
    table.setIndexName("ByQty");
    // "           3" < "          -5": a space sorts before the minus sign.
    EXPECT_THAT(column(table, 0), ElementsAre("blank", "three", "minus five", "ten"));
}

TEST_F(TableOrder, BlankDatesComeFirstUnderDtos) {
    openTable(table, dir.path(), "T");
    fill({{"late", "", "20240101"}, {"none", "", ""}, {"early", "", "19991231"}});
    table.addIndex("BYDATE", "DTOS(WHEN)+UPPER(NAME)");
    table.setIndexName("BYDATE");
    EXPECT_THAT(column(table, 0), ElementsAre("none", "early", "late"));
}

TEST_F(TableOrder, DeletedRecordsAreInvisibleUntilPackRemovesThem) {
    openTable(table, dir.path(), "T", true);
    fill({{"a"}, {"b"}, {"c"}, {"d"}, {"e"}});
    table.addIndex("BYNAME", "UPPER(NAME)");
    table.setIndexName("BYNAME");
    table.moveTo(1);
    table.deleteRecord();
    EXPECT_EQ(table.fieldText(0), "c"); // the next visible record
    table.last();
    table.deleteRecord();
    EXPECT_EQ(table.fieldText(0), "d"); // the new last
    EXPECT_EQ(table.recordCount(), 3);
    EXPECT_FALSE(table.gotoBookmark(2));
    EXPECT_EQ(table.info().physicalRecords, 5u);
    std::size_t before = readAll(dir.file("T.DBF")).size();

    table.pack();
    EXPECT_EQ(readAll(dir.file("T.DBF")).size(), before - 2 * 35);
    EXPECT_EQ(table.info().physicalRecords, 3u);
    EXPECT_EQ(table.info().headerRecordCount, 3u);
    EXPECT_THAT(column(table, 0), ElementsAre("a", "c", "d"));
    table.close();

    Table reopened;
    openTable(reopened, dir.path(), "T");
    reopened.setIndexName("BYNAME");
    EXPECT_THAT(column(reopened, 0), ElementsAre("a", "c", "d"));
}

TEST_F(TableOrder, PackAndRebuildNeedExclusiveUse) {
    openTable(table, dir.path(), "T");
    EXPECT_THROW(table.pack(), DatabaseError);
    EXPECT_THROW(table.regenerateIndexes(), DatabaseError);
}

TEST_F(TableOrder, CursorFollowsPostsAndFilters) {
    openTable(table, dir.path(), "T");
    fill({{"a", "1"}, {"c", "2"}, {"e", "3"}});
    table.addIndex("BYNAME", "NAME");
    table.setIndexName("BYNAME");
    table.first();
    table.edit();
    table.setFieldText(0, "z");
    table.post();
    EXPECT_EQ(table.position(), 2); // moved with its new key
    EXPECT_EQ(table.fieldText(0), "z");

    table.setFilter([](const dbase::RecordView& r) { return r.text(1) != "9"; });
    EXPECT_EQ(table.recordCount(), 3);
    appendTexts(table, {"b", "9"}); // hidden by the filter: the cursor takes the next row
    EXPECT_EQ(table.recordCount(), 3);
    EXPECT_EQ(table.fieldText(0), "c");
    table.setFilter({});
    EXPECT_EQ(table.recordCount(), 4);
    EXPECT_EQ(table.fieldText(0), "c"); // kept across the filter change
    EXPECT_THAT(column(table, 0), ElementsAre("b", "c", "e", "z"));
}

TEST_F(TableOrder, MovingAwayPostsChangedRecordsAndDropsUntouchedOnes) {
    openTable(table, dir.path(), "T");
    fill({{"a"}});
    table.insert();
    table.first(); // nothing typed: nothing appended
    EXPECT_EQ(table.recordCount(), 1);
    table.insert();
    table.setFieldText(0, "b");
    table.first(); // typed: kept
    EXPECT_EQ(table.recordCount(), 2);
    table.edit();
    table.setFieldText(0, "changed");
    table.close(); // closing drops an unposted edit
    openTable(table, dir.path(), "T");
    EXPECT_THAT(column(table, 0), ElementsAre("a", "b"));
    EXPECT_THROW(table.setFieldText(0, "x"), DatabaseError); // not editing
}

TEST_F(TableOrder, RecordAtServesRowsInAnyDirectionAndSeesEdits) {
    openTable(table, dir.path(), "T");
    constexpr int rows = 9000; // more than one read block
    table.beginBulk();
    for (int i = 0; i < rows; ++i) {
        appendTexts(table, {"n" + std::to_string(i), std::to_string(i)});
    }
    table.endBulk();
    for (int row = rows - 1; row >= 0; --row) {
        ASSERT_EQ(table.recordAt(row).text(1), std::to_string(row));
    }
    for (int row = 0; row < rows; row += 7) {
        ASSERT_EQ(table.recordAt(row).text(1), std::to_string(row));
    }
    EXPECT_EQ(table.recordAt(5).text(0), "n5");
    table.moveTo(5);
    table.edit();
    table.setFieldText(0, "edited");
    table.post();
    EXPECT_EQ(table.recordAt(4).text(0), "n4");
    EXPECT_EQ(table.recordAt(5).text(0), "edited");
}

TEST_F(TableOrder, NavigationFlagsOnEmptyAndFullTables) {
    openTable(table, dir.path(), "T");
    table.first();
    EXPECT_TRUE(table.eof());
    EXPECT_TRUE(table.bof());
    EXPECT_EQ(table.position(), -1);
    EXPECT_EQ(table.recNo(), 0u);
    fill({{"a"}, {"b"}});
    table.first();
    EXPECT_TRUE(table.bof());
    EXPECT_FALSE(table.eof());
    table.next();
    table.next();
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(table.fieldText(0), "b");
    table.prior();
    table.prior();
    EXPECT_TRUE(table.bof());
    EXPECT_EQ(table.fieldText(0), "a");
    table.moveTo(99);
    EXPECT_EQ(table.position(), 1);
    EXPECT_EQ(table.recordAt(0).text(0), "a");
    EXPECT_EQ(table.position(), 1); // recordAt does not move
}

TEST_F(TableOrder, TagsPersistAndByte28FollowsTheIndexFile) {
    openTable(table, dir.path(), "T");
    fill({{"b"}, {"a"}});
    EXPECT_EQ(mdxFlag(), 0);
    table.addIndex("BYNAME", "UPPER(NAME)");
    EXPECT_EQ(mdxFlag(), 1);
    EXPECT_TRUE(fs::exists(dir.file("T.MDX")));
    appendTexts(table, {"0"});
    table.close();

    std::vector<dbase::MdxTagInfo> tags = dbase::readMdxDirectory(dir.file("T.MDX"));
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(tags[0].name, "BYNAME");

    table.setIndexName("byname");
    table.open();
    EXPECT_THAT(column(table, 0), ElementsAre("0", "a", "b"));
    try {
        table.setIndexName("NOSUCH");
        ADD_FAILURE();
    } catch (const DatabaseError& error) {
        EXPECT_THAT(error.what(), HasSubstr("Index does not exist."));
        EXPECT_THAT(error.what(), HasSubstr("NOSUCH"));
    }
    EXPECT_THROW(table.deleteIndex("NOSUCH"), DatabaseError);
    table.deleteIndex("BYNAME");
    EXPECT_EQ(table.indexName(), "");
    EXPECT_THAT(column(table, 0), ElementsAre("b", "a", "0"));
    EXPECT_EQ(mdxFlag(), 0);
    EXPECT_FALSE(fs::exists(dir.file("T.MDX")));
}

TEST_F(TableOrder, FlagWithoutIndexFileOpensWithoutTags) {
    std::string bytes = readAll(dir.file("T.DBF"));
    bytes[28] = 1;
    writeAll(dir.file("T.DBF"), bytes);
    openTable(table, dir.path(), "T", false, true);
    EXPECT_TRUE(table.indexTags().empty());
    table.close();
    EXPECT_EQ(mdxFlag(), 1); // a read-only open never writes
    openTable(table, dir.path(), "T");
    EXPECT_EQ(mdxFlag(), 0);
}

// An index file written by another tool, with the given tags over the table's fields.
void writeForeignIndex(const std::string& path, const std::vector<dbase::MdxTagInfo>& infos) {
    std::vector<dbase::MdxTagKeys> tags;
    for (const auto& info : infos) {
        dbase::MdxTagKeys keys;
        keys.info = info;
        keys.count = 0;
        keys.entry = [](std::size_t) { return std::pair<const char*, std::uint32_t>("", 0); };
        tags.push_back(keys);
    }
    dbase::writeMdx(path, "T", tags);
}

TEST_F(TableOrder, ForeignTagsAreRebuiltFromTheirExpressions) {
    openTable(table, dir.path(), "T");
    fill({{"b", "1"}, {"c", "1"}, {"a", "1"}, {"b", "2"}});
    table.addIndex("BYNAME", "NAME");
    table.close();
    dbase::MdxTagInfo descending{"DOWN", "NAME", 'C', 10, true, false, ""};
    writeForeignIndex(dir.file("T.MDX"), {descending});

    table.setIndexName("DOWN");
    table.open();
    EXPECT_THAT(column(table, 0), ElementsAre("c", "b", "b", "a"));
    table.first();
    table.next();
    EXPECT_EQ(table.fieldText(1), "1"); // equal keys in record order
}

TEST_F(TableOrder, TagWithAnUnknownExpressionOnlyOpensReadOnly) {
    openTable(table, dir.path(), "T");
    fill({{"a"}});
    table.addIndex("BYNAME", "NAME");
    table.close();
    dbase::MdxTagInfo good{"BYNAME", "NAME", 'C', 10, false, false, ""};
    dbase::MdxTagInfo odd{"ODD", "SOUNDEX(NAME)", 'C', 4, false, false, ""};
    writeForeignIndex(dir.file("T.MDX"), {good, odd});

    try {
        openTable(table, dir.path(), "T");
        ADD_FAILURE() << "writable open accepted";
    } catch (const DatabaseError& error) {
        EXPECT_THAT(error.what(), HasSubstr("ODD"));
        EXPECT_THAT(error.what(), HasSubstr("SOUNDEX(NAME)"));
    }
    openTable(table, dir.path(), "T", false, true);
    EXPECT_EQ(table.recordCount(), 1);
    EXPECT_EQ(table.indexTags().size(), 2u);
    table.setIndexName("BYNAME");
    try {
        table.setIndexName("odd");
        ADD_FAILURE() << "unusable tag selected";
    } catch (const DatabaseError& error) {
        EXPECT_THAT(error.what(), HasSubstr("ODD"));
    }
}

TEST_F(TableOrder, TagWithAConditionOnlyOpensReadOnlyAndThenOrdersEveryRecord) {
    openTable(table, dir.path(), "T");
    fill({{"b", "1"}, {"a", "2"}});
    table.addIndex("BYNAME", "NAME");
    table.close();
    dbase::MdxTagInfo conditional{"SOME", "NAME", 'C', 10, false, false, "QTY > 1"};
    writeForeignIndex(dir.file("T.MDX"), {conditional});
    EXPECT_THROW(openTable(table, dir.path(), "T"), DatabaseError);
    openTable(table, dir.path(), "T", false, true);
    table.setIndexName("SOME");
    EXPECT_THAT(column(table, 0), ElementsAre("a", "b"));
}

TEST_F(TableOrder, BulkPostsAreOrderedWhenTheBulkEnds) {
    openTable(table, dir.path(), "T");
    table.addIndex("BYNAME", "NAME");
    table.setIndexName("BYNAME");
    table.beginBulk();
    for (const char* name : {"d", "b", "e", "a", "c"}) {
        appendTexts(table, {name});
    }
    table.endBulk();
    EXPECT_EQ(table.recordCount(), 5);
    EXPECT_EQ(table.fieldText(0), "c"); // on the last posted record
    EXPECT_THAT(column(table, 0), ElementsAre("a", "b", "c", "d", "e"));
    table.close();
    Table reopened;
    reopened.setIndexName("BYNAME");
    openTable(reopened, dir.path(), "T");
    EXPECT_THAT(column(reopened, 0), ElementsAre("a", "b", "c", "d", "e"));
}

TEST_F(TableOrder, RefreshSeesRecordsAnotherHandleAppended) {
    openTable(table, dir.path(), "T");
    fill({{"a"}});
    Table other;
    openTable(other, dir.path(), "T");
    appendTexts(other, {"b"});
    other.first();
    other.edit();
    other.setFieldText(0, "A");
    other.post();
    EXPECT_EQ(table.recordCount(), 1);
    table.refresh();
    EXPECT_THAT(column(table, 0), ElementsAre("A", "b"));
    // An append from this handle also takes in what the other one wrote.
    appendTexts(other, {"c"});
    appendTexts(table, {"d"});
    EXPECT_THAT(column(table, 0), ElementsAre("A", "b", "c", "d"));
}

} // namespace
