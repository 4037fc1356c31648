#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace forms {

// The file open and save dialogs, as one seam that tests answer from a script.
struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    QString filter;               // "Database Files (*.DBF)|*.DBF": description|pattern pairs
    QString defaultExtension;     // "DBF": added to a name typed without an extension
    QString initialPath;          // folder or file
    bool overwritePrompt = false; // save: ask before replacing an existing file
    bool fileMustExist = false;   // open: only existing files
    bool pathMustExist = false;   // the folder must exist
    QWidget* owner = nullptr;
};

// The chosen path (with the default extension added when none was typed), or nullopt on Cancel.
std::optional<QString> runFileDialog(const FileDialogRequest& request);

using FileDialogHandler = std::function<std::optional<QString>(const FileDialogRequest&)>;
void setFileDialogHandler(FileDialogHandler handler);

} // namespace forms
