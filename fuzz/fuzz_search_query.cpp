// The find box's query reader and the search behind it: any text, as UTF-8 or
// as raw UTF-16 (lone surrogates included), reads into terms without failing,
// and searching a small cookbook with it finds each recipe at most once, the
// same whether the search follows the one before (taking over its terms) or
// starts afresh.

#include "FuzzChecks.h"
#include "cookbook/search/RecipeSearch.h"
#include "cookbook/search/SearchQuery.h"
#include "data/engine/Table.h"
#include "data/initial-cookbook/TableDefinitions.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>

namespace {

using namespace savrona;

Value text(const char* utf8) {
    return Value::text(QByteArray(utf8));
}

Row recipe(std::int32_t id, std::int32_t category, const char* title, const char* ingredients,
           const char* preparation) {
    return {Value::integer(id),
            Value::integer(category),
            text(title),
            text(ingredients),
            text(preparation),
            {},
            {},
            {}};
}

std::unique_ptr<Table> tableOf(TableDefinition definition, std::vector<Row> rows) {
    definition.initialPacket = Packet{definition.fields, std::move(rows)};
    return std::make_unique<Table>(std::move(definition));
}

struct Cookbook {
    std::unique_ptr<Table> categories = tableOf(
        categoriesTableDefinition(), {{Value::integer(1), Value::integer(0), text("Soups")},
                                      {Value::integer(2), Value::integer(0), text("Crème & Co")},
                                      {Value::integer(3), Value::integer(0), text("中华料理 🍜")}});
    std::unique_ptr<Table> recipes =
        tableOf(recipesTableDefinition(),
                {recipe(1, 1, "Tomato Soup", "4 tomatoes\r\nolive oil", "Simmer the tomatoes."),
                 recipe(2, 2, "Crème Brûlée", "cream\r\neggs", "Bake in a water bath."),
                 recipe(3, 3, "番茄炒蛋", "番茄\r\n鸡蛋", "炒炒炒"),
                 recipe(4, 1, "a a a b", "a a a a a a a b a a", "a b a b a b"),
                 recipe(5, 2, "Straße ½ 🍌", "oil olive oil", "Grandma's way"),
                 recipe(6, 9, "Orphan", "olive oil", "none")});
};

Cookbook& cookbook() {
    static Cookbook made;
    return made;
}

RecipeSearch& typingSearch() {
    static RecipeSearch search;
    return search;
}

std::vector<std::uint32_t> checkedResults(RecipeSearch& search, const SearchQuery& query) {
    search.update(*cookbook().categories, *cookbook().recipes);
    const SearchResults results = search.search(query);
    if (results.titleMatches > results.recipes.size())
        fuzzing::fail("more title matches than results");
    if (std::set(results.recipes.begin(), results.recipes.end()).size() != results.recipes.size())
        fuzzing::fail("a recipe found twice");
    for (const std::uint32_t number : results.recipes) {
        if (search.recipe(number).categoryRow < 0)
            fuzzing::fail("a recipe found that has no node in the tree");
    }
    if (query.isEmpty() && !results.recipes.empty())
        fuzzing::fail("a query without terms found something");
    return results.recipes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte says how to read the rest.
    const auto* rest = reinterpret_cast<const char*>(data + 1);
    QString typed;
    if (data[0] % 2 == 0) {
        typed = QString::fromUtf8(rest, qsizetype(size - 1));
    } else {
        typed.resize(qsizetype((size - 1) / 2));
        std::memcpy(typed.data(), rest, std::size_t(typed.size()) * sizeof(QChar));
    }
    // Typed as the find box sees it: the text without its last character, then whole.
    for (const QString& text : {typed.left(typed.size() - 1), typed}) {
        const SearchQuery query = SearchQuery::parse(text);
        for (const SearchTerm& term : query.terms()) {
            if (term.words.empty())
                fuzzing::fail("a term without words");
            for (const std::string& word : term.words) {
                if (word.empty() || !QByteArrayView(word).isValidUtf8())
                    fuzzing::fail("a word that is empty or not UTF-8");
            }
        }
        RecipeSearch fresh;
        if (checkedResults(typingSearch(), query) != checkedResults(fresh, query))
            fuzzing::fail("following the last search found otherwise than a fresh one");
    }
    return 0;
}
