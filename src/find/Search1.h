#pragma once

#include <QDialog>

namespace find {

// The search window, which narrows the viewer by criteria. A later task builds the window itself;
// until then the program block creates this empty, hidden window so that the long-lived windows
// exist in their order from start to end.
class TMySearch : public QDialog {
    Q_OBJECT

public:
    explicit TMySearch(QWidget* parent = nullptr);
};

} // namespace find
