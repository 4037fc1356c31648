#include "Commands.h"
#include "Cp1252.h"
#include "CsvReader.h"
#include "TableAccess.h"

#include <iostream>

namespace pnhold_dbf {
namespace {

// A row that cannot be appended; its message already names the row and what went before.
class RowError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Target {
    int field;
    bool date;
};

std::vector<Target> targetsOf(const std::vector<std::string>& header, const dbase::Table& table,
                              const std::string& csvPath) {
    std::vector<Target> targets;
    std::vector<bool> used(static_cast<std::size_t>(table.fieldCount()), false);
    for (const std::string& name : header) {
        const int field = table.fieldIndex(cp1252FromUtf8(name));
        if (field < 0)
            throw std::runtime_error(csvPath + ": the header names " + name +
                                     ", which is not a field of " + table.path());
        if (used[static_cast<std::size_t>(field)])
            throw std::runtime_error(csvPath + ": the header names " + name + " twice");
        used[static_cast<std::size_t>(field)] = true;
        targets.push_back({field, table.fields()[static_cast<std::size_t>(field)].def.type ==
                                      dbase::FieldType::Date});
    }
    return targets;
}

// Dates are taken as the dump writes them (YYYY-MM-DD) or as stored (YYYYMMDD); anything else
// goes to the engine as it is, which refuses it with its own message.
std::string dateValue(const std::string& text) {
    if (text.size() == 10 && text[4] == '-' && text[7] == '-')
        return text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2);
    return text;
}

class BulkScope {
public:
    BulkScope(dbase::Table& table, bool on) : table_(table), on_(on) {
        if (on_)
            table_.beginBulk();
    }
    // Syncs what was posted; a failure to sync must be reported, so callers end it themselves
    // on the normal path and this destructor only covers an error already on its way.
    ~BulkScope() {
        if (on_) {
            try {
                table_.endBulk();
            } catch (const std::exception&) {
            }
        }
    }
    void end() {
        if (on_) {
            on_ = false;
            table_.endBulk();
        }
    }

private:
    dbase::Table& table_;
    bool on_;
};

} // namespace

int runAppend(const Invocation& inv) {
    const std::string& csvPath = inv.options.at("--csv");
    CsvReader reader(csvPath);
    dbase::Table table;
    openTable(table, inv.table(), Access::SharedWrite);

    std::vector<std::string> row;
    if (!reader.next(row))
        throw std::runtime_error(csvPath + ": no header line");
    const std::vector<Target> targets = targetsOf(row, table, csvPath);
    const auto& fields = table.fields();

    std::uint64_t appended = 0;
    std::uint64_t rowNumber = 0;
    auto failure = [&](const std::string& what) {
        return RowError(csvPath + ": row " + std::to_string(rowNumber) + " (line " +
                        std::to_string(reader.rowLine()) + ")" + what + "; " +
                        std::to_string(appended) + " rows appended before it");
    };
    BulkScope bulk(table, inv.has("--bulk"));
    try {
        while (reader.next(row)) {
            ++rowNumber;
            if (row.size() == 1 && row[0].empty())
                continue; // a blank line
            if (row.size() != targets.size())
                throw failure(": " + std::to_string(row.size()) + " values where the header has " +
                              std::to_string(targets.size()));
            table.insert();
            for (std::size_t i = 0; i < targets.size(); ++i) {
                const Target& t = targets[i];
                std::string value = cp1252FromUtf8(row[i]);
                try {
                    table.setFieldText(t.field, t.date ? dateValue(value) : value);
                } catch (const dbase::DatabaseError& e) {
                    table.cancel();
                    throw failure(
                        ", field " +
                        utf8FromCp1252(fields[static_cast<std::size_t>(t.field)].def.name) + ": " +
                        utf8FromCp1252(e.what()));
                }
            }
            try {
                table.post();
            } catch (const dbase::DatabaseError& e) {
                table.cancel();
                throw failure(": " + utf8FromCp1252(e.what()));
            }
            ++appended;
        }
    } catch (const RowError&) {
        throw;
    } catch (const dbase::DatabaseError& e) {
        throw failure(": " + utf8FromCp1252(e.what()));
    } catch (const std::runtime_error& e) { // the CSV file itself is malformed
        throw std::runtime_error(std::string(e.what()) + "; " + std::to_string(appended) +
                                 " rows appended before it");
    }
    bulk.end();
    table.close();
    std::cout << appended << " rows appended\n" << std::flush;
    return 0;
}

} // namespace pnhold_dbf
