#pragma once

#include <string>

namespace dbase {

enum class FieldType : char {
    Character = 'C',
    Numeric = 'N',
    Float = 'F',
    Date = 'D',
    Logical = 'L',
    Memo = 'M', // read as empty text; never written
};

struct FieldDef {
    std::string name; // at most 10 characters; stored upper case is not required
    FieldType type = FieldType::Character;
    int length = 0;
    int decimals = 0;
};

// A field as it lies in a record: offset counts the deletion flag as byte 0.
struct FieldLayout {
    FieldDef def;
    int offset = 0;
};

} // namespace dbase
