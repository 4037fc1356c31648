#pragma once

#include "platform/dbase/FieldDef.h"
#include "platform/dbase/KeyExpressionNode.h"

#include <memory>
#include <string_view>
#include <vector>

namespace dbase {

// The longest expression a tag header can hold (bytes 24 to 244 with the closing NUL).
constexpr std::size_t kMaxKeyExpressionLength = 220;
// The longest character key a dBase IV index accepts.
constexpr int kMaxCharacterKeyLength = 100;

// Compiles expression text against the table's fields into a typed tree. Throws DatabaseError
// naming the expression and the fault.
std::unique_ptr<KeyExpression::Node> parseKeyExpression(std::string_view text,
                                                        const std::vector<FieldLayout>& fields);

} // namespace dbase
