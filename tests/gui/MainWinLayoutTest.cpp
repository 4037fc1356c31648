// The main window's menu, speed buttons and lettered buttons, the three button bar layouts, the
// resizing of the viewer area and the search indicator.

#include "MainWinTestSupport.h"

#include "platform/forms/DbGrid.h"
#include "platform/forms/DbNavigator.h"

#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

using namespace testing_support;

Q_DECLARE_METATYPE(QKeySequence)

class MainWinLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuItems_data();
    void menuItems();
    void menuBarOrder();
    void speedButtons();
    void buttonBarModes_data();
    void buttonBarModes();
    void resizingInModeThree();
    void storedButtonBarOutsideTheModes();
    void searchIndicator();
    void commandsOfLaterWindowsSayTheyAreNotBuilt();

private:
    std::unique_ptr<TestFolders> folders_;
    std::unique_ptr<MessageRecorder> messages_;
};

void MainWinLayoutTest::init() {
    folders_ = std::make_unique<TestFolders>();
    messages_ = std::make_unique<MessageRecorder>();
}

void MainWinLayoutTest::cleanup() {
    messages_.reset();
    folders_.reset();
}

void MainWinLayoutTest::menuItems_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("shortcut");
    const auto row = [](const char* name, const char* caption, const char* keys = "") {
        QTest::newRow(name) << QString(name) << QString(caption) << QKeySequence(keys);
    };
    row("MenuNew", "&New Database", "Ctrl+W");
    row("MenuOpen", "&Open Database", "Ctrl+O");
    row("MenuUpdateDatabase", "&Update Database", "Ctrl+Z");
    row("MenuBackup", "&Back Up Data", "Ctrl+B");
    row("MenuRestore", "&Restore Data", "Ctrl+Y");
    row("MenuPrint", "&Print", "Ctrl+P");
    row("MenuExit", "E&xit", "Ctrl+X");
    row("MenuAdd", "&Add", "Ctrl+A");
    row("MenuEdit", "&Edit", "Ctrl+E");
    row("MenuCopy", "&Copy", "Ctrl+C");
    row("MenuDelete", "&Delete", "Ctrl+D");
    row("MenuImport", "&Import", "Ctrl+M");
    row("MenuExport", "E&xport", "Ctrl+T");
    row("MenuSearch", "&Search (Query)", "Ctrl+S");
    row("MenuEndSearch", "&End Search", "Ctrl+I");
    row("MenuFind", "&Locate", "Ctrl+L");
    row("MenuFindNext", "Locate &Next", "Ctrl+N");
    row("MenuReports", "&Reports", "Ctrl+R");
    row("MenuViewer", "&Viewer", "Ctrl+V");
    row("MenuSortOrder", "Sort &Order", "Ctrl+Q");
    row("N640x480", "640 x 480", "Shift+F1");
    row("N800x600", "800 x 600", "Shift+F2");
    row("N1024x768", "1024 x 768", "Shift+F3");
    row("N1280x1024", "1280 x 1024", "Shift+F4");
    row("MenuSpeed", "&Speed Buttons", "Ctrl+F1");
    row("MenuButtons", "&Lettered Buttons", "Ctrl+F2");
    row("MenuNoButtons", "&None", "Ctrl+F3");
    row("MenuMainColor", "&Main Window Color", "Ctrl+F4");
    row("MenuEditColor", "&Edit Window Color", "Ctrl+F5");
    row("MenuSearchColor", "&Search Window Color", "Ctrl+F6");
    row("MenuReportColor", "&Report Window Color", "Ctrl+F7");
    row("MenuConfigColor", "&Configure Window Color", "Ctrl+F8");
    row("MenuAllColor", "&ALL Windows Color", "Ctrl+F9");
    row("MenuSaveDefaults", "&Save As Defaults");
    row("MenuLoadDefaults", "Load In &Defaults");
    row("MenuMaintainBrand", "&Brand");
    row("MenuMaintainLocation", "&Location");
    row("MenuMaintainPurchase", "&Purchased From");
    row("MenuMaintainCategory", "&Category");
    row("MenuMaintainOwner", "&Owner");
    row("MenuCurrencyUS", "&U.S. Dollars");
    row("MenuCurrencyWin", "&Windows Setting");
    row("MenuNumericUS", "&U.S. Format");
    row("MenuNumericWin", "&Windows Setting");
    row("MenuDateLeadingZeros", "&Leading Zeros");
    row("MenuDateMDYSlash", "mm/dd/yy");
    row("MenuDateDMYDotYr", "dd.mm.yyyy");
    row("MenuLabelFont", "&Label Font", "Shift+F8");
    row("MenuEditFont", "&Edit Font", "Shift+F9");
    row("MenuButtonFont", "&Button Font", "Shift+F10");
    row("MenuSearchReplace", "&Search and Replace", "Ctrl+F");
    row("MenuRebuild", "&Rebuild Indexes");
    row("MenuPack", "&Pack Database");
    row("MenuContents", "&Contents", "Ctrl+H");
    row("MenuTips", "&Review \"Tips of the Day\"");
    row("MenuLastFile1", "&1");
    row("MenuLastFile5", "&5");
}

