#include "GuiTestMain.h"
#include "platform/dbase/Table.h"
#include "platform/forms/DataSource.h"
#include "platform/forms/DbNavigator.h"
#include "platform/forms/MessageBox.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using Nav = forms::DbNavigator;

namespace {

struct Shown {
    QString text;
    QString title;
    int buttons;
};

// Which buttons are enabled, as a string of ten 0/1 digits in button order.
QString enabledButtons(const Nav& navigator) {
    QString digits;
    for (int i = 0; i < Nav::ButtonCount; ++i)
        digits += navigator.isButtonEnabled(static_cast<Nav::Button>(i)) ? '1' : '0';
    return digits;
}

} // namespace

class FormsNavigatorTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void buttonsFollowPositionAndState();
    void readOnlyAndClosedTablesOfferNoChanges();
    void buttonsMoveAndEdit();
    void deleteAsksFirst();
    void engineErrorsBecomeMessages();
    void browseModeShowsOnlyTheMoves();

private:
    void openTable(const std::vector<std::string>& names, bool readOnly = false);

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<dbase::Table> table_;
    std::vector<Shown> shown_;
    int answer_ = forms::Yes;
};

void FormsNavigatorTest::init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    qputenv("PNHOLD_HOME", folder_->path().toUtf8());
    qputenv("XDG_CONFIG_HOME", folder_->path().toUtf8());
    table_ = std::make_unique<dbase::Table>();
    shown_.clear();
    answer_ = forms::Yes;
    forms::setMessageHandler([this](const forms::Message& m) {
        shown_.push_back({m.text, m.title, m.buttons});
        return answer_;
    });
}

void FormsNavigatorTest::cleanup() {
    forms::setMessageHandler({});
    table_.reset();
    folder_.reset();
}

void FormsNavigatorTest::openTable(const std::vector<std::string>& names, bool readOnly) {
    const std::string folder = folder_->path().toStdString();
    dbase::Table::create(folder + "/ITEMS.DBF", {{"NAME", dbase::FieldType::Character, 12}});
    {
        dbase::Table writer;
        writer.setDatabaseName(folder);
        writer.setTableName("ITEMS");
        writer.open();
        for (const std::string& name : names) {
            writer.insert();
            writer.setFieldText(0, name);
            writer.post();
        }
    }
    table_->setDatabaseName(folder);
    table_->setTableName("ITEMS");
    table_->setReadOnly(readOnly);
    table_->open();
    table_->first();
}

void FormsNavigatorTest::buttonsFollowPositionAndState() {
    openTable({"lamp", "chair", "table"});
    forms::DataSource source(*table_);
    Nav navigator;
    QCOMPARE(enabledButtons(navigator), QString("0000000000")); // not bound yet
    navigator.setDataSource(&source);

    //                                         F P N L I D E P C R
    QCOMPARE(enabledButtons(navigator), QString("0011111001")); // first row
    source.next();
    QCOMPARE(enabledButtons(navigator), QString("1111111001"));
    source.last();
    QCOMPARE(enabledButtons(navigator), QString("1100111001"));
    source.edit();
    QCOMPARE(enabledButtons(navigator), QString("1100000110"));
    source.cancel();
    QCOMPARE(enabledButtons(navigator), QString("1100111001"));
    source.insert();
    QCOMPARE(enabledButtons(navigator), QString("1100000110"));
    source.cancel();

    // A command works on the table directly and tells the data source afterwards.
    table_->first();
    source.notifyCurrentChanged();
    QCOMPARE(enabledButtons(navigator), QString("0011111001"));
    table_->setFilter([](const dbase::RecordView&) { return false; });
    source.notifyDataChanged();
    QCOMPARE(enabledButtons(navigator), QString("0000100001")); // nothing to delete or edit

    navigator.setDataSource(nullptr);
    QCOMPARE(enabledButtons(navigator), QString("0000000000"));
}

void FormsNavigatorTest::readOnlyAndClosedTablesOfferNoChanges() {
    openTable({"lamp", "chair"}, true);
    forms::DataSource source(*table_);
    Nav navigator;
    navigator.setDataSource(&source);
    QCOMPARE(enabledButtons(navigator), QString("0011000001"));
    table_->close();
    source.notifyDataChanged();
    QCOMPARE(enabledButtons(navigator), QString("0000000000"));
}

