#include "platform/forms/DbNavigator.h"

#include "platform/forms/DataSource.h"
#include "platform/forms/MessageBox.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QToolButton>

#include <exception>

namespace forms {
namespace {

struct ButtonLook {
    const char* hint;
    const char* themeIcon;
    const char* text; // shown when the desktop theme has no icon
};

constexpr std::array<ButtonLook, DbNavigator::ButtonCount> Looks = {{
    {"First record", "go-first", "|<"},
    {"Prior record", "go-previous", "<"},
    {"Next record", "go-next", ">"},
    {"Last record", "go-last", ">|"},
    {"Insert record", "list-add", "+"},
    {"Delete record", "list-remove", "-"},
    {"Edit record", "document-properties", "^"},
    {"Post edit", "dialog-ok", "\u2713"},
    {"Cancel edit", "dialog-cancel", "\u2715"},
    {"Refresh data", "view-refresh", "\u21BB"},
}};

} // namespace

DbNavigator::DbNavigator(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (int i = 0; i < ButtonCount; ++i) {
        const ButtonLook& look = Looks[static_cast<std::size_t>(i)];
        auto* button = new QToolButton(this);
        button->setToolTip(look.hint);
        button->setAccessibleName(look.hint);
        button->setAutoRaise(false);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        const QIcon icon = QIcon::fromTheme(look.themeIcon);
        if (icon.isNull()) {
            button->setText(QString::fromUtf8(look.text));
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        } else {
            button->setIcon(icon);
            button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        }
        connect(button, &QToolButton::clicked, this, [this, i] { run(static_cast<Button>(i)); });
        row->addWidget(button);
        buttons_[static_cast<std::size_t>(i)] = button;
        visible_[static_cast<std::size_t>(i)] = true;
    }
    updateButtons();
}

void DbNavigator::setDataSource(DataSource* source) {
    if (source == source_)
        return;
    if (source_ != nullptr)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    if (source_ != nullptr) {
        connect(source_, &DataSource::dataChanged, this, &DbNavigator::updateButtons);
        connect(source_, &DataSource::currentChanged, this, &DbNavigator::updateButtons);
        connect(source_, &DataSource::stateChanged, this, &DbNavigator::updateButtons);
        connect(source_, &QObject::destroyed, this, [this] {
            source_ = nullptr;
            updateButtons();
        });
    }
    updateButtons();
}

void DbNavigator::setVisibleButtons(const QList<Button>& shown) {
    for (int i = 0; i < ButtonCount; ++i) {
        const bool visible = shown.contains(static_cast<Button>(i));
        visible_[static_cast<std::size_t>(i)] = visible;
        buttons_[static_cast<std::size_t>(i)]->setVisible(visible);
    }
}

bool DbNavigator::isButtonVisible(Button which) const {
    return visible_[static_cast<std::size_t>(which)];
}

bool DbNavigator::isButtonEnabled(Button which) const {
    return buttons_[static_cast<std::size_t>(which)]->isEnabled();
}

QToolButton* DbNavigator::button(Button which) const {
    return buttons_[static_cast<std::size_t>(which)];
}

void DbNavigator::press(Button which) {
    if (isButtonVisible(which) && isButtonEnabled(which))
        run(which);
}

void DbNavigator::updateButtons() {
    std::array<bool, ButtonCount> enabled{};
    if (source_ != nullptr && source_->isOpen()) {
        const int row = source_->currentRow();
        const int rows = source_->rowCount();
        const bool editing = source_->isEditing();
        const bool modify = source_->canModify();
        const bool up = row > 0;
        const bool down = row >= 0 && row < rows - 1;
        enabled[First] = up;
        enabled[Prior] = up;
        enabled[Next] = down;
        enabled[Last] = down;
        enabled[Insert] = modify && !editing;
        enabled[Delete] = modify && !editing && rows > 0;
        enabled[Edit] = modify && !editing && rows > 0;
        enabled[Post] = editing;
        enabled[Cancel] = editing;
        enabled[Refresh] = !editing;
    }
    for (int i = 0; i < ButtonCount; ++i)
        buttons_[static_cast<std::size_t>(i)]->setEnabled(enabled[static_cast<std::size_t>(i)]);
}

void DbNavigator::run(Button which) {
    if (source_ == nullptr)
        return;
    try {
        switch (which) {
        case First:
            source_->first();
            break;
        case Prior:
            source_->prior();
            break;
        case Next:
            source_->next();
            break;
        case Last:
            source_->last();
            break;
        case Insert:
            source_->insert();
            break;
        case Delete:
            if (confirmDelete_ && !askYesNo(window(), "Delete record?", "Confirm"))
                return;
            source_->deleteCurrent();
            break;
        case Edit:
            source_->edit();
            break;
        case Post:
            source_->post();
            break;
        case Cancel:
            source_->cancel();
            break;
        case Refresh:
            source_->refresh();
            break;
        }
    } catch (const std::exception& error) {
        showError(window(), QString::fromStdString(error.what()));
        updateButtons();
        return;
    }
    updateButtons();
    emit buttonPressed(which);
}

} // namespace forms
