#include "GuiTestMain.h"
#include "platform/forms/FileDialog.h"
#include "platform/forms/HelpViewer.h"
#include "platform/forms/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <cstdlib>
#include <vector>

namespace {

struct Recorded {
    QString text;
    QString title;
    int buttons;
    forms::MessageIcon icon;
    int defaultButton;
    bool beep;
};

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Runs check on the modal window of type Window that the next modal loop opens; a test that
// fails to close it does not hang, since the window is rejected afterwards.
template <typename Window, typename Check> void whenModalOpens(Check check) {
    QTimer::singleShot(0, [check] {
        const auto modal = [] { return qobject_cast<Window*>(QApplication::activeModalWidget()); };
        if (!QTest::qWaitFor([&] { return modal() != nullptr; }, 5000))
            return;
        QPointer<Window> window = modal();
        check(window.data());
        if (window != nullptr && window->isVisible())
            window->reject();
    });
}

QTextBrowser* openHelpText() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == "HelpWindow" && widget->isVisible())
            return widget->findChild<QTextBrowser*>("HelpText");
    }
    return nullptr;
}

// The text of the block that holds the browser's cursor.
QString textAtCursor(QTextBrowser* browser) {
    return browser->textCursor().block().text();
}

} // namespace

class FormsSeamTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void helpersSendExactMessages();
    void helpersReadTheAnswer_data();
    void helpersReadTheAnswer();
    void realBoxShowsTheMessageAndReturnsTheButton();
    void realBoxClosedWithoutAButtonGivesTheCautiousAnswer();

    void filtersBecomeQtNameFilters_data();
    void filtersBecomeQtNameFilters();
    void defaultExtension_data();
    void defaultExtension();
    void handlerAnswersGetTheDefaultExtension();
    void realDialogMatchesPatternsWithoutCaseAndAddsTheExtension();
    void realDialogRefusesAMissingFolderWhenAsked();

    void helpHandlerReceivesPathAndKeyword();
    void findHelpAnchor_data();
    void findHelpAnchor();
    void viewerOpensAtTheKeywordOrTheContents();
    void viewerReportsAMissingFile();
    void bundledHelpFileCoversEveryWindowKeyword();
    void installHelpFileCopiesOnlyWhenMissing();
    void installHelpFileReportsAFolderThatCannotBeWritten();

private:
    QTemporaryDir home_;
    std::vector<Recorded> messages_;
    void recordMessages(int answer);
};

void FormsSeamTest::initTestCase() {
    QVERIFY(home_.isValid());
    qputenv("PNHOLD_HOME", home_.filePath("home").toUtf8());
    qputenv("XDG_CONFIG_HOME", home_.filePath("config").toUtf8());
    QDir().mkpath(home_.filePath("home"));
    QDir().mkpath(home_.filePath("config"));
}

void FormsSeamTest::cleanup() {
    forms::setMessageHandler({});
    forms::setFileDialogHandler({});
    forms::setHelpHandler({});
    messages_.clear();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == "HelpWindow")
            widget->close();
    }
}

void FormsSeamTest::recordMessages(int answer) {
    forms::setMessageHandler([this, answer](const forms::Message& m) {
        messages_.push_back({m.text, m.title, m.buttons, m.icon, m.defaultButton, m.beep});
        return answer;
    });
}

void FormsSeamTest::helpersSendExactMessages() {
    recordMessages(forms::Yes);
    forms::showError(nullptr, "Invalid cost specified.  Please correct.");
    forms::showNotice(nullptr, "Export complete.", "Finished");
    forms::askYesNo(nullptr, "Delete record?", "Confirm");
    forms::askWarning(nullptr, "All changes will be lost.  Continue?");
    QCOMPARE(messages_.size(), std::size_t(4));

    using forms::MessageIcon;
    const Recorded expected[] = {
        {"Invalid cost specified.  Please correct.", "Error", forms::Ok, MessageIcon::Error,
         forms::Ok, false},
        {"Export complete.", "Finished", forms::Ok, MessageIcon::Information, forms::Ok, false},
        {"Delete record?", "Confirm", forms::Yes | forms::No, MessageIcon::Question, forms::Yes,
         false},
        {"All changes will be lost.  Continue?", "Warning", forms::Yes | forms::No,
         MessageIcon::Warning, forms::Yes, true},
    };
    for (std::size_t i = 0; i < messages_.size(); ++i) {
        const Recorded& got = messages_[i];
        QCOMPARE(got.text, expected[i].text);
        QCOMPARE(got.title, expected[i].title);
        QCOMPARE(got.buttons, expected[i].buttons);
        QVERIFY(got.icon == expected[i].icon);
        QCOMPARE(got.defaultButton, expected[i].defaultButton);
        QCOMPARE(got.beep, expected[i].beep);
    }
}

