#include "app/Utility.h"

#include "platform/profile/Profile.h"
#include "support/FileText.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace fs = std::filesystem;
using app::Settings;
using app::SettingsContext;
using app::SettingsMode;

namespace {

using testsupport::Slurp;
using testsupport::Spit;

// Each test in a folder of its own; PNHOLD.INI lives in its "config" folder.
class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override { context_.startupFolder = "/start/here"; }
    fs::path GlobalFile() const { return dir_ / "config" / "PNHOLD.INI"; }
    std::string Db(const char* name) const { return (dir_ / name).string(); }

    void ReadDb(const std::string& file) {
        app::ReadSettings(settings_, context_, file, SettingsMode::Database);
    }
    void WriteDb(const std::string& file) {
        app::WriteSettings(settings_, context_, file, SettingsMode::Database);
    }
    std::string StoredDb(const std::string& file, const char* section, const char* key) const {
        return profile::ProfileDocument::Load(file).Read(section, key, "<absent>", 249);
    }

    testsupport::TempFolder temp_{
        "pnhold-settings",
        testsupport::TempFolderOptions().homeIn("home").configIn("config").createConfig()};
    fs::path dir_{temp_.path()};
    Settings settings_;
    SettingsContext context_;
};

struct StoredValueCase {
    const char* name;
    SettingsMode mode;
    const char* section;
    const char* key;
    std::string stored;
    std::function<std::string(const Settings&)> value;
    std::string expected;
};

class StoredValue : public SettingsFiles, public ::testing::WithParamInterface<StoredValueCase> {};

TEST_P(StoredValue, ReadsByTheFormOfItsKey) {
    const StoredValueCase& c = GetParam();
    const fs::path file = c.mode == SettingsMode::Global ? GlobalFile() : dir_ / "HOUSE.INI";
    Spit(file, std::string("[") + c.section + "]\n" + c.key + "=" + c.stored + "\n");
    app::ReadSettings(settings_, context_, file.string(), c.mode);
    EXPECT_EQ(c.value(settings_), c.expected);
}

std::string ShowTips(const Settings& s) {
    return app::YesNoText(s.showTips);
}
std::string Width(const Settings& s) {
    return std::to_string(s.mainWindowWidth);
}
std::string ItemName(const Settings& s) {
    return s.fieldNames[0];
}
std::string PrimarySort(const Settings& s) {
    return std::to_string(s.sortLevels[0]);
}
std::string Company(const Settings& s) {
    return s.insuranceCompany;
}
std::string FieldEditing(const Settings& s) {
    return app::YesNoText(s.fieldEditing);
}

