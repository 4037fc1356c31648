#include "MdxTree.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace pnhold_dbf {
namespace {

constexpr int kPage = 512;
constexpr int kFirstTagEntry = 544;
constexpr int kTagEntryLength = 32;
constexpr int kMaxTags = 47;
constexpr int kMaxDepth = 32; // far beyond any real tree; stops a loop through branch pages

unsigned u8(const char* p, std::size_t at) {
    return static_cast<unsigned char>(p[at]);
}
unsigned u16(const char* p, std::size_t at) {
    return u8(p, at) | u8(p, at + 1) << 8;
}
std::uint32_t u32(const char* p, std::size_t at) {
    return u16(p, at) | static_cast<std::uint32_t>(u16(p, at + 2)) << 16;
}

} // namespace

MdxTree::MdxTree(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw std::runtime_error(path + " is not a regular file");
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
    std::vector<char> head;
    blockSize_ = 2048; // the header and the tag table fill pages 0-3
    if (!readBlock(0, head)) {
        ::close(fd_);
        throw std::runtime_error(path + ": shorter than an index header");
    }
    blockSize_ = static_cast<int>(u16(head.data(), 22));
    const unsigned tagCount = u16(head.data(), 28);
    if (blockSize_ < kPage || blockSize_ % kPage != 0 || blockSize_ > 32 * kPage ||
        u8(head.data(), 26) != kTagEntryLength || tagCount > kMaxTags) {
        ::close(fd_);
        throw std::runtime_error(path + ": the index header is damaged");
    }
    std::vector<char> tagHeader;
    for (unsigned i = 0; i < tagCount; ++i) {
        const char* e = head.data() + kFirstTagEntry + kTagEntryLength * i;
        Tag tag;
        tag.name.assign(e + 4, strnlen(e + 4, 11));
        tag.headerPage = u32(e, 0);
        if (readBlock(tag.headerPage, tagHeader)) {
            tag.root = u32(tagHeader.data(), 0);
            tag.keyLength = static_cast<int>(u16(tagHeader.data(), 12));
            tag.itemLength = static_cast<int>(u16(tagHeader.data(), 18));
        }
        tags_.push_back(std::move(tag));
    }
}

MdxTree::~MdxTree() {
    ::close(fd_);
}

bool MdxTree::readBlock(std::uint32_t page, std::vector<char>& block) const {
    const std::uint64_t offset = static_cast<std::uint64_t>(page) * kPage;
    const auto n = static_cast<std::size_t>(blockSize_);
    if (offset + n > size_)
        return false;
    block.resize(n);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got =
            ::pread(fd_, block.data() + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

std::string MdxTree::walk(const Tag& tag, const Visitor& visit) const {
    if (tag.keyLength <= 0 || tag.itemLength < tag.keyLength + 4 ||
        8 + tag.itemLength + 4 > blockSize_)
        return "the tag header (page " + std::to_string(tag.headerPage) +
               ") has no usable key or item length";
    const auto item = static_cast<std::size_t>(tag.itemLength);
    const std::uint64_t pages = size_ / kPage;
    std::vector<bool> seen(static_cast<std::size_t>(pages), false);

    struct Frame {
        std::vector<char> node;
        std::uint32_t keys;
        std::uint32_t nextChild;
    };
    std::vector<Frame> path;
    auto enter = [&](std::uint32_t page, std::string& fault) {
        if (page < 4 || page >= pages || seen[page]) {
            fault = "node page " + std::to_string(page) +
                    (page < pages && page >= 4 ? " is reached twice" : " lies outside the file");
            return false;
        }
        seen[page] = true;
        Frame frame;
        if (!readBlock(page, frame.node)) {
            fault = "node page " + std::to_string(page) + " runs past the end of the file";
            return false;
        }
        frame.keys = u32(frame.node.data(), 0);
        if (8 + static_cast<std::uint64_t>(frame.keys) * item + 4 >
            static_cast<std::uint64_t>(blockSize_)) {
            fault = "node page " + std::to_string(page) + " claims " + std::to_string(frame.keys) +
                    " keys, more than a node holds";
            return false;
        }
        frame.nextChild = 0;
        path.push_back(std::move(frame));
        return true;
    };

    std::string fault;
    if (!enter(tag.root, fault))
        return fault;
    while (!path.empty()) {
        Frame& top = path.back();
        const char* node = top.node.data();
        const std::uint32_t trailing = u32(node, 8 + top.keys * item);
        if (trailing == 0) { // a leaf: record numbers and keys
            for (std::uint32_t i = 0; i < top.keys; ++i) {
                const char* entry = node + 8 + i * item;
                if (!visit(u32(entry, 0), entry + 4))
                    return "";
            }
            path.pop_back();
            continue;
        }
        if (top.nextChild > top.keys) { // every child, the trailing one too, is done
            path.pop_back();
            continue;
        }
        const std::uint32_t child =
            top.nextChild < top.keys ? u32(node, 8 + top.nextChild * item) : trailing;
        ++top.nextChild;
        if (path.size() >= kMaxDepth)
            return "the tree is deeper than " + std::to_string(kMaxDepth) + " levels";
        if (!enter(child, fault))
            return fault;
    }
    return "";
}

} // namespace pnhold_dbf