void FormsSeamTest::helpersReadTheAnswer_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << int(forms::Yes) << true;
    QTest::newRow("No") << int(forms::No) << false;
    QTest::newRow("Cancel") << int(forms::Cancel) << false;
}

void FormsSeamTest::helpersReadTheAnswer() {
    QFETCH(int, answer);
    QFETCH(bool, yes);
    recordMessages(answer);
    QCOMPARE(forms::askYesNo(nullptr, "Continue?", "Confirm"), yes);
    QCOMPARE(forms::askWarning(nullptr, "Continue?"), yes);
}

void FormsSeamTest::realBoxShowsTheMessageAndReturnsTheButton() {
    QString text, title;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QPushButton* defaultButton = nullptr;
    bool defaultIsYes = false;
    whenModalOpens<QMessageBox>([&](QMessageBox* box) {
        text = box->text();
        title = box->windowTitle();
        buttons = box->standardButtons();
        icon = box->icon();
        defaultButton = box->defaultButton();
        defaultIsYes = defaultButton == box->button(QMessageBox::Yes);
        box->button(QMessageBox::No)->click();
    });
    const int answer = forms::showMessage({"Replace the file?", "Confirm", forms::Yes | forms::No,
                                           forms::MessageIcon::Question, forms::Yes});
    QCOMPARE(answer, int(forms::No));
    QCOMPARE(text, QString("Replace the file?"));
    QCOMPARE(title, QString("Confirm"));
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(icon, QMessageBox::Question);
    QVERIFY(defaultIsYes);
}

void FormsSeamTest::realBoxClosedWithoutAButtonGivesTheCautiousAnswer() {
    const struct {
        int buttons;
        int expected;
    } cases[] = {
        {forms::Yes | forms::No, forms::No},
        {forms::Yes | forms::No | forms::Cancel, forms::Cancel},
        {forms::Ok, forms::Ok},
    };
    for (const auto& c : cases) {
        whenModalOpens<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(forms::showMessage({"Go on?", "Confirm", c.buttons}), c.expected);
    }
}

void FormsSeamTest::filtersBecomeQtNameFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("database") << "Database Files (*.DBF)|*.DBF"
                              << QStringList{"Database Files (*.DBF)"};
    QTest::newRow("patterns not shown")
        << "Text files|*.txt;*.csv" << QStringList{"Text files (*.txt *.csv)"};
    QTest::newRow("shown patterns differ")
        << "All Files (*.*)|*" << QStringList{"All Files (*.*) (*)"};
    QTest::newRow("two pairs") << "DBase  (*.DBF)|*.DBF|Text (*.TXT)|*.TXT"
                               << QStringList{"DBase  (*.DBF)", "Text (*.TXT)"};
    QTest::newRow("description missing") << "|*.URP" << QStringList{"(*.URP)"};
    QTest::newRow("pattern missing") << "Lonely description" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
}

void FormsSeamTest::filtersBecomeQtNameFilters() {
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(forms::qtNameFilters(filter), expected);
}

void FormsSeamTest::defaultExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("expected");
    QTest::newRow("added") << "/data/house"
                           << "DBF"
                           << "/data/house.DBF";
    QTest::newRow("typed in any case") << "/data/house.dbf"
                                       << "DBF"
                                       << "/data/house.dbf";
    QTest::newRow("another extension kept") << "/data/house.txt"
                                            << "DBF"
                                            << "/data/house.txt";
    QTest::newRow("dot in the folder only") << "/data.old/house"
                                            << "DBF"
                                            << "/data.old/house.DBF";
    QTest::newRow("no extension wanted") << "/data/house"
                                         << ""
                                         << "/data/house";
    QTest::newRow("empty path") << ""
                                << "DBF"
                                << "";
}

void FormsSeamTest::defaultExtension() {
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QFETCH(QString, expected);
    QCOMPARE(forms::withDefaultExtension(path, extension), expected);
}

void FormsSeamTest::handlerAnswersGetTheDefaultExtension() {
    std::vector<forms::FileDialogRequest> requests;
    std::optional<QString> answer = QString("/data/newdb");
    forms::setFileDialogHandler([&](const forms::FileDialogRequest& request) {
        requests.push_back(request);
        return answer;
    });
    forms::FileDialogRequest request;
    request.kind = forms::FileDialogRequest::Kind::Save;
    request.title = "New Database File";
    request.filter = "Database Files (*.DBF)|*.DBF";
    request.defaultExtension = "DBF";
    request.overwritePrompt = true;
    QCOMPARE(forms::runFileDialog(request), std::optional<QString>("/data/newdb.DBF"));
    QCOMPARE(requests.size(), std::size_t(1));
    QCOMPARE(requests[0].title, QString("New Database File"));
    QCOMPARE(requests[0].filter, QString("Database Files (*.DBF)|*.DBF"));
    QVERIFY(requests[0].kind == forms::FileDialogRequest::Kind::Save);
    QVERIFY(requests[0].overwritePrompt);

    answer = std::nullopt;
    QVERIFY(!forms::runFileDialog(request).has_value());
}

