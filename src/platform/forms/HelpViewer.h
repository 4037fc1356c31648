#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace forms {

// The help viewer: a window beside the program that shows the help file (HTML) at its contents
// or at the section of a keyword. It is not modal; a second request reuses the open window.
// A missing or unreadable file is reported with a message naming it.
void showHelpContents(QWidget* owner, const QString& helpFilePath);
// The keyword is matched against the file's anchors without regard to case; an unknown keyword
// opens the contents.
void showHelpKeyword(QWidget* owner, const QString& helpFilePath, const QString& keyword);

// Tests install a handler that receives each request instead (an empty keyword means the
// contents); an empty handler restores the viewer.
using HelpHandler = std::function<void(const QString& helpFilePath, const QString& keyword)>;
void setHelpHandler(HelpHandler handler);

// The name of the anchor in the HTML that matches the keyword without regard to case, or an
// empty text when none does.
QString findHelpAnchor(const QString& html, const QString& keyword);

// The bundled help file's name in the program folder.
inline constexpr const char* HelpFileName = "PNHOLD.HLP";

// Copies the bundled help file into the program folder when it is not there yet (written
// safely). Returns false and sets the reason (naming the file) when it cannot be written.
bool installHelpFile(const QString& programFolder, QString* error = nullptr);

} // namespace forms
