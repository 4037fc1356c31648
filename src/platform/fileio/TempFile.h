#pragma once

#include "platform/fileio/UniqueFd.h"

#include <string>
#include <sys/types.h>

namespace fileio {

// A new file beside its target that replaces the target only once it is complete and synced;
// it is removed again unless it was renamed over the target. Failures throw std::system_error
// as the calls in FileIo.h do. The steps are separate so that each caller can tell which one
// failed; commit() runs them in the usual order.
class TempFile {
public:
    // Created with no access for others (0600) until setMode says otherwise.
    explicit TempFile(const std::string& target);
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    int fd() const { return fd_.get(); }
    const std::string& path() const { return path_; }
    const std::string& target() const { return target_; }

    void setMode(mode_t mode);
    void sync();
    // Closes the descriptor now, reporting a failed close.
    void close();
    // Renames the file over the target; from then on it is the target and stays.
    void replaceTarget();
    // Syncs, replaces the target and syncs the folder; the descriptor stays open.
    void commit();
    // Hands over the descriptor (after commit it refers to the target).
    UniqueFd takeFd() { return std::move(fd_); }

private:
    std::string target_;
    std::string path_;
    UniqueFd fd_;
    bool replaced_ = false;
};

} // namespace fileio
