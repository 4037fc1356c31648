#include "reports/ReportFile.h"

#include "app/ItemSchema.h"
#include "platform/fileio/FileIo.h"
#include "platform/fileio/TempFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace reports {

namespace {

// ---- record layout -----------------------------------------------------------------------------

constexpr std::size_t FontBlockSize = 61;
constexpr std::size_t PartSize = 75;
constexpr std::size_t LineSize = PartSize * PartsPerLine;

constexpr std::size_t OffReportName = 0;
constexpr std::size_t OffReportWidth = 31;
constexpr std::size_t OffTitleFont = 33;
constexpr std::size_t OffColumnFont = 94;
constexpr std::size_t OffBodyFont = 155;
constexpr std::size_t OffSpareFont = 216;
constexpr std::size_t OffFootnoteFont = 277;
constexpr std::size_t OffColumnHeaders = 338;
constexpr std::size_t OffPageNumbers = 339;
constexpr std::size_t OffLandOrient = 340;
constexpr std::size_t OffDateOnPage = 341;
constexpr std::size_t OffUseTotals = 342;
constexpr std::size_t OffNumLines = 343;
constexpr std::size_t OffTotalsLine = 345;
constexpr std::size_t OffTopMargin = 1845;
constexpr std::size_t OffBottomMargin = 1853;
constexpr std::size_t OffLeftMargin = 1861;
constexpr std::size_t OffRightMargin = 1869;
constexpr std::size_t OffVertLines = 1877;
constexpr std::size_t OffHorzLines = 1878;
constexpr std::size_t OffTitle1 = 1879;
constexpr std::size_t OffTitle2 = 1960;
constexpr std::size_t OffTitle3 = 2041;
constexpr std::size_t OffBodyLines = 2122;
constexpr std::size_t OffLevel1Group = 20122;
constexpr std::size_t OffLevel2Group = 20123;
constexpr std::size_t OffReserved = 20124;
static_assert(OffBodyLines + BodyLineCount * LineSize == OffLevel1Group);
static_assert(OffReserved + 498 == ReportRecordSize);
static_assert(OffColumnFont - OffTitleFont == FontBlockSize);
static_assert(OffTotalsLine + LineSize == OffTopMargin);

// Offsets in the font block and the part.
constexpr std::size_t FontSize = 51, FontBold = 53, FontItalic = 54, FontUnderline = 55,
                      FontStrikeOut = 56, FontColor = 57;
constexpr std::size_t PartFieldNumber = 31, PartFieldWidth = 32, PartLabelName = 34;

// The old record: what the conversion carries over.
constexpr std::size_t OldOffColumnHeaders = 83;
constexpr std::size_t OldOffPageNumbers = 84;
constexpr std::size_t OldOffUseTotals = 85;
constexpr std::size_t OldOffNumLines = 86;
constexpr std::size_t OldOffTotalsLine = 88;
constexpr std::size_t OldOffTitles = 1588;
constexpr std::size_t OldOffBodyLines = 1831;
static_assert(OldOffBodyLines + BodyLineCount * LineSize == OldReportRecordSize);

bool isFillerOrLabel(const std::string& partName) {
    return partName == FillerPartName || partName == LabelPartName;
}

// ---- encoding ----------------------------------------------------------------------------------

class RecordWriter {
public:
    explicit RecordWriter(std::string& bytes) : bytes_(bytes) {}

