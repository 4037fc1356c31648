#pragma once

#include "platform/dbase/FieldDef.h"

#include <cstddef>
#include <vector>

namespace pnhold_dbf {

// Turns records of one table into CSV lines: texts trimmed of trailing blanks and in UTF-8,
// numbers as stored without padding, dates YYYY-MM-DD, logicals T or F, memo fields empty.
class CsvRecord {
public:
    explicit CsvRecord(const std::vector<dbase::FieldLayout>& fields);

    // The room one line (with its CRLF) can take at most.
    std::size_t maxLineBytes() const { return maxLine_; }
    // Writes the line of the record (deletion flag at record[0]) at o; returns its end.
    char* write(char* o, const unsigned char* record) const;
    // The field names as a CSV line; o has room for maxLineBytes().
    char* writeHeader(char* o) const;

private:
    enum class Kind : unsigned char { Text, Number, Date, Logical, Empty };
    struct Column {
        int offset;
        int length;
        Kind kind;
    };
    std::vector<Column> columns_;
    const std::vector<dbase::FieldLayout>& fields_;
    std::size_t maxLine_ = 0;
};

} // namespace pnhold_dbf
