#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace pnhold_dbf {

// Reads RFC 4180 rows from a file: fields separated by commas, quoted fields with doubled
// quotes and embedded line breaks, lines ended by CRLF or LF. A UTF-8 byte order mark at the
// start is skipped. Malformed input is a std::runtime_error naming the line.
class CsvReader {
public:
    explicit CsvReader(const std::string& path);

    // The next row's fields; false at the end of the file. A blank line is a row of one empty
    // field, which callers skip.
    bool next(std::vector<std::string>& fields);
    // The line on which the last row returned began (from 1).
    std::uint64_t rowLine() const { return rowLine_; }

private:
    int get();

    std::ifstream in_;
    std::string path_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t line_ = 1;
    std::uint64_t rowLine_ = 0;
};

} // namespace pnhold_dbf
