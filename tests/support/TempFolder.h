#pragma once

#include <optional>
#include <string>
#include <utility>

namespace testsupport {

// How a test folder is laid out. By default PNHOLD_HOME and XDG_CONFIG_HOME both point at the
// folder itself.
class TempFolderOptions {
public:
    // PNHOLD_HOME points at this subfolder, which is not created.
    TempFolderOptions& homeIn(std::string subfolder) {
        homeSubfolder_ = std::move(subfolder);
        return *this;
    }
    // XDG_CONFIG_HOME points at this subfolder.
    TempFolderOptions& configIn(std::string subfolder) {
        configSubfolder_ = std::move(subfolder);
        return *this;
    }
    // Creates the configuration subfolder, for tests that expect it to exist already.
    TempFolderOptions& createConfig() {
        createConfig_ = true;
        return *this;
    }
    // Saves HOME and puts it back afterwards, for tests that change it.
    TempFolderOptions& restoreHome() {
        restoreHome_ = true;
        return *this;
    }

private:
    friend class TempFolder;
    std::string homeSubfolder_;
    std::string configSubfolder_;
    bool createConfig_ = false;
    bool restoreHome_ = false;
};

// A private folder for one test, named from prefix under the system's temporary folder and
// removed afterwards with everything in it; PNHOLD_HOME and XDG_CONFIG_HOME point into it.
// Throws std::runtime_error when the folder cannot be made, so the test fails instead of
// writing somewhere shared.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix, const TempFolderOptions& options = {});
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
    bool restoreHome_ = false;
    std::optional<std::string> savedHome_;
};

} // namespace testsupport
