// The database files of the main window: the item-table check, new and open through the
// dialogs, the recent databases list, the switch-over and its failure, and deleting an item.

#include "MainWinTestSupport.h"

#include "platform/forms/TableModel.h"

#include <QLabel>
#include <QMenu>

using namespace testing_support;

namespace {

const QString NotOursMessage =
    "This DBase file was not created with Pennyhold Inventory 97.  It cannot be opened.  You "
    "may, however, import data from this file using the import function.";

std::vector<dbase::FieldDef> lowerCaseItemFields() {
    std::vector<dbase::FieldDef> fields = itemFields();
    for (dbase::FieldDef& field : fields)
        field.name = QString::fromStdString(field.name).toLower().toStdString();
    return fields;
}

// The item fields with every field a 10-character text: right names, other types and widths.
std::vector<dbase::FieldDef> allTextItemFields() {
    std::vector<dbase::FieldDef> fields = itemFields();
    for (dbase::FieldDef& field : fields)
        field = {field.name, dbase::FieldType::Character, 10, 0};
    return fields;
}

} // namespace

class MainWinDatabaseTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void checkDBaseFormat_data();
    void checkDBaseFormat();
    void invalidFileType_data();
    void invalidFileType();
    void newDatabaseStartsFromTheGlobalTemplate();
    void newDatabaseOnATableInUse();
    void recentDatabases_data();
    void recentDatabases();
    void recentDatabaseCaptions();
    void switchOverSavesTheOldSettingsBeforeReadingTheNew();
    void failedSwitchOverReopensThePreviousDatabase();
    void updateDatabaseWritesSettingsAndReopens();
    void deleteAsksFirst_data();
    void deleteAsksFirst();

private:
    std::unique_ptr<TestFolders> folders_;
    std::unique_ptr<MessageRecorder> messages_;
    std::unique_ptr<FileDialogScript> dialogs_;
};

void MainWinDatabaseTest::init() {
    folders_ = std::make_unique<TestFolders>();
    messages_ = std::make_unique<MessageRecorder>();
    dialogs_ = std::make_unique<FileDialogScript>();
}

void MainWinDatabaseTest::cleanup() {
    dialogs_.reset();
    messages_.reset();
    folders_.reset();
}

void MainWinDatabaseTest::checkDBaseFormat_data() {
    QTest::addColumn<int>("fieldCount");
    QTest::addColumn<int>("naming"); // 0 as the item table, 1 lower case, 2 all text fields
    QTest::addColumn<bool>("passes");
    QTest::newRow("22 item fields") << 22 << 0 << true;
    QTest::newRow("names in lower case") << 22 << 1 << true;
    QTest::newRow("other types and widths") << 22 << 2 << true;
    QTest::newRow("21 fields") << 21 << 0 << false;
    QTest::newRow("23 fields") << 23 << 0 << false;
}

void MainWinDatabaseTest::checkDBaseFormat() {
    QFETCH(int, fieldCount);
    QFETCH(int, naming);
    QFETCH(bool, passes);
    std::vector<dbase::FieldDef> fields = naming == 1   ? lowerCaseItemFields()
                                          : naming == 2 ? allTextItemFields()
                                                        : itemFields();
    fields.resize(std::min<std::size_t>(fields.size(), fieldCount));
    while (static_cast<int>(fields.size()) < fieldCount)
        fields.push_back({"Extra", dbase::FieldType::Character, 4, 0});
    const QString path = folders_->inData("CHECK.DBF");
    makeTable(path, fields);

    app::TMain window({});
    messages_->messages.clear();
    QCOMPARE(window.CheckDBaseFormat(&window, path), passes);
    if (passes) {
        QVERIFY(messages_->messages.empty());
    } else {
        QCOMPARE(messages_->texts(), QStringList({NotOursMessage}));
        QCOMPARE(messages_->titles(), QStringList({"Error"}));
        QCOMPARE(messages_->messages[0].owner, &window);
    }
    QVERIFY(!window.MyCheckTable.isOpen());
}

void MainWinDatabaseTest::invalidFileType_data() {
    QTest::addColumn<bool>("newDatabase");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("open .TXT") << false << "notes.TXT" << false;
    QTest::newRow("open .dbf") << false << "lower.dbf" << true;
    QTest::newRow("open, typed without extension") << false << "typed" << true;
    QTest::newRow("new .txt") << true << "notes.txt" << false;
    QTest::newRow("new .Dbf") << true << "fresh.Dbf" << true;
}