void MainWinLayoutTest::menuItems() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, shortcut);
    app::TMain window({});
    const QList<QAction*> found = window.findChildren<QAction*>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0]->text(), caption);
    QCOMPARE(found[0]->shortcut(), shortcut);
}

void MainWinLayoutTest::menuBarOrder() {
    app::TMain window({});
    QStringList menus;
    for (QAction* action : window.menuBar()->actions())
        menus << action->text();
    QCOMPARE(menus, QStringList({"&File", "&Records", "Navi&gate", "&Options", "&Tools", "&Help"}));
    QStringList options;
    for (QAction* action : window.MenuOptions->actions())
        options << (action->isSeparator() ? "-" : action->text());
    QCOMPARE(options,
             QStringList({"Sort &Order", "Screen Si&ze", "&Screen Access", "&Color",
                          "List &Maintenance", "C&urrency Format", "&Numeric Format",
                          "&Date Format", "-", "&Label Font", "&Edit Font", "&Button Font"}));
    QStringList file;
    for (QAction* action : window.MenuFile->actions())
        file << (action->isSeparator() ? "-" : action->text());
    QCOMPARE(file, QStringList({"&New Database", "&Open Database", "&Update Database", "-",
                                "&Back Up Data", "&Restore Data", "-", "&Print", "-", "E&xit", "-",
                                "&1", "&2", "&3", "&4", "&5"}));
}

void MainWinLayoutTest::speedButtons() {
    app::TMain window({});
    const QList<QToolButton*> buttons =
        window.SpeedPanel->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly);
    QStringList hints;
    QList<int> lefts;
    for (QToolButton* button : buttons) {
        hints << button->toolTip();
        lefts << button->x() - 1; // inside the panel's one-pixel border
        QCOMPARE(button->size(), QSize(25, 25));
        QVERIFY(!button->icon().isNull());
    }
    QCOMPARE(hints, QStringList({"New Database", "Open Database", "Add Record", "Edit Record",
                                 "Copy Record", "Delete Record", "Import Records", "Export Records",
                                 "Search Records", "End Search", "Locate Record",
                                 "Locate Next Record", "Reports", "Viewer Configuration",
                                 "Color Setup", "Set Sorting Order", "Help"}));
    QCOMPARE(lefts, QList<int>({0, 24, 52, 76, 100, 124, 148, 172, 200, 224, 248, 272, 296, 320,
                                344, 368, 396}));
    QCOMPARE(window.SpeedPanel->height(), 31);
}

void MainWinLayoutTest::buttonBarModes_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<bool>("lettered");
    QTest::addColumn<bool>("speedPanel");
    QTest::addColumn<QRect>("navigator");       // left, top, width (height not compared)
    QTest::addColumn<QList<int>>("tops");       // search-on, count, count 2, bevel, label, grid
    QTest::addColumn<QList<int>>("heightLoss"); // client height minus bevel and grid height
    QTest::newRow("speed buttons")
        << 1 << "&Speed Buttons" << false << true << QRect(424, 3, 241, 0)
        << QList<int>{44, 38, 52, 34, 38, 70} << QList<int>{37, 77};
    QTest::newRow("lettered buttons")
        << 2 << "&Lettered Buttons" << true << false << QRect(400, 47, 221, 0)
        << QList<int>{96, 90, 105, 86, 90, 122} << QList<int>{89, 129};
    QTest::newRow("none") << 3 << "&None" << false << false << QRect(-207, 8, 201, 0)
                          << QList<int>{14, 8, 23, 4, 8, 40} << QList<int>{7, 47};
}

