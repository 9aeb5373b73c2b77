// Reads filter expressions (a lexer and a recursive-descent parser) and tests rows
// against them.
#include "data/engine/FilterExpression.h"

#include "data/Error.h"

#include <QString>

#include <algorithm>
#include <limits>
#include <string_view>

namespace savrona {

namespace {

using Node = FilterExpression::Node;
using Operator = FilterExpression::Operator;

struct Token {
    enum class Kind {
        End,
        Name,
        Text,
        Number,
        Compare,
        LeftParenthesis,
        RightParenthesis,
        And,
        Or,
        Not
    };
    Kind kind = Kind::End;
    QStringView spelling;
    QByteArray text;               // Text: the unquoted UTF-8 value
    std::int64_t number = 0;       // Number
    Operator op = Operator::Equal; // Compare
};

[[noreturn]] void fail(const QString& message) {
    throw Error(message);
}

bool isNameStart(QChar character) {
    return character.isLetter() || character == u'_';
}

bool isNamePart(QChar character) {
    return character.isLetterOrNumber() || character == u'_';
}

bool isDigit(QChar character) {
    return character >= u'0' && character <= u'9';
}

// Splits the expression into tokens, one at a time.
class Lexer {
public:
    explicit Lexer(QStringView text) : m_text(text) { advance(); }

    const Token& peek() const { return m_next; }
    Token take() {
        Token token = std::move(m_next);
        advance();
        return token;
    }

private:
    void advance() {
        skipBlanks();
        m_next = Token{};
        if (m_position >= m_text.size())
            return;
        const QChar character = m_text[m_position];
        if (character == u'\'')
            readText();
        else if (isDigit(character) || (character == u'-' && isDigit(at(m_position + 1))))
            readNumber();
        else if (isNameStart(character))
            readName();
        else if (character == u'(' || character == u')')
            readSingle(character == u'(' ? Token::Kind::LeftParenthesis
                                         : Token::Kind::RightParenthesis);
        else if (character == u'=' || character == u'<' || character == u'>')
            readComparison();
        else
            fail(QStringLiteral("Invalid character '%1' in filter expression").arg(character));
    }

    QChar at(qsizetype position) const {
        return position < m_text.size() ? m_text[position] : QChar();
    }

    void skipBlanks() {
        while (m_position < m_text.size() && m_text[m_position].isSpace())
            ++m_position;
    }

    void readSingle(Token::Kind kind) {
        m_next.kind = kind;
        m_next.spelling = m_text.mid(m_position, 1);
        ++m_position;
    }

    void readText() {
        const qsizetype start = m_position;
        QString value;
        ++m_position;
        while (true) {
            if (m_position >= m_text.size())
                fail(QStringLiteral("Unterminated string constant"));
            const QChar character = m_text[m_position++];
            if (character != u'\'') {
                value.append(character);
            } else if (at(m_position) == u'\'') {
                value.append(character); // two apostrophes stand for one
                ++m_position;
            } else {
                break;
            }
        }
        m_next.kind = Token::Kind::Text;
        m_next.spelling = m_text.sliced(start, m_position - start);
        m_next.text = value.toUtf8();
    }

    void readNumber() {
        const qsizetype start = m_position;
        const bool negative = m_text[m_position] == u'-';
        if (negative)
            ++m_position;
        // Accumulated negatively so that the most negative value fits too.
        std::int64_t magnitude = 0;
        bool overflow = false;
        while (isDigit(at(m_position))) {
            const int digit = m_text[m_position++].unicode() - u'0';
            if (magnitude < (std::numeric_limits<std::int64_t>::min() + digit) / 10)
                overflow = true;
            else
                magnitude = magnitude * 10 - digit;
        }
        const QChar following = at(m_position);
        if (overflow || (!negative && magnitude == std::numeric_limits<std::int64_t>::min()) ||
            isNamePart(following) || following == u'.')
            fail(QStringLiteral("Invalid number in filter expression"));
        m_next.kind = Token::Kind::Number;
        m_next.spelling = m_text.sliced(start, m_position - start);
        m_next.number = negative ? magnitude : -magnitude;
    }

    void readName() {
        const qsizetype start = m_position;
        while (isNamePart(at(m_position)))
            ++m_position;
        m_next.spelling = m_text.sliced(start, m_position - start);
        m_next.kind = keywordKind(m_next.spelling);
    }

