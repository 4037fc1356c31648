#pragma once

// Fixtures shared by the main window's Qt Test programs: a fresh program and configuration
// folder per test, scripted answers to message boxes and file dialogs, and item tables made
// with the table engine.

#include "GuiTestMain.h"
#include "app/ErrorReportApplication.h"
#include "app/ItemTable.h"
#include "app/MainWin.h"
#include "platform/dbase/Table.h"
#include "platform/forms/FileDialog.h"
#include "platform/forms/MessageBox.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

// Every message box shown, with the answer given from a script (OK when the script is empty).
class MessageRecorder {
public:
    MessageRecorder() {
        forms::setMessageHandler([this](const forms::Message& message) {
            messages.push_back(message);
            if (answers.empty())
                return static_cast<int>(forms::Ok);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~MessageRecorder() { forms::setMessageHandler({}); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList texts() const {
        QStringList result;
        for (const forms::Message& message : messages)
            result << message.text;
        return result;
    }
    QStringList titles() const {
        QStringList result;
        for (const forms::Message& message : messages)
            result << message.title;
        return result;
    }

    std::vector<forms::Message> messages;
    std::deque<int> answers;
};

// Every file dialog run, answered from a script (Cancel when the script is empty).
class FileDialogScript {
public:
    FileDialogScript() {
        forms::setFileDialogHandler([this](const forms::FileDialogRequest& request) {
            requests.push_back(request);
            if (answers.empty())
                return std::optional<QString>();
            std::optional<QString> answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    ~FileDialogScript() { forms::setFileDialogHandler({}); }
    FileDialogScript(const FileDialogScript&) = delete;
    FileDialogScript& operator=(const FileDialogScript&) = delete;

    std::vector<forms::FileDialogRequest> requests;
    std::deque<std::optional<QString>> answers;
};

// A fresh program folder ("home") and configuration folder ("config") for one test.
class TestFolders {
public:
    TestFolders() {
        QDir root(dir_.path());
        root.mkpath("home");
        root.mkpath("config");
        root.mkpath("data");
        qputenv("PNHOLD_HOME", home().toUtf8());
        qputenv("XDG_CONFIG_HOME", config().toUtf8());
    }
    QString home() const { return dir_.filePath("home"); }
    QString config() const { return dir_.filePath("config"); }
    QString data() const { return dir_.filePath("data"); }
    QString inHome(const QString& name) const { return home() + "/" + name; }
    QString inData(const QString& name) const { return data() + "/" + name; }
    QString globalIni() const { return config() + "/PNHOLD.INI"; }

private:
    QTemporaryDir dir_;
};

inline void writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

inline QByteArray readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The value of a key in an INI text, or a null array when it is absent.
inline QByteArray iniValue(const QByteArray& text, const QByteArray& section,
                           const QByteArray& key) {
    bool inSection = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inSection = line.mid(1, line.size() - 2).toLower() == section.toLower();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inSection && equals > 0 && line.left(equals).trimmed().toLower() == key.toLower())
            return line.mid(equals + 1).trimmed();
    }
    return {};
}

inline std::vector<dbase::FieldDef> itemFields() {
    return app::itemTableFieldDefs();
}

// An item table at path with the given fields and one record per item text.
inline void makeTable(const QString& path, const std::vector<dbase::FieldDef>& fields,
                      const QStringList& items = {}) {
    dbase::Table::create(path.toStdString(), fields);
    if (items.isEmpty())
        return;
    dbase::Table table;
    table.setDatabaseName(QFileInfo(path).path().toStdString());
    table.setTableName(QFileInfo(path).fileName().toStdString());
    table.open();
    for (const QString& item : items) {
        table.insert();
        table.setFieldText(0, item.toStdString());
        table.post();
    }
    table.close();
}

inline void makeItemTable(const QString& path, const QStringList& items = {}) {
    makeTable(path, itemFields(), items);
}

inline QStringList visibleRecentItems(const app::TMain& window) {
    QStringList captions;
    for (QAction* item : window.MenuLastFile) {
        if (item->isVisible())
            captions << item->text();
    }
    return captions;
}

inline QStringList recentEntries(const app::TMain& window) {
    QStringList entries;
    for (const std::string& entry : window.settings.lastFiles)
        entries << QString::fromStdString(entry);
    return entries;
}

} // namespace testing_support

// The test programs run under the program's own application object, so that errors reaching
// the event loop are reported as in the program.
#define PNHOLD_MAIN_WINDOW_TEST_MAIN(TestClass)                                                    \
    PNHOLD_GUI_TEST_MAIN_WITH(app::ErrorReportApplication, TestClass)
