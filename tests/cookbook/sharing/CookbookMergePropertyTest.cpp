// Random edits on two or three computers that share one data folder, written in a random
// order, now and then two at once: each writer merges its version with the folder's, then
// every computer merges the folder's last version with its own. Every merge must give the same
// rows both ways round, all computers must end with the same cookbook, whatever the order of
// two, and no computer's work may be lost.
#include "cookbook/sharing/MergeTestSupport.h"

#include "cookbook/sharing/CookbookMerge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <set>

using namespace savrona;
using namespace savrona::testing;

namespace {

// Few titles, names and texts, so that the computers' edits often meet.
const std::vector<QByteArray> titles{"Pancakes", "Waffles", "Soup", "Stew",
                                     "Bread",    "Cake",    "Pie",  "Salad"};
const std::vector<QByteArray> names{"Breakfast", "Dinner", "Baking", "Sweets", "Quick"};
const std::vector<QByteArray> texts{"egg", "2 eggs", "flour", "milk"};

// One computer's edits as the commands make them: titles and names unique, a new record
// numbered one above the largest ID, a renamed category keeping its ID, a deleted category
// taking its recipes along.
class RandomEdits {
public:
    explicit RandomEdits(std::mt19937& random) : m_random(random) {}

    CookbookRows cookbook() {
        CookbookRows rows;
        for (int count = 1 + pick(3); count > 0; --count)
            addCategory(rows);
        for (int count = pick(6); count > 0; --count)
            addRecipe(rows);
        return rows;
    }

    CookbookRows edited(CookbookRows rows) {
        for (int count = 1 + pick(4); count > 0; --count)
            edit(rows);
        return rows;
    }

private:
    void edit(CookbookRows& rows) {
        switch (pick(10)) {
        case 0:
        case 1:
            return addRecipe(rows);
        case 2:
        case 3:
            return editText(rows);
        case 4:
            return moveRecipe(rows);
        case 5:
            return retitleRecipe(rows);
        case 6:
            return deleteRecipe(rows);
        case 7:
            return addCategory(rows);
        case 8:
            return renameCategory(rows);
        default:
            return deleteCategory(rows);
        }
    }

    void addRecipe(CookbookRows& rows) {
        const auto title = unused(titles, rows.recipes, recipeColumn::title);
        if (!title || rows.categories.empty())
            return;
        Row recipe{Value::integer(nextId(rows.recipes)), anyOf(rows.categories).front(),
                   Value::text(*title)};
        for (std::size_t column = recipeColumn::firstText; column < recipeColumn::count; ++column)
            recipe.push_back(randomText());
        rows.recipes.push_back(std::move(recipe));
    }

    void editText(CookbookRows& rows) {
        if (!rows.recipes.empty())
            anyOf(rows.recipes)[recipeColumn::firstText + pick(5)] = randomText();
    }

    void moveRecipe(CookbookRows& rows) {
        if (!rows.recipes.empty())
            anyOf(rows.recipes)[recipeColumn::categoryId] = anyOf(rows.categories).front();
    }

    void retitleRecipe(CookbookRows& rows) {
        if (const auto title = unused(titles, rows.recipes, recipeColumn::title);
            title && !rows.recipes.empty())
            anyOf(rows.recipes)[recipeColumn::title] = Value::text(*title);
    }

    void deleteRecipe(CookbookRows& rows) {
        if (!rows.recipes.empty())
            rows.recipes.erase(rows.recipes.begin() + pick(int(rows.recipes.size())));
    }

    void addCategory(CookbookRows& rows) {
        if (const auto name = unused(names, rows.categories, categoryColumn::name))
            rows.categories.push_back(
                {Value::integer(nextId(rows.categories)), Value::integer(0), Value::text(*name)});
    }

    void renameCategory(CookbookRows& rows) {
        if (const auto name = unused(names, rows.categories, categoryColumn::name);
            name && !rows.categories.empty())
            anyOf(rows.categories)[categoryColumn::name] = Value::text(*name);
    }

