#include "app/ItemTable.h"

#include "app/ItemSchema.h"
#include "platform/fileio/FileIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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
    fileio::UniqueFd file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!file.valid()) {
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
    try {
        fileio::writeAt(file.get(), &zero, 1, ProductionIndexFlagOffset, path);
    } catch (const std::system_error& error) {
        throwIoError(error.code().value(), path, "write failed");
    }
    try {
        fileio::syncFile(file.get(), path);
    } catch (const std::system_error& error) {
        throwIoError(error.code().value(), path, "sync failed");
    }
    try {
        fileio::closeFile(file, path);
    } catch (const std::system_error& error) {
        throwIoError(error.code().value(), path, "close failed");
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
