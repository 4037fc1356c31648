// Feeds arbitrary bytes as an index file to the tag-directory reader: it may refuse them with
// a DatabaseError, and must do nothing else.
#include "platform/dbase/DatabaseError.h"
#include "platform/dbase/MdxFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// The input as a file of its own, removed when the run is over (the fuzzer may end the
// process without running exit handlers).
class InputFile {
public:
    InputFile(const std::uint8_t* data, std::size_t size) {
        const int fd = ::mkstemp(path_.data());
        if (fd < 0)
            std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t put = ::write(fd, data + done, size - done);
            if (put <= 0)
                std::abort();
            done += static_cast<std::size_t>(put);
        }
        ::close(fd);
    }
    ~InputFile() { ::unlink(path_.c_str()); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_ = "/tmp/mdx_reader_fuzz-XXXXXX";
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const InputFile file(data, size);
    try {
        const auto tags = dbase::readMdxDirectory(file.path());
        if (tags.empty() || tags.size() > 47)
            std::abort();
        for (const auto& tag : tags)
            if (tag.name.empty() || tag.expression.empty())
                std::abort();
    } catch (const dbase::DatabaseError&) {
    }
    return 0;
}