void FormsSeamTest::realDialogMatchesPatternsWithoutCaseAndAddsTheExtension() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    writeFile(folder.filePath("lower.dbf"), "x");
    writeFile(folder.filePath("UPPER.DBF"), "x");
    writeFile(folder.filePath("notes.txt"), "x");

    QStringList filters;
    QStringList listed;
    whenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        auto* list = dialog->findChild<QListView*>("listView");
        if (list != nullptr) {
            (void)QTest::qWaitFor(
                [list] { return list->model()->rowCount(list->rootIndex()) >= 2; }, 5000);
            for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                listed << list->model()->index(row, 0, list->rootIndex()).data().toString();
        }
        if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
            QTest::keyClicks(name, "household"); // typed without an extension
        static_cast<QDialog*>(dialog)->accept();
    });
    forms::FileDialogRequest request;
    request.kind = forms::FileDialogRequest::Kind::Save;
    request.title = "New Database File";
    request.filter = "Database Files (*.DBF)|*.DBF";
    request.defaultExtension = "DBF";
    request.initialPath = folder.path();
    const std::optional<QString> chosen = forms::runFileDialog(request);
    QCOMPARE(filters, QStringList{"Database Files (*.DBF)"});
    listed.sort();
    QCOMPARE(listed, (QStringList{"UPPER.DBF", "lower.dbf"}));
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(*chosen).fileName(), QString("household.DBF"));
    QCOMPARE(QFileInfo(*chosen).absolutePath(), QFileInfo(folder.path()).absoluteFilePath());
}

void FormsSeamTest::realDialogRefusesAMissingFolderWhenAsked() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString missing = folder.filePath("gone");
    int dialogs = 0;
    whenModalOpens<QFileDialog>([&](QFileDialog* dialog) {
        ++dialogs;
        if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
            name->setText(missing + "/report");
        static_cast<QDialog*>(dialog)->accept();
    });
    // The refusal is shown, then the dialog comes back for another choice; the user cancels.
    forms::setMessageHandler([&](const forms::Message& m) {
        messages_.push_back({m.text, m.title, m.buttons, m.icon, m.defaultButton, m.beep});
        whenModalOpens<QFileDialog>([&](QFileDialog*) { ++dialogs; });
        return int(forms::Ok);
    });
    forms::FileDialogRequest request;
    request.kind = forms::FileDialogRequest::Kind::Save;
    request.title = "Save Report As a Text File";
    request.filter = "Text Files (*.TXT)|*.TXT";
    request.defaultExtension = "TXT";
    request.pathMustExist = true;
    request.initialPath = folder.path();
    QVERIFY(!forms::runFileDialog(request).has_value());
    QCOMPARE(dialogs, 2);
    QCOMPARE(messages_.size(), std::size_t(1));
    QCOMPARE(messages_[0].title, QString("Error"));
    QCOMPARE(messages_[0].text, "The folder " + missing + " does not exist.");
}

void FormsSeamTest::helpHandlerReceivesPathAndKeyword() {
    QStringList calls;
    forms::setHelpHandler(
        [&](const QString& path, const QString& keyword) { calls << path + "#" + keyword; });
    forms::showHelpKeyword(nullptr, "/p/PNHOLD.HLP", "Export Window");
    forms::showHelpContents(nullptr, "/p/PNHOLD.HLP");
    QCOMPARE(calls, (QStringList{"/p/PNHOLD.HLP#Export Window", "/p/PNHOLD.HLP#"}));
}

void FormsSeamTest::findHelpAnchor_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("expected");
    const QString html = R"(<h2><a name="Input Window">Input</a></h2>)"
                         R"(<p><a href="#Input Window">link</a></p>)"
                         R"(<h2><A NAME='Search Window'>Search</A></h2>)"
                         R"(<h2><a class="x" id="Export Window">Export</a></h2>)";
    QTest::newRow("exact") << html << "Input Window"
                           << "Input Window";
    QTest::newRow("other case") << html << "iNPUT wINDOW"
                                << "Input Window";
    QTest::newRow("single quotes, capitals") << html << "search window"
                                             << "Search Window";
    QTest::newRow("id after another attribute") << html << "Export Window"
                                                << "Export Window";
    QTest::newRow("spaces around the keyword") << html << "  Input Window "
                                               << "Input Window";
    QTest::newRow("a link is no anchor") << R"(<a href="#Import Window">x</a>)"
                                         << "Import Window"
                                         << "";
    QTest::newRow("unknown") << html << "Nowhere"
                             << "";
    QTest::newRow("empty keyword") << html << ""
                                   << "";
    QTest::newRow("only a to z fold") << QString::fromUtf8(R"(<a name="Caf&eacute; Ä">x</a>)")
                                      << QString::fromUtf8("CAF&EACUTE; ä") << "";
}

