#include "app/ItemTable.h"

#include "app/ItemSchema.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace app {

namespace {

constexpr off_t ProductionIndexFlagOffset = 28;
constexpr off_t DbaseHeaderPrefixLength = 32; // the fixed part of a table header

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsIgnoringAsciiCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i])) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

[[noreturn]] void throwIoError(int error, const std::string& path, const char* what) {
    throw std::system_error(error, std::generic_category(),
                            "Input/output error on \"" + path + "\" (" + what + ")");
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

} // namespace

std::vector<dbase::FieldDef> itemTableFieldDefs() {
    std::vector<dbase::FieldDef> defs;
    defs.reserve(ItemFields.size());
    for (const ItemField& field : ItemFields) {
        dbase::FieldDef def;
        def.name = field.tableName;
        switch (field.kind) {
        case FieldKind::Text:
            def.type = dbase::FieldType::Character;
            def.length = field.width;
            break;
        case FieldKind::Integer: // room for every 32-bit whole number with its sign
            def.type = dbase::FieldType::Numeric;
            def.length = 11;
            break;
        case FieldKind::Float: // money with four decimals, as dBase engines store it
            def.type = dbase::FieldType::Numeric;
            def.length = 20;
            def.decimals = 4;
            break;
        case FieldKind::Date:
            def.type = dbase::FieldType::Date;
            def.length = 8;
            break;
        }
        defs.push_back(def);
    }
    return defs;
}

void RemoveMDXByte(const std::string& path) {
    Descriptor file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (file.get() < 0) {
        return;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        throwIoError(errno, path, "cannot read its size");
    }
    // Anything shorter has no table header; writing would only lengthen a foreign file.
    if (!S_ISREG(status.st_mode) || status.st_size < DbaseHeaderPrefixLength) {
        return;
    }
    const char zero = 0;
    const ssize_t written = ::pwrite(file.get(), &zero, 1, ProductionIndexFlagOffset);
    if (written != 1) {
        throwIoError(written < 0 ? errno : EIO, path, "write failed");
    }
    if (::fsync(file.get()) != 0) {
        throwIoError(errno, path, "sync failed");
    }
    if (::close(file.release()) != 0) {
        throwIoError(errno, path, "close failed");
    }
}

bool hasItemTableFields(const std::vector<dbase::FieldLayout>& fields) {
    if (fields.size() != ItemFields.size()) {
        return false;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!equalsIgnoringAsciiCase(fields[i].def.name, ItemFields[i].tableName)) {
            return false;
        }
    }
    return true;
}

} // namespace app
