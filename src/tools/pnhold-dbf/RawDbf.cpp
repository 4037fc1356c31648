#include "RawDbf.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace pnhold_dbf {
namespace {

class FileHandle {
public:
    explicit FileHandle(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ < 0)
            throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    }
    ~FileHandle() { ::close(fd_); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

// Reads up to n bytes at offset; returns how many were read.
std::size_t readAt(int fd, char* buffer, std::size_t n, std::uint64_t offset,
                   const std::string& path) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, buffer + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

unsigned u8(const char* p, int at) {
    return static_cast<unsigned char>(p[at]);
}
unsigned u16(const char* p, int at) {
    return u8(p, at) | u8(p, at + 1) << 8;
}
std::uint32_t u32(const char* p, int at) {
    return u16(p, at) | static_cast<std::uint32_t>(u16(p, at + 2)) << 16;
}

std::string hex(unsigned v) {
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[(v >> 4) & 15] + digits[v & 15];
}

bool knownVersion(unsigned v) {
    switch (v) {
    case 0x03: // dBase III and IV without memo
    case 0x83: // dBase III PLUS with memo
    case 0x8B: // dBase IV with memo
    case 0x43:
    case 0x63:
    case 0xCB:
        return true;
    default:
        return false;
    }
}

// Adds a fault for a descriptor whose length or decimals no dBase III/IV table holds.
void checkDescriptor(const dbase::FieldDef& f, int number, std::vector<std::string>& faults) {
    const std::string where = "field " + std::to_string(number) + " (" + f.name + ")";
    bool fits = true;
    switch (f.type) {
    case dbase::FieldType::Character:
        fits = f.length >= 1 && f.length <= 254 && f.decimals == 0;
        break;
    case dbase::FieldType::Numeric:
    case dbase::FieldType::Float:
        fits = f.length >= 1 && f.length <= 20 && (f.decimals == 0 || f.decimals <= f.length - 2);
        break;
    case dbase::FieldType::Date:
        fits = f.length == 8;
        break;
    case dbase::FieldType::Logical:
        fits = f.length == 1;
        break;
    case dbase::FieldType::Memo:
        fits = f.length == 10;
        break;
    }
    if (!fits)
        faults.push_back(where + ": type " + std::string(1, static_cast<char>(f.type)) +
                         " cannot have length " + std::to_string(f.length) + " and " +
                         std::to_string(f.decimals) + " decimals");
}

} // namespace

RawDbf inspectDbf(const std::string& path, std::vector<std::string>& faults, bool& usable) {
    usable = false;
    FileHandle file(path);
    struct stat st {};
    if (::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode))
        throw std::runtime_error(path + " is not a regular file");
    RawDbf t;
    t.fileSize = static_cast<std::uint64_t>(st.st_size);
    char h[32];
    if (readAt(file.fd(), h, 32, 0, path) != 32) {
        faults.push_back("the file is shorter than a table header (32 bytes)");
        return t;
    }
    t.version = static_cast<std::uint8_t>(u8(h, 0));
    t.headerCount = u32(h, 4);
    t.headerLength = static_cast<int>(u16(h, 8));
    t.recordLength = static_cast<int>(u16(h, 10));
    t.productionIndexFlag = static_cast<std::uint8_t>(u8(h, 28));
    if (!knownVersion(t.version))
        faults.push_back("version byte " + hex(t.version) + " is not a dBase III/IV table");
    const unsigned month = u8(h, 2), day = u8(h, 3);
    if (month < 1 || month > 12 || day < 1 || day > 31)
        faults.push_back("the last-update date (bytes 1-3) is not a date");
    if (t.productionIndexFlag > 1)
        faults.push_back("header byte 28 is " + hex(t.productionIndexFlag) + ", not 0 or 1");
    if (t.headerLength < 32 + 32 + 1 || static_cast<std::uint64_t>(t.headerLength) > t.fileSize) {
        faults.push_back("header length " + std::to_string(t.headerLength) +
                         " does not fit the file (" + std::to_string(t.fileSize) + " bytes)");
        return t;
    }

