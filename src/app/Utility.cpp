#include "app/Utility.h"

#include "platform/fileio/FileIo.h"
#include "platform/fileio/TempFile.h"
#include "platform/profile/Profile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace app {

namespace {

using profile::ProfileDocument;

constexpr std::size_t MaxText = 255;
constexpr std::size_t ShortRead = 14;
constexpr std::size_t MediumRead = 149;
constexpr std::size_t LongRead = 249;

constexpr const char* Misc = "Misc";

constexpr std::array<const char*, ColorSetCount> ColorSetSections = {
    "Main Window Color", "Edit Window Color", "Search Window Color", "Report Window Color",
    "Configure Window Color"};

constexpr std::array<const char*, 4> SortKeys = {"Primary Sort", "Secondary Sort",
                                                 "Third Level Sort", "Fourth Level Sort"};

// The 13 colours of a set with their keys, in the order they are read and written.
constexpr std::array<std::pair<const char*, std::int32_t ColorSet::*>, 13> ColorKeys = {{
    {"Main Background", &ColorSet::mainBackground},
    {"Major Title", &ColorSet::majorTitle},
    {"Minor Title", &ColorSet::minorTitle},
    {"Edit Background", &ColorSet::editBackground},
    {"Edit Text", &ColorSet::editText},
    {"Combo Background", &ColorSet::comboBackground},
    {"Combo Text", &ColorSet::comboText},
    {"List Box Background", &ColorSet::listBoxBackground},
    {"List Box Text", &ColorSet::listBoxText},
    {"Radio Background", &ColorSet::radioBackground},
    {"Radio Text", &ColorSet::radioText},
    {"Check Background", &ColorSet::checkBackground},
    {"Check Text", &ColorSet::checkText},
}};

std::string IntegerText(std::int32_t value) {
    return PlainNumberText(value, 1, 0);
}

std::string LastFileKey(int index) {
    return "Last File " + USNumberText(index + 1, 1, 0);
}

// Reads keys by their form from one document.
class Reader {
public:
    explicit Reader(const ProfileDocument& document) : document_(document) {}

    std::int32_t Integer(const char* section, const std::string& key, const std::string& def,
                         std::size_t length = ShortRead) const {
        return LenientInteger(document_.Read(section, key, def, length));
    }
    bool Flag(const char* section, const std::string& key, bool def) const {
        std::string text = document_.Read(section, key, YesNoText(def), ShortRead);
        std::transform(text.begin(), text.end(), text.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
        return text == "YES";
    }
    std::string Text(const char* section, const std::string& key, const std::string& def,
                     std::size_t length, std::size_t keep = MaxText) const {
        return profile::CutToCharacters(document_.Read(section, key, def, length), keep);
    }

private:
    const ProfileDocument& document_;
};

// Writes keys by their form into one document.
class Writer {
public:
    explicit Writer(ProfileDocument& document) : document_(document) {}

