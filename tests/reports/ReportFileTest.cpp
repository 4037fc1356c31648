#include "reports/ReportFile.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using reports::ReportDefinition;
using reports::ReportFileError;
using reports::ReportLine;
using reports::ReportPart;
using reports::ReportRecordSize;
using testing::HasSubstr;

constexpr std::size_t OldRecordSize = 19831;

class ReportFileTest : public testing::Test {
protected:
    std::string urp() const { return folder_ + "/PNHOLD.URP"; }
    std::string homeUrp() const { return folder_ + "/HOME.URP"; }

    static std::string readBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void writeBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    void writeRecords(const std::vector<std::string>& names) const {
        std::string bytes;
        for (const std::string& name : names) {
            bytes += reports::encodeReport(named(name));
        }
        writeBytes(urp(), bytes);
    }

    static ReportDefinition named(const std::string& name) {
        ReportDefinition d;
        d.ReportName = name;
        d.ReportWidth = 90;
        d.TotalsLine = reports::blankLine();
        d.BodyLines.fill(reports::blankLine());
        return d;
    }

    testsupport::TempFolder temp_{"report-file"};
    std::string folder_{temp_.path()};
};

// ---- helpers to state expectations independently of the encoder ---------------------------------

std::string textAt(const std::string& bytes, std::size_t offset) {
    return bytes.substr(offset + 1, static_cast<unsigned char>(bytes[offset]));
}
int int16At(const std::string& bytes, std::size_t offset) {
    return static_cast<std::int16_t>(static_cast<unsigned char>(bytes[offset]) |
                                     static_cast<unsigned char>(bytes[offset + 1]) << 8);
}
int byteAt(const std::string& bytes, std::size_t offset) {
    return static_cast<unsigned char>(bytes[offset]);
}

// A line as the report tables write it: field "Name(n)w", label "'text'w", filler "Fw".
std::string describe(const ReportLine& line) {
    std::ostringstream out;
    for (int k = 0; k < reports::usedParts(line); ++k) {
        const ReportPart& part = line[static_cast<std::size_t>(k)];
        out << (k > 0 ? " " : "");
        if (part.PartName == "<FILLER>") {
            out << "F";
        } else if (part.PartName == "<LABEL>") {
            out << "'" << part.LabelName << "'";
        } else {
            out << part.PartName << "(" << int{part.FieldNumber} << ")";
        }
        out << part.FieldWidth;
    }
    return out.str();
}

struct BuiltIn {
    const char* name;
    int width;
    int numLines;
    bool columnHeaders;
    bool ruled; // VertLines and HorzLines
    bool useTotals;
    std::vector<std::string> lines; // the lines given; the others blank
};

const std::string Blank = "F150";
const std::string ItemLocationCategory = "'Item:'5 F1 Item(1)40 'Location:'11 F1 Location(5)30 "
                                         "'Category:'11 F1 Category(12)20";
const std::string BrandModelSerialCost = "'Brand:'6 F1 Brand(2)20 'Model:'8 F1 Model(3)15 "
                                         "'Serial:'9 F1 Serial(4)14 'Cost:'7 F1 Cost(11)12 "
                                         "'Rep Cost:'11 F1 RepCost(13)12";
const std::string Description = "'Desc:'5 F1 Descriptio(6)110";

