// Start-up and closing of the main window: the first start, the choice of the database,
// browse mode, and the settings written at close.

#include "MainWinTestSupport.h"

#include "platform/dbase/DatabaseError.h"
#include "platform/forms/DbGrid.h"
#include "platform/forms/DbNavigator.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

using namespace testing_support;

namespace {

const QString NotValidMessage =
    "The last database used as recorded in the INI file is not a valid Pennyhold Inventory 97 "
    "file.  You will need to choose a new file.";
const QString NotOursMessage =
    "This DBase file was not created with Pennyhold Inventory 97.  It cannot be opened.  You "
    "may, however, import data from this file using the import function.";

} // namespace

class MainWinStartupTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartCreatesMasterAndWritesBothFilesAtClose();
    void browseArgument_data();
    void browseArgument();
    void browseModeKeepsStoredFieldEditing();
    void settingsWriteFailuresAreReportedInOrder();
    void screenSizeFactor_data();
    void screenSizeFactor();
    void unusableLastDatabase_data();
    void unusableLastDatabase();
    void cancelOnUnusableLastDatabaseEndsTheRun();
    void engineErrorInTheReportKeepsTheWindowUsable();
};

void MainWinStartupTest::firstStartCreatesMasterAndWritesBothFilesAtClose() {
    TestFolders folders;
    MessageRecorder messages;
    const QString master = folders.inHome("MASTER.DBF");
    {
        app::TMain window({});
        QCOMPARE(window.startState(), app::TMain::StartState::Running);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCOMPARE(window.pos(), QPoint(0, 0));
        QCOMPARE(window.size(), QSize(640, 480));
        QVERIFY(window.SpeedPanel->isVisible());
        QVERIFY(window.MenuSpeed->isChecked());
        QCOMPARE(window.windowTitle(), QString("Pennyhold Inventory 97 (MASTER)"));
        QCOMPARE(window.CountLabel->text(), QString("0"));
        QCOMPARE(window.Count2Label->text(), QString("Items"));
        QCOMPARE(window.ViewerLabel->text(), QString("Inventory Viewer"));
        QVERIFY(!window.SearchOnLabel->isVisible());
        QVERIFY(!window.MenuExitSep->isVisible());
        QVERIFY(QFile::exists(folders.inHome("PNHOLD.URP")));
        QCOMPARE(window.MyTable.indexName(), std::string("NewIndex"));
        window.close();
    }
    QVERIFY2(messages.messages.empty(), qPrintable(messages.texts().join(" | ")));

    dbase::Table table;
    table.setDatabaseName(folders.home().toStdString());
    table.setTableName("MASTER.DBF");
    table.setReadOnly(true);
    table.open();
    QCOMPARE(table.fieldCount(), 22);
    QVERIFY(app::hasItemTableFields(table.fields()));
    QCOMPARE(table.recordCount(), 0);
    const std::vector<dbase::IndexTagInfo> tags = table.indexTags();
    QCOMPARE(tags.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(tags[0].name).toUpper(), QString("NEWINDEX"));
    QCOMPARE(QString::fromStdString(tags[0].expression), QString("Upper(Left(Category,80))"));

    const QByteArray global = readText(folders.globalIni());
    QCOMPARE(iniValue(global, "Misc", "Last Database"), master.toUtf8());
    QCOMPARE(iniValue(global, "Misc", "Main Window Width"), QByteArray("640"));
    QCOMPARE(iniValue(global, "Misc", "Main Window Height"), QByteArray("480"));
    QCOMPARE(iniValue(global, "Misc", "Button Bar"), QByteArray("1"));
    // The global file holds only "Misc"; the database's sections go to its own file.
    QVERIFY(iniValue(global, "Sort Order", "Primary Sort").isNull());
    const QByteArray own = readText(folders.inHome("MASTER.INI"));
    QCOMPARE(iniValue(own, "Sort Order", "Primary Sort"), QByteArray("12"));
    QCOMPARE(iniValue(own, "Field Names", "Serial"), QByteArray("Serial Number"));
    QVERIFY(iniValue(own, "Misc", "Last Database").isNull());
}

void MainWinStartupTest::browseArgument_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("browse");
    QTest::newRow("upper case") << QStringList{"/BROWSE"} << true;
    QTest::newRow("lower case") << QStringList{"/browse"} << true;
    QTest::newRow("mixed case") << QStringList{"/BrOwSe", "more"} << true;
    QTest::newRow("a character added") << QStringList{"/BROWSEX"} << false;
    QTest::newRow("a blank added") << QStringList{"/BROWSE "} << false;
    QTest::newRow("not first") << QStringList{"x", "/BROWSE"} << false;
    QTest::newRow("none") << QStringList{} << false;
}

