#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <unistd.h>

namespace testsupport {

namespace fs = std::filesystem;

namespace {

std::string under(const std::string& folder, const std::string& subfolder) {
    return subfolder.empty() ? folder : folder + "/" + subfolder;
}

} // namespace

TempFolder::TempFolder(const std::string& prefix, const TempFolderOptions& options)
    : restoreHome_(options.restoreHome_) {
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a test folder from " + pattern);
    path_ = pattern;
    if (options.createConfig_) {
        std::error_code error;
        fs::create_directories(under(path_, options.configSubfolder_), error);
        if (error) {
            fs::remove_all(path_, error);
            throw std::runtime_error("cannot create the configuration folder in " + path_);
        }
    }
    if (restoreHome_) {
        if (const char* home = std::getenv("HOME"))
            savedHome_ = home;
    }
    ::setenv("PNHOLD_HOME", under(path_, options.homeSubfolder_).c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", under(path_, options.configSubfolder_).c_str(), 1);
}

TempFolder::~TempFolder() {
    if (restoreHome_) {
        if (savedHome_)
            ::setenv("HOME", savedHome_->c_str(), 1);
        else
            ::unsetenv("HOME");
    }
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

} // namespace testsupport
