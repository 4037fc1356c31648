#include "platform/profile/Profile.h"

#include "platform/fileio/FileIo.h"
#include "platform/fileio/TempFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace profile {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Only a-z are folded: names match the way the program's capitals comparison works.
std::string Capitals(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string Reason(int error) {
    return std::strerror(error);
}

std::string CannotRead(const std::string& path, const std::string& reason) {
    return "Cannot read \"" + path + "\": " + reason + ".";
}

std::string CannotWrite(const std::string& path, const std::string& reason) {
    return "Cannot write \"" + path + "\": " + reason + ".";
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return entry->pw_dir;
    return ".";
}

bool IsBareName(const std::string& name) {
    return name.find('/') == std::string::npos;
}

} // namespace

std::string ResolveProfilePath(const std::string& name) {
    if (!IsBareName(name))
        return name;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder =
        (config && config[0] == '/') ? std::string(config) : HomeFolder() + "/.config";
    return folder + "/" + name;
}

std::string CutToCharacters(std::string_view text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t kept = 0; kept < count && pos < text.size(); ++kept) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        std::size_t length = lead >= 0xF0 && lead <= 0xF7   ? 4
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                                                            : 1;
        if (pos + length > text.size())
            length = 1;
        for (std::size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80)
                length = 1;
        pos += length;
    }
    return std::string(text.substr(0, pos));
}

ProfileDocument::Line ProfileDocument::MakeLine(std::string text, std::string_view ending) {
    Line line;
    line.text = std::move(text);
    line.ending = ending;
    std::string_view content = Trim(line.text);
    if (content.empty() || content.front() == ';')
        return line;
    if (content.front() == '[') {
        std::size_t close = content.find(']');
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = Capitals(Trim(content.substr(1, close - 1)));
        }
        return line;
    }
    std::size_t equals = content.find('=');
    if (equals != std::string_view::npos) {
        line.kind = LineKind::Key;
        line.name = Capitals(Trim(content.substr(0, equals)));
    }
    return line;
}

ProfileDocument ProfileDocument::Parse(std::string_view text) {
    ProfileDocument document;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            document.lines_.push_back(MakeLine(std::string(text), ""));
            break;
        }
        std::string_view content = text.substr(0, end);
        bool crlf = !content.empty() && content.back() == '\r';
        if (crlf)
            content.remove_suffix(1);
        document.lines_.push_back(MakeLine(std::string(content), crlf ? "\r\n" : "\n"));
        text.remove_prefix(end + 1);
    }
    return document;
}

ProfileDocument ProfileDocument::Load(const std::string& path) {
    fileio::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        if (errno == ENOENT)
            return {};
        throw ProfileError(CannotRead(path, Reason(errno)));
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        throw ProfileError(CannotRead(path, Reason(errno)));
    if (S_ISDIR(info.st_mode))
        throw ProfileError(CannotRead(path, "it is a folder"));
    if (info.st_size < 0 || static_cast<std::size_t>(info.st_size) > MaxProfileFileSize)
        throw ProfileError(CannotRead(path, "the file is too large to be a settings file"));

    // The file may change while it is read: the limit holds for what is actually read.
    std::string text;
    char block[8192];
    for (;;) {
        std::size_t got = 0;
        try {
            got = fileio::readSome(file.get(), block, sizeof block, path);
        } catch (const std::system_error& error) {
            throw ProfileError(CannotRead(path, Reason(error.code().value())));
        }
        if (got == 0)
            break;
        if (text.size() + got > MaxProfileFileSize)
            throw ProfileError(CannotRead(path, "the file is too large to be a settings file"));
        text.append(block, got);
    }
    return Parse(text);
}

std::size_t ProfileDocument::FindSection(std::string_view section) const {
    const std::string wanted = Capitals(Trim(section));
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == LineKind::Section && lines_[i].name == wanted)
            return i;
    return std::string::npos;
}

std::size_t ProfileDocument::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != LineKind::Section)
        ++i;
    return i;
}

std::size_t ProfileDocument::FindKey(std::size_t header, std::string_view key) const {
    const std::string wanted = Capitals(Trim(key));
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == LineKind::Key && lines_[i].name == wanted)
            return i;
    return std::string::npos;
}

std::string_view ProfileDocument::NewLineEnding() const {
    for (const Line& line : lines_)
        if (!line.ending.empty())
            return line.ending;
    return "\n";
}

