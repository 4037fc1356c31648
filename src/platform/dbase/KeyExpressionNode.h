#pragma once

#include "platform/dbase/KeyExpression.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace dbase {

// One step of a compiled key expression. Every node knows its static type and, for character
// results, the most bytes it can yield, so the key length is fixed before any record is seen.
struct KeyExpression::Node {
    enum class Op {
        Field,  // the field's bytes (C), its number (N) or its date (D)
        Text,   // a string literal
        Number, // a numeric literal
        Concat, // character + character ...
        Sum,    // number + number ..., or one date plus numbers (days)
        Upper,
        Left,   // count
        Right,  // count
        Substr, // start (from 1), count (-1: to the end)
        Trim,   // trailing blanks; RTRIM is the same
        LTrim,
        Str, // length, decimals
        Dtos,
        Dtoc,
        Val,
    };

    Op op = Op::Text;
    char type = 'C';    // 'C', 'N' or 'D'
    int width = 0;      // C only: the most bytes this node yields
    int offset = 0;     // Field: offset in the record
    int fieldWidth = 0; // Field: stored bytes
    int count = 0;      // Left, Right, Substr count, Str length
    int start = 0;      // Substr start, Str decimals
    std::string text;   // Text
    double number = 0;  // Number
    std::vector<std::unique_ptr<Node>> children;
    // Root only: the most bytes the output string holds while a key is built, reserved once.
    std::size_t scratch = 0;
};

} // namespace dbase
