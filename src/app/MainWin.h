#pragma once

#include "app/Utility.h"
#include "platform/dbase/Table.h"
#include "platform/forms/FileDialog.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QToolButton;

namespace forms {
class DataSource;
class DbGrid;
class DbNavigator;
class TableModel;
} // namespace forms

namespace reports {
struct ReportDefinition;
class TMyReport;
class TPrintSelect;
} // namespace reports

namespace records {
class TMyEdit;
}

namespace find {
class TMySearch;
}

namespace app {

// The main window: owns the open item table and its data source, routes every command of its
// menu, speed buttons and lettered buttons, keeps the record count, the search indicator and the
// recent databases, and saves the settings when it closes. Controls carry the names of the
// design so that code and design can be read side by side.
class TMain : public QMainWindow {
    Q_OBJECT

public:
    // How the creation ended: the program block runs the message loop only for Running.
    enum class StartState {
        Running,
        DefaultDatabaseFailed, // MASTER.DBF could not be created: the program ends at once
        NoDatabaseChosen,      // the user cancelled the choice of a usable database
    };

    // arguments: the command line without the program's own name.
    explicit TMain(const QStringList& arguments, QWidget* parent = nullptr);
    ~TMain() override;

    StartState startState() const { return startState_; }
    static TMain* instance() { return instance_; }

    // The other long-lived windows, created by the program block after this one.
    void setLongLivedWindows(records::TMyEdit* edit, reports::TMyReport* report,
                             find::TMySearch* search, reports::TPrintSelect* printSelect);
    records::TMyEdit* myEdit() const { return myEdit_; }
    reports::TMyReport* myReport() const { return myReport_; }
    find::TMySearch* mySearch() const { return mySearch_; }
    reports::TPrintSelect* printSelect() const { return printSelect_; }

    // -- program-wide state ---------------------------------------------------------------------
    Settings settings;
    SettingsContext settingsContext;
    QString programFolder;
    QString startupFolder;
    int screenWidth = 0;
    int screenHeight = 0;
    double screenFactor = 1.0;
    bool searchOn = false;
    int editorMode = 0; // 1 add, 2 edit, 3 copy
    bool browseMode() const { return settingsContext.browseMode; }
    std::unique_ptr<reports::ReportDefinition> reportWork;

    QString indexFilePath;        // base path + ".MDX"
    QString databaseSettingsPath; // base path + ".INI"
    QString basePath;             // folder + "/" + table name of the open database
    std::string sortExpression;   // "" when no sort level is set

    // -- tables ---------------------------------------------------------------------------------
    dbase::Table MyTable;
    dbase::Table MyCheckTable;  // read-only inspections of table files
    dbase::Table MyCreateTable; // configured to name new item tables
    forms::DataSource* MyDataSource = nullptr;
    forms::TableModel* ViewerModel = nullptr;

    forms::FileDialogRequest DataOpenDialog;
    forms::FileDialogRequest DataNewDialog;

    // -- controls -------------------------------------------------------------------------------
    QWidget* ClientArea = nullptr; // the window's client area, below the menu

    QFrame* Bevel1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QFrame* Bevel3 = nullptr;
    QFrame* Bevel4 = nullptr;
    QPushButton* AddButton = nullptr;
    QPushButton* EditButton = nullptr;
    QPushButton* CopyButton = nullptr;
    QPushButton* DeleteButton = nullptr;
    QPushButton* SearchButton = nullptr;
    QPushButton* EndSearchButton = nullptr;
    QPushButton* ReportButton = nullptr;
    QPushButton* ViewerButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QPushButton* ButtonExit = nullptr;

    QFrame* SpeedPanel = nullptr;
    QToolButton* NewSpeed = nullptr;
    QToolButton* OpenSpeed = nullptr;
    QToolButton* AddSpeed = nullptr;
    QToolButton* EditSpeed = nullptr;
    QToolButton* CopySpeed = nullptr;
    QToolButton* DeleteSpeed = nullptr;
    QToolButton* ImportSpeed = nullptr;
    QToolButton* ExportSpeed = nullptr;
    QToolButton* SearchSpeed = nullptr;
    QToolButton* EndSearchSpeed = nullptr;
    QToolButton* LocateSpeed = nullptr;
    QToolButton* LocateNextSpeed = nullptr;
    QToolButton* ReportSpeed = nullptr;
    QToolButton* ViewerSpeed = nullptr;
    QToolButton* ColorSpeed = nullptr;
    QToolButton* SpeedSetOrder = nullptr;
    QToolButton* HelpSpeed = nullptr;

