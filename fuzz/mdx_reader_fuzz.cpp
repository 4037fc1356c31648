// Feeds arbitrary bytes as an index file to the tag-directory reader: it may refuse them with
// a DatabaseError, and must do nothing else.
#include "platform/dbase/DatabaseError.h"
#include "platform/dbase/MdxFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& scratchPath() {
    static const std::string path = [] {
        std::string pattern = "/tmp/mdx_reader_fuzz-XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        ::close(fd);
        return pattern;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = scratchPath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
    try {
        const auto tags = dbase::readMdxDirectory(path);
        if (tags.empty() || tags.size() > 47)
            std::abort();
        for (const auto& tag : tags)
            if (tag.name.empty() || tag.expression.empty())
                std::abort();
    } catch (const dbase::DatabaseError&) {
    }
    return 0;
}
