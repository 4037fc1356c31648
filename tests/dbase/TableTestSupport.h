#pragma once

#include "platform/dbase/Table.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace tabletest {

namespace fs = std::filesystem;

// A private folder per test, removed afterwards; the program's home and settings point there.
class TempFolder : public testsupport::TempFolder {
public:
    TempFolder() : testsupport::TempFolder("pnhold-table") {}
};

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The 22 fields the program creates its item table with.
inline std::vector<dbase::FieldDef> itemFields() {
    using dbase::FieldType;
    const FieldType C = FieldType::Character;
    return {{"Item", C, 40},
            {"Brand", C, 20},
            {"Model", C, 20},
            {"Serial", C, 20},
            {"Location", C, 30},
            {"Descriptio", C, 110},
            {"BoughtFrom", C, 40},
            {"IDMarks", C, 60},
            {"Quantity", FieldType::Numeric, 11, 0},
            {"PurchDate", FieldType::Date, 8},
            {"Cost", FieldType::Numeric, 20, 4},
            {"Category", C, 20},
            {"RepCost", FieldType::Numeric, 20, 4},
            {"Warranty", C, 3},
            {"WarDate", FieldType::Date, 8},
            {"WarNotes", C, 30},
            {"Owner", C, 30},
            {"Value", FieldType::Numeric, 20, 4},
            {"UserDef1", C, 40},
            {"UserDef2", C, 40},
            {"UserDef3", C, 40},
            {"UserDef4", C, 40}};
}

// A small table: NAME C(10), QTY N(6,0), WHEN D, OK L, PRICE N(9,2).
inline std::vector<dbase::FieldDef> smallFields() {
    using dbase::FieldType;
    return {{"NAME", FieldType::Character, 10},
            {"QTY", FieldType::Numeric, 6, 0},
            {"WHEN", FieldType::Date, 8},
            {"OK", FieldType::Logical, 1},
            {"PRICE", FieldType::Numeric, 9, 2}};
}

inline void openTable(dbase::Table& table, const std::string& folder, const std::string& name,
                      bool exclusive = false, bool readOnly = false) {
    table.setDatabaseName(folder);
    table.setTableName(name);
    table.setExclusive(exclusive);
    table.setReadOnly(readOnly);
    table.open();
}

// Appends one record, field texts in field order ("" leaves a field blank).
inline void appendTexts(dbase::Table& table, const std::vector<std::string>& texts) {
    table.insert();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        table.setFieldText(static_cast<int>(i), texts[i]);
    }
    table.post();
}

// The visible records' text of one field, in cursor order.
inline std::vector<std::string> column(dbase::Table& table, int field) {
    std::vector<std::string> out;
    for (table.first(); !table.eof(); table.next()) {
        out.push_back(table.fieldText(field));
    }
    return out;
}

} // namespace tabletest