    void text(std::size_t offset, const std::string& value, std::size_t capacity) {
        const std::size_t length = std::min(value.size(), capacity);
        bytes_[offset] = static_cast<char>(length);
        value.copy(&bytes_[offset + 1], length);
    }
    void flag(std::size_t offset, bool value) { bytes_[offset] = value ? 1 : 0; }
    void byte(std::size_t offset, std::uint8_t value) { bytes_[offset] = static_cast<char>(value); }
    void int16(std::size_t offset, std::int16_t value) {
        littleEndian(offset, static_cast<std::uint16_t>(value), 2);
    }
    void int32(std::size_t offset, std::int32_t value) {
        littleEndian(offset, static_cast<std::uint32_t>(value), 4);
    }
    void real64(std::size_t offset, double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        littleEndian(offset, bits, 8);
    }
    void font(std::size_t offset, const FontBlock& font) {
        text(offset, font.Name, FontNameCapacity);
        int16(offset + FontSize, font.Size);
        flag(offset + FontBold, font.Bold);
        flag(offset + FontItalic, font.Italic);
        flag(offset + FontUnderline, font.Underline);
        flag(offset + FontStrikeOut, font.StrikeOut);
        int32(offset + FontColor, font.Color);
    }
    void line(std::size_t offset, const ReportLine& line) {
        for (std::size_t k = 0; k < line.size(); ++k) {
            const ReportPart& part = line[k];
            const std::size_t at = offset + k * PartSize;
            text(at, part.PartName, PartNameCapacity);
            byte(at + PartFieldNumber, isFillerOrLabel(part.PartName) ? 0 : part.FieldNumber);
            int16(at + PartFieldWidth, part.FieldWidth);
            text(at + PartLabelName, part.LabelName, LabelNameCapacity);
        }
    }

private:
    void littleEndian(std::size_t offset, std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes_[offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
        }
    }
    std::string& bytes_;
};

class RecordReader {
public:
    explicit RecordReader(std::string_view bytes) : bytes_(bytes) {}

