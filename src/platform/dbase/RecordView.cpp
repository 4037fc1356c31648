#include "platform/dbase/FieldCodec.h"
#include "platform/dbase/Table.h"

#include <charconv>

namespace dbase {

namespace {

bool allBlank(std::string_view bytes) {
    return bytes.find_first_not_of(' ') == bytes.npos;
}

} // namespace

std::string_view RecordView::raw(int field) const {
    if (field < 0 || static_cast<std::size_t>(field) >= fields_->size()) {
        throw DatabaseError("There is no field number " + std::to_string(field + 1) + ".");
    }
    const FieldLayout& layout = (*fields_)[static_cast<std::size_t>(field)];
    return {record_ + layout.offset, static_cast<std::size_t>(layout.def.length)};
}

bool RecordView::isBlank(int field) const {
    std::string_view bytes = raw(field);
    switch ((*fields_)[static_cast<std::size_t>(field)].def.type) {
    case FieldType::Date:
        return allBlank(bytes) || bytes == "00000000";
    case FieldType::Logical:
        return text(field).empty();
    case FieldType::Memo:
        return true;
    default:
        return allBlank(bytes);
    }
}

std::string RecordView::text(int field) const {
    std::string_view bytes = raw(field);
    switch ((*fields_)[static_cast<std::size_t>(field)].def.type) {
    case FieldType::Character: {
        auto end = bytes.find_last_not_of(' ');
        return end == bytes.npos ? std::string() : std::string(bytes.substr(0, end + 1));
    }
    case FieldType::Numeric:
    case FieldType::Float:
        return std::string(trimBlanks(bytes));
    case FieldType::Date:
        return isBlank(field) ? std::string() : std::string(bytes);
    case FieldType::Logical:
        switch (bytes[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
            return "T";
        case 'F':
        case 'f':
        case 'N':
        case 'n':
            return "F";
        default:
            return std::string();
        }
    case FieldType::Memo:
        return std::string();
    }
    return std::string();
}

std::optional<double> RecordView::number(int field) const {
    std::string_view bytes = trimBlanks(raw(field));
    FieldType type = (*fields_)[static_cast<std::size_t>(field)].def.type;
    if ((type != FieldType::Numeric && type != FieldType::Float) || bytes.empty()) {
        return std::nullopt;
    }
    if (bytes.front() == '+') {
        bytes.remove_prefix(1);
    }
    double value = 0;
    auto [end, error] =
        std::from_chars(bytes.data(), bytes.data() + bytes.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != bytes.data() + bytes.size()) {
        return std::nullopt; // overflow asterisks and other foreign junk read as no value
    }
    return value;
}

std::optional<Date> RecordView::date(int field) const {
    std::string_view bytes = raw(field);
    if ((*fields_)[static_cast<std::size_t>(field)].def.type != FieldType::Date) {
        return std::nullopt;
    }
    return parseStoredDate(bytes);
}

} // namespace dbase