void MainWinDatabaseTest::invalidFileType() {
    QFETCH(bool, newDatabase);
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    const QString path = folders_->inData(name);
    // The dialog adds the default extension to a name typed without one.
    const QString chosen = QFileInfo(name).suffix().isEmpty() ? path + ".DBF" : path;
    if (!newDatabase && accepted)
        makeItemTable(chosen);
    else if (!newDatabase)
        writeText(path, "not looked at");
    app::TMain window({});
    messages_->messages.clear();
    dialogs_->answers = {path};
    if (newDatabase)
        window.DoNew();
    else
        window.DoOpen();

    QCOMPARE(dialogs_->requests.size(), std::size_t(1));
    const forms::FileDialogRequest& request = dialogs_->requests[0];
    QCOMPARE(request.title,
             newDatabase ? QString("New Database File") : QString("Open Database File"));
    QCOMPARE(request.filter, QString("Database Files (*.DBF)|*.DBF"));
    QCOMPARE(request.defaultExtension, QString("DBF"));
    QCOMPARE(request.overwritePrompt, newDatabase);
    QCOMPARE(request.fileMustExist, !newDatabase);
    if (accepted) {
        QVERIFY2(messages_->messages.empty(), qPrintable(messages_->texts().join(" | ")));
        QCOMPARE(window.windowTitle(),
                 "Pennyhold Inventory 97 (" + QFileInfo(name).completeBaseName() + ")");
    } else {
        QCOMPARE(messages_->texts(), QStringList({"Invalid file type selected."}));
        QCOMPARE(messages_->titles(), QStringList({"Error"}));
        QCOMPARE(window.windowTitle(), QString("Pennyhold Inventory 97 (MASTER)"));
        QVERIFY(!QFile::exists(path) || !newDatabase);
    }
    if (accepted) {
        QVERIFY(QFile::exists(chosen));
        QCOMPARE(QString::fromStdString(window.settings.lastDatabase), chosen);
    }
}

void MainWinDatabaseTest::newDatabaseStartsFromTheGlobalTemplate() {
    writeText(folders_->globalIni(), "[Field Names]\nItem=Thing\n[Sort Order]\nPrimary Sort=1\n");
    const QString path = folders_->inData("FRESH.DBF");
    // A table of that name with items and a settings file of its own is replaced.
    makeItemTable(path, {"old"});
    writeText(folders_->inData("FRESH.INI"), "[Field Names]\nItem=Old Name\n");
    app::TMain window({});
    window.show();
    dialogs_->answers = {path};
    window.DoNew();
    QVERIFY2(messages_->messages.empty(), qPrintable(messages_->texts().join(" | ")));
    QCOMPARE(window.windowTitle(), QString("Pennyhold Inventory 97 (FRESH)"));
    QCOMPARE(window.CountLabel->text(), QString("0"));
    QCOMPARE(window.settings.fieldNames[0], std::string("Thing"));
    QCOMPARE(window.sortExpression, std::string("Upper(Left(Item,80))"));
    QCOMPARE(window.MyTable.indexName(), std::string("NewIndex"));
    QCOMPARE(recentEntries(window)[0], folders_->inHome("MASTER.DBF"));
    window.close();
    QCOMPARE(iniValue(readText(folders_->inData("FRESH.INI")), "Field Names", "Item"),
             QByteArray("Thing"));
}

void MainWinDatabaseTest::newDatabaseOnATableInUse() {
    const QString path = folders_->inData("BUSY.DBF");
    makeItemTable(path, {"kept"});
    dbase::Table other; // another run holding the table open
    other.setDatabaseName(folders_->data().toStdString());
    other.setTableName("BUSY.DBF");
    other.open();
    app::TMain window({});
    messages_->messages.clear();
    dialogs_->answers = {path};
    window.DoNew();
    QCOMPARE(messages_->texts(),
             QStringList({"The table \"" + path +
                          "\" is currently in use by another program.  New table creation will "
                          "be aborted."}));
    QCOMPARE(window.windowTitle(), QString("Pennyhold Inventory 97 (MASTER)"));
    QCOMPARE(other.recordCount(), 1);
}