    std::string text(std::size_t offset, std::size_t capacity) const {
        const std::size_t length = std::min<std::size_t>(byte(offset), capacity);
        return std::string(bytes_.substr(offset + 1, length));
    }
    bool flag(std::size_t offset) const { return byte(offset) != 0; }
    std::uint8_t byte(std::size_t offset) const {
        return static_cast<std::uint8_t>(bytes_[offset]);
    }
    std::int16_t int16(std::size_t offset) const {
        return static_cast<std::int16_t>(littleEndian(offset, 2));
    }
    std::int32_t int32(std::size_t offset) const {
        return static_cast<std::int32_t>(littleEndian(offset, 4));
    }
    double real64(std::size_t offset) const {
        const std::uint64_t bits = littleEndian(offset, 8);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    FontBlock font(std::size_t offset) const {
        FontBlock font;
        font.Name = text(offset, FontNameCapacity);
        font.Size = int16(offset + FontSize);
        font.Bold = flag(offset + FontBold);
        font.Italic = flag(offset + FontItalic);
        font.Underline = flag(offset + FontUnderline);
        font.StrikeOut = flag(offset + FontStrikeOut);
        font.Color = int32(offset + FontColor);
        return font;
    }
    ReportLine line(std::size_t offset) const {
        ReportLine line;
        for (std::size_t k = 0; k < line.size(); ++k) {
            ReportPart& part = line[k];
            const std::size_t at = offset + k * PartSize;
            part.PartName = text(at, PartNameCapacity);
            part.FieldNumber = isFillerOrLabel(part.PartName) ? 0 : byte(at + PartFieldNumber);
            part.FieldWidth = int16(at + PartFieldWidth);
            part.LabelName = text(at + PartLabelName, LabelNameCapacity);
        }
        return line;
    }

private:
    std::uint64_t littleEndian(std::size_t offset, int size) const {
        std::uint64_t value = 0;
        for (int i = 0; i < size; ++i) {
            value |= std::uint64_t{byte(offset + static_cast<std::size_t>(i))} << (8 * i);
        }
        return value;
    }
    std::string_view bytes_;
};

// ---- files -------------------------------------------------------------------------------------

std::string joinPath(const std::string& folder, const char* name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// what is a view so that no allocation runs between a failing call and the reading of errno.
[[noreturn]] void fail(ReportFileError::Reason reason, const std::string& path,
                       std::string_view what, int error = 0) {
    std::string message = "\"" + path + "\": ";
    message += what;
    if (error != 0) {
        message += ": ";
        message += std::strerror(error);
    }
    throw ReportFileError(reason, message);
}

[[noreturn]] void failIo(const std::string& path, std::string_view what, int error = 0) {
    fail(ReportFileError::Reason::InputOutput, path, what, error);
}

// One open file; every result is checked and a failure names the file.
class File {
public:
    // Opens a regular file; a missing file, a folder or a device throws CannotOpen.
    File(std::string path, int flags) : path_(std::move(path)) {
        try {
            // Non-blocking so that a named pipe in the file's place cannot hang the open.
            owned_ = fileio::openFile(path_, flags | O_NONBLOCK, 0666);
        } catch (const std::system_error& error) {
            fail(ReportFileError::Reason::CannotOpen, path_, "cannot open the file",
                 error.code().value());
        }
        fd_ = owned_.get();
        struct stat status {};
        if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
            owned_.reset();
            fd_ = -1;
            fail(ReportFileError::Reason::CannotOpen, path_, "not a regular file");
        }
        const int current = ::fcntl(fd_, F_GETFL);
        if (current >= 0) {
            ::fcntl(fd_, F_SETFL, current & ~O_NONBLOCK);
        }
    }
    struct Borrow {};
    // Works on a descriptor that stays owned by someone else.
    File(std::string path, int fd, Borrow) : path_(std::move(path)), fd_(fd) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    const std::string& path() const { return path_; }

    std::uint64_t size() const {
        try {
            return fileio::fileSize(fd_, path_);
        } catch (const std::system_error& error) {
            failIo(path_, "cannot read the file's size", error.code().value());
        }
    }
    std::uint64_t recordCount(std::size_t recordSize) const { return size() / recordSize; }

    void readAt(std::uint64_t offset, char* buffer, std::size_t length) const {
        std::size_t got = 0;
        try {
            got = fileio::readAt(fd_, buffer, length, offset, path_);
        } catch (const std::system_error& error) {
            failIo(path_, "read failed", error.code().value());
        }
        if (got < length) {
            failIo(path_, "the file ends inside a record");
        }
    }
    void writeAt(std::uint64_t offset, const char* buffer, std::size_t length) {
        try {
            fileio::writeAt(fd_, buffer, length, offset, path_);
        } catch (const std::system_error& error) {
            failIo(path_, "write failed", error.code().value());
        }
    }
    void truncate(std::uint64_t length) {
        try {
            fileio::truncateFile(fd_, length, path_);
        } catch (const std::system_error& error) {
            failIo(path_, "cannot shorten the file", error.code().value());
        }
    }
    void sync() {
        try {
            fileio::syncFile(fd_, path_);
        } catch (const std::system_error& error) {
            failIo(path_, "sync failed", error.code().value());
        }
    }
    void close() {
        fd_ = -1;
        try {
            fileio::closeFile(owned_, path_);
        } catch (const std::system_error& error) {
            failIo(path_, "close failed", error.code().value());
        }
    }

private:
    std::string path_;
    fileio::UniqueFd owned_;
    int fd_ = -1;
};

// Replaces the file at target by what write() puts into a temporary file beside it, synced
// before the rename, so a failure or a crash leaves the old file (or no file) as it was.
void replaceFile(const std::string& target, mode_t mode,
                 const std::function<void(File&, std::uint64_t& length)>& write) {
    std::optional<fileio::TempFile> temporary;
    try {
        temporary.emplace(target);
    } catch (const std::system_error& error) {
        failIo(target, "cannot create a temporary file beside it", error.code().value());
    }
    const std::string& path = temporary->path();
    try {
        temporary->setMode(mode);
    } catch (const std::system_error& error) {
        failIo(path, "cannot set the file's permissions", error.code().value());
    }
    File file(path, temporary->fd(), File::Borrow{});
    std::uint64_t length = 0;
    write(file, length);
    file.sync();
    try {
        temporary->close();
    } catch (const std::system_error& error) {
        failIo(path, "close failed", error.code().value());
    }
    try {
        temporary->replaceTarget();
    } catch (const std::system_error& error) {
        failIo(target, "cannot replace the file", error.code().value());
    }
    fileio::syncFolderOfIfPossible(target);
}

bool fileExists(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 || errno != ENOENT;
}

// ---- built-in set ------------------------------------------------------------------------------

ReportPart filler(int width) {
    return {FillerPartName, 0, static_cast<std::int16_t>(width), ""};
}
ReportPart label(const char* text, int width) {
    return {LabelPartName, 0, static_cast<std::int16_t>(width), text};
}
ReportPart field(int number, int width) {
    return {app::ItemFields[static_cast<std::size_t>(number - 1)].tableName,
            static_cast<std::uint8_t>(number), static_cast<std::int16_t>(width), ""};
}
ReportPart total(int number, int width) {
    return {TotalFieldNames[static_cast<std::size_t>(number - 1)],
            static_cast<std::uint8_t>(number), static_cast<std::int16_t>(width), ""};
}

// The given parts, then fillers of width 0 (the first of them ends the line).
ReportLine lineOf(std::initializer_list<ReportPart> parts) {
    ReportLine line;
    line.fill(filler(0));
    std::size_t k = 0;
    for (const ReportPart& part : parts) {
        line[k++] = part;
    }
    return line;
}

FontBlock font(const char* name, int size, bool bold) {
    FontBlock font;
    font.Name = name;
    font.Size = static_cast<std::int16_t>(size);
    font.Bold = bold;
    return font;
}

ReportDefinition builtInBase(const char* name, int width, int numLines) {
    ReportDefinition d;
    d.ReportName = name;
    d.ReportWidth = static_cast<std::int16_t>(width);
    d.NumLines = static_cast<std::int16_t>(numLines);
    const FontBlock arial = font("Arial", width == 90 ? 10 : 8, false);
    d.TitleFont = d.ColumnFont = d.BodyFont = d.SpareFont = d.FootnoteFont = arial;
    d.PageNumbers = d.DateOnPage = d.Level1Group = true;
    d.TopMargin = d.BottomMargin = d.LeftMargin = d.RightMargin = 0.5;
    d.UseTotals = true;
    d.TotalsLine =
        lineOf({label("Cost:", 10), filler(1), total(1, 12), label("Replacement Cost:", 19),
                filler(1), total(3, 12), label("Value:", 8), filler(1), total(2, 12), filler(60)});
    d.BodyLines.fill(blankLine());
    return d;
}

ReportLine itemLocationCategoryLine() {
    return lineOf({label("Item:", 5), filler(1), field(1, 40), label("Location:", 11), filler(1),
                   field(5, 30), label("Category:", 11), filler(1), field(12, 20)});
}

ReportLine brandModelSerialCostLine() {
    return lineOf({label("Brand:", 6), filler(1), field(2, 20), label("Model:", 8), filler(1),
                   field(3, 15), label("Serial:", 9), filler(1), field(4, 14), label("Cost:", 7),
                   filler(1), field(11, 12), label("Rep Cost:", 11), filler(1), field(13, 12)});
}

ReportLine descriptionLine() {
    return lineOf({label("Desc:", 5), filler(1), field(6, 110)});
}

// ---- conversion of the earlier release's file --------------------------------------------------

constexpr std::array<const char*, 7> OldBuiltInNames = {
    "90 Column 1 Line Report",   "120 Column 2 Line Report", "Full Report",
    "Statistics/Summary Report", "120 Column 1 Line Report", "120 Column 4 Line Report",
    "1 Line Warranty Report"};

bool isOldBuiltIn(std::string_view record) {
    const std::size_t length = static_cast<std::uint8_t>(record[0]);
    for (const char* name : OldBuiltInNames) {
        if (length == std::strlen(name) && record.substr(1, length) == name) {
            return true;
        }
    }
    return false;
}

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// The position (from 1) of name among names, 0 when absent.
template <typename Names> std::uint8_t numberAmong(const Names& names, const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (equalsIgnoringAsciiCase(name, names[i])) {
            return static_cast<std::uint8_t>(i + 1);
        }
    }
    return 0;
}

std::array<std::string_view, app::ItemFieldCount> itemTableNames() {
    std::array<std::string_view, app::ItemFieldCount> names;
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = app::ItemFields[i].tableName;
    }
    return names;
}

