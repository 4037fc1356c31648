#include "Commands.h"
#include "Cp1252.h"
#include "CsvWriter.h"
#include "TableAccess.h"
#include "TextMatch.h"

#include <iostream>

namespace pnhold_dbf {

int runCount(const Invocation& inv) {
    const std::string& spec = inv.options.at("--contains");
    const std::size_t eq = spec.find('=');
    const std::string fieldName = spec.substr(0, eq);
    bool lossless = true;
    const std::string text = cp1252FromUtf8(spec.substr(eq + 1), &lossless);

    dbase::Table table;
    openTable(table, inv.table(), Access::ReadOnly);
    const int field = table.fieldIndex(fieldName);
    if (field < 0)
        throw std::runtime_error("no field named " + fieldName + " in " + inv.table());
    const auto& fields = table.fields();
    const auto& layout = fields[static_cast<std::size_t>(field)];
    const bool character = layout.def.type == dbase::FieldType::Character;

    std::uint64_t hits = 0;
    // A character cp1252 cannot hold is in no record, so such a text matches nothing.
    if (lossless && layout.def.type != dbase::FieldType::Memo) {
        const ContainsMatcher matcher(text);
        const int rows = table.recordCount();
        for (int row = 0; row < rows; ++row) {
            const auto* s = reinterpret_cast<const unsigned char*>(
                recordStart(table.recordAt(row), fields) + layout.offset);
            const unsigned char* e = csv::trimRight(s, s + layout.def.length);
            if (!character)
                s = csv::trimLeft(s, e);
            hits += matcher.matches(s, static_cast<std::size_t>(e - s));
        }
    }
    std::cout << hits << '\n' << std::flush;
    if (!std::cout)
        throw std::runtime_error("cannot write the output");
    return 0;
}

} // namespace pnhold_dbf
