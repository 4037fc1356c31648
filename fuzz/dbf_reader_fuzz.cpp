// Opens arbitrary bytes as a table, read-only, and reads every field of every record: the only
// acceptable failure is a DatabaseError.
#include "platform/dbase/Table.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& workFolder() {
    static const std::string folder = [] {
        std::string pattern = "/tmp/dbf-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::abort();
        }
        return pattern;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = workFolder() + "/FUZZ.DBF";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::abort();
    }
    if (size > 0 && std::fwrite(data, 1, size, file) != size) {
        std::abort();
    }
    std::fclose(file);

    dbase::Table table;
    table.setDatabaseName(workFolder());
    table.setTableName("FUZZ");
    table.setReadOnly(true);
    try {
        table.open();
        (void)table.info();
        for (table.first(); !table.eof(); table.next()) {
            dbase::RecordView record = table.current();
            for (int field = 0; field < table.fieldCount(); ++field) {
                (void)record.raw(field);
                (void)record.text(field);
                (void)record.isBlank(field);
                (void)record.number(field);
                (void)record.date(field);
            }
        }
        for (int row = table.recordCount() - 1; row >= 0; --row) {
            (void)table.recordAt(row).text(0);
        }
    } catch (const dbase::DatabaseError&) {
    }
    return 0;
}
