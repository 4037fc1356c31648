#pragma once

namespace fileio {

// Owns one file descriptor; closing it also drops every open-file-description lock it holds.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    // Closes quietly; a writer that must learn of a failed close uses closeFile instead.
    void reset();

private:
    int fd_ = -1;
};

} // namespace fileio