    QFrame* ViewerBevel = nullptr;
    QLabel* ViewerLabel = nullptr;
    QLabel* SearchOnLabel = nullptr;
    QLabel* CountLabel = nullptr;
    QLabel* Count2Label = nullptr;
    QLabel* NavigatorLabel = nullptr;
    forms::DbNavigator* MyNavigator = nullptr;
    forms::DbGrid* ViewerGrid = nullptr;

    // In-cell editors of the grid's list columns; the grid's in-place editing, a later step,
    // puts them to work with the data lists as their items.
    QComboBox* MyComboBrand = nullptr;
    QComboBox* MyComboLocation = nullptr;
    QComboBox* MyComboCategory = nullptr;
    QComboBox* MyComboOwner = nullptr;
    QComboBox* MyComboBought = nullptr;

    // -- menu MainMenu1 -------------------------------------------------------------------------
    QMenu* MenuFile = nullptr;
    QAction* MenuNew = nullptr;
    QAction* MenuOpen = nullptr;
    QAction* MenuUpdateDatabase = nullptr;
    QAction* MenuBackup = nullptr;
    QAction* MenuRestore = nullptr;
    QAction* MenuPrint = nullptr;
    QAction* MenuExit = nullptr;
    QAction* MenuExitSep = nullptr;
    std::array<QAction*, 5> MenuLastFile{}; // MenuLastFile1 to MenuLastFile5

    QMenu* MenuRecords = nullptr;
    QAction* MenuAdd = nullptr;
    QAction* MenuEdit = nullptr;
    QAction* MenuCopy = nullptr;
    QAction* MenuDelete = nullptr;
    QAction* MenuImport = nullptr;
    QAction* MenuExport = nullptr;

    QMenu* MenuNavigate = nullptr;
    QAction* MenuSearch = nullptr;
    QAction* MenuEndSearch = nullptr;
    QAction* MenuFind = nullptr;
    QAction* MenuFindNext = nullptr;
    QAction* MenuReports = nullptr;
    QAction* MenuViewer = nullptr;

    QMenu* MenuOptions = nullptr;
    QAction* MenuSortOrder = nullptr;
    QMenu* MenuScreenSize = nullptr;
    QAction* N640x480 = nullptr;
    QAction* N800x600 = nullptr;
    QAction* N1024x768 = nullptr;
    QAction* N1280x1024 = nullptr;
    QMenu* MenuAccess = nullptr;
    QAction* MenuSpeed = nullptr;
    QAction* MenuButtons = nullptr;
    QAction* MenuNoButtons = nullptr;
    QMenu* MenuColor = nullptr;
    QAction* MenuMainColor = nullptr;
    QAction* MenuEditColor = nullptr;
    QAction* MenuSearchColor = nullptr;
    QAction* MenuReportColor = nullptr;
    QAction* MenuConfigColor = nullptr;
    QAction* MenuAllColor = nullptr;
    QMenu* MenuMaintain = nullptr;
    QAction* MenuSaveDefaults = nullptr;
    QAction* MenuLoadDefaults = nullptr;
    QAction* MenuMaintainBrand = nullptr;
    QAction* MenuMaintainLocation = nullptr;
    QAction* MenuMaintainPurchase = nullptr;
    QAction* MenuMaintainCategory = nullptr;
    QAction* MenuMaintainOwner = nullptr;
    QMenu* MenuCurrency = nullptr;
    QAction* MenuCurrencyUS = nullptr;
    QAction* MenuCurrencyWin = nullptr;
    QMenu* MenuNumeric = nullptr;
    QAction* MenuNumericUS = nullptr;
    QAction* MenuNumericWin = nullptr;
    QMenu* MenuDateFormat = nullptr;
    QAction* MenuDateLeadingZeros = nullptr;
    std::array<QAction*, 12> MenuDateFormats{}; // MenuDateMDYSlash ... MenuDateDMYDotYr
    QAction* MenuLabelFont = nullptr;
    QAction* MenuEditFont = nullptr;
    QAction* MenuButtonFont = nullptr;

