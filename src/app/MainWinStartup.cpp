// Creation of the main window, its showing and activation, and its closing.

#include "app/MainWin.h"

#include "app/AppPaths.h"
#include "app/ErrorReportApplication.h"
#include "find/SortString.h"
#include "platform/forms/DataSource.h"
#include "platform/forms/DbGrid.h"
#include "platform/forms/DbNavigator.h"
#include "platform/forms/HelpViewer.h"
#include "platform/forms/MessageBox.h"
#include "reports/ReportFile.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QToolButton>

namespace app {

namespace {

constexpr const char* Caption = "Pennyhold Inventory 97";

} // namespace

void TMain::FormCreate(const QStringList& arguments) {
    // 1
    reportWork = std::make_unique<reports::ReportDefinition>();
    // 2, 3
    DisableEndSearch();
    setWindowTitle(Caption);
    ViewerLabel->setText("Inventory Viewer");
    // 4
    programFolder = app::programFolder();
    startupFolder = app::startupFolder();
    settingsContext.startupFolder = startupFolder.toStdString();
    // 5
    ViewerLabel->move((clientWidth() - ViewerLabel->width()) / 2, ViewerLabel->y());
    // 6: the five shared fonts live in the settings record as font descriptions; the windows
    // make their fonts from them when they apply them.
    // 7: a report file that cannot be written is made at the next start; the user hears why.
    try {
        reports::ensureReportFile(programFolder.toStdString());
    } catch (const std::exception& error) {
        forms::showError(this, errorMessage(error));
    }
    // The help file comes with the program; "He&lp" names the file when it is missing.
    forms::installHelpFile(programFolder);
    // 8, 9
    ReadSettings(settings, settingsContext, GlobalSettingsFile, SettingsMode::Global);
    move(settings.mainWindowLeft, settings.mainWindowTop);
    resize(settings.mainWindowWidth, settings.mainWindowHeight);
    // 10
    checkFormatItems();
    // 11, 12
    if (!chooseStartDatabase())
        return;
    if (!openStartDatabase())
        return;
    // 13 to 19
    SetButtonBar();
    chooseScreenFactor();
    LoadIntlSettings();
    SetMenuLastFiles();
    CheckForConversion();
    createLocateComponent();
    decideBrowseMode(arguments);
}

void TMain::checkFormatItems() {
    // The date pattern and the number formats themselves come with the display formats; here
    // the menu shows the choices read.
    const int format = settings.dateFormat;
    if (format >= 1 && format <= static_cast<int>(MenuDateFormats.size()))
        MenuDateFormats[format - 1]->setChecked(true);
    MenuDateLeadingZeros->setChecked(settings.dateLeadingZeros);
    MenuCurrencyUS->setChecked(settings.currencyFormat == 1);
    MenuCurrencyWin->setChecked(settings.currencyFormat == 2);
    MenuNumericUS->setChecked(settings.numericFormat == 1);
    MenuNumericWin->setChecked(settings.numericFormat == 2);
}

bool TMain::chooseStartDatabase() {
    if (QFile::exists(QString::fromStdString(settings.lastDatabase)))
        return true;
    const QString master = joinPath(programFolder, DefaultDatabaseName);
    settings.lastDatabase = master.toStdString();
    if (QFile::exists(master))
        return true;
    bool created = false;
    try {
        created = MakeNewDB(master);
    } catch (const std::exception& error) {
        forms::showError(this, errorMessage(error));
    }
    if (!created)
        startState_ = StartState::DefaultDatabaseFailed;
    return created;
}

bool TMain::openStartDatabase() {
    for (;;) {
        const QString path = QString::fromStdString(settings.lastDatabase);
        try {
            if (CheckDBaseFormat(this, path)) {
                nameTable(MyTable, path);
                setWindowTitle(QString(Caption) + " (" + tableNameOf(path) + ")");
                indexFilePath = QString::fromStdString(MyTable.indexPath());
                setDatabasePaths(path);
                ReadSettings(settings, settingsContext, databaseSettingsPath.toStdString(),
                             SettingsMode::Database);
                sortExpression = find::BuildSortString(settings.sortLevels);
                selectSortIndex(IndexChoice::ReuseOrCreate);
                MyTable.setExclusive(false);
                MyTable.open();
                MyDataSource->notifyDataChanged();
                return true;
            }
        } catch (const std::exception& error) {
            // A file that is no table at all, or whose index cannot be used, is treated as one
            // that fails the check, after the engine's own words.
            forms::showError(this, errorMessage(error));
            if (MyTable.isOpen())
                MyTable.close();
            MyTable.setExclusive(false);
            databaseSettingsPath.clear();
            basePath.clear();
        }
        forms::showError(this, "The last database used as recorded in the INI file is not a "
                               "valid Pennyhold Inventory 97 file.  You will need to choose a "
                               "new file.");
        OpenOutcome outcome = OpenOutcome::Refused;
        try {
            outcome = runOpenDialog();
        } catch (const std::exception& error) {
            forms::showError(this, errorMessage(error));
        }
        if (outcome == OpenOutcome::Opened)
            return true;
        // Without a usable database there is nothing to show: Cancel ends the program rather
        // than asking for ever.
        if (outcome == OpenOutcome::Cancelled) {
            startState_ = StartState::NoDatabaseChosen;
            return false;
        }
    }
}

void TMain::chooseScreenFactor() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        screenWidth = screen->size().width();
        screenHeight = screen->size().height();
    }
    struct Size {
        int width;
        int height;
        double factor;
        QAction* item;
    };
    const std::array<Size, 3> larger = {{
        {800, 600, 1.25, N800x600},
        {1024, 768, 1.6, N1024x768},
        {1280, 1024, 2.0, N1280x1024},
    }};
    screenFactor = 1.0;
    QAction* checked = N640x480;
    for (const Size& size : larger) {
        if (settings.windowSize == size.width && screenWidth >= size.width &&
            screenHeight >= size.height) {
            screenFactor = size.factor;
            checked = size.item;
        }
    }
    for (QAction* item : {N640x480, N800x600, N1024x768, N1280x1024})
        item->setChecked(item == checked);
}

