#include "platform/dbase/Table.h"

#include "platform/dbase/DbfHeader.h"
#include "platform/dbase/FieldCodec.h"
#include "platform/dbase/FileIo.h"
#include "platform/dbase/FileLock.h"
#include "platform/dbase/KeyExpression.h"
#include "platform/dbase/MdxFile.h"
#include "platform/dbase/TableNames.h"
#include "platform/dbase/TagOrder.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbase {

namespace {

constexpr std::size_t ScanBlockBytes = 1 << 20;
constexpr std::size_t ReadBlockBytes = 256 << 10;
constexpr std::size_t MaxTags = 47;

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string baseNameOf(const std::string& tablePath) {
    std::string name = fileNameOf(tablePath);
    if (name.size() > 4 && sameName(name.substr(name.size() - 4), ".DBF")) {
        name.resize(name.size() - 4);
    }
    return name;
}

[[noreturn]] void missingIndex(const std::string& name) {
    throw DatabaseError("Index does not exist. " + name);
}

struct FileStamp {
    std::uint64_t size = 0;
    struct timespec modified {};
    bool operator==(const FileStamp& o) const {
        return size == o.size && modified.tv_sec == o.modified.tv_sec &&
               modified.tv_nsec == o.modified.tv_nsec;
    }
};

} // namespace

struct Table::Impl {
    // -- configuration
    std::string folder;
    std::string tableName;
    std::string indexName;
    bool exclusive = false;
    bool readOnly = false;

    // -- the open file
    bool isOpen = false;
    State state = State::Inactive;
    std::string path;
    std::string mdxPath;
    UniqueFd fd;
    ByteLock openLock;
    DbfHeader header;
    std::uint32_t records = 0; // whole records we know of, deleted ones included
    std::vector<std::uint8_t> deleted;
    std::uint32_t deletedCount = 0;
    std::string repairNote;
    FileStamp stamp; // the file as our last read or write left it

    // -- orders
    std::vector<std::unique_ptr<TagOrder>> tags;
    struct UnusableTag {
        std::string name;
        std::string reason;
    };
    std::vector<UnusableTag> unusableTags; // read-only opens only
    TagOrder* selected = nullptr;
    Filter filter;
    std::vector<std::uint32_t> visible;
    std::vector<std::uint32_t> pendingRecords; // appended in bulk work, not yet in the orders
    std::vector<std::uint32_t> pendingVisible;
    bool recordsChangedSinceMdx = false;
    int bulkDepth = 0;

    // -- cursor
    std::uint32_t cur = 0;
    bool atBof = true;
    bool atEof = true;
    std::uint64_t visibleGeneration = 0;
    std::uint64_t rowGeneration = ~0ull;
    int cachedRow = -1;

    // -- editing
    std::string editBuffer;
    std::uint32_t editRecNo = 0;
    bool modified = false;

    // -- reading
    std::vector<char> block;
    std::uint32_t blockFirst = 0;
    std::uint32_t blockCount = 0;
    std::string single;
    std::uint32_t singleRecNo = 0;
    std::uint32_t lastRead = 0;
    std::string blank;

