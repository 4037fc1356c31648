#include "platform/forms/DataSource.h"

namespace forms {

DataSource::DataSource(dbase::Table& table, QObject* parent) : QObject(parent), table_(table) {}

bool DataSource::isOpen() const {
    return table_.isOpen();
}

int DataSource::rowCount() const {
    return table_.isOpen() ? table_.recordCount() : 0;
}

int DataSource::currentRow() const {
    if (!table_.isOpen() || table_.recordCount() == 0)
        return -1;
    return table_.position();
}

dbase::Table::State DataSource::state() const {
    return table_.isOpen() ? table_.state() : dbase::Table::State::Inactive;
}

bool DataSource::isEditing() const {
    const auto current = state();
    return current == dbase::Table::State::Edit || current == dbase::Table::State::Insert;
}

bool DataSource::canModify() const {
    return table_.isOpen() && !table_.readOnly();
}

void DataSource::notifyDataChanged() {
    emitDataChanged();
}

void DataSource::notifyCurrentChanged() {
    emitCurrentChanged();
}

void DataSource::notifyStateChanged() {
    if (!updating())
        emit stateChanged();
}

void DataSource::beginUpdate() {
    ++updateDepth_;
}

void DataSource::endUpdate() {
    if (updateDepth_ == 0)
        return;
    if (--updateDepth_ == 0 && pendingData_) {
        pendingData_ = false;
        emitDataChanged();
    }
}

void DataSource::emitDataChanged() {
    if (updating()) {
        pendingData_ = true;
        return;
    }
    emit dataChanged();
    emit currentChanged();
    emit stateChanged();
}

void DataSource::emitCurrentChanged() {
    // While updates are held back the final dataChanged also repositions every view.
    if (updating()) {
        pendingData_ = true;
        return;
    }
    emit currentChanged();
}

void DataSource::checkBrowseMode() {
    if (isEditing())
        post();
}

void DataSource::first() {
    if (!table_.isOpen())
        return;
    const bool wasEditing = isEditing();
    table_.first();
    afterMove(wasEditing);
}

void DataSource::prior() {
    if (!table_.isOpen())
        return;
    const bool wasEditing = isEditing();
    table_.prior();
    afterMove(wasEditing);
}

void DataSource::next() {
    if (!table_.isOpen())
        return;
    const bool wasEditing = isEditing();
    table_.next();
    afterMove(wasEditing);
}

void DataSource::last() {
    if (!table_.isOpen())
        return;
    const bool wasEditing = isEditing();
    table_.last();
    afterMove(wasEditing);
}

void DataSource::moveTo(int row) {
    if (!table_.isOpen() || row == currentRow())
        return;
    const bool wasEditing = isEditing();
    table_.moveTo(row);
    afterMove(wasEditing);
}

void DataSource::afterMove(bool wasEditing) {
    // Leaving a record posts its changes (or drops an untouched insert or edit), which can
    // change the rows as well as the cursor.
    if (wasEditing)
        emitDataChanged();
    else
        emitCurrentChanged();
}

void DataSource::insert() {
    table_.insert();
    notifyStateChanged();
}

void DataSource::edit() {
    table_.edit();
    notifyStateChanged();
}

void DataSource::post() {
    table_.post();
    emitDataChanged();
}

void DataSource::cancel() {
    table_.cancel();
    notifyStateChanged();
    emitCurrentChanged();
}

void DataSource::deleteCurrent() {
    table_.deleteRecord();
    emitDataChanged();
}

void DataSource::refresh() {
    table_.refresh();
    emitDataChanged();
}

} // namespace forms