const std::vector<BuiltIn> BuiltIns = {
    {"Short Narrow Report",
     90,
     1,
     true,
     true,
     true,
     {"Item(1)32 Location(5)17 Cost(11)14 RepCost(13)14 Quantity(9)13"}},
    {"Short Wide Report",
     120,
     1,
     true,
     true,
     true,
     {"Item(1)26 Brand(2)12 Model(3)12 Serial(4)12 Location(5)17 Cost(11)14 RepCost(13)14 "
      "Quantity(9)13"}},
    {"Medium Report", 120, 2, false, false, true, {ItemLocationCategory, BrandModelSerialCost}},
    {"Medium Large Report",
     120,
     4,
     false,
     false,
     true,
     {ItemLocationCategory, BrandModelSerialCost, Description, Blank}},
    {"Full Report",
     120,
     7,
     false,
     false,
     true,
     {ItemLocationCategory,
      "'Brand:'6 F1 Brand(2)20 'Model:'8 F1 Model(3)15 'Serial:'9 F1 Serial(4)20 'Owner:'8 F1 "
      "Owner(17)30",
      Description,
      "'Cost:'5 F1 Cost(11)13 'Rep. Cost:'11 F1 RepCost(13)13 'Value:'8 F1 Value(18)13 "
      "'Purch From:'13 F1 BoughtFrom(7)40",
      "'Purch Date:'11 F1 PurchDate(10)11 'Warranty:'12 F1 Warranty(14)3 'Expiration Date:'19 "
      "F1 WarDate(15)11 'Warranty Notes:'18 F1 WarNotes(16)30",
      "'ID Marks:'9 F1 IDMarks(8)60 'Quantity:'11 F1 Quantity(9)10", Blank}},
    {"Warranty Report",
     120,
     1,
     true,
     false,
     false,
     {"Item(1)30 F2 Location(5)15 F2 PurchDate(10)11 F2 Warranty(14)3 F2 WarDate(15)11 F2 "
      "WarNotes(16)30"}},
    {"Location & Owner Report", 90, 1, true, true, true, {"Item(1)33 Location(5)30 Owner(17)27"}},
    {"Statistics/Summary Report", 120, 0, false, false, true, {}},
};

const std::string TotalsLine = "'Cost:'10 F1 Cost(1)12 'Replacement Cost:'19 F1 Replacement "
                               "Cost(3)12 'Value:'8 F1 Value(2)12 F60";

// Past its used parts a line holds only fillers of width 0 without label text.
void expectClosedLine(const ReportLine& line) {
    for (std::size_t k = static_cast<std::size_t>(reports::usedParts(line)); k < line.size(); ++k) {
        EXPECT_EQ(line[k], (ReportPart{"<FILLER>", 0, 0, ""})) << "part " << k + 1;
    }
}

// ---- the record ---------------------------------------------------------------------------------

TEST_F(ReportFileTest, EncodeAndDecodeKeepEveryMember) {
    ReportDefinition d = named("All members");
    d.ReportWidth = 150;
    d.TitleFont = {"Title face", 14, true, false, true, false, 0x00123456};
    d.ColumnFont = {"Column face", 9, false, true, false, true, 255};
    d.BodyFont = {"Body face", 8, false, false, false, false, -1};
    d.SpareFont = {"Spare", 7, true, true, true, true, 65280};
    d.FootnoteFont = {"Foot", -3, false, false, false, true, 16711680};
    d.ColumnHeaders = d.LandOrient = d.UseTotals = d.HorzLines = d.Level2Group = true;
    d.NumLines = 12;
    d.TopMargin = 0.25;
    d.BottomMargin = 1.5;
    d.LeftMargin = -2;
    d.RightMargin = 1e-3;
    d.Title1 = std::string(80, 'x');
    d.Title3 = "third";
    d.TotalsLine[19] = {"Quantity", 4, -7, ""};
    d.BodyLines[11][19] = {"<LABEL>", 0, 32767, std::string(40, 'L')};
    d.BodyLines[5][3] = {"UserDef4", 22, 12, ""};

    const std::string bytes = reports::encodeReport(d);
    ASSERT_EQ(bytes.size(), ReportRecordSize);
    EXPECT_EQ(reports::decodeReport(bytes), d);
    EXPECT_EQ(bytes.find_first_not_of('\0', 20124), std::string::npos) << "reserved bytes";
}

TEST_F(ReportFileTest, EncodeCutsLongTextsAndWritesFlagsAsOne) {
    ReportDefinition d = named(std::string(45, 'N'));
    d.Title2 = std::string(100, 'T');
    d.BodyLines[0][0] = {std::string(35, 'P'), 3, 10, std::string(50, 'Q')};
    d.BodyLines[0][1] = {"<FILLER>", 9, 5, ""}; // a filler carries no field number
    d.DateOnPage = true;

    const std::string bytes = reports::encodeReport(d);
    EXPECT_EQ(textAt(bytes, 0), std::string(30, 'N'));
    EXPECT_EQ(byteAt(bytes, 31), 90);
    EXPECT_EQ(textAt(bytes, 1960), std::string(80, 'T'));
    EXPECT_EQ(textAt(bytes, 2122), std::string(30, 'P'));
    EXPECT_EQ(textAt(bytes, 2122 + 34), std::string(40, 'Q'));
    EXPECT_EQ(byteAt(bytes, 2122 + 75 + 31), 0);
    EXPECT_EQ(byteAt(bytes, 341), 1);
}

