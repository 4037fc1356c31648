#pragma once

#include <QDialog>

namespace reports {

// The printer selection window of the reports. A later task builds the window itself; until then
// the program block creates this empty, hidden window so that the long-lived windows exist in their
// order from start to end.
class TPrintSelect : public QDialog {
    Q_OBJECT

public:
    explicit TPrintSelect(QWidget* parent = nullptr);
};

} // namespace reports
