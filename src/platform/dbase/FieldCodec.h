#pragma once

#include "platform/dbase/FieldDef.h"
#include "platform/dbase/Table.h"

#include <optional>
#include <string_view>

namespace dbase {

// Turns values into the bytes a field stores; dest has room for exactly def.length bytes.
// Bad or too wide values are a DatabaseError naming the field; dest is then left untouched.
void encodeFieldText(const FieldDef& def, std::string_view text, char* dest);
void encodeFieldNumber(const FieldDef& def, std::optional<double> value, char* dest);
void encodeFieldDate(const FieldDef& def, std::optional<Date> value, char* dest);

bool validDate(const Date& date);
// Eight ASCII digits of a real calendar date; anything else gives nullopt.
std::optional<Date> parseStoredDate(std::string_view digits);
std::string_view trimBlanks(std::string_view text);

} // namespace dbase
