// The recipe search index: kept up to date with the tables record by record, and the
// queries answered from it with sets of bits.
#include "cookbook/search/RecipeSearch.h"

#include "cookbook/CookbookFields.h"
#include "cookbook/search/WordPattern.h"
#include "data/engine/Table.h"

#include <algorithm>
#include <exception>
#include <future>
#include <thread>

namespace savrona {

namespace {

std::optional<std::size_t> fieldPosition(const std::vector<FieldDefinition>& fields,
                                         const QString& name) {
    for (std::size_t position = 0; position < fields.size(); ++position)
        if (fields[position].name.compare(name, Qt::CaseInsensitive) == 0)
            return position;
    return std::nullopt;
}

const Value& valueAt(const Row& row, std::optional<std::size_t> position) {
    static const Value null;
    return position && *position < row.size() ? row[*position] : null;
}

std::optional<std::int32_t> integerOf(const Value& value) {
    if (value.isInteger())
        return value.integer();
    return std::nullopt;
}

// Where a text's bytes are: the same place means the same text, as long as
// the index holds the text too, so that its bytes cannot be freed and reused.
std::uintptr_t placeOf(const Value& value) {
    return value.isText() ? reinterpret_cast<std::uintptr_t>(value.utf8().constData()) : 0;
}

bool isSameText(const Value& left, const Value& right) {
    return left.isText() == right.isText() && placeOf(left) == placeOf(right);
}

// True when every recipe that holds term holds earlier too: the same words,
// where earlier's last word, if a prefix, may have grown, and maybe more words.
bool canOnlyNarrow(const SearchTerm& term, const SearchTerm& earlier) {
    const std::size_t last = earlier.words.size() - 1;
    if (term.words.size() < earlier.words.size() ||
        !std::equal(earlier.words.begin(), earlier.words.begin() + std::ptrdiff_t(last),
                    term.words.begin()))
        return false;
    if (earlier.lastWordIsPrefix)
        return term.words[last].starts_with(earlier.words[last]);
    const bool widened = term.words.size() == earlier.words.size() && term.lastWordIsPrefix;
    return term.words[last] == earlier.words[last] && !widened;
}

std::uint64_t mix(std::uint64_t value) {
    value ^= value >> 33;
    value *= 0xFF51AFD7ED558CCDULL;
    value ^= value >> 33;
    value *= 0xC4CEB9FE1A85EC53ULL;
    return value ^ (value >> 33);
}

// Below this many new records a second thread is not worth starting.
constexpr std::size_t recordsForTwoThreads = 8192;
// Below this many new words sorting them on a thread of their own is not worth it.
constexpr std::size_t wordsForSortingApart = 8192;

QString textOf(const Value& value) {
    if (value.isText())
        return value.toQString();
    if (value.isInteger())
        return QString::number(value.integer());
    return QString();
}

// The rows, their values and their texts lie apart in memory, each reached
// through the one before: they are fetched into the cache a few records
// before they are read, each a step after the one it is reached through.
void fetchRowsAhead(const std::vector<const Row*>& rows, std::size_t index, std::size_t end) {
    constexpr std::size_t valuesAhead = 4;
    if (index + 2 * valuesAhead < end)
        __builtin_prefetch(rows[index + 2 * valuesAhead]);
    if (index + valuesAhead < end)
        __builtin_prefetch(rows[index + valuesAhead]->data());
}

void fetchAhead(const std::vector<const Row*>& rows, const auto& fields, std::size_t index,
                std::size_t end) {
    fetchRowsAhead(rows, index, end);
    if (index + 1 < end) {
        const Row& next = *rows[index + 1];
        for (const auto field : {fields.title, fields.ingredients, fields.preparation}) {
            const Value& value = valueAt(next, field);
            if (value.isText())
                __builtin_prefetch(value.utf8().constData());
        }
    }
}

} // namespace

struct RecipeSearch::RecipeFields {
    std::optional<std::size_t> title;
    std::optional<std::size_t> ingredients;
    std::optional<std::size_t> preparation;
    std::optional<std::size_t> categoryId;

