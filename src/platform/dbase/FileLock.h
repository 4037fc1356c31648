#pragma once

#include <cstdint>

namespace dbase {

// Lock bytes far past any table's data, so ordinary reads and writes are never blocked and
// programs that follow the same convention see each other.
inline constexpr std::uint64_t OpenLockOffset = 0x7F00000000ull;   // shared: read, exclusive: write
inline constexpr std::uint64_t AppendLockOffset = 0x7F00000001ull; // held while appending

// An open-file-description lock on one byte, released by its destructor. Locks of this kind
// belong to the open file, so two handles in one process conflict like two processes do.
class ByteLock {
public:
    enum class Kind { Read, Write };

    ByteLock() = default;
    ByteLock(ByteLock&& other) noexcept;
    ByteLock& operator=(ByteLock&& other) noexcept;
    ByteLock(const ByteLock&) = delete;
    ByteLock& operator=(const ByteLock&) = delete;
    ~ByteLock();

    // Gives an empty lock when another holder conflicts; throws for any other failure.
    static ByteLock tryAcquire(int fd, std::uint64_t offset, Kind kind);
    // Whether another holder would refuse this lock (for handles that may not hold it).
    static bool wouldConflict(int fd, std::uint64_t offset, Kind kind);
    // Waits for conflicting holders to let go.
    static ByteLock acquire(int fd, std::uint64_t offset, Kind kind);

    bool held() const { return fd_ >= 0; }
    void release();

private:
    ByteLock(int fd, std::uint64_t offset) : fd_(fd), offset_(offset) {}
    int fd_ = -1;
    std::uint64_t offset_ = 0;
};

} // namespace dbase
