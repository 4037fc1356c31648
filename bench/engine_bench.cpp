// The table engine on a generated item table: open, scan, order building, filtering, bulk
// appends, and the memory an open table with its order takes beyond the page cache.
//
//   PNHOLD_BENCH_ITEMS  records to generate (default 100000)
//   PNHOLD_BENCH_TABLE  use this table instead of generating one
//   PNHOLD_BENCH_CACHE  where generated tables are kept between runs (default
//                       $XDG_CACHE_HOME/pennyhold-bench, else ~/.cache/pennyhold-bench)
#include "platform/dbase/Table.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const char* kCategoryTag = "BYCAT";
const char* kCategoryExpression = "Upper(Left(Category,80))";
const char* kPurchaseTag = "BYPURCH";
const char* kPurchaseExpression = "DTOS(PurchDate)+STR(Quantity,12,0)+Upper(Left(Brand,26))";

std::string env(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

fs::path cacheFolder() {
    if (const char* c = std::getenv("PNHOLD_BENCH_CACHE"); c && *c)
        return c;
    if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x)
        return fs::path(x) / "pennyhold-bench";
    return fs::path(env("HOME", "/tmp")) / ".cache" / "pennyhold-bench";
}

fs::path generator() {
    const fs::path shared = env("PNHOLD_SHARED_DIR", "");
    if (!shared.empty())
        return shared / "bench" / "gen_items.py";
    return fs::path(__FILE__).parent_path() / ".." / ".." / "shared" / "bench" / "gen_items.py";
}

void runOrThrow(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

// The generated table (made once and kept), and a copy of it with the two tags, made once per
// run: the engine keeps tags in the production index beside the table, and the generated
// table has none.
struct BenchTables {
    fs::path plain;
    fs::path tagged;
    long records = 0;
};

// Removed at exit; a plain global, since it must outlive the exit handler that removes it.
fs::path workFolder;

const BenchTables& tables() {
    static const BenchTables t = [] {
        BenchTables b;
        const fs::path cache = cacheFolder();
        fs::create_directories(cache);
        if (const std::string given = env("PNHOLD_BENCH_TABLE", ""); !given.empty()) {
            b.plain = given;
        } else {
            const std::string n = env("PNHOLD_BENCH_ITEMS", "100000");
            b.plain = cache / ("items-" + n + ".dbf");
            if (!fs::exists(b.plain)) {
                const fs::path partial = cache / ("items-" + n + ".partial");
                runOrThrow("python3 '" + generator().string() + "' " + n + " '" + partial.string() +
                           "'");
                fs::rename(partial, b.plain);
            }
        }
        const fs::path work = cache / ("work-" + std::to_string(::getpid()));
        fs::create_directories(work);
        b.tagged = work / "ITEMS.DBF";
        fs::copy_file(b.plain, b.tagged, fs::copy_options::overwrite_existing);
        dbase::Table table;
        table.setDatabaseName(work.string());
        table.setTableName("ITEMS.DBF");
        table.setExclusive(true);
        table.open();
        table.addIndex(kCategoryTag, kCategoryExpression);
        table.addIndex(kPurchaseTag, kPurchaseExpression);
        b.records = table.recordCount();
        table.close();
        workFolder = work;
        std::atexit([] { fs::remove_all(workFolder); });
        return b;
    }();
    return t;
}

void configure(dbase::Table& table, const fs::path& path, bool readOnly = true) {
    table.setDatabaseName(path.parent_path().string());
    table.setTableName(path.filename().string());
    table.setReadOnly(readOnly);
}

long rssKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + std::string(key).size(), nullptr, 10);
    return -1;
}

void Open(benchmark::State& state) {
    const BenchTables& t = tables();
    for (auto _ : state) {
        dbase::Table table;
        configure(table, t.plain);
        table.open();
        benchmark::DoNotOptimize(table.recordCount());
    }
    state.counters["records"] = static_cast<double>(t.records);
}
BENCHMARK(Open)->Unit(benchmark::kMillisecond);

