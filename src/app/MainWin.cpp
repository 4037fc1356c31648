// The main window's construction and destruction; the rest of it lives in the MainWin*.cpp
// files by concern.

#include "app/MainWin.h"

#include "platform/forms/DataSource.h"
#include "platform/forms/DbGrid.h"
#include "platform/forms/DbNavigator.h"
#include "platform/forms/TableModel.h"
#include "reports/ReportFile.h"

#include <QMenuBar>

namespace app {

TMain* TMain::instance_ = nullptr;

TMain::TMain(const QStringList& arguments, QWidget* parent) : QMainWindow(parent) {
    instance_ = this;
    setObjectName("Main");
    DataOpenDialog.kind = forms::FileDialogRequest::Kind::Open;
    DataOpenDialog.title = "Open Database File";
    DataOpenDialog.filter = "Database Files (*.DBF)|*.DBF";
    DataOpenDialog.defaultExtension = "DBF";
    DataNewDialog.kind = forms::FileDialogRequest::Kind::Save;
    DataNewDialog.title = "New Database File";
    DataNewDialog.filter = DataOpenDialog.filter;
    DataNewDialog.defaultExtension = "DBF";

    createMenu();
    createControls();
    resize(632, 418 + menuBar()->sizeHint().height());
    FormCreate(arguments);
}

TMain::~TMain() {
    // The views read MyTable, a member destroyed before the child widgets: remove them first.
    delete ViewerGrid;
    delete MyNavigator;
    delete ViewerModel;
    delete MyDataSource;
    if (instance_ == this)
        instance_ = nullptr;
}

void TMain::setLongLivedWindows(records::TMyEdit* edit, reports::TMyReport* report,
                                find::TMySearch* search, reports::TPrintSelect* printSelect) {
    myEdit_ = edit;
    myReport_ = report;
    mySearch_ = search;
    printSelect_ = printSelect;
}

} // namespace app
