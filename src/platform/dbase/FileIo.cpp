#include "platform/dbase/FileIo.h"

#include "platform/dbase/DatabaseError.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbase {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw DatabaseError(what + " " + path + ": " + std::strerror(errno));
}

} // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    reset();
}

int UniqueFd::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::reset() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

UniqueFd openFile(const std::string& path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail("Cannot open", path);
    }
    return UniqueFd(fd);
}

std::size_t readAt(int fd, void* buffer, std::size_t size, std::uint64_t offset,
                   const std::string& path) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("Cannot read", path);
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void writeAt(int fd, const void* data, std::size_t size, std::uint64_t offset,
             const std::string& path) {
    const auto* in = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd, in + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("Cannot write", path);
        }
        if (n == 0) {
            errno = EIO;
            fail("Cannot write", path);
        }
        done += static_cast<std::size_t>(n);
    }
}

std::uint64_t fileSize(int fd, const std::string& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        fail("Cannot examine", path);
    }
    return static_cast<std::uint64_t>(st.st_size);
}

void truncateFile(int fd, std::uint64_t size, const std::string& path) {
    int rc;
    do {
        rc = ::ftruncate(fd, static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        fail("Cannot resize", path);
    }
}

void syncData(int fd, const std::string& path) {
    if (::fdatasync(fd) != 0) {
        fail("Cannot flush", path);
    }
}

void syncFile(int fd, const std::string& path) {
    if (::fsync(fd) != 0) {
        fail("Cannot flush", path);
    }
}

void syncFolderOf(const std::string& path) {
    std::string folder = folderOf(path);
    UniqueFd dir = openFile(folder, O_RDONLY | O_DIRECTORY);
    // Some file systems refuse to sync a folder; the rename itself has happened.
    if (::fsync(dir.get()) != 0 && errno != EINVAL && errno != EROFS) {
        fail("Cannot flush", folder);
    }
}

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TempFile::TempFile(const std::string& target) : target_(target) {
    std::string pattern = folderOf(target) + "/." + fileNameOf(target) + ".XXXXXX";
    std::string buffer = pattern;
    int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        fail("Cannot create a file beside", target);
    }
    path_ = buffer;
    fd_ = UniqueFd(fd);
    // Keep the permissions of the file being replaced, or the usual ones for a new file.
    struct stat st {};
    mode_t mode = 0644;
    if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
}

TempFile::~TempFile() {
    if (!committed_) {
        ::unlink(path_.c_str());
    }
}

void TempFile::commit() {
    syncFile(fd_.get(), path_);
    if (::rename(path_.c_str(), target_.c_str()) != 0) {
        fail("Cannot replace", target_);
    }
    committed_ = true;
    syncFolderOf(target_);
}

} // namespace dbase
