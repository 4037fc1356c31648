#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pnhold_dbf {

// Walks the key trees of a .MDX file to their leaves. The engine never reads the trees; this
// reader exists so `check` can hold what other tools will read against the records.
class MdxTree {
public:
    struct Tag {
        std::string name;
        std::uint32_t headerPage = 0;
        std::uint32_t root = 0;
        int keyLength = 0;
        int itemLength = 0;
    };

    // Throws std::runtime_error when the file cannot be read or its header is not an index's.
    explicit MdxTree(const std::string& path);
    ~MdxTree();
    MdxTree(const MdxTree&) = delete;
    MdxTree& operator=(const MdxTree&) = delete;

    const std::vector<Tag>& tags() const { return tags_; }

    // Calls visit(recordNumber, key) for every leaf entry in tree order until it returns
    // false. Returns an empty string when the walk went through, else what stopped it.
    using Visitor = std::function<bool(std::uint32_t, const char*)>;
    std::string walk(const Tag& tag, const Visitor& visit) const;

private:
    bool readBlock(std::uint32_t page, std::vector<char>& block) const;

    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    int blockSize_ = 0;
    std::vector<Tag> tags_;
};

} // namespace pnhold_dbf
