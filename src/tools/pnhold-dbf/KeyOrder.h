#pragma once

#include "platform/dbase/KeyExpression.h"
#include "platform/dbase/Table.h"

#include <cstdint>
#include <vector>

namespace pnhold_dbf {

// The visible rows of `table` (opened without a tag) in the order of `expression`: ascending
// keys, equal keys in record order. Built in memory; nothing is written.
std::vector<std::uint32_t> rowsInKeyOrder(const dbase::Table& table,
                                          const dbase::KeyExpression& expression);

} // namespace pnhold_dbf
