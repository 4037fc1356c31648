#include "platform/dbase/FileIo.h"

#include "platform/dbase/DatabaseError.h"
#include "platform/fileio/FileIo.h"

#include <sys/stat.h>
#include <system_error>
#include <utility>

namespace dbase {

namespace {

// The shared calls already word their failures as this engine reports them.
template <typename Call> decltype(auto) reporting(Call&& call) {
    try {
        return std::forward<Call>(call)();
    } catch (const std::system_error& error) {
        throw DatabaseError(error.what());
    }
}

} // namespace

UniqueFd openFile(const std::string& path, int flags, mode_t mode) {
    return reporting([&] { return fileio::openFile(path, flags, mode); });
}

std::size_t readAt(int fd, void* buffer, std::size_t size, std::uint64_t offset,
                   const std::string& path) {
    return reporting([&] { return fileio::readAt(fd, buffer, size, offset, path); });
}

void writeAt(int fd, const void* data, std::size_t size, std::uint64_t offset,
             const std::string& path) {
    reporting([&] { fileio::writeAt(fd, data, size, offset, path); });
}

std::uint64_t fileSize(int fd, const std::string& path) {
    return reporting([&] { return fileio::fileSize(fd, path); });
}

void truncateFile(int fd, std::uint64_t size, const std::string& path) {
    reporting([&] { fileio::truncateFile(fd, size, path); });
}

void syncData(int fd, const std::string& path) {
    reporting([&] { fileio::syncData(fd, path); });
}

void syncFile(int fd, const std::string& path) {
    reporting([&] { fileio::syncFile(fd, path); });
}

void syncFolderOf(const std::string& path) {
    reporting([&] { fileio::syncFolderOf(path); });
}

std::string folderOf(const std::string& path) {
    return fileio::folderOf(path);
}

std::string fileNameOf(const std::string& path) {
    return fileio::fileNameOf(path);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TempFile::TempFile(const std::string& target) try : file_(target) {
    try {
        file_.setMode(fileio::modeForReplacing(target));
    } catch (const std::system_error&) {
        // The permissions are a courtesy to the user; the data is written all the same.
    }
} catch (const std::system_error& error) {
    throw DatabaseError(error.what());
}

void TempFile::commit() {
    reporting([&] { file_.commit(); });
}

} // namespace dbase
