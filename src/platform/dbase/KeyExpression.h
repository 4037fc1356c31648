#pragma once

#include "platform/dbase/FieldDef.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dbase {

// A compiled index key expression in the dBase expression language (field names in any case,
// string literals, +, UPPER, LEFT, RIGHT, SUBSTR, TRIM, RTRIM, LTRIM, STR, DTOS, DTOC, VAL).
// Anything else is refused with a DatabaseError naming it.
class KeyExpression {
public:
    // Throws DatabaseError for a syntax error, an unknown field or an unsupported function.
    static KeyExpression parse(std::string_view text, const std::vector<FieldLayout>& fields);

    KeyExpression(KeyExpression&&) noexcept;
    KeyExpression& operator=(KeyExpression&&) noexcept;
    ~KeyExpression();

    const std::string& text() const;
    char keyType() const;  // 'C', 'N' or 'D'
    int keyLength() const; // bytes of every key this expression yields

    // Writes exactly keyLength() bytes for the record (deletion flag at record[0]) into key.
    // Character keys are the dBase key text (space padded); numeric and date keys use an
    // encoding whose byte order (memcmp) is the order of the values.
    void evaluate(const char* record, std::string& key) const;

    struct Node;

private:
    KeyExpression();
    std::string text_;
    char keyType_ = 'C';
    int keyLength_ = 0;
    std::unique_ptr<Node> root_;
};

} // namespace dbase