void FormsNavigatorTest::buttonsMoveAndEdit() {
    openTable({"lamp", "chair", "table"});
    forms::DataSource source(*table_);
    Nav navigator;
    navigator.setDataSource(&source);
    QSignalSpy pressed(&navigator, &Nav::buttonPressed);

    navigator.button(Nav::Last)->click();
    QCOMPARE(table_->position(), 2);
    navigator.button(Nav::Prior)->click();
    QCOMPARE(table_->position(), 1);
    navigator.button(Nav::First)->click();
    QCOMPARE(table_->position(), 0);
    navigator.button(Nav::Next)->click();
    QCOMPARE(table_->position(), 1);

    navigator.button(Nav::Edit)->click();
    QVERIFY(table_->state() == dbase::Table::State::Edit);
    table_->setFieldText(0, "armchair");
    navigator.button(Nav::Post)->click();
    QVERIFY(table_->state() == dbase::Table::State::Browse);
    QCOMPARE(table_->recordAt(1).text(0), std::string("armchair"));

    navigator.button(Nav::Insert)->click();
    table_->setFieldText(0, "unwanted");
    navigator.button(Nav::Cancel)->click();
    QCOMPARE(table_->recordCount(), 3);

    navigator.press(Nav::Post); // disabled: nothing happens
    QCOMPARE(pressed.count(), 8);
    QCOMPARE(pressed.last().at(0).value<Nav::Button>(), Nav::Cancel);
    QVERIFY(shown_.empty());
}

void FormsNavigatorTest::deleteAsksFirst() {
    openTable({"lamp", "chair"});
    forms::DataSource source(*table_);
    Nav navigator;
    navigator.setDataSource(&source);

    answer_ = forms::No;
    navigator.button(Nav::Delete)->click();
    QCOMPARE(table_->recordCount(), 2);
    QCOMPARE(shown_.size(), std::size_t(1));
    QCOMPARE(shown_[0].text, QString("Delete record?"));
    QCOMPARE(shown_[0].title, QString("Confirm"));
    QCOMPARE(shown_[0].buttons, forms::Yes | forms::No);

    answer_ = forms::Yes;
    navigator.button(Nav::Delete)->click();
    QCOMPARE(table_->recordCount(), 1);
    QCOMPARE(table_->recordAt(0).text(0), std::string("chair"));
}

void FormsNavigatorTest::engineErrorsBecomeMessages() {
    openTable({"lamp"});
    forms::DataSource source(*table_);
    Nav navigator;
    navigator.setDataSource(&source);

    // Another window closed the table without telling the data source: the navigator still
    // offers Edit, and the engine refuses.
    table_->close();
    std::string refusal;
    try {
        table_->edit();
    } catch (const dbase::DatabaseError& error) {
        refusal = error.what();
    }
    QVERIFY(!refusal.empty());
    navigator.button(Nav::Edit)->click();
    QCOMPARE(shown_.size(), std::size_t(1));
    QCOMPARE(shown_[0].title, QString("Error"));
    QCOMPARE(shown_[0].text, QString::fromStdString(refusal));
    QCOMPARE(enabledButtons(navigator), QString("0000000000"));
}

void FormsNavigatorTest::browseModeShowsOnlyTheMoves() {
    openTable({"lamp", "chair"});
    forms::DataSource source(*table_);
    Nav navigator;
    navigator.setDataSource(&source);
    navigator.setVisibleButtons({Nav::First, Nav::Prior, Nav::Next, Nav::Last});
    navigator.show();
    for (int i = 0; i < Nav::ButtonCount; ++i) {
        const auto which = static_cast<Nav::Button>(i);
        QCOMPARE(navigator.isButtonVisible(which), i <= Nav::Last);
        QCOMPARE(navigator.button(which)->isVisible(), i <= Nav::Last);
        QVERIFY(!navigator.button(which)->toolTip().isEmpty());
    }
    navigator.press(Nav::Delete); // hidden: nothing happens
    QCOMPARE(table_->recordCount(), 2);
    QVERIFY(shown_.empty());
}

PNHOLD_GUI_TEST_MAIN(FormsNavigatorTest)

#include "FormsNavigatorTest.moc"
