#pragma once

#include <QDialog>

namespace records {

// The record editor, where items are added, edited and copied. A later task builds the window
// itself; until then the program block creates this empty, hidden window so that the long-lived
// windows exist in their order from start to end.
class TMyEdit : public QDialog {
    Q_OBJECT

public:
    explicit TMyEdit(QWidget* parent = nullptr);
};

} // namespace records
