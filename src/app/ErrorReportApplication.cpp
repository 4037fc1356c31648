#include "app/ErrorReportApplication.h"

#include "platform/dbase/DatabaseError.h"
#include "platform/forms/AnsiText.h"
#include "platform/forms/MessageBox.h"

namespace app {

ErrorReportApplication::ErrorReportApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ErrorReportApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        // The table engine's errors (dbase::DatabaseError) are among these: their messages are
        // meant for the user as they stand.
        reportUnhandledError(errorMessage(error));
    }
    return false;
}

QString errorMessage(const std::exception& error) {
    if (dynamic_cast<const dbase::DatabaseError*>(&error))
        return forms::fromAnsi(error.what());
    return QString::fromLocal8Bit(error.what());
}

void reportUnhandledError(const QString& text) {
    forms::Message message;
    message.text = text;
    message.title = "Pennyhold Inventory";
    message.buttons = forms::Ok;
    message.icon = forms::MessageIcon::Error;
    message.owner = QApplication::activeWindow();
    forms::showMessage(message);
}

} // namespace app
