#include "data/TableTestSupport.h"

#include "data/engine/FilterExpression.h"

#include <gtest/gtest.h>

#include <optional>

using namespace savrona;
using namespace savrona::testing;

namespace {

// ID, CategoryID, Title of the rows every case is matched against.
std::vector<Row> sampleRows() {
    std::vector<Row> rows{recipeRow(1, 10, "Apple Pie"),     recipeRow(2, 10, "apple pie"),
                          recipeRow(3, 20, "Grandma's Pie"), recipeRow(4, -5, "Cake*"),
                          recipeRow(5, 0, "Cake"),           recipeRow(6, 20, ""),
                          recipeRow(7, 30, "Éclair"),        recipeRow(8, 30, "")};
    rows[4][1] = Value(); // recipe 5 has no category
    rows[5][2] = Value(); // recipe 6 has no title
    return rows;
}

struct FilterCase {
    QString expression;
    std::vector<int> matchingIds; // when it reads
    QString message;              // when it is refused
};

void PrintTo(const FilterCase& filterCase, std::ostream* out) {
    *out << filterCase.expression.left(60).toStdString();
}

FilterCase matching(const QString& expression, std::vector<int> ids) {
    return {expression, std::move(ids), {}};
}

FilterCase refused(const QString& expression, const QString& message) {
    return {expression, {}, message};
}

class FilterReading : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterReading, MatchesOrRefuses) {
    const FilterCase& filterCase = GetParam();
    std::optional<FilterExpression> filter;
    const QString message = messageOf(
        [&] { filter.emplace(FilterExpression::parse(filterCase.expression, recipeFields())); });
    EXPECT_EQ(message, filterCase.message);
    if (!filter)
        return;
    std::vector<int> ids;
    for (const Row& row : sampleRows()) {
        if (filter->matches(row))
            ids.push_back(row[0].integer());
    }
    EXPECT_EQ(ids, filterCase.matchingIds);
}

const std::vector<int> everyRecord{1, 2, 3, 4, 5, 6, 7, 8};

INSTANTIATE_TEST_SUITE_P(Comparisons, FilterReading,
                         ::testing::Values(matching("", everyRecord), matching("   ", everyRecord),
                                           matching("ID = 1", {1}), matching("id = 1", {1}),
                                           matching("ID=3", {3}), matching("  ID  =  3  ", {3}),
                                           matching("ID <> 1", {2, 3, 4, 5, 6, 7, 8}),
                                           matching("ID < 3", {1, 2}), matching("ID <= 2", {1, 2}),
                                           matching("ID > 6", {7, 8}), matching("ID >= 7", {7, 8}),
                                           matching("CategoryID = -5", {4}),
                                           matching("CategoryID <> 10", {3, 4, 6, 7, 8}),
                                           matching("ID = 2147483647", {}),
                                           matching("ID = 99999999999", {}),
                                           matching("ID > -99999999999", everyRecord)));

INSTANTIATE_TEST_SUITE_P(
    Texts, FilterReading,
    ::testing::Values(matching("Title = 'Apple Pie'", {1}), matching("Title = 'apple pie'", {2}),
                      matching("Title = 'APPLE PIE'", {}),
                      matching("Title = 'Grandma''s Pie'", {3}), matching("Title = 'Cake*'", {4}),
                      matching("Title = 'Cake'", {5}), matching("Title = 'Ca*'", {}),
                      matching("Title = ''", {8}), matching("Title < 'B'", {1, 8}),
                      matching("Title > 'Z'", {2, 7}), matching("Title = 'Éclair'", {7}),
                      matching("Title = 'a = ''b'' OR 1 = 1'", {}),
                      matching("Title <> 'Cake'", {1, 2, 3, 4, 7, 8}),
                      matching("Ingredients = '2 eggs'", {})));

INSTANTIATE_TEST_SUITE_P(
    LogicAndNulls, FilterReading,
    ::testing::Values(matching("ID = 1 OR ID = 2 AND CategoryID = 20", {1}),
                      matching("(ID = 1 OR ID = 2) AND CategoryID = 10", {1, 2}),
                      matching("NOT ID = 1 AND NOT ID = 2", {3, 4, 5, 6, 7, 8}),
                      matching("not not ID = 1", {1}),
                      matching("ID = 1 and CategoryID = 10 or ID = 8", {1, 8}),
                      matching("((((ID = 3))))", {3}),
                      matching("NOT (CategoryID = 10)", {3, 4, 5, 6, 7, 8}),
                      matching("NOT (Title = 'Cake')", {1, 2, 3, 4, 6, 7, 8})));

