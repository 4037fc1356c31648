#include "CsvRecord.h"

#include "CsvWriter.h"

#include <algorithm>

namespace pnhold_dbf {
namespace {

bool isDigits(const unsigned char* s, int n) {
    for (int i = 0; i < n; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

} // namespace

CsvRecord::CsvRecord(const std::vector<dbase::FieldLayout>& fields) : fields_(fields) {
    std::size_t names = 0;
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
        columns_.push_back({f.offset, f.def.length, kind});
        maxLine_ +=
            static_cast<std::size_t>(f.def.length) * csv::kMaxBytesPerByte + csv::kPerFieldOverhead;
        names += f.def.name.size() * csv::kMaxBytesPerByte + csv::kPerFieldOverhead;
    }
    maxLine_ = std::max(maxLine_, names) + csv::kLineEnd.size();
}

char* CsvRecord::write(char* o, const unsigned char* record) const {
    bool first = true;
    for (const Column& c : columns_) {
        if (!first)
            *o++ = ',';
        first = false;
        const unsigned char* s = record + c.offset;
        const unsigned char* e = csv::trimRight(s, s + c.length);
        switch (c.kind) {
        case Kind::Text:
            o = csv::putField(o, s, e);
            break;
        case Kind::Number:
            o = csv::putField(o, csv::trimLeft(s, e), e);
            break;
        case Kind::Date:
            if (e - s == 8 && isDigits(s, 8)) {
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
                o += 10;
            } else { // blank, or not a date: shown as stored so nothing is hidden
                o = csv::putField(o, csv::trimLeft(s, e), e);
            }
            break;
        case Kind::Logical:
            switch (*s) {
            case 'T':
            case 't':
            case 'Y':
            case 'y':
                *o++ = 'T';
                break;
            case 'F':
            case 'f':
            case 'N':
            case 'n':
                *o++ = 'F';
                break;
            default:
                break; // unknown ('?' or blank) is empty
            }
            break;
        case Kind::Empty:
            break;
        }
    }
    *o++ = '\r';
    *o++ = '\n';
    return o;
}

char* CsvRecord::writeHeader(char* o) const {
    bool first = true;
    for (const auto& f : fields_) {
        if (!first)
            *o++ = ',';
        first = false;
        const auto* s = reinterpret_cast<const unsigned char*>(f.def.name.data());
        o = csv::putField(o, s, s + f.def.name.size());
    }
    *o++ = '\r';
    *o++ = '\n';
    return o;
}

} // namespace pnhold_dbf
