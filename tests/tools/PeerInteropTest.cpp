// Tables and indexes the engine writes, read by the other dBase tools installed beside us.
// Every peer must read them without a word on standard error.
#include "ToolTestSupport.h"
#include "support/PeerScripts.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ctime>
#include <filesystem>
#include <functional>
#include <sstream>

namespace tooltest {
namespace {

namespace fs = std::filesystem;

const std::vector<TagSpec> kTags = {
    {"CATEGORY", "UPPER(LEFT(CATEGORY,20))"},
    {"PURCHKEY", "DTOS(PURCHDATE)+STR(QUANTITY,12,0)+UPPER(LEFT(BRAND,26))"},
    {"NEWINDEX", "UPPER(LEFT(CATEGORY,80))"},
};

// 60 items: more than the 42 keys of length 20 a leaf holds, so CATEGORY has a branch level.
// Record 1 holds a cp1252 byte, record 2 blank numbers and dates, record 3 is deleted, record 4
// a negative amount; equal categories and dates repeat throughout.
std::vector<Item> peerItems() {
    const char* categories[] = {"Tools",  "Electronics", "Furniture", "Kitchenware",
                                "Garden", "Lighting",    "Books"};
    const char* brands[] = {"Sony", "Makita", "Ikea", "Bosch", "", "Philips"};
    std::vector<Item> items = {
        {"Caf\xE9 table", "Ikea", "Furniture", 4, "19991231", 0.5, -12.25, false},
        {"Old lamp", "", "Lighting", std::nullopt, "", std::nullopt, std::nullopt, false},
        {"Broken TV", "Sony", "Electronics", 1, "20010101", 100, 50, true},
        {"Debt", "Bank", "Miscellaneous", 1, "20200101", 12345678, -98765432.1, false},
    };
    for (int i = 5; i <= 60; ++i) {
        char date[16];
        std::snprintf(date, sizeof date, "20%02d%02d%02d", i % 25, 1 + i % 12, 1 + i % 28);
        items.push_back({"Item " + std::to_string(i), brands[i % 6], categories[i % 7],
                         static_cast<double>(1 + i % 3), date, 10.0 * i + 0.99, 5.0 * i, false});
    }
    return items;
}

struct PeerTable {
    std::string dbf;
    std::string mdx;
    int records = 0;
    int deleted = 0;
    int live() const { return records - deleted; }
};

struct Peer {
    const char* name;
    const char* program; // what must be installed for the check to run
    std::function<std::string(const PeerTable&)> check; // "" when the peer agrees
};

int lineCount(const std::string& text) {
    return static_cast<int>(lines(text).size());
}

// Runs a peer and turns an error status or any standard-error output into a failure text.
std::string runPeer(const std::vector<std::string>& argv, ProcessResult& r,
                    const std::string& input = {}) {
    r = run(argv, input);
    if (r.status != 0 || !r.err.empty())
        return argv[0] + " " + argv[1] + ": status " + std::to_string(r.status) +
               ", stderr: " + r.err + "\nstdout: " + r.out.substr(0, 2000);
    return "";
}

std::string expectEqual(const std::string& what, long long actual, long long expected) {
    return actual == expected ? ""
                              : what + ": " + std::to_string(actual) + " where " +
                                    std::to_string(expected) + " was expected";
}

const char* kDbfreadScript = R"(
import sys
from dbfread import DBF
sys.stdout.reconfigure(encoding='utf-8')
t = DBF(sys.argv[1])
live = list(t.records)
print('count=%d live=%d deleted=%d enc=%s' % (t.header.numrecords, len(live), len(t.deleted), t.encoding))
for r in live[:3]:
    d = {k.upper(): v for k, v in r.items()}
    print('%s|%r|%s|%r|%r' % (d['ITEM'], d['QUANTITY'], d['PURCHDATE'], d['COST'], d['VALUE']))
)";

const char* kDirectoryScript = R"(
import struct, sys
d = open(sys.argv[1], 'rb').read()
cut = lambda b: b.split(b'\0')[0].decode('latin1')
ppb, blk = struct.unpack_from('<HH', d, 20)
ntags, = struct.unpack_from('<H', d, 28)
pages, = struct.unpack_from('<I', d, 32)
print('block=%d pages/block=%d tags=%d pages_ok=%d' % (blk, ppb, ntags, pages == len(d) // 512))
for i in range(ntags):
    e = d[544 + 32 * i:576 + 32 * i]
    h = struct.unpack_from('<I', e, 0)[0] * 512
    klen, maxk, sec, ilen = struct.unpack_from('<HHHH', d, h + 12)
    print('%s type=%s keylen=%d item_ok=%d maxkeys_ok=%d expr=%s'
          % (cut(e[4:15]), chr(e[20]), klen, ilen == (klen + 4 + 3) // 4 * 4,
             maxk == (1024 - 12) // ilen, cut(d[h + 24:h + 245]).upper()))
)";

std::string currentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::to_string(1900 + local.tm_year);
}

const std::vector<Peer>& peers() {
    static const std::vector<Peer> list = {
        {"dbfread", "/usr/bin/python3",
         [](const PeerTable& t) {
             ProcessResult r;
             if (auto f = runPeer({"/usr/bin/python3", "-c", kDbfreadScript, t.dbf}, r); !f.empty())
                 return f;
             std::ostringstream want;
             want << "count=" << t.records << " live=" << t.live() << " deleted=" << t.deleted
                  << " enc=cp1252\n"
                  << "Caf\xC3\xA9 table|4|1999-12-31|0.5|-12.25\n"
                  << "Old lamp|None|None|None|None\n"
                  << "Debt|1|2020-01-01|12345678.0|-98765432.1\n";
             return r.out == want.str() ? std::string() : "dbfread printed\n" + r.out;
         }},
        {"ogrinfo", "ogrinfo",
         [](const PeerTable& t) {
             ProcessResult r;
             if (auto f = runPeer({"ogrinfo", "-ro", "-al", t.dbf}, r); !f.empty())
                 return f;
             if (auto f =
                     expectEqual("features listed",
                                 static_cast<long long>(countOf(r.out, "\nOGRFeature")), t.live());
                 !f.empty())
                 return f;
             if (auto f = runPeer({"ogrinfo", "-ro", "-al", "-so", t.dbf}, r); !f.empty())
                 return f;
             if (r.out.find("DBF_DATE_LAST_UPDATE=" + currentYear() + "-") == std::string::npos)
                 return "ogrinfo shows another last-update year:\n" + r.out;
             if (r.out.find("Feature Count: " + std::to_string(t.records) + "\n") ==
                 std::string::npos)
                 return "ogrinfo counts otherwise:\n" + r.out;
             return std::string();
         }},
        {"dbf_dump", "dbf_dump",
         [](const PeerTable& t) {
             ProcessResult r;
             if (auto f = runPeer({"dbf_dump", "--undef", "NULL", t.dbf}, r); !f.empty())
                 return f;
             return expectEqual("dbf_dump rows", lineCount(r.out), t.live());
         }},
        {"pgdbf", "pgdbf",
         [](const PeerTable& t) {
             ProcessResult r;
             if (auto f = runPeer({"pgdbf", "-s", "cp1252", t.dbf}, r); !f.empty())
                 return f;
             int rows = 0;
             bool copying = false;
             for (const std::string& line : lines(r.out)) {
                 if (line.starts_with("\\."))
                     copying = false;
                 rows += copying;
                 if (line.starts_with("\\COPY"))
                     copying = true;
             }
             return expectEqual("pgdbf rows", rows, t.live());
         }},
        {"dbview", "dbview",
         [](const PeerTable& t) {
             ProcessResult r;
             if (auto f = runPeer({"dbview", "-i", "-o", t.dbf}, r); !f.empty())
                 return f;
             if (r.out.find("Number of recs: " + std::to_string(t.records)) == std::string::npos ||
                 r.out.find("/" + currentYear()) == std::string::npos)
                 return "dbview -i printed\n" + r.out;
             if (auto f = runPeer({"dbview", "-b", "-t", "-D", t.dbf}, r); !f.empty())
                 return f;
             int deleted = 0;
             for (const std::string& line : lines(r.out))
                 deleted += line.starts_with("*");
             if (auto f = expectEqual("dbview records", lineCount(r.out), t.records); !f.empty())
                 return f;
             return expectEqual("dbview deleted records", deleted, t.deleted);
         }},
        {"index_dump", "index_dump",
         [](const PeerTable& t) {
             ProcessResult r;
             if (auto f = runPeer({"index_dump", t.mdx}, r); !f.empty())
                 return f;
             for (const TagSpec& tag : kTags)
                 if (r.out.find(tag.name + "\n") == std::string::npos)
                     return "index_dump lists\n" + r.out;
             for (const TagSpec& tag : kTags) {
                 if (auto f = runPeer({"index_dump", "-n", t.mdx, tag.name}, r); !f.empty())
                     return f;
                 const int keys = static_cast<int>(countOf(r.out, "\n")) - 1;
                 if (auto f = expectEqual(tag.name + " keys listed", keys, t.records); !f.empty())
                     return f + "\n" + r.out.substr(0, 2000);
             }
             return std::string();
         }},
        {"XBase::Index order check", "perl",
         [](const PeerTable& t) {
             ProcessResult r;
             for (const TagSpec& tag : kTags) {
                 if (auto f = runPeer({"perl", "-MXBase", "-MXBase::Index", "-e",
                                       testsupport::XBaseOrderCheckScript, t.mdx, tag.name, t.dbf},
                                      r);
                     !f.empty())
                     return f;
                 if (r.out.find("problems 0\n") == std::string::npos)
                     return r.out;
             }
             return std::string();
         }},
        {"tag directory", "/usr/bin/python3",
         [](const PeerTable& t) {
             ProcessResult r;
             if (auto f = runPeer({"/usr/bin/python3", "-c", kDirectoryScript, t.mdx}, r);
                 !f.empty())
                 return f;
             std::string want = "block=1024 pages/block=2 tags=3 pages_ok=1\n";
             want +=
                 "CATEGORY type=C keylen=20 item_ok=1 maxkeys_ok=1 expr=" + kTags[0].expression +
                 "\n";
             want +=
                 "PURCHKEY type=C keylen=40 item_ok=1 maxkeys_ok=1 expr=" + kTags[1].expression +
                 "\n";
             want +=
                 "NEWINDEX type=C keylen=20 item_ok=1 maxkeys_ok=1 expr=" + kTags[2].expression +
                 "\n";
             return r.out == want ? std::string() : "the tag directory reads\n" + r.out;
         }},
    };
    return list;
}

bool peerInstalled(const Peer& peer) {
    const std::string program = peer.program;
    if (program == "/usr/bin/python3")
        return run({program, "-c", "import dbfread"}).status == 0;
    if (program == "perl")
        return run({"perl", "-MXBase", "-MXBase::Index", "-e", "1"}).status == 0;
    return installed(program);
}

enum class Variant { AsWritten, AfterPack };

class PeerInterop : public ::testing::TestWithParam<std::tuple<Variant, std::size_t>> {};

TEST_P(PeerInterop, PeerReadsTheTableWithoutComplaint) {
    const auto [variant, index] = GetParam();
    const Peer& peer = peers()[index];
    if (!peerInstalled(peer))
        GTEST_SKIP() << peer.program << " is not installed";
    TempFolder folder;
    PeerTable table{folder.file("ITEMS.DBF"), folder.file("ITEMS.MDX"), 60, 1};
    writeItemTable(table.dbf, peerItems(), kTags);
    if (variant == Variant::AfterPack) {
        const ProcessResult packed = runTool({"pack", table.dbf});
        ASSERT_EQ(packed.status, 0) << packed.err;
        table.records = 59;
        table.deleted = 0;
    }
    ASSERT_TRUE(fs::exists(table.mdx));
    EXPECT_EQ(peer.check(table), "");
}

INSTANTIATE_TEST_SUITE_P(
    Peers, PeerInterop,
    ::testing::Combine(::testing::Values(Variant::AsWritten, Variant::AfterPack),
                       ::testing::Range<std::size_t>(0, peers().size())),
    [](const ::testing::TestParamInfo<PeerInterop::ParamType>& info) {
        std::string name = peers()[std::get<1>(info.param)].name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name + (std::get<0>(info.param) == Variant::AsWritten ? "_AsWritten" : "_AfterPack");
    });

} // namespace
} // namespace tooltest
