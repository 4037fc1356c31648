#include "platform/dbase/MdxFile.h"
#include "platform/dbase/DatabaseError.h"
#include "platform/dbase/KeyExpression.h"
#include "support/PeerScripts.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using dbase::DatabaseError;
using dbase::MdxTagInfo;
using dbase::MdxTagKeys;

std::uint32_t u32(const std::string& d, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(d.at(at + static_cast<std::size_t>(i)));
    return v;
}
std::uint16_t u16(const std::string& d, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(d.at(at)) |
                                      (static_cast<unsigned char>(d.at(at + 1)) << 8));
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct Entry {
    std::string key;
    std::uint32_t record;
};

// Keys for the writer, held here so that entry() may hand out pointers into them.
struct TagSource {
    MdxTagInfo info;
    std::vector<Entry> entries;

    MdxTagKeys keys() const {
        MdxTagKeys k;
        k.info = info;
        k.count = entries.size();
        k.entry = [this](std::size_t i) {
            return std::pair<const char*, std::uint32_t>(entries[i].key.data(), entries[i].record);
        };
        return k;
    }
};

MdxTagInfo charTag(const std::string& name, const std::string& expression, int keyLength) {
    MdxTagInfo info;
    info.name = name;
    info.expression = expression;
    info.keyLength = keyLength;
    return info;
}

// count keys of the given length: a handful of categories, so many keys are equal and must
// stay in record order.
std::vector<Entry> sortedEntries(std::size_t count, int keyLength) {
    static const char* words[] = {"TOOLS", "LIGHTING", "FURNITURE", "ELECTRONICS", "KITCHEN"};
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        std::string key = std::string(words[i % 5]) + std::to_string(i % 13);
        key.resize(static_cast<std::size_t>(keyLength), ' ');
        entries.push_back({key, static_cast<std::uint32_t>(i + 1)});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });
    return entries;
}

// Walks a written tree as a reader would: trailing word 0 means leaf; a branch entry's key must
// be the highest key below that child.
struct TreeWalk {
    const std::string& file;
    std::size_t keyLength;
    std::size_t item;
    std::vector<Entry> keys;
    int depth = 0;

    std::string walk(std::uint32_t page, int level) {
        const std::size_t at = std::size_t{page} * 512;
        EXPECT_LE(at + 1024, file.size());
        if (at + 1024 > file.size())
            return {};
        const std::uint32_t n = u32(file, at);
        EXPECT_LE(8 + n * item + 4, 1024u);
        const std::uint32_t trailing = u32(file, at + 8 + n * item);
        depth = std::max(depth, level);
        std::string highest;
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::size_t e = at + 8 + i * item;
            const std::string key = file.substr(e + 4, keyLength);
            if (trailing == 0) {
                keys.push_back({key, u32(file, e)});
            } else {
                EXPECT_EQ(walk(u32(file, e), level + 1), key) << "branch at page " << page;
            }
            highest = key;
        }
        if (trailing != 0) {
            EXPECT_GT(n, 0u) << "a branch with a single child at page " << page;
            highest = walk(trailing, level + 1);
        }
        return highest;
    }
};

class MdxFileTest : public ::testing::Test {
protected:
    std::string mdx(const std::string& name = "ITEMS.MDX") const { return (dir / name).string(); }

    static void write(const std::string& path, const std::vector<TagSource>& sources,
                      const std::string& table = "items") {
        std::vector<MdxTagKeys> tags;
        for (const auto& s : sources)
            tags.push_back(s.keys());
        dbase::writeMdx(path, table, tags);
    }

    std::string damagedMessage(const std::string& path) const {
        try {
            dbase::readMdxDirectory(path);
        } catch (const DatabaseError& e) {
            return e.what();
        }
        return "(accepted)";
    }

    testsupport::TempFolder temp_{"mdxtest"};
    fs::path dir{temp_.path()};
};