    void deleteCategory(CookbookRows& rows) {
        if (rows.categories.size() < 2)
            return;
        const auto category = rows.categories.begin() + pick(int(rows.categories.size()));
        const Value id = category->front();
        rows.categories.erase(category);
        std::erase_if(rows.recipes,
                      [&](const Row& row) { return row[recipeColumn::categoryId] == id; });
    }

    std::optional<QByteArray> unused(const std::vector<QByteArray>& pool,
                                     const std::vector<Row>& rows, std::size_t column) {
        std::vector<QByteArray> free;
        for (const QByteArray& text : pool)
            if (std::ranges::none_of(
                    rows, [&](const Row& row) { return row[column] == Value::text(text); }))
                free.push_back(text);
        if (free.empty())
            return std::nullopt;
        return free[std::size_t(pick(int(free.size())))];
    }

    Value randomText() {
        const int choice = pick(int(texts.size()) + 1);
        return choice == int(texts.size()) ? Value() : Value::text(texts[std::size_t(choice)]);
    }

    static std::int32_t nextId(const std::vector<Row>& rows) {
        std::int32_t largest = 0;
        for (const Row& row : rows)
            largest = std::max(largest, row.front().integer());
        return largest + 1;
    }

    Row& anyOf(std::vector<Row>& rows) { return rows[std::size_t(pick(int(rows.size())))]; }

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }

    std::mt19937& m_random;
};

void expectSameRows(const CookbookRows& actual, const CookbookRows& expected, const char* what) {
    if (actual != expected)
        ADD_FAILURE() << what << ":\n"
                      << ::testing::PrintToString(lines(actual)) << "\ninstead of\n"
                      << ::testing::PrintToString(lines(expected));
}

CookbookRows mergedBothWays(const CookbookRows& base, const CookbookVersion& ours,
                            const CookbookVersion& theirs) {
    const CookbookRows merged = mergeCookbooks(base, ours, theirs).rows;
    expectSameRows(mergeCookbooks(base, theirs, ours).rows, merged, "sides swapped");
    return merged;
}

// A computer's cookbook, and the last version of the folder's file it holds: the base of its
// next merge, as the version it shares with the folder.
struct Computer {
    CookbookVersion own;
    CookbookRows base;
};

// The folder's file, written by one computer after another or by two at once.
class SharedFolder {
public:
    explicit SharedFolder(CookbookRows start) : m_file{std::move(start), "start"} {}

    void write(Computer& computer) {
        m_file = {mergedBothWays(computer.base, computer.own, m_file), computer.own.origin};
        holdFile(computer);
    }

    // Both merge with the same file and write: the sync engine keeps the second one's as a
    // conflict file, which the first merges with its own from the file both merged with.
    void writeAtOnce(Computer& first, Computer& second) {
        const CookbookVersion firstMerged{mergedBothWays(first.base, first.own, m_file),
                                          first.own.origin};
        const CookbookVersion secondMerged{mergedBothWays(second.base, second.own, m_file),
                                           second.own.origin};
        m_file = {mergedBothWays(m_file.rows, firstMerged, secondMerged), first.own.origin};
        holdFile(first);
        holdFile(second);
    }

    // What the computer holds after merging the file's last version into its own.
    CookbookRows read(const Computer& computer) const {
        return mergeCookbooks(computer.base, computer.own, m_file).rows;
    }

    const CookbookRows& file() const { return m_file.rows; }

private:
    void holdFile(Computer& computer) const {
        computer.own.rows = m_file.rows;
        computer.base = m_file.rows;
    }

    CookbookVersion m_file;
};

// The computers write in this order, now and then two at once; then each reads the folder.
CookbookRows synced(const CookbookRows& start, std::vector<Computer> computers,
                    std::mt19937& random) {
    SharedFolder folder(start);
    for (std::size_t next = 0; next < computers.size();) {
        if (next + 1 < computers.size() && random() % 3 == 0) {
            folder.writeAtOnce(computers[next], computers[next + 1]);
            next += 2;
        } else {
            folder.write(computers[next++]);
        }
    }
    for (const Computer& computer : computers)
        expectSameRows(folder.read(computer), folder.file(), "read again");
    return folder.file();
}

