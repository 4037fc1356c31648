#include "platform/dbase/DbfHeader.h"

#include "platform/dbase/DatabaseError.h"
#include "platform/dbase/FileIo.h"

#include <cctype>
#include <ctime>

namespace dbase {

namespace {

std::uint16_t readU16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void putU16(std::string& out, std::size_t at, unsigned value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void putU32(std::string& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

[[noreturn]] void damaged(const std::string& path, const std::string& fault) {
    throw DatabaseError("Damaged table " + path + ": " + fault);
}

bool writableVersion(std::uint8_t version) {
    return version == 0x03 || version == 0x83 || version == 0x8B;
}

bool readOnlyVersion(std::uint8_t version) {
    return version == 0x02 || version == 0x30 || version == 0xF5 || version == 0xFB;
}

std::string descriptorName(const unsigned char* d) {
    std::string name;
    for (int i = 0; i < 11 && d[i] != 0; ++i) {
        name.push_back(static_cast<char>(d[i]));
    }
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    return name;
}

// Widths the decoders can rely on; anything else is a damaged descriptor.
bool plausibleField(FieldType type, int length, int decimals) {
    switch (type) {
    case FieldType::Character:
    case FieldType::Memo:
        return length >= 1;
    case FieldType::Numeric:
    case FieldType::Float:
        return length >= 1 && decimals < length;
    case FieldType::Date:
        return length == 8;
    case FieldType::Logical:
        return length == 1;
    }
    return false;
}

bool knownType(char letter) {
    return letter == 'C' || letter == 'N' || letter == 'F' || letter == 'D' || letter == 'L' ||
           letter == 'M';
}

void today(std::string& out, std::size_t at) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    out[at] = static_cast<char>(local.tm_year & 0xFF); // years since 1900, as peers read it
    out[at + 1] = static_cast<char>(local.tm_mon + 1);
    out[at + 2] = static_cast<char>(local.tm_mday);
}

} // namespace

DbfHeader readHeader(int fd, std::uint64_t fileSize, const std::string& path) {
    unsigned char head[FileHeaderSize];
    if (fileSize < FileHeaderSize + 1 ||
        readAt(fd, head, FileHeaderSize, 0, path) != FileHeaderSize) {
        throw DatabaseError("Not a dBase table: " + path);
    }
    DbfHeader header;
    header.version = head[0];
    if (!writableVersion(header.version) && !readOnlyVersion(header.version)) {
        throw DatabaseError("Not a dBase table: " + path);
    }
    header.readOnlyFormat = readOnlyVersion(header.version);
    header.updateYear = head[1];
    header.updateMonth = head[2];
    header.updateDay = head[3];
    header.recordCount = readU32(head + 4);
    header.headerLength = readU16(head + 8);
    header.recordLength = readU16(head + 10);
    header.mdxFlag = head[MdxFlagOffset] == 1;
    header.languageDriver = head[29];

    if (header.headerLength < static_cast<int>(FileHeaderSize + DescriptorSize + 1)) {
        damaged(path, "the header length " + std::to_string(header.headerLength) +
                          " is too small for one field");
    }
    if (static_cast<std::uint64_t>(header.headerLength) > fileSize) {
        damaged(path, "the header length " + std::to_string(header.headerLength) +
                          " is larger than the file");
    }
    std::string table(static_cast<std::size_t>(header.headerLength), '\0');
    if (readAt(fd, table.data(), table.size(), 0, path) != table.size()) {
        damaged(path, "the header could not be read whole");
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(table.data());

    int offset = 1;
    std::size_t at = FileHeaderSize;
    bool terminated = false;
    while (at + DescriptorSize <= table.size()) {
        if (bytes[at] == FieldTableEnd) {
            terminated = true;
            break;
        }
        const unsigned char* d = bytes + at;
        int number = static_cast<int>(header.fields.size()) + 1;
        char letter = static_cast<char>(d[11]);
        if (!knownType(letter)) {
            damaged(path, "field " + std::to_string(number) + " has the unknown type " +
                              (std::isprint(static_cast<unsigned char>(letter))
                                   ? "'" + std::string(1, letter) + "'"
                                   : "code " + std::to_string(d[11])));
        }
        FieldLayout field;
        field.def.name = descriptorName(d);
        field.def.type = static_cast<FieldType>(letter);
        field.def.length = d[16];
        field.def.decimals = field.def.type == FieldType::Character ? 0 : d[17];
        field.offset = offset;
        if (field.def.name.empty()) {
            damaged(path, "field " + std::to_string(number) + " has no name");
        }
        if (field.def.length == 0) {
            damaged(path, "field " + field.def.name + " has a length of 0");
        }
        if (!plausibleField(field.def.type, field.def.length, field.def.decimals)) {
            damaged(path, "field " + field.def.name + " has an impossible length " +
                              std::to_string(field.def.length) + "," +
                              std::to_string(field.def.decimals));
        }
        offset += field.def.length;
        header.fields.push_back(std::move(field));
        at += DescriptorSize;
    }
    // A last descriptor may end right at the header's end without a terminator; any other
    // leftover means the field table runs past the header.
    if (!terminated && at < table.size() && bytes[at] != FieldTableEnd) {
        damaged(path, "the field table does not fit the header");
    }
    if (header.fields.empty()) {
        damaged(path, "the table has no fields");
    }
    if (header.recordLength != offset) {
        damaged(path, "the record length " + std::to_string(header.recordLength) +
                          " is not 1 plus the field lengths (" + std::to_string(offset) + ")");
    }
    return header;
}

void checkFieldDefs(const std::vector<FieldDef>& fields) {
    if (fields.empty()) {
        throw DatabaseError("A table needs at least one field.");
    }
    if (fields.size() > 255) {
        throw DatabaseError("A table holds at most 255 fields.");
    }
    long recordLength = 1;
    for (const FieldDef& f : fields) {
        bool nameOk = !f.name.empty() && f.name.size() <= 10 &&
                      std::isalpha(static_cast<unsigned char>(f.name[0]));
        for (char c : f.name) {
            nameOk = nameOk && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
        }
        if (!nameOk) {
            throw DatabaseError("Invalid field name: \"" + f.name + "\"");
        }
        bool sizeOk = false;
        switch (f.type) {
        case FieldType::Character:
            sizeOk = f.length >= 1 && f.length <= 254 && f.decimals == 0;
            break;
        case FieldType::Numeric:
        case FieldType::Float:
            sizeOk = f.length >= 1 && f.length <= 20 && f.decimals >= 0 &&
                     (f.decimals == 0 || f.decimals <= f.length - 2);
            break;
        case FieldType::Date:
            sizeOk = f.length == 8 && f.decimals == 0;
            break;
        case FieldType::Logical:
            sizeOk = f.length == 1 && f.decimals == 0;
            break;
        case FieldType::Memo:
            throw DatabaseError("Memo fields cannot be created: " + f.name);
        }
        if (!sizeOk) {
            throw DatabaseError("Invalid size for field " + f.name + ": " +
                                std::to_string(f.length) + "," + std::to_string(f.decimals));
        }
        recordLength += f.length;
    }
    if (recordLength > 65535) {
        throw DatabaseError("The record is too long.");
    }
}

std::string encodeNewHeader(const std::vector<FieldDef>& fields) {
    checkFieldDefs(fields);
    std::size_t length = FileHeaderSize + DescriptorSize * fields.size() + 1;
    std::string out(length, '\0');
    out[0] = static_cast<char>(VersionWithoutMemo);
    today(out, 1);
    putU32(out, 4, 0);
    putU16(out, 8, static_cast<unsigned>(length));
    unsigned recordLength = 1;
    for (const FieldDef& f : fields) {
        recordLength += static_cast<unsigned>(f.length);
    }
    putU16(out, 10, recordLength);
    out[29] = static_cast<char>(LanguageDriverAnsi);
    std::size_t at = FileHeaderSize;
    for (const FieldDef& f : fields) {
        for (std::size_t i = 0; i < f.name.size(); ++i) {
            out[at + i] = static_cast<char>(std::toupper(static_cast<unsigned char>(f.name[i])));
        }
        out[at + 11] = static_cast<char>(f.type);
        out[at + 16] = static_cast<char>(f.length);
        out[at + 17] = static_cast<char>(f.decimals);
        at += DescriptorSize;
    }
    out[at] = FieldTableEnd;
    return out;
}

std::string encodeDateAndCount(std::uint32_t recordCount) {
    std::string out(7, '\0');
    today(out, 0);
    putU32(out, 3, recordCount);
    return out;
}

std::string encodeDate() {
    std::string out(3, '\0');
    today(out, 0);
    return out;
}

} // namespace dbase
