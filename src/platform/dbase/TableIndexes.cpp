#include "platform/dbase/TableImpl.h"

namespace dbase {

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
    // Tags a read-only open cannot order by are still part of the index file.
    for (const auto& tag : impl_->unusableTags) {
        list.push_back({tag.info.name, tag.info.expression, tag.info.keyType, tag.info.keyLength});
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

} // namespace dbase
