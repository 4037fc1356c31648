#include "Commands.h"
#include "Cp1252.h"
#include "CsvRecord.h"
#include "KeyOrder.h"
#include "OutputBuffer.h"
#include "TableAccess.h"

#include "platform/dbase/KeyExpression.h"

#include <memory>
#include <optional>
#include <unistd.h>

namespace pnhold_dbf {
namespace {

// Lines rendered while the records pass by in file order, so that an ordered dump does not
// read every record a second time at random. Held up to a budget; rows beyond it are read
// again when their turn comes.
class RenderedLines {
public:
    static constexpr std::size_t kBudget = std::size_t{512} << 20;
    static constexpr std::size_t kChunk = std::size_t{16} << 20;

    RenderedLines(const CsvRecord& csv, std::size_t rows) : csv_(csv), lines_(rows) {}

    void add(std::uint32_t row, const char* record) {
        const std::size_t room = csv_.maxLineBytes();
        if (row >= lines_.size())
            return;
        if (chunks_.empty() || kChunk - used_ < room) {
            if (held_ + std::max(kChunk, room) > kBudget)
                return;
            const std::size_t size = std::max(kChunk, room);
            chunks_.emplace_back(new char[size]);
            held_ += size;
            used_ = 0;
        }
        char* start = chunks_.back().get() + used_;
        char* end = csv_.write(start, reinterpret_cast<const unsigned char*>(record));
        used_ += static_cast<std::size_t>(end - start);
        lines_[row] = {start, static_cast<std::uint32_t>(end - start)};
    }

    // The rendered line of a row; its data is null when the row was over the budget.
    struct Line {
        const char* data = nullptr;
        std::uint32_t length = 0;
    };
    const Line& line(std::uint32_t row) const { return lines_[row]; }

private:
    const CsvRecord& csv_;
    std::vector<Line> lines_;
    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t used_ = 0;
    std::size_t held_ = 0;
};

} // namespace

int runDump(const Invocation& inv) {
    dbase::Table table;
    openTable(table, inv.table(), Access::ReadOnly);
    const auto& fields = table.fields();
    std::optional<dbase::KeyExpression> expression; // parsed before any output is written
    if (inv.has("--expr"))
        expression.emplace(
            dbase::KeyExpression::parse(cp1252FromUtf8(inv.options.at("--expr")), fields));
    // A tag's order as record numbers; the records are then read in file order below.
    std::vector<std::uint32_t> tagOrder;
    if (inv.has("--tag")) {
        table.setIndexName(cp1252FromUtf8(inv.options.at("--tag")));
        tagOrder.reserve(static_cast<std::size_t>(std::max(table.recordCount(), 0)));
        for (table.first(); !table.eof(); table.next())
            tagOrder.push_back(table.recNo());
        table.setIndexName("");
    }

    const CsvRecord csv(fields);
    const std::size_t room = csv.maxLineBytes();
    OutputBuffer out(STDOUT_FILENO, std::max<std::size_t>(std::size_t{1} << 20, 4 * room));
    out.reserve(room);
    out.advance(static_cast<std::size_t>(csv.writeHeader(out.cursor()) - out.cursor()));
    auto putRow = [&](int row) {
        out.reserve(room);
        const char* record = recordStart(table.recordAt(row), fields);
        char* end = csv.write(out.cursor(), reinterpret_cast<const unsigned char*>(record));
        out.advance(static_cast<std::size_t>(end - out.cursor()));
    };

    const auto rows = static_cast<std::size_t>(std::max(table.recordCount(), 0));
    if (!expression && !inv.has("--tag")) {
        for (std::size_t row = 0; row < rows; ++row)
            putRow(static_cast<int>(row));
        out.flush();
        return 0;
    }

    RenderedLines rendered(csv, rows);
    std::vector<std::uint32_t> order; // rows of the record order, in the order wanted
    if (expression) {
        order = rowsInKeyOrder(table, *expression, [&](std::uint32_t row, const char* record) {
            rendered.add(row, record);
        });
    } else {
        std::vector<std::uint32_t> rowOf(std::size_t{table.info().physicalRecords} + 1, 0);
        std::uint32_t row = 0;
        for (table.first(); !table.eof(); table.next(), ++row) {
            if (table.recNo() < rowOf.size())
                rowOf[table.recNo()] = row;
            rendered.add(row, recordStart(table.recordAt(static_cast<int>(row)), fields));
        }
        order.reserve(tagOrder.size());
        for (const std::uint32_t recNo : tagOrder)
            if (recNo < rowOf.size())
                order.push_back(rowOf[recNo]);
    }
    for (const std::uint32_t row : order) {
        const RenderedLines::Line& line = rendered.line(row);
        if (line.data)
            out.put(std::string_view(line.data, line.length));
        else
            putRow(static_cast<int>(row));
    }
    out.flush();
    return 0;
}

} // namespace pnhold_dbf
