#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace profile {

// A settings file could not be read or written; the message names the file and the reason and is
// meant for the user as it stands.
class ProfileError : public std::runtime_error {
public:
    explicit ProfileError(const std::string& message) : std::runtime_error(message) {}
};

// Files larger than this are refused rather than read: no settings file comes near it.
inline constexpr std::size_t MaxProfileFileSize = 1024 * 1024;

// A name without any "/" is the bare name of a shared settings file and lives in the per-user
// configuration folder ($XDG_CONFIG_HOME, else $HOME/.config); any other path is used as given.
std::string ResolveProfilePath(const std::string& name);

// The first `count` characters of a UTF-8 text; a byte that is not part of a well-formed sequence
// counts as one character, so the cut never splits a character and never reads past the text.
std::string CutToCharacters(std::string_view text, std::size_t count);

// An INI file held in memory. Section and key names match without regard to the case of a-z; the
// first section of a name is the one read and written (later duplicates are kept but ignored),
// and within it the first key of a name. Every line the caller does not write is kept byte for
// byte, with its own line end.
class ProfileDocument {
public:
    ProfileDocument() = default;

    // Any bytes at all: a line without "=", NUL bytes or binary data are kept and never matched.
    static ProfileDocument Parse(std::string_view text);

    // An absent file gives an empty document; a file that exists but cannot be read, or is
    // larger than MaxProfileFileSize, throws ProfileError. `path` is used as given.
    static ProfileDocument Load(const std::string& path);

    // The value trimmed of blanks and of one pair of matching surrounding quotes, then cut to
    // `readLength` characters; `defaultValue` (cut likewise) when the section or key is absent.
    std::string Read(std::string_view section, std::string_view key, std::string_view defaultValue,
                     std::size_t readLength) const;

    // Replaces the key's value in place, or appends the key after the last key of its section,
    // or appends the section at the end. Line breaks in the value become spaces, since they
    // would otherwise start lines of their own. Throws std::invalid_argument for a section name
    // with "]" or a key name with "=" or beginning with "[" or ";", or either with a
    // line break, or either empty.
    void Write(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;

    // Writes the whole document to a temporary file beside `path`, syncs it and renames it over
    // `path`, so a failure leaves the old file as it was. An existing file that is not writable
    // is refused. Throws ProfileError naming the file and the reason.
    void Save(const std::string& path) const;

private:
    enum class LineKind { Other, Section, Key };
    struct Line {
        std::string text;        // without its line end
        std::string_view ending; // "\n", "\r\n" or "" (a last line without one); a literal
        LineKind kind = LineKind::Other;
        std::string name; // section or key name, trimmed and in capitals, for matching
    };
    static Line MakeLine(std::string text, std::string_view ending);

    std::size_t FindSection(std::string_view section) const; // header line index or npos
    std::size_t FindKey(std::size_t header, std::string_view key) const;
    std::size_t SectionEnd(std::size_t header) const; // index of the next header or lines_.size()
    std::string_view NewLineEnding() const;

    std::vector<Line> lines_;
};

// One-key routines over a file addressed by ResolveProfilePath. Reading never fails: a file
// that is absent or cannot be read gives the default. Writing loads, changes and saves the
// whole file, creating the configuration folder for a bare name; it throws ProfileError.
std::string ReadProfileString(const std::string& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t readLength);
void WriteProfileString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value);

// Load and Save with the path rule of ResolveProfilePath applied; saving under a bare name first
// creates the configuration folder. Both throw ProfileError.
ProfileDocument LoadProfileFile(const std::string& file);
void SaveProfileFile(const ProfileDocument& document, const std::string& file);

} // namespace profile