    // ---------------------------------------------------------------------------------------
    void requireOpen() const {
        if (!isOpen) {
            throw DatabaseError("Table is not open.");
        }
    }
    void requireClosed() const {
        if (isOpen) {
            throw DatabaseError("Table must be closed first. " + path);
        }
    }
    bool writable() const { return !readOnly && !header.readOnlyFormat; }
    void requireWritable() const {
        requireOpen();
        if (!writable()) {
            throw DatabaseError("Table is read-only. " + path);
        }
    }
    void requireExclusive(const char* what) const {
        requireWritable();
        if (!exclusive) {
            throw DatabaseError(std::string(what) + " needs exclusive use of the table. " + path);
        }
    }
    std::size_t recordLength() const { return static_cast<std::size_t>(header.recordLength); }
    std::uint64_t recordOffset(std::uint32_t recNo) const {
        return static_cast<std::uint64_t>(header.headerLength) +
               static_cast<std::uint64_t>(recNo - 1) * recordLength();
    }
    std::uint32_t wholeRecordsIn(std::uint64_t size) const {
        if (size < static_cast<std::uint64_t>(header.headerLength)) {
            return 0; // cut short by another program
        }
        std::uint64_t whole =
            (size - static_cast<std::uint64_t>(header.headerLength)) / recordLength();
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(whole, 0xFFFFFFFFu));
    }

    FileStamp currentStamp() const {
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) {
            return {};
        }
        return FileStamp{static_cast<std::uint64_t>(st.st_size), st.st_mtim};
    }

    // -- comparing and finding rows ----------------------------------------------------------
    bool before(std::uint32_t a, std::uint32_t b) const {
        return selected ? selected->before(a, b) : a < b;
    }
    std::size_t lowerRow(std::uint32_t recNo) const {
        return static_cast<std::size_t>(
            std::lower_bound(visible.begin(), visible.end(), recNo,
                             [this](std::uint32_t a, std::uint32_t b) { return before(a, b); }) -
            visible.begin());
    }
    bool isVisible(std::uint32_t recNo) const {
        std::size_t row = lowerRow(recNo);
        return row < visible.size() && visible[row] == recNo;
    }
    void eraseVisible(std::uint32_t recNo) {
        std::size_t row = lowerRow(recNo);
        if (row < visible.size() && visible[row] == recNo) {
            visible.erase(visible.begin() + static_cast<std::ptrdiff_t>(row));
            ++visibleGeneration;
        }
    }
    void insertVisible(std::uint32_t recNo) {
        auto at =
            std::upper_bound(visible.begin(), visible.end(), recNo,
                             [this](std::uint32_t a, std::uint32_t b) { return before(a, b); });
        visible.insert(at, recNo);
        ++visibleGeneration;
    }
    bool passes(const char* record) const {
        return record[0] != '*' && (!filter || filter(RecordView(record, &header.fields)));
    }

    // -- reading records ---------------------------------------------------------------------
    void invalidateReads() {
        blockCount = 0;
        singleRecNo = 0;
        lastRead = 0;
    }

    [[noreturn]] void recordMissing(std::uint32_t recNo) const {
        throw DatabaseError("Damaged table " + path + ": record " + std::to_string(recNo) +
                            " could not be read (the file is shorter than it was)");
    }

    // Records in sequence (either way) come from one large block; a jump reads just the
    // record.
    const char* recordBytes(std::uint32_t recNo) {
        if (recNo >= blockFirst && recNo < blockFirst + blockCount) {
            lastRead = recNo;
            return block.data() + static_cast<std::size_t>(recNo - blockFirst) * recordLength();
        }
        if (recNo == singleRecNo) {
            lastRead = recNo;
            return single.data();
        }
        bool forward = lastRead != 0 && recNo == lastRead + 1;
        bool backward = lastRead != 0 && recNo + 1 == lastRead;
        lastRead = recNo;
        if (forward || backward) {
            std::uint32_t perBlock = static_cast<std::uint32_t>(
                std::max<std::size_t>(1, ReadBlockBytes / recordLength()));
            std::uint32_t first = forward ? recNo : (recNo > perBlock ? recNo - perBlock + 1 : 1);
            std::uint32_t count = std::min(perBlock, records - first + 1);
            block.resize(static_cast<std::size_t>(count) * recordLength());
            std::size_t got =
                readAt(fd.get(), block.data(), block.size(), recordOffset(first), path);
            blockFirst = first;
            blockCount = static_cast<std::uint32_t>(got / recordLength());
            if (recNo >= blockFirst + blockCount) {
                blockCount = 0;
                recordMissing(recNo);
            }
            return block.data() + static_cast<std::size_t>(recNo - blockFirst) * recordLength();
        }
        single.resize(recordLength());
        if (readAt(fd.get(), single.data(), single.size(), recordOffset(recNo), path) !=
            single.size()) {
            recordMissing(recNo);
        }
        singleRecNo = recNo;
        return single.data();
    }

    // Calls visit(recNo, record) for records first..last in file order, in large reads.
    template <typename Visit> void scan(std::uint32_t first, std::uint32_t last, Visit visit) {
        if (first > last) {
            return;
        }
        std::size_t perBlock = std::max<std::size_t>(1, ScanBlockBytes / recordLength());
        std::vector<char> buffer(std::min<std::size_t>(perBlock, last - first + 1) *
                                 recordLength());
        for (std::uint32_t recNo = first; recNo <= last;) {
            std::size_t count = std::min<std::size_t>(perBlock, last - recNo + 1);
            std::size_t bytes = count * recordLength();
            if (readAt(fd.get(), buffer.data(), bytes, recordOffset(recNo), path) != bytes) {
                recordMissing(recNo + static_cast<std::uint32_t>(count) - 1);
            }
            for (std::size_t i = 0; i < count; ++i) {
                visit(recNo + static_cast<std::uint32_t>(i), buffer.data() + i * recordLength());
            }
            recNo += static_cast<std::uint32_t>(count);
        }
    }

    // -- building the orders -----------------------------------------------------------------
    // Reads every record: deletion flags and every tag's keys, then sorts the tags.
    void loadAllRecords() {
        invalidateReads();
        pendingRecords.clear();
        pendingVisible.clear();
        deleted.assign(records, 0);
        deleted.shrink_to_fit();
        deletedCount = 0;
        for (auto& tag : tags) {
            tag->clear();
            tag->reserve(records);
        }
        scan(1, records, [this](std::uint32_t recNo, const char* record) {
            if (record[0] == '*') {
                deleted[recNo - 1] = 1;
                ++deletedCount;
            }
            for (auto& tag : tags) {
                tag->appendKey(record);
            }
        });
        for (auto& tag : tags) {
            tag->sortAll();
        }
    }

    // Takes in records that another handle appended (first..last), placing them at once.
    void loadAppended(std::uint32_t first, std::uint32_t last) {
        if (first > last) {
            return;
        }
        flushPending();
        std::vector<std::uint32_t> added;
        std::vector<std::uint32_t> shown;
        scan(first, last, [&](std::uint32_t recNo, const char* record) {
            deleted.push_back(record[0] == '*' ? 1 : 0);
            deletedCount += record[0] == '*' ? 1 : 0;
            for (auto& tag : tags) {
                tag->appendKey(record);
            }
            added.push_back(recNo);
            if (passes(record)) {
                shown.push_back(recNo);
            }
        });
        records = last;
        for (auto& tag : tags) {
            tag->merge(added);
        }
        mergeVisible(std::move(shown));
        recordsChangedSinceMdx = true;
    }

    void mergeVisible(std::vector<std::uint32_t> recNos) {
        if (recNos.empty()) {
            return;
        }
        auto less = [this](std::uint32_t a, std::uint32_t b) { return before(a, b); };
        std::sort(recNos.begin(), recNos.end(), less);
        auto middle = static_cast<std::ptrdiff_t>(visible.size());
        visible.insert(visible.end(), recNos.begin(), recNos.end());
        std::inplace_merge(visible.begin(), visible.begin() + middle, visible.end(), less);
        ++visibleGeneration;
    }

    // Places the records appended during bulk work into every order.
    void flushPending() {
        if (pendingRecords.empty()) {
            return;
        }
        for (auto& tag : tags) {
            tag->merge(pendingRecords);
        }
        pendingRecords.clear();
        mergeVisible(std::move(pendingVisible));
        pendingVisible.clear();
    }

    // The visible rows from scratch: the filter is tried in file order (large sequential
    // reads), then the rows are taken in the selected order.
    void rebuildVisible() {
        flushPending();
        std::vector<std::uint8_t> shown(records, 0);
        if (filter) {
            scan(1, records, [&](std::uint32_t recNo, const char* record) {
                shown[recNo - 1] = passes(record) ? 1 : 0;
            });
        } else {
            for (std::uint32_t i = 0; i < records; ++i) {
                shown[i] = deleted[i] ? 0 : 1;
            }
        }
        reorderVisible(shown);
    }

    // The same rows in the selected order (after a tag change).
    void reorderVisible(const std::vector<std::uint8_t>& shown) {
        visible.clear();
        if (selected) {
            for (std::uint32_t recNo : selected->sorted()) {
                if (shown[recNo - 1]) {
                    visible.push_back(recNo);
                }
            }
        } else {
            for (std::uint32_t recNo = 1; recNo <= records; ++recNo) {
                if (shown[recNo - 1]) {
                    visible.push_back(recNo);
                }
            }
        }
        visible.shrink_to_fit();
        ++visibleGeneration;
    }

    // -- cursor ------------------------------------------------------------------------------
    int currentRow() {
        flushPending();
        if (cur == 0 || visible.empty()) {
            return -1;
        }
        if (rowGeneration != visibleGeneration) {
            std::size_t row = std::min(lowerRow(cur), visible.size() - 1);
            cur = visible[row];
            cachedRow = static_cast<int>(row);
            rowGeneration = visibleGeneration;
        }
        return cachedRow;
    }
    void placeAt(std::size_t row) {
        cur = visible[row];
        cachedRow = static_cast<int>(row);
        rowGeneration = visibleGeneration;
        atBof = false;
        atEof = false;
    }
    // After the rows changed: stay on the current record, or take the nearest following row
    // (the last one when nothing follows).
    void settleCursor(std::uint32_t wanted) {
        flushPending();
        if (visible.empty()) {
            cur = 0;
            atBof = atEof = true;
            return;
        }
        if (wanted == 0) {
            placeAt(0);
            atBof = true;
            return;
        }
        std::size_t row = lowerRow(wanted);
        placeAt(std::min(row, visible.size() - 1));
    }

    // Moving away from an edited record keeps the edits, as a data-aware form expects; an
    // untouched insert or edit is simply dropped.
    void leaveEditing(Table& table) {
        if (state == State::Edit || state == State::Insert) {
            if (modified) {
                table.post();
            } else {
                state = State::Browse;
            }
        }
    }

    // -- writing -----------------------------------------------------------------------------
    void syncUnlessBulk() {
        if (bulkDepth == 0) {
            syncData(fd.get(), path);
        }
    }
    void noteOwnWrite() {
        invalidateReads();
        stamp = currentStamp();
        recordsChangedSinceMdx = true;
    }

    void writeExisting(std::uint32_t recNo, const char* data, std::size_t size,
                       std::size_t within) {
        writeAt(fd.get(), data, size, recordOffset(recNo) + within, path);
        std::string date = encodeDate();
        writeAt(fd.get(), date.data(), date.size(), 1, path);
        syncUnlessBulk();
        noteOwnWrite();
    }

    // Appends at the true end of the file under the append lock, so two writers never take
    // the same place; gives the new record's number.
    std::uint32_t appendRecord(const std::string& record) {
        ByteLock appendLock = ByteLock::acquire(fd.get(), AppendLockOffset, ByteLock::Kind::Write);
        unsigned char count[4];
        if (readAt(fd.get(), count, 4, 4, path) != 4) {
            throw DatabaseError("Damaged table " + path + ": the header could not be read");
        }
        std::uint32_t headerCount = static_cast<std::uint32_t>(count[0]) |
                                    (static_cast<std::uint32_t>(count[1]) << 8) |
                                    (static_cast<std::uint32_t>(count[2]) << 16) |
                                    (static_cast<std::uint32_t>(count[3]) << 24);
        std::uint64_t size = fileSize(fd.get(), path);
        std::uint32_t present = std::min(headerCount, wholeRecordsIn(size));
        if (present < records) {
            throw DatabaseError("Damaged table " + path +
                                ": records vanished from the file while it was open");
        }
        if (present == 0xFFFFFFFFu) {
            throw DatabaseError("The table is full. " + path);
        }
        std::string bytes = record;
        bytes.push_back(EndOfFileMarker);
        std::uint64_t at = recordOffset(present + 1);
        writeAt(fd.get(), bytes.data(), bytes.size(), at, path);
        if (size > at + bytes.size()) {
            truncateFile(fd.get(), at + bytes.size(), path); // drop a torn append's leftovers
        }
        std::string head = encodeDateAndCount(present + 1);
        writeAt(fd.get(), head.data(), head.size(), 1, path);
        syncUnlessBulk();
        appendLock.release();
        noteOwnWrite();
        loadAppended(records + 1, present);
        return present + 1;
    }

    void setMdxFlag(bool on) {
        if (header.mdxFlag == on) {
            return;
        }
        char byte = on ? 1 : 0;
        writeAt(fd.get(), &byte, 1, MdxFlagOffset, path);
        syncData(fd.get(), path);
        header.mdxFlag = on;
        stamp = currentStamp();
    }

    void writeIndexFile() {
        flushPending();
        std::vector<MdxTagKeys> files;
        std::vector<std::vector<std::uint32_t>> uniqueLists(tags.size());
        for (std::size_t t = 0; t < tags.size(); ++t) {
            const TagOrder* tag = tags[t].get();
            const std::vector<std::uint32_t>* list = &tag->sorted();
            // A unique tag holds the first record of each key, as dBase keeps it.
            if (tag->info().unique) {
                auto& kept = uniqueLists[t];
                for (std::uint32_t recNo : tag->sorted()) {
                    if (kept.empty() ||
                        std::memcmp(tag->key(kept.back()), tag->key(recNo),
                                    static_cast<std::size_t>(tag->keyLength())) != 0) {
                        kept.push_back(recNo);
                    }
                }
                list = &kept;
            }
            MdxTagKeys keys;
            keys.info = tag->info();
            keys.count = list->size();
            keys.entry = [tag, list](std::size_t i) {
                std::uint32_t recNo = (*list)[i];
                return std::pair<const char*, std::uint32_t>(tag->key(recNo), recNo);
            };
            files.push_back(std::move(keys));
        }
        writeMdx(mdxPath, upper(baseNameOf(path)).substr(0, 16), files);
        setMdxFlag(true);
        recordsChangedSinceMdx = false;
    }

    // -- opening -----------------------------------------------------------------------------
    void readTagDirectory() {
        tags.clear();
        unusableTags.clear();
        if (header.readOnlyFormat || !header.mdxFlag) {
            return; // other formats use byte 28 for other things
        }
        if (!fileExists(mdxPath)) {
            if (writable()) {
                setMdxFlag(false);
            }
            return;
        }
        for (MdxTagInfo& info : readMdxDirectory(mdxPath)) {
            std::string problem;
            if (!info.filter.empty()) {
                problem = "its condition FOR " + info.filter + " cannot be kept up to date";
            } else {
                try {
                    tags.push_back(std::make_unique<TagOrder>(
                        info, KeyExpression::parse(info.expression, header.fields)));
                    continue;
                } catch (const DatabaseError& error) {
                    problem = error.what();
                }
            }
            if (writable()) {
                throw DatabaseError("Index tag " + info.name + " of " + mdxPath +
                                    " cannot be used (expression " + info.expression +
                                    "): " + problem);
            }
            if (!info.filter.empty()) {
                // Read-only: the tag still orders, only over every record.
                info.filter.clear();
                try {
                    tags.push_back(std::make_unique<TagOrder>(
                        info, KeyExpression::parse(info.expression, header.fields)));
                    continue;
                } catch (const DatabaseError& error) {
                    problem = error.what();
                }
            }
            unusableTags.push_back({info.name, "(expression " + info.expression + "): " + problem});
        }
    }

    TagOrder* findTag(const std::string& name) const {
        for (const auto& tag : tags) {
            if (sameName(tag->name(), name)) {
                return tag.get();
            }
        }
        return nullptr;
    }

    TagOrder* tagToSelect(const std::string& name) const {
        if (name.empty()) {
            return nullptr;
        }
        if (TagOrder* tag = findTag(name)) {
            return tag;
        }
        for (const UnusableTag& tag : unusableTags) {
            if (sameName(tag.name, name)) {
                throw DatabaseError("Index tag " + tag.name + " cannot be used " + tag.reason);
            }
        }
        missingIndex(name);
    }

    void readHeaderAndCount() {
        std::uint64_t size = fileSize(fd.get(), path);
        header = readHeader(fd.get(), size, path);
        std::uint32_t whole = wholeRecordsIn(size);
        records = std::min(header.recordCount, whole);
        repairNote.clear();
        if (header.recordCount > whole) {
            repairNote = "The header counts " + std::to_string(header.recordCount) +
                         " records but the file holds " + std::to_string(whole) +
                         "; the whole records were opened.";
        }
        blank.assign(recordLength(), ' ');
        stamp = currentStamp();
    }

    void open() {
        requireClosed();
        path = resolveTablePath(folder, tableName);
        mdxPath = resolveIndexPath(path);
        if (!fileExists(path)) {
            throw DatabaseError("Table does not exist: " + path);
        }
        // An exclusive hold is a write lock, which needs a handle open for writing even when
        // the table is only read; a file we may not write falls back to testing for others.
        bool testOnly = false;
        if (readOnly && !exclusive) {
            fd = openFile(path, O_RDONLY);
        } else if (readOnly) {
            try {
                fd = openFile(path, O_RDWR);
            } catch (const DatabaseError&) {
                fd = openFile(path, O_RDONLY);
                testOnly = true;
            }
        } else {
            fd = openFile(path, O_RDWR);
        }
        bool writeLock = exclusive && !testOnly;
        if (!testOnly ||
            !ByteLock::wouldConflict(fd.get(), OpenLockOffset, ByteLock::Kind::Write)) {
            openLock = ByteLock::tryAcquire(
                fd.get(), OpenLockOffset, writeLock ? ByteLock::Kind::Write : ByteLock::Kind::Read);
        }
        if (!openLock.held()) {
            fd.reset();
            throw DatabaseError("Table is busy. " + path);
        }
        try {
            readHeaderAndCount();
            readTagDirectory();
            loadAllRecords();
            selected = tagToSelect(indexName);
            rebuildVisible();
            isOpen = true;
            state = State::Browse;
            recordsChangedSinceMdx = false;
            settleCursor(0);
        } catch (...) {
            release();
            throw;
        }
    }

    void release() {
        selected = nullptr;
        tags.clear();
        unusableTags.clear();
        visible = {};
        deleted = {};
        pendingRecords.clear();
        pendingVisible.clear();
        block = {};
        single.clear();
        invalidateReads();
        openLock.release();
        fd.reset();
        isOpen = false;
        state = State::Inactive;
        cur = 0;
        atBof = atEof = true;
        bulkDepth = 0;
        records = 0;
        deletedCount = 0;
    }

    // Another handle may have written since we last looked: then everything is read again.
    void catchUpWithOthers() {
        if (currentStamp() == stamp) {
            return;
        }
        std::uint32_t keep = cur;
        readHeaderAndCount();
        loadAllRecords();
        rebuildVisible();
        settleCursor(keep);
        recordsChangedSinceMdx = true;
    }

    void close() {
        if (!isOpen) {
            return;
        }
        if (state != State::Browse) {
            state = State::Browse; // unposted edits are dropped, never half written
        }
        try {
            if (writable()) {
                if (bulkDepth > 0) {
                    syncData(fd.get(), path);
                }
                if (!tags.empty() && recordsChangedSinceMdx) {
                    catchUpWithOthers();
                    writeIndexFile();
                }
            }
        } catch (...) {
            release();
            throw;
        }
        release();
    }
};

