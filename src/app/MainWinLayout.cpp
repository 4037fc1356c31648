// The three button bar layouts and the viewer area that follows the window's size.

#include "app/MainWin.h"

#include "platform/forms/DbGrid.h"
#include "platform/forms/DbNavigator.h"

#include <QAction>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace app {

namespace {

void setTop(QWidget* widget, int top) {
    widget->move(widget->x(), top);
}

void setTopAndHeight(QWidget* widget, int top, int height) {
    widget->setGeometry(widget->x(), top, widget->width(), height);
}

} // namespace

int TMain::clientWidth() const {
    return ClientArea->width();
}

int TMain::clientHeight() const {
    return ClientArea->height();
}

void TMain::setLetteredButtonsEnabled(bool enabled) {
    for (QPushButton* button :
         {AddButton, EditButton, CopyButton, DeleteButton, SearchButton, EndSearchButton,
          ReportButton, ViewerButton, HelpButton, ButtonExit})
        button->setEnabled(enabled);
    if (enabled) {
        EndSearchButton->setEnabled(searchOn);
        if (browseMode()) {
            for (QPushButton* button : {AddButton, CopyButton, DeleteButton, ViewerButton})
                button->setEnabled(false);
        }
    }
}

void TMain::SetButtonBar() {
    const int mode = settings.buttonBar;
    if (mode < 1 || mode > 3) {
        for (QAction* item : {MenuSpeed, MenuButtons, MenuNoButtons})
            item->setChecked(false);
        return;
    }
    MenuSpeed->setChecked(mode == 1);
    MenuButtons->setChecked(mode == 2);
    MenuNoButtons->setChecked(mode == 3);

    const bool lettered = mode == 2;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             Bevel1, Bevel2, Bevel3, Bevel4, AddButton, EditButton, CopyButton, DeleteButton,
             SearchButton, EndSearchButton, ReportButton, ViewerButton, HelpButton, ButtonExit})
        widget->setVisible(lettered);
    setLetteredButtonsEnabled(lettered);
    // Hiding the panel leaves the speed buttons' own enabled states as they are.
    SpeedPanel->setVisible(mode == 1);
    SpeedPanel->setEnabled(mode == 1);
    NavigatorLabel->setVisible(lettered);

    switch (mode) {
    case 1:
        MyNavigator->setGeometry(424, 3, 241, MyNavigator->height());
        setTop(SearchOnLabel, 44);
        setTop(CountLabel, 38);
        setTop(Count2Label, 52);
        break;
    case 2:
        setTop(NavigatorLabel, 20);
        MyNavigator->setGeometry(400, 47, 221, MyNavigator->height());
        setTop(SearchOnLabel, 96);
        setTop(CountLabel, 90);
        setTop(Count2Label, 105);
        break;
    default:
        MyNavigator->setGeometry(clientWidth() - 207, 8, 201, MyNavigator->height());
        setTop(SearchOnLabel, 14);
        setTop(CountLabel, 8);
        setTop(Count2Label, 23);
        break;
    }
    placeViewerArea(mode);
}

void TMain::placeViewerArea(int mode) {
    const int height = clientHeight();
    switch (mode) {
    case 1:
        setTopAndHeight(ViewerBevel, 34, height - 37);
        setTop(ViewerLabel, 38);
        setTopAndHeight(ViewerGrid, 70, height - 77);
        break;
    case 2:
        setTopAndHeight(ViewerBevel, 86, height - 89);
        setTop(ViewerLabel, 90);
        setTopAndHeight(ViewerGrid, 122, height - 129);
        break;
    case 3:
        setTopAndHeight(ViewerBevel, 4, height - 7);
        setTop(ViewerLabel, 8);
        setTopAndHeight(ViewerGrid, 40, height - 47);
        break;
    default:
        break;
    }
}

void TMain::FormResize() {
    const int mode = settings.buttonBar;
    if (mode >= 1 && mode <= 3) {
        placeViewerArea(mode);
        if (mode == 3)
            MyNavigator->move(clientWidth() - 207, MyNavigator->y());
    }
    const int width = clientWidth();
    ViewerBevel->resize(width - 6, ViewerBevel->height());
    ViewerGrid->resize(width - 14, ViewerGrid->height());
    ViewerLabel->move((width - ViewerLabel->width()) / 2, ViewerLabel->y());
    // The speed-button panel is aligned to the top of the window and spans its width.
    SpeedPanel->resize(width, SpeedPanel->height());
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ClientArea && event->type() == QEvent::Resize)
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TMain::MenuSpeedClick() {
    settings.buttonBar = 1;
    SetButtonBar();
}

void TMain::MenuButtonsClick() {
    settings.buttonBar = 2;
    SetButtonBar();
}

void TMain::MenuNoButtonsClick() {
    settings.buttonBar = 3;
    SetButtonBar();
}

} // namespace app
