#pragma once

#include "platform/dbase/FieldDef.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pnhold_dbf {

// The table file as its bytes say, read without the engine, so that `check` can judge what
// the engine would quietly repair.
struct RawDbf {
    std::uint64_t fileSize = 0;
    std::uint8_t version = 0;
    std::uint32_t headerCount = 0;
    int headerLength = 0;
    int recordLength = 0;
    std::uint8_t productionIndexFlag = 0;
    std::vector<dbase::FieldLayout> fields;
    std::uint32_t wholeRecords = 0; // records that fit between the header and the end
    // Records both the header and the file have: what a reader may go through.
    std::uint32_t readableRecords() const { return std::min(headerCount, wholeRecords); }
};

// Reads the header and the field descriptors, adding a line to `faults` for everything out of
// place. Throws std::runtime_error when the file cannot be read at all. `usable` is false when
// the descriptors are too damaged to read records by them.
RawDbf inspectDbf(const std::string& path, std::vector<std::string>& faults, bool& usable);

// Calls visit(recordNumber, recordBytes) for records 1..readableRecords(), in file order,
// reading large blocks.
void forEachRecord(const std::string& path, const RawDbf& table,
                   const std::function<void(std::uint32_t, const char*)>& visit);

} // namespace pnhold_dbf
