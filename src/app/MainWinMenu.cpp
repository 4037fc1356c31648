// The main window's menu MainMenu1: captions, access keys and shortcut keys, and the routing of
// every item to its command.

#include "app/MainWin.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace app {

namespace {

QAction* addItem(QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut = QKeySequence()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption) {
    QMenu* menu = bar->addMenu(caption);
    menu->setObjectName(name);
    return menu;
}

QMenu* addSubmenu(QMenu* parent, const char* name, const QString& caption) {
    QMenu* menu = parent->addMenu(caption);
    menu->setObjectName(name);
    return menu;
}

QKeySequence ctrl(int key) {
    return QKeySequence(Qt::CTRL | key);
}

QKeySequence shift(int key) {
    return QKeySequence(Qt::SHIFT | key);
}

QAction* checkable(QAction* action) {
    action->setCheckable(true);
    return action;
}

} // namespace

void TMain::createMenu() {
    createFileMenu();
    createRecordsMenu();
    createNavigateMenu();
    createOptionsMenu();
    createToolsAndHelpMenus();
}

void TMain::createFileMenu() {
    MenuFile = addMenu(menuBar(), "MenuFile", "&File");
    MenuNew = addItem(MenuFile, "MenuNew", "&New Database", ctrl(Qt::Key_W));
    MenuOpen = addItem(MenuFile, "MenuOpen", "&Open Database", ctrl(Qt::Key_O));
    MenuUpdateDatabase =
        addItem(MenuFile, "MenuUpdateDatabase", "&Update Database", ctrl(Qt::Key_Z));
    MenuFile->addSeparator();
    MenuBackup = addItem(MenuFile, "MenuBackup", "&Back Up Data", ctrl(Qt::Key_B));
    MenuRestore = addItem(MenuFile, "MenuRestore", "&Restore Data", ctrl(Qt::Key_Y));
    MenuFile->addSeparator();
    MenuPrint = addItem(MenuFile, "MenuPrint", "&Print", ctrl(Qt::Key_P));
    MenuFile->addSeparator();
    MenuExit = addItem(MenuFile, "MenuExit", "E&xit", ctrl(Qt::Key_X));
    MenuExitSep = MenuFile->addSeparator();
    MenuExitSep->setObjectName("MenuExitSep");
    for (int i = 0; i < 5; ++i) {
        const QByteArray name = "MenuLastFile" + QByteArray::number(i + 1);
        MenuLastFile[i] = addItem(MenuFile, name.constData(), "&" + QString::number(i + 1));
    }

    connect(MenuNew, &QAction::triggered, this, &TMain::DoNew);
    connect(MenuOpen, &QAction::triggered, this, &TMain::DoOpen);
    connect(MenuUpdateDatabase, &QAction::triggered, this, &TMain::MenuUpdateDatabaseClick);
    connect(MenuBackup, &QAction::triggered, this, &TMain::DoBackup);
    connect(MenuRestore, &QAction::triggered, this, &TMain::DoRestore);
    connect(MenuPrint, &QAction::triggered, this, &TMain::DoReports);
    connect(MenuExit, &QAction::triggered, this, &TMain::DoExit);
    for (int i = 0; i < 5; ++i) {
        connect(MenuLastFile[i], &QAction::triggered, this,
                [this, i] { OpenSaveFile(QString::fromStdString(settings.lastFiles[i])); });
    }
}

void TMain::createRecordsMenu() {
    MenuRecords = addMenu(menuBar(), "MenuRecords", "&Records");
    MenuAdd = addItem(MenuRecords, "MenuAdd", "&Add", ctrl(Qt::Key_A));
    MenuEdit = addItem(MenuRecords, "MenuEdit", "&Edit", ctrl(Qt::Key_E));
    MenuCopy = addItem(MenuRecords, "MenuCopy", "&Copy", ctrl(Qt::Key_C));
    MenuDelete = addItem(MenuRecords, "MenuDelete", "&Delete", ctrl(Qt::Key_D));
    MenuRecords->addSeparator();
    MenuImport = addItem(MenuRecords, "MenuImport", "&Import", ctrl(Qt::Key_M));
    MenuExport = addItem(MenuRecords, "MenuExport", "E&xport", ctrl(Qt::Key_T));

    connect(MenuAdd, &QAction::triggered, this, &TMain::DoAdd);
    connect(MenuEdit, &QAction::triggered, this, &TMain::DoEdit);
    connect(MenuCopy, &QAction::triggered, this, &TMain::DoCopy);
    connect(MenuDelete, &QAction::triggered, this, &TMain::DoDelete);
    connect(MenuImport, &QAction::triggered, this, &TMain::DoImport);
    connect(MenuExport, &QAction::triggered, this, &TMain::DoExport);
}