void MainWinDatabaseTest::recentDatabases_data() {
    QTest::addColumn<QStringList>("startList");
    QTest::addColumn<QStringList>("steps"); // "open:NAME" through the dialog, "recent:N" item N
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("openAtEnd");

    QTest::newRow("open an entry") << QStringList{"A", "B"} << QStringList{"open:A"}
                                   << QStringList{"X", "B", "", "", ""} << "A";
    QTest::newRow("then the previous one from the list")
        << QStringList{"A", "B"} << QStringList{"open:A", "recent:1"}
        << QStringList{"A", "B", "", "", ""} << "X";
    QTest::newRow("the open one again") << QStringList{"A", "B"} << QStringList{"open:X"}
                                        << QStringList{"X", "A", "B", "", ""} << "X";
    QTest::newRow("a sixth drops the fifth")
        << QStringList{"A", "B", "C", "D", "E"} << QStringList{"open:F"}
        << QStringList{"X", "A", "B", "C", "D"} << "F";
    QTest::newRow("an empty entry keeps its place")
        << QStringList{"A", "", "C"} << QStringList{"open:C"} << QStringList{"X", "A", "", "", ""}
        << "C";
}

void MainWinDatabaseTest::recentDatabases() {
    QFETCH(QStringList, startList);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    QFETCH(QString, openAtEnd);
    const auto pathOf = [this](const QString& name) {
        return name.isEmpty() ? QString() : folders_->inData(name + ".DBF");
    };
    QByteArray ini = "[Misc]\nLast Database=" + pathOf("X").toUtf8() + "\n";
    for (const char* name : {"X", "A", "B", "C", "D", "E", "F"})
        makeItemTable(pathOf(name));
    for (int i = 0; i < startList.size(); ++i)
        ini +=
            "Last File " + QByteArray::number(i + 1) + "=" + pathOf(startList[i]).toUtf8() + "\n";
    writeText(folders_->globalIni(), ini);

    app::TMain window({});
    for (const QString& step : steps) {
        const QString argument = step.section(':', 1);
        if (step.startsWith("open:")) {
            dialogs_->answers = {pathOf(argument)};
            window.DoOpen();
        } else {
            window.MenuLastFile[argument.toInt() - 1]->trigger();
        }
    }
    QStringList expectedPaths;
    for (const QString& name : expected)
        expectedPaths << pathOf(name);
    QCOMPARE(recentEntries(window), expectedPaths);
    QCOMPARE(QString::fromStdString(window.settings.lastDatabase), pathOf(openAtEnd));
    QCOMPARE(window.windowTitle(), "Pennyhold Inventory 97 (" + openAtEnd + ")");
    QVERIFY2(messages_->messages.empty(), qPrintable(messages_->texts().join(" | ")));
}

void MainWinDatabaseTest::recentDatabaseCaptions() {
    const QString a = folders_->inData("A.DBF");
    const QString c = folders_->inData("C.DBF");
    makeItemTable(a);
    makeItemTable(c);
    writeText(folders_->globalIni(),
              "[Misc]\nLast File 1=" + a.toUtf8() + "\nLast File 3=" + c.toUtf8() + "\n");
    app::TMain window({});
    window.show();
    QVERIFY(window.MenuExitSep->isVisible());
    QCOMPARE(visibleRecentItems(window), QStringList({"&1   " + a, "&3   " + c}));

    window.settings.lastFiles = {};
    window.SetMenuLastFiles();
    QVERIFY(!window.MenuExitSep->isVisible());
    QVERIFY(visibleRecentItems(window).isEmpty());
}

void MainWinDatabaseTest::switchOverSavesTheOldSettingsBeforeReadingTheNew() {
    const QString a = folders_->inData("A.DBF");
    const QString b = folders_->inData("B.DBF");
    makeItemTable(a, {"one"});
    makeItemTable(b, {"one", "two", "three"});
    writeText(folders_->inData("A.INI"), "[Field Names]\nItem=A Item\n");
    writeText(folders_->inData("B.INI"), "[Field Names]\nItem=B Item\n[Sort Order]\n"
                                         "Primary Sort=2\nSecondary Sort=11\n");
    writeText(folders_->globalIni(), "[Misc]\nLast Database=" + a.toUtf8() + "\n");
    app::TMain window({});
    window.show();
    QCOMPARE(window.settings.fieldNames[0], std::string("A Item"));
    QCOMPARE(window.CountLabel->text(), QString("1"));

    // A change made in memory reaches A's file when A is left.
    window.settings.fieldNames[0] = "Changed";
    window.OpenSaveFile(b);
    QCOMPARE(iniValue(readText(folders_->inData("A.INI")), "Field Names", "Item"),
             QByteArray("Changed"));
    QCOMPARE(window.settings.fieldNames[0], std::string("B Item"));
    QCOMPARE(window.ViewerModel->headerData(0, Qt::Horizontal).toString(), QString("B Item"));
    QCOMPARE(window.sortExpression, std::string("Upper(Left(Brand,40))+STR(Cost,12,2)"));
    QCOMPARE(window.CountLabel->text(), QString("3"));
    QCOMPARE(window.databaseSettingsPath, folders_->inData("B.INI"));

    // Opening the open database again saves its settings before reading them back.
    window.settings.fieldNames[0] = "Kept";
    window.OpenSaveFile(b);
    QCOMPARE(window.settings.fieldNames[0], std::string("Kept"));
    QVERIFY2(messages_->messages.empty(), qPrintable(messages_->texts().join(" | ")));
}