const auto G = SettingsMode::Global;
const auto D = SettingsMode::Database;

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredValue,
    ::testing::Values(
        StoredValueCase{"YesLower", G, "Misc", "Show Tips", "yes", ShowTips, "Yes"},
        StoredValueCase{"YesUpper", G, "Misc", "Show Tips", "YES", ShowTips, "Yes"},
        StoredValueCase{"QuotedYes", G, "Misc", "Show Tips", "\"Yes\"", ShowTips, "Yes"},
        StoredValueCase{"Y", G, "Misc", "Show Tips", "Y", ShowTips, "No"},
        StoredValueCase{"True", G, "Misc", "Show Tips", "True", ShowTips, "No"},
        StoredValueCase{"One", G, "Misc", "Show Tips", "1", ShowTips, "No"},
        StoredValueCase{"EmptyFlag", G, "misc", "show tips", "", ShowTips, "No"},
        StoredValueCase{"DigitsThenLetters", G, "Misc", "Main Window Width", "800abc", Width,
                        "800"},
        StoredValueCase{"LettersOnly", G, "Misc", "Main Window Width", "abc", Width, "0"},
        StoredValueCase{"SignedWithBlanks", G, "Misc", "Main Window Width", " -12x", Width, "-12"},
        StoredValueCase{"Plus", G, "Misc", "Main Window Width", "+7", Width, "7"},
        StoredValueCase{"SignAlone", G, "Misc", "Main Window Width", "-", Width, "0"},
        StoredValueCase{"Hex", G, "Misc", "Main Window Width", "$1F", Width, "31"},
        StoredValueCase{"HexAllBits", G, "Misc", "Main Window Width", "$FFFFFFFF", Width, "-1"},
        StoredValueCase{"HexWithoutDigits", G, "Misc", "Main Window Width", "$G", Width, "0"},
        StoredValueCase{"TooLargeClamps", G, "Misc", "Main Window Width", "99999999999", Width,
                        "2147483647"},
        StoredValueCase{"Smallest", G, "Misc", "Main Window Width", "-2147483648", Width,
                        "-2147483648"},
        // The read length of 14 comes first: the fifteenth digit is never seen.
        StoredValueCase{"ReadLengthBeforeNumber", G, "Misc", "Main Window Width",
                        "0000000000000042", Width, "0"},
        StoredValueCase{"FieldNameCutTo20", D, "Field Names", "Item",
                        "123456789012345678901234567890", ItemName, "12345678901234567890"},
        StoredValueCase{"FieldNameKeyIgnoresCase", D, "FIELD NAMES", "ITEM", "Thing", ItemName,
                        "Thing"},
        StoredValueCase{"NegativeSortKept", D, "Sort Order", "Primary Sort", "-3", PrimarySort,
                        "-3"},
        StoredValueCase{"CompanyCutTo40", D, "Reports", "Insurance Company", std::string(60, 'c'),
                        Company, std::string(40, 'c')},
        StoredValueCase{"FieldEditingYes", D, "Grid Options", "Field Editing", "Yes", FieldEditing,
                        "Yes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFiles, FreshGlobalFileListsMiscInOrder) {
    app::ReadSettings(settings_, context_, "ignored", SettingsMode::Global);
    settings_.lastFiles[0] = "/db/A.DBF";
    app::WriteSettings(settings_, context_, "ignored", SettingsMode::Global);
    EXPECT_EQ(Slurp(GlobalFile()), "[Misc]\n"
                                   "Button Bar=1\n"
                                   "Main Window Left=0\n"
                                   "Main Window Top=0\n"
                                   "Main Window Width=640\n"
                                   "Main Window Height=480\n"
                                   "Last Import File=/start/here\n"
                                   "Last Export File=/start/here\n"
                                   "Last Database=\n"
                                   "Last File 1=/db/A.DBF\n"
                                   "Last File 2=\n"
                                   "Last File 3=\n"
                                   "Last File 4=\n"
                                   "Last File 5=\n"
                                   "Show Tips=Yes\n"
                                   "Window Size=640\n"
                                   "Date Format=1\n"
                                   "Date Leading Zeros=No\n"
                                   "Currency Format=1\n"
                                   "Numeric Format=1\n");
    EXPECT_FALSE(fs::exists(dir_ / "ignored"));
}

TEST_F(SettingsFiles, GlobalFolderIsCreatedWhenMissing) {
    const fs::path config = dir_ / "new" / "config";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    app::WriteSettings(settings_, context_, "", SettingsMode::Global);
    EXPECT_TRUE(fs::is_regular_file(config / "PNHOLD.INI"));
}

TEST_F(SettingsFiles, RecentDatabasesKeepTheirPlacesThroughARoundTrip) {
    settings_.lastFiles = {"/a.DBF", "/b.DBF", "", "/d.DBF", "/e.DBF"};
    settings_.lastDatabase = "/a.DBF";
    settings_.showTips = false;
    settings_.mainWindowLeft = -8;
    app::WriteSettings(settings_, context_, "", SettingsMode::Global);
    Settings read;
    app::ReadSettings(read, context_, "", SettingsMode::Global);
    EXPECT_EQ(read.lastFiles, settings_.lastFiles);
    EXPECT_EQ(read.lastDatabase, "/a.DBF");
    EXPECT_FALSE(read.showTips);
    EXPECT_EQ(read.mainWindowLeft, -8);
}

// The order of a new database file, spelled out key by key.
std::string ExpectedFreshDatabaseFile() {
    std::string text;
    auto fieldSection = [&](const char* section, const std::function<std::string(int)>& value) {
        text += std::string(text.empty() ? "" : "\n") + "[" + section + "]\n";
        for (int n = 1; n <= app::ItemFieldCount; ++n)
            text += std::string(app::ItemFields[n - 1].tableName) + "=" + value(n) + "\n";
    };
    fieldSection("Field Names", [](int n) { return app::ItemFields[n - 1].displayName; });
    fieldSection("Display Fields", [](int) { return "Yes"; });
    fieldSection("Field Width", [](int) { return "15"; });
    fieldSection("Field Order", [](int n) { return std::to_string(n); });
    fieldSection("Export Fields", [](int) { return "Yes"; });
    fieldSection("Export Order", [](int n) { return std::to_string(n); });
    text += "\n[Export]\nFirst Row=Yes\nFile Type=1\n"
            "\n[Import]\nSkip First=Yes\nFile Type=1\n"
            "\n[Sort Order]\nPrimary Sort=12\nSecondary Sort=0\nThird Level Sort=0\n"
            "Fourth Level Sort=0\n";
    for (const char* set : {"Main Window Color", "Edit Window Color", "Search Window Color",
                            "Report Window Color", "Configure Window Color"})
        text += std::string("\n[") + set +
                "]\nMain Background=12632256\nMajor Title=0\nMinor Title=0\n"
                "Edit Background=16777215\nEdit Text=0\nCombo Background=16777215\n"
                "Combo Text=0\nList Box Background=16777215\nList Box Text=0\n"
                "Radio Background=12632256\nRadio Text=0\nCheck Background=12632256\n"
                "Check Text=0\n";
    text += "\n[Grid Title]\nShow Titles=Yes\nBackground Color=8553090\nAlignment=2\n"
            "\n[Grid Title Font]\nColor=0\nFont Name=Arial\nSize=12\nBold=No\nItalic=No\n"
            "Underline=No\nStrikeout=No\n"
            "\n[Grid Font]\nColor=0\nFont Name=Arial\nSize=10\nBold=No\nItalic=No\n"
            "Underline=No\nStrikeout=No\n"
            "\n[Grid Options]\nCell Color=12632256\nColumn Lines=Yes\nRow Lines=Yes\n"
            "Row Indicator=Yes\nField Editing=No\n"
            "\n[Edit Font]\nFont Name=Arial\nBold=No\nItalic=No\n"
            "\n[Label Font]\nFont Name=Arial\nBold=No\nItalic=No\n"
            "\n[Button Font]\nFont Name=Arial\nBold=No\nItalic=No\n"
            "\n[Reports]\nLast Report=0\nDefault Printer=Yes\nPrinter Index=0\n"
            "Print Insurance Company=No\nPrint Policy Number=No\nPrint Statement=No\n"
            "Insurance Company=\nPolicy Number=\nYour Name=\n"
            "Report Viewing Window Left=0\nReport Viewing Window Top=0\n"
            "Report Viewing Window Width=640\nReport Viewing Window Height=480\n";
    return text;
}

TEST_F(SettingsFiles, FreshDatabaseFileListsEverySectionInOrder) {
    ReadDb(Db("HOUSE.INI"));
    WriteDb(Db("HOUSE.INI"));
    EXPECT_EQ(Slurp(Db("HOUSE.INI")), ExpectedFreshDatabaseFile());
}

TEST_F(SettingsFiles, DatabaseWithoutItsOwnFileTakesPnholdIniAsTemplate) {
    Spit(GlobalFile(), "[Misc]\nButton Bar=2\n[Field Names]\nItem=Thing\nOwner=Whose\n");
    ReadDb(Db("NEW.INI"));
    EXPECT_EQ(settings_.fieldNames[0], "Thing");
    EXPECT_EQ(settings_.fieldNames[16], "Whose");
    EXPECT_EQ(settings_.fieldNames[1], "Brand");
    EXPECT_EQ(settings_.sortLevels[0], 12);
    EXPECT_EQ(settings_.buttonBar, 1) << "a database read never touches the global part";

    WriteDb(Db("NEW.INI"));
    EXPECT_EQ(StoredDb(Db("NEW.INI"), "Field Names", "Item"), "Thing");
    EXPECT_EQ(StoredDb(Db("NEW.INI"), "Reports", "Report Viewing Window Height"), "480");
    EXPECT_EQ(Slurp(GlobalFile()),
              "[Misc]\nButton Bar=2\n[Field Names]\nItem=Thing\nOwner=Whose\n");

    // With a file of its own, the template is not consulted.
    Spit(Db("OWN.INI"), "[Sort Order]\nPrimary Sort=3\n");
    ReadDb(Db("OWN.INI"));
    EXPECT_EQ(settings_.fieldNames[0], "Item");
    EXPECT_EQ(settings_.sortLevels[0], 3);
}

TEST_F(SettingsFiles, NewDatabaseOverwritesAStaleFileOfItsName) {
    Spit(Db("NEW.INI"), "[Sort Order]\nPrimary Sort=7\n");
    ReadDb("PNHOLD.INI"); // a new database starts from the template
    EXPECT_EQ(settings_.sortLevels[0], 12);
    WriteDb(Db("NEW.INI"));
    EXPECT_EQ(StoredDb(Db("NEW.INI"), "Sort Order", "Primary Sort"), "12");
}

TEST_F(SettingsFiles, WritingUpdatesInPlaceAndKeepsTheUsersLines) {
    Spit(Db("HOUSE.INI"), "; my notes\r\n[Reports]\r\nLast Report=4\r\n; keep me\r\n"
                          "[Private]\r\nmine=1\r\n");
    ReadDb(Db("HOUSE.INI"));
    settings_.lastReport = -1;
    WriteDb(Db("HOUSE.INI"));
    const std::string text = Slurp(Db("HOUSE.INI"));
    EXPECT_TRUE(
        text.starts_with("; my notes\r\n[Reports]\r\nLast Report=-1\r\nDefault Printer=Yes"))
        << text;
    EXPECT_NE(text.find("Report Viewing Window Height=480\r\n; keep me\r\n[Private]\r\nmine=1\r\n"),
              std::string::npos)
        << text;

    Settings read;
    app::ReadSettings(read, context_, Db("HOUSE.INI"), SettingsMode::Database);
    EXPECT_EQ(read.lastReport, -1);
}

TEST_F(SettingsFiles, FontsTakeExactlyTheStoredStyles) {
    Spit(Db("A.INI"), "[Grid Font]\nBold=Yes\nSize=14\nColor=255\nFont Name=Courier New\n"
                      "[Edit Font]\nFont Name=Times\nItalic=yes\n");
    Spit(Db("B.INI"), "[Grid Font]\nBold=No\n");
    settings_.editFont.pointSize = 9;
    settings_.editFont.underline = true;
    ReadDb(Db("A.INI"));
    EXPECT_TRUE(settings_.gridFont.bold && settings_.gridBold);
    EXPECT_EQ(settings_.gridFont.pointSize, 14);
    EXPECT_EQ(settings_.gridFont.color, 255);
    EXPECT_EQ(settings_.gridFont.faceName, "Courier New");
    EXPECT_EQ(settings_.editFont.faceName, "Times");
    EXPECT_TRUE(settings_.editFont.italic && settings_.editItalic);
    EXPECT_FALSE(settings_.editFont.underline);
    EXPECT_EQ(settings_.editFont.pointSize, 9) << "a control font keeps its own size";

    WriteDb(Db("A.INI"));
    ReadDb(Db("B.INI"));
    EXPECT_FALSE(settings_.gridFont.bold || settings_.gridBold);
    // A style changed on the font itself is what the file and the flags get.
    settings_.gridFont.italic = true;
    WriteDb(Db("B.INI"));
    EXPECT_TRUE(settings_.gridItalic);
    EXPECT_EQ(StoredDb(Db("B.INI"), "Grid Font", "Bold"), "No");
    EXPECT_EQ(StoredDb(Db("B.INI"), "Grid Font", "Italic"), "Yes");
    EXPECT_EQ(StoredDb(Db("A.INI"), "Grid Font", "Bold"), "Yes");
}

TEST_F(SettingsFiles, BrowseModeNeverEditsInPlaceNorChangesTheStoredValue) {
    Spit(Db("A.INI"), "[Grid Options]\nField Editing=Yes\n");
    Spit(Db("B.INI"), "[Grid Options]\nField Editing=No\n");
    Spit(Db("C.INI"), "[Grid Options]\nField Editing=Yes\n");

    // Start-up reads the first database before browse mode is decided.
    ReadDb(Db("A.INI"));
    EXPECT_TRUE(settings_.fieldEditing);
    app::StartBrowseMode(settings_, context_);
    EXPECT_FALSE(settings_.fieldEditing);

    WriteDb(Db("A.INI"));
    ReadDb(Db("B.INI"));
    EXPECT_FALSE(settings_.fieldEditing);
    EXPECT_FALSE(context_.savedFieldEditing);
    WriteDb(Db("B.INI"));
    ReadDb(Db("C.INI"));
    EXPECT_FALSE(settings_.fieldEditing);
    EXPECT_TRUE(context_.savedFieldEditing);
    WriteDb(Db("C.INI"));

    EXPECT_EQ(StoredDb(Db("A.INI"), "Grid Options", "Field Editing"), "Yes");
    EXPECT_EQ(StoredDb(Db("B.INI"), "Grid Options", "Field Editing"), "No");
    EXPECT_EQ(StoredDb(Db("C.INI"), "Grid Options", "Field Editing"), "Yes");
}

TEST_F(SettingsFiles, WriteFailureNamesTheFileAndLeavesItAlone) {
    Spit(Db("LOCKED.INI"), "[Sort Order]\nPrimary Sort=3\n");
    chmod(Db("LOCKED.INI").c_str(), 0444);
    settings_.sortLevels[0] = 5;
    try {
        WriteDb(Db("LOCKED.INI"));
        FAIL() << "a read-only settings file was reported as written";
    } catch (const profile::ProfileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot write \"" + Db("LOCKED.INI") + "\": Permission denied.");
    }
    EXPECT_EQ(Slurp(Db("LOCKED.INI")), "[Sort Order]\nPrimary Sort=3\n");
    EXPECT_THROW(WriteDb((dir_ / "missing" / "X.INI").string()), profile::ProfileError);
}

TEST_F(SettingsFiles, UnreadableFilesGiveDefaults) {
    fs::create_directory(Db("FOLDER.INI"));
    settings_.sortLevels[0] = 9;
    ReadDb(Db("FOLDER.INI"));
    EXPECT_EQ(settings_.sortLevels[0], 12);
    const char damaged[] = "\0\xff[Misc\0]\nButton Bar=3\n";
    Spit(GlobalFile(), std::string(damaged, sizeof damaged - 1));
    app::ReadSettings(settings_, context_, "", SettingsMode::Global);
    EXPECT_EQ(settings_.buttonBar, 1);
    EXPECT_EQ(settings_.lastImportFile, "/start/here");
}

} // namespace
