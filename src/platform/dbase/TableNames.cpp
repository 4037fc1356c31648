#include "platform/dbase/TableNames.h"

#include "platform/dbase/FileIo.h"

#include <cctype>
#include <dirent.h>
#include <memory>

namespace dbase {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool hasTableExtension(std::string_view name) {
    return name.size() > 4 && sameName(name.substr(name.size() - 4), ".DBF");
}

namespace {

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty()) {
        return name;
    }
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The exact spelling of an existing file in the folder whose name matches without regard to
// case; empty when there is none.
std::string findIgnoringCase(const std::string& folder, const std::string& name) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) {
        return {};
    }
    while (dirent* entry = ::readdir(dir.get())) {
        std::string candidate = entry->d_name;
        if (sameName(candidate, name) && fileExists(join(folder, candidate))) {
            return join(folder, candidate);
        }
    }
    return {};
}

} // namespace

std::string resolveTablePath(const std::string& folder, const std::string& name) {
    std::string given = join(folder, name);
    if (hasTableExtension(name)) {
        if (fileExists(given)) {
            return given;
        }
        std::string found = findIgnoringCase(folderOf(given), fileNameOf(given));
        return found.empty() ? given : found;
    }
    for (const char* extension : {".DBF", ".dbf"}) {
        if (fileExists(given + extension)) {
            return given + extension;
        }
    }
    std::string found = findIgnoringCase(folderOf(given), fileNameOf(given) + ".DBF");
    return found.empty() ? given + ".DBF" : found;
}

std::string resolveIndexPath(const std::string& tablePath) {
    std::string base =
        hasTableExtension(tablePath) ? tablePath.substr(0, tablePath.size() - 4) : tablePath;
    bool lowerCase =
        hasTableExtension(tablePath) && tablePath.substr(tablePath.size() - 3) == "dbf";
    for (const char* extension : {".MDX", ".mdx"}) {
        if (fileExists(base + extension)) {
            return base + extension;
        }
    }
    std::string found = findIgnoringCase(folderOf(base), fileNameOf(base) + ".MDX");
    if (!found.empty()) {
        return found;
    }
    return base + (lowerCase ? ".mdx" : ".MDX");
}

} // namespace dbase
