#pragma once

// The settings store and the small text and file helpers every unit shares. No Qt here: the
// windows turn FontSpec into QFont and back, so this unit is tested without a display.

#include "app/ItemSchema.h"
#include "platform/profile/Profile.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace app {

// The shared global settings file, addressed by its bare name (it lives in the per-user
// configuration folder, see profile::ResolveProfilePath).
inline constexpr const char* GlobalSettingsFile = "PNHOLD.INI";

// Colours are Windows colour numbers: red + 256 * green + 65536 * blue.
inline constexpr std::int32_t ColorBlack = 0;
inline constexpr std::int32_t ColorWhite = 16777215;
inline constexpr std::int32_t ColorSilver = 12632256;
inline constexpr std::int32_t ColorGrey = 8553090;

// One colour set: the colours of one group of windows, in the order they are stored.
struct ColorSet {
    std::int32_t mainBackground = ColorSilver;
    std::int32_t majorTitle = ColorBlack;
    std::int32_t minorTitle = ColorBlack;
    std::int32_t editBackground = ColorWhite;
    std::int32_t editText = ColorBlack;
    std::int32_t comboBackground = ColorWhite;
    std::int32_t comboText = ColorBlack;
    std::int32_t listBoxBackground = ColorWhite;
    std::int32_t listBoxText = ColorBlack;
    std::int32_t radioBackground = ColorSilver;
    std::int32_t radioText = ColorBlack;
    std::int32_t checkBackground = ColorSilver;
    std::int32_t checkText = ColorBlack;
};

// The five groups of windows, as indexes into Settings::colorSets.
enum ColorSetIndex : int {
    MainColorSet = 0,
    EditColorSet = 1,
    SearchColorSet = 2,
    ReportColorSet = 3,
    ConfigureColorSet = 4,
};
inline constexpr int ColorSetCount = 5;

// A font as the settings know it; the windows make a QFont of it and write changes back.
struct FontSpec {
    std::string faceName = "Arial";
    std::int32_t pointSize = 8;
    std::int32_t color = ColorBlack;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

inline std::array<std::string, ItemFieldCount> DefaultFieldNames() {
    std::array<std::string, ItemFieldCount> names;
    for (int i = 0; i < ItemFieldCount; ++i)
        names[i] = ItemFields[i].displayName;
    return names;
}

inline std::array<std::int32_t, ItemFieldCount> FieldNumbersInOrder() {
    std::array<std::int32_t, ItemFieldCount> numbers;
    for (int i = 0; i < ItemFieldCount; ++i)
        numbers[i] = i + 1;
    return numbers;
}

template <typename T> std::array<T, ItemFieldCount> SameForAllFields(T value) {
    std::array<T, ItemFieldCount> values;
    values.fill(value);
    return values;
}

// Every setting of the global file and of a database's settings file. The arrays of 22 are
// indexed by field number - 1. Texts are UTF-8.
struct Settings {
    // global file, section "Misc"
    std::int32_t buttonBar = 1; // 1 speed buttons, 2 lettered buttons, 3 none
    std::int32_t mainWindowLeft = 0;
    std::int32_t mainWindowTop = 0;
    std::int32_t mainWindowWidth = 640;
    std::int32_t mainWindowHeight = 480;
    std::int32_t windowSize = 640;
    std::int32_t dateFormat = 1;
    bool dateLeadingZeros = false;
    std::int32_t currencyFormat = 1;
    std::int32_t numericFormat = 1;

    // database file, section "Reports": the report preview window
    std::int32_t reportViewLeft = 0;
    std::int32_t reportViewTop = 0;
    std::int32_t reportViewWidth = 640;
    std::int32_t reportViewHeight = 480;

    bool showTips = true; // global
    bool showTitles = true;

    FontSpec gridTitleFont{"Arial", 12};
    bool gridTitleBold = false;
    bool gridTitleItalic = false;
    bool gridTitleUnderline = false;
    bool gridTitleStrikeout = false;

    FontSpec gridFont{"Arial", 10};
    bool gridBold = false;
    bool gridItalic = false;
    bool gridUnderline = false;
    bool gridStrikeout = false;

    std::int32_t titleAlignment = 2; // 1 left, 2 centred, 3 right
    std::int32_t titleBackgroundColor = ColorGrey;
    std::int32_t cellColor = ColorSilver;
    bool columnLines = true;
    bool rowLines = true;
    bool rowIndicator = true;
    bool fieldEditing = false;

