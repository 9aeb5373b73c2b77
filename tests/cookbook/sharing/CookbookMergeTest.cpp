// The three-way merge of two versions of the cookbook: the cases of two computers' edits, each
// merged both ways round and merged again; the conflict titles, the summary, the numbering and
// rows no command would write.
#include "cookbook/sharing/MergeTestSupport.h"

#include "cookbook/sharing/CookbookMerge.h"
#include "cookbook/sharing/IdAssignment.h"

#include <gtest/gtest.h>

#include <limits>

using namespace savrona;
using namespace savrona::testing;

namespace {

const QString desktop = QStringLiteral("desktop 2026-12-08 10:14");
const QString laptop = QStringLiteral("laptop 2026-12-08 10:20");

CookbookRows start() {
    return {{categoryRow(1, "Soups"), categoryRow(2, "Breads")},
            {recipeRow(10, 1, "Onion Soup", "1 onion", "Boil."),
             recipeRow(11, 2, "Rye", "rye flour", "Bake.")}};
}

// The recipe replaces the one of its title, or is added.
CookbookRows with(CookbookRows rows, const Row& recipe) {
    for (Row& row : rows.recipes)
        if (cell(row, recipeColumn::title) == recipe[recipeColumn::title]) {
            row = recipe;
            return rows;
        }
    rows.recipes.push_back(recipe);
    return rows;
}

// The category replaces the one of its ID, or is added.
CookbookRows withCategory(CookbookRows rows, const Row& category) {
    for (Row& row : rows.categories)
        if (cell(row, categoryColumn::id) == category[categoryColumn::id]) {
            row = category;
            return rows;
        }
    rows.categories.push_back(category);
    return rows;
}

CookbookRows without(CookbookRows rows, const char* title) {
    std::erase_if(rows.recipes, [&](const Row& row) {
        return row[recipeColumn::title] == Value::text(QByteArray(title));
    });
    return rows;
}

// As the commands delete a category: with its recipes.
CookbookRows withoutCategory(CookbookRows rows, int id) {
    std::erase_if(rows.categories,
                  [&](const Row& row) { return row[categoryColumn::id] == Value::integer(id); });
    std::erase_if(rows.recipes, [&](const Row& row) {
        return row[recipeColumn::categoryId] == Value::integer(id);
    });
    return rows;
}

MergedCookbook merge(const CookbookRows& base, const CookbookRows& ours, const CookbookRows& theirs,
                     const QString& ourOrigin = desktop, const QString& theirOrigin = laptop) {
    return mergeCookbooks(base, {ours, ourOrigin}, {theirs, theirOrigin});
}

std::vector<QString> copyTitles(const MergeSummary& summary) {
    std::vector<QString> titles;
    for (const ConflictCopy& copy : summary.conflictCopies)
        titles.push_back(copy.title);
    return titles;
}

struct MergeCase {
    const char* name;
    CookbookRows base;
    CookbookRows ours;
    CookbookRows theirs;
    std::vector<std::string> merged;
    std::vector<QString> copies = {};
};

void PrintTo(const MergeCase& mergeCase, std::ostream* out) {
    *out << mergeCase.name;
}

const MergeCase mergeCases[] = {
    {"AddedOnBothSidesWithTheSameId",
     start(),
     with(start(), recipeRow(12, 1, "Leek Soup", "2 leeks")),
     with(start(), recipeRow(12, 2, "Spelt", "spelt flour")),
     {"1 Soups", "2 Breads", "10 Soups/Onion Soup: 1 onion | Boil.",
      "11 Breads/Rye: rye flour | Bake.", "12 Soups/Leek Soup: 2 leeks | Cook.",
      "13 Breads/Spelt: spelt flour | Cook."}},
    {"SameFieldEditedDifferently",
     start(),
     with(start(), recipeRow(10, 1, "Onion Soup", "2 onions", "Boil.")),
     with(start(), recipeRow(10, 1, "Onion Soup", "3 onions", "Boil.")),
     {"1 Soups", "2 Breads", "10 Soups/Onion Soup: 2 onions | Boil.",
      "11 Breads/Rye: rye flour | Bake.",
      "12 Soups/Onion Soup (from laptop 2026-12-08 10:20): 3 onions | Boil."},
     {"Onion Soup (from laptop 2026-12-08 10:20)"}},
    {"DifferentFieldsEdited",
     start(),
     with(start(), recipeRow(10, 1, "Onion Soup", "2 onions", "Boil.")),
     with(start(), recipeRow(10, 1, "Onion Soup", "1 onion", "Simmer.")),
     {"1 Soups", "2 Breads", "10 Soups/Onion Soup: 2 onions | Simmer.",
      "11 Breads/Rye: rye flour | Bake."}},
    {"SameEditAndDeletionOnBothSides",
     start(),
     without(with(start(), recipeRow(10, 1, "Onion Soup", "2 onions", "Boil.")), "Rye"),
     without(with(start(), recipeRow(10, 1, "Onion Soup", "2 onions", "Boil.")), "Rye"),
     {"1 Soups", "2 Breads", "10 Soups/Onion Soup: 2 onions | Boil."}},
    {"EditedAndDeleted",
     start(),
     with(start(), recipeRow(11, 2, "Rye", "dark rye", "Bake.")),
     without(start(), "Rye"),
     {"1 Soups", "2 Breads", "10 Soups/Onion Soup: 1 onion | Boil.",
      "11 Breads/Rye: dark rye | Bake."}},
    {"DeletedAndUnchanged",
     start(),
     start(),
     without(start(), "Rye"),
     {"1 Soups", "2 Breads", "10 Soups/Onion Soup: 1 onion | Boil."}},
    {"MovedAndEdited",
     start(),
     with(start(), recipeRow(10, 2, "Onion Soup", "1 onion", "Boil.")),
     with(start(), recipeRow(10, 1, "Onion Soup", "1 onion", "Simmer.")),
     {"1 Soups", "2 Breads", "10 Breads/Onion Soup: 1 onion | Simmer.",
      "11 Breads/Rye: rye flour | Bake."}},
    {"MovedToDifferentCategories",
     start(),
     with(start(), recipeRow(10, 2, "Onion Soup", "1 onion", "Boil.")),
     with(withCategory(start(), categoryRow(3, "Starters")),
          recipeRow(10, 3, "Onion Soup", "1 onion", "Boil.")),
     {"1 Soups", "2 Breads", "3 Starters", "10 Breads/Onion Soup: 1 onion | Boil.",
      "11 Breads/Rye: rye flour | Bake.",
      "12 Starters/Onion Soup (from laptop 2026-12-08 10:20): 1 onion | Boil."},
     {"Onion Soup (from laptop 2026-12-08 10:20)"}},
    {"RenamedAndEdited",
     start(),
     withCategory(start(), categoryRow(2, "Loaves")),
     with(with(start(), recipeRow(11, 2, "Rye", "dark rye", "Bake.")),
          recipeRow(12, 2, "Spelt", "spelt flour")),
     {"1 Soups", "2 Loaves", "10 Soups/Onion Soup: 1 onion | Boil.",
      "11 Loaves/Rye: dark rye | Bake.", "12 Loaves/Spelt: spelt flour | Cook."}},
    {"RenamedTheSameOnBothSides",
     start(),
     withCategory(start(), categoryRow(2, "Loaves")),
     without(withCategory(start(), categoryRow(2, "Loaves")), "Rye"),
     {"1 Soups", "2 Loaves", "10 Soups/Onion Soup: 1 onion | Boil."}},
    {"RenamedDifferentlyOnBothSides",
     start(),
     withCategory(start(), categoryRow(2, "Loaves")),
     with(withCategory(start(), categoryRow(2, "Bakery")),
          recipeRow(12, 2, "Spelt", "spelt flour")),
     {"1 Soups", "2 Bakery", "10 Soups/Onion Soup: 1 onion | Boil.",
      "11 Bakery/Rye: rye flour | Bake.", "12 Bakery/Spelt: spelt flour | Cook."}},
    {"CategoryDeletedWhileARecipeWasAdded",
     start(),
     withoutCategory(start(), 2),
     with(start(), recipeRow(12, 2, "Spelt", "spelt flour")),
     {"1 Soups", "2 Breads", "10 Soups/Onion Soup: 1 onion | Boil.",
      "12 Breads/Spelt: spelt flour | Cook."}},
    {"CategoryDeletedWhileARecipeWasEdited",
     start(),
     withoutCategory(start(), 2),
     with(start(), recipeRow(11, 2, "Rye", "dark rye", "Bake.")),
     {"1 Soups", "2 Breads", "10 Soups/Onion Soup: 1 onion | Boil.",
      "11 Breads/Rye: dark rye | Bake."}},
    {"CategoryDeletedAndUnchanged",
     start(),
     withoutCategory(start(), 2),
     start(),
     {"1 Soups", "10 Soups/Onion Soup: 1 onion | Boil."}},
    {"AddedOnOneSide",
     start(),
     start(),
     with(withCategory(start(), categoryRow(3, "Cakes")), recipeRow(12, 3, "Sponge", "4 eggs")),
     {"1 Soups", "2 Breads", "3 Cakes", "10 Soups/Onion Soup: 1 onion | Boil.",
      "11 Breads/Rye: rye flour | Bake.", "12 Cakes/Sponge: 4 eggs | Cook."}},
    {"CategoryAddedOnBothSidesUnderDifferentIds",
     start(),
     with(withCategory(start(), categoryRow(3, "Cakes")), recipeRow(12, 3, "Sponge", "4 eggs")),
     with(withCategory(withCategory(start(), categoryRow(3, "Pies")), categoryRow(4, "Cakes")),
          recipeRow(12, 4, "Tart", "pastry")),
     {"1 Soups", "2 Breads", "3 Cakes", "4 Pies", "10 Soups/Onion Soup: 1 onion | Boil.",
      "11 Breads/Rye: rye flour | Bake.", "12 Cakes/Sponge: 4 eggs | Cook.",
      "13 Cakes/Tart: pastry | Cook."}},
    {"FirstMergeWithoutBase",
     {},
     start(),
     with(with(start(), recipeRow(11, 2, "Rye", "dark rye", "Bake.")),
          recipeRow(12, 2, "Spelt", "spelt flour")),
     {"1 Soups", "2 Breads", "10 Soups/Onion Soup: 1 onion | Boil.",
      "11 Breads/Rye: dark rye | Bake.", "12 Breads/Spelt: spelt flour | Cook.",
      "13 Breads/Rye (from desktop 2026-12-08 10:14): rye flour | Bake."},
     {"Rye (from desktop 2026-12-08 10:14)"}},
};

class CookbookMerges : public ::testing::TestWithParam<MergeCase> {};

TEST_P(CookbookMerges, GiveTheSameCookbookBothWaysRound) {
    const MergeCase& mergeCase = GetParam();
    const MergedCookbook merged = merge(mergeCase.base, mergeCase.ours, mergeCase.theirs);
    const MergedCookbook swapped =
        merge(mergeCase.base, mergeCase.theirs, mergeCase.ours, laptop, desktop);
    EXPECT_EQ(lines(merged.rows), mergeCase.merged);
    EXPECT_EQ(copyTitles(merged.summary), mergeCase.copies);
    EXPECT_EQ(swapped.rows, merged.rows);
    EXPECT_EQ(swapped.summary.conflictCopies, merged.summary.conflictCopies);
    EXPECT_EQ(swapped.summary.ours, merged.summary.theirs);
    EXPECT_EQ(swapped.summary.theirs, merged.summary.ours);
}

TEST_P(CookbookMerges, ChangeNothingWhenMergedAgainWithASideUnchanged) {
    const MergeCase& mergeCase = GetParam();
    const CookbookRows merged = merge(mergeCase.base, mergeCase.ours, mergeCase.theirs).rows;
    // As the next merge on this computer, whose base is then the other side's version...
    EXPECT_EQ(lines(merge(mergeCase.theirs, merged, mergeCase.theirs).rows), lines(merged));
    // ... and, from the old base, as the other computer merges what this one wrote.
    const MergedCookbook again = merge(mergeCase.base, mergeCase.theirs, merged, laptop, desktop);
    EXPECT_EQ(lines(again.rows), lines(merged));
    EXPECT_TRUE(again.summary.conflictCopies.empty());
    EXPECT_EQ(lines(merge(mergeCase.base, merged, mergeCase.ours).rows), lines(merged));
}

INSTANTIATE_TEST_SUITE_P(TwoComputers, CookbookMerges, ::testing::ValuesIn(mergeCases),
                         [](const auto& info) { return info.param.name; });

TEST(CookbookMergeSummary, CountsTheChangesTakenFromEachSideAndListsTheCopies) {
    const CookbookRows ours =
        without(with(with(start(), recipeRow(10, 1, "Onion Soup", "2 onions", "Boil.")),
                     recipeRow(12, 1, "Leek Soup", "2 leeks")),
                "Rye");
    const CookbookRows theirs =
        withCategory(with(start(), recipeRow(10, 1, "Onion Soup", "3 onions", "Boil.")),
                     categoryRow(2, "Loaves"));
    const MergeSummary summary = merge(start(), ours, theirs).summary;
    EXPECT_EQ(summary.ours.recipes, (TakenChanges{1, 1, 1}));
    EXPECT_EQ(summary.ours.categories, (TakenChanges{}));
    EXPECT_EQ(summary.theirs.recipes, (TakenChanges{}));
    EXPECT_EQ(summary.theirs.categories, (TakenChanges{0, 1, 0}));
    EXPECT_EQ(summary.conflictCopies,
              (std::vector<ConflictCopy>{
                  {"Onion Soup (from laptop 2026-12-08 10:20)", "Onion Soup", laptop}}));
}

struct CopyTitleCase {
    const char* name;
    QString title;
    QString origin;
    QString takenTitle; // by another recipe, when not empty
    QString copyTitle;
};

void PrintTo(const CopyTitleCase& titleCase, std::ostream* out) {
    *out << titleCase.name;
}

const QString longTitle(250, u'x');

const CopyTitleCase copyTitleCases[] = {
    {"NamesTheOrigin", "Pie", laptop, {}, "Pie (from laptop 2026-12-08 10:20)"},
    {"CountsWhenTaken", "Pie", laptop, "Pie (from laptop 2026-12-08 10:20)",
     "Pie (from laptop 2026-12-08 10:20) (2)"},
    {"ShortensTheTitleToFit",
     longTitle,
     laptop,
     {},
     QString(255 - 31, u'x') + " (from laptop 2026-12-08 10:20)"},
    {"ShortensALongOriginAndKeepsItOnOneLine",
     "Pie",
     "lap\ntop" + QString(200, u'y'),
     {},
     "Pie (from lap top" + QString(93, u'y') + ")"},
};

class ConflictCopyTitles : public ::testing::TestWithParam<CopyTitleCase> {};

TEST_P(ConflictCopyTitles, NameWhereTheCopyCameFromWithinTheTitleWidth) {
    const CopyTitleCase& titleCase = GetParam();
    const QByteArray title = titleCase.title.toUtf8();
    CookbookRows base{{categoryRow(1, "Baking")}, {recipeRow(10, 1, title, "apples")}};
    if (!titleCase.takenTitle.isEmpty())
        base = with(base, recipeRow(11, 1, titleCase.takenTitle.toUtf8(), "pears"));
    const MergedCookbook merged =
        merge(base, with(base, recipeRow(10, 1, title, "plums")),
              with(base, recipeRow(10, 1, title, "quinces")), desktop, titleCase.origin);
    ASSERT_EQ(copyTitles(merged.summary), std::vector<QString>{titleCase.copyTitle});
    EXPECT_LE(titleCase.copyTitle.size(), 255);
}

INSTANTIATE_TEST_SUITE_P(Recipes, ConflictCopyTitles, ::testing::ValuesIn(copyTitleCases),
                         [](const auto& info) { return info.param.name; });

struct NumberingCase {
    const char* name;
    std::vector<IdChoice> choices;
    std::vector<std::int32_t> ids;
};

IdChoice id(std::int32_t preferred, std::vector<std::int32_t> alternatives = {}) {
    IdChoice choice{Value::integer(preferred), {}};
    for (const std::int32_t alternative : alternatives)
        choice.alternatives.push_back(Value::integer(alternative));
    return choice;
}

void PrintTo(const NumberingCase& numberingCase, std::ostream* out) {
    *out << numberingCase.name;
}

constexpr std::int32_t largest = std::numeric_limits<std::int32_t>::max();

const NumberingCase numberingCases[] = {
    {"TheFirstKeepsACollidingId", {id(1), id(1), id(2)}, {1, 3, 2}},
    {"NoNumberGetsOneAboveTheLargest", {{Value(), {}}, id(5)}, {6, 5}},
    {"AnAlternativeNoOneElseWants", {id(1), id(1, {1, 4, 3}), id(4)}, {1, 3, 4}},
    {"PastTheLargestNumberTheFreeOnesFromOne", {id(largest), id(largest), id(1)}, {largest, 2, 1}},
    {"NeverBelowOne", {id(-3), id(-3)}, {-3, 1}},
};

class RecordNumbering : public ::testing::TestWithParam<NumberingCase> {};

TEST_P(RecordNumbering, KeepsFreeIdsAndNumbersTheOthersAboveTheLargest) {
    EXPECT_EQ(assignIds(GetParam().choices), GetParam().ids);
}

INSTANTIATE_TEST_SUITE_P(Ids, RecordNumbering, ::testing::ValuesIn(numberingCases),
                         [](const auto& info) { return info.param.name; });

// Rows no command writes: short, without a title or an ID, titles and names twice, a
// CategoryID that names no category. Every recipe is kept; categories of one name are one.
CookbookRows oddRows() {
    return {{categoryRow(1, "Soups"), categoryRow(2, "Soups"), {Value::integer(3)}, {}},
            {recipeRow(10, 1, "Stew", "beef"),
             recipeRow(10, 2, "Stew", "lamb"),
             recipeRow(11, 99, "Lost", "salt"),
             {Value(), Value::integer(1), Value(), Value::text(QByteArray("no title"))},
             {Value::integer(12)},
             {}}};
}

TEST(CookbookMergeOfOddRows, KeepsEveryRecipeBothWaysRoundAndAgain) {
    const CookbookRows odd = oddRows();
    const CookbookRows edited = with(odd, recipeRow(13, 1, "Broth", "bones"));
    const CookbookRows merged = merge({}, odd, edited).rows;
    EXPECT_EQ(merged, merge({}, edited, odd, laptop, desktop).rows);
    EXPECT_EQ(merged.recipes.size(), edited.recipes.size());
    EXPECT_EQ(merged.categories.size(), 2u); // Soups, and one for the rows without a name
    EXPECT_EQ(merge(odd, merged, odd).rows, merged);
    EXPECT_EQ(merge(merged, merged, merged).rows, merged);
    const std::vector<std::string> mergedLines = lines(merged);
    EXPECT_NE(std::ranges::find(mergedLines, "11 #99/Lost: salt | Cook."), mergedLines.end());
}

} // namespace
