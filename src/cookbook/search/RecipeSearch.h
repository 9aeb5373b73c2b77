#pragma once

// Full-text search of the cookbook: an index of every recipe's folded words, kept up to
// date with the tables, and the queries answered from it.

#include "cookbook/search/BitSet.h"
#include "cookbook/search/RecipeWords.h"
#include "cookbook/search/SearchQuery.h"
#include "cookbook/search/TextFolding.h"
#include "data/Value.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace savrona {

class Table;
class WordPattern;

// A recipe the search found, as the find window shows it and the tree holds it.
struct FoundRecipe {
    QString title;
    QString category;
    // The category's place among the categories in their index order, which is
    // the place of its node under the tree's root.
    int categoryRow = -1;
};

struct SearchResults {
    // Recipe numbers of the index (see RecipeSearch::recipe): first the recipes
    // whose title holds the whole query, then the rest, each group in the
    // recipes table's index order, the tree's order.
    std::vector<std::uint32_t> recipes;
    std::size_t titleMatches = 0;
};

// Finds recipes by the words of their title, ingredients, preparation and
// category name (SearchQuery says how a query reads; TextFolder how words
// compare). Only recipes that have a node in the tree are found: those whose
// CategoryID names a category.
//
// The index holds, for each recipe, the numbers of its words in order (so
// that phrases can be checked) and, for each word, the recipes it occurs in.
// It is built on first use, not at start-up. After that, update() costs
// nothing while the tables' revisions stay the same, as they do when a
// rebuild reopens them on their kept records; when a table changed, the
// records whose texts are the very same strings as before (shared with the
// table, not compared letter by letter) keep their entries and only new or
// changed records are read. Entries of records gone stay unused until they
// make up a quarter of the index, which is then built afresh. Many records
// at once (the first build) are read in two halves on two threads; the
// second is joined before update() returns; so are many new words, sorted
// for prefix lookups on a thread of their own.
class RecipeSearch {
public:
    RecipeSearch();
    ~RecipeSearch();
    RecipeSearch(const RecipeSearch&) = delete;
    RecipeSearch& operator=(const RecipeSearch&) = delete;

    // Brings the index up to date with both tables. Throws savrona::Error when
    // a table is closed; the index stays as it was then.
    void update(const Table& categories, const Table& recipes);
    // Answers from the index as last updated. A query without terms finds nothing.
    SearchResults search(const SearchQuery& query);
    // Valid for the numbers of the last search, until the next update.
    FoundRecipe recipe(std::uint32_t number) const;

    // False until the first update: the next one builds the whole index.
    bool isBuilt() const { return m_recipesRevision.has_value(); }
    // The recipes that can be found (those with a node in the tree).
    std::size_t findableCount() const { return m_order.size(); }
    // Memory the index holds of its own, in bytes (texts shared with the table not counted).
    std::size_t bytes() const;
    // How many records' words have been read since the index was made: what
    // keeping entries across updates saves.
    std::size_t recordsRead() const { return m_recordsRead; }

private:
    struct IndexedRecipe {
        Value title; // the texts share the table's bytes, and tell an unchanged record
        Value ingredients;
        Value preparation;
        std::optional<std::int32_t> categoryId;
        RecipeWords::Place words;
        std::uint32_t place = 0; // in m_recipesInIndexOrder
        bool live = true;
    };
    struct IndexedCategory {
        std::optional<std::int32_t> id;
        QString name;
        std::vector<std::uint8_t> words; // coded as RecipeWords codes them
    };
    struct RecipeFields;

    void updateCategories(const Table& categories);
    void updateRecipes(const Table& recipes);
    void clear();
    // Where the walk of the records stands in the order of the last one.
    struct WalkState {
        std::vector<bool> seen; // by entry
        std::size_t next = 0;   // in m_recipesInIndexOrder
    };
    std::optional<std::uint32_t> keptEntry(const RecipeFields& fields, const Row& row,
                                           WalkState& walk);
    bool isSameRecord(const IndexedRecipe& indexed, const RecipeFields& fields,
                      const Row& row) const;
    void addRecipes(const RecipeFields& fields, const std::vector<const Row*>& rows);
    void dropRecipe(std::uint32_t number);
    void findFindableRecipes();
    void sortNewWordsWhileFindingFindable();

    // What a term of the last search matched, exactly for the recipes in its
    // scope. While the user types, the next search often holds the same term
    // (a phrase already closed) or one that can match only recipes it matched
    // (the same words, the last one longer): it takes the one and looks only
    // among the recipes of the other.
    struct TermMatches {
        SearchTerm term;
        BitSet scope;
        BitSet matches;
    };

    WordPattern patternOf(const SearchTerm& term);
    BitSet termMatches(const SearchTerm& term, const BitSet& within);
    BitSet recipesMatching(const WordPattern& pattern, const BitSet& within) const;
    BitSet titlesMatching(const WordPattern& pattern, const BitSet& within) const;
    // The recipes among within that hold every word of the pattern (in their
    // title, if so asked).
    BitSet recipesWithEveryWord(const WordPattern& pattern, const BitSet& within,
                                bool inTitle) const;
    const IndexedCategory* firstCategoryWithId(std::optional<std::int32_t> id, int* row) const;

    TextFolder m_folder; // for category names
    RecipeWords m_words;
    std::vector<IndexedRecipe> m_recipes;
    std::size_t m_dropped = 0;
    std::size_t m_recordsRead = 0;
    // A record's texts, by where their bytes are, to the number of its entry:
    // open addressing, made anew at the end of every update.
    struct TextsSlot {
        std::uint64_t key = 0;
        std::uint32_t number = noEntry;
    };
    static constexpr std::uint32_t noEntry = 0xFFFFFFFF;
    void indexRecipesByTexts(const RecipeFields& fields);
    std::uint32_t recipeWithTexts(std::uint64_t key, const std::vector<bool>& seen) const;
    std::vector<TextsSlot> m_recipeByTexts;
    std::vector<std::uint32_t> m_recipesInIndexOrder; // every live entry
    std::vector<IndexedCategory> m_categories;        // in index order
    std::unordered_map<std::int32_t, std::vector<int>> m_categoryRowsById;

    // Derived from the above at every update.
    std::vector<std::uint32_t> m_order; // the findable recipes in index order
    BitSet m_findable;
    std::vector<std::vector<std::uint32_t>> m_recipesOfCategory; // by category row

    std::vector<TermMatches> m_lastTerms;

    std::optional<std::uint64_t> m_categoriesRevision;
    std::optional<std::uint64_t> m_recipesRevision;
};

} // namespace savrona
