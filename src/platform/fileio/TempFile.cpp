#include "platform/fileio/TempFile.h"

#include "platform/fileio/FileIo.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fileio {

namespace {

[[noreturn]] void fail(const char* what, const std::string& path) {
    const int error = errno;
    throw std::system_error(error, std::generic_category(), std::string(what) + " " + path);
}

} // namespace

TempFile::TempFile(const std::string& target) : target_(target) {
    // Hidden and unique, in the target's own folder so that the rename cannot cross devices.
    std::string buffer = folderOf(target) + "/." + fileNameOf(target) + ".XXXXXX";
    int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        fail("Cannot create a file beside", target);
    }
    path_ = buffer;
    fd_ = UniqueFd(fd);
}

TempFile::~TempFile() {
    if (!replaced_) {
        ::unlink(path_.c_str());
    }
}

void TempFile::setMode(mode_t mode) {
    if (::fchmod(fd_.get(), mode) != 0) {
        fail("Cannot set the permissions of", path_);
    }
}

void TempFile::sync() {
    syncFile(fd_.get(), path_);
}

void TempFile::close() {
    closeFile(fd_, path_);
}

void TempFile::replaceTarget() {
    if (::rename(path_.c_str(), target_.c_str()) != 0) {
        fail("Cannot replace", target_);
    }
    replaced_ = true;
}

void TempFile::commit() {
    sync();
    replaceTarget();
    syncFolderOf(target_);
}

} // namespace fileio
