#include "platform/forms/TableModel.h"

#include "platform/forms/AnsiText.h"
#include "platform/forms/DataSource.h"

#include <utility>

namespace forms {
namespace {

QString indicatorFor(dbase::Table::State state) {
    switch (state) {
    case dbase::Table::State::Edit:
        return QStringLiteral("I");
    case dbase::Table::State::Insert:
        return QStringLiteral("*");
    default:
        return QString(QChar(0x25B6)); // a right-pointing triangle
    }
}

} // namespace

QString defaultCellText(const dbase::RecordView& record, int field) {
    return fromAnsi(record.text(field));
}

TableModel::TableModel(DataSource& source, QObject* parent)
    : QAbstractTableModel(parent), source_(source) {
    rows_ = source_.rowCount();
    indicatorRow_ = source_.currentRow();
    connect(&source_, &DataSource::dataChanged, this, &TableModel::resetFromSource);
    connect(&source_, &DataSource::currentChanged, this, &TableModel::currentMoved);
    connect(&source_, &DataSource::stateChanged, this, &TableModel::currentMoved);
}

void TableModel::setColumns(std::vector<GridColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    cache_.clear();
    ++generation_;
    rows_ = source_.rowCount();
    indicatorRow_ = source_.currentRow();
    endResetModel();
}

void TableModel::setTitleAlignment(Qt::Alignment alignment) {
    titleAlignment_ = alignment;
    if (!columns_.empty())
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void TableModel::resetFromSource() {
    beginResetModel();
    cache_.clear();
    ++generation_;
    rows_ = source_.rowCount();
    indicatorRow_ = source_.currentRow();
    endResetModel();
}

void TableModel::currentMoved() {
    const int old = indicatorRow_;
    const int now = source_.currentRow();
    indicatorRow_ = (now >= 0 && now < rows_) ? now : -1;
    // The current row may show the edit buffer, so it is never served from the cache.
    if (old >= 0 && old < rows_) {
        cache_.erase(old);
        emit headerDataChanged(Qt::Vertical, old, old);
        if (!columns_.empty())
            emit dataChanged(index(old, 0), index(old, columnCount() - 1));
    }
    if (indicatorRow_ >= 0 && indicatorRow_ != old) {
        cache_.erase(indicatorRow_);
        emit headerDataChanged(Qt::Vertical, indicatorRow_, indicatorRow_);
        if (!columns_.empty())
            emit dataChanged(index(indicatorRow_, 0), index(indicatorRow_, columnCount() - 1));
    }
}

int TableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int TableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

const std::vector<QString>* TableModel::rowTexts(int row) const {
    const dbase::Table& table = source_.table();
    // A command may have changed the table without telling the data source yet; a row that is
    // no longer there reads as empty rather than out of range.
    if (!table.isOpen() || row < 0 || row >= rows_ || row >= table.recordCount())
        return nullptr;
    const bool editingHere = source_.isEditing() && row == source_.currentRow();
    if (!editingHere) {
        if (auto found = cache_.find(row); found != cache_.end())
            return &found->second;
    }
    if (cache_.size() >= CacheRows)
        cache_.clear();
    const dbase::RecordView record = editingHere ? table.current() : table.recordAt(row);
    ++rowsRead_;
    std::vector<QString> texts;
    texts.reserve(columns_.size());
    for (const GridColumn& column : columns_) {
        if (column.field < 0 || column.field >= table.fieldCount())
            texts.emplace_back();
        else if (column.formatter)
            texts.push_back(column.formatter(record, column.field));
        else
            texts.push_back(defaultCellText(record, column.field));
    }
    if (editingHere) {
        // The buffer changes as the user types; keep it out of the cache.
        editingRow_ = std::move(texts);
        return &editingRow_;
    }
    return &cache_.insert_or_assign(row, std::move(texts)).first->second;
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= columnCount())
        return {};
    const GridColumn& column = columns_[static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.alignment);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    try {
        const std::vector<QString>* texts = rowTexts(index.row());
        if (texts == nullptr)
            return QString();
        return texts->at(static_cast<std::size_t>(index.column()));
    } catch (const dbase::DatabaseError&) {
        // A record that cannot be read shows as blank; the command that works on the table
        // reports the fault.
        return QString();
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return columns_[static_cast<std::size_t>(section)].title;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(titleAlignment_);
        return {};
    }
    if (role == Qt::DisplayRole)
        return section == indicatorRow_ ? indicatorFor(source_.state()) : QString();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace forms
