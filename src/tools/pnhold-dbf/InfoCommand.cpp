#include "Commands.h"
#include "Cp1252.h"
#include "TableAccess.h"

#include <cstdio>
#include <iostream>
#include <sstream>

namespace pnhold_dbf {
namespace {

std::string hexByte(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

std::string dateText(const dbase::Date& d) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
    return text;
}

} // namespace

int runInfo(const Invocation& inv) {
    dbase::Table table;
    openTable(table, inv.table(), Access::ReadOnly);
    const dbase::TableInfo info = table.info();
    std::ostringstream out;
    out << "Table:             " << table.path() << '\n'
        << "Version byte:      " << hexByte(info.version)
        << (info.readOnlyFormat ? " (read only: a format the engine does not write)" : "") << '\n'
        << "Last update:       " << dateText(info.lastUpdate) << '\n'
        << "Header length:     " << info.headerLength << '\n'
        << "Record length:     " << info.recordLength << '\n'
        << "Header count:      " << info.headerRecordCount << '\n'
        << "Records:           " << info.physicalRecords << '\n'
        << "Deleted:           " << info.deletedRecords << '\n'
        << "Live:              " << table.recordCount() << '\n'
        << "Language driver:   " << hexByte(info.languageDriver) << '\n'
        << "Byte 28 (index):   " << (info.productionIndexFlag ? 1 : 0) << '\n';
    if (!info.repairNote.empty())
        out << "Note:              " << utf8FromCp1252(info.repairNote) << '\n';
    out << "Fields:            " << table.fieldCount() << '\n';
    int number = 1;
    for (const auto& f : table.fields()) {
        char line[96];
        std::snprintf(line, sizeof line, "  %2d  %-10s  %c  %3d  %2d\n", number++,
                      utf8FromCp1252(f.def.name).c_str(), static_cast<char>(f.def.type),
                      f.def.length, f.def.decimals);
        out << line;
    }
    const auto tags = table.indexTags();
    out << "Tags:              " << tags.size() << '\n';
    for (const auto& tag : tags) {
        char line[64];
        std::snprintf(line, sizeof line, "  %-10s  %c  %3d  ", utf8FromCp1252(tag.name).c_str(),
                      tag.keyType, tag.keyLength);
        out << line << utf8FromCp1252(tag.expression) << '\n';
    }
    std::cout << out.str() << std::flush;
    if (!std::cout)
        throw std::runtime_error("cannot write the output");
    return 0;
}

} // namespace pnhold_dbf
