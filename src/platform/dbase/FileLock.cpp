#include "platform/dbase/FileLock.h"

#include "platform/dbase/DatabaseError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>

namespace dbase {

namespace {

struct flock lockRequest(std::uint64_t offset, short type) {
    struct flock request {};
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = static_cast<off_t>(offset);
    request.l_len = 1;
    request.l_pid = 0; // required for open-file-description locks
    return request;
}

short lockType(ByteLock::Kind kind) {
    return kind == ByteLock::Kind::Read ? F_RDLCK : F_WRLCK;
}

} // namespace

ByteLock::ByteLock(ByteLock&& other) noexcept : fd_(other.fd_), offset_(other.offset_) {
    other.fd_ = -1;
}

ByteLock& ByteLock::operator=(ByteLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        offset_ = other.offset_;
        other.fd_ = -1;
    }
    return *this;
}

ByteLock::~ByteLock() {
    release();
}

ByteLock ByteLock::tryAcquire(int fd, std::uint64_t offset, Kind kind) {
    struct flock request = lockRequest(offset, lockType(kind));
    if (::fcntl(fd, F_OFD_SETLK, &request) == 0) {
        return ByteLock(fd, offset);
    }
    if (errno == EAGAIN || errno == EACCES) {
        return ByteLock();
    }
    throw DatabaseError(std::string("Cannot lock the table: ") + std::strerror(errno));
}

bool ByteLock::wouldConflict(int fd, std::uint64_t offset, Kind kind) {
    struct flock request = lockRequest(offset, lockType(kind));
    if (::fcntl(fd, F_OFD_GETLK, &request) != 0) {
        throw DatabaseError(std::string("Cannot test the table's lock: ") + std::strerror(errno));
    }
    return request.l_type != F_UNLCK;
}

ByteLock ByteLock::acquire(int fd, std::uint64_t offset, Kind kind) {
    struct flock request = lockRequest(offset, lockType(kind));
    while (::fcntl(fd, F_OFD_SETLKW, &request) != 0) {
        if (errno != EINTR) {
            throw DatabaseError(std::string("Cannot lock the table: ") + std::strerror(errno));
        }
    }
    return ByteLock(fd, offset);
}

void ByteLock::release() {
    if (fd_ >= 0) {
        struct flock request = lockRequest(offset_, F_UNLCK);
        ::fcntl(fd_, F_OFD_SETLK, &request);
        fd_ = -1;
    }
}

} // namespace dbase