    std::vector<char> header(static_cast<std::size_t>(t.headerLength));
    readAt(file.fd(), header.data(), header.size(), 0, path);
    int offset = 1;
    int at = 32;
    bool terminated = false;
    while (at < t.headerLength) {
        if (header[static_cast<std::size_t>(at)] == 0x0D) {
            terminated = true;
            break;
        }
        if (at + 32 > t.headerLength)
            break;
        const char* d = header.data() + at;
        dbase::FieldLayout f;
        f.def.name.assign(d, strnlen(d, 11));
        f.def.type = static_cast<dbase::FieldType>(d[11]);
        f.def.length = static_cast<int>(u8(d, 16));
        f.def.decimals = static_cast<int>(u8(d, 17));
        f.offset = offset;
        const int number = static_cast<int>(t.fields.size()) + 1;
        if (std::string("CNFDLM").find(d[11]) == std::string::npos || d[11] == 0) {
            faults.push_back("field " + std::to_string(number) + " (" + f.def.name +
                             "): unknown type byte " + hex(u8(d, 11)));
            return t;
        }
        if (f.def.name.empty())
            faults.push_back("field " + std::to_string(number) + " has no name");
        checkDescriptor(f.def, number, faults);
        offset += f.def.length;
        t.fields.push_back(std::move(f));
        at += 32;
    }
    if (!terminated) {
        faults.push_back("the field descriptors do not end with 0x0D inside the header");
        return t;
    }
    if (t.fields.empty()) {
        faults.push_back("the table has no fields");
        return t;
    }
    if (offset != t.recordLength) {
        faults.push_back("record length " + std::to_string(t.recordLength) +
                         " differs from 1 + the field lengths (" + std::to_string(offset) + ")");
        return t;
    }
    usable = true;

    const std::uint64_t data = t.fileSize - static_cast<std::uint64_t>(t.headerLength);
    const std::uint64_t whole = data / static_cast<std::uint64_t>(t.recordLength);
    t.wholeRecords = static_cast<std::uint32_t>(std::min<std::uint64_t>(whole, UINT32_MAX));
    const std::uint64_t end =
        static_cast<std::uint64_t>(t.headerLength) +
        static_cast<std::uint64_t>(t.headerCount) * static_cast<std::uint64_t>(t.recordLength);
    if (t.headerCount > whole) {
        faults.push_back("the header counts " + std::to_string(t.headerCount) +
                         " records, the file holds " + std::to_string(whole));
    } else if (t.fileSize > end) {
        const std::uint64_t extra = t.fileSize - end;
        char last = 0;
        if (extra == 1)
            readAt(file.fd(), &last, 1, end, path);
        if (extra >= static_cast<std::uint64_t>(t.recordLength))
            faults.push_back("the header counts " + std::to_string(t.headerCount) +
                             " records, the file holds " + std::to_string(whole));
        else if (!(extra == 1 && last == 0x1A))
            faults.push_back(std::to_string(extra) + " stray bytes after the last record");
    }
    return t;
}

void forEachRecord(const std::string& path, const RawDbf& table,
                   const std::function<void(std::uint32_t, const char*)>& visit) {
    FileHandle file(path);
    const auto length = static_cast<std::size_t>(table.recordLength);
    const std::size_t perBlock = std::max<std::size_t>(1, (std::size_t{4} << 20) / length);
    std::vector<char> block(perBlock * length);
    const std::uint32_t total = table.readableRecords();
    std::uint32_t done = 0;
    while (done < total) {
        const std::size_t n = std::min<std::size_t>(perBlock, total - done);
        const std::uint64_t offset = static_cast<std::uint64_t>(table.headerLength) +
                                     static_cast<std::uint64_t>(done) * length;
        if (readAt(file.fd(), block.data(), n * length, offset, path) != n * length)
            throw std::runtime_error(path + " became shorter while it was read");
        for (std::size_t i = 0; i < n; ++i)
            visit(done + static_cast<std::uint32_t>(i) + 1, block.data() + i * length);
        done += static_cast<std::uint32_t>(n);
    }
}

} // namespace pnhold_dbf