TEST_F(ReportFileTest, DecodeClampsLengthBytesAndReadsAnyNonZeroFlagAsTrue) {
    std::string bytes = reports::encodeReport(named("x"));
    bytes[0] = static_cast<char>(255);        // name: capacity 30
    bytes[2122 + 34] = static_cast<char>(41); // label: capacity 40
    bytes[1879] = static_cast<char>(200);     // title: capacity 80
    bytes[33] = static_cast<char>(51);        // font face: capacity 50
    bytes[340] = 7;
    const ReportDefinition d = reports::decodeReport(bytes);
    EXPECT_EQ(d.ReportName.size(), 30u);
    EXPECT_EQ(d.BodyLines[0][0].LabelName.size(), 40u);
    EXPECT_EQ(d.Title1.size(), 80u);
    EXPECT_EQ(d.TitleFont.Name.size(), 50u);
    EXPECT_TRUE(d.LandOrient);
    EXPECT_EQ(byteAt(reports::encodeReport(d), 340), 1);

    EXPECT_THROW(reports::decodeReport(bytes.substr(0, ReportRecordSize - 1)), ReportFileError);
}

TEST_F(ReportFileTest, LineEndsBeforeFirstPartWithoutPositiveWidth) {
    ReportLine line = reports::blankLine();
    EXPECT_EQ(reports::usedParts(line), 1);
    for (auto& part : line) {
        part = {"Item", 1, 5, ""};
    }
    EXPECT_EQ(reports::usedParts(line), 20);
    line[2].FieldWidth = 0;
    EXPECT_EQ(reports::usedParts(line), 2);
    line[2].FieldWidth = -4;
    line[1].FieldWidth = -1;
    EXPECT_EQ(reports::usedParts(line), 1);
}

// ---- the built-in set
// ----------------------------------------------------------------------------

TEST_F(ReportFileTest, MissingFileReceivesTheBuiltInSet) {
    reports::ensureReportFile(folder_);
    const std::string bytes = readBytes(urp());
    ASSERT_EQ(bytes.size(), 164976u);

    ASSERT_EQ(BuiltIns.size(), 8u);
    for (std::size_t r = 0; r < BuiltIns.size(); ++r) {
        SCOPED_TRACE(BuiltIns[r].name);
        const BuiltIn& want = BuiltIns[r];
        const ReportDefinition d =
            reports::decodeReport(std::string_view(bytes).substr(r * ReportRecordSize));
        EXPECT_EQ(d.ReportName, want.name);
        EXPECT_EQ(d.ReportWidth, want.width);
        EXPECT_EQ(d.NumLines, want.numLines);
        EXPECT_EQ(d.ColumnHeaders, want.columnHeaders);
        EXPECT_EQ(d.VertLines, want.ruled);
        EXPECT_EQ(d.HorzLines, want.ruled);
        EXPECT_EQ(d.UseTotals, want.useTotals);
        EXPECT_TRUE(d.PageNumbers && d.DateOnPage && d.Level1Group);
        EXPECT_FALSE(d.LandOrient || d.Level2Group);
        EXPECT_EQ(d.TopMargin, 0.5);
        EXPECT_EQ(d.BottomMargin, 0.5);
        EXPECT_EQ(d.LeftMargin, 0.5);
        EXPECT_EQ(d.RightMargin, 0.5);
        EXPECT_TRUE(d.Title1.empty() && d.Title2.empty() && d.Title3.empty());
        const reports::FontBlock arial{
            "Arial", static_cast<std::int16_t>(want.width == 90 ? 10 : 8),
            false,   false,
            false,   false,
            0};
        for (const auto* font :
             {&d.TitleFont, &d.ColumnFont, &d.BodyFont, &d.SpareFont, &d.FootnoteFont}) {
            EXPECT_EQ(*font, arial);
        }
        EXPECT_EQ(describe(d.TotalsLine), want.useTotals ? TotalsLine : Blank);
        expectClosedLine(d.TotalsLine);
        for (std::size_t l = 0; l < d.BodyLines.size(); ++l) {
            EXPECT_EQ(describe(d.BodyLines[l]), l < want.lines.size() ? want.lines[l] : Blank)
                << "line " << l + 1;
            expectClosedLine(d.BodyLines[l]);
        }
    }
    EXPECT_EQ(reports::listReportNames(folder_).size(), 8u);
}