TEST_F(MdxFileTest, DirectoryRoundTrips) {
    TagSource category{charTag("NewIndex", "Upper(Left(Category,80))", 20), sortedEntries(100, 20)};
    TagSource date{charTag("purchdate", "PURCHDATE", 8), {}};
    date.info.keyType = 'D';
    date.info.descending = true;
    TagSource cost{charTag("COSTS", "COST+VALUE", 8), {}};
    cost.info.keyType = 'N';
    cost.info.unique = true;
    cost.info.filter = "COST>0";
    write(mdx(), {category, date, cost});

    const auto tags = dbase::readMdxDirectory(mdx());
    ASSERT_EQ(tags.size(), 3u);
    const MdxTagInfo expected[] = {category.info, date.info, cost.info};
    const char* names[] = {"NEWINDEX", "PURCHDATE", "COSTS"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(tags[i].name, names[i]);
        EXPECT_EQ(tags[i].expression, expected[i].expression);
        EXPECT_EQ(tags[i].keyType, expected[i].keyType);
        EXPECT_EQ(tags[i].keyLength, expected[i].keyLength);
        EXPECT_EQ(tags[i].descending, expected[i].descending);
        EXPECT_EQ(tags[i].unique, expected[i].unique);
        EXPECT_EQ(tags[i].filter, expected[i].filter);
    }
}

TEST_F(MdxFileTest, HeaderFieldsAreExact) {
    // Names chosen so the name tree has two levels below its root.
    const char* names[] = {"MIDDLE", "CAT", "TOP", "ALPHA", "ZULU", "DOG"};
    const int lengths[] = {20, 40, 80, 20, 8, 100};
    std::vector<TagSource> sources;
    for (int i = 0; i < 6; ++i)
        sources.push_back({charTag(names[i], std::string("EXPR") + names[i], lengths[i]),
                           sortedEntries(static_cast<std::size_t>(i) * 30, lengths[i])});
    sources[4].info.keyType = 'D';
    sources[4].entries.clear();
    write(mdx(), sources, "a_very_long_table_name");
    const std::string d = readAll(mdx());

    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    EXPECT_EQ(d[0], 2);
    EXPECT_EQ(static_cast<unsigned char>(d[1]), today.tm_year);
    EXPECT_EQ(d.substr(4, 16), "A_VERY_LONG_TABL");
    EXPECT_EQ(u16(d, 20), 2);
    EXPECT_EQ(u16(d, 22), 1024);
    EXPECT_EQ(d[24], 1);
    EXPECT_EQ(d[25], 48);
    EXPECT_EQ(d[26], 32);
    EXPECT_EQ(u16(d, 28), 6);
    EXPECT_EQ(d.size() % 512, 0u);
    EXPECT_EQ(u32(d, 32), d.size() / 512);
    EXPECT_EQ(u32(d, 36), 0u);

    struct Expect {
        int lower, higher, parent, item, maxKeys;
    };
    const Expect expect[] = {{2, 3, 0, 24, 42}, {4, 6, 1, 44, 23}, {0, 5, 1, 84, 12},
                             {0, 0, 2, 24, 42}, {0, 0, 3, 12, 84}, {0, 0, 2, 104, 9}};
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(names[i]);
        const std::size_t e = 544 + 32 * i;
        EXPECT_EQ(d.substr(e + 4, 11),
                  std::string(names[i]) + std::string(11 - std::strlen(names[i]), '\0'));
        EXPECT_EQ(d[e + 15], 0x10);
        EXPECT_EQ(d[e + 16], expect[i].lower);
        EXPECT_EQ(d[e + 17], expect[i].higher);
        EXPECT_EQ(d[e + 18], expect[i].parent);
        EXPECT_EQ(d[e + 20], sources[i].info.keyType);
        const std::size_t h = u32(d, e) * 512;
        ASSERT_LE(h + 1024, d.size());
        EXPECT_EQ(d[h + 8], 0x10);
        EXPECT_EQ(d[h + 9], sources[i].info.keyType);
        EXPECT_EQ(u16(d, h + 12), lengths[i]);
        EXPECT_EQ(u16(d, h + 14), expect[i].maxKeys);
        EXPECT_EQ(u16(d, h + 14), (1024 - 12) / expect[i].item);
        EXPECT_EQ(u16(d, h + 16), sources[i].info.keyType == 'D' ? 1 : 0);
        EXPECT_EQ(u16(d, h + 18), expect[i].item);
        EXPECT_EQ(d.substr(h + 24, sources[i].info.expression.size() + 1),
                  sources[i].info.expression + '\0');
        const std::uint32_t root = u32(d, h);
        if (sources[i].entries.size() <= static_cast<std::size_t>(expect[i].maxKeys)) {
            EXPECT_EQ(u32(d, h + 248), root); // a small tag's root is its only leaf
            EXPECT_EQ(u32(d, h + 252), root);
        }
    }
}