// ------------------------------------------------------------------------------------------
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

void Table::addIndex(const std::string& name, const std::string& expression) {
    Impl& d = *impl_;
    d.requireWritable();
    d.leaveEditing(*this);
    bool nameOk =
        !name.empty() && name.size() <= 10 && std::isalpha(static_cast<unsigned char>(name[0]));
    for (char c : name) {
        nameOk = nameOk && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    }
    if (!nameOk) {
        throw DatabaseError("Invalid index tag name: \"" + name + "\"");
    }
    if (d.findTag(name)) {
        throw DatabaseError("Index already exists. " + name);
    }
    if (d.tags.size() >= MaxTags) {
        throw DatabaseError("Too many index tags. " + d.mdxPath);
    }
    MdxTagInfo info;
    info.name = upper(name);
    auto tag = std::make_unique<TagOrder>(info, KeyExpression::parse(expression, d.header.fields));
    d.flushPending();
    tag->reserve(d.records);
    d.scan(1, d.records, [&](std::uint32_t, const char* record) { tag->appendKey(record); });
    tag->sortAll();
    d.tags.push_back(std::move(tag));
    try {
        d.writeIndexFile();
    } catch (...) {
        d.tags.pop_back();
        throw;
    }
}

void Table::deleteIndex(const std::string& name) {
    Impl& d = *impl_;
    d.requireWritable();
    d.leaveEditing(*this);
    TagOrder* tag = d.findTag(name);
    if (!tag) {
        missingIndex(name);
    }
    if (tag == d.selected) {
        setIndexName("");
    }
    d.tags.erase(std::find_if(d.tags.begin(), d.tags.end(),
                              [tag](const auto& held) { return held.get() == tag; }));
    if (!d.tags.empty()) {
        d.writeIndexFile();
        return;
    }
    if (fileExists(d.mdxPath)) {
        if (::unlink(d.mdxPath.c_str()) != 0) {
            throw DatabaseError("Cannot remove the index " + d.mdxPath);
        }
        syncFolderOf(d.mdxPath);
    }
    d.setMdxFlag(false);
}

