#pragma once

#include <QApplication>
#include <QString>

#include <exception>

namespace app {

// The application's default error report: an error of the table engine (or any other standard
// exception) that a command does not handle itself ends that command and is shown to the user
// with its own message, and the program goes on with its windows usable.
class ErrorReportApplication : public QApplication {
    Q_OBJECT

public:
    ErrorReportApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// The error's message for the user: the engine's texts are Windows-1252, others are local text.
QString errorMessage(const std::exception& error);

// Shows the message as the default error report does (title "Pennyhold Inventory").
void reportUnhandledError(const QString& text);

} // namespace app