TEST_F(MdxFileTest, TreesHoldEveryKeyInIndexOrder) {
    struct Case {
        std::size_t count;
        int keyLength;
        int depth;
    };
    // 42 keys fill one leaf of 20-byte keys; 42 * 43 fill two levels.
    const Case cases[] = {{0, 20, 1},    {1, 20, 1},    {42, 20, 1},   {43, 20, 2},
                          {1806, 20, 2}, {1807, 20, 3}, {2005, 20, 3}, {2005, 80, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " keys of " + std::to_string(c.keyLength));
        const TagSource source{charTag("T", "X", c.keyLength), sortedEntries(c.count, c.keyLength)};
        write(mdx(), {source});
        const std::string d = readAll(mdx());
        const std::size_t h = u32(d, 544) * 512;
        TreeWalk walk{d, static_cast<std::size_t>(c.keyLength), u16(d, h + 18), {}};
        walk.walk(u32(d, h), 1);
        EXPECT_EQ(walk.depth, c.depth);
        ASSERT_EQ(walk.keys.size(), source.entries.size());
        for (std::size_t i = 0; i < walk.keys.size(); ++i) {
            EXPECT_EQ(walk.keys[i].key, source.entries[i].key) << i;
            EXPECT_EQ(walk.keys[i].record, source.entries[i].record) << i;
        }
    }
}

TEST_F(MdxFileTest, DateAndNumberKeysAreStoredAsDoubles) {
    const std::vector<dbase::FieldLayout> fields = {
        {{"PURCHDATE", dbase::FieldType::Date, 8, 0}, 1},
        {{"COST", dbase::FieldType::Numeric, 10, 2}, 9}};
    const auto byDate = dbase::KeyExpression::parse("PurchDate", fields);
    const auto byCost = dbase::KeyExpression::parse("Cost", fields);
    TagSource date{charTag("D", "PURCHDATE", byDate.keyLength()), {}};
    date.info.keyType = byDate.keyType();
    TagSource cost{charTag("N", "COST", byCost.keyLength()), {}};
    cost.info.keyType = byCost.keyType();
    const char* records[] = {"         "
                             "          ",
                             "20000101"
                             "     -2.50",
                             "20000102"
                             "      3.00"};
    for (std::uint32_t i = 0; i < 3; ++i) {
        const std::string record = std::string(" ") + records[i];
        std::string key;
        byDate.evaluate(record.data(), key);
        date.entries.push_back({key, i + 1});
        byCost.evaluate(record.data(), key);
        cost.entries.push_back({key, i + 1});
    }
    write(mdx(), {date, cost});
    const std::string d = readAll(mdx());
    const auto leafValues = [&](std::size_t tag) {
        const std::size_t h = u32(d, 544 + 32 * tag) * 512;
        const std::size_t leaf = u32(d, h) * 512;
        std::vector<double> values;
        for (std::uint32_t i = 0; i < u32(d, leaf); ++i) {
            const std::size_t at = leaf + 8 + i * 12 + 4;
            values.push_back(
                std::bit_cast<double>(static_cast<std::uint64_t>(u32(d, at)) |
                                      (static_cast<std::uint64_t>(u32(d, at + 4)) << 32)));
        }
        return values;
    };
    EXPECT_EQ(leafValues(0), (std::vector<double>{0.0, 2451545.0, 2451546.0}));
    EXPECT_EQ(leafValues(1),
              (std::vector<double>{-std::numeric_limits<double>::infinity(), -2.5, 3.0}));
}

