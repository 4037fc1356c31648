// The database files: checking, the in-use test, creating, opening and reopening, and the
// switch-over from one database to another.

#include "app/MainWin.h"

#include "app/AppPaths.h"
#include "app/ErrorReportApplication.h"
#include "app/ItemTable.h"
#include "find/SortString.h"
#include "platform/dbase/DatabaseError.h"
#include "platform/forms/DataSource.h"
#include "platform/forms/MessageBox.h"
#include "platform/profile/Profile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace app {

namespace {

constexpr const char* SortIndexName = "NewIndex";

std::string utf8(const QString& text) {
    return text.toStdString();
}

// Closes a table when the scope ends, also when an error leaves it.
class CloseOnExit {
public:
    explicit CloseOnExit(dbase::Table& table) : table_(table) {}
    ~CloseOnExit() {
        if (table_.isOpen()) {
            try {
                table_.close();
            } catch (...) {
                // Only reached while another error is leaving, which is the one to report.
            }
        }
    }
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;

private:
    dbase::Table& table_;
};

bool hasTag(const dbase::Table& table, const std::string& name) {
    const std::vector<dbase::IndexTagInfo> tags = table.indexTags();
    return std::any_of(tags.begin(), tags.end(), [&](const dbase::IndexTagInfo& tag) {
        return upperAscii(QString::fromStdString(tag.name)) ==
               upperAscii(QString::fromStdString(name));
    });
}

} // namespace

// The engine is given the whole file name, so that a name with more than one "." still reaches
// the chosen file.
void TMain::nameTable(dbase::Table& table, const QString& path) {
    if (table.isOpen())
        table.close();
    table.setDatabaseName(utf8(folderOf(path)));
    table.setTableName(utf8(QFileInfo(path).fileName()));
}

bool TMain::CheckDBaseFormat(QWidget* owner, const QString& path) {
    nameTable(MyCheckTable, path);
    MyCheckTable.setReadOnly(true);
    MyCheckTable.setExclusive(false);
    bool passes = false;
    bool flagsIndex = false;
    {
        CloseOnExit closer(MyCheckTable);
        MyCheckTable.open();
        passes = hasItemTableFields(MyCheckTable.fields());
        flagsIndex = MyCheckTable.info().productionIndexFlag;
        MyCheckTable.close();
    }
    // The flag is cleared only in a file the engine has read as a dBase table, so that a file
    // of another kind that merely carries the extension is never written to.
    if (flagsIndex && !QFile::exists(QString::fromStdString(MyCheckTable.indexPath())))
        RemoveMDXByte(utf8(path));
    if (!passes) {
        forms::showError(owner, "This DBase file was not created with Pennyhold Inventory 97.  It "
                                "cannot be opened.  You may, however, import data from this file "
                                "using the import function.");
    }
    return passes;
}

bool TMain::DBaseInUse(const QString& path) {
    nameTable(MyCheckTable, path);
    MyCheckTable.setReadOnly(true);
    MyCheckTable.setExclusive(true);
    bool inUse = false;
    try {
        MyCheckTable.open();
        MyCheckTable.close();
    } catch (const dbase::DatabaseError&) {
        inUse = true;
    }
    MyCheckTable.setExclusive(false);
    return inUse;
}

bool TMain::MakeNewDB(const QString& path) {
    if (QFile::exists(path) && DBaseInUse(path)) {
        const QString text = "The table \"" + path + "\" is currently in use by another program." +
                             "  New table creation will be aborted.";
        forms::showError(this, text.left(255));
        return false;
    }
    nameTable(MyCreateTable, path);
    dbase::Table::create(MyCreateTable.path(), itemTableFieldDefs());
    return QFile::exists(path);
}

void TMain::DoNew() {
    DataNewDialog.owner = this;
    DataNewDialog.overwritePrompt = true;
    DataNewDialog.pathMustExist = true;
    const std::optional<QString> chosen = forms::runFileDialog(DataNewDialog);
    if (chosen) {
        if (searchOn)
            DoEndSearch();
        if (!hasDbfExtension(*chosen))
            forms::showError(this, "Invalid file type selected.");
        else if (MakeNewDB(*chosen))
            switchOver(*chosen, true);
    }
    DisplayCount();
}

void TMain::DoOpen() {
    runOpenDialog();
    DisplayCount();
}

TMain::OpenOutcome TMain::runOpenDialog() {
    DataOpenDialog.owner = this;
    DataOpenDialog.fileMustExist = true;
    const std::optional<QString> chosen = forms::runFileDialog(DataOpenDialog);
    if (!chosen)
        return OpenOutcome::Cancelled;
    if (!hasDbfExtension(*chosen)) {
        forms::showError(this, "Invalid file type selected.");
        return OpenOutcome::Refused;
    }
    if (!CheckDBaseFormat(this, *chosen))
        return OpenOutcome::Refused;
    if (searchOn)
        DoEndSearch();
    return switchOver(*chosen, false) ? OpenOutcome::Opened : OpenOutcome::Refused;
}

void TMain::OpenSaveFile(const QString& path) {
    if (CheckDBaseFormat(this, path)) {
        if (searchOn)
            DoEndSearch();
        switchOver(path, false);
    }
    DisplayCount();
}

void TMain::setDatabasePaths(const QString& path) {
    basePath = joinPath(folderOf(path), tableNameOf(path));
    databaseSettingsPath = basePath + ".INI";
}