// The old part's byte 31 is not a field number; the number is found from the part's name, in
// the item fields for report lines and in the total field list for the totals line.
template <typename Names> void renumberFields(ReportLine& line, const Names& names) {
    for (ReportPart& part : line) {
        part.FieldNumber = isFillerOrLabel(part.PartName) ? 0 : numberAmong(names, part.PartName);
    }
}

ReportDefinition convertOldRecord(std::string_view old) {
    const RecordReader in(old);
    ReportDefinition d;
    d.ReportName = in.text(OffReportName, ReportNameCapacity);
    d.ReportWidth = in.int16(OffReportWidth);
    d.ColumnHeaders = in.flag(OldOffColumnHeaders);
    d.PageNumbers = in.flag(OldOffPageNumbers);
    d.UseTotals = in.flag(OldOffUseTotals);
    d.NumLines = in.int16(OldOffNumLines);
    d.TotalsLine = in.line(OldOffTotalsLine);
    renumberFields(d.TotalsLine, TotalFieldNames);
    d.Title1 = in.text(OldOffTitles, TitleCapacity);
    d.Title2 = in.text(OldOffTitles + TitleCapacity + 1, TitleCapacity);
    d.Title3 = in.text(OldOffTitles + 2 * (TitleCapacity + 1), TitleCapacity);
    const auto names = itemTableNames();
    for (std::size_t l = 0; l < d.BodyLines.size(); ++l) {
        d.BodyLines[l] = in.line(OldOffBodyLines + l * LineSize);
        renumberFields(d.BodyLines[l], names);
    }

    d.DateOnPage = true;
    d.TopMargin = d.BottomMargin = d.LeftMargin = d.RightMargin = 0.5;
    d.Level1Group = true;
    const int size = d.ReportWidth == 90 ? 10 : 8;
    d.TitleFont = d.ColumnFont = d.FootnoteFont = font("Courier New", size, true);
    d.BodyFont = d.SpareFont = font("Courier New", size, false);
    return d;
}

} // namespace

