#include "platform/dbase/TableImpl.h"

namespace dbase {

void Table::insert() {
    Impl& d = *impl_;
    d.requireWritable();
    d.leaveEditing(*this);
    d.editBuffer = d.blank;
    d.editRecNo = 0;
    d.modified = false;
    d.state = State::Insert;
}

void Table::edit() {
    Impl& d = *impl_;
    d.requireWritable();
    if (d.state != State::Browse) {
        return;
    }
    if (d.currentRow() < 0) {
        throw DatabaseError("There is no record to edit.");
    }
    // Read afresh: another run may have changed the record since it was shown.
    d.invalidateReads();
    d.editBuffer.assign(d.recordBytes(d.cur), d.recordLength());
    d.editRecNo = d.cur;
    d.modified = false;
    d.state = State::Edit;
}

namespace {

FieldLayout& editableField(Table::Impl& d, int field) {
    if (d.state != Table::State::Edit && d.state != Table::State::Insert) {
        throw DatabaseError("Table is not in edit or insert mode.");
    }
    if (field < 0 || static_cast<std::size_t>(field) >= d.header.fields.size()) {
        throw DatabaseError("There is no field number " + std::to_string(field + 1) + ".");
    }
    return d.header.fields[static_cast<std::size_t>(field)];
}

} // namespace

void Table::setFieldText(int field, std::string_view text) {
    FieldLayout& layout = editableField(*impl_, field);
    encodeFieldText(layout.def, text, impl_->editBuffer.data() + layout.offset);
    impl_->modified = true;
}

void Table::setFieldNumber(int field, std::optional<double> value) {
    FieldLayout& layout = editableField(*impl_, field);
    encodeFieldNumber(layout.def, value, impl_->editBuffer.data() + layout.offset);
    impl_->modified = true;
}

void Table::setFieldDate(int field, std::optional<Date> value) {
    FieldLayout& layout = editableField(*impl_, field);
    encodeFieldDate(layout.def, value, impl_->editBuffer.data() + layout.offset);
    impl_->modified = true;
}

void Table::post() {
    Impl& d = *impl_;
    d.requireWritable();
    if (d.state == State::Browse) {
        return;
    }
    d.flushPending();
    if (d.state == State::Insert) {
        d.editBuffer[0] = ' ';
        std::uint32_t recNo = d.appendRecord(d.editBuffer);
        d.records = recNo;
        d.deleted.push_back(0);
        bool shown = d.passes(d.editBuffer.data());
        for (auto& tag : d.tags) {
            tag->appendKey(d.editBuffer.data());
        }
        if (d.bulkDepth > 0) {
            d.pendingRecords.push_back(recNo);
            if (shown) {
                d.pendingVisible.push_back(recNo);
            }
        } else {
            for (auto& tag : d.tags) {
                tag->insertSorted(recNo);
            }
            if (shown) {
                d.insertVisible(recNo);
            }
        }
        d.state = State::Browse;
        if (d.bulkDepth > 0) {
            // Placing the cursor would merge the orders on every post; it waits until asked.
            d.cur = recNo;
            d.rowGeneration = ~0ull;
            d.atBof = d.atEof = false;
            return;
        }
        d.settleCursor(recNo);
        return;
    }
    std::uint32_t recNo = d.editRecNo;
    d.writeExisting(recNo, d.editBuffer.data() + 1, d.recordLength() - 1, 1);
    d.eraseVisible(recNo);
    for (auto& tag : d.tags) {
        if (!tag->keyEquals(recNo, d.editBuffer.data())) {
            tag->eraseSorted(recNo);
            tag->replaceKey(recNo, d.editBuffer.data());
            tag->insertSorted(recNo);
        }
    }
    if (!d.deleted[recNo - 1] && d.passes(d.editBuffer.data())) {
        d.insertVisible(recNo);
    }
    d.state = State::Browse;
    d.settleCursor(recNo);
}

void Table::cancel() {
    Impl& d = *impl_;
    if (d.state == State::Edit || d.state == State::Insert) {
        d.state = State::Browse;
    }
}

void Table::deleteRecord() {
    Impl& d = *impl_;
    d.requireWritable();
    if (d.state == State::Insert) {
        cancel();
        return;
    }
    cancel();
    d.flushPending();
    int row = d.currentRow();
    if (row < 0) {
        throw DatabaseError("There is no record to delete.");
    }
    std::uint32_t recNo = d.cur;
    char flag = '*';
    d.writeExisting(recNo, &flag, 1, 0);
    if (!d.deleted[recNo - 1]) {
        d.deleted[recNo - 1] = 1;
        ++d.deletedCount;
    }
    d.eraseVisible(recNo);
    if (d.visible.empty()) {
        d.settleCursor(0);
        return;
    }
    d.placeAt(std::min(static_cast<std::size_t>(row), d.visible.size() - 1));
}

} // namespace dbase
