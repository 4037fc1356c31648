#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace forms {

enum MessageButton : int { Ok = 0x1, Cancel = 0x2, Yes = 0x4, No = 0x8 };

enum class MessageIcon { None, Information, Warning, Error, Question };

// One modal message box: every message of every window goes through showMessage, so tests can
// record the exact texts and answer from a script.
struct Message {
    QString text;
    QString title;
    int buttons = Ok; // an or of MessageButton
    MessageIcon icon = MessageIcon::None;
    int defaultButton = 0; // 0: the platform's choice
    bool beep = false;     // the system's question beep before the box
    QWidget* owner = nullptr;
};

// Shows the message (or hands it to the installed handler) and returns the button pressed.
int showMessage(const Message& message);

// Tests install a handler that answers instead of a real modal loop; an empty one restores it.
using MessageHandler = std::function<int(const Message&)>;
void setMessageHandler(MessageHandler handler);

// The common kinds, with the titles the program uses.
void showError(QWidget* owner, const QString& text);                        // "Error", OK
void showNotice(QWidget* owner, const QString& text, const QString& title); // information, OK
bool askYesNo(QWidget* owner, const QString& text, const QString& title);   // true on Yes
bool askWarning(QWidget* owner, const QString& text);                       // "Warning", beep

} // namespace forms