// ---- record ------------------------------------------------------------------------------------

std::string encodeReport(const ReportDefinition& d) {
    std::string bytes(ReportRecordSize, '\0');
    RecordWriter out(bytes);
    out.text(OffReportName, d.ReportName, ReportNameCapacity);
    out.int16(OffReportWidth, d.ReportWidth);
    out.font(OffTitleFont, d.TitleFont);
    out.font(OffColumnFont, d.ColumnFont);
    out.font(OffBodyFont, d.BodyFont);
    out.font(OffSpareFont, d.SpareFont);
    out.font(OffFootnoteFont, d.FootnoteFont);
    out.flag(OffColumnHeaders, d.ColumnHeaders);
    out.flag(OffPageNumbers, d.PageNumbers);
    out.flag(OffLandOrient, d.LandOrient);
    out.flag(OffDateOnPage, d.DateOnPage);
    out.flag(OffUseTotals, d.UseTotals);
    out.int16(OffNumLines, d.NumLines);
    out.line(OffTotalsLine, d.TotalsLine);
    out.real64(OffTopMargin, d.TopMargin);
    out.real64(OffBottomMargin, d.BottomMargin);
    out.real64(OffLeftMargin, d.LeftMargin);
    out.real64(OffRightMargin, d.RightMargin);
    out.flag(OffVertLines, d.VertLines);
    out.flag(OffHorzLines, d.HorzLines);
    out.text(OffTitle1, d.Title1, TitleCapacity);
    out.text(OffTitle2, d.Title2, TitleCapacity);
    out.text(OffTitle3, d.Title3, TitleCapacity);
    for (std::size_t l = 0; l < d.BodyLines.size(); ++l) {
        out.line(OffBodyLines + l * LineSize, d.BodyLines[l]);
    }
    out.flag(OffLevel1Group, d.Level1Group);
    out.flag(OffLevel2Group, d.Level2Group);
    return bytes;
}

