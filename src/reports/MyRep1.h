#pragma once

#include <QDialog>

namespace reports {

// The report chooser, which lists and runs the report definitions. A later task builds the window
// itself; until then the program block creates this empty, hidden window so that the long-lived
// windows exist in their order from start to end.
class TMyReport : public QDialog {
    Q_OBJECT

public:
    explicit TMyReport(QWidget* parent = nullptr);
};

} // namespace reports
