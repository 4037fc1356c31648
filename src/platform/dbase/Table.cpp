#include "platform/dbase/TableImpl.h"

namespace dbase {

Table::Table() : impl_(std::make_unique<Impl>()) {}

Table::~Table() {
    try {
        impl_->close();
    } catch (...) {
        // A destructor cannot report; close() explicitly to see the error.
    }
}

void Table::setDatabaseName(const std::string& folder) {
    impl_->requireClosed();
    impl_->folder = folder;
}
const std::string& Table::databaseName() const {
    return impl_->folder;
}
void Table::setTableName(const std::string& name) {
    impl_->requireClosed();
    impl_->tableName = name;
}
const std::string& Table::tableName() const {
    return impl_->tableName;
}
void Table::setExclusive(bool exclusive) {
    impl_->requireClosed();
    impl_->exclusive = exclusive;
}
bool Table::exclusive() const {
    return impl_->exclusive;
}
void Table::setReadOnly(bool readOnly) {
    impl_->requireClosed();
    impl_->readOnly = readOnly;
}
bool Table::readOnly() const {
    return impl_->readOnly;
}

void Table::setIndexName(const std::string& tag) {
    Impl& d = *impl_;
    if (!d.isOpen) {
        d.indexName = tag;
        return;
    }
    d.leaveEditing(*this);
    TagOrder* wanted = d.tagToSelect(tag);
    d.indexName = tag;
    if (wanted == d.selected) {
        return;
    }
    d.flushPending();
    std::vector<std::uint8_t> shown(d.records, 0);
    for (std::uint32_t recNo : d.visible) {
        shown[recNo - 1] = 1;
    }
    std::uint32_t keep = d.cur;
    d.selected = wanted;
    d.reorderVisible(shown);
    d.settleCursor(keep);
}
const std::string& Table::indexName() const {
    return impl_->indexName;
}

std::string Table::path() const {
    return impl_->isOpen ? impl_->path : resolveTablePath(impl_->folder, impl_->tableName);
}
std::string Table::indexPath() const {
    return impl_->isOpen ? impl_->mdxPath : resolveIndexPath(path());
}

void Table::open() {
    impl_->open();
}
void Table::close() {
    impl_->close();
}
bool Table::isOpen() const {
    return impl_->isOpen;
}
Table::State Table::state() const {
    return impl_->state;
}

TableInfo Table::info() const {
    Impl& d = *impl_;
    d.requireOpen();
    unsigned char head[FileHeaderSize];
    if (readAt(d.fd.get(), head, sizeof head, 0, d.path) != sizeof head) {
        throw DatabaseError("Damaged table " + d.path + ": the header could not be read");
    }
    TableInfo info;
    info.version = head[0];
    info.lastUpdate = Date{1900 + head[1], head[2], head[3]};
    info.headerRecordCount =
        static_cast<std::uint32_t>(head[4]) | (static_cast<std::uint32_t>(head[5]) << 8) |
        (static_cast<std::uint32_t>(head[6]) << 16) | (static_cast<std::uint32_t>(head[7]) << 24);
    d.flushPending();
    info.physicalRecords = d.records;
    info.deletedRecords = d.deletedCount;
    info.headerLength = d.header.headerLength;
    info.recordLength = d.header.recordLength;
    info.languageDriver = head[29];
    info.productionIndexFlag = head[MdxFlagOffset] == 1;
    info.readOnlyFormat = d.header.readOnlyFormat;
    info.repairNote = d.repairNote;
    return info;
}

void Table::create(const std::string& path, const std::vector<FieldDef>& fields) {
    std::string header = encodeNewHeader(fields);
    // Replacing a table that someone has open would pull it from under them.
    if (fileExists(path)) {
        UniqueFd existing = openFile(path, O_RDONLY);
        if (ByteLock::wouldConflict(existing.get(), OpenLockOffset, ByteLock::Kind::Write)) {
            throw DatabaseError("Table is busy. " + path);
        }
    }
    TempFile file(path);
    ByteLock hold = ByteLock::tryAcquire(file.fd(), OpenLockOffset, ByteLock::Kind::Write);
    header.push_back(EndOfFileMarker);
    writeAt(file.fd(), header.data(), header.size(), 0, file.path());
    file.commit();
    std::string index = resolveIndexPath(path);
    if (fileExists(index)) {
        if (::unlink(index.c_str()) != 0) {
            throw DatabaseError("Cannot remove the old index " + index);
        }
        syncFolderOf(index);
    }
}

const std::vector<FieldLayout>& Table::fields() const {
    impl_->requireOpen();
    return impl_->header.fields;
}
int Table::fieldCount() const {
    return static_cast<int>(fields().size());
}
int Table::fieldIndex(std::string_view name) const {
    const auto& list = fields();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (sameName(list[i].def.name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace dbase
