#include "TableAccess.h"

#include <filesystem>

namespace pnhold_dbf {

void openTable(dbase::Table& table, const std::string& path, Access access) {
    const std::filesystem::path file(path);
    const std::filesystem::path folder = file.parent_path();
    table.setDatabaseName(folder.empty() ? std::string(".") : folder.string());
    table.setTableName(file.filename().string());
    table.setReadOnly(access == Access::ReadOnly);
    table.setExclusive(access == Access::Exclusive);
    table.open();
    if (table.fieldCount() == 0)
        throw dbase::DatabaseError("Not a dBase table: " + path + " has no fields.");
}

} // namespace pnhold_dbf