void MainWinDatabaseTest::failedSwitchOverReopensThePreviousDatabase() {
    // Right names, so it passes the check, but a numeric Category cannot take the default
    // sort key Upper(Left(Category,80)): building the index fails part way.
    std::vector<dbase::FieldDef> fields = itemFields();
    fields[11] = {"Category", dbase::FieldType::Numeric, 5, 0};
    const QString broken = folders_->inData("BROKEN.DBF");
    makeTable(broken, fields);
    const QString good = folders_->inData("GOOD.DBF");
    makeItemTable(good, {"one", "two"});
    writeText(folders_->inData("GOOD.INI"), "[Field Names]\nItem=Good Item\n");
    writeText(folders_->globalIni(), "[Misc]\nLast Database=" + good.toUtf8() + "\n");
    app::TMain window({});
    window.show();
    const QStringList listBefore = recentEntries(window);

    dialogs_->answers = {broken};
    window.DoOpen();
    QCOMPARE(messages_->messages.size(), std::size_t(1));
    QCOMPARE(messages_->titles(), QStringList({"Error"}));
    QVERIFY(!messages_->texts()[0].isEmpty());
    QCOMPARE(window.windowTitle(), QString("Pennyhold Inventory 97 (GOOD)"));
    QVERIFY(window.MyTable.isOpen());
    QCOMPARE(window.CountLabel->text(), QString("2"));
    QCOMPARE(QString::fromStdString(window.settings.lastDatabase), good);
    QCOMPARE(window.settings.fieldNames[0], std::string("Good Item"));
    QCOMPARE(window.databaseSettingsPath, folders_->inData("GOOD.INI"));
    QCOMPARE(recentEntries(window), listBefore);

    // The window goes on: another database opens as usual.
    makeItemTable(folders_->inData("NEXT.DBF"), {"x"});
    dialogs_->answers = {folders_->inData("NEXT.DBF")};
    window.DoOpen();
    QCOMPARE(window.windowTitle(), QString("Pennyhold Inventory 97 (NEXT)"));
    QCOMPARE(window.CountLabel->text(), QString("1"));
}

void MainWinDatabaseTest::updateDatabaseWritesSettingsAndReopens() {
    app::TMain window({});
    window.show();
    window.settings.fieldNames[1] = "Maker";
    window.EnableEndSearch();
    window.MenuUpdateDatabaseClick();
    QCOMPARE(iniValue(readText(folders_->inHome("MASTER.INI")), "Field Names", "Brand"),
             QByteArray("Maker"));
    QVERIFY(window.MyTable.isOpen());
    // The search is in force again afterwards.
    QVERIFY(window.searchOn);
    QVERIFY(window.SearchOnLabel->isVisible());
    QVERIFY(window.MenuEndSearch->isEnabled());
}

void MainWinDatabaseTest::deleteAsksFirst_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("count");
    QTest::newRow("yes") << int(forms::Yes) << "1";
    QTest::newRow("no") << int(forms::No) << "2";
}

void MainWinDatabaseTest::deleteAsksFirst() {
    QFETCH(int, answer);
    QFETCH(QString, count);
    makeItemTable(folders_->inHome("MASTER.DBF"), {"Lamp", "Chair"});
    app::TMain window({});
    window.show();
    QCOMPARE(window.CountLabel->text(), QString("2"));
    messages_->answers = {answer};
    window.DoDelete();
    QCOMPARE(messages_->texts(), QStringList({"Delete this record?"}));
    QCOMPARE(messages_->titles(), QStringList({"Confirm"}));
    QCOMPARE(messages_->messages[0].buttons, int(forms::Yes | forms::No));
    QCOMPARE(window.CountLabel->text(), count);
    QCOMPARE(window.MyTable.recordCount(), count.toInt());
}

PNHOLD_MAIN_WINDOW_TEST_MAIN(MainWinDatabaseTest)
#include "MainWinDatabaseTest.moc"
