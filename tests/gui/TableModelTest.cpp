#include "platform/forms/TableModel.h"
#include "GuiTestMain.h"
#include "platform/dbase/Table.h"
#include "platform/forms/DataSource.h"
#include "platform/forms/DbGrid.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

// A table NAME C(12), QTY N(6,0) with one record per name, in a folder of the test's own.
class Fixture {
public:
    explicit Fixture(const QString& folder) : folder_(folder.toStdString()) {}

    void create(const std::vector<std::string>& names) {
        dbase::Table::create(folder_ + "/ITEMS.DBF", {{"NAME", dbase::FieldType::Character, 12},
                                                      {"QTY", dbase::FieldType::Numeric, 6, 0}});
        table.setDatabaseName(folder_);
        table.setTableName("ITEMS");
        table.open();
        table.beginBulk();
        int quantity = 0;
        for (const std::string& name : names) {
            table.insert();
            table.setFieldText(0, name);
            table.setFieldNumber(1, ++quantity);
            table.post();
        }
        table.endBulk();
        table.first();
    }

    void createNumbered(int count) {
        std::vector<std::string> names;
        names.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            names.push_back("item " + std::to_string(i));
        create(names);
    }

    dbase::Table table;

private:
    std::string folder_;
};

std::vector<forms::GridColumn> nameAndQuantity() {
    forms::GridColumn name;
    name.field = 0;
    name.title = "Item";
    name.width = 12;
    forms::GridColumn quantity;
    quantity.field = 1;
    quantity.title = "Quantity";
    quantity.width = 6;
    quantity.alignment = Qt::AlignRight | Qt::AlignVCenter;
    return {name, quantity};
}

QString cell(const QAbstractItemModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

} // namespace

class TableModelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void modelStaysConsistentThroughEveryChange();
    void rowsAreTheVisibleRecords();
    void columnsShowTitlesTextsAndFormatting();
    void rowsAreReadOnlyWhenAsked();
    void changedRecordsAreNotServedFromAnOldCache();
    void currentRowShowsTheEditBuffer();
    void gridFollowsTheCursorAndMovesIt();
    void gridOptions();

private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<Fixture> fixture_;
};

void TableModelTest::init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    qputenv("PNHOLD_HOME", folder_->path().toUtf8());
    qputenv("XDG_CONFIG_HOME", folder_->path().toUtf8());
    fixture_ = std::make_unique<Fixture>(folder_->path());
}

void TableModelTest::cleanup() {
    fixture_.reset();
    folder_.reset();
}

void TableModelTest::modelStaysConsistentThroughEveryChange() {
    fixture_->create({"lamp", "chair", "table", "radio", "clock"});
    dbase::Table& table = fixture_->table;
    forms::DataSource source(table);
    forms::TableModel model(source);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setColumns(nameAndQuantity());

    source.moveTo(2);
    source.deleteCurrent();
    table.setFilter([](const dbase::RecordView& r) { return r.text(0) != "lamp"; });
    source.notifyDataChanged();
    source.insert();
    table.setFieldText(0, "bench");
    source.post();
    source.refresh();
    model.setColumns({nameAndQuantity()[1]});
    table.close();
    source.notifyDataChanged();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 1);
}

void TableModelTest::rowsAreTheVisibleRecords() {
    fixture_->create({"lamp", "chair", "table", "radio", "clock"});
    dbase::Table& table = fixture_->table;
    forms::DataSource source(table);
    forms::TableModel model(source);
    model.setColumns(nameAndQuantity());
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QCOMPARE(model.rowCount(), 5);

    source.moveTo(1); // chair
    source.deleteCurrent();
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(cell(model, 1, 0), QString("table"));

    table.setFilter(
        [](const dbase::RecordView& r) { return r.text(0).find('l') != std::string::npos; });
    source.notifyDataChanged();
    QCOMPARE(model.rowCount(), 3); // lamp, table, clock
    QCOMPARE(cell(model, 2, 0), QString("clock"));

    table.close();
    source.notifyDataChanged();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(source.currentRow(), -1);
    QCOMPARE(resets.count(), 3);
}

void TableModelTest::columnsShowTitlesTextsAndFormatting() {
    fixture_->create({"caf\xe9", "Widget"});
    forms::DataSource source(fixture_->table);
    forms::TableModel model(source);
    std::vector<forms::GridColumn> columns = nameAndQuantity();
    columns[1].formatter = [](const dbase::RecordView& r, int field) {
        return QString("%1 pcs").arg(*r.number(field));
    };
    forms::GridColumn missing;
    missing.field = 40; // a field the table does not have shows blank
    missing.title = "Gone";
    columns.push_back(missing);
    model.setColumns(columns);

    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("Item"));
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("Quantity"));
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::AlignLeft | Qt::AlignVCenter);
    model.setTitleAlignment(Qt::AlignCenter);
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::Alignment(Qt::AlignCenter));

    QCOMPARE(cell(model, 0, 0), QString::fromUtf8("caf\u00e9"));
    QCOMPARE(cell(model, 1, 1), QString("2 pcs"));
    QCOMPARE(cell(model, 0, 2), QString());
    QCOMPARE(model.data(model.index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::AlignRight | Qt::AlignVCenter);
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    // The row indicator marks the current row only.
    QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QString(QChar(0x25B6)));
    QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QString());
}

