// Writing records, the header and the index file, each durably and in a safe order.
#include "platform/dbase/TableImpl.h"

namespace dbase {

std::uint32_t Table::Impl::appendRecord(const std::string& record) {
    ByteLock appendLock = ByteLock::acquire(fd.get(), AppendLockOffset, ByteLock::Kind::Write);
    unsigned char count[4];
    if (readAt(fd.get(), count, 4, 4, path) != 4) {
        throw DatabaseError("Damaged table " + path + ": the header could not be read");
    }
    std::uint32_t headerCount =
        static_cast<std::uint32_t>(count[0]) | (static_cast<std::uint32_t>(count[1]) << 8) |
        (static_cast<std::uint32_t>(count[2]) << 16) | (static_cast<std::uint32_t>(count[3]) << 24);
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

void Table::Impl::writeIndexFile() {
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
                if (kept.empty() || std::memcmp(tag->key(kept.back()), tag->key(recNo),
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

} // namespace dbase
