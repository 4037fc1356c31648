#include "platform/dbase/TableImpl.h"

namespace dbase {

int Table::recordCount() const {
    if (!impl_->isOpen) {
        return 0;
    }
    impl_->flushPending();
    return static_cast<int>(impl_->visible.size());
}

void Table::first() {
    Impl& d = *impl_;
    d.requireOpen();
    d.leaveEditing(*this);
    d.settleCursor(0);
}

void Table::last() {
    Impl& d = *impl_;
    d.requireOpen();
    d.leaveEditing(*this);
    d.flushPending();
    if (d.visible.empty()) {
        d.settleCursor(0);
        return;
    }
    d.placeAt(d.visible.size() - 1);
    d.atEof = true;
}

void Table::next() {
    Impl& d = *impl_;
    d.requireOpen();
    d.leaveEditing(*this);
    int row = d.currentRow();
    if (row < 0) {
        d.atBof = d.atEof = true;
        return;
    }
    if (static_cast<std::size_t>(row) + 1 < d.visible.size()) {
        d.placeAt(static_cast<std::size_t>(row) + 1);
    } else {
        d.atEof = true;
    }
}

void Table::prior() {
    Impl& d = *impl_;
    d.requireOpen();
    d.leaveEditing(*this);
    int row = d.currentRow();
    if (row < 0) {
        d.atBof = d.atEof = true;
        return;
    }
    if (row > 0) {
        d.placeAt(static_cast<std::size_t>(row) - 1);
    } else {
        d.atBof = true;
    }
}

bool Table::eof() const {
    return !impl_->isOpen || impl_->atEof;
}
bool Table::bof() const {
    return !impl_->isOpen || impl_->atBof;
}
int Table::position() const {
    return impl_->isOpen ? impl_->currentRow() : -1;
}

void Table::moveTo(int row) {
    Impl& d = *impl_;
    d.requireOpen();
    d.leaveEditing(*this);
    d.flushPending();
    if (d.visible.empty()) {
        d.settleCursor(0);
        return;
    }
    auto last = static_cast<int>(d.visible.size()) - 1;
    d.placeAt(static_cast<std::size_t>(std::clamp(row, 0, last)));
}

std::uint32_t Table::recNo() const {
    if (!impl_->isOpen) {
        return 0;
    }
    if (impl_->state == State::Insert) {
        return 0;
    }
    if (impl_->state == State::Edit) {
        return impl_->editRecNo;
    }
    return impl_->currentRow() < 0 ? 0 : impl_->cur;
}

Table::Bookmark Table::bookmark() const {
    return recNo();
}

bool Table::gotoBookmark(Bookmark mark) {
    Impl& d = *impl_;
    d.requireOpen();
    d.leaveEditing(*this);
    d.flushPending();
    if (mark == 0 || mark > d.records) {
        return false;
    }
    std::size_t row = d.lowerRow(mark);
    if (row >= d.visible.size() || d.visible[row] != mark) {
        return false;
    }
    d.placeAt(row);
    return true;
}

RecordView Table::recordAt(int row) const {
    Impl& d = *impl_;
    d.requireOpen();
    d.flushPending();
    if (row < 0 || static_cast<std::size_t>(row) >= d.visible.size()) {
        throw DatabaseError("There is no row " + std::to_string(row) + ".");
    }
    return RecordView(d.recordBytes(d.visible[static_cast<std::size_t>(row)]), &d.header.fields);
}

RecordView Table::current() const {
    Impl& d = *impl_;
    d.requireOpen();
    if (d.state == State::Edit || d.state == State::Insert) {
        return RecordView(d.editBuffer.data(), &d.header.fields);
    }
    if (d.currentRow() < 0) {
        return RecordView(d.blank.data(), &d.header.fields);
    }
    return RecordView(d.recordBytes(d.cur), &d.header.fields);
}

void Table::setFilter(Filter filter) {
    Impl& d = *impl_;
    if (!d.isOpen) {
        d.filter = std::move(filter);
        return;
    }
    d.leaveEditing(*this);
    d.filter = std::move(filter);
    std::uint32_t keep = d.cur;
    d.rebuildVisible();
    d.settleCursor(keep);
}

bool Table::filtered() const {
    return static_cast<bool>(impl_->filter);
}

void Table::refresh() {
    Impl& d = *impl_;
    d.requireOpen();
    d.leaveEditing(*this);
    std::uint32_t keep = d.cur;
    if (d.currentStamp() == d.stamp) {
        d.rebuildVisible();
        d.settleCursor(keep);
        return;
    }
    d.catchUpWithOthers();
}

void Table::beginBulk() {
    impl_->requireWritable();
    ++impl_->bulkDepth;
}

void Table::endBulk() {
    Impl& d = *impl_;
    if (d.bulkDepth == 0) {
        return;
    }
    if (--d.bulkDepth == 0 && d.isOpen) {
        d.flushPending();
        syncData(d.fd.get(), d.path);
        if (d.cur != 0) {
            d.settleCursor(d.cur);
        }
    }
}

} // namespace dbase