void MainWinStartupTest::browseArgument() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, browse);
    TestFolders folders;
    MessageRecorder messages;
    writeText(folders.globalIni(), "[Misc]\nButton Bar=2\n");
    app::TMain window(arguments);
    QCOMPARE(window.browseMode(), browse);
    for (QAction* item : {window.MenuAdd, window.MenuCopy, window.MenuDelete, window.MenuBackup,
                          window.MenuRestore, window.MenuViewer, window.MenuImport,
                          window.MenuSearchReplace, window.MenuMaintain->menuAction()})
        QVERIFY2(item->isEnabled() != browse, qPrintable(item->text()));
    for (QToolButton* button : {window.AddSpeed, window.CopySpeed, window.ImportSpeed,
                                window.DeleteSpeed, window.ViewerSpeed})
        QVERIFY2(button->isEnabledTo(window.SpeedPanel) != browse, qPrintable(button->toolTip()));
    for (QPushButton* button :
         {window.AddButton, window.CopyButton, window.DeleteButton, window.ViewerButton})
        QVERIFY2(button->isEnabled() != browse, qPrintable(button->text()));
    QVERIFY(window.EditButton->isEnabled());
    QVERIFY(window.MenuEdit->isEnabled());
    QVERIFY(window.MyNavigator->isButtonVisible(forms::DbNavigator::Next));
    QCOMPARE(window.MyNavigator->isButtonVisible(forms::DbNavigator::Insert), !browse);

    // Lettered buttons chosen again from "None" keep the browse-mode locks.
    window.MenuNoButtonsClick();
    window.MenuButtonsClick();
    QCOMPARE(window.AddButton->isEnabled(), !browse);
    QCOMPARE(window.ViewerButton->isEnabled(), !browse);
    QVERIFY(window.EditButton->isEnabled());
}

void MainWinStartupTest::browseModeKeepsStoredFieldEditing() {
    TestFolders folders;
    MessageRecorder messages;
    writeText(folders.inHome("MASTER.INI"), "[Grid Options]\nField Editing=Yes\n");
    makeItemTable(folders.inHome("MASTER.DBF"));
    const QString second = folders.inData("SECOND.DBF");
    makeItemTable(second, {"x"});
    writeText(folders.inData("SECOND.INI"), "[Grid Options]\nField Editing=Yes\n");
    {
        app::TMain window({"/browse"});
        window.show();
        QVERIFY(!window.settings.fieldEditing);
        QVERIFY(!window.ViewerGrid->fieldEditing());
        window.OpenSaveFile(second);
        QCOMPARE(window.windowTitle(), QString("Pennyhold Inventory 97 (SECOND)"));
        QVERIFY(!window.settings.fieldEditing);
        QVERIFY(!window.ViewerGrid->fieldEditing());
        window.close();
    }
    for (const QString& file : {folders.inHome("MASTER.INI"), folders.inData("SECOND.INI")})
        QCOMPARE(iniValue(readText(file), "Grid Options", "Field Editing"), QByteArray("Yes"));
}

void MainWinStartupTest::settingsWriteFailuresAreReportedInOrder() {
    TestFolders folders;
    MessageRecorder messages;
    {
        app::TMain window({});
        // Folders in place of the two files make both writes fail.
        QVERIFY(QDir().mkpath(folders.globalIni()));
        QVERIFY(QDir().mkpath(folders.inHome("MASTER.INI")));
        window.close();
    }
    const QStringList texts = messages.texts();
    QCOMPARE(texts.size(), 2);
    QVERIFY2(texts[0].contains("PNHOLD.INI"), qPrintable(texts[0]));
    QVERIFY2(texts[1].contains("MASTER.INI"), qPrintable(texts[1]));
    QCOMPARE(messages.titles(), QStringList({"Error", "Error"}));
}

void MainWinStartupTest::screenSizeFactor_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<double>("factor");
    // The offscreen platform's screen (800 wide) is large enough for 800 x 600 only.
    QTest::newRow("640") << 640 << "640 x 480" << 1.0;
    QTest::newRow("800") << 800 << "800 x 600" << 1.25;
    QTest::newRow("1024 on a smaller screen") << 1024 << "640 x 480" << 1.0;
    QTest::newRow("1280 on a smaller screen") << 1280 << "640 x 480" << 1.0;
    QTest::newRow("no such size") << 700 << "640 x 480" << 1.0;
}

void MainWinStartupTest::screenSizeFactor() {
    QFETCH(int, stored);
    QFETCH(QString, checked);
    QFETCH(double, factor);
    TestFolders folders;
    MessageRecorder messages;
    writeText(folders.globalIni(), "[Misc]\nWindow Size=" + QByteArray::number(stored) + "\n");
    app::TMain window({});
    if (window.screenWidth < 800 || window.screenHeight < 600 || window.screenWidth >= 1024)
        QSKIP("needs a screen of at least 800 x 600 and under 1024 wide");
    QStringList checkedItems;
    for (QAction* item : window.MenuScreenSize->actions()) {
        if (item->isChecked())
            checkedItems << item->text();
    }
    QCOMPARE(checkedItems, QStringList({checked}));
    QCOMPARE(window.screenFactor, factor);
    QCOMPARE(window.settings.windowSize, stored); // the fallback keeps the stored size
}

