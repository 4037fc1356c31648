#include "platform/dbase/ExpressionParser.h"

#include "platform/dbase/DatabaseError.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace dbase {
namespace {

using Node = KeyExpression::Node;
using NodePtr = std::unique_ptr<Node>;
using Op = Node::Op;

constexpr int kMaxNesting = 32;

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

std::string upperText(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), upperAscii);
    return out;
}

bool isIdentStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isIdentChar(char c) {
    return isIdentStart(c) || isDigit(c);
}

struct FunctionSpec {
    const char* name;
    Op op;
    int minArgs;
    int maxArgs;
};

// dBase also accepts any abbreviation of a function name down to four letters.
constexpr std::array<FunctionSpec, 11> kFunctions{{
    {"UPPER", Op::Upper, 1, 1},
    {"LEFT", Op::Left, 2, 2},
    {"RIGHT", Op::Right, 2, 2},
    {"SUBSTR", Op::Substr, 2, 3},
    {"TRIM", Op::Trim, 1, 1},
    {"RTRIM", Op::Trim, 1, 1},
    {"LTRIM", Op::LTrim, 1, 1},
    {"STR", Op::Str, 1, 3},
    {"DTOS", Op::Dtos, 1, 1},
    {"DTOC", Op::Dtoc, 1, 1},
    {"VAL", Op::Val, 1, 1},
}};

const FunctionSpec* findFunction(const std::string& upperName) {
    for (const auto& f : kFunctions) {
        const std::string_view full = f.name;
        if (upperName == full)
            return &f;
        if (upperName.size() >= 4 && upperName.size() < full.size() &&
            full.substr(0, upperName.size()) == upperName)
            return &f;
    }
    return nullptr;
}

class Parser {
public:
    Parser(std::string_view text, const std::vector<FieldLayout>& fields)
        : text_(text), fields_(fields) {}

    NodePtr parseAll() {
        if (text_.size() > kMaxKeyExpressionLength)
            fail("it is longer than " + std::to_string(kMaxKeyExpressionLength) + " characters");
        skipBlanks();
        if (pos_ == text_.size())
            fail("the expression is empty");
        NodePtr root = parseSum(0);
        skipBlanks();
        if (pos_ != text_.size())
            failAtCurrent();
        if (root->type == 'C') {
            if (root->width == 0)
                fail("the key is always empty");
            if (root->width > kMaxCharacterKeyLength)
                fail("the key is " + std::to_string(root->width) + " bytes long, more than " +
                     std::to_string(kMaxCharacterKeyLength));
        }
        return root;
    }

private:
    [[noreturn]] void fail(const std::string& fault) const {
        throw DatabaseError("Invalid index expression \"" + std::string(text_) + "\": " + fault +
                            ".");
    }

    [[noreturn]] void failAtCurrent() const {
        if (pos_ >= text_.size())
            fail("it ends unexpectedly");
        const char c = text_[pos_];
        if (c == '-' || c == '*' || c == '/' || c == '$' || c == '=' || c == '<' || c == '>' ||
            c == '#' || c == '^' || c == '!' || c == '.')
            fail(std::string("the operator ") + c + " is not supported");
        fail("unexpected character '" + std::string(1, c) + "' at position " +
             std::to_string(pos_ + 1));
    }