    static Token::Kind keywordKind(QStringView name) {
        if (name.compare(u"AND", Qt::CaseInsensitive) == 0)
            return Token::Kind::And;
        if (name.compare(u"OR", Qt::CaseInsensitive) == 0)
            return Token::Kind::Or;
        if (name.compare(u"NOT", Qt::CaseInsensitive) == 0)
            return Token::Kind::Not;
        return Token::Kind::Name;
    }

    void readComparison() {
        const qsizetype start = m_position;
        const QChar first = m_text[m_position++];
        const QChar second = at(m_position);
        Operator op = Operator::Equal;
        if (first == u'<' && second == u'>')
            op = Operator::NotEqual;
        else if (first == u'<' && second == u'=')
            op = Operator::LessOrEqual;
        else if (first == u'>' && second == u'=')
            op = Operator::GreaterOrEqual;
        else if (first == u'<')
            op = Operator::Less;
        else if (first == u'>')
            op = Operator::Greater;
        if (op == Operator::NotEqual || op == Operator::LessOrEqual ||
            op == Operator::GreaterOrEqual)
            ++m_position;
        m_next.kind = Token::Kind::Compare;
        m_next.op = op;
        m_next.spelling = m_text.sliced(start, m_position - start);
    }

    QStringView m_text;
    qsizetype m_position = 0;
    Token m_next;
};

// Recursive descent: OR binds loosest, then AND, then NOT. Chains of AND and OR
// are read in loops into one node, so only parentheses and NOT nest.
class Parser {
public:
    Parser(QStringView text, const std::vector<FieldDefinition>& fields)
        : m_lexer(text), m_fields(fields) {}

    std::optional<Node> parseWhole() {
        if (m_lexer.peek().kind == Token::Kind::End)
            return std::nullopt;
        Node root = parseOr();
        if (m_lexer.peek().kind != Token::Kind::End)
            fail(QStringLiteral("Filter expression incorrectly terminated"));
        return root;
    }

private:
    Node parseOr() { return parseChain(Token::Kind::Or, Node::Kind::Or, &Parser::parseAnd); }
    Node parseAnd() { return parseChain(Token::Kind::And, Node::Kind::And, &Parser::parseUnary); }

    Node parseChain(Token::Kind joiner, Node::Kind kind, Node (Parser::*parseOperand)()) {
        Node first = (this->*parseOperand)();
        if (m_lexer.peek().kind != joiner)
            return first;
        Node chain;
        chain.kind = kind;
        chain.operands.push_back(std::move(first));
        while (m_lexer.peek().kind == joiner) {
            m_lexer.take();
            chain.operands.push_back((this->*parseOperand)());
        }
        return chain;
    }

    Node parseUnary() {
        if (m_lexer.peek().kind == Token::Kind::Not) {
            m_lexer.take();
            const NestingGuard guard(*this);
            Node negation;
            negation.kind = Node::Kind::Not;
            negation.operands.push_back(parseUnary());
            return negation;
        }
        if (m_lexer.peek().kind == Token::Kind::LeftParenthesis) {
            m_lexer.take();
            const NestingGuard guard(*this);
            Node inner = parseOr();
            expectRightParenthesis();
            return inner;
        }
        return parseComparison();
    }

    void expectRightParenthesis() {
        const Token::Kind kind = m_lexer.peek().kind;
        if (kind == Token::Kind::End)
            fail(QStringLiteral("Missing right parenthesis"));
        if (kind != Token::Kind::RightParenthesis)
            fail(QStringLiteral("Filter expression incorrectly terminated"));
        m_lexer.take();
    }

    Node parseComparison() {
        const Token name = m_lexer.take();
        if (isMissingOperand(name.kind))
            fail(QStringLiteral("Missing operand"));
        if (name.kind != Token::Kind::Name)
            fail(QStringLiteral("Field name expected"));
        const std::size_t field = fieldIndex(name.spelling);

        const Token comparison = m_lexer.take();
        if (comparison.kind != Token::Kind::Compare)
            fail(QStringLiteral("Comparison operator expected after '%1'").arg(name.spelling));

        Token constant = m_lexer.take();
        if (isMissingOperand(constant.kind))
            fail(QStringLiteral("Missing operand"));
        if (constant.kind != Token::Kind::Text && constant.kind != Token::Kind::Number)
            fail(QStringLiteral("Quoted text or number expected"));
        checkTypes(m_fields[field].type, constant.kind);

        Node node;
        node.comparison.field = field;
        node.comparison.op = comparison.op;
        if (constant.kind == Token::Kind::Number)
            node.comparison.constant = constant.number;
        else
            node.comparison.constant = std::move(constant.text);
        return node;
    }

