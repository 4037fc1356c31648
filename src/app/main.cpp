#include "app/ErrorReportApplication.h"
#include "app/MainWin.h"
#include "find/Search1.h"
#include "records/Edit1.h"
#include "reports/MyRep1.h"
#include "reports/PrtSel.h"

int main(int argc, char* argv[]) {
    app::ErrorReportApplication application(argc, argv);
    QApplication::setApplicationName("Pennyhold Inventory");
    QApplication::setApplicationDisplayName("Pennyhold Inventory");

    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();

    // The five long-lived windows, in this order; each exists, hidden, until the program ends.
    app::TMain mainWindow(arguments);
    if (mainWindow.startState() != app::TMain::StartState::Running)
        return mainWindow.startState() == app::TMain::StartState::NoDatabaseChosen ? 0 : 1;
    records::TMyEdit myEdit(&mainWindow);
    reports::TMyReport myReport(&mainWindow);
    find::TMySearch mySearch(&mainWindow);
    reports::TPrintSelect printSelect(&mainWindow);
    mainWindow.setLongLivedWindows(&myEdit, &myReport, &mySearch, &printSelect);

    mainWindow.show();
    return QApplication::exec();
}
