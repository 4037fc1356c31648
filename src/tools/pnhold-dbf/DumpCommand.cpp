#include "Commands.h"
#include "Cp1252.h"
#include "CsvWriter.h"
#include "KeyOrder.h"
#include "TableAccess.h"

#include "platform/dbase/KeyExpression.h"

#include <optional>
#include <unistd.h>

namespace pnhold_dbf {
namespace {

enum class Kind : unsigned char { Text, Number, Date, Logical, Empty };

struct Column {
    int offset;
    int length;
    Kind kind;
};

std::vector<Column> columnsOf(const std::vector<dbase::FieldLayout>& fields) {
    std::vector<Column> columns;
    for (const auto& f : fields) {
        Kind kind = Kind::Text;
        switch (f.def.type) {
        case dbase::FieldType::Character:
            kind = Kind::Text;
            break;
        case dbase::FieldType::Numeric:
        case dbase::FieldType::Float:
            kind = Kind::Number;
            break;
        case dbase::FieldType::Date:
            kind = Kind::Date;
            break;
        case dbase::FieldType::Logical:
            kind = Kind::Logical;
            break;
        case dbase::FieldType::Memo:
            kind = Kind::Empty; // memo texts are not kept with the table
            break;
        }
        columns.push_back({f.offset, f.def.length, kind});
    }
    return columns;
}

bool isDigits(const unsigned char* s, int n) {
    for (int i = 0; i < n; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

void putValue(OutputBuffer& out, const unsigned char* rec, const Column& c) {
    const unsigned char* s = rec + c.offset;
    const unsigned char* e = csv::trimRight(s, s + c.length);
    switch (c.kind) {
    case Kind::Text:
        csv::putField(out, s, e);
        return;
    case Kind::Number:
        csv::putField(out, csv::trimLeft(s, e), e);
        return;
    case Kind::Date:
        if (e - s == 8 && isDigits(s, 8)) {
            char* o = out.cursor();
            o[0] = static_cast<char>(s[0]);
            o[1] = static_cast<char>(s[1]);
            o[2] = static_cast<char>(s[2]);
            o[3] = static_cast<char>(s[3]);
            o[4] = '-';
            o[5] = static_cast<char>(s[4]);
            o[6] = static_cast<char>(s[5]);
            o[7] = '-';
            o[8] = static_cast<char>(s[6]);
            o[9] = static_cast<char>(s[7]);
            out.advance(10);
        } else { // blank, or not a date: shown as stored so nothing is hidden
            csv::putField(out, csv::trimLeft(s, e), e);
        }
        return;
    case Kind::Logical:
        switch (*s) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
            out.put('T');
            break;
        case 'F':
        case 'f':
        case 'N':
        case 'n':
            out.put('F');
            break;
        default:
            break; // unknown ('?' or blank) is empty
        }
        return;
    case Kind::Empty:
        return;
    }
}

void putHeader(OutputBuffer& out, const std::vector<dbase::FieldLayout>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& name = fields[i].def.name;
        out.reserve(name.size() * csv::kMaxBytesPerByte + csv::kPerFieldOverhead);
        if (i)
            out.put(',');
        const auto* s = reinterpret_cast<const unsigned char*>(name.data());
        csv::putField(out, s, s + name.size());
    }
    out.put(csv::kLineEnd);
}

} // namespace

int runDump(const Invocation& inv) {
    dbase::Table table;
    openTable(table, inv.table(), Access::ReadOnly);
    if (inv.has("--tag"))
        table.setIndexName(cp1252FromUtf8(inv.options.at("--tag")));
    const auto& fields = table.fields();
    std::optional<dbase::KeyExpression> expression; // parsed before any output is written
    if (inv.has("--expr"))
        expression.emplace(
            dbase::KeyExpression::parse(cp1252FromUtf8(inv.options.at("--expr")), fields));
    const std::vector<Column> columns = columnsOf(fields);
    const std::size_t recordLength = static_cast<std::size_t>(table.info().recordLength);
    const std::size_t perRecord = recordLength * csv::kMaxBytesPerByte +
                                  columns.size() * csv::kPerFieldOverhead + csv::kLineEnd.size();

    OutputBuffer out(STDOUT_FILENO, std::max<std::size_t>(std::size_t{1} << 20, 4 * perRecord));
    putHeader(out, fields);
    auto putRecord = [&](int row) {
        const auto* rec =
            reinterpret_cast<const unsigned char*>(recordStart(table.recordAt(row), fields));
        out.reserve(perRecord);
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (i)
                out.put(',');
            putValue(out, rec, columns[i]);
        }
        out.put('\r');
        out.put('\n');
    };
    if (expression) {
        for (const std::uint32_t row : rowsInKeyOrder(table, *expression))
            putRecord(static_cast<int>(row));
    } else {
        const int rows = table.recordCount();
        for (int row = 0; row < rows; ++row)
            putRecord(row);
    }
    out.flush();
    return 0;
}

} // namespace pnhold_dbf
