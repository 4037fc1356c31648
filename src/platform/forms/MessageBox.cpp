#include "platform/forms/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <array>
#include <utility>

namespace forms {
namespace {

MessageHandler& installedHandler() {
    static MessageHandler handler;
    return handler;
}

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonKind {
    MessageButton ours;
    QMessageBox::StandardButton box;
};
constexpr std::array<ButtonKind, 4> ButtonKinds = {{
    {Yes, QMessageBox::Yes},
    {No, QMessageBox::No},
    {Ok, QMessageBox::Ok},
    {Cancel, QMessageBox::Cancel},
}};

// Closing the box without a button means the most cautious answer it offers.
int escapeAnswer(int buttons) {
    if (buttons & Cancel)
        return Cancel;
    if (buttons & No)
        return No;
    if (buttons & Ok)
        return Ok;
    return buttons & Yes;
}

int runBox(const Message& message) {
    const int buttons = (message.buttons & (Ok | Cancel | Yes | No)) ? message.buttons : Ok;
    QMessageBox box(boxIcon(message.icon), message.title, message.text, QMessageBox::NoButton,
                    message.owner);
    for (const ButtonKind& kind : ButtonKinds) {
        if (buttons & kind.ours)
            box.addButton(kind.box);
    }
    for (const ButtonKind& kind : ButtonKinds) {
        if ((message.defaultButton & kind.ours) && (buttons & kind.ours)) {
            box.setDefaultButton(kind.box);
            break;
        }
    }
    const int escape = escapeAnswer(buttons);
    for (const ButtonKind& kind : ButtonKinds) {
        if (escape == kind.ours)
            box.setEscapeButton(kind.box);
    }
    if (message.beep)
        QApplication::beep();
    box.exec();
    const auto* clicked = box.clickedButton();
    for (const ButtonKind& kind : ButtonKinds) {
        if ((buttons & kind.ours) && clicked == box.button(kind.box))
            return kind.ours;
    }
    return escape;
}

} // namespace

int showMessage(const Message& message) {
    if (const MessageHandler& handler = installedHandler())
        return handler(message);
    return runBox(message);
}

void setMessageHandler(MessageHandler handler) {
    installedHandler() = std::move(handler);
}

void showError(QWidget* owner, const QString& text) {
    showMessage({text, "Error", Ok, MessageIcon::Error, Ok, false, owner});
}

void showNotice(QWidget* owner, const QString& text, const QString& title) {
    showMessage({text, title, Ok, MessageIcon::Information, Ok, false, owner});
}

bool askYesNo(QWidget* owner, const QString& text, const QString& title) {
    return showMessage({text, title, Yes | No, MessageIcon::Question, Yes, false, owner}) == Yes;
}

bool askWarning(QWidget* owner, const QString& text) {
    return showMessage({text, "Warning", Yes | No, MessageIcon::Warning, Yes, true, owner}) == Yes;
}

} // namespace forms
