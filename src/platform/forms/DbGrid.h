#pragma once

#include <QColor>
#include <QTableView>

namespace forms {

class TableModel;

// The viewer grid: a table view over a TableModel whose current row follows the table's cursor,
// and whose row moves move the cursor. Titles are one line, left aligned unless the model says
// otherwise; there are no fixed columns; a horizontal scroll bar appears as needed.
class DbGrid : public QTableView {
    Q_OBJECT

public:
    explicit DbGrid(QWidget* parent = nullptr);

    // The grid does not own the model.
    void setTableModel(TableModel* model);
    TableModel* tableModel() const { return model_; }

    void setTitlesVisible(bool visible);
    bool titlesVisible() const;
    void setRowIndicator(bool visible); // the marker column at the left of the current row
    bool rowIndicator() const;
    void setColumnLines(bool visible);
    bool columnLines() const { return columnLines_; }
    void setRowLines(bool visible);
    bool rowLines() const { return rowLines_; }
    // Field editing selects single cells; without it the grid selects whole rows. Editing in
    // place itself comes with the in-cell editors, which a later step adds.
    void setFieldEditing(bool enabled);
    bool fieldEditing() const { return fieldEditing_; }

    void setCellColor(const QColor& color);
    void setTitleColor(const QColor& color);
    void setTitleFont(const QFont& font);
    // The column widths (in characters of the grid font) from the model's columns; called on
    // every model reset and font change.
    void applyColumnWidths();

signals:
    void rowDoubleClicked(int row);

protected:
    void changeEvent(QEvent* event) override;

private:
    void followCursor();
    void modelReset();
    void currentRowChanged(const QModelIndex& current);

    TableModel* model_ = nullptr;
    bool columnLines_ = true;
    bool rowLines_ = true;
    bool fieldEditing_ = false;
    bool syncing_ = false;
};

} // namespace forms