TEST_F(ReportFileTest, BuiltInSetLiesAtTheLayoutsOffsets) {
    reports::ensureReportFile(folder_);
    const std::string b = readBytes(urp());
    ASSERT_EQ(b.size(), 8 * ReportRecordSize);

    EXPECT_EQ(byteAt(b, 0), 19);
    EXPECT_EQ(textAt(b, 0), "Short Narrow Report");
    EXPECT_EQ(int16At(b, 31), 90);
    EXPECT_EQ(int16At(b, ReportRecordSize + 31), 120);
    EXPECT_EQ(textAt(b, 33), "Arial");
    EXPECT_EQ(int16At(b, 33 + 51), 10);
    EXPECT_EQ(int16At(b, ReportRecordSize + 277 + 51), 8); // footnote font of record 2
    EXPECT_EQ(b.substr(338, 5), std::string("\1\1\0\1\1", 5));
    EXPECT_EQ(int16At(b, 343), 1);
    EXPECT_EQ(b.substr(1845, 8), std::string("\0\0\0\0\0\0\xE0\x3F", 8)); // 0.5
    EXPECT_EQ(b.substr(1877, 2), std::string("\1\1", 2));
    EXPECT_EQ(b.substr(20122, 2), std::string("\1\0", 2));
    EXPECT_EQ(b.find_first_not_of('\0', 20124), ReportRecordSize) << "reserved bytes";

    // Totals line: part 1 the label "Cost:" of width 10, part 3 total field 1, part 11 ends it.
    EXPECT_EQ(textAt(b, 345), "<LABEL>");
    EXPECT_EQ(int16At(b, 345 + 32), 10);
    EXPECT_EQ(textAt(b, 345 + 34), "Cost:");
    EXPECT_EQ(textAt(b, 345 + 2 * 75), "Cost");
    EXPECT_EQ(byteAt(b, 345 + 2 * 75 + 31), 1);
    EXPECT_EQ(int16At(b, 345 + 2 * 75 + 32), 12);
    EXPECT_EQ(textAt(b, 345 + 5 * 75), "Replacement Cost");
    EXPECT_EQ(byteAt(b, 345 + 5 * 75 + 31), 3);
    EXPECT_EQ(textAt(b, 345 + 10 * 75), "<FILLER>");
    EXPECT_EQ(int16At(b, 345 + 10 * 75 + 32), 0);

    // Line 1, part 2 of the first report; line 5, part 4 of "Full Report".
    EXPECT_EQ(textAt(b, 2122 + 75), "Location");
    EXPECT_EQ(byteAt(b, 2122 + 75 + 31), 5);
    EXPECT_EQ(int16At(b, 2122 + 75 + 32), 17);
    const std::size_t warranty = 4 * ReportRecordSize + 2122 + 4 * 1500 + 3 * 75;
    EXPECT_EQ(textAt(b, warranty), "<LABEL>");
    EXPECT_EQ(int16At(b, warranty + 32), 12);
    EXPECT_EQ(textAt(b, warranty + 34), "Warranty:");
}

TEST_F(ReportFileTest, ExistingFileIsNeverReplaced) {
    writeBytes(urp(), "");
    reports::ensureReportFile(folder_);
    EXPECT_EQ(fs::file_size(urp()), 0u);
    EXPECT_TRUE(reports::listReportNames(folder_).empty());

    writeRecords({"Mine"});
    reports::ensureReportFile(folder_);
    EXPECT_THAT(reports::listReportNames(folder_), testing::ElementsAre("Mine"));
}

