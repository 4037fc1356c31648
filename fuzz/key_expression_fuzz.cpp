// Compiles arbitrary text as a key expression over a fixed field list; whatever compiles is
// evaluated on a well-formed record and on one made of the input bytes, and every key must
// have the promised length.
#include "platform/dbase/DatabaseError.h"
#include "platform/dbase/KeyExpression.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<dbase::FieldLayout> makeFields() {
    using dbase::FieldType;
    const std::vector<dbase::FieldDef> defs = {
        {"ITEM", FieldType::Character, 30, 0},   {"BRAND", FieldType::Character, 20, 0},
        {"QUANTITY", FieldType::Numeric, 11, 0}, {"COST", FieldType::Float, 20, 2},
        {"PURCHDATE", FieldType::Date, 8, 0},    {"INSURED", FieldType::Logical, 1, 0},
        {"NOTES", FieldType::Memo, 10, 0},
    };
    std::vector<dbase::FieldLayout> fields;
    int offset = 1;
    for (const auto& d : defs) {
        fields.push_back({d, offset});
        offset += d.length;
    }
    return fields;
}

const std::vector<dbase::FieldLayout> kFields = makeFields();
constexpr std::size_t kRecordLength = 1 + 30 + 20 + 11 + 20 + 8 + 1 + 10;
const std::string kRecord = std::string(" Desk lamp, brass              Acme Lighting       ") +
                            "         12" + "              129.99" + "19991231" + "T" +
                            "          ";

void check(const dbase::KeyExpression& expression, const std::string& record) {
    std::string key;
    expression.evaluate(record.data(), key);
    if (key.size() != static_cast<std::size_t>(expression.keyLength()))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (kRecord.size() != kRecordLength)
        std::abort();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto expression = dbase::KeyExpression::parse(text, kFields);
        check(expression, kRecord);
        std::string hostile(kRecordLength, ' ');
        for (std::size_t i = 0; i < kRecordLength && size > 0; ++i)
            hostile[i] = static_cast<char>(data[i % size]);
        check(expression, hostile);
    } catch (const dbase::DatabaseError&) {
    }
    return 0;
}
