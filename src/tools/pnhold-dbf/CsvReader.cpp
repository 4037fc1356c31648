#include "CsvReader.h"

#include <stdexcept>

namespace pnhold_dbf {
namespace {

// No single field of a table can be longer than a record; anything far beyond that is not a
// CSV file of this kind, and stopping keeps a hostile file from taking all memory.
constexpr std::size_t kMaxFieldBytes = std::size_t{1} << 20;

} // namespace

CsvReader::CsvReader(const std::string& path)
    : in_(path, std::ios::binary), path_(path), buffer_(std::size_t{1} << 16) {
    if (!in_)
        throw std::runtime_error("cannot open " + path);
    if (get() == 0xEF) {
        if (get() != 0xBB || get() != 0xBF)
            throw std::runtime_error(path + ": line 1: not a UTF-8 text file");
    } else {
        pos_ = 0;
    }
}

int CsvReader::get() {
    if (pos_ == end_) {
        in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        end_ = static_cast<std::size_t>(in_.gcount());
        pos_ = 0;
        if (end_ == 0) {
            if (in_.bad())
                throw std::runtime_error("cannot read " + path_);
            return -1;
        }
    }
    return static_cast<unsigned char>(buffer_[pos_++]);
}

bool CsvReader::next(std::vector<std::string>& fields) {
    fields.clear();
    int c = get();
    if (c < 0)
        return false;
    rowLine_ = line_;
    std::string field;
    auto addChar = [&](int ch) {
        if (field.size() >= kMaxFieldBytes)
            throw std::runtime_error(path_ + ": line " + std::to_string(line_) +
                                     ": a field longer than 1 MiB");
        field.push_back(static_cast<char>(ch));
    };
    for (;;) {
        if (c == '"' && field.empty()) {
            const std::uint64_t startLine = line_;
            for (;;) { // a quoted field, up to its closing quote
                c = get();
                if (c < 0)
                    throw std::runtime_error(path_ + ": line " + std::to_string(startLine) +
                                             ": a quoted field is not closed");
                if (c == '"') {
                    c = get();
                    if (c != '"')
                        break;
                }
                if (c == '\n')
                    ++line_;
                addChar(c);
            }
            if (c != ',' && c != '\n' && c != '\r' && c >= 0)
                throw std::runtime_error(path_ + ": line " + std::to_string(line_) +
                                         ": text after a closing quote");
        }
        if (c == ',') {
            fields.push_back(std::move(field));
            field.clear();
            c = get();
            continue;
        }
        if (c == '\r') {
            c = get();
            if (c != '\n' && c >= 0)
                throw std::runtime_error(path_ + ": line " + std::to_string(line_) +
                                         ": a carriage return inside an unquoted field");
        }
        if (c == '\n' || c < 0) {
            if (c == '\n')
                ++line_;
            fields.push_back(std::move(field));
            return true;
        }
        if (c == '"')
            throw std::runtime_error(path_ + ": line " + std::to_string(line_) +
                                     ": a quote inside an unquoted field");
        addChar(c);
        c = get();
    }
}

} // namespace pnhold_dbf