    std::array<std::string, ItemFieldCount> fieldNames = DefaultFieldNames(); // 20 chars each
    std::array<bool, ItemFieldCount> displayFields = SameForAllFields(true);
    std::array<std::int32_t, ItemFieldCount> fieldWidths = SameForAllFields<std::int32_t>(15);
    std::array<std::int32_t, ItemFieldCount> fieldOrder = FieldNumbersInOrder();
    std::array<std::int32_t, ItemFieldCount> exportOrder = FieldNumbersInOrder();
    std::array<bool, ItemFieldCount> exportFields = SameForAllFields(true);

    bool exportFirstRow = true;
    bool importSkipFirst = true;
    std::int32_t importFileType = 1;
    std::int32_t exportFileType = 1; // 1 ASCII-delimited text, 2 dBase

    // Field numbers 1 to 22, 0 for none: primary, secondary, third and fourth level.
    std::array<std::int32_t, 4> sortLevels = {12, 0, 0, 0};

    FontSpec labelFont;
    bool labelBold = false;
    bool labelItalic = false;
    FontSpec buttonFont;
    bool buttonBold = false;
    bool buttonItalic = false;
    FontSpec editFont;
    bool editBold = false;
    bool editItalic = false;

    std::array<ColorSet, ColorSetCount> colorSets{}; // indexed by ColorSetIndex

    std::int32_t lastReport = 0;
    bool defaultPrinter = true;
    std::int32_t printerIndex = 0;

    // global file
    std::string lastDatabase;
    std::string lastImportFile;
    std::string lastExportFile;
    std::array<std::string, 5> lastFiles; // most recent first; empty = unused

    bool printInsuranceCompany = false;
    bool printStatement = false;
    bool printPolicyNumber = false;
    std::string insuranceCompany; // up to 40 characters
    std::string policyNumber;     // up to 20
    std::string yourName;         // up to 30
};

// What the settings store needs to know of the run beyond the record itself.
struct SettingsContext {
    std::string startupFolder;      // default of the last import and export files
    bool browseMode = false;        // a read-only run: the grid never edits in place
    bool savedFieldEditing = false; // in browse mode, the stored "Field Editing" of the database
};

enum class SettingsMode : int {
    Global = 1,   // section "Misc" of PNHOLD.INI; the file argument is not used
    Database = 2, // every per-database section, in the given file
};

// Turns browse mode on for the rest of the run: keeps the record's "Field Editing" as the saved
// value and holds the record's value at No.
void StartBrowseMode(Settings& settings, SettingsContext& context);

// Global: reads "Misc" of PNHOLD.INI. Database: reads from `file` when it exists, else from
// PNHOLD.INI, else defaults; in browse mode keeps the "Field Editing" read as the saved value
// and holds the record's at No. Absent or unreadable files give defaults; never throws.
void ReadSettings(Settings& settings, SettingsContext& context, const std::string& file,
                  SettingsMode mode);

// Global: writes "Misc" to PNHOLD.INI. Database: writes every per-database section to `file`,
// creating it; in browse mode "Field Editing" is written from the saved value. Each font's style
// flags are first set from the font's style. The file is written once, safely; a failure throws
// profile::ProfileError naming the file and the reason, and leaves the old file as it was.
void WriteSettings(Settings& settings, const SettingsContext& context, const std::string& file,
                   SettingsMode mode);

// The lenient reading of an integer setting: leading blanks, an optional sign, digits up to the
// first other character ("$" introduces hexadecimal digits), 0 when there are none; 32-bit.
std::int32_t LenientInteger(const std::string& text);

// Fixed-point text with exactly `decimals` decimals ("." only when decimals > 0), rounded half
// away from zero, "-" before negatives, no separators, spaces before it up to `width`.
std::string PlainNumberText(double value, int width, int decimals);
// As PlainNumberText with "," between groups of three digits of the whole-number part.
std::string USNumberText(double value, int minimumWidth, int decimals);
std::string YesNoText(bool flag);                // "Yes" / "No"
std::string TrimSpaces(const std::string& text); // code 32 only, at the end and then the start
// Spaces appended (PadRight) or prepended (PadLeft) up to `width`; padding stops at 255
// characters, and a longer text is returned as it is.
std::string PadRight(const std::string& text, int width);
std::string PadLeft(const std::string& text, int width);
std::string RepeatChar(char character, int count); // count clamped to 0..255

// A read or write error while copying a file; the message names the file and the reason.
class InOutError : public std::runtime_error {
public:
    explicit InOutError(const std::string& message) : std::runtime_error(message) {}
};

// Copies `source` to `target` in blocks of 2,048 bytes through a temporary file beside `target`
// that is synced and renamed over it. False when the source cannot be opened or the target
// cannot be created (including an existing target that is not writable); a read or write error
// after that, a full disk included, throws InOutError and leaves any old target as it was.
bool CopyWholeFile(const std::string& source, const std::string& target);

} // namespace app
