#pragma once

// What every recipe an import reader gives must satisfy; a breach aborts, which
// libFuzzer (or the replay driver) reports with the input.

#include "FuzzChecks.h"
#include "cookbook/exchange/formats/RecipeEntry.h"

namespace savrona::fuzzing {

// Texts as the tables hold them: UTF-8, without control characters but the
// tab and the line breaks.
inline void checkText(const QByteArray& text) {
    if (!QByteArrayView(text).isValidUtf8())
        fail("a text read is not valid UTF-8");
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if ((byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F)
            fail("a text read holds a control character");
    }
}

// Texts of several lines, separated by CR LF only. (Titles, names and the
// like are put on one line by the import plan.)
inline void checkLines(const QByteArray& text) {
    checkText(text);
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n'))
            fail("a carriage return without its line feed");
        if (text[at] == '\n' && (at == 0 || text[at - 1] != '\r'))
            fail("a line feed without its carriage return");
    }
}

inline void checkBatch(const RecipeBatch& batch) {
    for (const RecipeEntry& recipe : batch.recipes) {
        if (recipe.title.isEmpty())
            fail("a recipe without a title was given");
        if (recipe.line < 1)
            fail("a recipe without its line");
        checkText(recipe.title);
        for (const QByteArray& category : recipe.categories) {
            if (category.isEmpty())
                fail("an empty category name was given");
            checkText(category);
        }
        checkLines(recipe.ingredients);
        checkLines(recipe.preparation);
        if (recipe.servings)
            checkText(*recipe.servings);
        if (recipe.notes)
            checkText(*recipe.notes);
        if (recipe.picture)
            checkText(*recipe.picture);
    }
    // Line 0 is the file as a whole.
    for (const ImportProblem& problem : batch.problems)
        if (problem.line < (problem.kind == ImportProblem::Kind::File ? 0 : 1) ||
            problem.message.isEmpty())
            fail("a problem without its line or message");
}

} // namespace savrona::fuzzing
