#include "Commands.h"
#include "Cp1252.h"
#include "TableAccess.h"

namespace pnhold_dbf {

// The engine writes the index when the table closes; closing here, not in the destructor,
// lets a failure reach the user.

int runTagAdd(const Invocation& inv) {
    dbase::Table table;
    openTable(table, inv.table(), Access::Exclusive);
    table.addIndex(cp1252FromUtf8(inv.arguments[0]), cp1252FromUtf8(inv.arguments[1]));
    table.close();
    return 0;
}

int runTagDelete(const Invocation& inv) {
    dbase::Table table;
    openTable(table, inv.table(), Access::Exclusive);
    table.deleteIndex(cp1252FromUtf8(inv.arguments[0]));
    table.close();
    return 0;
}

int runPack(const Invocation& inv) {
    dbase::Table table;
    openTable(table, inv.table(), Access::Exclusive);
    table.pack();
    table.close();
    return 0;
}

int runReindex(const Invocation& inv) {
    dbase::Table table;
    openTable(table, inv.table(), Access::Exclusive);
    table.regenerateIndexes();
    table.close();
    return 0;
}

} // namespace pnhold_dbf
