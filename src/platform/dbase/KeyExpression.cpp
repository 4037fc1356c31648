#include "platform/dbase/KeyExpression.h"

#include "platform/dbase/ExpressionParser.h"
#include "platform/dbase/KeyEncoding.h"
#include "platform/dbase/KeyExpressionNode.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

namespace dbase {
namespace {

using Node = KeyExpression::Node;
using Op = Node::Op;

// Evaluation never throws and never allocates beyond the key string's reserved capacity: every
// character step works in place on the tail of the output string.

std::optional<double> parseNumberText(const char* p, const char* end) {
    while (p < end && *p == ' ')
        ++p;
    if (p == end)
        return std::nullopt;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    double value = 0;
    const auto result = std::from_chars(p, end, value, std::chars_format::fixed);
    if (result.ec != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

constexpr std::int64_t kFirstDay = 1721426; // 0001-01-01
constexpr std::int64_t kLastDay = 5373484;  // 9999-12-31

std::optional<std::int64_t> parseDateField(const char* p) {
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return std::nullopt;
        v[i] = p[i] - '0';
    }
    const int year = v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3];
    const int month = v[4] * 10 + v[5];
    const int day = v[6] * 10 + v[7];
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1])
        return std::nullopt;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap)
        return std::nullopt;
    return keycode::julianDay(year, month, day);
}

void appendText(const Node& node, const char* record, std::string& out);

std::optional<double> evalNumber(const Node& node, const char* record, std::string& out) {
    switch (node.op) {
    case Op::Field:
        return parseNumberText(record + node.offset, record + node.offset + node.fieldWidth);
    case Op::Number:
        return node.number;
    case Op::Sum: {
        double total = 0;
        for (const auto& child : node.children)
            total += evalNumber(*child, record, out).value_or(0);
        return total;
    }
    case Op::Val: {
        const std::size_t mark = out.size();
        appendText(*node.children.front(), record, out);
        const auto value = parseNumberText(out.data() + mark, out.data() + out.size());
        out.resize(mark);
        return value.value_or(0);
    }
    default:
        return std::nullopt;
    }
}

std::optional<std::int64_t> evalDate(const Node& node, const char* record, std::string& out) {
    if (node.op == Op::Field)
        return parseDateField(record + node.offset);
    if (node.op != Op::Sum)
        return std::nullopt;
    std::optional<std::int64_t> base;
    double days = 0;
    for (const auto& child : node.children) {
        if (child->type == 'D') {
            base = evalDate(*child, record, out);
            if (!base)
                return std::nullopt; // a blank date stays blank whatever is added
        } else {
            days += evalNumber(*child, record, out).value_or(0);
        }
    }
    const double day = static_cast<double>(*base) + std::trunc(days);
    if (!(day >= kFirstDay && day <= kLastDay))
        return std::nullopt;
    return static_cast<std::int64_t>(day);
}

// STR(): the number rounded half away from zero at `decimals`, right-aligned in `length`
// bytes, asterisks when it does not fit. Rounding works on decimal digits ("[-]ddd[.ddd]"), so
// 2.5 or 1.005 round as the digits stored in the table say.
void appendRoundedDecimal(const char* p, const char* end, int length, int decimals,
                          std::string& out) {
    bool negative = false;
    if (p < end && *p == '-') {
        negative = true;
        ++p;
    }
    const char* dot = std::find(p, end, '.');
    const char* fraction = dot == end ? end : dot + 1;
    const int fractionDigits = static_cast<int>(end - fraction);
    constexpr int kMaxDigits = 400;
    if (dot - p > kMaxDigits) {
        out.append(static_cast<std::size_t>(length), '*');
        return;
    }

    char digits[kMaxDigits + 24];
    int count = 0;
    digits[count++] = '0'; // room for a carry
    for (const char* q = p; q < dot; ++q)
        digits[count++] = *q;
    for (int i = 0; i < decimals; ++i)
        digits[count++] = i < fractionDigits ? fraction[i] : '0';
    if (fractionDigits > decimals && fraction[decimals] >= '5') {
        int i = count - 1;
        while (digits[i] == '9')
            digits[i--] = '0';
        ++digits[i];
    }
    const int integerEnd = count - decimals;
    int first = 0;
    while (first < integerEnd - 1 && digits[first] == '0')
        ++first;
    if (std::all_of(digits + first, digits + count, [](char c) { return c == '0'; }))
        negative = false;
    const int width = (negative ? 1 : 0) + (integerEnd - first) + (decimals ? decimals + 1 : 0);
    if (width > length) {
        out.append(static_cast<std::size_t>(length), '*');
        return;
    }
    out.append(static_cast<std::size_t>(length - width), ' ');
    if (negative)
        out.push_back('-');
    out.append(digits + first, digits + integerEnd);
    if (decimals) {
        out.push_back('.');
        out.append(digits + integerEnd, digits + count);
    }
}

