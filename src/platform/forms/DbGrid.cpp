#include "platform/forms/DbGrid.h"

#include "platform/forms/DataSource.h"
#include "platform/forms/MessageBox.h"
#include "platform/forms/TableModel.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace forms {
namespace {

// Lines between columns and between rows can be shown separately, which the view's single grid
// switch cannot do, so the cells draw their own right and bottom edges.
class GridLineDelegate : public QStyledItemDelegate {
public:
    explicit GridLineDelegate(DbGrid* grid) : QStyledItemDelegate(grid), grid_(*grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!grid_.columnLines() && !grid_.rowLines())
            return;
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        const QRect cell = option.rect;
        if (grid_.columnLines())
            painter->drawLine(cell.topRight(), cell.bottomRight());
        if (grid_.rowLines())
            painter->drawLine(cell.bottomLeft(), cell.bottomRight());
        painter->restore();
    }

private:
    const DbGrid& grid_;
};

constexpr int IndicatorWidth = 16;

} // namespace

DbGrid::DbGrid(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new GridLineDelegate(this));
    setShowGrid(false);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    setTabKeyNavigation(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    QHeaderView* titles = horizontalHeader();
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    titles->setTextElideMode(Qt::ElideRight);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setStretchLastSection(false);
    titles->setHighlightSections(false);

    // Every row has the same height, so a table of any size scrolls without measuring rows.
    QHeaderView* indicator = verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setFixedWidth(IndicatorWidth);
    indicator->setHighlightSections(false);
    indicator->setSectionsClickable(false);

    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit rowDoubleClicked(index.row()); });
}

void DbGrid::setTableModel(TableModel* model) {
    if (model_ != nullptr) {
        disconnect(model_, nullptr, this, nullptr);
        disconnect(&model_->dataSource(), nullptr, this, nullptr);
    }
    model_ = model;
    // The view makes a new selection model for every model and leaves the old one to us.
    QItemSelectionModel* oldSelection = selectionModel();
    setModel(model);
    delete oldSelection;
    if (model_ == nullptr)
        return;
    connect(model_, &QAbstractItemModel::modelReset, this, &DbGrid::modelReset);
    connect(&model_->dataSource(), &DataSource::currentChanged, this, &DbGrid::followCursor);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { currentRowChanged(current); });
    modelReset();
}

void DbGrid::setTitlesVisible(bool visible) {
    horizontalHeader()->setVisible(visible);
}

bool DbGrid::titlesVisible() const {
    return !horizontalHeader()->isHidden();
}

void DbGrid::setRowIndicator(bool visible) {
    verticalHeader()->setVisible(visible);
}

bool DbGrid::rowIndicator() const {
    return !verticalHeader()->isHidden();
}

void DbGrid::setColumnLines(bool visible) {
    columnLines_ = visible;
    viewport()->update();
}

void DbGrid::setRowLines(bool visible) {
    rowLines_ = visible;
    viewport()->update();
}

void DbGrid::setFieldEditing(bool enabled) {
    fieldEditing_ = enabled;
    setSelectionBehavior(enabled ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    followCursor();
}

void DbGrid::setCellColor(const QColor& color) {
    QPalette colors = palette();
    colors.setColor(QPalette::Base, color);
    setPalette(colors);
}

void DbGrid::setTitleColor(const QColor& color) {
    horizontalHeader()->setStyleSheet(
        QString("QHeaderView::section { background-color: %1; border: 1px solid palette(mid);"
                " border-left: none; border-top: none; padding: 1px 3px; }")
            .arg(color.name()));
}

void DbGrid::setTitleFont(const QFont& font) {
    horizontalHeader()->setFont(font);
}

void DbGrid::applyColumnWidths() {
    if (model_ == nullptr)
        return;
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const auto& columns = model_->columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        setColumnWidth(static_cast<int>(i), columns[i].width * digit + 6);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

void DbGrid::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyColumnWidths();
}

void DbGrid::modelReset() {
    applyColumnWidths();
    followCursor();
}

void DbGrid::followCursor() {
    if (model_ == nullptr || selectionModel() == nullptr)
        return;
    syncing_ = true;
    const int row = model_->dataSource().currentRow();
    if (row < 0 || row >= model_->rowCount() || model_->columnCount() == 0) {
        selectionModel()->clear();
    } else {
        const QModelIndex current = currentIndex();
        const int column = current.isValid() ? current.column() : 0;
        const QModelIndex target = model_->index(row, column);
        QItemSelectionModel::SelectionFlags how = QItemSelectionModel::ClearAndSelect;
        if (!fieldEditing_)
            how |= QItemSelectionModel::Rows;
        selectionModel()->setCurrentIndex(target, how);
        scrollTo(target);
    }
    syncing_ = false;
}

void DbGrid::currentRowChanged(const QModelIndex& current) {
    if (syncing_ || model_ == nullptr || !current.isValid())
        return;
    DataSource& source = model_->dataSource();
    if (current.row() == source.currentRow())
        return;
    try {
        source.moveTo(current.row());
    } catch (const std::exception& error) {
        // Leaving the record posts its edit first; a refusal keeps the cursor where it was.
        showError(window(), QString::fromStdString(error.what()));
        followCursor();
    }
}

} // namespace forms