void MainWinLayoutTest::buttonBarModes() {
    QFETCH(int, mode);
    QFETCH(QString, checked);
    QFETCH(bool, lettered);
    QFETCH(bool, speedPanel);
    QFETCH(QRect, navigator);
    QFETCH(QList<int>, tops);
    QFETCH(QList<int>, heightLoss);
    app::TMain window({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Every mode is reached from each of the others through its menu item.
    const std::array<QAction*, 3> items = {window.MenuSpeed, window.MenuButtons,
                                           window.MenuNoButtons};
    for (int from = 1; from <= 3; ++from) {
        items[from - 1]->trigger();
        items[mode - 1]->trigger();
        QCOMPARE(window.settings.buttonBar, mode);

        QStringList checkedItems;
        for (QAction* item : items) {
            if (item->isChecked())
                checkedItems << item->text();
        }
        QCOMPARE(checkedItems, QStringList({checked}));
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 window.Bevel1, window.Bevel2, window.Bevel3, window.Bevel4, window.AddButton,
                 window.ButtonExit, window.HelpButton, window.SearchButton}) {
            QCOMPARE(widget->isVisible(), lettered);
        }
        QCOMPARE(window.AddButton->isEnabled(), lettered);
        QCOMPARE(window.SearchButton->isEnabled(), lettered);
        QVERIFY(!window.EndSearchButton->isEnabled()); // no search is on
        QCOMPARE(window.SpeedPanel->isVisible(), speedPanel);
        QCOMPARE(window.SpeedPanel->isEnabled(), speedPanel);
        QVERIFY(window.AddSpeed->isEnabledTo(window.SpeedPanel));
        QCOMPARE(window.NavigatorLabel->isVisible(), lettered);
        if (lettered)
            QCOMPARE(window.NavigatorLabel->y(), 20);

        const int width = window.clientWidth();
        const int height = window.clientHeight();
        const int navigatorLeft = navigator.x() < 0 ? width + navigator.x() : navigator.x();
        QCOMPARE(window.MyNavigator->x(), navigatorLeft);
        QCOMPARE(window.MyNavigator->y(), navigator.y());
        QCOMPARE(window.MyNavigator->width(), navigator.width());
        QCOMPARE(
            QList<int>({window.SearchOnLabel->y(), window.CountLabel->y(), window.Count2Label->y(),
                        window.ViewerBevel->y(), window.ViewerLabel->y(), window.ViewerGrid->y()}),
            tops);
        QCOMPARE(QList<int>(
                     {height - window.ViewerBevel->height(), height - window.ViewerGrid->height()}),
                 heightLoss);
        QCOMPARE(window.ViewerBevel->width(), width - 6);
        QCOMPARE(window.ViewerGrid->width(), width - 14);
        QCOMPARE(window.ViewerLabel->x(), (width - 201) / 2);
    }
}

