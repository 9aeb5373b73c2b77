#pragma once

// Checks shared by the tests of the import readers, the plan and the round trips.

#include "cookbook/TestCookbook.h"
#include "cookbook/exchange/formats/RecipeEntry.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <vector>

inline void PrintTo(const QStringList& texts, std::ostream* stream) {
    *stream << '[' << texts.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace savrona::testing {

struct ExpectedRecipe {
    QString title;
    QStringList categories;
    std::optional<QString> servings;
    QString ingredients;
    QString preparation;
    std::optional<QString> notes = std::nullopt;
    std::optional<QString> picture = std::nullopt;
};

inline std::optional<QString> optionalText(const std::optional<QByteArray>& text) {
    return text ? std::optional<QString>(QString::fromUtf8(*text)) : std::nullopt;
}

inline void expectRecipes(const std::vector<RecipeEntry>& read,
                          const std::vector<ExpectedRecipe>& expected) {
    ASSERT_EQ(read.size(), expected.size());
    for (std::size_t index = 0; index < read.size(); ++index) {
        SCOPED_TRACE(expected[index].title.toStdString());
        const RecipeEntry& recipe = read[index];
        EXPECT_EQ(QString::fromUtf8(recipe.title), expected[index].title);
        QStringList categories;
        for (const QByteArray& category : recipe.categories)
            categories << QString::fromUtf8(category);
        EXPECT_EQ(categories, expected[index].categories);
        EXPECT_EQ(optionalText(recipe.servings), expected[index].servings);
        EXPECT_EQ(QString::fromUtf8(recipe.ingredients), expected[index].ingredients);
        EXPECT_EQ(QString::fromUtf8(recipe.preparation), expected[index].preparation);
        EXPECT_EQ(optionalText(recipe.notes), expected[index].notes);
        EXPECT_EQ(optionalText(recipe.picture), expected[index].picture);
    }
}

// "line: message" for each problem.
inline QStringList problemLines(const std::vector<ImportProblem>& problems) {
    QStringList lines;
    for (const ImportProblem& problem : problems)
        lines << QStringLiteral("%1: %2").arg(problem.line).arg(problem.message);
    return lines;
}

} // namespace savrona::testing
