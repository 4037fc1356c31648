#pragma once

// The report definition file "PNHOLD.URP": a plain sequence of 20,622-byte records, no header.
// Standard library only: the fuzz build compiles this unit with the engine alone.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace reports {

inline constexpr std::size_t ReportRecordSize = 20622;
inline constexpr std::size_t OldReportRecordSize = 19831; // "HOME.URP" of the earlier release
inline constexpr int PartsPerLine = 20;
inline constexpr int BodyLineCount = 12;

inline constexpr const char* ReportFileName = "PNHOLD.URP";
inline constexpr const char* OldReportFileName = "HOME.URP";
inline constexpr const char* FillerPartName = "<FILLER>";
inline constexpr const char* LabelPartName = "<LABEL>";

// Capacities of the length-prefixed texts; longer texts are cut when written.
inline constexpr std::size_t ReportNameCapacity = 30;
inline constexpr std::size_t FontNameCapacity = 50;
inline constexpr std::size_t TitleCapacity = 80;
inline constexpr std::size_t PartNameCapacity = 30;
inline constexpr std::size_t LabelNameCapacity = 40;

// The fields a totals line can sum; a totals part's FieldNumber is its position here (1 to 4).
inline constexpr std::array<const char*, 4> TotalFieldNames = {"Cost", "Value", "Replacement Cost",
                                                               "Quantity"};

struct FontBlock {
    std::string Name;
    std::int16_t Size = 0; // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    std::int32_t Color = 0; // 0x00BBGGRR
    friend bool operator==(const FontBlock&, const FontBlock&) = default;
};

struct ReportPart {
    std::string PartName;         // FillerPartName, LabelPartName or a field's name
    std::uint8_t FieldNumber = 0; // field parts: 1 to 22 (report lines) or 1 to 4 (totals line)
    std::int16_t FieldWidth = 0;  // a width of 0 or less ends the line
    std::string LabelName;        // label parts only
    friend bool operator==(const ReportPart&, const ReportPart&) = default;
};

using ReportLine = std::array<ReportPart, PartsPerLine>;

struct ReportDefinition {
    std::string ReportName;
    std::int16_t ReportWidth = 0; // 90, 120 or 150
    FontBlock TitleFont;
    FontBlock ColumnFont;
    FontBlock BodyFont;
    FontBlock SpareFont; // written like the others, never read
    FontBlock FootnoteFont;
    bool ColumnHeaders = false;
    bool PageNumbers = false;
    bool LandOrient = false;
    bool DateOnPage = false;
    bool UseTotals = false;
    std::int16_t NumLines = 0; // report lines printed per record
    ReportLine TotalsLine;
    double TopMargin = 0;
    double BottomMargin = 0;
    double LeftMargin = 0;
    double RightMargin = 0;
    bool VertLines = false;
    bool HorzLines = false;
    std::string Title1;
    std::string Title2;
    std::string Title3;
    std::array<ReportLine, BodyLineCount> BodyLines;
    bool Level1Group = false;
    bool Level2Group = false;
    friend bool operator==(const ReportDefinition&, const ReportDefinition&) = default;
};

// The record's bytes: exactly ReportRecordSize. Texts longer than their capacity are cut; the
// bytes behind a text and the reserved tail are written as 0.
std::string encodeReport(const ReportDefinition& definition);
// Needs at least ReportRecordSize bytes (only the first record is read; fewer throw
// ReportFileError). A length byte above its text's capacity is taken as the capacity.
ReportDefinition decodeReport(std::string_view bytes);

// Part 1 a filler of width 150, then 19 fillers of width 0: the line of a new definition.
ReportLine blankLine();
// The parts a line holds: those before the first whose FieldWidth is 0 or less.
int usedParts(const ReportLine& line);

// The eight definitions a new "PNHOLD.URP" receives, in file order.
std::vector<ReportDefinition> builtInReports();

class ReportFileError : public std::runtime_error {
public:
    enum class Reason {
        CannotOpen,  // the file is missing or could not be opened
        InputOutput, // a read, write, sync, truncate or rename failed, or no such record
    };
    ReportFileError(Reason reason, const std::string& message)
        : std::runtime_error(message), reason_(reason) {}
    Reason reason() const { return reason_; }

private:
    Reason reason_;
};

// Every operation takes the program folder and opens and closes the file around itself.
// Records are addressed by index (0-based, file order). A file whose size is not a multiple of
// ReportRecordSize is read as its whole records; the operations that write drop the broken
// tail. Failures throw ReportFileError naming the file and the reason.
std::string reportFilePath(const std::string& programFolder);

// The ReportName of every record in file order (opened read-only).
std::vector<std::string> listReportNames(const std::string& programFolder);
ReportDefinition readReport(const std::string& programFolder, std::size_t index);
// Overwrites record *overwriteIndex, or appends without one; creates the file when missing.
// An overwrite index that no longer exists (the file vanished or shrank since it was read)
// appends instead. Returns the index the definition now has.
std::size_t writeReport(const std::string& programFolder, const ReportDefinition& definition,
                        std::optional<std::size_t> overwriteIndex);
// Removes record index; later records move down by one.
void deleteReport(const std::string& programFolder, std::size_t index);

// Creates "PNHOLD.URP" with the built-in set when no file is at its path (an existing file, even
// an empty one, stays as it is), then runs convertOldReports. A failure leaves no new file and
// throws; the caller goes on, and the next start tries again.
void ensureReportFile(const std::string& programFolder);
// Appends the definitions of "HOME.URP", except the earlier release's own reports, to
// "PNHOLD.URP" and deletes "HOME.URP". When "PNHOLD.URP" is missing or cannot be written,
// "HOME.URP" is kept for the next start and nothing is appended. Returns how many were added.
std::size_t convertOldReports(const std::string& programFolder);

} // namespace reports
