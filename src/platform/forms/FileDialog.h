#pragma once

#include <QString>
#include <QStringList>

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

// The "Description|pattern|Description|pattern" filter as Qt's name filters, one per pair, each
// "Description (patterns)" with the patterns separated by spaces.
QStringList qtNameFilters(const QString& filter);
// The path with "." + extension added when its file name has no extension.
QString withDefaultExtension(const QString& path, const QString& extension);

} // namespace forms