void MainWinLayoutTest::resizingInModeThree() {
    writeText(folders_->globalIni(), "[Misc]\nButton Bar=3\n");
    app::TMain window({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const int navigatorLeft = window.MyNavigator->x();
    const int gridWidth = window.ViewerGrid->width();
    const int bevelWidth = window.ViewerBevel->width();
    const int labelLeft = window.ViewerLabel->x();
    const int clientWidth = window.clientWidth();
    QCOMPARE(navigatorLeft, clientWidth - 207);

    window.resize(window.width() + 100, window.height() + 40);
    QTRY_COMPARE(window.clientWidth(), clientWidth + 100);
    QCOMPARE(window.MyNavigator->x(), navigatorLeft + 100);
    QCOMPARE(window.ViewerGrid->width(), gridWidth + 100);
    QCOMPARE(window.ViewerBevel->width(), bevelWidth + 100);
    QCOMPARE(window.ViewerLabel->x(), labelLeft + 50);
    QCOMPARE(window.ViewerGrid->height(), window.clientHeight() - 47);
    QCOMPARE(window.ViewerBevel->height(), window.clientHeight() - 7);
}

void MainWinLayoutTest::storedButtonBarOutsideTheModes() {
    writeText(folders_->globalIni(), "[Misc]\nButton Bar=7\n");
    app::TMain window({});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.MenuSpeed->isChecked());
    QVERIFY(!window.MenuButtons->isChecked());
    QVERIFY(!window.MenuNoButtons->isChecked());
    const QRect navigator = window.MyNavigator->geometry();
    const QRect count = window.CountLabel->geometry();
    const int gridTop = window.ViewerGrid->y();
    const int gridHeight = window.ViewerGrid->height();
    const bool panel = window.SpeedPanel->isVisible();
    const bool lettered = window.AddButton->isVisible();

    window.SetButtonBar();
    window.resize(window.width() + 60, window.height() + 30);
    QTRY_COMPARE(window.ViewerGrid->width(), window.clientWidth() - 14);
    QCOMPARE(window.ViewerBevel->width(), window.clientWidth() - 6);
    QCOMPARE(window.ViewerLabel->x(), (window.clientWidth() - 201) / 2);
    QCOMPARE(window.MyNavigator->geometry(), navigator);
    QCOMPARE(window.CountLabel->geometry(), count);
    QCOMPARE(window.ViewerGrid->y(), gridTop);
    QCOMPARE(window.ViewerGrid->height(), gridHeight);
    QCOMPARE(window.SpeedPanel->isVisible(), panel);
    QCOMPARE(window.AddButton->isVisible(), lettered);
    QCOMPARE(window.settings.buttonBar, 7);
}

void MainWinLayoutTest::searchIndicator() {
    writeText(folders_->globalIni(), "[Misc]\nButton Bar=2\n");
    app::TMain window({});
    window.show();
    QVERIFY(!window.EndSearchButton->isEnabled());
    QVERIFY(!window.EndSearchSpeed->isEnabledTo(window.SpeedPanel));
    QVERIFY(!window.MenuEndSearch->isEnabled());
    QVERIFY(!window.SearchOnLabel->isVisible());

    window.EnableEndSearch();
    QVERIFY(window.searchOn);
    QVERIFY(window.EndSearchButton->isEnabled());
    QVERIFY(window.EndSearchSpeed->isEnabledTo(window.SpeedPanel));
    QVERIFY(window.MenuEndSearch->isEnabled());
    QVERIFY(window.SearchOnLabel->isVisible());
    QCOMPARE(window.SearchOnLabel->text(), QString("SEARCH ON"));
    // Choosing the lettered buttons again keeps "E&nd Srch" as the search says.
    window.MenuButtonsClick();
    QVERIFY(window.EndSearchButton->isEnabled());

    window.EndSearchButton->click();
    QVERIFY(!window.searchOn);
    QVERIFY(!window.EndSearchButton->isEnabled());
    QVERIFY(!window.SearchOnLabel->isVisible());
    QCOMPARE(window.CountLabel->text(), QString("0"));
}

void MainWinLayoutTest::commandsOfLaterWindowsSayTheyAreNotBuilt() {
    app::TMain window({});
    messages_->messages.clear();
    for (QAction* item : {window.MenuAdd, window.MenuReports, window.MenuSortOrder, window.MenuPack,
                          window.N800x600, window.MenuDateFormats[3]})
        item->trigger();
    QCOMPARE(messages_->messages.size(), std::size_t(6));
    for (const forms::Message& message : messages_->messages) {
        QCOMPARE(message.text, QString("This window is not built yet."));
        QCOMPARE(message.title, QString("Notice"));
    }
    QCOMPARE(window.editorMode, 1);
    // A check mark changes only when its window says so.
    QVERIFY(window.N640x480->isChecked());
    QVERIFY(!window.N800x600->isChecked());
    QVERIFY(!window.MenuDateFormats[3]->isChecked());
    QVERIFY(window.MenuDateFormats[0]->isChecked());
}

PNHOLD_MAIN_WINDOW_TEST_MAIN(MainWinLayoutTest)
#include "MainWinLayoutTest.moc"