TEST_F(ReportFileTest, CreationFailureLeavesNoFile) {
    const std::string missingFolder = folder_ + "/absent";
    EXPECT_THROW(reports::ensureReportFile(missingFolder), ReportFileError);
    EXPECT_FALSE(fs::exists(missingFolder));
}

// ---- write and delete
// ----------------------------------------------------------------------------

TEST_F(ReportFileTest, WriteAppendsOrOverwritesOneRecord) {
    EXPECT_EQ(reports::writeReport(folder_, named("First"), std::nullopt), 0u);
    EXPECT_EQ(reports::writeReport(folder_, named("Second"), std::nullopt), 1u);
    EXPECT_EQ(reports::writeReport(folder_, named("Third"), std::nullopt), 2u);
    const std::string before = readBytes(urp());

    EXPECT_EQ(reports::writeReport(folder_, named("Changed"), 1), 1u);
    EXPECT_THAT(reports::listReportNames(folder_),
                testing::ElementsAre("First", "Changed", "Third"));
    const std::string after = readBytes(urp());
    ASSERT_EQ(after.size(), 3 * ReportRecordSize);
    EXPECT_EQ(after.substr(0, ReportRecordSize), before.substr(0, ReportRecordSize));
    EXPECT_EQ(after.substr(2 * ReportRecordSize), before.substr(2 * ReportRecordSize));
    EXPECT_EQ(reports::readReport(folder_, 1), named("Changed"));
}

TEST_F(ReportFileTest, OverwriteOfARecordThatIsGoneAppends) {
    // The file vanished since the definition was read: it becomes the first record.
    EXPECT_EQ(reports::writeReport(folder_, named("Kept"), 5), 0u);
    EXPECT_EQ(fs::file_size(urp()), ReportRecordSize);
    // The file shrank: the definition goes to the end, never past it.
    EXPECT_EQ(reports::writeReport(folder_, named("Also"), 3), 1u);
    EXPECT_THAT(reports::listReportNames(folder_), testing::ElementsAre("Kept", "Also"));
}

struct DeleteCase {
    std::size_t index;
    std::vector<std::string> left;
};

void PrintTo(const DeleteCase& c, std::ostream* out) {
    *out << "delete " << c.index;
}

class ReportDeleteTest : public ReportFileTest, public testing::WithParamInterface<DeleteCase> {};

TEST_P(ReportDeleteTest, RemovesOneRecordAndClosesTheGap) {
    writeRecords({"A", "B", "C"});
    reports::deleteReport(folder_, GetParam().index);
    EXPECT_EQ(fs::file_size(urp()), GetParam().left.size() * ReportRecordSize);
    EXPECT_EQ(reports::listReportNames(folder_), GetParam().left);
    for (std::size_t i = 0; i < GetParam().left.size(); ++i) {
        EXPECT_EQ(reports::readReport(folder_, i), named(GetParam().left[i]));
    }
}

INSTANTIATE_TEST_SUITE_P(Positions, ReportDeleteTest,
                         testing::Values(DeleteCase{0, {"B", "C"}}, DeleteCase{1, {"A", "C"}},
                                         DeleteCase{2, {"A", "B"}}),
                         [](const auto& info) {
                             return "Record" + std::to_string(info.param.index);
                         });

TEST_F(ReportFileTest, DeletingTheOnlyRecordLeavesAnEmptyFile) {
    writeRecords({"Only"});
    reports::deleteReport(folder_, 0);
    ASSERT_TRUE(fs::exists(urp()));
    EXPECT_EQ(fs::file_size(urp()), 0u);
}

