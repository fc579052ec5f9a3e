#include "texts/plural.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace quarlo::texts {

struct PluralRule::Node {
    enum Kind { number, variable, unary, binary, ternary } kind = number;
    std::string op;  // "!", "*", "/", "%", "+", "-", "<", "<=", ">", ">=", "==", "!=", "&&", "||"
    unsigned long value = 0;
    std::unique_ptr<Node> a, b, c;
};

namespace {

constexpr int kDeepest = 200;
constexpr std::size_t kLongest = 1024;

using Node = PluralRule::Node;
using NodePtr = std::unique_ptr<Node>;

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}
    NodePtr whole() {
        NodePtr n = ternary(0);
        skip();
        return at_ == text_.size() ? std::move(n) : nullptr;
    }

  private:
    void skip() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
            ++at_;
        }
    }
    bool take(std::string_view op) {
        skip();
        if (text_.substr(at_, op.size()) != op) {
            return false;
        }
        // "<" is not the start of "<=", nor "!" of "!=".
        if (op.size() == 1 && at_ + 1 < text_.size() && text_[at_ + 1] == '=' &&
            (op == "<" || op == ">" || op == "!" || op == "=")) {
            return false;
        }
        at_ += op.size();
        return true;
    }
    static NodePtr make(std::string op, NodePtr a, NodePtr b) {
        if (!a || !b) {
            return nullptr;
        }
        auto n = std::make_unique<Node>();
        n->kind = Node::binary;
        n->op = std::move(op);
        n->a = std::move(a);
        n->b = std::move(b);
        return n;
    }
    NodePtr ternary(int depth) {
        if (depth > kDeepest) {
            return nullptr;
        }
        NodePtr cond = binary(0, depth + 1);
        if (!cond || !take("?")) {
            return cond;
        }
        NodePtr yes = ternary(depth + 1);
        if (!yes || !take(":")) {
            return nullptr;
        }
        NodePtr no = ternary(depth + 1);
        if (!no) {
            return nullptr;
        }
        auto n = std::make_unique<Node>();
        n->kind = Node::ternary;
        n->a = std::move(cond);
        n->b = std::move(yes);
        n->c = std::move(no);
        return n;
    }
    // Levels, loosest first: || && ==,!= <,<=,>,>= +,- *,/,%
    NodePtr binary(int level, int depth) {
        static const std::vector<std::vector<std::string_view>> kLevels{
            {"||"}, {"&&"}, {"==", "!="}, {"<=", ">=", "<", ">"}, {"+", "-"}, {"*", "/", "%"}};
        if (depth > kDeepest) {
            return nullptr;
        }
        if (level == static_cast<int>(kLevels.size())) {
            return unaryNode(depth + 1);
        }
        NodePtr left = binary(level + 1, depth + 1);
        for (bool more = left != nullptr; more;) {
            more = false;
            for (const std::string_view op : kLevels[static_cast<std::size_t>(level)]) {
                if (take(op)) {
                    left = make(std::string(op), std::move(left), binary(level + 1, depth + 1));
                    more = left != nullptr;
                    break;
                }
            }
        }
        return left;
    }
    NodePtr unaryNode(int depth) {
        if (depth > kDeepest) {
            return nullptr;
        }
        if (take("!")) {
            NodePtr inner = unaryNode(depth + 1);
            if (!inner) {
                return nullptr;
            }
            auto n = std::make_unique<Node>();
            n->kind = Node::unary;
            n->op = "!";
            n->a = std::move(inner);
            return n;
        }
        if (take("(")) {
            NodePtr inner = ternary(depth + 1);
            return inner && take(")") ? std::move(inner) : nullptr;
        }
        skip();
        if (take("n")) {
            auto n = std::make_unique<Node>();
            n->kind = Node::variable;
            return n;
        }
        if (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
            unsigned long v = 0;
            while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) {
                if (v > 100000000UL) {
                    return nullptr;
                }
                v = v * 10 + static_cast<unsigned long>(text_[at_++] - '0');
            }
            auto n = std::make_unique<Node>();
            n->value = v;
            return n;
        }
        return nullptr;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

std::optional<unsigned long> evaluate(const Node& node, unsigned long n) {
    switch (node.kind) {
        case Node::number:
            return node.value;
        case Node::variable:
            return n;
        case Node::unary: {
            const auto a = evaluate(*node.a, n);
            return a ? std::optional<unsigned long>(*a == 0) : std::nullopt;
        }
        case Node::ternary: {
            const auto c = evaluate(*node.a, n);
            if (!c) {
                return std::nullopt;
            }
            return evaluate(*c != 0 ? *node.b : *node.c, n);
        }
        case Node::binary:
            break;
    }
    const auto a = evaluate(*node.a, n);
    if (!a) {
        return std::nullopt;
    }
    // Short-circuit as C does.
    if (node.op == "&&" && *a == 0) {
        return 0UL;
    }
    if (node.op == "||" && *a != 0) {
        return 1UL;
    }
    const auto b = evaluate(*node.b, n);
    if (!b) {
        return std::nullopt;
    }
    const std::string& op = node.op;
    if (op == "/" || op == "%") {
        if (*b == 0) {
            return std::nullopt;
        }
        return op == "/" ? *a / *b : *a % *b;
    }
    if (op == "*")
        return *a * *b;
    if (op == "+")
        return *a + *b;
    if (op == "-")
        return *a - *b;
    if (op == "<")
        return static_cast<unsigned long>(*a < *b);
    if (op == "<=")
        return static_cast<unsigned long>(*a <= *b);
    if (op == ">")
        return static_cast<unsigned long>(*a > *b);
    if (op == ">=")
        return static_cast<unsigned long>(*a >= *b);
    if (op == "==")
        return static_cast<unsigned long>(*a == *b);
    if (op == "!=")
        return static_cast<unsigned long>(*a != *b);
    if (op == "&&" || op == "||")
        return static_cast<unsigned long>(*b != 0);
    return std::nullopt;
}

}  // namespace

PluralRule::PluralRule() = default;
PluralRule::~PluralRule() = default;
PluralRule::PluralRule(PluralRule&&) noexcept = default;
PluralRule& PluralRule::operator=(PluralRule&&) noexcept = default;

std::optional<PluralRule> PluralRule::parse(std::string_view header) {
    const std::size_t counted = header.find("nplurals=");
    const std::size_t rule =
        header.find("plural=", counted == std::string_view::npos ? 0 : counted + 9);
    if (counted == std::string_view::npos || rule == std::string_view::npos) {
        return std::nullopt;
    }
    PluralRule r;
    std::size_t at = counted + 9;
    unsigned long count = 0;
    while (at < header.size() && std::isdigit(static_cast<unsigned char>(header[at]))) {
        count = count * 10 + static_cast<unsigned long>(header[at++] - '0');
        if (count > 16) {
            return std::nullopt;
        }
    }
    if (count == 0) {
        return std::nullopt;
    }
    r.count_ = count;
    std::string_view expression = header.substr(rule + 7);
    expression = expression.substr(0, std::min(expression.find(';'), expression.find('\n')));
    if (expression.size() > kLongest) {
        return std::nullopt;
    }
    r.root_ = Parser(expression).whole();
    if (!r.root_) {
        return std::nullopt;
    }
    return r;
}

std::optional<unsigned long> PluralRule::form(unsigned long n) const {
    if (!root_) {
        return n == 1 ? 0UL : 1UL;
    }
    const auto f = evaluate(*root_, n);
    return f && *f < count_ ? f : std::nullopt;
}

}  // namespace quarlo::texts