ReportDefinition decodeReport(std::string_view bytes) {
    if (bytes.size() < ReportRecordSize) {
        throw ReportFileError(ReportFileError::Reason::InputOutput,
                              "A report definition needs " + std::to_string(ReportRecordSize) +
                                  " bytes, not " + std::to_string(bytes.size()));
    }
    const RecordReader in(bytes);
    ReportDefinition d;
    d.ReportName = in.text(OffReportName, ReportNameCapacity);
    d.ReportWidth = in.int16(OffReportWidth);
    d.TitleFont = in.font(OffTitleFont);
    d.ColumnFont = in.font(OffColumnFont);
    d.BodyFont = in.font(OffBodyFont);
    d.SpareFont = in.font(OffSpareFont);
    d.FootnoteFont = in.font(OffFootnoteFont);
    d.ColumnHeaders = in.flag(OffColumnHeaders);
    d.PageNumbers = in.flag(OffPageNumbers);
    d.LandOrient = in.flag(OffLandOrient);
    d.DateOnPage = in.flag(OffDateOnPage);
    d.UseTotals = in.flag(OffUseTotals);
    d.NumLines = in.int16(OffNumLines);
    d.TotalsLine = in.line(OffTotalsLine);
    d.TopMargin = in.real64(OffTopMargin);
    d.BottomMargin = in.real64(OffBottomMargin);
    d.LeftMargin = in.real64(OffLeftMargin);
    d.RightMargin = in.real64(OffRightMargin);
    d.VertLines = in.flag(OffVertLines);
    d.HorzLines = in.flag(OffHorzLines);
    d.Title1 = in.text(OffTitle1, TitleCapacity);
    d.Title2 = in.text(OffTitle2, TitleCapacity);
    d.Title3 = in.text(OffTitle3, TitleCapacity);
    for (std::size_t l = 0; l < d.BodyLines.size(); ++l) {
        d.BodyLines[l] = in.line(OffBodyLines + l * LineSize);
    }
    d.Level1Group = in.flag(OffLevel1Group);
    d.Level2Group = in.flag(OffLevel2Group);
    return d;
}

ReportLine blankLine() {
    ReportLine line;
    line.fill(filler(0));
    line[0] = filler(150);
    return line;
}

int usedParts(const ReportLine& line) {
    int count = 0;
    while (count < PartsPerLine && line[static_cast<std::size_t>(count)].FieldWidth > 0) {
        ++count;
    }
    return count;
}