void TMain::selectSortIndex(IndexChoice choice) {
    if (sortExpression.empty()) {
        MyTable.setIndexName("");
        return;
    }
    const bool indexFileExists = QFile::exists(QString::fromStdString(MyTable.indexPath()));
    if (choice == IndexChoice::KeepExisting) {
        MyTable.setIndexName(indexFileExists ? SortIndexName : "");
        return;
    }
    if (choice == IndexChoice::ReuseOrCreate && indexFileExists) {
        MyTable.setIndexName(SortIndexName);
        return;
    }
    // The tag is made with the table to ourselves; the caller opens it shared afterwards.
    MyTable.setIndexName("");
    MyTable.setExclusive(true);
    {
        CloseOnExit closer(MyTable);
        MyTable.open();
        if (indexFileExists && hasTag(MyTable, SortIndexName))
            MyTable.deleteIndex(SortIndexName);
        MyTable.addIndex(SortIndexName, sortExpression);
        MyTable.close();
    }
    MyTable.setExclusive(false);
    MyTable.setIndexName(SortIndexName);
}

bool TMain::switchOver(const QString& path, bool newDatabase) {
    // What a failed switch-over puts back: the settings of the database being left and its
    // table, reopened as it was.
    const Settings keptSettings = settings;
    const SettingsContext keptContext = settingsContext;
    const QString keptIndexPath = indexFilePath;
    const QString keptSettingsPath = databaseSettingsPath;
    const QString keptBasePath = basePath;
    const std::string keptSortExpression = sortExpression;
    const QString keptCaption = windowTitle();
    const bool wasOpen = MyTable.isOpen();
    const std::string keptFolder = MyTable.databaseName();
    const std::string keptTable = MyTable.tableName();
    const std::string keptIndex = MyTable.indexName();
    try {
        switchOverSteps(path, newDatabase);
        return true;
    } catch (const std::exception& error) {
        forms::showError(this, errorMessage(error));
    }
    settings = keptSettings;
    settingsContext = keptContext;
    indexFilePath = keptIndexPath;
    databaseSettingsPath = keptSettingsPath;
    basePath = keptBasePath;
    sortExpression = keptSortExpression;
    setWindowTitle(keptCaption);
    try {
        if (MyTable.isOpen())
            MyTable.close();
        MyTable.setExclusive(false);
        if (wasOpen) {
            MyTable.setDatabaseName(keptFolder);
            MyTable.setTableName(keptTable);
            MyTable.setIndexName(keptIndex);
            MyTable.open();
        }
    } catch (const std::exception& error) {
        // The previous database cannot be reopened either: the window stays usable with no
        // database open, and another one can be opened.
        forms::showError(this, errorMessage(error));
        setWindowTitle("Pennyhold Inventory 97");
    }
    MyDataSource->notifyDataChanged();
    DoFileSpecific();
    return false;
}

void TMain::switchOverSteps(const QString& path, bool newDatabase) {
    // 1
    const QString previousPath = QString::fromStdString(settings.lastDatabase);
    settings.lastDatabase = utf8(path);
    // 2
    if (MyTable.isOpen())
        MyTable.close();
    MyDataSource->notifyDataChanged();
    nameTable(MyTable, path);
    MyTable.setExclusive(false);
    setWindowTitle("Pennyhold Inventory 97 (" + tableNameOf(path) + ")");
    indexFilePath = QString::fromStdString(MyTable.indexPath());
    // 3: at start-up no database has been open yet, so there are no settings to leave.
    if (!databaseSettingsPath.isEmpty()) {
        try {
            WriteSettings(settings, settingsContext, utf8(databaseSettingsPath),
                          SettingsMode::Database);
        } catch (const profile::ProfileError& error) {
            // The database being left keeps its old settings file; the user hears why.
            forms::showError(this, QString::fromStdString(error.what()));
        }
        SaveAllLists();
    }
    // 4
    setDatabasePaths(path);
    // 5
    if (newDatabase) {
        LoadDefaultList();
        ReadSettings(settings, settingsContext, GlobalSettingsFile, SettingsMode::Database);
    } else {
        LoadAllList();
        ReadSettings(settings, settingsContext, utf8(databaseSettingsPath), SettingsMode::Database);
    }
    // 6
    sortExpression = find::BuildSortString(settings.sortLevels);
    // 7: a table another run holds open keeps the index it has.
    selectSortIndex(newDatabase || !DBaseInUse(path) ? IndexChoice::Rebuild
                                                     : IndexChoice::KeepExisting);
    // 8
    MyTable.setExclusive(false);
    MyTable.open();
    MyDataSource->notifyDataChanged();
    // 9, 10
    DoFileSpecific();
    DoLastFiles(previousPath, path);
}

void TMain::MenuUpdateDatabaseClick() {
    const bool searchWasOn = searchOn;
    if (searchWasOn)
        DoEndSearch();
    try {
        WriteSettings(settings, settingsContext, utf8(databaseSettingsPath),
                      SettingsMode::Database);
    } catch (const profile::ProfileError& error) {
        forms::showError(this, QString::fromStdString(error.what()));
    }
    MyTable.close();
    MyDataSource->notifyDataChanged();
    if (searchWasOn)
        EnableEndSearch();
    MyTable.open();
    MyDataSource->notifyDataChanged();
    SetViewerOptions();
    DisplayCount();
}

// The data lists belong to the record editor: these steps do nothing until it is built. When
// it is, they are skipped while the editor does not exist yet (a database chosen during
// start-up), since the editor loads the open database's lists when it is created.
void TMain::SaveAllLists() {}

void TMain::LoadAllList() {}

void TMain::LoadDefaultList() {}

} // namespace app