std::vector<IndexTagInfo> Table::indexTags() const {
    impl_->requireOpen();
    std::vector<IndexTagInfo> list;
    for (const auto& tag : impl_->tags) {
        list.push_back(
            {tag->name(), tag->info().expression, tag->info().keyType, tag->info().keyLength});
    }
    return list;
}

void Table::regenerateIndexes() {
    Impl& d = *impl_;
    d.requireExclusive("Rebuilding the indexes");
    d.leaveEditing(*this);
    std::uint32_t keep = d.cur;
    d.readHeaderAndCount();
    d.loadAllRecords();
    d.rebuildVisible();
    d.settleCursor(keep);
    if (!d.tags.empty()) {
        d.writeIndexFile();
    }
}

void Table::pack() {
    Impl& d = *impl_;
    d.requireExclusive("Packing");
    d.leaveEditing(*this);
    d.flushPending();
    std::string head(static_cast<std::size_t>(d.header.headerLength), '\0');
    if (readAt(d.fd.get(), head.data(), head.size(), 0, d.path) != head.size()) {
        throw DatabaseError("Damaged table " + d.path + ": the header could not be read");
    }
    // The new file is locked before it takes the table's name, so no other run can slip in
    // between the rename and our hold on it.
    TempFile file(d.path);
    ByteLock newLock = ByteLock::tryAcquire(file.fd(), OpenLockOffset, ByteLock::Kind::Write);
    std::uint64_t at = head.size();
    std::uint32_t live = 0;
    std::string out;
    out.reserve(ScanBlockBytes + d.recordLength());
    d.scan(1, d.records, [&](std::uint32_t, const char* record) {
        if (record[0] != '*') {
            ++live;
            out.append(record, d.recordLength());
            if (out.size() >= ScanBlockBytes) {
                writeAt(file.fd(), out.data(), out.size(), at, file.path());
                at += out.size();
                out.clear();
            }
        }
    });
    out.push_back(EndOfFileMarker);
    writeAt(file.fd(), out.data(), out.size(), at, file.path());
    std::string stampAndCount = encodeDateAndCount(live);
    std::memcpy(head.data() + 1, stampAndCount.data(), stampAndCount.size());
    writeAt(file.fd(), head.data(), head.size(), 0, file.path());
    file.commit();

    d.openLock.release();
    d.fd = file.takeFd();
    d.openLock = std::move(newLock);
    d.readHeaderAndCount();
    d.loadAllRecords();
    d.rebuildVisible();
    d.settleCursor(0);
    if (!d.tags.empty()) {
        d.writeIndexFile();
    }
}

// -- cursor ------------------------------------------------------------------------------------
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

// -- editing -----------------------------------------------------------------------------------
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

// -- filter, refresh, bulk -----------------------------------------------------------------------
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
