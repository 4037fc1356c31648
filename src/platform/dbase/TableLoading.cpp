// Reading the table: records, tag directory and the orders built from them.
#include "platform/dbase/TableImpl.h"

namespace dbase {

const char* Table::Impl::recordBytes(std::uint32_t recNo) {
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
    readAheadSteps = (forward || backward) ? std::min(readAheadSteps + 1, 16u) : 0;
    if (forward || backward) {
        const std::size_t fullBlock = std::max<std::size_t>(1, ReadBlockBytes / recordLength());
        const std::uint32_t perBlock = static_cast<std::uint32_t>(
            std::min<std::size_t>(fullBlock, std::size_t{4} << readAheadSteps));
        std::uint32_t first = forward ? recNo : (recNo > perBlock ? recNo - perBlock + 1 : 1);
        std::uint32_t count = std::min(perBlock, records - first + 1);
        block.resize(static_cast<std::size_t>(count) * recordLength());
        std::size_t got = readAt(fd.get(), block.data(), block.size(), recordOffset(first), path);
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

void Table::Impl::loadAllRecords() {
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

void Table::Impl::loadAppended(std::uint32_t first, std::uint32_t last) {
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

void Table::Impl::mergeVisible(std::vector<std::uint32_t> recNos) {
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

void Table::Impl::flushPending() {
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

void Table::Impl::rebuildVisible() {
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

void Table::Impl::reorderVisible(const std::vector<std::uint8_t>& shown) {
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

int Table::Impl::currentRow() {
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

void Table::Impl::settleCursor(std::uint32_t wanted) {
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

void Table::Impl::readTagDirectory() {
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
    // Adds the tag's order, or says why its expression cannot give one.
    auto addOrder = [this](const MdxTagInfo& info, std::string& problem) {
        try {
            tags.push_back(std::make_unique<TagOrder>(
                info, KeyExpression::parse(info.expression, header.fields)));
            return true;
        } catch (const DatabaseError& error) {
            problem = error.what();
            return false;
        }
    };
    for (MdxTagInfo& info : readMdxDirectory(mdxPath)) {
        std::string problem;
        const bool conditional = !info.filter.empty();
        if (conditional) {
            problem = "its condition FOR " + info.filter + " cannot be kept up to date";
        } else if (addOrder(info, problem)) {
            continue;
        }
        if (writable()) {
            throw DatabaseError("Index tag " + info.name + " of " + mdxPath +
                                " cannot be used (expression " + info.expression + "): " + problem);
        }
        if (conditional) {
            // Read-only: the tag still orders, only over every record.
            info.filter.clear();
            if (addOrder(info, problem)) {
                continue;
            }
        }
        unusableTags.push_back({info, "(expression " + info.expression + "): " + problem});
    }
}

TagOrder* Table::Impl::tagToSelect(const std::string& name) const {
    if (name.empty()) {
        return nullptr;
    }
    if (TagOrder* tag = findTag(name)) {
        return tag;
    }
    for (const UnusableTag& tag : unusableTags) {
        if (sameName(tag.info.name, name)) {
            throw DatabaseError("Index tag " + tag.info.name + " cannot be used " + tag.reason);
        }
    }
    missingIndex(name);
}

void Table::Impl::readHeaderAndCount() {
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

void Table::Impl::open() {
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
    if (!testOnly || !ByteLock::wouldConflict(fd.get(), OpenLockOffset, ByteLock::Kind::Write)) {
        openLock = ByteLock::tryAcquire(fd.get(), OpenLockOffset,
                                        writeLock ? ByteLock::Kind::Write : ByteLock::Kind::Read);
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

void Table::Impl::release() {
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

void Table::Impl::catchUpWithOthers() {
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

void Table::Impl::close() {
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

} // namespace dbase