TEST_F(MdxFileTest, WriterRefusesWhatWouldGiveABrokenFile) {
    const TagSource good{charTag("GOOD", "ITEM", 20), sortedEntries(50, 20)};
    write(mdx(), {good});
    const std::string before = readAll(mdx());

    TagSource reversed = good;
    std::swap(reversed.entries[3], reversed.entries[40]);
    TagSource equalKeysBackwards{charTag("EQ", "ITEM", 4), {{"AAAA", 7}, {"AAAA", 3}}};
    TagSource longKey = good;
    longKey.info.keyLength = 101;
    TagSource badDate{charTag("D", "PURCHDATE", 12), {}};
    badDate.info.keyType = 'D';
    const std::vector<TagSource> tooMany(48, TagSource{charTag("X", "ITEM", 20), {}});
    std::vector<TagSource> distinct;
    for (int i = 0; i < 48; ++i)
        distinct.push_back({charTag("T" + std::to_string(i), "ITEM", 20), {}});

    const std::pair<std::vector<TagSource>, std::string> cases[] = {
        {{reversed}, "The keys of index tag GOOD are not in index order."},
        {{equalKeysBackwards}, "The keys of index tag EQ are not in index order."},
        {{good, TagSource{charTag("good", "X", 20), {}}}, "Index tag GOOD appears twice."},
        {{TagSource{charTag("ELEVENCHARS", "X", 20), {}}},
         "Invalid index tag name \"ELEVENCHARS\"."},
        {{longKey}, "Index tag GOOD has an unsupported key type or length."},
        {{badDate}, "Index tag D has an unsupported key type or length."},
        {{TagSource{charTag("E", std::string(221, 'X'), 20), {}}},
         "The key expression of index tag E cannot be stored."},
        {distinct, "An index file holds at most 47 tags."},
        {{}, "An index file needs at least one tag."},
    };
    for (const auto& [sources, message] : cases) {
        try {
            write(mdx(), sources);
            ADD_FAILURE() << "accepted: " << message;
        } catch (const DatabaseError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    EXPECT_EQ(readAll(mdx()), before) << "a refused write must leave the old file";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "no temporary file may stay behind";
}

TEST_F(MdxFileTest, DamagedDirectoriesAreRefused) {
    TagSource first{charTag("CATEGORY", "UPPER(CATEGORY)", 20), sortedEntries(10, 20)};
    TagSource second{charTag("BRAND", "BRAND", 20), sortedEntries(10, 20)};
    write(mdx("GOOD.MDX"), {first, second});
    const std::string good = readAll(mdx("GOOD.MDX"));
    const std::size_t header1 = u32(good, 544) * 512;
    const std::size_t header2 = u32(good, 576) * 512;

    const auto patched = [&](std::size_t at, std::string bytes) {
        std::string d = good;
        d.replace(at, bytes.size(), bytes);
        return d;
    };
    const std::pair<std::string, std::string> cases[] = {
        {good.substr(0, 300), "the file is shorter than its header"},
        {patched(22, std::string("\xe8\x03", 2)), "the block size 1000 is not a multiple of 512"},
        {patched(22, std::string("\0\0", 2)), "the block size 0 is not a multiple of 512"},
        {patched(26, "\x1f"), "the tag entry length 31 is not 32"},
        {patched(28, std::string("\0\0", 2)), "the tag count 0 is not from 1 to 47"},
        {patched(28, std::string("\x30\0", 2)), "the tag count 48 is not from 1 to 47"},
        {patched(28, std::string("\x03\0", 2)), "tag 3 has no name"},
        {good.substr(0, 560), "the tag table is cut short"},
        {patched(576, std::string("\x0f\x27\0\0", 4)),
         "the header of tag BRAND lies beyond the end of the file"},
        {patched(576, std::string("\x01\0\0\0", 4)),
         "the header of tag BRAND lies inside the file header"},
        {good.substr(0, header2 + 100), "the header of tag BRAND lies beyond the end of the file"},
        {patched(header1 + 24, std::string(221, 'A')),
         "the key expression of tag CATEGORY has no end"},
        {patched(header1 + 24, std::string(1, '\0')), "tag CATEGORY has no key expression"},
        {patched(564, "?").replace(header1 + 9, 1, "?"), "tag CATEGORY has an unknown key type"},
        {patched(header2 + 245, "\x01").replace(header2 + 762, 262, std::string(262, 'x')),
         "the filter of tag BRAND has no end"},
    };
    for (const auto& [bytes, fault] : cases) {
        writeAll(mdx(), bytes);
        EXPECT_EQ(damagedMessage(mdx()), "Damaged index file " + mdx() + ": " + fault);
    }
    writeAll(mdx(), good);
    EXPECT_EQ(dbase::readMdxDirectory(mdx()).size(), 2u);
    // A key type missing from the tag table is taken from the tag header.
    writeAll(mdx(), patched(564, "?"));
    EXPECT_EQ(dbase::readMdxDirectory(mdx()).front().keyType, 'C');
}

// ---- peers ----------------------------------------------------------------------------------

std::string run(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    const int rc = ::pclose(pipe);
    if (status)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return output;
}

// A bare dBase III table of character fields, enough for the peers to count the records.
void writeCharacterTable(const fs::path& path,
                         const std::vector<std::pair<std::string, int>>& fields,
                         const std::vector<std::vector<std::string>>& rows) {
    std::string d(32, '\0');
    d[0] = 0x03;
    d[1] = 126;
    d[2] = 12;
    d[3] = 11;
    const auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            d[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    int recordLength = 1;
    for (const auto& f : fields)
        recordLength += f.second;
    put(4, static_cast<std::uint32_t>(rows.size()), 4);
    put(8, static_cast<std::uint32_t>(32 + 32 * fields.size() + 1), 2);
    put(10, static_cast<std::uint32_t>(recordLength), 2);
    for (const auto& [name, width] : fields) {
        std::string descriptor(32, '\0');
        descriptor.replace(0, name.size(), name);
        descriptor[11] = 'C';
        descriptor[16] = static_cast<char>(width);
        d += descriptor;
    }
    d += '\x0d';
    for (const auto& row : rows) {
        d += ' ';
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string cell = row[i];
            cell.resize(static_cast<std::size_t>(fields[i].second), ' ');
            d += cell;
        }
    }
    d += '\x1a';
    writeAll(path, d);
}

class MdxPeerTest : public MdxFileTest {
protected:
    void SetUp() override {
        const std::vector<dbase::FieldLayout> layout = {
            {{"CATEGORY", dbase::FieldType::Character, 20, 0}, 1},
            {{"BRAND", dbase::FieldType::Character, 40, 0}, 21}};
        const char* categories[] = {"Tools", "lighting", "Furniture", "electronics", "Kitchen"};
        std::vector<std::vector<std::string>> rows;
        for (int i = 0; i < kRecords; ++i)
            rows.push_back({std::string(categories[i % 5]) + std::to_string(i % 17),
                            "Brand " + std::to_string((i * 7919) % 1000)});
        writeCharacterTable(dir / "T.DBF", {{"CATEGORY", 20}, {"BRAND", 40}}, rows);

        std::vector<TagSource> sources;
        for (const auto& [name, expression] :
             {std::pair{"CATEGORY", "UPPER(LEFT(CATEGORY,80))"},
              std::pair{"PURCHKEY", "UPPER(TRIM(BRAND))+CATEGORY"}}) {
            const auto e = dbase::KeyExpression::parse(expression, layout);
            TagSource source{charTag(name, expression, e.keyLength()), {}};
            for (int i = 0; i < kRecords; ++i) {
                std::string record = " " + rows[i][0];
                record.resize(21, ' ');
                record += rows[i][1];
                record.resize(61, ' ');
                std::string key;
                e.evaluate(record.data(), key);
                source.entries.push_back({key, static_cast<std::uint32_t>(i + 1)});
            }
            std::stable_sort(source.entries.begin(), source.entries.end(),
                             [](const Entry& a, const Entry& b) { return a.key < b.key; });
            sources.push_back(std::move(source));
        }
        expected = sources;
        write((dir / "T.MDX").string(), sources, "T");
    }

    static constexpr int kRecords = 2005; // three levels of 20- and 40-byte keys
    std::vector<TagSource> expected;
};

TEST_F(MdxPeerTest, PerlIndexReaderListsEveryKeyInOrder) {
    if (std::system("perl -MXBase -MXBase::Index -e1 >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Perl XBase is not installed";
    const std::string mdxPath = (dir / "T.MDX").string();
    const std::string dbfPath = (dir / "T.DBF").string();
    const std::string checker = testsupport::XBaseOrderCheckScript;
    writeAll(dir / "check.pl", checker);

    EXPECT_EQ(run("index_dump '" + mdxPath + "' 2>&1"), "CATEGORY\nPURCHKEY\n");
    for (const auto& source : expected) {
        const std::string& tag = source.info.name;
        int status = -1;
        EXPECT_EQ(run("perl -MXBase -MXBase::Index '" + (dir / "check.pl").string() + "' '" +
                          mdxPath + "' " + tag + " '" + dbfPath + "' 2>&1",
                      &status),
                  "tag " + tag + ": 2005 keys, table 2005 records, problems 0\n");
        EXPECT_EQ(status, 0);

        std::istringstream dump(run("index_dump -n '" + mdxPath + "' " + tag + " 2>&1"));
        std::string line;
        std::size_t i = 0;
        while (std::getline(dump, line) && line.rfind("Total", 0) != 0) {
            ASSERT_LT(i, source.entries.size()) << line;
            const auto& e = source.entries[i++];
            EXPECT_EQ(line, e.key + " " + std::to_string(e.record)) << "key " << i;
        }
        EXPECT_EQ(i, source.entries.size());
    }
}

TEST_F(MdxPeerTest, DirectoryDumpShowsNamesTypesAndExpressions) {
    if (!fs::exists("/usr/bin/python3"))
        GTEST_SKIP() << "python3 is not installed";
    const std::string script = R"PY(
import struct, sys
d = open(sys.argv[1], 'rb').read()
cut = lambda b: b.split(b'\0')[0].decode('latin1')
ppb, blk = struct.unpack_from('<HH', d, 20)
ntags, = struct.unpack_from('<H', d, 28)
pages, = struct.unpack_from('<I', d, 32)
print('version=%d table=%s block=%d pages/block=%d tags=%d pages=%d size/512=%d'
      % (d[0], cut(d[4:20]), blk, ppb, ntags, pages, len(d) // 512))
for i in range(ntags):
    e = d[544 + 32 * i:576 + 32 * i]
    h = struct.unpack_from('<I', e, 0)[0] * 512
    root, = struct.unpack_from('<I', d, h)
    klen, maxk, sec, ilen = struct.unpack_from('<HHHH', d, h + 12)
    print('%-10s type=%s keylen=%d item=%d maxkeys=%d unique=%d desc=%s root=%d expr=%r filter=%r'
          % (cut(e[4:15]), chr(e[20]), klen, ilen, maxk, d[h + 23], bool(d[h + 8] & 8), root,
             cut(d[h + 24:h + 245]), cut(d[h + 762:h + 1024]) if d[h + 245] else ''))
)PY";
    writeAll(dir / "dump.py", script);
    const std::string file = readAll(dir / "T.MDX");
    const auto pages = std::to_string(file.size() / 512);
    const auto root = [&](std::size_t tag) {
        return std::to_string(u32(file, u32(file, 544 + 32 * tag) * 512));
    };
    EXPECT_EQ(
        run("/usr/bin/python3 '" + (dir / "dump.py").string() + "' '" + (dir / "T.MDX").string() +
            "' 2>&1"),
        "version=2 table=T block=1024 pages/block=2 tags=2 pages=" + pages + " size/512=" + pages +
            "\nCATEGORY   type=C keylen=20 item=24 maxkeys=42 unique=0 desc=False root=" + root(0) +
            " expr='UPPER(LEFT(CATEGORY,80))' filter=''\n"
            "PURCHKEY   type=C keylen=60 item=64 maxkeys=15 unique=0 desc=False root=" +
            root(1) + " expr='UPPER(TRIM(BRAND))+CATEGORY' filter=''\n");
}

} // namespace