void appendStrOfValue(std::optional<double> number, int length, int decimals, std::string& out) {
    const double value = number.value_or(0);
    char text[400]; // the widest double in fixed notation is 327 characters
    const auto result =
        std::isfinite(value)
            ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
            : std::to_chars_result{text, std::errc::value_too_large};
    if (result.ec != std::errc()) {
        out.append(static_cast<std::size_t>(length), '*');
        return;
    }
    appendRoundedDecimal(text, result.ptr, length, decimals, out);
}

// A numeric field already holds decimal text; rounding it directly is exact and skips the
// trip through binary floating point. Anything but clean digits takes the general path.
bool appendStrOfField(const Node& field, const char* record, int length, int decimals,
                      std::string& out) {
    const char* p = record + field.offset;
    const char* end = p + field.fieldWidth;
    while (p < end && *p == ' ')
        ++p;
    const char* q = p < end && *p == '-' ? p + 1 : p;
    bool dot = false;
    bool digit = false;
    for (; q < end; ++q) {
        if (*q >= '0' && *q <= '9')
            digit = true;
        else if (*q == '.' && !dot)
            dot = true;
        else
            return false;
    }
    if (!digit)
        return false;
    appendRoundedDecimal(p, end, length, decimals, out);
    return true;
}

void appendTwoDigits(int value, std::string& out) {
    out.push_back(static_cast<char>('0' + value / 10 % 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

void appendDate(std::optional<std::int64_t> day, bool dtos, std::string& out) {
    if (!day) {
        out.append(dtos ? "        " : "  /  /  ");
        return;
    }
    const auto date = keycode::civilFromJulian(*day);
    if (dtos) {
        appendTwoDigits(date.year / 100, out);
        appendTwoDigits(date.year % 100, out);
        appendTwoDigits(date.month, out);
        appendTwoDigits(date.day, out);
    } else {
        appendTwoDigits(date.month, out);
        out.push_back('/');
        appendTwoDigits(date.day, out);
        out.push_back('/');
        appendTwoDigits(date.year % 100, out);
    }
}

void appendText(const Node& node, const char* record, std::string& out) {
    const std::size_t mark = out.size();
    const auto appendChild = [&] { appendText(*node.children.front(), record, out); };
    switch (node.op) {
    case Op::Field:
        out.append(record + node.offset, static_cast<std::size_t>(node.fieldWidth));
        break;
    case Op::Text:
        out.append(node.text);
        break;
    case Op::Concat:
        for (const auto& child : node.children)
            appendText(*child, record, out);
        break;
    case Op::Upper:
        appendChild();
        for (std::size_t i = mark; i < out.size(); ++i)
            if (out[i] >= 'a' && out[i] <= 'z')
                out[i] = static_cast<char>(out[i] - 32);
        break;
    case Op::Left:
        appendChild();
        if (out.size() - mark > static_cast<std::size_t>(node.count))
            out.resize(mark + static_cast<std::size_t>(node.count));
        break;
    case Op::Right: {
        appendChild();
        const std::size_t length = out.size() - mark;
        if (length > static_cast<std::size_t>(node.count))
            out.erase(mark, length - static_cast<std::size_t>(node.count));
        break;
    }
    case Op::Substr: {
        appendChild();
        const std::size_t length = out.size() - mark;
        const std::size_t skip = std::min(length, static_cast<std::size_t>(node.start - 1));
        out.erase(mark, skip);
        if (node.count >= 0 && out.size() - mark > static_cast<std::size_t>(node.count))
            out.resize(mark + static_cast<std::size_t>(node.count));
        break;
    }
    case Op::Trim:
        appendChild();
        while (out.size() > mark && out.back() == ' ')
            out.pop_back();
        break;
    case Op::LTrim: {
        appendChild();
        std::size_t blanks = 0;
        while (mark + blanks < out.size() && out[mark + blanks] == ' ')
            ++blanks;
        out.erase(mark, blanks);
        break;
    }
    case Op::Str: {
        const Node& value = *node.children.front();
        if (value.op != Op::Field || !appendStrOfField(value, record, node.count, node.start, out))
            appendStrOfValue(evalNumber(value, record, out), node.count, node.start, out);
        break;
    }
    case Op::Dtos:
    case Op::Dtoc:
        appendDate(evalDate(*node.children.front(), record, out), node.op == Op::Dtos, out);
        break;
    default:
        break;
    }
}

// The most bytes the output string can hold at once while a key is built: every leaf appends
// at most once.
std::size_t scratchNeeded(const Node& node) {
    std::size_t total = 0;
    switch (node.op) {
    case Op::Field:
        total = node.type == 'C' ? static_cast<std::size_t>(node.fieldWidth) : 0;
        break;
    case Op::Text:
        total = node.text.size();
        break;
    case Op::Str:
    case Op::Dtos:
    case Op::Dtoc:
        total = static_cast<std::size_t>(node.width);
        break;
    default:
        break;
    }
    for (const auto& child : node.children)
        total += scratchNeeded(*child);
    return total;
}

} // namespace

KeyExpression::KeyExpression() = default;
KeyExpression::KeyExpression(KeyExpression&&) noexcept = default;
KeyExpression& KeyExpression::operator=(KeyExpression&&) noexcept = default;
KeyExpression::~KeyExpression() = default;

KeyExpression KeyExpression::parse(std::string_view text, const std::vector<FieldLayout>& fields) {
    KeyExpression expression;
    expression.text_ = std::string(text);
    expression.root_ = parseKeyExpression(text, fields);
    expression.root_->scratch =
        std::max<std::size_t>(scratchNeeded(*expression.root_), keycode::kOrderedLength);
    expression.keyType_ = expression.root_->type;
    expression.keyLength_ =
        expression.keyType_ == 'C' ? expression.root_->width : keycode::kOrderedLength;
    return expression;
}

const std::string& KeyExpression::text() const {
    return text_;
}
char KeyExpression::keyType() const {
    return keyType_;
}
int KeyExpression::keyLength() const {
    return keyLength_;
}

void KeyExpression::evaluate(const char* record, std::string& key) const {
    key.clear();
    key.reserve(root_->scratch);
    switch (keyType_) {
    case 'C':
        appendText(*root_, record, key);
        key.resize(static_cast<std::size_t>(keyLength_), ' ');
        break;
    case 'N': {
        const auto value = evalNumber(*root_, record, key);
        key.resize(keycode::kOrderedLength);
        keycode::encodeOrdered(value, key.data());
        break;
    }
    default: {
        const auto day = evalDate(*root_, record, key);
        key.resize(keycode::kOrderedLength);
        keycode::encodeOrdered(
            day ? std::optional<double>(static_cast<double>(*day)) : std::nullopt, key.data());
        break;
    }
    }
}

} // namespace dbase
