#include "app/Utility.h"
#include "support/FileText.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using testsupport::Slurp;
using testsupport::Spit;

struct NumberCase {
    double value;
    int width;
    int decimals;
    const char* plain;
    const char* us;
};

class NumberText : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberText, WritesPlainAndUsForms) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(app::PlainNumberText(c.value, c.width, c.decimals), c.plain);
    EXPECT_EQ(app::USNumberText(c.value, c.width, c.decimals), c.us);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumberText,
    ::testing::Values(NumberCase{-123.45, 1, 2, "-123.45", "-123.45"},
                      NumberCase{-123456.78, 1, 2, "-123456.78", "-123,456.78"},
                      NumberCase{999, 1, 0, "999", "999"}, NumberCase{1000, 1, 0, "1000", "1,000"},
                      NumberCase{5, 4, 0, "   5", "   5"},
                      NumberCase{1234567.891, 1, 2, "1234567.89", "1,234,567.89"},
                      NumberCase{-1000000, 1, 0, "-1000000", "-1,000,000"},
                      NumberCase{1234, 8, 1, "  1234.0", " 1,234.0"},
                      NumberCase{1234, 3, 0, "1234", "1,234"}, NumberCase{0, 1, 2, "0.00", "0.00"},
                      NumberCase{2.5, 1, 0, "3", "3"}, NumberCase{-2.5, 1, 0, "-3", "-3"},
                      NumberCase{2.675, 1, 2, "2.68", "2.68"},
                      NumberCase{999.995, 1, 2, "1000.00", "1,000.00"},
                      NumberCase{-0.001, 1, 2, "0.00", "0.00"},
                      NumberCase{0.1, 1, 20, "0.10000000000000000000", "0.10000000000000000000"},
                      NumberCase{2147483647, 1, 0, "2147483647", "2,147,483,647"},
                      NumberCase{-2147483648.0, 1, 0, "-2147483648", "-2,147,483,648"}));

TEST(NumberTextLimits, StaysWithin255Characters) {
    EXPECT_EQ(app::PlainNumberText(1e300, 1, 0).size(), 255u);
    EXPECT_EQ(app::USNumberText(1, 1000, 0).size(), 255u);
    EXPECT_EQ(app::PlainNumberText(1, 1, 400).size(), 255u);
    EXPECT_EQ(app::PlainNumberText(1, -5, -2), "1");
}

TEST(TextHelpers, TrimPadAndRepeat) {
    EXPECT_EQ(app::TrimSpaces("  a  b  "), "a  b");
    EXPECT_EQ(app::TrimSpaces("\ta \t"), "\ta \t") << "only code 32 is a space";
    EXPECT_EQ(app::TrimSpaces("    "), "");
    EXPECT_EQ(app::PadRight("ab", 4), "ab  ");
    EXPECT_EQ(app::PadLeft("ab", 4), "  ab");
    EXPECT_EQ(app::PadRight("abcdef", 3), "abcdef");
    EXPECT_EQ(app::PadLeft("abcdef", -1), "abcdef");
    EXPECT_EQ(app::PadRight("ab", 1000).size(), 255u);
    EXPECT_EQ(app::RepeatChar('-', 3), "---");
    EXPECT_EQ(app::RepeatChar('-', 0), "");
    EXPECT_EQ(app::RepeatChar('-', -4), "");
    EXPECT_EQ(app::RepeatChar('=', 1000), std::string(255, '='));
    EXPECT_EQ(app::YesNoText(true) + app::YesNoText(false), "YesNo");
}

class CopyWholeFileTest : public ::testing::Test {
protected:
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    testsupport::TempFolder temp_{
        "pnhold-copy", testsupport::TempFolderOptions().homeIn("home").configIn("config")};
    fs::path dir_{temp_.path()};
};

TEST_F(CopyWholeFileTest, CopiesEveryByteOverAnyOldTarget) {
    std::string bytes;
    for (int i = 0; i < 2048 * 2 + 17; ++i)
        bytes += static_cast<char>(i * 7);
    for (const std::string& content : {bytes, std::string(2048, 'x'), std::string()}) {
        Spit(Path("SOURCE.DBF"), content);
        Spit(Path("TARGET.DBF"), "old and longer than some of the sources");
        ASSERT_TRUE(app::CopyWholeFile(Path("SOURCE.DBF"), Path("TARGET.DBF")));
        EXPECT_EQ(Slurp(Path("TARGET.DBF")), content);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2)
        << "no temporary file is left behind";
}

TEST_F(CopyWholeFileTest, FalseWhenSourceOrTargetCannotBeOpened) {
    Spit(Path("SOURCE.DBF"), "data");
    Spit(Path("LOCKED.DBF"), "keep");
    chmod(Path("LOCKED.DBF").c_str(), 0444);
    fs::create_directory(dir_ / "FOLDER");
    EXPECT_FALSE(app::CopyWholeFile(Path("ABSENT.DBF"), Path("T.DBF")));
    EXPECT_FALSE(app::CopyWholeFile(Path("FOLDER"), Path("T.DBF")));
    EXPECT_FALSE(app::CopyWholeFile(Path("SOURCE.DBF"), Path("missing/T.DBF")));
    EXPECT_FALSE(app::CopyWholeFile(Path("SOURCE.DBF"), Path("FOLDER")));
    EXPECT_FALSE(app::CopyWholeFile(Path("SOURCE.DBF"), Path("LOCKED.DBF")));
    EXPECT_FALSE(fs::exists(Path("T.DBF")));
    EXPECT_EQ(Slurp(Path("LOCKED.DBF")), "keep");
}

TEST_F(CopyWholeFileTest, ReadErrorAfterOpeningIsRaisedAndTheOldTargetKept) {
    // The process's own memory file opens but fails to read at offset 0.
    Spit(Path("TARGET.DBF"), "previous backup");
    try {
        app::CopyWholeFile("/proc/self/mem", Path("TARGET.DBF"));
        FAIL() << "a failed read was reported as a copy";
    } catch (const app::InOutError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot read \"/proc/self/mem\": Input/output error.");
    }
    EXPECT_EQ(Slurp(Path("TARGET.DBF")), "previous backup");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

} // namespace