void MainWinStartupTest::unusableLastDatabase_data() {
    QTest::addColumn<QByteArray>("content"); // empty: an item table with 21 fields
    QTest::addColumn<QString>("firstMessage");
    QTest::newRow("a table of another program") << QByteArray() << NotOursMessage;
    // The engine's own words come first; the text depends on the engine, so any is accepted.
    QTest::newRow("no table at all") << QByteArray("this is not a table") << QString();
}

void MainWinStartupTest::unusableLastDatabase() {
    QFETCH(QByteArray, content);
    QFETCH(QString, firstMessage);
    TestFolders folders;
    MessageRecorder messages;
    FileDialogScript dialogs;
    const QString bad = folders.inData("OTHER.DBF");
    if (content.isEmpty()) {
        std::vector<dbase::FieldDef> fields = itemFields();
        fields.pop_back();
        makeTable(bad, fields);
    } else {
        writeText(bad, content);
    }
    const QString good = folders.inData("GOOD.DBF");
    makeItemTable(good, {"Lamp", "Chair"});
    writeText(folders.globalIni(), "[Misc]\nLast Database=" + bad.toUtf8() + "\n");
    // First a file of another kind, then the good one.
    dialogs.answers = {folders.inData("notes.txt"), good};

    app::TMain window({});
    QCOMPARE(window.startState(), app::TMain::StartState::Running);
    const QStringList texts = messages.texts();
    QCOMPARE(texts.size(), 5);
    QVERIFY(!texts[0].isEmpty());
    if (!firstMessage.isEmpty())
        QCOMPARE(texts[0], firstMessage);
    QCOMPARE(texts[1], NotValidMessage);
    QCOMPARE(texts[2], QString("Invalid file type selected."));
    QCOMPARE(texts[3], texts[0]); // the old file is checked again before the dialog reopens
    QCOMPARE(texts[4], NotValidMessage);
    QCOMPARE(dialogs.requests.size(), std::size_t(2));
    QCOMPARE(dialogs.requests[0].title, QString("Open Database File"));
    QCOMPARE(dialogs.requests[0].filter, QString("Database Files (*.DBF)|*.DBF"));
    QCOMPARE(dialogs.requests[0].defaultExtension, QString("DBF"));
    QCOMPARE(window.windowTitle(), QString("Pennyhold Inventory 97 (GOOD)"));
    QCOMPARE(QString::fromStdString(window.settings.lastDatabase), good);
    window.show();
    QCOMPARE(window.CountLabel->text(), QString("2"));
}

void MainWinStartupTest::cancelOnUnusableLastDatabaseEndsTheRun() {
    TestFolders folders;
    MessageRecorder messages;
    FileDialogScript dialogs; // answers Cancel
    const QString bad = folders.inData("OTHER.DBF");
    std::vector<dbase::FieldDef> fields = itemFields();
    fields.push_back({"Extra", dbase::FieldType::Character, 5, 0});
    makeTable(bad, fields);
    writeText(folders.globalIni(), "[Misc]\nLast Database=" + bad.toUtf8() + "\n");
    {
        app::TMain window({});
        QCOMPARE(window.startState(), app::TMain::StartState::NoDatabaseChosen);
        QCOMPARE(messages.texts(), QStringList({NotOursMessage, NotValidMessage}));
        window.close();
    }
    // The run ended before anything was read for good: nothing is written.
    QCOMPARE(iniValue(readText(folders.globalIni()), "Misc", "Last Database"), bad.toUtf8());
    QVERIFY(iniValue(readText(folders.globalIni()), "Misc", "Main Window Width").isNull());
}

void MainWinStartupTest::engineErrorInTheReportKeepsTheWindowUsable() {
    TestFolders folders;
    MessageRecorder messages;
    app::TMain window({});
    window.show();
    QPushButton failing("fail", &window);
    connect(&failing, &QPushButton::clicked, [] { throw dbase::DatabaseError("Table is busy."); });
    failing.show();
    QTest::mouseClick(&failing, Qt::LeftButton);
    QCOMPARE(messages.texts(), QStringList({"Table is busy."}));
    QCOMPARE(messages.titles(), QStringList({"Pennyhold Inventory"}));
    // The window still answers commands.
    messages.answers = {forms::No};
    window.DoDelete();
    QCOMPARE(messages.texts().last(), QString("Delete this record?"));
}

PNHOLD_MAIN_WINDOW_TEST_MAIN(MainWinStartupTest)
#include "MainWinStartupTest.moc"