void FormsSeamTest::findHelpAnchor() {
    QFETCH(QString, html);
    QFETCH(QString, keyword);
    QFETCH(QString, expected);
    QCOMPARE(forms::findHelpAnchor(html, keyword), expected);
}

void FormsSeamTest::viewerOpensAtTheKeywordOrTheContents() {
    const QString path = home_.filePath("home/TEST.HLP");
    QByteArray html = "<html><body><h1><a name=\"Contents\">Contents</a></h1>";
    for (int i = 0; i < 60; ++i)
        html += "<p>Filler paragraph " + QByteArray::number(i) + ".</p>";
    html += "<h2><a name=\"Export Window\">Exporting items</a></h2><p>How to export.</p>";
    html += "</body></html>";
    writeFile(path, html);
    recordMessages(forms::Ok);

    forms::showHelpKeyword(nullptr, path, "EXPORT window");
    QTextBrowser* browser = openHelpText();
    QVERIFY(browser != nullptr);
    QCOMPARE(textAtCursor(browser), QString("Exporting items"));

    forms::showHelpKeyword(nullptr, path, "No Such Topic");
    QCOMPARE(openHelpText(), browser); // the open window is reused
    QCOMPARE(textAtCursor(browser), QString("Contents"));

    // A link of the contents page leads to its section.
    emit browser->anchorClicked(QUrl("#Export%20Window"));
    QCOMPARE(textAtCursor(browser), QString("Exporting items"));

    forms::showHelpContents(nullptr, path);
    QCOMPARE(textAtCursor(browser), QString("Contents"));
    QVERIFY(messages_.empty());
}

void FormsSeamTest::viewerReportsAMissingFile() {
    recordMessages(forms::Ok);
    const QString path = home_.filePath("home/MISSING.HLP");
    forms::showHelpKeyword(nullptr, path, "Input Window");
    QCOMPARE(messages_.size(), std::size_t(1));
    QCOMPARE(messages_[0].title, QString("Error"));
    QCOMPARE(messages_[0].text, "The help file " + path + " was not found.");
    QVERIFY(openHelpText() == nullptr);
}

void FormsSeamTest::bundledHelpFileCoversEveryWindowKeyword() {
    QFile file(":/help/PNHOLD.HLP");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(file.readAll());
    const QStringList keywords = {
        "Input Window",
        "Search Window",
        "Report Window",
        "User Defined Reports",
        "Export Window",
        "Import Window",
        "Backup and Restore",
        "Viewer Configuration Title",
        "Viewer Configuration Look",
        "Viewer Configuration Show",
        "Viewer Configuration Widths",
        "Viewer Configuration Order",
        "Viewer Configuration Names",
    };
    for (const QString& keyword : keywords)
        QVERIFY2(!forms::findHelpAnchor(html, keyword).isEmpty(), qPrintable(keyword));
    // Every link inside the file leads somewhere.
    static const QRegularExpression links(R"re(href="#([^"]*)")re");
    auto matches = links.globalMatch(html);
    int count = 0;
    while (matches.hasNext()) {
        const QString target = matches.next().captured(1);
        QVERIFY2(!forms::findHelpAnchor(html, target).isEmpty(), qPrintable(target));
        ++count;
    }
    QVERIFY(count >= keywords.size());
}

void FormsSeamTest::installHelpFileCopiesOnlyWhenMissing() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile bundled(":/help/PNHOLD.HLP");
    QVERIFY(bundled.open(QIODevice::ReadOnly));
    const QByteArray original = bundled.readAll();

    QString error;
    QVERIFY(forms::installHelpFile(folder.path(), &error));
    QFile installed(folder.filePath("PNHOLD.HLP"));
    QVERIFY(installed.open(QIODevice::ReadOnly));
    QCOMPARE(installed.readAll(), original);
    installed.close();

    writeFile(folder.filePath("PNHOLD.HLP"), "the user's own help");
    QVERIFY(forms::installHelpFile(folder.path(), &error));
    QVERIFY(installed.open(QIODevice::ReadOnly));
    QCOMPARE(installed.readAll(), QByteArray("the user's own help"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"PNHOLD.HLP"});
}

void FormsSeamTest::installHelpFileReportsAFolderThatCannotBeWritten() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString missing = folder.filePath("no/such/folder");
    QString error;
    QVERIFY(!forms::installHelpFile(missing, &error));
    QVERIFY2(error.startsWith("Cannot write the help file " + missing + "/PNHOLD.HLP: "),
             qPrintable(error));
}

PNHOLD_GUI_TEST_MAIN(FormsSeamTest)

#include "FormsSeamTest.moc"