INSTANTIATE_TEST_SUITE_P(
    Refusals, FilterReading,
    ::testing::Values(
        refused("Title = 'abc", "Unterminated string constant"),
        refused("Title = 'O''", "Unterminated string constant"),
        refused("Title = '''", "Unterminated string constant"),
        refused("Title = 'Grandma's Pie'", "Filter expression incorrectly terminated"),
        refused("Title = 'Rock 'n' Roll Cake'", "Filter expression incorrectly terminated"),
        refused("ID = 1 )", "Filter expression incorrectly terminated"),
        refused("ID = 1 ID = 2", "Filter expression incorrectly terminated"),
        refused("(ID = 1 ID = 2)", "Filter expression incorrectly terminated"),
        refused("(ID = 1", "Missing right parenthesis"), refused("ID =", "Missing operand"),
        refused("ID = 1 AND", "Missing operand"), refused("AND ID = 1", "Missing operand"),
        refused("()", "Missing operand"), refused("ID = )", "Missing operand"),
        refused("Nope = 1", "Field 'Nope' not found"),
        refused("ID = 1 OR 1 = 1", "Field name expected"),
        refused("'x' = Title", "Field name expected"),
        refused("ID = 'x'", "Type mismatch in expression"),
        refused("Title = 5", "Type mismatch in expression"),
        refused("ID = 12abc", "Invalid number in filter expression"),
        refused("ID = 1.5", "Invalid number in filter expression"),
        refused("ID = 99999999999999999999", "Invalid number in filter expression"),
        refused("Title LIKE 'x'", "Comparison operator expected after 'Title'"),
        refused("Title", "Comparison operator expected after 'Title'"),
        refused("ID = Title", "Quoted text or number expected"),
        refused("ID = = 1", "Quoted text or number expected"),
        refused("ID # 1", "Invalid character '#' in filter expression"),
        refused("ID = - 1", "Invalid character '-' in filter expression"),
        refused("Title = \"x\"", "Invalid character '\"' in filter expression")));

QString repeated(const QString& text, int times) {
    return text.repeated(times);
}

INSTANTIATE_TEST_SUITE_P(
    Nesting, FilterReading,
    ::testing::Values(
        matching(repeated("(", 200) + "ID = 1" + repeated(")", 200), {1}),
        refused(repeated("(", 201) + "ID = 1" + repeated(")", 201),
                "Filter expression is nested too deeply"),
        matching(repeated("NOT ", 200) + "ID = 1", {1}),
        refused(repeated("NOT ", 100000) + "ID = 1", "Filter expression is nested too deeply"),
        refused(repeated("ID = 1 AND (", 100000), "Filter expression is nested too deeply"),
        matching("ID = 2" + repeated(" OR ID = 1 AND ID = 3", 100000), {2})));

struct EqualityCase {
    QString expression;
    std::optional<std::size_t> field;
    Value constant;
};

void PrintTo(const EqualityCase& equalityCase, std::ostream* out) {
    *out << equalityCase.expression.toStdString();
}

class SingleEquality : public ::testing::TestWithParam<EqualityCase> {};

TEST_P(SingleEquality, IsRecognisedOnlyForOneEqualityComparison) {
    const auto filter = FilterExpression::parse(GetParam().expression, recipeFields());
    const auto equality = filter.singleEquality();
    ASSERT_EQ(equality.has_value(), GetParam().field.has_value());
    if (equality) {
        EXPECT_EQ(equality->field, *GetParam().field);
        EXPECT_EQ(equality->constant, GetParam().constant);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, SingleEquality,
    ::testing::Values(EqualityCase{"CategoryID = 5", 1, Value::integer(5)},
                      EqualityCase{"(Title = 'It''s')", 2, Value::text(QByteArray("It's"))},
                      EqualityCase{"ID = -2147483648", 0, Value::integer(-2147483647 - 1)},
                      EqualityCase{"ID = 2147483648", std::nullopt, {}},
                      EqualityCase{"ID = 1 AND ID = 1", std::nullopt, {}},
                      EqualityCase{"ID <= 1", std::nullopt, {}},
                      EqualityCase{"NOT ID = 1", std::nullopt, {}},
                      EqualityCase{"", std::nullopt, {}}));

} // namespace