    static bool isMissingOperand(Token::Kind kind) {
        return kind == Token::Kind::End || kind == Token::Kind::And || kind == Token::Kind::Or ||
               kind == Token::Kind::RightParenthesis;
    }

    std::size_t fieldIndex(QStringView name) const {
        const auto found =
            std::find_if(m_fields.begin(), m_fields.end(), [&](const FieldDefinition& field) {
                return name.compare(field.name, Qt::CaseInsensitive) == 0;
            });
        if (found == m_fields.end())
            fail(QStringLiteral("Field '%1' not found").arg(name));
        return static_cast<std::size_t>(found - m_fields.begin());
    }

    static void checkTypes(FieldType type, Token::Kind constant) {
        const bool integerField = type == FieldType::Integer;
        if (integerField != (constant == Token::Kind::Number))
            fail(QStringLiteral("Type mismatch in expression"));
    }

    class NestingGuard {
    public:
        explicit NestingGuard(Parser& parser) : m_parser(parser) {
            if (++m_parser.m_nesting > FilterExpression::maximumNesting)
                fail(QStringLiteral("Filter expression is nested too deeply"));
        }
        ~NestingGuard() { --m_parser.m_nesting; }
        NestingGuard(const NestingGuard&) = delete;
        NestingGuard& operator=(const NestingGuard&) = delete;

    private:
        Parser& m_parser;
    };

    Lexer m_lexer;
    const std::vector<FieldDefinition>& m_fields;
    int m_nesting = 0;
};

bool holds(const std::strong_ordering order, Operator op) {
    switch (op) {
    case Operator::Equal:
        return order == 0;
    case Operator::NotEqual:
        return order != 0;
    case Operator::Less:
        return order < 0;
    case Operator::Greater:
        return order > 0;
    case Operator::LessOrEqual:
        return order <= 0;
    case Operator::GreaterOrEqual:
        return order >= 0;
    }
    return false;
}

std::string_view bytesOf(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

bool compares(const FilterExpression::Comparison& comparison, const Row& row) {
    if (comparison.field >= row.size())
        return false;
    const Value& value = row[comparison.field];
    if (const auto* number = std::get_if<std::int64_t>(&comparison.constant)) {
        if (!value.isInteger())
            return false;
        return holds(std::int64_t{value.integer()} <=> *number, comparison.op);
    }
    if (!value.isText())
        return false;
    const auto& text = std::get<QByteArray>(comparison.constant);
    // Unsigned byte order of UTF-8 is code point order.
    return holds(bytesOf(value.utf8()).compare(bytesOf(text)) <=> 0, comparison.op);
}

bool evaluate(const Node& node, const Row& row) {
    switch (node.kind) {
    case Node::Kind::Compare:
        return compares(node.comparison, row);
    case Node::Kind::And:
        return std::all_of(node.operands.begin(), node.operands.end(),
                           [&](const Node& operand) { return evaluate(operand, row); });
    case Node::Kind::Or:
        return std::any_of(node.operands.begin(), node.operands.end(),
                           [&](const Node& operand) { return evaluate(operand, row); });
    case Node::Kind::Not:
        return !evaluate(node.operands.front(), row);
    }
    return false;
}

} // namespace

FilterExpression FilterExpression::parse(QStringView text,
                                         const std::vector<FieldDefinition>& fields) {
    Parser parser(text, fields);
    return FilterExpression(parser.parseWhole());
}

bool FilterExpression::matches(const Row& row) const {
    return !m_root || evaluate(*m_root, row);
}

std::optional<FilterExpression::FieldEquality> FilterExpression::singleEquality() const {
    if (!m_root || m_root->kind != Node::Kind::Compare || m_root->comparison.op != Operator::Equal)
        return std::nullopt;
    const Comparison& comparison = m_root->comparison;
    if (const auto* text = std::get_if<QByteArray>(&comparison.constant))
        return FieldEquality{comparison.field, Value::text(*text)};
    const std::int64_t number = std::get<std::int64_t>(comparison.constant);
    if (number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        return std::nullopt; // no 32-bit field holds it; a scan finds nothing
    return FieldEquality{comparison.field, Value::integer(static_cast<std::int32_t>(number))};
}

} // namespace savrona
