#include "platform/forms/FileDialog.h"

#include "platform/forms/MessageBox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

#include <utility>

namespace forms {
namespace {

FileDialogHandler& installedHandler() {
    static FileDialogHandler handler;
    return handler;
}

QStringList patternsOf(const QString& patterns) {
    static const QRegularExpression separators("[;\\s]+");
    return patterns.split(separators, Qt::SkipEmptyParts);
}

// A folder chosen in the dialog must exist before a save or open goes ahead; the dialog itself
// checks the file, but a typed path may name a folder that is not there.
bool folderExists(const QString& path) {
    return QFileInfo(path).absoluteDir().exists();
}

std::optional<QString> runQtDialog(const FileDialogRequest& request) {
    QFileDialog dialog(request.owner, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    const bool saving = request.kind == FileDialogRequest::Kind::Save;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!saving && request.fileMustExist ? QFileDialog::ExistingFile
                                                        : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(saving && request.overwritePrompt));
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!request.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.initialPath.isEmpty()) {
        const QFileInfo initial(request.initialPath);
        if (initial.isDir()) {
            dialog.setDirectory(initial.absoluteFilePath());
        } else {
            dialog.setDirectory(initial.absolutePath());
            dialog.selectFile(initial.fileName());
        }
    }
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        const QString chosen =
            withDefaultExtension(dialog.selectedFiles().constFirst(), request.defaultExtension);
        if (request.pathMustExist && !folderExists(chosen)) {
            showError(request.owner,
                      "The folder " + QDir::toNativeSeparators(QFileInfo(chosen).absolutePath()) +
                          " does not exist.");
            continue;
        }
        return chosen;
    }
}

} // namespace

QStringList qtNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split('|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QStringList patterns = patternsOf(parts[i + 1]);
        if (patterns.isEmpty())
            continue;
        const QString shown = "(" + patterns.join(' ') + ")";
        // Qt reads the patterns from the description's closing parentheses, so they must be
        // exactly the pair's patterns.
        if (description.endsWith(shown))
            result.append(description);
        else if (description.isEmpty())
            result.append(shown);
        else
            result.append(description + " " + shown);
    }
    return result;
}

QString withDefaultExtension(const QString& path, const QString& extension) {
    if (path.isEmpty() || extension.isEmpty())
        return path;
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty() || name.contains('.'))
        return path;
    return path + "." + extension;
}

std::optional<QString> runFileDialog(const FileDialogRequest& request) {
    if (const FileDialogHandler& handler = installedHandler()) {
        std::optional<QString> answer = handler(request);
        if (answer)
            return withDefaultExtension(*answer, request.defaultExtension);
        return std::nullopt;
    }
    return runQtDialog(request);
}

void setFileDialogHandler(FileDialogHandler handler) {
    installedHandler() = std::move(handler);
}

} // namespace forms
