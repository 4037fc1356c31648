#pragma once

#include <QList>
#include <QWidget>

#include <array>

class QToolButton;

namespace forms {

class DataSource;

// The record navigator: ten buttons that move through and edit the records of a data source.
// Buttons are enabled by the cursor's position and the table's state. Delete asks first; an
// error of the table engine is shown as a message, never thrown out of the button press.
class DbNavigator : public QWidget {
    Q_OBJECT

public:
    enum Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int ButtonCount = 10;

    explicit DbNavigator(QWidget* parent = nullptr);

    // The navigator does not own the data source; nullptr unbinds it (all buttons disabled).
    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return source_; }

    // Shows only the given buttons (browse mode shows First, Prior, Next and Last).
    void setVisibleButtons(const QList<Button>& buttons);
    bool isButtonVisible(Button button) const;
    bool isButtonEnabled(Button button) const;
    QToolButton* button(Button button) const;

    // Delete asks "Delete record?" first (on by default).
    void setConfirmDelete(bool confirm) { confirmDelete_ = confirm; }

    // Carries out a button's action as a press does (when the button is enabled).
    void press(Button button);

signals:
    // After a button's action has run without an error.
    void buttonPressed(forms::DbNavigator::Button button);

private:
    void updateButtons();
    void run(Button button);

    DataSource* source_ = nullptr;
    std::array<QToolButton*, ButtonCount> buttons_{};
    std::array<bool, ButtonCount> visible_{};
    bool confirmDelete_ = true;
};

} // namespace forms
