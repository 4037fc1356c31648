#include "platform/dbase/FieldCodec.h"

#include "platform/dbase/DatabaseError.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace dbase {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void badValue(const FieldDef& def, std::string_view text) {
    throw DatabaseError("Invalid value for field " + def.name + ": \"" + std::string(text) + "\"");
}

[[noreturn]] void tooWide(const FieldDef& def, const std::string& number) {
    throw DatabaseError("Value too large for field " + def.name + ": " + number);
}

void fill(char* dest, const FieldDef& def, std::string_view left) {
    std::memset(dest, ' ', static_cast<std::size_t>(def.length));
    std::memcpy(dest, left.data(), std::min(left.size(), static_cast<std::size_t>(def.length)));
}

// Right-justifies a formatted number, dropping a lone leading zero ("-0.5" as "-.5") when
// that is what makes it fit, as dBase does for narrow fields.
void placeNumber(const FieldDef& def, std::string number, char* dest) {
    auto width = static_cast<std::size_t>(def.length);
    if (number.size() > width) {
        std::size_t zero = number[0] == '-' ? 1 : 0;
        if (number.size() > zero + 1 && number[zero] == '0' && number[zero + 1] == '.') {
            number.erase(zero, 1);
        }
    }
    if (number.size() > width) {
        tooWide(def, number);
    }
    std::memset(dest, ' ', width);
    std::memcpy(dest + (width - number.size()), number.data(), number.size());
}

// Rounds a plain decimal text to the field's decimals (half away from zero) without going
// through binary floating point, so "0.125" keeps its exact meaning.
std::string formatDecimalText(const FieldDef& def, std::string_view text) {
    bool negative = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::string whole;
    std::string fraction;
    while (i < text.size() && isDigit(text[i])) {
        whole.push_back(text[i++]);
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            fraction.push_back(text[i++]);
        }
    }
    if (i != text.size() || (whole.empty() && fraction.empty())) {
        badValue(def, text);
    }
    auto decimals = static_cast<std::size_t>(def.decimals);
    bool roundUp = fraction.size() > decimals && fraction[decimals] >= '5';
    fraction.resize(decimals, '0');
    std::string digits = whole + fraction;
    if (digits.empty()) {
        digits = "0";
    }
    if (roundUp) {
        std::size_t k = digits.size();
        while (k > 0) {
            --k;
            if (digits[k] == '9') {
                digits[k] = '0';
                if (k == 0) {
                    digits.insert(digits.begin(), '1');
                }
            } else {
                ++digits[k];
                break;
            }
        }
    }
    std::size_t intLength = digits.size() - decimals;
    std::string intPart = digits.substr(0, intLength);
    std::size_t firstNonZero = intPart.find_first_not_of('0');
    intPart = firstNonZero == std::string::npos ? "0" : intPart.substr(firstNonZero);
    std::string out = intPart;
    if (decimals > 0) {
        out += "." + digits.substr(intLength);
    }
    bool zero = digits.find_first_not_of('0') == std::string::npos;
    if (negative && !zero) {
        out.insert(out.begin(), '-');
    }
    return out;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

} // namespace

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

bool validDate(const Date& date) {
    return date.year >= 1 && date.year <= 9999 && date.month >= 1 && date.month <= 12 &&
           date.day >= 1 && date.day <= daysInMonth(date.year, date.month);
}

std::optional<Date> parseStoredDate(std::string_view digits) {
    if (digits.size() != 8) {
        return std::nullopt;
    }
    for (char c : digits) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
    }
    auto number = [&](std::size_t at, std::size_t count) {
        int value = 0;
        for (std::size_t k = at; k < at + count; ++k) {
            value = value * 10 + (digits[k] - '0');
        }
        return value;
    };
    Date date{number(0, 4), number(4, 2), number(6, 2)};
    if (!validDate(date)) {
        return std::nullopt;
    }
    return date;
}

void encodeFieldText(const FieldDef& def, std::string_view text, char* dest) {
    switch (def.type) {
    case FieldType::Character:
        fill(dest, def, text);
        return;
    case FieldType::Numeric:
    case FieldType::Float: {
        std::string_view number = trimBlanks(text);
        if (number.empty()) {
            fill(dest, def, "");
            return;
        }
        placeNumber(def, formatDecimalText(def, number), dest);
        return;
    }
    case FieldType::Date: {
        std::string_view digits = trimBlanks(text);
        if (digits.empty()) {
            fill(dest, def, "");
            return;
        }
        if (!parseStoredDate(digits)) {
            badValue(def, text);
        }
        fill(dest, def, digits);
        return;
    }
    case FieldType::Logical: {
        std::string_view value = trimBlanks(text);
        if (value.empty()) {
            fill(dest, def, "");
            return;
        }
        char c = value.size() == 1
                     ? static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])))
                     : '\0';
        if (c != 'T' && c != 'F' && c != 'Y' && c != 'N' && c != '?') {
            badValue(def, text);
        }
        *dest = c;
        return;
    }
    case FieldType::Memo:
        break;
    }
    throw DatabaseError("Field " + def.name + " cannot be written.");
}

void encodeFieldNumber(const FieldDef& def, std::optional<double> value, char* dest) {
    if (def.type != FieldType::Numeric && def.type != FieldType::Float) {
        throw DatabaseError("Field " + def.name + " is not a number field.");
    }
    if (!value) {
        fill(dest, def, "");
        return;
    }
    if (!std::isfinite(*value)) {
        throw DatabaseError("Invalid value for field " + def.name + ": not a finite number");
    }
    char buffer[512];
    int n = std::snprintf(buffer, sizeof buffer, "%.*f", def.decimals, *value);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof buffer) {
        tooWide(def, std::to_string(*value));
    }
    std::string number(buffer, static_cast<std::size_t>(n));
    if (number[0] == '-' && number.find_first_not_of("-0.") == std::string::npos) {
        number.erase(0, 1); // no "-0.00"
    }
    placeNumber(def, number, dest);
}

void encodeFieldDate(const FieldDef& def, std::optional<Date> value, char* dest) {
    if (def.type != FieldType::Date) {
        throw DatabaseError("Field " + def.name + " is not a date field.");
    }
    if (!value) {
        fill(dest, def, "");
        return;
    }
    if (!validDate(*value)) {
        throw DatabaseError("Invalid date for field " + def.name + ": " +
                            std::to_string(value->year) + "-" + std::to_string(value->month) + "-" +
                            std::to_string(value->day));
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", value->year, value->month, value->day);
    fill(dest, def, std::string_view(buffer, 8));
}

} // namespace dbase
