#pragma once

#include "platform/dbase/Table.h"

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

namespace forms {

class DataSource;

// The text shown for one field of one record.
using CellFormatter = std::function<QString(const dbase::RecordView& record, int field)>;

// The field's text as the table holds it, through fromAnsi.
QString defaultCellText(const dbase::RecordView& record, int field);

struct GridColumn {
    int field = 0;                                              // the table's field index (0-based)
    QString title;                                              // column title
    int width = 15;                                             // in characters of the grid font
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter; // of the cells
    CellFormatter formatter;                                    // empty: defaultCellText
};

// The visible records of a data source as rows, the configured columns as columns. Rows are read
// from the table only when a view asks for them (Table::recordAt), through a small bounded
// cache, so a table of a million records opens and scrolls as fast as a small one. Every
// dataChanged of the data source resets the model and drops the cache.
class TableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TableModel(DataSource& source, QObject* parent = nullptr);

    DataSource& dataSource() const { return source_; }

    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn>& columns() const { return columns_; }
    // The alignment of the column titles (one for all columns).
    void setTitleAlignment(Qt::Alignment alignment);
    Qt::Alignment titleAlignment() const { return titleAlignment_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Rises with every reset; cached rows of an older generation are never shown.
    std::uint64_t generation() const { return generation_; }
    // How many rows have been read from the table so far (the cache's misses).
    std::uint64_t rowsRead() const { return rowsRead_; }
    static constexpr std::size_t CacheRows = 512;

private:
    void resetFromSource();
    void currentMoved();
    const std::vector<QString>* rowTexts(int row) const;

    DataSource& source_;
    std::vector<GridColumn> columns_;
    Qt::Alignment titleAlignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    int rows_ = 0;
    int indicatorRow_ = -1;
    std::uint64_t generation_ = 0;
    mutable std::uint64_t rowsRead_ = 0;
    mutable std::unordered_map<int, std::vector<QString>> cache_;
    mutable std::vector<QString> editingRow_;
};

} // namespace forms