std::string ProfileDocument::Read(std::string_view section, std::string_view key,
                                  std::string_view defaultValue, std::size_t readLength) const {
    const std::size_t header = FindSection(section);
    if (header == std::string::npos)
        return CutToCharacters(defaultValue, readLength);
    const std::size_t found = FindKey(header, key);
    if (found == std::string::npos)
        return CutToCharacters(defaultValue, readLength);
    std::string_view text = lines_[found].text;
    std::string_view value = Unquote(Trim(text.substr(text.find('=') + 1)));
    return CutToCharacters(value, readLength);
}

void ProfileDocument::Write(std::string_view section, std::string_view key,
                            std::string_view value) {
    auto invalid = [](std::string_view name, std::string_view forbidden) {
        return Trim(name).empty() || name.find_first_of(forbidden) != std::string_view::npos;
    };
    // A key that began with "[" or ";" would read back as a section header or a comment.
    const bool keyLooksLikeOther =
        !Trim(key).empty() && (Trim(key)[0] == '[' || Trim(key)[0] == ';');
    if (invalid(section, "]\r\n") || invalid(key, "=\r\n") || keyLooksLikeOther)
        throw std::invalid_argument("invalid settings section or key name");

    std::string cleanValue(value);
    for (char& c : cleanValue)
        if (c == '\r' || c == '\n')
            c = ' ';
    const std::string_view ending = NewLineEnding();
    auto insertAt = [&](std::size_t at, std::string text) {
        if (at > 0 && lines_[at - 1].ending.empty())
            lines_[at - 1].ending = ending;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                      MakeLine(std::move(text), ending));
    };

    const std::size_t header = FindSection(section);
    if (header == std::string::npos) {
        if (!lines_.empty() && !Trim(lines_.back().text).empty())
            insertAt(lines_.size(), "");
        insertAt(lines_.size(), "[" + std::string(Trim(section)) + "]");
        insertAt(lines_.size(), std::string(Trim(key)) + "=" + cleanValue);
        return;
    }
    const std::size_t found = FindKey(header, key);
    if (found != std::string::npos) {
        std::string_view text = lines_[found].text;
        std::string keyText(Trim(text.substr(0, text.find('='))));
        lines_[found] = MakeLine(keyText + "=" + cleanValue, lines_[found].ending);
        return;
    }
    // After the last key of the section, so that blank lines and comments that introduce the
    // next section stay in front of it.
    std::size_t after = header;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == LineKind::Key)
            after = i;
    insertAt(after + 1, std::string(Trim(key)) + "=" + cleanValue);
}

std::string ProfileDocument::Text() const {
    std::string text;
    for (const Line& line : lines_) {
        text += line.text;
        text += line.ending;
    }
    return text;
}

void ProfileDocument::Save(const std::string& path) const {
    namespace fs = std::filesystem;
    std::error_code error;
    // Writing through a link keeps the link and changes the file it points to.
    fs::path target = path;
    if (fs::is_symlink(target, error))
        target = fs::weakly_canonical(target, error);
    if (error)
        target = path;

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // A file marked read-only is left alone even for a user whom the system would let write it.
    if (exists) {
        const int refusal = ::access(target.c_str(), W_OK) != 0 ? errno
                            : (old.st_mode & 0222) == 0         ? EACCES
                                                                : 0;
        if (refusal != 0)
            throw ProfileError(CannotWrite(path, Reason(refusal)));
    }

    try {
        fileio::TempFile file(target.string());
        file.setMode(exists ? old.st_mode & 07777 : fileio::newFileMode());
        fileio::writeAll(file.fd(), Text(), file.path());
        file.sync();
        file.close();
        file.replaceTarget();
    } catch (const std::system_error& error) {
        throw ProfileError(CannotWrite(path, Reason(error.code().value())));
    }
    // The rename itself lasts only once the folder is synced; a folder that cannot be synced
    // leaves the file written all the same.
    fileio::syncFolderOfIfPossible(target.string());
}

ProfileDocument LoadProfileFile(const std::string& file) {
    return ProfileDocument::Load(ResolveProfilePath(file));
}

void SaveProfileFile(const ProfileDocument& document, const std::string& file) {
    const std::string path = ResolveProfilePath(file);
    if (IsBareName(file)) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
        if (error)
            throw ProfileError(CannotWrite(path, error.message()));
    }
    document.Save(path);
}

std::string ReadProfileString(const std::string& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t readLength) {
    try {
        return LoadProfileFile(file).Read(section, key, defaultValue, readLength);
    } catch (const ProfileError&) {
        return CutToCharacters(defaultValue, readLength);
    }
}

void WriteProfileString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    ProfileDocument document = LoadProfileFile(file);
    document.Write(section, key, value);
    SaveProfileFile(document, file);
}

} // namespace profile