void TMain::createNavigateMenu() {
    MenuNavigate = addMenu(menuBar(), "MenuNavigate", "Navi&gate");
    MenuSearch = addItem(MenuNavigate, "MenuSearch", "&Search (Query)", ctrl(Qt::Key_S));
    MenuEndSearch = addItem(MenuNavigate, "MenuEndSearch", "&End Search", ctrl(Qt::Key_I));
    MenuFind = addItem(MenuNavigate, "MenuFind", "&Locate", ctrl(Qt::Key_L));
    MenuFindNext = addItem(MenuNavigate, "MenuFindNext", "Locate &Next", ctrl(Qt::Key_N));
    MenuReports = addItem(MenuNavigate, "MenuReports", "&Reports", ctrl(Qt::Key_R));
    MenuViewer = addItem(MenuNavigate, "MenuViewer", "&Viewer", ctrl(Qt::Key_V));

    connect(MenuSearch, &QAction::triggered, this, &TMain::DoSearch);
    connect(MenuEndSearch, &QAction::triggered, this, &TMain::DoEndSearch);
    connect(MenuFind, &QAction::triggered, this, &TMain::DoFind);
    connect(MenuFindNext, &QAction::triggered, this, &TMain::DoFindNext);
    connect(MenuReports, &QAction::triggered, this, &TMain::DoReports);
    connect(MenuViewer, &QAction::triggered, this, &TMain::DoViewer);
}