    void Integer(const char* section, const std::string& key, std::int32_t value) {
        document_.Write(section, key, IntegerText(value));
    }
    void Flag(const char* section, const std::string& key, bool value) {
        document_.Write(section, key, YesNoText(value));
    }
    void Text(const char* section, const std::string& key, const std::string& value) {
        document_.Write(section, key, value);
    }

private:
    ProfileDocument& document_;
};

// A document that cannot be read serves as an empty one: reading settings never fails.
ProfileDocument LoadOrEmpty(const std::string& file) {
    try {
        return profile::LoadProfileFile(file);
    } catch (const profile::ProfileError&) {
        return {};
    }
}

bool IsExistingFile(const std::string& file) {
    std::error_code error;
    return std::filesystem::is_regular_file(profile::ResolveProfilePath(file), error);
}

void ReadGlobal(Settings& s, const SettingsContext& context) {
    const ProfileDocument document = LoadOrEmpty(GlobalSettingsFile);
    const Reader r(document);
    s.buttonBar = r.Integer(Misc, "Button Bar", "1");
    s.mainWindowLeft = r.Integer(Misc, "Main Window Left", "0");
    s.mainWindowTop = r.Integer(Misc, "Main Window Top", "0");
    s.mainWindowWidth = r.Integer(Misc, "Main Window Width", "640");
    s.mainWindowHeight = r.Integer(Misc, "Main Window Height", "480");
    s.lastImportFile = r.Text(Misc, "Last Import File", context.startupFolder, LongRead);
    s.lastExportFile = r.Text(Misc, "Last Export File", context.startupFolder, LongRead);
    s.lastDatabase = r.Text(Misc, "Last Database", "", LongRead);
    for (int i = 0; i < 5; ++i)
        s.lastFiles[i] = r.Text(Misc, LastFileKey(i), "", LongRead);
    s.showTips = r.Flag(Misc, "Show Tips", true);
    s.windowSize = r.Integer(Misc, "Window Size", "640");
    s.dateFormat = r.Integer(Misc, "Date Format", "1");
    s.dateLeadingZeros = r.Flag(Misc, "Date Leading Zeros", false);
    s.currencyFormat = r.Integer(Misc, "Currency Format", "1");
    s.numericFormat = r.Integer(Misc, "Numeric Format", "1");
}

void WriteGlobal(const Settings& s) {
    ProfileDocument document = profile::LoadProfileFile(GlobalSettingsFile);
    Writer w(document);
    w.Integer(Misc, "Button Bar", s.buttonBar);
    w.Integer(Misc, "Main Window Left", s.mainWindowLeft);
    w.Integer(Misc, "Main Window Top", s.mainWindowTop);
    w.Integer(Misc, "Main Window Width", s.mainWindowWidth);
    w.Integer(Misc, "Main Window Height", s.mainWindowHeight);
    w.Text(Misc, "Last Import File", s.lastImportFile);
    w.Text(Misc, "Last Export File", s.lastExportFile);
    w.Text(Misc, "Last Database", s.lastDatabase);
    for (int i = 0; i < 5; ++i)
        w.Text(Misc, LastFileKey(i), s.lastFiles[i]);
    w.Flag(Misc, "Show Tips", s.showTips);
    w.Integer(Misc, "Window Size", s.windowSize);
    w.Integer(Misc, "Date Format", s.dateFormat);
    w.Flag(Misc, "Date Leading Zeros", s.dateLeadingZeros);
    w.Integer(Misc, "Currency Format", s.currencyFormat);
    w.Integer(Misc, "Numeric Format", s.numericFormat);
    profile::SaveProfileFile(document, GlobalSettingsFile);
}

// The grid fonts: colour, name and size replace the font's own, and its style becomes exactly
// the styles whose keys read Yes.
void ReadGridFont(const Reader& r, const char* section, const char* defaultSize, FontSpec& font,
                  bool& bold, bool& italic, bool& underline, bool& strikeout) {
    font.color = r.Integer(section, "Color", "0", MediumRead);
    font.faceName = r.Text(section, "Font Name", "Arial", MediumRead);
    font.pointSize = r.Integer(section, "Size", defaultSize, MediumRead);
    font.bold = bold = r.Flag(section, "Bold", false);
    font.italic = italic = r.Flag(section, "Italic", false);
    font.underline = underline = r.Flag(section, "Underline", false);
    font.strikeout = strikeout = r.Flag(section, "Strikeout", false);
}

// The control fonts store only a name and bold and italic; the font keeps its size and colour.
void ReadControlFont(const Reader& r, const char* section, FontSpec& font, bool& bold,
                     bool& italic) {
    font.faceName = r.Text(section, "Font Name", "Arial", MediumRead);
    font.bold = bold = r.Flag(section, "Bold", false);
    font.italic = italic = r.Flag(section, "Italic", false);
    font.underline = font.strikeout = false;
}

void WriteGridFont(Writer& w, const char* section, const FontSpec& font, bool& bold, bool& italic,
                   bool& underline, bool& strikeout) {
    bold = font.bold;
    italic = font.italic;
    underline = font.underline;
    strikeout = font.strikeout;
    w.Integer(section, "Color", font.color);
    w.Text(section, "Font Name", font.faceName);
    w.Integer(section, "Size", font.pointSize);
    w.Flag(section, "Bold", bold);
    w.Flag(section, "Italic", italic);
    w.Flag(section, "Underline", underline);
    w.Flag(section, "Strikeout", strikeout);
}

void WriteControlFont(Writer& w, const char* section, const FontSpec& font, bool& bold,
                      bool& italic) {
    bold = font.bold;
    italic = font.italic;
    w.Text(section, "Font Name", font.faceName);
    w.Flag(section, "Bold", bold);
    w.Flag(section, "Italic", italic);
}

void ReadColorSet(const Reader& r, const char* section, ColorSet& set) {
    const ColorSet defaults;
    for (const auto& [key, member] : ColorKeys)
        set.*member = r.Integer(section, key, IntegerText(defaults.*member));
}

void WriteColorSet(Writer& w, const ColorSet& set, const char* section) {
    for (const auto& [key, member] : ColorKeys)
        w.Integer(section, key, set.*member);
}

void ReadDatabase(Settings& s, SettingsContext& context, const std::string& file) {
    const ProfileDocument document =
        LoadOrEmpty(IsExistingFile(file) ? file : std::string(GlobalSettingsFile));
    const Reader r(document);

    for (int i = 0; i < ItemFieldCount; ++i)
        s.fieldNames[i] = r.Text("Field Names", ItemFields[i].tableName, ItemFields[i].displayName,
                                 MediumRead, 20);
    for (int i = 0; i < ItemFieldCount; ++i)
        s.displayFields[i] = r.Flag("Display Fields", ItemFields[i].tableName, true);
    for (int i = 0; i < ItemFieldCount; ++i)
        s.fieldWidths[i] = r.Integer("Field Width", ItemFields[i].tableName, "15");
    for (int i = 0; i < ItemFieldCount; ++i)
        s.fieldOrder[i] =
            r.Integer("Field Order", ItemFields[i].tableName, USNumberText(i + 1, 1, 0));
    for (int i = 0; i < ItemFieldCount; ++i)
        s.exportFields[i] = r.Flag("Export Fields", ItemFields[i].tableName, true);
    for (int i = 0; i < ItemFieldCount; ++i)
        s.exportOrder[i] =
            r.Integer("Export Order", ItemFields[i].tableName, USNumberText(i + 1, 1, 0));

    s.exportFirstRow = r.Flag("Export", "First Row", true);
    s.exportFileType = r.Integer("Export", "File Type", "1");
    s.importSkipFirst = r.Flag("Import", "Skip First", true);
    s.importFileType = r.Integer("Import", "File Type", "1");
    const std::array<const char*, 4> sortDefaults = {"12", "0", "0", "0"};
    for (int i = 0; i < 4; ++i)
        s.sortLevels[i] = r.Integer("Sort Order", SortKeys[i], sortDefaults[i]);

    for (int i = 0; i < ColorSetCount; ++i)
        ReadColorSet(r, ColorSetSections[i], s.colorSets[i]);

    s.showTitles = r.Flag("Grid Title", "Show Titles", true);
    s.titleBackgroundColor = r.Integer("Grid Title", "Background Color", "8553090");
    s.titleAlignment = r.Integer("Grid Title", "Alignment", "2");

    ReadGridFont(r, "Grid Title Font", "12", s.gridTitleFont, s.gridTitleBold, s.gridTitleItalic,
                 s.gridTitleUnderline, s.gridTitleStrikeout);
    ReadGridFont(r, "Grid Font", "10", s.gridFont, s.gridBold, s.gridItalic, s.gridUnderline,
                 s.gridStrikeout);

    s.cellColor = r.Integer("Grid Options", "Cell Color", "12632256");
    s.columnLines = r.Flag("Grid Options", "Column Lines", true);
    s.rowLines = r.Flag("Grid Options", "Row Lines", true);
    s.rowIndicator = r.Flag("Grid Options", "Row Indicator", true);
    s.fieldEditing = r.Flag("Grid Options", "Field Editing", false);

    ReadControlFont(r, "Edit Font", s.editFont, s.editBold, s.editItalic);
    ReadControlFont(r, "Label Font", s.labelFont, s.labelBold, s.labelItalic);
    ReadControlFont(r, "Button Font", s.buttonFont, s.buttonBold, s.buttonItalic);

    s.lastReport = r.Integer("Reports", "Last Report", "0");
    s.defaultPrinter = r.Flag("Reports", "Default Printer", true);
    s.printerIndex = r.Integer("Reports", "Printer Index", "0");
    s.printInsuranceCompany = r.Flag("Reports", "Print Insurance Company", false);
    s.printPolicyNumber = r.Flag("Reports", "Print Policy Number", false);
    s.printStatement = r.Flag("Reports", "Print Statement", false);
    s.insuranceCompany = r.Text("Reports", "Insurance Company", "", LongRead, 40);
    s.policyNumber = r.Text("Reports", "Policy Number", "", LongRead, 20);
    s.yourName = r.Text("Reports", "Your Name", "", LongRead, 30);
    s.reportViewLeft = r.Integer("Reports", "Report Viewing Window Left", "0");
    s.reportViewTop = r.Integer("Reports", "Report Viewing Window Top", "0");
    s.reportViewWidth = r.Integer("Reports", "Report Viewing Window Width", "640");
    s.reportViewHeight = r.Integer("Reports", "Report Viewing Window Height", "480");

    if (context.browseMode) {
        context.savedFieldEditing = s.fieldEditing;
        s.fieldEditing = false;
    }
}

void WriteDatabase(Settings& s, const SettingsContext& context, const std::string& file) {
    ProfileDocument document = profile::LoadProfileFile(file);
    Writer w(document);

    for (int i = 0; i < ItemFieldCount; ++i)
        w.Text("Field Names", ItemFields[i].tableName, s.fieldNames[i]);
    for (int i = 0; i < ItemFieldCount; ++i)
        w.Flag("Display Fields", ItemFields[i].tableName, s.displayFields[i]);
    for (int i = 0; i < ItemFieldCount; ++i)
        w.Integer("Field Width", ItemFields[i].tableName, s.fieldWidths[i]);
    for (int i = 0; i < ItemFieldCount; ++i)
        w.Integer("Field Order", ItemFields[i].tableName, s.fieldOrder[i]);
    for (int i = 0; i < ItemFieldCount; ++i)
        w.Flag("Export Fields", ItemFields[i].tableName, s.exportFields[i]);
    for (int i = 0; i < ItemFieldCount; ++i)
        w.Integer("Export Order", ItemFields[i].tableName, s.exportOrder[i]);

    w.Flag("Export", "First Row", s.exportFirstRow);
    w.Integer("Export", "File Type", s.exportFileType);
    w.Flag("Import", "Skip First", s.importSkipFirst);
    w.Integer("Import", "File Type", s.importFileType);
    for (int i = 0; i < 4; ++i)
        w.Integer("Sort Order", SortKeys[i], s.sortLevels[i]);

    for (int i = 0; i < ColorSetCount; ++i)
        WriteColorSet(w, s.colorSets[i], ColorSetSections[i]);

    w.Flag("Grid Title", "Show Titles", s.showTitles);
    w.Integer("Grid Title", "Background Color", s.titleBackgroundColor);
    w.Integer("Grid Title", "Alignment", s.titleAlignment);

    WriteGridFont(w, "Grid Title Font", s.gridTitleFont, s.gridTitleBold, s.gridTitleItalic,
                  s.gridTitleUnderline, s.gridTitleStrikeout);
    WriteGridFont(w, "Grid Font", s.gridFont, s.gridBold, s.gridItalic, s.gridUnderline,
                  s.gridStrikeout);

    w.Integer("Grid Options", "Cell Color", s.cellColor);
    w.Flag("Grid Options", "Column Lines", s.columnLines);
    w.Flag("Grid Options", "Row Lines", s.rowLines);
    w.Flag("Grid Options", "Row Indicator", s.rowIndicator);
    w.Flag("Grid Options", "Field Editing",
           context.browseMode ? context.savedFieldEditing : s.fieldEditing);

    WriteControlFont(w, "Edit Font", s.editFont, s.editBold, s.editItalic);
    WriteControlFont(w, "Label Font", s.labelFont, s.labelBold, s.labelItalic);
    WriteControlFont(w, "Button Font", s.buttonFont, s.buttonBold, s.buttonItalic);

    w.Integer("Reports", "Last Report", s.lastReport);
    w.Flag("Reports", "Default Printer", s.defaultPrinter);
    w.Integer("Reports", "Printer Index", s.printerIndex);
    w.Flag("Reports", "Print Insurance Company", s.printInsuranceCompany);
    w.Flag("Reports", "Print Policy Number", s.printPolicyNumber);
    w.Flag("Reports", "Print Statement", s.printStatement);
    w.Text("Reports", "Insurance Company", s.insuranceCompany);
    w.Text("Reports", "Policy Number", s.policyNumber);
    w.Text("Reports", "Your Name", s.yourName);
    w.Integer("Reports", "Report Viewing Window Left", s.reportViewLeft);
    w.Integer("Reports", "Report Viewing Window Top", s.reportViewTop);
    w.Integer("Reports", "Report Viewing Window Width", s.reportViewWidth);
    w.Integer("Reports", "Report Viewing Window Height", s.reportViewHeight);

    profile::SaveProfileFile(document, file);
}

std::string CutText(std::string text) {
    if (text.size() > MaxText)
        text.resize(MaxText);
    return text;
}

// The value in fixed point, rounded half away from zero from its shortest exact decimal form,
// so that 2.675 (as typed and stored) gives 2.68 rather than the 2.67 of its binary neighbour.
std::string FixedText(double value, int decimals) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    const std::size_t places = static_cast<std::size_t>(std::clamp(decimals, 0, int(MaxText)));
    char buffer[512];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    const std::string_view digits(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t point = digits.find('.');
    std::string whole(digits.substr(0, point));
    std::string fraction =
        point == std::string_view::npos ? "" : std::string(digits.substr(point + 1));

    bool roundUp = fraction.size() > places && fraction[places] >= '5';
    fraction.resize(places, '0');
    for (std::size_t i = fraction.size(); roundUp && i-- > 0;) {
        roundUp = fraction[i] == '9';
        fraction[i] = roundUp ? '0' : char(fraction[i] + 1);
    }
    for (std::size_t i = whole.size(); roundUp && i-- > 0;) {
        roundUp = whole[i] == '9';
        whole[i] = roundUp ? '0' : char(whole[i] + 1);
    }
    if (roundUp)
        whole.insert(whole.begin(), '1');

    std::string text = places > 0 ? whole + "." + fraction : whole;
    const bool zero = text.find_first_not_of("0.") == std::string::npos;
    return value < 0 && !zero ? "-" + text : text;
}

std::string PaddedLeft(std::string text, int width) {
    const std::size_t wanted = static_cast<std::size_t>(std::clamp(width, 0, int(MaxText)));
    if (text.size() < wanted)
        text.insert(0, wanted - text.size(), ' ');
    return text;
}

std::string IoMessage(const char* verb, const std::string& file, int error) {
    return std::string("Cannot ") + verb + " \"" + file + "\": " + std::strerror(error) + ".";
}

} // namespace

void StartBrowseMode(Settings& settings, SettingsContext& context) {
    context.browseMode = true;
    context.savedFieldEditing = settings.fieldEditing;
    settings.fieldEditing = false;
}

void ReadSettings(Settings& settings, SettingsContext& context, const std::string& file,
                  SettingsMode mode) {
    if (mode == SettingsMode::Global)
        ReadGlobal(settings, context);
    else
        ReadDatabase(settings, context, file);
}

void WriteSettings(Settings& settings, const SettingsContext& context, const std::string& file,
                   SettingsMode mode) {
    if (mode == SettingsMode::Global)
        WriteGlobal(settings);
    else
        WriteDatabase(settings, context, file);
}

std::int32_t LenientInteger(const std::string& text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';

    // Accumulated with a ceiling, so that any run of digits stays defined and then clamps.
    constexpr std::int64_t ceiling = std::int64_t(1) << 33;
    std::int64_t magnitude = 0;
    if (pos < text.size() && text[pos] == '$') {
        for (++pos; pos < text.size(); ++pos) {
            const char c = text[pos];
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0)
                break;
            magnitude = std::min(magnitude * 16 + digit, ceiling);
        }
        // Hexadecimal gives the 32 bits as written, so "$FFFFFFFF" is -1 as colour numbers use.
        const auto bits = static_cast<std::uint32_t>(std::min<std::int64_t>(magnitude, 0xFFFFFFFF));
        const auto value = static_cast<std::int32_t>(bits);
        return negative ? static_cast<std::int32_t>(0u - bits) : value;
    }
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        magnitude = std::min(magnitude * 10 + (text[pos] - '0'), ceiling);
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::string PlainNumberText(double value, int width, int decimals) {
    return CutText(PaddedLeft(FixedText(value, decimals), width));
}

std::string USNumberText(double value, int minimumWidth, int decimals) {
    std::string text = FixedText(value, decimals);
    const std::size_t start = text.starts_with('-') ? 1 : 0;
    const std::size_t end = std::min(text.find('.'), text.size());
    const bool digits = end > start && std::all_of(text.begin() + std::ptrdiff_t(start),
                                                   text.begin() + std::ptrdiff_t(end),
                                                   [](char c) { return c >= '0' && c <= '9'; });
    // Commas go only between digits, so none ever follows the minus sign.
    if (digits)
        for (std::size_t at = end; at > start + 3; at -= 3)
            text.insert(at - 3, 1, ',');
    return CutText(PaddedLeft(std::move(text), minimumWidth));
}

std::string YesNoText(bool flag) {
    return flag ? "Yes" : "No";
}

std::string TrimSpaces(const std::string& text) {
    const std::size_t last = text.find_last_not_of(' ');
    if (last == std::string::npos)
        return {};
    const std::size_t first = text.find_first_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string PadRight(const std::string& text, int width) {
    const std::size_t wanted = static_cast<std::size_t>(std::clamp(width, 0, int(MaxText)));
    return text.size() < wanted ? text + std::string(wanted - text.size(), ' ') : text;
}

std::string PadLeft(const std::string& text, int width) {
    return PaddedLeft(text, width);
}

std::string RepeatChar(char character, int count) {
    return std::string(static_cast<std::size_t>(std::clamp(count, 0, int(MaxText))), character);
}

bool CopyWholeFile(const std::string& source, const std::string& target) {
    fileio::UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat sourceInfo {};
    if (!in.valid() || ::fstat(in.get(), &sourceInfo) != 0 || S_ISDIR(sourceInfo.st_mode))
        return false;

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // A target marked read-only is refused even for a user whom the system would let write it.
    if (exists &&
        (S_ISDIR(old.st_mode) || ::access(target.c_str(), W_OK) != 0 || (old.st_mode & 0222) == 0))
        return false;
    std::optional<fileio::TempFile> out;
    try {
        out.emplace(target);
    } catch (const std::system_error&) {
        return false;
    }
    try {
        out->setMode(exists ? old.st_mode & 07777 : fileio::newFileMode());
        char block[2048];
        for (;;) {
            std::size_t got = 0;
            try {
                got = fileio::readSome(in.get(), block, sizeof block, source);
            } catch (const std::system_error& error) {
                throw InOutError(IoMessage("read", source, error.code().value()));
            }
            if (got == 0)
                break;
            // A short write is retried; one that stores nothing is a full disk, not the end.
            fileio::writeAll(out->fd(), std::string_view(block, got), out->path());
        }
        out->sync();
        out->close();
        out->replaceTarget();
    } catch (const std::system_error& error) {
        throw InOutError(IoMessage("write", target, error.code().value()));
    }
    fileio::syncFolderOfIfPossible(target);
    return true;
}

} // namespace app