    std::uint64_t keyOf(const Row& row) const {
        return keyOfTexts(valueAt(row, title), valueAt(row, ingredients),
                          valueAt(row, preparation));
    }
    static std::uint64_t keyOfTexts(const Value& title, const Value& ingredients,
                                    const Value& preparation) {
        return mix(placeOf(title)) ^ mix(placeOf(ingredients) + 1) ^ mix(placeOf(preparation) + 2);
    }
};

RecipeSearch::RecipeSearch() = default;
RecipeSearch::~RecipeSearch() = default;

// --- Keeping up with the tables ---------------------------------------------

void RecipeSearch::update(const Table& categories, const Table& recipes) {
    // Both first, so that a closed table changes nothing.
    const std::uint64_t categoriesRevision = categories.revision();
    const std::uint64_t recipesRevision = recipes.revision();
    const bool categoriesChanged = categoriesRevision != m_categoriesRevision;
    const bool recipesChanged = recipesRevision != m_recipesRevision;
    if (!categoriesChanged && !recipesChanged)
        return;
    // Many entries unused: a fresh index is smaller and as quick to build.
    const bool fresh = recipesChanged && m_dropped * 4 > m_recipesInIndexOrder.size() + 4096;
    if (fresh)
        clear();
    // Recipes first: the words met first take the shortest codes, and the
    // words of recipes are met far more often than those of category names.
    if (recipesChanged)
        updateRecipes(recipes);
    if (categoriesChanged || fresh)
        updateCategories(categories);
    sortNewWordsWhileFindingFindable();
    m_lastTerms.clear();
    m_categoriesRevision = categoriesRevision;
    m_recipesRevision = recipesRevision;
}

// Many new words (the first build) are sorted on a thread of their own.
void RecipeSearch::sortNewWordsWhileFindingFindable() {
    SearchVocabulary& vocabulary = m_words.vocabulary();
    if (vocabulary.unsortedCount() < wordsForSortingApart) {
        findFindableRecipes();
        vocabulary.sortNewWords();
        return;
    }
    auto sorted = std::async(std::launch::async, [&vocabulary] { vocabulary.sortNewWords(); });
    findFindableRecipes();
    sorted.get();
}

void RecipeSearch::clear() {
    m_words = RecipeWords();
    m_recipes = {};
    m_dropped = 0;
    m_recipeByTexts = {};
    m_recipesInIndexOrder = {};
}

void RecipeSearch::updateCategories(const Table& categories) {
    const auto& fields = categories.fields();
    const auto idField = fieldPosition(fields, field::id);
    const auto nameField = fieldPosition(fields, field::category);
    m_categories.clear();
    m_categoryRowsById.clear();
    categories.forEachRecord([&](const Row& row) {
        IndexedCategory category;
        category.id = integerOf(valueAt(row, idField));
        category.name = textOf(valueAt(row, nameField));
        const QByteArray name = category.name.toUtf8();
        m_folder.forEachWord(std::string_view(name.constData(), std::size_t(name.size())),
                             [&](std::string_view word) {
                                 RecipeWords::appendNumber(category.words,
                                                           m_words.vocabulary().add(word));
                             });
        if (category.id)
            m_categoryRowsById[*category.id].push_back(static_cast<int>(m_categories.size()));
        m_categories.push_back(std::move(category));
    });
}

void RecipeSearch::updateRecipes(const Table& recipes) {
    const auto& fields = recipes.fields();
    const RecipeFields positions{
        fieldPosition(fields, field::title), fieldPosition(fields, field::ingredients),
        fieldPosition(fields, field::preparation), fieldPosition(fields, field::categoryId)};
    WalkState walk{std::vector<bool>(m_recipes.size(), false), 0};
    std::vector<std::uint32_t> inIndexOrder;
    inIndexOrder.reserve(m_recipesInIndexOrder.size() + 16);
    // The rows are listed first, so that each can be fetched ahead of its turn.
    std::vector<const Row*> rows;
    rows.reserve(m_recipesInIndexOrder.size() + 16);
    recipes.forEachRecord([&rows](const Row& row) { rows.push_back(&row); });
    std::vector<const Row*> added;
    const bool fresh = m_recipes.empty();
    for (std::size_t index = 0; index < rows.size(); ++index) {
        fetchRowsAhead(rows, index, rows.size());
        const Row& row = *rows[index];
        if (const auto kept = fresh ? std::nullopt : keptEntry(positions, row, walk)) {
            inIndexOrder.push_back(*kept);
            continue;
        }
        inIndexOrder.push_back(static_cast<std::uint32_t>(m_recipes.size() + added.size()));
        added.push_back(&row);
    }
    addRecipes(positions, added);
    for (std::uint32_t number = 0; number < walk.seen.size(); ++number) {
        if (!walk.seen[number] && m_recipes[number].live)
            dropRecipe(number);
    }
    m_recipesInIndexOrder = std::move(inIndexOrder);
    for (std::size_t place = 0; place < m_recipesInIndexOrder.size(); ++place)
        m_recipes[m_recipesInIndexOrder[place]].place = static_cast<std::uint32_t>(place);
    indexRecipesByTexts(positions);
}

void RecipeSearch::indexRecipesByTexts(const RecipeFields& fields) {
    std::size_t size = 1024;
    while (size < m_recipesInIndexOrder.size() * 2)
        size *= 2;
    m_recipeByTexts.assign(size, TextsSlot{});
    // The keys first, so that each slot can be fetched ahead of its turn.
    std::vector<std::uint64_t> keys;
    keys.reserve(m_recipesInIndexOrder.size());
    for (const std::uint32_t number : m_recipesInIndexOrder) {
        const IndexedRecipe& recipe = m_recipes[number];
        keys.push_back(fields.keyOfTexts(recipe.title, recipe.ingredients, recipe.preparation));
    }
    constexpr std::size_t slotsAhead = 8;
    for (std::size_t index = 0; index < keys.size(); ++index) {
        if (index + slotsAhead < keys.size())
            __builtin_prefetch(&m_recipeByTexts[keys[index + slotsAhead] & (size - 1)]);
        const std::uint64_t key = keys[index];
        const std::uint32_t number = m_recipesInIndexOrder[index];
        std::size_t slot = key & (size - 1);
        while (m_recipeByTexts[slot].number != noEntry)
            slot = (slot + 1) & (size - 1);
        m_recipeByTexts[slot] = {key, number};
    }
}

// The first entry of that key not seen yet in this walk: records whose texts
// share their bytes (empty ones, say) have the same key.
std::uint32_t RecipeSearch::recipeWithTexts(std::uint64_t key,
                                            const std::vector<bool>& seen) const {
    if (m_recipeByTexts.empty())
        return noEntry;
    const std::size_t mask = m_recipeByTexts.size() - 1;
    for (std::size_t slot = key & mask;; slot = (slot + 1) & mask) {
        const TextsSlot& entry = m_recipeByTexts[slot];
        if (entry.number == noEntry)
            return noEntry;
        if (entry.key == key && entry.number < seen.size() && !seen[entry.number])
            return entry.number;
    }
}

// The entry of a record that has not changed since the index last saw it.
// Records mostly come in the order of the last walk, so the entry after the
// last one found is tried first; the hash of the texts' places finds the
// rest, and the walk goes on from there.
std::optional<std::uint32_t> RecipeSearch::keptEntry(const RecipeFields& fields, const Row& row,
                                                     WalkState& walk) {
    std::optional<std::uint32_t> found;
    if (walk.next < m_recipesInIndexOrder.size()) {
        const std::uint32_t expected = m_recipesInIndexOrder[walk.next];
        if (!walk.seen[expected] && isSameRecord(m_recipes[expected], fields, row))
            found = expected;
    }
    if (!found) {
        const std::uint32_t known = recipeWithTexts(fields.keyOf(row), walk.seen);
        if (known == noEntry || !isSameRecord(m_recipes[known], fields, row))
            return std::nullopt;
        found = known;
    }
    IndexedRecipe& indexed = m_recipes[*found];
    walk.seen[*found] = true;
    walk.next = indexed.place + 1;
    // A move to another category changes no words.
    indexed.categoryId = integerOf(valueAt(row, fields.categoryId));
    return found;
}

bool RecipeSearch::isSameRecord(const IndexedRecipe& indexed, const RecipeFields& fields,
                                const Row& row) const {
    return indexed.live && isSameText(indexed.title, valueAt(row, fields.title)) &&
           isSameText(indexed.ingredients, valueAt(row, fields.ingredients)) &&
           isSameText(indexed.preparation, valueAt(row, fields.preparation));
}

// Many new records (the first build) are read in two halves, the second on a
// thread of its own into a store of its own, which is then appended. The
// first few records are read before the second thread starts, which takes
// their words over: the words most recipes share are then numbered alike in
// both stores. The halves split at a multiple of 32 recipes, so that the
// bits of a word's recipes are appended word by word. Each thread fills the
// entries of its own half.
void RecipeSearch::addRecipes(const RecipeFields& fields, const std::vector<const Row*>& rows) {
    const auto first = static_cast<std::uint32_t>(m_recipes.size());
    const std::size_t count = rows.size();
    m_recipes.resize(first + count);
    const auto addRows = [&](RecipeWords& words, std::size_t from, std::size_t to,
                             std::size_t numberedFrom) {
        for (std::size_t index = from; index < to; ++index) {
            fetchAhead(rows, fields, index, to);
            const Row& row = *rows[index];
            IndexedRecipe& recipe = m_recipes[first + index];
            recipe.title = valueAt(row, fields.title);
            recipe.ingredients = valueAt(row, fields.ingredients);
            recipe.preparation = valueAt(row, fields.preparation);
            recipe.categoryId = integerOf(valueAt(row, fields.categoryId));
            const auto number = static_cast<std::uint32_t>(first + index - numberedFrom);
            recipe.words = words.add(number, recipe.title, recipe.ingredients, recipe.preparation);
        }
    };
    const bool twoThreads =
        count >= recordsForTwoThreads && std::thread::hardware_concurrency() > 1;
    const std::size_t startingRecords = twoThreads ? 512 : 0;
    // The second thread starts after the starting records: the first reads
    // as many more as it reads meanwhile.
    const std::size_t half =
        twoThreads ? (first + (count + startingRecords) / 2 + 31) / 32 * 32 - first : count;
    // About 250 bytes of words for a recipe of a thousand letters; a few
    // records added later take the vector's own growth.
    if (first == 0 || twoThreads)
        m_words.reserve(m_words.codedBytes() + count * 256);
    addRows(m_words, 0, startingRecords, 0);
    RecipeWords secondHalf;
    std::exception_ptr failure;
    std::thread worker;
    if (twoThreads) {
        secondHalf.startWithWordsOf(m_words);
        worker = std::thread([&] {
            try {
                // The second half's store numbers its recipes from 0.
                secondHalf.reserve((count - half) * 256);
                addRows(secondHalf, half, count, first + half);
            } catch (...) {
                failure = std::current_exception();
            }
        });
    }
    {
        // The worker is joined however this thread leaves.
        struct Joiner {
            std::thread& thread;
            ~Joiner() {
                if (thread.joinable())
                    thread.join();
            }
        } joiner{worker};
        addRows(m_words, startingRecords, half, 0);
    }
    if (failure)
        std::rethrow_exception(failure);
    if (twoThreads) {
        std::vector<RecipeWords::Place> places;
        places.reserve(count - half);
        for (std::size_t index = half; index < count; ++index)
            places.push_back(m_recipes[first + index].words);
        m_words.append(std::move(secondHalf), static_cast<std::uint32_t>(first + half), places);
        for (std::size_t index = half; index < count; ++index)
            m_recipes[first + index].words = places[index - half];
    }
    m_recordsRead += count;
    m_words.forgetRepeatedLines();
    if (first == 0)
        m_words.shrinkToFit();
}

void RecipeSearch::dropRecipe(std::uint32_t number) {
    IndexedRecipe& recipe = m_recipes[number];
    recipe.live = false;
    // Lets go of the table's old texts.
    recipe.title = recipe.ingredients = recipe.preparation = Value();
    ++m_dropped;
}

void RecipeSearch::findFindableRecipes() {
    m_order.clear();
    m_findable = BitSet(m_recipes.size());
    m_recipesOfCategory.assign(m_categories.size(), {});
    for (const std::uint32_t number : m_recipesInIndexOrder) {
        const auto& categoryId = m_recipes[number].categoryId;
        if (!categoryId)
            continue;
        const auto rows = m_categoryRowsById.find(*categoryId);
        if (rows == m_categoryRowsById.end())
            continue;
        m_order.push_back(number);
        m_findable.set(number);
        for (const int row : rows->second)
            m_recipesOfCategory[static_cast<std::size_t>(row)].push_back(number);
    }
}

// --- Answering a query -----------------------------------------------------

WordPattern RecipeSearch::patternOf(const SearchTerm& term) {
    std::vector<WordMatcher> words;
    words.reserve(term.words.size());
    for (std::size_t index = 0; index < term.words.size(); ++index) {
        const std::string& word = term.words[index];
        SearchVocabulary& vocabulary = m_words.vocabulary();
        if (term.lastWordIsPrefix && index + 1 == term.words.size())
            words.push_back(WordMatcher::prefix(vocabulary.startingWith(word), vocabulary.size()));
        else
            words.push_back(WordMatcher::exact(vocabulary.find(word)));
    }
    return WordPattern(std::move(words));
}

SearchResults RecipeSearch::search(const SearchQuery& query) {
    SearchResults results;
    if (query.isEmpty())
        return results;
    // Single words first: they narrow the recipes whose words a phrase must
    // read; exclusions last.
    std::vector<const SearchTerm*> terms;
    for (const SearchTerm& term : query.terms())
        terms.push_back(&term);
    std::stable_partition(terms.begin(), terms.end(), [](const SearchTerm* term) {
        return !term->excluded && !term->isPhrase();
    });
    std::stable_partition(terms.begin(), terms.end(),
                          [](const SearchTerm* term) { return !term->excluded; });

    std::vector<TermMatches> evaluated;
    std::vector<WordPattern> included;
    BitSet found = m_findable;
    for (const SearchTerm* term : terms) {
        if (found.none())
            break;
        TermMatches entry{*term, found, termMatches(*term, found)};
        if (term->excluded) {
            found.remove(entry.matches);
        } else {
            found.intersectWith(entry.matches);
            included.push_back(patternOf(*term));
        }
        evaluated.push_back(std::move(entry));
    }
    m_lastTerms = std::move(evaluated);

    BitSet inTitle = found;
    for (const WordPattern& pattern : included) {
        if (inTitle.none())
            break;
        inTitle.intersectWith(titlesMatching(pattern, inTitle));
    }

    std::vector<std::uint32_t> others;
    results.recipes.reserve(found.count());
    others.reserve(found.count());
    for (const std::uint32_t number : m_order) {
        if (!found.test(number))
            continue;
        if (inTitle.test(number))
            results.recipes.push_back(number);
        else
            others.push_back(number);
    }
    results.titleMatches = results.recipes.size();
    results.recipes.insert(results.recipes.end(), others.begin(), others.end());
    return results;
}

BitSet RecipeSearch::termMatches(const SearchTerm& term, const BitSet& within) {
    for (const TermMatches& known : m_lastTerms) {
        if (known.term == term && within.isSubsetOf(known.scope))
            return known.matches;
    }
    for (const TermMatches& known : m_lastTerms) {
        if (canOnlyNarrow(term, known.term) && within.isSubsetOf(known.scope)) {
            BitSet candidates = within;
            candidates.intersectWith(known.matches);
            return recipesMatching(patternOf(term), candidates);
        }
    }
    return recipesMatching(patternOf(term), within);
}

// The recipes, among those within, that hold the pattern in a text or in
// their category's name; a few others may be set too.
BitSet RecipeSearch::recipesMatching(const WordPattern& pattern, const BitSet& within) const {
    BitSet matching = recipesWithEveryWord(pattern, within, false);
    if (pattern.words().size() > 1) {
        BitSet phrases(m_recipes.size());
        matching.forEach([&](std::size_t number) {
            if (pattern.occursIn(m_words.bytesOf(m_recipes[number].words)))
                phrases.set(number);
        });
        matching = std::move(phrases);
    }
    if (pattern.matchesNothing())
        return matching;
    for (std::size_t row = 0; row < m_categories.size(); ++row) {
        if (!pattern.occursIn(m_categories[row].words))
            continue;
        for (const std::uint32_t number : m_recipesOfCategory[row])
            matching.set(number);
    }
    return matching;
}

BitSet RecipeSearch::titlesMatching(const WordPattern& pattern, const BitSet& within) const {
    BitSet matching = recipesWithEveryWord(pattern, within, true);
    if (pattern.words().size() == 1)
        return matching;
    BitSet phrases(m_recipes.size());
    matching.forEach([&](std::size_t number) {
        if (pattern.occursIn(m_words.titleBytesOf(m_recipes[number].words)))
            phrases.set(number);
    });
    return phrases;
}

BitSet RecipeSearch::recipesWithEveryWord(const WordPattern& pattern, const BitSet& within,
                                          bool inTitle) const {
    if (pattern.matchesNothing())
        return BitSet(m_recipes.size());
    if (pattern.words().size() == 1) {
        BitSet holding(m_recipes.size());
        pattern.words().front().addRecipesTo(holding, m_words.vocabulary(), inTitle);
        return holding;
    }
    BitSet holding = within;
    for (const WordMatcher& word : pattern.words()) {
        BitSet withWord(m_recipes.size());
        word.addRecipesTo(withWord, m_words.vocabulary(), inTitle);
        holding.intersectWith(withWord);
    }
    return holding;
}

// --- What a result shows ---------------------------------------------------

const RecipeSearch::IndexedCategory*
RecipeSearch::firstCategoryWithId(std::optional<std::int32_t> id, int* row) const {
    if (!id)
        return nullptr;
    const auto rows = m_categoryRowsById.find(*id);
    if (rows == m_categoryRowsById.end() || rows->second.empty())
        return nullptr;
    *row = rows->second.front();
    return &m_categories[static_cast<std::size_t>(*row)];
}

FoundRecipe RecipeSearch::recipe(std::uint32_t number) const {
    FoundRecipe found;
    if (number >= m_recipes.size())
        return found;
    const IndexedRecipe& recipe = m_recipes[number];
    found.title = textOf(recipe.title);
    if (const IndexedCategory* category =
            firstCategoryWithId(recipe.categoryId, &found.categoryRow))
        found.category = category->name;
    return found;
}

std::size_t RecipeSearch::bytes() const {
    std::size_t total = m_words.bytes() + m_recipes.capacity() * sizeof(IndexedRecipe) +
                        m_recipesInIndexOrder.capacity() * sizeof(std::uint32_t) +
                        m_order.capacity() * sizeof(std::uint32_t) + m_findable.bytes();
    total += m_recipeByTexts.capacity() * sizeof(TextsSlot);
    for (const IndexedCategory& category : m_categories)
        total += sizeof(category) + category.words.capacity() +
                 std::size_t(category.name.capacity()) * 2;
    for (const auto& recipes : m_recipesOfCategory)
        total += sizeof(recipes) + recipes.capacity() * sizeof(std::uint32_t);
    return total;
}

} // namespace savrona
