#include "OutputBuffer.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace pnhold_dbf {

OutputBuffer::OutputBuffer(int fd, std::size_t capacity)
    : fd_(fd), capacity_(capacity), data_(new char[capacity]) {}

OutputBuffer::~OutputBuffer() {
    try {
        flush();
    } catch (const std::exception&) {
        // A destructor cannot report; the commands call flush() themselves before returning.
    }
}

void OutputBuffer::put(std::string_view s) {
    reserve(s.size());
    std::memcpy(cursor(), s.data(), s.size());
    advance(s.size());
}

void OutputBuffer::flush() {
    std::size_t done = 0;
    while (done < used_) {
        const ssize_t n = ::write(fd_, data_.get() + done, used_ - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            used_ = 0;
            throw std::runtime_error(std::string("cannot write the output: ") +
                                     std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    used_ = 0;
}

void OutputBuffer::makeRoom(std::size_t bytes) {
    flush();
    if (bytes > capacity_) {
        data_.reset(new char[bytes]);
        capacity_ = bytes;
    }
}

} // namespace pnhold_dbf
