#pragma once

// What every recipe an import reader gives must satisfy; a breach aborts, which
// libFuzzer (or the replay driver) reports with the input.

#include "FuzzChecks.h"
#include "RecipeEntry.h"

namespace savrona::fuzzing {

// Texts as the tables hold them: UTF-8, lines separated by CR LF only.
inline void checkStoredText(const QByteArray& text, bool oneLine) {
    if (!QByteArrayView(text).isValidUtf8())
        fail("a text read is not valid UTF-8");
    for (qsizetype at = 0; at < text.size(); ++at) {
        const bool carriageReturn = text[at] == '\r';
        const bool lineFeed = text[at] == '\n';
        if ((carriageReturn || lineFeed) && oneLine)
            fail("a one-line text holds a line break");
        if (carriageReturn && (at + 1 == text.size() || text[at + 1] != '\n'))
            fail("a carriage return without its line feed");
        if (lineFeed && (at == 0 || text[at - 1] != '\r'))
            fail("a line feed without its carriage return");
    }
}

inline void checkBatch(const RecipeBatch& batch, bool titlesOnOneLine) {
    for (const RecipeEntry& recipe : batch.recipes) {
        if (recipe.title.isEmpty())
            fail("a recipe without a title was given");
        if (recipe.line < 1)
            fail("a recipe without its line");
        checkStoredText(recipe.title, titlesOnOneLine);
        for (const QByteArray& category : recipe.categories) {
            if (category.trimmed().isEmpty())
                fail("an empty category name was given");
            checkStoredText(category, titlesOnOneLine);
        }
        checkStoredText(recipe.ingredients, false);
        checkStoredText(recipe.preparation, false);
        if (recipe.servings)
            checkStoredText(*recipe.servings, false);
        if (recipe.notes)
            checkStoredText(*recipe.notes, false);
    }
    for (const ImportProblem& problem : batch.problems)
        if (problem.line < 1 || problem.message.isEmpty())
            fail("a problem without its line or message");
}

} // namespace savrona::fuzzing