std::vector<ReportDefinition> builtInReports() {
    std::vector<ReportDefinition> set;

    ReportDefinition shortNarrow = builtInBase("Short Narrow Report", 90, 1);
    shortNarrow.ColumnHeaders = shortNarrow.VertLines = shortNarrow.HorzLines = true;
    shortNarrow.BodyLines[0] =
        lineOf({field(1, 32), field(5, 17), field(11, 14), field(13, 14), field(9, 13)});
    set.push_back(shortNarrow);

    ReportDefinition shortWide = builtInBase("Short Wide Report", 120, 1);
    shortWide.ColumnHeaders = shortWide.VertLines = shortWide.HorzLines = true;
    shortWide.BodyLines[0] = lineOf({field(1, 26), field(2, 12), field(3, 12), field(4, 12),
                                     field(5, 17), field(11, 14), field(13, 14), field(9, 13)});
    set.push_back(shortWide);

    ReportDefinition medium = builtInBase("Medium Report", 120, 2);
    medium.BodyLines[0] = itemLocationCategoryLine();
    medium.BodyLines[1] = brandModelSerialCostLine();
    set.push_back(medium);

    ReportDefinition mediumLarge = builtInBase("Medium Large Report", 120, 4);
    mediumLarge.BodyLines[0] = itemLocationCategoryLine();
    mediumLarge.BodyLines[1] = brandModelSerialCostLine();
    mediumLarge.BodyLines[2] = descriptionLine();
    set.push_back(mediumLarge);

    ReportDefinition full = builtInBase("Full Report", 120, 7);
    full.BodyLines[0] = itemLocationCategoryLine();
    full.BodyLines[1] = lineOf({label("Brand:", 6), filler(1), field(2, 20), label("Model:", 8),
                                filler(1), field(3, 15), label("Serial:", 9), filler(1),
                                field(4, 20), label("Owner:", 8), filler(1), field(17, 30)});
    full.BodyLines[2] = descriptionLine();
    full.BodyLines[3] =
        lineOf({label("Cost:", 5), filler(1), field(11, 13), label("Rep. Cost:", 11), filler(1),
                field(13, 13), label("Value:", 8), filler(1), field(18, 13),
                label("Purch From:", 13), filler(1), field(7, 40)});
    full.BodyLines[4] =
        lineOf({label("Purch Date:", 11), filler(1), field(10, 11), label("Warranty:", 12),
                filler(1), field(14, 3), label("Expiration Date:", 19), filler(1), field(15, 11),
                label("Warranty Notes:", 18), filler(1), field(16, 30)});
    full.BodyLines[5] = lineOf({label("ID Marks:", 9), filler(1), field(8, 60),
                                label("Quantity:", 11), filler(1), field(9, 10)});
    set.push_back(full);

    ReportDefinition warranty = builtInBase("Warranty Report", 120, 1);
    warranty.ColumnHeaders = true;
    warranty.UseTotals = false;
    warranty.TotalsLine = blankLine();
    warranty.BodyLines[0] =
        lineOf({field(1, 30), filler(2), field(5, 15), filler(2), field(10, 11), filler(2),
                field(14, 3), filler(2), field(15, 11), filler(2), field(16, 30)});
    set.push_back(warranty);

    ReportDefinition locationOwner = builtInBase("Location & Owner Report", 90, 1);
    locationOwner.ColumnHeaders = locationOwner.VertLines = locationOwner.HorzLines = true;
    locationOwner.BodyLines[0] = lineOf({field(1, 33), field(5, 30), field(17, 27)});
    set.push_back(locationOwner);

    set.push_back(builtInBase("Statistics/Summary Report", 120, 0));
    return set;
}

// ---- file operations ---------------------------------------------------------------------------

std::string reportFilePath(const std::string& programFolder) {
    return joinPath(programFolder, ReportFileName);
}

std::vector<std::string> listReportNames(const std::string& programFolder) {
    const File file(reportFilePath(programFolder), O_RDONLY);
    const std::uint64_t count = file.recordCount(ReportRecordSize);
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count));
    char name[ReportNameCapacity + 1];
    for (std::uint64_t i = 0; i < count; ++i) {
        file.readAt(i * ReportRecordSize, name, sizeof name);
        const std::size_t length =
            std::min<std::size_t>(static_cast<std::uint8_t>(name[0]), ReportNameCapacity);
        names.emplace_back(name + 1, length);
    }
    return names;
}

ReportDefinition readReport(const std::string& programFolder, std::size_t index) {
    // Reading needs no write access: a read-only copy of the file still prints.
    const File file(reportFilePath(programFolder), O_RDONLY);
    if (index >= file.recordCount(ReportRecordSize)) {
        failIo(file.path(), "there is no report definition " + std::to_string(index + 1));
    }
    std::string bytes(ReportRecordSize, '\0');
    file.readAt(index * ReportRecordSize, bytes.data(), bytes.size());
    return decodeReport(bytes);
}

