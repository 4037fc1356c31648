#pragma once

// The inside of Table: the open file, its orders, the cursor and the edit buffer. Shared by
// the Table*.cpp files only.

#include "platform/dbase/DbfHeader.h"
#include "platform/dbase/FieldCodec.h"
#include "platform/dbase/FileIo.h"
#include "platform/dbase/FileLock.h"
#include "platform/dbase/KeyExpression.h"
#include "platform/dbase/MdxFile.h"
#include "platform/dbase/Table.h"
#include "platform/dbase/TableNames.h"
#include "platform/dbase/TagOrder.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbase {

// Helpers of the Table*.cpp files.
namespace tableimpl {

inline constexpr std::size_t ScanBlockBytes = 1 << 20;
inline constexpr std::size_t ReadBlockBytes = 256 << 10;
inline constexpr std::size_t MaxTags = 47;

inline std::string upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

inline std::string baseNameOf(const std::string& tablePath) {
    std::string name = fileNameOf(tablePath);
    if (hasTableExtension(name)) {
        name.resize(name.size() - 4);
    }
    return name;
}

[[noreturn]] inline void missingIndex(const std::string& name) {
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

} // namespace tableimpl

using namespace tableimpl;

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
        MdxTagInfo info; // as the index file describes it
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
    // Read-ahead doubles with each block a steady walk uses up, so a tag order whose equal keys
    // step through neighbouring records reads a few records at a time, not a whole block.
    std::uint32_t readAheadSteps = 0;
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
        readAheadSteps = 0;
    }

    [[noreturn]] void recordMissing(std::uint32_t recNo) const {
        throw DatabaseError("Damaged table " + path + ": record " + std::to_string(recNo) +
                            " could not be read (the file is shorter than it was)");
    }

    // Records in sequence (either way) come from one large block; a jump reads just the
    // record.
    const char* recordBytes(std::uint32_t recNo);

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
    void loadAllRecords();

    // Takes in records that another handle appended (first..last), placing them at once.
    void loadAppended(std::uint32_t first, std::uint32_t last);

    void mergeVisible(std::vector<std::uint32_t> recNos);

    // Places the records appended during bulk work into every order.
    void flushPending();

    // The visible rows from scratch: the filter is tried in file order (large sequential
    // reads), then the rows are taken in the selected order.
    void rebuildVisible();

    // The same rows in the selected order (after a tag change).
    void reorderVisible(const std::vector<std::uint8_t>& shown);

    // -- cursor ------------------------------------------------------------------------------
    int currentRow();
    void placeAt(std::size_t row) {
        cur = visible[row];
        cachedRow = static_cast<int>(row);
        rowGeneration = visibleGeneration;
        atBof = false;
        atEof = false;
    }
    // After the rows changed: stay on the current record, or take the nearest following row
    // (the last one when nothing follows).
    void settleCursor(std::uint32_t wanted);

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
    std::uint32_t appendRecord(const std::string& record);

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

    void writeIndexFile();

    // -- opening -----------------------------------------------------------------------------
    void readTagDirectory();

    TagOrder* findTag(const std::string& name) const {
        for (const auto& tag : tags) {
            if (sameName(tag->name(), name)) {
                return tag.get();
            }
        }
        return nullptr;
    }

    TagOrder* tagToSelect(const std::string& name) const;

    void readHeaderAndCount();

    void open();

    void release();

    // Another handle may have written since we last looked: then everything is read again.
    void catchUpWithOthers();

    void close();
};

} // namespace dbase