bool holdsValue(const CookbookRows& rows, const Value& title, std::size_t column,
                const Value& value) {
    const QByteArray copyPrefix = title.utf8() + " (from ";
    return std::ranges::any_of(rows.recipes, [&](const Row& row) {
        const Value& rowTitle = row[recipeColumn::title];
        return (rowTitle == title || rowTitle.utf8().startsWith(copyPrefix)) &&
               row[column] == value;
    });
}

// Every recipe the computer added or changed is there, under its title or a copy's, with the
// texts it changed; every category it added under a new name is there. (The commands number
// a new category above the largest ID, so a category whose ID the start has was renamed: its
// name may give way to another rename of it.)
void expectNothingLost(const CookbookRows& start, const CookbookRows& edited,
                       const CookbookRows& result) {
    for (const Row& recipe : edited.recipes) {
        const auto before = std::ranges::find_if(start.recipes, [&](const Row& row) {
            return row[recipeColumn::title] == recipe[recipeColumn::title];
        });
        for (std::size_t column = recipeColumn::firstText; column < recipeColumn::count; ++column) {
            if (before == start.recipes.end() || (*before)[column] != recipe[column]) {
                EXPECT_TRUE(holdsValue(result, recipe[recipeColumn::title], column, recipe[column]))
                    << "lost " << textOf(recipe[recipeColumn::title]) << " column " << column;
            }
        }
    }
    for (const Row& category : edited.categories) {
        const auto sameId = [&](const Row& row) {
            return row[categoryColumn::id] == category[categoryColumn::id];
        };
        const auto named = [&](const Row& row) {
            return row[categoryColumn::name] == category[categoryColumn::name];
        };
        if (std::ranges::none_of(start.categories, named) &&
            std::ranges::none_of(start.categories, sameId)) {
            EXPECT_TRUE(std::ranges::any_of(result.categories, named))
                << "lost category " << textOf(category[categoryColumn::name]);
        }
    }
}

// Unique IDs, titles and names, and every recipe in a category.
void expectWellFormed(const CookbookRows& rows) {
    std::set<std::int32_t> categoryIds;
    std::set<QByteArray> names;
    for (const Row& category : rows.categories) {
        EXPECT_TRUE(categoryIds.insert(category[categoryColumn::id].integer()).second);
        EXPECT_TRUE(names.insert(category[categoryColumn::name].utf8()).second);
    }
    std::set<std::int32_t> recipeIds;
    std::set<QByteArray> recipeTitles;
    for (const Row& recipe : rows.recipes) {
        EXPECT_TRUE(recipeIds.insert(recipe[recipeColumn::id].integer()).second);
        EXPECT_TRUE(recipeTitles.insert(recipe[recipeColumn::title].utf8()).second);
        EXPECT_TRUE(categoryIds.contains(recipe[recipeColumn::categoryId].integer()));
    }
}

TEST(CookbookMergeBetweenComputers, AllEndWithOneCookbookAndNothingLost) {
    std::mt19937 random(20261208);
    RandomEdits edits(random);
    for (int iteration = 0; iteration < 200; ++iteration) {
        SCOPED_TRACE(iteration);
        const CookbookRows start = edits.cookbook();
        std::vector<Computer> computers;
        for (int number = 1; number <= 2 + iteration % 2; ++number)
            computers.push_back(
                {{edits.edited(start), QStringLiteral("pc%1 2026-12-08").arg(number)}, start});
        std::ranges::shuffle(computers, random);
        const CookbookRows result = synced(start, computers, random);
        for (const Computer& computer : computers)
            expectNothingLost(start, computer.own.rows, result);
        expectWellFormed(result);
        if (computers.size() == 2) {
            std::ranges::reverse(computers);
            expectSameRows(synced(start, computers, random), result, "other order");
        }
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace
