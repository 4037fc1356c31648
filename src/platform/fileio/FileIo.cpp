#include "platform/fileio/FileIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fileio {

namespace {

// errno is taken before the message is built, so no allocation can change it.
[[noreturn]] void fail(const char* what, const std::string& path, int error = errno) {
    throw std::system_error(error, std::generic_category(), std::string(what) + " " + path);
}

} // namespace

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
            fail("Cannot write", path, EIO);
        }
        done += static_cast<std::size_t>(n);
    }
}

std::size_t readSome(int fd, void* buffer, std::size_t size, const std::string& path) {
    for (;;) {
        ssize_t n = ::read(fd, buffer, size);
        if (n >= 0) {
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR) {
            fail("Cannot read", path);
        }
    }
}

void writeAll(int fd, std::string_view data, const std::string& path) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("Cannot write", path);
        }
        if (n == 0) {
            fail("Cannot write", path, ENOSPC);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
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

void closeFile(UniqueFd& fd, const std::string& path) {
    // Linux frees the descriptor even when close reports an error, so it is never retried.
    if (::close(fd.release()) != 0) {
        fail("Cannot close", path);
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

void syncFolderOfIfPossible(const std::string& path) noexcept {
    try {
        syncFolderOf(path);
    } catch (const std::exception&) {
        // The change has been made; only its durability across a crash is less certain.
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

mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

mode_t modeForReplacing(const std::string& target) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        return st.st_mode & 07777;
    }
    return newFileMode();
}

} // namespace fileio