std::size_t writeReport(const std::string& programFolder, const ReportDefinition& definition,
                        std::optional<std::size_t> overwriteIndex) {
    const std::string path = reportFilePath(programFolder);
    const bool existed = fileExists(path);
    File file(path, O_RDWR | O_CREAT);
    const std::uint64_t size = file.size();
    const std::uint64_t count = size / ReportRecordSize;
    if (size % ReportRecordSize != 0) {
        file.truncate(count * ReportRecordSize); // a broken tail record is unreadable anyway
    }
    const std::uint64_t index = overwriteIndex && *overwriteIndex < count ? *overwriteIndex : count;
    const std::string bytes = encodeReport(definition);
    file.writeAt(index * ReportRecordSize, bytes.data(), bytes.size());
    file.sync();
    file.close();
    if (!existed) {
        fileio::syncFolderOfIfPossible(path);
    }
    return static_cast<std::size_t>(index);
}

void deleteReport(const std::string& programFolder, std::size_t index) {
    const std::string path = reportFilePath(programFolder);
    const File source(path, O_RDWR);
    const std::uint64_t count = source.recordCount(ReportRecordSize);
    if (index >= count) {
        failIo(path, "there is no report definition " + std::to_string(index + 1));
    }
    replaceFile(path, fileio::modeForReplacing(path), [&](File& target, std::uint64_t& length) {
        std::string record(ReportRecordSize, '\0');
        for (std::uint64_t j = 0; j < count; ++j) {
            if (j == index) {
                continue;
            }
            source.readAt(j * ReportRecordSize, record.data(), record.size());
            target.writeAt(length, record.data(), record.size());
            length += ReportRecordSize;
        }
    });
}

void ensureReportFile(const std::string& programFolder) {
    const std::string path = reportFilePath(programFolder);
    if (!fileExists(path)) {
        replaceFile(path, fileio::newFileMode(), [](File& target, std::uint64_t& length) {
            for (const ReportDefinition& definition : builtInReports()) {
                const std::string bytes = encodeReport(definition);
                target.writeAt(length, bytes.data(), bytes.size());
                length += bytes.size();
            }
        });
    }
    convertOldReports(programFolder);
}

std::size_t convertOldReports(const std::string& programFolder) {
    const std::string oldPath = joinPath(programFolder, OldReportFileName);
    const std::string path = reportFilePath(programFolder);
    std::optional<File> old;
    std::optional<File> current;
    try {
        old.emplace(oldPath, O_RDONLY);
        // Without a file to receive them the old definitions stay for the next start.
        current.emplace(path, O_RDWR);
    } catch (const ReportFileError&) {
        return 0;
    }

    // All or nothing: the new file replaces the old one only with every definition converted,
    // so a failure leaves both files as they were and the next start tries again.
    const std::uint64_t oldCount = old->recordCount(OldReportRecordSize);
    std::size_t added = 0;
    if (oldCount > 0) {
        const std::uint64_t count = current->recordCount(ReportRecordSize);
        replaceFile(path, fileio::modeForReplacing(path), [&](File& target, std::uint64_t& length) {
            std::string record(ReportRecordSize, '\0');
            for (std::uint64_t j = 0; j < count; ++j) {
                current->readAt(j * ReportRecordSize, record.data(), record.size());
                target.writeAt(length, record.data(), record.size());
                length += ReportRecordSize;
            }
            std::string oldRecord(OldReportRecordSize, '\0');
            for (std::uint64_t i = 0; i < oldCount; ++i) {
                old->readAt(i * OldReportRecordSize, oldRecord.data(), oldRecord.size());
                if (isOldBuiltIn(oldRecord)) {
                    continue;
                }
                record = encodeReport(convertOldRecord(oldRecord));
                target.writeAt(length, record.data(), record.size());
                length += ReportRecordSize;
                ++added;
            }
        });
    }
    old.reset();
    current.reset();
    if (::unlink(oldPath.c_str()) != 0 && errno != ENOENT) {
        failIo(oldPath, "cannot delete the converted file", errno);
    }
    fileio::syncFolderOfIfPossible(oldPath);
    return added;
}

} // namespace reports
