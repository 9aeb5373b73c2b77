#pragma once

// The filter expressions by which every record is looked up: reading them and testing
// rows against them.

#include "data/Value.h"

#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace savrona {

// A compiled filter expression: comparisons of a field with a quoted text or an
// integer (=, <>, <, >, <=, >=), joined by AND, OR, NOT and parentheses.
//
// Reading rules: keywords and field names ignore letter case; inside quotes two
// adjacent apostrophes stand for one; "*" and every other character in a
// quoted text mean only themselves. An empty expression matches every record.
// A text field compares with quoted texts only and an integer field with
// integers only ("Type mismatch in expression" otherwise). Texts compare by
// exact code points; = and <> are exact, letter case included.
//
// Nulls: a comparison with a null field is false, and NOT turns it true
// (plain two-valued logic, so NOT (Title = 'x') also selects null titles).
class FilterExpression {
public:
    // Deeper nesting of parentheses and NOT is refused with a message, so that
    // hostile input cannot exhaust the stack.
    static constexpr int maximumNesting = 200;

    // Throws savrona::Error with the reader's message (no table name in front).
    static FilterExpression parse(QStringView text, const std::vector<FieldDefinition>& fields);

    bool matchesEverything() const { return !m_root.has_value(); }
    bool matches(const Row& row) const;

    // For expressions that are one comparison `Field = constant`: the field's
    // position and the constant, so that a table can answer from a hash index.
    struct FieldEquality {
        std::size_t field;
        Value constant;
    };
    std::optional<FieldEquality> singleEquality() const;

    enum class Operator { Equal, NotEqual, Less, Greater, LessOrEqual, GreaterOrEqual };
    using Constant = std::variant<std::int64_t, QByteArray>;

    struct Comparison {
        std::size_t field = 0;
        Operator op = Operator::Equal;
        Constant constant;
    };

    struct Node {
        enum class Kind { Compare, And, Or, Not };
        Kind kind = Kind::Compare;
        Comparison comparison;      // Compare only
        std::vector<Node> operands; // And, Or (two or more), Not (one)
    };

private:
    explicit FilterExpression(std::optional<Node> root) : m_root(std::move(root)) {}
    std::optional<Node> m_root;
};

} // namespace savrona