void TMain::LoadIntlSettings() {
    // Nothing yet: the regional values come with the display formats, a later step.
}

void TMain::CheckForConversion() {
    // Nothing yet: the conversion of old-release databases is a later step.
}

void TMain::createLocateComponent() {
    // Nothing yet: the locate component is a later step.
}

void TMain::decideBrowseMode(const QStringList& arguments) {
    const QString first = arguments.isEmpty() ? QString() : arguments.first().left(30);
    if (upperAscii(first) != "/BROWSE")
        return;
    StartBrowseMode(settings, settingsContext);
    setBrowseModeControls();
}

void TMain::setBrowseModeControls() {
    for (QAction* item : {MenuAdd, MenuCopy, MenuDelete, MenuBackup, MenuRestore, MenuViewer,
                          MenuImport, MenuSearchReplace})
        item->setEnabled(false);
    MenuMaintain->menuAction()->setEnabled(false);
    for (QToolButton* button : {AddSpeed, CopySpeed, ImportSpeed, DeleteSpeed, ViewerSpeed})
        button->setEnabled(false);
    for (QPushButton* button : {AddButton, CopyButton, DeleteButton, ViewerButton})
        button->setEnabled(false);
    MyNavigator->setVisibleButtons({forms::DbNavigator::First, forms::DbNavigator::Prior,
                                    forms::DbNavigator::Next, forms::DbNavigator::Last});
    ViewerGrid->setFieldEditing(false);
}

void TMain::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FormShow();
    QMainWindow::showEvent(event);
}

void TMain::FormShow() {
    DoFileSpecific();
    // Also bound here, so that the navigator works while the window has not been activated
    // yet (focus held elsewhere, or no window manager at all).
    MyNavigator->setDataSource(MyDataSource);
}

bool TMain::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(event);
}

void TMain::FormActivate() {
    MyNavigator->setDataSource(MyDataSource);
    // The tip of the day comes with a later step.
}

void TMain::closeEvent(QCloseEvent* event) {
    if (startState_ == StartState::Running && !closed_)
        FormClose();
    QMainWindow::closeEvent(event);
}

void TMain::FormClose() {
    closed_ = true;
    // 1
    searchOn = false;
    // 2
    const QRect placement =
        isMaximized() || isMinimized() ? normalGeometry() : QRect(pos(), size());
    settings.mainWindowLeft = placement.x();
    settings.mainWindowTop = placement.y();
    settings.mainWindowWidth = placement.width();
    settings.mainWindowHeight = placement.height();
    // 3
    if (browseMode())
        settings.fieldEditing = settingsContext.savedFieldEditing;
    // 4: a settings file that cannot be written is named to the user, never lost in silence.
    try {
        WriteSettings(settings, settingsContext, GlobalSettingsFile, SettingsMode::Global);
    } catch (const std::exception& error) {
        forms::showError(this, errorMessage(error));
    }
    if (!databaseSettingsPath.isEmpty()) {
        try {
            WriteSettings(settings, settingsContext, databaseSettingsPath.toStdString(),
                          SettingsMode::Database);
        } catch (const std::exception& error) {
            forms::showError(this, errorMessage(error));
        }
    }
    // The table writes its index as it closes; a failure there is reported too.
    try {
        if (MyTable.isOpen())
            MyTable.close();
    } catch (const std::exception& error) {
        forms::showError(this, errorMessage(error));
    }
    MyDataSource->notifyDataChanged();
    // 5
    reportWork.reset();
}

} // namespace app
