#include "platform/profile/Profile.h"
#include "support/FileText.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace fs = std::filesystem;
using profile::ProfileDocument;
using profile::ProfileError;

namespace {

using testsupport::Slurp;
using testsupport::Spit;

// Each test in a folder of its own, with the configuration folder pointed into it.
class ProfileFiles : public ::testing::Test {
protected:
    testsupport::TempFolder temp_{
        "pnhold-profile",
        testsupport::TempFolderOptions().homeIn("home").configIn("config").restoreHome()};
    fs::path dir_{temp_.path()};
};

struct ReadCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    const char* defaultValue;
    std::size_t length;
    std::string expected;
};

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, GivesTheValueTheRoutinesWould) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(ProfileDocument::Parse(c.text).Read(c.section, c.key, c.defaultValue, c.length),
              c.expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileRead,
    ::testing::Values(
        ReadCase{"NamesIgnoreCase", "[misc]\nSHOW tips=Yes\n", "Misc", "Show Tips", "d", 14, "Yes"},
        ReadCase{"OnlyAsciiLettersFold", "[\xC3\xA4]\nk=1\n", "\xC3\x84", "k", "d", 14, "d"},
        ReadCase{"FirstKeyWins", "[A]\nk=1\nK=2\n", "A", "k", "d", 14, "1"},
        ReadCase{"FirstSectionWins", "[A]\nx=1\n[a]\nk=2\n", "A", "k", "d", 14, "d"},
        ReadCase{"AbsentSection", "[A]\nk=1\n", "B", "k", "dflt", 14, "dflt"},
        ReadCase{"AbsentKey", "[A]\nk=1\n", "A", "j", "dflt", 14, "dflt"},
        ReadCase{"EmptyValueIsNotAbsent", "[A]\nk=\n", "A", "k", "dflt", 14, ""},
        ReadCase{"ReadLengthCutsValue", "[A]\nk=abcdefgh\n", "A", "k", "d", 3, "abc"},
        ReadCase{"ReadLengthCutsDefault", "", "A", "k", "abcdefgh", 3, "abc"},
        ReadCase{"CutCountsCharacters", "[A]\nk=\xC3\x84\xC3\x96\xC3\x9C\n", "A", "k", "d", 2,
                 "\xC3\x84\xC3\x96"},
        ReadCase{"CutCountsStrayBytesSingly", "[A]\nk=\xA3\x80\x80x\n", "A", "k", "d", 2,
                 "\xA3\x80"},
        ReadCase{"BlanksTrimmed", "[ A ]\n  k \t=  v w \t\n", "A", "k", "d", 14, "v w"},
        ReadCase{"DoubleQuotesRemoved", "[A]\nk= \"  v \" \n", "A", "k", "d", 14, "  v "},
        ReadCase{"SingleQuotesRemoved", "[A]\nk='v'\n", "A", "k", "d", 14, "v"},
        ReadCase{"UnmatchedQuoteKept", "[A]\nk=\"v'\n", "A", "k", "d", 14, "\"v'"},
        ReadCase{"OnlyOnePairRemoved", "[A]\nk=\"\"v\"\"\n", "A", "k", "d", 14, "\"v\""},
        ReadCase{"CrLfLines", "[A]\r\nk=v\r\nj=w\r\n", "A", "k", "d", 14, "v"},
        ReadCase{"NoFinalNewline", "[A]\nk=v", "A", "k", "d", 14, "v"},
        ReadCase{"LineWithoutEqualsSkipped", "[A]\ngarbage\nk=v\n", "A", "k", "d", 14, "v"},
        ReadCase{"CommentIsNoKey", "[A]\n;k=x\nk=v\n", "A", "k", "d", 14, "v"},
        ReadCase{"KeyBeforeAnySectionIgnored", "k=v\n[A]\n", "A", "k", "d", 14, "d"},
        ReadCase{"UnclosedHeaderIsNoSection", "[A]\nk=1\n[B\nk=2\n", "A", "k", "d", 14, "1"},
        ReadCase{"NulBytesKept", "[A]\n\0\0junk\nk=v\0w\n"s, "A", "k", "d", 14, "v\0w"s},
        ReadCase{"ValueMayHoldEquals", "[A]\nk=a=b\n", "A", "k", "d", 14, "a=b"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    std::string before;
    std::vector<std::array<const char*, 3>> writes;
    std::string after;
};

class ProfileWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyWhatIsWritten) {
    const WriteCase& c = GetParam();
    ProfileDocument document = ProfileDocument::Parse(c.before);
    for (const auto& [section, key, value] : c.writes)
        document.Write(section, key, value);
    EXPECT_EQ(document.Text(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileWrite,
    ::testing::Values(
        WriteCase{"ReplacesInPlaceKeepingComments",
                  "; mine\n[A]\nk = 1\n; note\nj=2\n",
                  {{"A", "k", "9"}},
                  "; mine\n[A]\nk=9\n; note\nj=2\n"},
        WriteCase{"KeepsTheStoredSpelling",
                  "[misc]\nSHOW TIPS=No\n",
                  {{"Misc", "Show Tips", "Yes"}},
                  "[misc]\nSHOW TIPS=Yes\n"},
        WriteCase{"NewKeyAfterLastKeyOfSection",
                  "[A]\nk=1\n\n; about B\n[B]\nx=1\n",
                  {{"A", "j", "2"}, {"A", "i", "3"}},
                  "[A]\nk=1\nj=2\ni=3\n\n; about B\n[B]\nx=1\n"},
        WriteCase{"NewKeyInSectionWithoutKeys",
                  "[A]\n; nothing yet\n",
                  {{"A", "k", "1"}},
                  "[A]\nk=1\n; nothing yet\n"},
        WriteCase{"NewSectionsInOrderWritten",
                  "",
                  {{"B", "x", "1"}, {"A", "y", "2"}, {"B", "z", "3"}},
                  "[B]\nx=1\nz=3\n\n[A]\ny=2\n"},
        WriteCase{"KeepsCrLf",
                  "[A]\r\nk=1\r\n",
                  {{"A", "j", "2"}, {"B", "x", "3"}},
                  "[A]\r\nk=1\r\nj=2\r\n\r\n[B]\r\nx=3\r\n"},
        WriteCase{"EndsALastLineWithoutNewline", "[A]\nk=1", {{"A", "j", "2"}}, "[A]\nk=1\nj=2\n"},
        WriteCase{"LineBreaksInValueBecomeSpaces", "", {{"A", "k", "a\r\nb"}}, "[A]\nk=a  b\n"},
        WriteCase{"DuplicateSectionLeftAlone",
                  "[A]\nk=1\n[a]\nk=2\n",
                  {{"A", "k", "3"}},
                  "[A]\nk=3\n[a]\nk=2\n"},
        WriteCase{"DamagedLinesKept",
                  "\x01\x02garbage\n[A]\nno equals\n"s,
                  {{"A", "k", "1"}},
                  "\x01\x02garbage\n[A]\nk=1\nno equals\n"s}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileDocumentTest, RefusesNamesThatWouldBreakTheFile) {
    ProfileDocument document;
    EXPECT_THROW(document.Write("A]", "k", "v"), std::invalid_argument);
    EXPECT_THROW(document.Write("A", "k=j", "v"), std::invalid_argument);
    EXPECT_THROW(document.Write("A", "k\nj", "v"), std::invalid_argument);
    EXPECT_THROW(document.Write(" ", "k", "v"), std::invalid_argument);
    EXPECT_THROW(document.Write("A", "[B]", "v"), std::invalid_argument);
    EXPECT_THROW(document.Write("A", " ;k", "v"), std::invalid_argument);
    EXPECT_EQ(document.Text(), "");
}

TEST(ProfileDocumentTest, EveryByteValueParsesAndReads) {
    std::string bytes;
    for (int round = 0; round < 3; ++round)
        for (int c = 0; c < 256; ++c)
            bytes += static_cast<char>(c);
    ProfileDocument document = ProfileDocument::Parse(bytes);
    EXPECT_EQ(document.Text(), bytes);
    EXPECT_EQ(document.Read("A", "k", "d", 14), "d");
    document.Write("A", "k", "v");
    EXPECT_EQ(ProfileDocument::Parse(document.Text()).Read("A", "k", "d", 14), "v");
}

TEST_F(ProfileFiles, BareNameLivesInTheConfigurationFolder) {
    EXPECT_EQ(profile::ResolveProfilePath("PNHOLD.INI"), (dir_ / "config" / "PNHOLD.INI").string());
    EXPECT_EQ(profile::ResolveProfilePath("/data/MASTER.INI"), "/data/MASTER.INI");
    EXPECT_EQ(profile::ResolveProfilePath("sub/MASTER.INI"), "sub/MASTER.INI");

    const std::string home = (dir_ / "home").string();
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(profile::ResolveProfilePath("PNHOLD.INI"), home + "/.config/PNHOLD.INI");
    setenv("XDG_CONFIG_HOME", "relative/not/allowed", 1);
    EXPECT_EQ(profile::ResolveProfilePath("PNHOLD.INI"), home + "/.config/PNHOLD.INI");
}

TEST_F(ProfileFiles, OneKeyRoutinesCreateFolderAndFile) {
    EXPECT_EQ(profile::ReadProfileString("PNHOLD.INI", "Misc", "Window Size", "640", 14), "640");
    profile::WriteProfileString("PNHOLD.INI", "Misc", "Window Size", "800");
    profile::WriteProfileString("PNHOLD.INI", "Misc", "Show Tips", "No");
    EXPECT_EQ(Slurp(dir_ / "config" / "PNHOLD.INI"), "[Misc]\nWindow Size=800\nShow Tips=No\n");
    EXPECT_EQ(profile::ReadProfileString("PNHOLD.INI", "MISC", "window size", "640", 14), "800");
}

TEST_F(ProfileFiles, SaveReplacesWholeFileAndKeepsItsPermissions) {
    const fs::path file = dir_ / "MASTER.INI";
    Spit(file, "[A]\nk=1\n");
    chmod(file.c_str(), 0640);
    ProfileDocument document = ProfileDocument::Load(file.string());
    document.Write("A", "k", "2");
    document.Save(file.string());
    EXPECT_EQ(Slurp(file), "[A]\nk=2\n");
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(ProfileFiles, SaveThroughLinkChangesTheLinkedFile) {
    const fs::path real = dir_ / "real.ini";
    const fs::path link = dir_ / "link.ini";
    Spit(real, "[A]\nk=1\n");
    fs::create_symlink(real, link);
    profile::WriteProfileString(link.string(), "A", "k", "2");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Slurp(real), "[A]\nk=2\n");
}

TEST_F(ProfileFiles, SaveFailuresNameTheFileAndTheReason) {
    const fs::path readOnly = dir_ / "LOCKED.INI";
    Spit(readOnly, "[A]\nk=1\n");
    chmod(readOnly.c_str(), 0444);
    const fs::path noFolder = dir_ / "missing" / "DB.INI";
    const std::vector<std::pair<fs::path, std::string>> cases = {
        {readOnly, "Permission denied"}, {noFolder, "No such file or directory"}};
    for (const auto& [path, reason] : cases) {
        try {
            profile::WriteProfileString(path.string(), "A", "k", "2");
            ADD_FAILURE() << "no error for " << path;
        } catch (const ProfileError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Cannot write \"" + path.string() + "\": " + reason + ".");
        }
    }
    EXPECT_EQ(Slurp(readOnly), "[A]\nk=1\n");
}

TEST_F(ProfileFiles, UnreadableFilesGiveDefaultsButAreNeverOverwritten) {
    const fs::path folder = dir_ / "FOLDER.INI";
    fs::create_directory(folder);
    const fs::path huge = dir_ / "HUGE.INI";
    Spit(huge, "[A]\nk=1\n");
    fs::resize_file(huge, profile::MaxProfileFileSize + 1);
    for (const fs::path& path : {folder, huge}) {
        EXPECT_EQ(profile::ReadProfileString(path.string(), "A", "k", "dflt", 14), "dflt");
        EXPECT_THROW(ProfileDocument::Load(path.string()), ProfileError);
        EXPECT_THROW(profile::WriteProfileString(path.string(), "A", "k", "2"), ProfileError);
    }
    EXPECT_EQ(fs::file_size(huge), profile::MaxProfileFileSize + 1);
    EXPECT_TRUE(ProfileDocument::Load((dir_ / "absent.ini").string()).Text().empty());
}

} // namespace