void TableModelTest::rowsAreReadOnlyWhenAsked() {
    const int count = 20000;
    fixture_->createNumbered(count);
    forms::DataSource source(fixture_->table);
    forms::TableModel model(source);
    model.setColumns(nameAndQuantity());
    QCOMPARE(model.rowCount(), count);
    QCOMPARE(model.rowsRead(), 0u);

    QCOMPARE(cell(model, 15000, 0), QString("item 15000"));
    QCOMPARE(cell(model, 15000, 1), QString("15001"));
    QCOMPARE(model.rowsRead(), 1u); // the second column came from the cache

    forms::DbGrid grid;
    grid.resize(400, 300);
    grid.setTableModel(&model);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    grid.repaint();
    // A window of rows, never the table.
    QVERIFY2(model.rowsRead() < 200, qPrintable(QString::number(model.rowsRead())));

    // The cache stays bounded while the reads go on.
    for (int row = 0; row < count; row += 7)
        QCOMPARE(cell(model, row, 0), QString("item %1").arg(row));
    QCOMPARE(cell(model, count - 1, 0), QString("item %1").arg(count - 1));
    QCOMPARE(cell(model, count, 0), QString()); // past the end
}

void TableModelTest::changedRecordsAreNotServedFromAnOldCache() {
    fixture_->create({"lamp", "chair"});
    dbase::Table& table = fixture_->table;
    forms::DataSource source(table);
    forms::TableModel model(source);
    model.setColumns(nameAndQuantity());
    QCOMPARE(cell(model, 1, 0), QString("chair"));
    const auto generation = model.generation();

    table.moveTo(1);
    table.edit();
    table.setFieldText(0, "armchair");
    table.post();
    source.notifyDataChanged();
    QVERIFY(model.generation() > generation);
    QCOMPARE(cell(model, 1, 0), QString("armchair"));
}

void TableModelTest::currentRowShowsTheEditBuffer() {
    fixture_->create({"lamp", "chair"});
    dbase::Table& table = fixture_->table;
    forms::DataSource source(table);
    forms::TableModel model(source);
    model.setColumns(nameAndQuantity());
    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QCOMPARE(cell(model, 0, 0), QString("lamp"));

    source.edit();
    QVERIFY(changes.count() > 0);
    QCOMPARE(model.headerData(0, Qt::Vertical).toString(), QString("I"));
    table.setFieldText(0, "desk lamp");
    QCOMPARE(cell(model, 0, 0), QString("desk lamp"));
    QCOMPARE(cell(model, 1, 0), QString("chair"));
    source.cancel();
    QCOMPARE(cell(model, 0, 0), QString("lamp"));
}

void TableModelTest::gridFollowsTheCursorAndMovesIt() {
    fixture_->createNumbered(50);
    dbase::Table& table = fixture_->table;
    forms::DataSource source(table);
    forms::TableModel model(source);
    model.setColumns(nameAndQuantity());
    forms::DbGrid grid;
    grid.resize(300, 200);
    grid.setTableModel(&model);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QCOMPARE(grid.currentIndex().row(), 0);

    source.last();
    QCOMPARE(grid.currentIndex().row(), 49);
    QVERIFY(grid.selectionModel()->isRowSelected(49, {}));
    // The table tells the data source afterwards, as a command does.
    table.moveTo(20);
    source.notifyCurrentChanged();
    QCOMPARE(grid.currentIndex().row(), 20);
    QVERIFY(grid.visualRect(grid.currentIndex()).intersects(grid.viewport()->rect()));

    QSignalSpy moved(&source, &forms::DataSource::currentChanged);
    grid.setCurrentIndex(model.index(7, 1));
    QCOMPARE(table.position(), 7);
    QCOMPARE(moved.count(), 1);
    QTest::keyClick(grid.viewport(), Qt::Key_Down);
    QCOMPARE(table.position(), 8);

    // After the rows change the grid shows the cursor's row again.
    table.setFilter([](const dbase::RecordView& r) { return r.text(0).back() == '9'; });
    table.moveTo(2); // item 29
    source.notifyDataChanged();
    QCOMPARE(grid.currentIndex().row(), 2);
    QCOMPARE(cell(model, 2, 0), QString("item 29"));

    QSignalSpy doubleClicks(&grid, &forms::DbGrid::rowDoubleClicked);
    const QRect rowRect = grid.visualRect(model.index(1, 0));
    // A real double click starts with a press, which the view needs to see first.
    QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, rowRect.center());
    QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, rowRect.center());
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, rowRect.center());
    QCOMPARE(doubleClicks.count(), 1);
    QCOMPARE(doubleClicks.at(0).at(0).toInt(), 1);

    table.close();
    source.notifyDataChanged();
    QVERIFY(!grid.currentIndex().isValid());
}

void TableModelTest::gridOptions() {
    fixture_->create({"lamp"});
    forms::DataSource source(fixture_->table);
    forms::TableModel model(source);
    model.setColumns(nameAndQuantity());
    forms::DbGrid grid;
    grid.setTableModel(&model);
    QCOMPARE(grid.selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    grid.setFieldEditing(true);
    QCOMPARE(grid.selectionBehavior(), QAbstractItemView::SelectItems);

    // Widths are in characters of the grid's font: wider text, wider columns.
    const int narrow = grid.columnWidth(0);
    QCOMPARE(grid.columnWidth(0) > grid.columnWidth(1), true); // 12 characters against 6
    QFont large = grid.font();
    large.setPointSize(large.pointSize() * 3);
    grid.setFont(large);
    QVERIFY(grid.columnWidth(0) > narrow);

    grid.setRowIndicator(false);
    grid.setTitlesVisible(false);
    QVERIFY(!grid.rowIndicator());
    QVERIFY(!grid.titlesVisible());
}

PNHOLD_GUI_TEST_MAIN(TableModelTest)

#include "TableModelTest.moc"
