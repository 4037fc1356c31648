#pragma once

#include "platform/fileio/TempFile.h"
#include "platform/fileio/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace dbase {

using UniqueFd = fileio::UniqueFd;

// Every call names the file in its DatabaseError so the user learns which file failed.
UniqueFd openFile(const std::string& path, int flags, mode_t mode = 0644);
// Reads up to size bytes at offset; fewer only at the end of the file.
std::size_t readAt(int fd, void* buffer, std::size_t size, std::uint64_t offset,
                   const std::string& path);
void writeAt(int fd, const void* data, std::size_t size, std::uint64_t offset,
             const std::string& path);
std::uint64_t fileSize(int fd, const std::string& path);
void truncateFile(int fd, std::uint64_t size, const std::string& path);
void syncData(int fd, const std::string& path);
void syncFile(int fd, const std::string& path);
// Makes a rename or unlink in the folder durable.
void syncFolderOf(const std::string& path);

std::string folderOf(const std::string& path);
std::string fileNameOf(const std::string& path);
bool fileExists(const std::string& path);

// A new file beside its target, removed again unless commit() renamed it over the target.
class TempFile {
public:
    explicit TempFile(const std::string& target);
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return file_.fd(); }
    const std::string& path() const { return file_.path(); }
    // Syncs the data, renames it over the target and syncs the folder.
    void commit();
    // Hands over the descriptor (after commit it refers to the target).
    UniqueFd takeFd() { return file_.takeFd(); }

private:
    fileio::TempFile file_;
};

} // namespace dbase
