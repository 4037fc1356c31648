// Arbitrary bytes as a report definition record, and as a whole report file to list.
#include "reports/ReportFile.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

const std::string& scratchFolder() {
    static const std::string folder = [] {
        std::string pattern = "/tmp/report-file-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return pattern;
    }();
    static const bool cleanupRegistered = [] {
        std::atexit([] {
            ::unlink(reports::reportFilePath(folder).c_str());
            ::rmdir(folder.c_str());
        });
        return true;
    }();
    (void)cleanupRegistered;
    return folder;
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || (size > 0 && ::write(fd, data, size) != static_cast<ssize_t>(size))) {
        std::abort();
    }
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const reports::ReportDefinition definition = reports::decodeReport(bytes);
        // Decoding normalises; a second round must give the same bytes.
        const std::string encoded = reports::encodeReport(definition);
        if (encoded.size() != reports::ReportRecordSize ||
            reports::encodeReport(reports::decodeReport(encoded)) != encoded) {
            std::abort();
        }
        for (const reports::ReportLine& line : definition.BodyLines) {
            if (reports::usedParts(line) > reports::PartsPerLine) {
                std::abort();
            }
        }
    } catch (const reports::ReportFileError&) {
        if (size >= reports::ReportRecordSize) {
            std::abort(); // a whole record always decodes
        }
    }

    const std::string& folder = scratchFolder();
    writeFile(reports::reportFilePath(folder), data, size);
    try {
        const auto names = reports::listReportNames(folder);
        if (names.size() != size / reports::ReportRecordSize) {
            std::abort();
        }
        for (const std::string& name : names) {
            if (name.size() > reports::ReportNameCapacity) {
                std::abort();
            }
        }
    } catch (const reports::ReportFileError&) {
    }
    return 0;
}
