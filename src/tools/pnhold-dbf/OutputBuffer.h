#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace pnhold_dbf {

// A large buffer in front of a file descriptor, so the dump makes one write per megabyte.
// Callers reserve room for a whole record and then write without further checks.
class OutputBuffer {
public:
    explicit OutputBuffer(int fd, std::size_t capacity = std::size_t{1} << 20);
    ~OutputBuffer(); // flushes what is left, ignoring errors (call flush() to see them)
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Makes room for `bytes` more; throws std::runtime_error when writing fails.
    void reserve(std::size_t bytes) {
        if (capacity_ - used_ < bytes)
            makeRoom(bytes);
    }
    char* cursor() { return data_.get() + used_; }
    void advance(std::size_t bytes) { used_ += bytes; }
    void put(char c) { data_[used_++] = c; }
    void put(std::string_view s);
    void flush();

private:
    void makeRoom(std::size_t bytes);

    int fd_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    std::unique_ptr<char[]> data_;
};

} // namespace pnhold_dbf
