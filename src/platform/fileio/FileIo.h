#pragma once

#include "platform/fileio/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

// Checked file calls. Every failure throws std::system_error carrying errno and a short what
// that names the file ("Cannot read <path>"), so each caller can phrase its own message.
namespace fileio {

UniqueFd openFile(const std::string& path, int flags, mode_t mode = 0644);
// Reads up to size bytes at offset; fewer only at the end of the file.
std::size_t readAt(int fd, void* buffer, std::size_t size, std::uint64_t offset,
                   const std::string& path);
// Writes all of it at offset; a write that stores nothing counts as an I/O error.
void writeAt(int fd, const void* data, std::size_t size, std::uint64_t offset,
             const std::string& path);
// One read at the current position: 0 only at the end of the file.
std::size_t readSome(int fd, void* buffer, std::size_t size, const std::string& path);
// Writes all of it at the current position; a write that stores nothing means a full disk.
void writeAll(int fd, std::string_view data, const std::string& path);
std::uint64_t fileSize(int fd, const std::string& path);
void truncateFile(int fd, std::uint64_t size, const std::string& path);
void syncData(int fd, const std::string& path);
void syncFile(int fd, const std::string& path);
// Closes now and reports the result, which a writer must not ignore.
void closeFile(UniqueFd& fd, const std::string& path);

// Makes a rename or unlink in the folder durable; file systems that cannot sync a folder are
// accepted.
void syncFolderOf(const std::string& path);
// The same where the change already stands and a failed sync must not undo its success.
void syncFolderOfIfPossible(const std::string& path) noexcept;

std::string folderOf(const std::string& path);
std::string fileNameOf(const std::string& path);

// What a new file gets: everything the umask allows.
mode_t newFileMode();
// The permissions of the file being replaced, or those of a new file.
mode_t modeForReplacing(const std::string& target);

} // namespace fileio