TEST_F(ReportFileTest, DeleteOfAMissingRecordChangesNothing) {
    writeRecords({"A", "B"});
    const std::string before = readBytes(urp());
    EXPECT_THROW(reports::deleteReport(folder_, 2), ReportFileError);
    EXPECT_EQ(readBytes(urp()), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

// ---- damaged and missing files
// -------------------------------------------------------------------

TEST_F(ReportFileTest, MissingFileCannotBeOpened) {
    const auto reasonOf = [](const auto& operation) -> std::optional<ReportFileError::Reason> {
        try {
            operation();
        } catch (const ReportFileError& error) {
            return error.reason();
        }
        return std::nullopt;
    };
    const auto cannotOpen = ReportFileError::Reason::CannotOpen;
    EXPECT_EQ(reasonOf([&] { reports::listReportNames(folder_); }), cannotOpen);
    EXPECT_EQ(reasonOf([&] { reports::readReport(folder_, 0); }), cannotOpen);
    EXPECT_EQ(reasonOf([&] { reports::deleteReport(folder_, 0); }), cannotOpen);
    EXPECT_FALSE(fs::exists(urp()));

    fs::create_directory(urp());
    EXPECT_EQ(reasonOf([&] { reports::listReportNames(folder_); }), cannotOpen);
    EXPECT_EQ(reasonOf([&] { reports::writeReport(folder_, named("x"), std::nullopt); }),
              cannotOpen);
}

TEST_F(ReportFileTest, BrokenTailIsIgnoredAndDroppedByWriters) {
    writeRecords({"A", "B"});
    writeBytes(urp(), readBytes(urp()) + std::string(100, 'z'));

    EXPECT_THAT(reports::listReportNames(folder_), testing::ElementsAre("A", "B"));
    EXPECT_EQ(reports::readReport(folder_, 1), named("B"));
    try {
        reports::readReport(folder_, 2);
        ADD_FAILURE() << "a record past the whole ones was read";
    } catch (const ReportFileError& error) {
        EXPECT_EQ(error.reason(), ReportFileError::Reason::InputOutput);
        EXPECT_THAT(error.what(), HasSubstr(urp()));
    }

    EXPECT_EQ(reports::writeReport(folder_, named("C"), std::nullopt), 2u);
    EXPECT_EQ(fs::file_size(urp()), 3 * ReportRecordSize);

    writeBytes(urp(), readBytes(urp()) + "tail");
    reports::deleteReport(folder_, 0);
    EXPECT_EQ(fs::file_size(urp()), 2 * ReportRecordSize);
    EXPECT_THAT(reports::listReportNames(folder_), testing::ElementsAre("B", "C"));
}

TEST_F(ReportFileTest, ShortOrHostileBytesGiveClampedNamesNeverAnOverrun) {
    writeBytes(urp(), std::string(ReportRecordSize - 1, '\xff'));
    EXPECT_TRUE(reports::listReportNames(folder_).empty());

    writeBytes(urp(), std::string(2 * ReportRecordSize, '\xff'));
    EXPECT_THAT(reports::listReportNames(folder_),
                testing::ElementsAre(std::string(30, '\xff'), std::string(30, '\xff')));
    const ReportDefinition d = reports::readReport(folder_, 1);
    EXPECT_EQ(d.Title3, std::string(80, '\xff'));
    EXPECT_EQ(d.ReportWidth, -1);
}

// ---- the earlier release's file
// ------------------------------------------------------------------

struct OldPart {
    std::string name;
    int width;
    std::string label;
};

// An old record, written by hand in the old layout.
std::string oldRecord(const std::string& name, int width, const std::vector<OldPart>& line1,
                      const std::vector<OldPart>& totals = {}) {
    std::string r(OldRecordSize, '\0');
    const auto text = [&](std::size_t at, const std::string& value) {
        r[at] = static_cast<char>(value.size());
        r.replace(at + 1, value.size(), value);
    };
    const auto parts = [&](std::size_t at, const std::vector<OldPart>& ps) {
        for (std::size_t k = 0; k < ps.size(); ++k) {
            const std::size_t p = at + k * 75;
            text(p, ps[k].name);
            r[p + 31] = '\x63'; // whatever the old release left there
            r[p + 32] = static_cast<char>(ps[k].width);
            text(p + 34, ps[k].label);
        }
    };
    text(0, name);
    r[31] = static_cast<char>(width);
    r[83] = 1; // column headers
    r[84] = 0; // page numbers
    r[85] = 5; // use totals
    r[86] = 2; // number of lines
    parts(88, totals);
    text(1588, "Title one");
    text(1588 + 162, "Title three");
    parts(1831, line1);
    parts(1831 + 1500, {{"<FILLER>", 120, ""}});
    return r;
}

TEST_F(ReportFileTest, OldReportsAreConvertedExceptTheOldBuiltInOnes) {
    reports::ensureReportFile(folder_);
    writeBytes(homeUrp(),
               oldRecord("Full Report", 120, {}) +
                   oldRecord("My Things", 90,
                             {{"location", 20, ""},
                              {"<LABEL>", 10, "Cost:"},
                              {"Nonsense", 10, ""},
                              {"USERDEF4", 50, ""}},
                             {{"replacement cost", 12, ""}, {"Cost", 12, ""}, {"Item", 5, ""}}) +
                   oldRecord("1 Line Warranty Report", 120, {}) +
                   oldRecord("full report", 150, {}));

    reports::ensureReportFile(folder_);
    EXPECT_FALSE(fs::exists(homeUrp()));
    const std::vector<std::string> names = reports::listReportNames(folder_);
    ASSERT_EQ(names.size(), 10u);
    EXPECT_EQ(names[8], "My Things");
    EXPECT_EQ(names[9], "full report"); // differs in case only: not one of the old set

    const ReportDefinition d = reports::readReport(folder_, 8);
    EXPECT_EQ(d.ReportWidth, 90);
    EXPECT_TRUE(d.ColumnHeaders);
    EXPECT_FALSE(d.PageNumbers);
    EXPECT_TRUE(d.UseTotals);
    EXPECT_EQ(d.NumLines, 2);
    EXPECT_EQ(d.Title1, "Title one");
    EXPECT_EQ(d.Title2, "");
    EXPECT_EQ(d.Title3, "Title three");
    EXPECT_FALSE(d.LandOrient || d.VertLines || d.HorzLines || d.Level2Group);
    EXPECT_TRUE(d.DateOnPage && d.Level1Group);
    EXPECT_EQ(d.TopMargin, 0.5);
    EXPECT_EQ(d.RightMargin, 0.5);
    const reports::FontBlock bold{"Courier New", 10, true, false, false, false, 0};
    const reports::FontBlock plain{"Courier New", 10, false, false, false, false, 0};
    EXPECT_EQ(d.TitleFont, bold);
    EXPECT_EQ(d.ColumnFont, bold);
    EXPECT_EQ(d.FootnoteFont, bold);
    EXPECT_EQ(d.BodyFont, plain);
    EXPECT_EQ(d.SpareFont, plain);
    EXPECT_EQ(reports::readReport(folder_, 9).TitleFont.Size, 8);

    // Field numbers come from the names: item fields in report lines, totals in the totals line.
    EXPECT_EQ(describe(d.BodyLines[0]), "location(5)20 'Cost:'10 Nonsense(0)10 USERDEF4(22)50");
    EXPECT_EQ(describe(d.BodyLines[1]), "F120");
    EXPECT_EQ(describe(d.TotalsLine), "replacement cost(3)12 Cost(1)12 Item(0)5");
}

TEST_F(ReportFileTest, OldFileWithoutConvertibleReportsIsStillDeleted) {
    reports::ensureReportFile(folder_);
    const std::string before = readBytes(urp());
    // The broken tail after the whole record is not a definition.
    writeBytes(homeUrp(), oldRecord("90 Column 1 Line Report", 90, {}) + "junk");
    EXPECT_EQ(reports::convertOldReports(folder_), 0u);
    EXPECT_FALSE(fs::exists(homeUrp()));
    EXPECT_EQ(readBytes(urp()), before);
}

TEST_F(ReportFileTest, OldFileStaysWhenNoReportFileCanReceiveIt) {
    const std::string old = oldRecord("Mine", 90, {});
    writeBytes(homeUrp(), old);
    EXPECT_EQ(reports::convertOldReports(folder_), 0u);
    EXPECT_EQ(readBytes(homeUrp()), old);
    EXPECT_FALSE(fs::exists(urp()));

    // The next start creates the file and converts then.
    reports::ensureReportFile(folder_);
    EXPECT_FALSE(fs::exists(homeUrp()));
    EXPECT_EQ(reports::listReportNames(folder_).back(), "Mine");
}

} // namespace