    void skipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t'))
            ++pos_;
    }

    bool accept(char c) {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void expect(char c) {
        if (!accept(c)) {
            if (pos_ >= text_.size())
                fail(std::string("'") + c + "' is missing at the end");
            failAtCurrent();
        }
    }

    NodePtr parseSum(int depth) {
        if (depth > kMaxNesting)
            fail("it is nested too deeply");
        std::vector<NodePtr> terms;
        terms.push_back(parseTerm(depth));
        while (accept('+'))
            terms.push_back(parseTerm(depth));
        if (terms.size() == 1)
            return std::move(terms.front());
        return combine(std::move(terms));
    }

    NodePtr combine(std::vector<NodePtr> terms) {
        auto node = std::make_unique<Node>();
        const bool text = terms.front()->type == 'C';
        int dates = 0;
        for (const auto& t : terms) {
            if ((t->type == 'C') != text)
                fail("+ joins text with a number or a date");
            if (t->type == 'D')
                ++dates;
        }
        if (text) {
            node->op = Op::Concat;
            node->type = 'C';
            for (const auto& t : terms)
                node->width += t->width;
        } else {
            if (dates > 1)
                fail("+ cannot add two dates");
            node->op = Op::Sum;
            node->type = dates ? 'D' : 'N';
        }
        node->children = std::move(terms);
        return node;
    }

    NodePtr parseTerm(int depth) {
        skipBlanks();
        if (pos_ >= text_.size())
            fail("it ends unexpectedly");
        const char c = text_[pos_];
        if (c == '(') {
            ++pos_;
            NodePtr inner = parseSum(depth + 1);
            expect(')');
            return inner;
        }
        if (c == '\'' || c == '"' || c == '[')
            return parseString(c == '[' ? ']' : c);
        if (isDigit(c))
            return parseNumber();
        if (isIdentStart(c)) {
            const std::size_t begin = pos_;
            while (pos_ < text_.size() && isIdentChar(text_[pos_]))
                ++pos_;
            const std::string_view name = text_.substr(begin, pos_ - begin);
            skipBlanks();
            if (pos_ < text_.size() && text_[pos_] == '(')
                return parseCall(name, depth);
            return fieldNode(name);
        }
        failAtCurrent();
    }

    NodePtr parseString(char close) {
        const std::size_t begin = ++pos_;
        const std::size_t end = text_.find(close, begin);
        if (end == std::string_view::npos)
            fail("a string is not closed");
        pos_ = end + 1;
        auto node = std::make_unique<Node>();
        node->op = Op::Text;
        node->text = std::string(text_.substr(begin, end - begin));
        node->width = static_cast<int>(node->text.size());
        return node;
    }

    NodePtr parseNumber() {
        const std::size_t begin = pos_;
        while (pos_ < text_.size() && isDigit(text_[pos_]))
            ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '.') {
            ++pos_;
            while (pos_ < text_.size() && isDigit(text_[pos_]))
                ++pos_;
        }
        auto node = std::make_unique<Node>();
        node->op = Op::Number;
        node->type = 'N';
        std::from_chars(text_.data() + begin, text_.data() + pos_, node->number);
        return node;
    }

    NodePtr fieldNode(std::string_view name) {
        const std::string wanted = upperText(name);
        for (const auto& f : fields_) {
            if (upperText(f.def.name) != wanted)
                continue;
            auto node = std::make_unique<Node>();
            node->op = Op::Field;
            node->offset = f.offset;
            node->fieldWidth = f.def.length;
            switch (f.def.type) {
            case FieldType::Character:
                node->type = 'C';
                node->width = f.def.length;
                break;
            case FieldType::Numeric:
            case FieldType::Float:
                node->type = 'N';
                break;
            case FieldType::Date:
                if (f.def.length != 8)
                    fail("the date field " + std::string(name) + " is not 8 bytes wide");
                node->type = 'D';
                break;
            default:
                fail("the field " + std::string(name) + " has a type that cannot be in a key");
            }
            return node;
        }
        fail("unknown field " + std::string(name));
    }

    NodePtr parseCall(std::string_view name, int depth) {
        const std::string upper = upperText(name);
        const FunctionSpec* spec = findFunction(upper);
        if (!spec)
            fail("unknown function " + std::string(name));
        expect('(');
        std::vector<NodePtr> args;
        if (!accept(')')) {
            do {
                args.push_back(parseSum(depth + 1));
            } while (accept(','));
            expect(')');
        }
        const int n = static_cast<int>(args.size());
        if (n < spec->minArgs || n > spec->maxArgs)
            fail(std::string(spec->name) + " takes " + argumentCount(*spec));
        auto node = std::make_unique<Node>();
        node->op = spec->op;
        typeCall(*spec, *node, args);
        node->children.push_back(std::move(args.front()));
        return node;
    }

    static std::string argumentCount(const FunctionSpec& spec) {
        std::string s = std::to_string(spec.minArgs);
        if (spec.maxArgs != spec.minArgs)
            s += " to " + std::to_string(spec.maxArgs);
        return s + (spec.maxArgs == 1 ? " argument" : " arguments");
    }

    void requireType(const FunctionSpec& spec, const Node& arg, char type) const {
        if (arg.type == type)
            return;
        const char* what = type == 'C' ? "text" : type == 'N' ? "a number" : "a date";
        fail(std::string(spec.name) + " needs " + what + " as its first argument");
    }

    // The counts of LEFT, RIGHT, SUBSTR and STR must be written as numbers, since the key
    // length has to be known before any record is read.
    int constantArgument(const FunctionSpec& spec, const Node& arg, int low, int high) const {
        if (arg.op != Op::Number || arg.number != std::floor(arg.number))
            fail(std::string(spec.name) + " needs a whole number written as digits");
        if (arg.number < low || arg.number > high)
            fail(std::string(spec.name) + " needs a number from " + std::to_string(low) + " to " +
                 std::to_string(high));
        return static_cast<int>(arg.number);
    }

    void typeCall(const FunctionSpec& spec, Node& node, const std::vector<NodePtr>& args) const {
        const Node& first = *args.front();
        constexpr int kBig = 65535;
        switch (spec.op) {
        case Op::Upper:
        case Op::Trim:
        case Op::LTrim:
            requireType(spec, first, 'C');
            node.width = first.width;
            break;
        case Op::Left:
        case Op::Right:
            requireType(spec, first, 'C');
            node.count = constantArgument(spec, *args[1], 0, kBig);
            node.width = std::min(node.count, first.width);
            break;
        case Op::Substr:
            requireType(spec, first, 'C');
            node.start = constantArgument(spec, *args[1], 1, kBig);
            node.count = args.size() > 2 ? constantArgument(spec, *args[2], 0, kBig) : -1;
            node.width = std::max(0, first.width - node.start + 1);
            if (node.count >= 0)
                node.width = std::min(node.width, node.count);
            break;
        case Op::Str:
            requireType(spec, first, 'N');
            node.count = args.size() > 1 ? constantArgument(spec, *args[1], 1, 255) : 10;
            node.start = args.size() > 2 ? constantArgument(spec, *args[2], 0, 18) : 0;
            node.width = node.count;
            break;
        case Op::Dtos:
        case Op::Dtoc:
            requireType(spec, first, 'D');
            node.width = 8;
            break;
        case Op::Val:
            requireType(spec, first, 'C');
            node.type = 'N';
            break;
        default:
            break;
        }
    }

    std::string_view text_;
    const std::vector<FieldLayout>& fields_;
    std::size_t pos_ = 0;
};

} // namespace

std::unique_ptr<KeyExpression::Node> parseKeyExpression(std::string_view text,
                                                        const std::vector<FieldLayout>& fields) {
    return Parser(text, fields).parseAll();
}

} // namespace dbase