void FullScan(benchmark::State& state) {
    const BenchTables& t = tables();
    dbase::Table table;
    configure(table, t.plain);
    table.open();
    const int fields = table.fieldCount();
    for (auto _ : state) {
        std::size_t bytes = 0;
        const int rows = table.recordCount();
        for (int row = 0; row < rows; ++row) {
            const dbase::RecordView view = table.recordAt(row);
            for (int f = 0; f < fields; ++f)
                bytes += view.text(f).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * t.records);
}
BENCHMARK(FullScan)->Unit(benchmark::kMillisecond);

// Opening with a tag selected builds that tag's order from its expression.
void OpenInOrder(benchmark::State& state, const char* tag) {
    const BenchTables& t = tables();
    for (auto _ : state) {
        dbase::Table table;
        configure(table, t.tagged);
        table.setIndexName(tag);
        table.open();
        benchmark::DoNotOptimize(table.recordCount());
    }
    state.SetItemsProcessed(state.iterations() * t.records);
}
BENCHMARK_CAPTURE(OpenInOrder, category, kCategoryTag)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenInOrder, purchase, kPurchaseTag)->Unit(benchmark::kMillisecond);

// What the search window does: a record filter, then the count of what it lets through.
void ContainsFilter(benchmark::State& state) {
    const BenchTables& t = tables();
    dbase::Table table;
    configure(table, t.plain);
    table.open();
    const int brand = table.fieldIndex("Brand");
    int hits = 0;
    for (auto _ : state) {
        table.setFilter([brand](const dbase::RecordView& r) {
            const std::string_view s = r.raw(brand);
            for (std::size_t i = 0; i + 4 <= s.size(); ++i)
                if ((s[i] | 0x20) == 's' && (s[i + 1] | 0x20) == 'o' && (s[i + 2] | 0x20) == 'n' &&
                    (s[i + 3] | 0x20) == 'y')
                    return true;
            return false;
        });
        hits = table.recordCount();
        table.setFilter({});
    }
    state.counters["hits"] = hits;
    state.SetItemsProcessed(state.iterations() * t.records);
}
BENCHMARK(ContainsFilter)->Unit(benchmark::kMillisecond);

// 100,000 records posted inside bulk work into a fresh table, copied from the generated one.
void AppendBulk(benchmark::State& state) {
    constexpr int kAppended = 100000;
    const BenchTables& t = tables();
    dbase::Table source;
    configure(source, t.plain);
    source.open();
    const int fields = source.fieldCount();
    const fs::path target = t.tagged.parent_path() / "APPEND.DBF";
    std::vector<dbase::FieldDef> definitions;
    for (const auto& layout : source.fields())
        definitions.push_back(layout.def);
    for (auto _ : state) {
        state.PauseTiming();
        dbase::Table::create(target.string(), definitions);
        dbase::Table table;
        configure(table, target, false);
        table.setExclusive(true);
        table.open();
        state.ResumeTiming();
        table.beginBulk();
        const int rows = source.recordCount();
        for (int i = 0; i < kAppended; ++i) {
            const dbase::RecordView from = source.recordAt(i % rows);
            table.insert();
            for (int f = 0; f < fields; ++f)
                table.setFieldText(f, from.text(f));
            table.post();
        }
        table.endBulk();
        table.close();
    }
    state.SetItemsProcessed(state.iterations() * kAppended);
}
BENCHMARK(AppendBulk)->Unit(benchmark::kMillisecond)->Iterations(3);

// Memory of a table open in a tag's order, per record, beyond the page cache that holds the
// file: the heap in use (exact) and the process's anonymous resident memory (what the system
// sees). Run it in a process of its own for a clean figure.
void OpenTableMemory(benchmark::State& state) {
    const BenchTables& t = tables();
    double heapPerRecord = 0;
    double anonPerRecord = 0;
    for (auto _ : state) {
        const struct mallinfo2 heapBefore = mallinfo2();
        const long anonBefore = rssKiB("RssAnon:");
        dbase::Table table;
        configure(table, t.tagged);
        table.setIndexName(kCategoryTag);
        table.open();
        const struct mallinfo2 heapAfter = mallinfo2();
        const long anonAfter = rssKiB("RssAnon:");
        const auto records = static_cast<double>(t.records);
        heapPerRecord = (static_cast<double>(heapAfter.uordblks + heapAfter.hblkhd) -
                         static_cast<double>(heapBefore.uordblks + heapBefore.hblkhd)) /
                        records;
        anonPerRecord = 1024.0 * static_cast<double>(anonAfter - anonBefore) / records;
    }
    state.counters["heap_bytes_per_record"] = heapPerRecord;
    state.counters["anon_bytes_per_record"] = anonPerRecord;
}
BENCHMARK(OpenTableMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
