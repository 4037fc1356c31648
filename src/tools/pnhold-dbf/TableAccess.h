#pragma once

#include "platform/dbase/Table.h"

#include <string>

namespace pnhold_dbf {

enum class Access { ReadOnly, SharedWrite, Exclusive };

// Configures `table` for the file at `path` and opens it.
void openTable(dbase::Table& table, const std::string& path, Access access);

// The start of a record (its deletion flag) behind a view: a RecordView always covers one
// whole record, so the first field's bytes sit at that field's offset into it.
inline const char* recordStart(const dbase::RecordView& view,
                               const std::vector<dbase::FieldLayout>& fields) {
    return view.raw(0).data() - fields[0].offset;
}

} // namespace pnhold_dbf