    QMenu* MenuTools = nullptr;
    QAction* MenuSearchReplace = nullptr;
    QAction* MenuRebuild = nullptr;
    QAction* MenuPack = nullptr;

    QMenu* MenuHelp = nullptr;
    QAction* MenuContents = nullptr;
    QAction* MenuTips = nullptr;

    // -- operations used by other windows -------------------------------------------------------
    void DisplayCount();
    void EnableEndSearch();
    void DisableEndSearch();
    void SetMenuLastFiles();
    void DoLastFiles(const QString& previousPath, const QString& newPath);
    void DoFileSpecific();
    void ApplyFonts();
    void SetViewerOptions();
    void SetColors();
    void SetButtonBar();
    void FormResize();
    int clientWidth() const;
    int clientHeight() const;

    // -- database files -------------------------------------------------------------------------
    bool CheckDBaseFormat(QWidget* owner, const QString& path);
    bool DBaseInUse(const QString& path);
    bool MakeNewDB(const QString& path);
    void OpenSaveFile(const QString& path);
    void MenuUpdateDatabaseClick();

    // -- commands -------------------------------------------------------------------------------
    void DoNew();
    void DoOpen();
    void DoAdd();
    void DoEdit();
    void DoCopy();
    void DoDelete();
    void DoImport();
    void DoExport();
    void DoSearch();
    void DoEndSearch();
    void DoFind();
    void DoFindNext();
    void DoReports();
    void DoViewer();
    void DoBackup();
    void DoRestore();
    void DoSortOrder();
    void DoHelp();
    void DoExit();

    void MenuSpeedClick();
    void MenuButtonsClick();
    void MenuNoButtonsClick();
    void ViewerGridDblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // How a run of the open dialog ended.
    enum class OpenOutcome { Cancelled, Refused, Opened };

    // construction of the controls (MainWinControls.cpp, MainWinMenu.cpp)
    void createControls();
    void createLetteredButtons();
    void createSpeedButtons();
    void createViewer();
    void createMenu();
    void createFileMenu();
    void createRecordsMenu();
    void createNavigateMenu();
    void createOptionsMenu();
    void createToolsAndHelpMenus();
    void connectControls();
    void setDefaultViewerColumns();

    // creation and closing (MainWinStartup.cpp)
    void FormCreate(const QStringList& arguments);
    bool chooseStartDatabase();
    bool openStartDatabase();
    void chooseScreenFactor();
    void checkFormatItems();
    void decideBrowseMode(const QStringList& arguments);
    void LoadIntlSettings();
    void CheckForConversion();
    void createLocateComponent();
    void FormShow();
    void FormActivate();
    void FormClose();

    // database files (MainWinDatabase.cpp)
    OpenOutcome runOpenDialog();
    bool switchOver(const QString& path, bool newDatabase);
    void switchOverSteps(const QString& path, bool newDatabase);
    // How the sort index "NewIndex" is chosen when a database is opened.
    enum class IndexChoice {
        ReuseOrCreate, // start-up: an existing index file is used as it is
        Rebuild,       // a switch-over: the tag is made anew from the sort expression
        KeepExisting,  // the table is in use elsewhere: no index is changed
    };
    void selectSortIndex(IndexChoice choice);
    void setDatabasePaths(const QString& path);
    // Closes the table and names it after the file at path.
    static void nameTable(dbase::Table& table, const QString& path);
    void SaveAllLists();
    void LoadAllList();
    void LoadDefaultList();

    // shows the one notice for commands whose windows are not built yet
    void showNotBuiltYet();
    void setBrowseModeControls();
    void setLetteredButtonsEnabled(bool enabled);
    void placeViewerArea(int mode);

    StartState startState_ = StartState::Running;
    bool closed_ = false;
    records::TMyEdit* myEdit_ = nullptr;
    reports::TMyReport* myReport_ = nullptr;
    find::TMySearch* mySearch_ = nullptr;
    reports::TPrintSelect* printSelect_ = nullptr;
    static TMain* instance_;
};

} // namespace app
