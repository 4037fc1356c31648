#pragma once

#include "platform/dbase/FieldDef.h"

#include <string>
#include <vector>

namespace app {

// The 22 field definitions of a new item table, in field order.
std::vector<dbase::FieldDef> itemTableFieldDefs();

// Clears the production index flag (header byte 28) of the table file at path. Nothing happens
// when the file cannot be opened; a failed write or sync once it is open throws
// std::system_error naming the file.
void RemoveMDXByte(const std::string& path);

// True when the fields are those of an item table: exactly 22, named as the item fields in
// field order without regard to case. Types and widths are not compared.
bool hasItemTableFields(const std::vector<dbase::FieldLayout>& fields);

} // namespace app