void TMain::createOptionsMenu() {
    MenuOptions = addMenu(menuBar(), "MenuOptions", "&Options");
    MenuSortOrder = addItem(MenuOptions, "MenuSortOrder", "Sort &Order", ctrl(Qt::Key_Q));

    MenuScreenSize = addSubmenu(MenuOptions, "MenuScreenSize", "Screen Si&ze");
    N640x480 = checkable(addItem(MenuScreenSize, "N640x480", "640 x 480", shift(Qt::Key_F1)));
    N800x600 = checkable(addItem(MenuScreenSize, "N800x600", "800 x 600", shift(Qt::Key_F2)));
    N1024x768 = checkable(addItem(MenuScreenSize, "N1024x768", "1024 x 768", shift(Qt::Key_F3)));
    N1280x1024 = checkable(addItem(MenuScreenSize, "N1280x1024", "1280 x 1024", shift(Qt::Key_F4)));

    MenuAccess = addSubmenu(MenuOptions, "MenuAccess", "&Screen Access");
    MenuSpeed = checkable(addItem(MenuAccess, "MenuSpeed", "&Speed Buttons", ctrl(Qt::Key_F1)));
    MenuButtons =
        checkable(addItem(MenuAccess, "MenuButtons", "&Lettered Buttons", ctrl(Qt::Key_F2)));
    MenuNoButtons = checkable(addItem(MenuAccess, "MenuNoButtons", "&None", ctrl(Qt::Key_F3)));

    MenuColor = addSubmenu(MenuOptions, "MenuColor", "&Color");
    MenuMainColor = addItem(MenuColor, "MenuMainColor", "&Main Window Color", ctrl(Qt::Key_F4));
    MenuEditColor = addItem(MenuColor, "MenuEditColor", "&Edit Window Color", ctrl(Qt::Key_F5));
    MenuSearchColor =
        addItem(MenuColor, "MenuSearchColor", "&Search Window Color", ctrl(Qt::Key_F6));
    MenuReportColor =
        addItem(MenuColor, "MenuReportColor", "&Report Window Color", ctrl(Qt::Key_F7));
    MenuConfigColor =
        addItem(MenuColor, "MenuConfigColor", "&Configure Window Color", ctrl(Qt::Key_F8));
    MenuColor->addSeparator();
    MenuAllColor = addItem(MenuColor, "MenuAllColor", "&ALL Windows Color", ctrl(Qt::Key_F9));

    MenuMaintain = addSubmenu(MenuOptions, "MenuMaintain", "List &Maintenance");
    MenuSaveDefaults = addItem(MenuMaintain, "MenuSaveDefaults", "&Save As Defaults");
    MenuLoadDefaults = addItem(MenuMaintain, "MenuLoadDefaults", "Load In &Defaults");
    MenuMaintain->addSeparator();
    MenuMaintainBrand = addItem(MenuMaintain, "MenuMaintainBrand", "&Brand");
    MenuMaintainLocation = addItem(MenuMaintain, "MenuMaintainLocation", "&Location");
    MenuMaintainPurchase = addItem(MenuMaintain, "MenuMaintainPurchase", "&Purchased From");
    MenuMaintainCategory = addItem(MenuMaintain, "MenuMaintainCategory", "&Category");
    MenuMaintainOwner = addItem(MenuMaintain, "MenuMaintainOwner", "&Owner");

    MenuCurrency = addSubmenu(MenuOptions, "MenuCurrency", "C&urrency Format");
    MenuCurrencyUS = checkable(addItem(MenuCurrency, "MenuCurrencyUS", "&U.S. Dollars"));
    MenuCurrencyWin = checkable(addItem(MenuCurrency, "MenuCurrencyWin", "&Windows Setting"));
    MenuNumeric = addSubmenu(MenuOptions, "MenuNumeric", "&Numeric Format");
    MenuNumericUS = checkable(addItem(MenuNumeric, "MenuNumericUS", "&U.S. Format"));
    MenuNumericWin = checkable(addItem(MenuNumeric, "MenuNumericWin", "&Windows Setting"));
    MenuDateFormat = addSubmenu(MenuOptions, "MenuDateFormat", "&Date Format");
    MenuDateLeadingZeros =
        checkable(addItem(MenuDateFormat, "MenuDateLeadingZeros", "&Leading Zeros"));
    MenuDateFormat->addSeparator();
    static constexpr std::array<std::pair<const char*, const char*>, 12> dateFormats = {{
        {"MenuDateMDYSlash", "mm/dd/yy"},
        {"MenuDateMDYDash", "mm-dd-yy"},
        {"MenuDateMDYDot", "mm.dd.yy"},
        {"MenuDateDMYSlash", "dd/mm/yy"},
        {"MenuDateDMYDash", "dd-mm-yy"},
        {"MenuDateDMYDot", "dd.mm.yy"},
        {"MenuDateMDYSlashYr", "mm/dd/yyyy"},
        {"MenuDateMDYDashYr", "mm-dd-yyyy"},
        {"MenuDateMDYDotYr", "mm.dd.yyyy"},
        {"MenuDateDMYSlashYr", "dd/mm/yyyy"},
        {"MenuDateDMYDashYr", "dd-mm-yyyy"},
        {"MenuDateDMYDotYr", "dd.mm.yyyy"},
    }};
    for (std::size_t i = 0; i < dateFormats.size(); ++i)
        MenuDateFormats[i] =
            checkable(addItem(MenuDateFormat, dateFormats[i].first, dateFormats[i].second));

    MenuOptions->addSeparator();
    MenuLabelFont = addItem(MenuOptions, "MenuLabelFont", "&Label Font", shift(Qt::Key_F8));
    MenuEditFont = addItem(MenuOptions, "MenuEditFont", "&Edit Font", shift(Qt::Key_F9));
    MenuButtonFont = addItem(MenuOptions, "MenuButtonFont", "&Button Font", shift(Qt::Key_F10));

    connect(MenuSortOrder, &QAction::triggered, this, &TMain::DoSortOrder);
    connect(MenuSpeed, &QAction::triggered, this, &TMain::MenuSpeedClick);
    connect(MenuButtons, &QAction::triggered, this, &TMain::MenuButtonsClick);
    connect(MenuNoButtons, &QAction::triggered, this, &TMain::MenuNoButtonsClick);

    // Screen sizes, colours, lists, formats and fonts belong to windows that later steps build;
    // a check mark changes only when those steps say so, so a click puts the mark back.
    const auto notBuilt = [this] { showNotBuiltYet(); };
    for (QAction* item : {N640x480, N800x600, N1024x768, N1280x1024, MenuCurrencyUS,
                          MenuCurrencyWin, MenuNumericUS, MenuNumericWin, MenuDateLeadingZeros}) {
        connect(item, &QAction::triggered, this, [item, notBuilt](bool checked) {
            item->setChecked(!checked);
            notBuilt();
        });
    }
    for (QAction* item : MenuDateFormats) {
        connect(item, &QAction::triggered, this, [item, notBuilt](bool checked) {
            item->setChecked(!checked);
            notBuilt();
        });
    }
    for (QAction* item :
         {MenuMainColor, MenuEditColor, MenuSearchColor, MenuReportColor, MenuConfigColor,
          MenuAllColor, MenuSaveDefaults, MenuLoadDefaults, MenuMaintainBrand, MenuMaintainLocation,
          MenuMaintainPurchase, MenuMaintainCategory, MenuMaintainOwner, MenuLabelFont,
          MenuEditFont, MenuButtonFont})
        connect(item, &QAction::triggered, this, notBuilt);
}

void TMain::createToolsAndHelpMenus() {
    MenuTools = addMenu(menuBar(), "MenuTools", "&Tools");
    MenuSearchReplace =
        addItem(MenuTools, "MenuSearchReplace", "&Search and Replace", ctrl(Qt::Key_F));
    MenuRebuild = addItem(MenuTools, "MenuRebuild", "&Rebuild Indexes");
    MenuPack = addItem(MenuTools, "MenuPack", "&Pack Database");

    MenuHelp = addMenu(menuBar(), "MenuHelp", "&Help");
    MenuContents = addItem(MenuHelp, "MenuContents", "&Contents", ctrl(Qt::Key_H));
    MenuTips = addItem(MenuHelp, "MenuTips", "&Review \"Tips of the Day\"");

    const auto notBuilt = [this] { showNotBuiltYet(); };
    for (QAction* item : {MenuSearchReplace, MenuRebuild, MenuPack, MenuTips})
        connect(item, &QAction::triggered, this, notBuilt);
    connect(MenuContents, &QAction::triggered, this, &TMain::DoHelp);
}

} // namespace app
