#include "platform/dbase/MdxFile.h"

#include "platform/dbase/DatabaseError.h"
#include "platform/dbase/MdxLayout.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dbase {
namespace {

using namespace mdx;

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0)
            throw DatabaseError("Cannot open index file " + path + ": " + std::strerror(errno));
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd_);
            throw DatabaseError("Cannot open index file " + path + ": not a regular file");
        }
        size_ = static_cast<std::uint64_t>(st.st_size);
    }
    ~ReadOnlyFile() { ::close(fd_); }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    std::uint64_t size() const { return size_; }

    // Reads what lies in [offset, offset + length) and is inside the file.
    std::vector<unsigned char> read(std::uint64_t offset, std::size_t length) const {
        if (offset >= size_)
            return {};
        length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
        std::vector<unsigned char> bytes(length);
        std::size_t done = 0;
        while (done < length) {
            const ssize_t got =
                ::pread(fd_, bytes.data() + done, length - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw DatabaseError("Cannot read index file " + path_ + ": " +
                                    std::strerror(errno));
            if (got == 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        bytes.resize(done);
        return bytes;
    }

private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Text up to the first NUL within [begin, end), or nothing when no NUL is there.
bool cutAtNul(const std::vector<unsigned char>& bytes, std::size_t begin, std::size_t end,
              std::string& out) {
    end = std::min(end, bytes.size());
    if (begin >= end)
        return false;
    const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(begin);
    const auto last = bytes.begin() + static_cast<std::ptrdiff_t>(end);
    const auto nul = std::find(first, last, 0);
    if (nul == last)
        return false;
    out.assign(first, nul);
    return true;
}

} // namespace

std::vector<MdxTagInfo> readMdxDirectory(const std::string& path) {
    const ReadOnlyFile file(path);
    const auto damaged = [&](const std::string& fault) {
        return DatabaseError("Damaged index file " + path + ": " + fault);
    };

    const auto header = file.read(0, kHeaderSize);
    if (header.size() < kHeaderSize)
        throw damaged("the file is shorter than its header");
    const std::uint16_t blockSize = get16(&header[kBlockSizeAt]);
    if (blockSize == 0 || blockSize % kPage != 0)
        throw damaged("the block size " + std::to_string(blockSize) + " is not a multiple of 512");
    if (header[kEntryLength] != kTagEntry)
        throw damaged("the tag entry length " + std::to_string(header[kEntryLength]) +
                      " is not 32");
    const std::uint16_t tagCount = get16(&header[kTagsInUse]);
    if (tagCount == 0 || tagCount > kMaxTags)
        throw damaged("the tag count " + std::to_string(tagCount) + " is not from 1 to 47");
    const auto table = file.read(kHeaderSize, tagCount * kTagEntry);
    if (table.size() < tagCount * kTagEntry)
        throw damaged("the tag table is cut short");

    std::vector<MdxTagInfo> tags;
    for (std::size_t i = 0; i < tagCount; ++i) {
        const unsigned char* entry = &table[i * kTagEntry];
        MdxTagInfo tag;
        const auto nameEnd = std::find(entry + kEntryName, entry + kEntryName + kEntryNameSize, 0);
        tag.name.assign(entry + kEntryName, nameEnd);
        while (!tag.name.empty() && tag.name.back() == ' ')
            tag.name.pop_back();
        const std::string label = "tag " + std::to_string(i + 1);
        if (tag.name.empty())
            throw damaged(label + " has no name");
        const std::string named = "tag " + tag.name;
        const std::uint32_t page = get32(entry + kEntryHeaderPage);
        if (page < kFirstFreePage)
            throw damaged("the header of " + named + " lies inside the file header");
        const std::uint64_t offset = std::uint64_t{page} * kPage;
        if (offset + kTagExpressionEnd > file.size())
            throw damaged("the header of " + named + " lies beyond the end of the file");
        const auto block = file.read(offset, kBlock);

        // The tag table's key type is the one readers use; the tag header repeats it.
        const auto knownType = [](unsigned char c) { return c == 'C' || c == 'N' || c == 'D'; };
        if (knownType(entry[kEntryKeyType]))
            tag.keyType = static_cast<char>(entry[kEntryKeyType]);
        else if (knownType(block[kTagKeyType]))
            tag.keyType = static_cast<char>(block[kTagKeyType]);
        else
            throw damaged(named + " has an unknown key type");
        tag.keyLength = get16(&block[kTagKeyLength]);
        tag.descending = (block[kTagKeyFormat] & kFormatDescending) != 0;
        tag.unique = block[kTagUnique] != 0 || (block[kTagKeyFormat] & kFormatUnique) != 0;
        if (!cutAtNul(block, kTagExpression, kTagExpressionEnd, tag.expression))
            throw damaged("the key expression of " + named + " has no end");
        if (tag.expression.empty())
            throw damaged(named + " has no key expression");
        if (block.size() > kTagHasFilter && block[kTagHasFilter] != 0 &&
            !cutAtNul(block, kTagFilter, kBlock, tag.filter))
            throw damaged("the filter of " + named + " has no end");
        tags.push_back(std::move(tag));
    }
    return tags;
}

} // namespace dbase
