#pragma once

#include "platform/dbase/Table.h"

#include <QObject>

namespace forms {

// The link between one open table and the windows that show it. The main window owns both the
// table and its data source; every grid and navigator listens to the data source, so a command
// that works on the table directly tells the data source afterwards (notifyDataChanged,
// notifyCurrentChanged) and every view follows.
//
// The moves and edits below act on the table and then signal; the table engine's errors
// (dbase::DatabaseError) pass through to the caller unchanged.
class DataSource : public QObject {
    Q_OBJECT

public:
    explicit DataSource(dbase::Table& table, QObject* parent = nullptr);

    dbase::Table& table() const { return table_; }

    bool isOpen() const;
    // The visible records (0 while the table is closed).
    int rowCount() const;
    // The 0-based row of the cursor; -1 while closed or when there is no record.
    int currentRow() const;
    dbase::Table::State state() const;
    bool isEditing() const; // Edit or Insert
    bool canModify() const; // open and not read-only

    // -- after working on the table directly ----------------------------------------------------
    // The set, order or count of visible records changed (open, close, refresh, post, delete,
    // filter, index change). Also signals currentChanged and stateChanged.
    void notifyDataChanged();
    void notifyCurrentChanged(); // the cursor moved
    void notifyStateChanged();   // browse, edit or insert began or ended

    // Holds back the signals while a command reconfigures the table (many field or order
    // changes); the last endUpdate sends one dataChanged. Nested pairs count.
    void beginUpdate();
    void endUpdate();
    bool updating() const { return updateDepth_ > 0; }

    // -- moves: leaving a record that is being edited posts its changes (an untouched insert or
    // edit is dropped), as the table does; then currentChanged (dataChanged after an edit).
    // They do nothing while the table is closed.
    void first();
    void prior();
    void next();
    void last();
    void moveTo(int row);

    // -- edits ----------------------------------------------------------------------------------
    void insert();
    void edit();
    void post();
    void cancel();
    void deleteCurrent();
    void refresh();
    // Posts a pending insert or edit, if any.
    void checkBrowseMode();

signals:
    void dataChanged();
    void currentChanged();
    void stateChanged();

private:
    void emitDataChanged();
    void emitCurrentChanged();
    void afterMove(bool wasEditing);

    dbase::Table& table_;
    int updateDepth_ = 0;
    bool pendingData_ = false;
};

} // namespace forms
