#pragma once

#include "platform/dbase/KeyExpression.h"
#include "platform/dbase/Table.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace pnhold_dbf {

// The visible rows of `table` (opened without a tag) in the order of `expression`: ascending
// keys, equal keys in record order. Built in memory; nothing is written. The records are read
// once, in file order; `visit` (when given) sees each of them on the way.
using RecordVisitor = std::function<void(std::uint32_t row, const char* record)>;
std::vector<std::uint32_t> rowsInKeyOrder(const dbase::Table& table,
                                          const dbase::KeyExpression& expression,
                                          const RecordVisitor& visit = {});

} // namespace pnhold_dbf
