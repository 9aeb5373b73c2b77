// A recipe's words as the search index codes them: read line by line, and from
// lines kept when they repeat, they must be the words of the whole text.
#include "cookbook/search/RecipeWords.h"
#include "cookbook/search/TextFolding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace savrona;

namespace {

using Words = std::vector<std::string>;

Words foldedWhole(std::string_view text) {
    TextFolder folder;
    Words words;
    folder.forEachWord(text, [&words](std::string_view word) { words.emplace_back(word); });
    return words;
}

// The words of a coded span; a field break reads as "|".
Words decoded(const RecipeWords& store, std::span<const std::uint8_t> codes) {
    Words words;
    const std::uint8_t* position = codes.data();
    while (position < codes.data() + codes.size()) {
        const std::uint32_t number = RecipeWords::readNumber(position);
        words.emplace_back(number == SearchVocabulary::noWord
                               ? std::string("|")
                               : std::string(store.vocabulary().word(number)));
    }
    return words;
}

// Lines that agree in their first and last eight bytes and their length,
// more of them than are kept side by side, each twice.
const char* linesAlike() {
    static const std::string text = [] {
        std::string lines;
        for (int round = 0; round < 2; ++round)
            for (int number = 10; number < 60; ++number)
                lines += "Stir in the " + std::to_string(number) + " cloves, then serve.\n";
        return lines;
    }();
    return text.c_str();
}

class RecipeWordsByLine : public ::testing::TestWithParam<const char*> {};

TEST_P(RecipeWordsByLine, AreTheWordsOfTheWholeText) {
    const std::string text = GetParam();
    const Value value = Value::text(QByteArray::fromStdString(text));
    const Words whole = foldedWhole(text);
    Words expected = whole;
    expected.push_back("|");
    expected.insert(expected.end(), whole.begin(), whole.end());
    expected.push_back("|");
    expected.insert(expected.end(), whole.begin(), whole.end());

    RecipeWords store;
    // The second recipe meets every short line again.
    for (std::uint32_t recipe = 0; recipe < 2; ++recipe) {
        const RecipeWords::Place place = store.add(recipe, value, value, value);
        EXPECT_EQ(decoded(store, store.bytesOf(place)), expected) << "recipe " << recipe;
        EXPECT_EQ(decoded(store, store.titleBytesOf(place)), whole) << "recipe " << recipe;
    }
    for (const std::string& word : whole) {
        const auto number = store.vocabulary().find(word);
        ASSERT_TRUE(number.has_value()) << word;
        std::vector<std::uint32_t> recipes;
        store.vocabulary().recipesOf(*number).forEach(
            [&recipes](std::uint32_t recipe) { recipes.push_back(recipe); });
        EXPECT_EQ(recipes, (std::vector<std::uint32_t>{0, 1})) << word;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RecipeWordsByLine,
    ::testing::Values("1 cup flour\r\n2 eggs\r\n1 cup flour\r\n2 EGGS",
                      "olive\noil\r\nolive\r\noil", "Grandma's stew: 180° for 1½ hours.\n\n\r\n",
                      "Crème\r\nbrûlée\ncre\xCC\x81me", "e\n\xCC\x81x\n\xCC\x81x",
                      "pi\xC3\n\xA9t\xC3\n\xA9", "½ cup\n¼ cup\n½ cup", "番茄\n炒蛋\n番茄🍅\n炒蛋",
                      "no line feed at the end", "\n", "\r", "",
                      "A long step, longer than the lines kept, repeated: stir the sauce "
                      "slowly over a low heat until it thickens and coats the spoon.\n"
                      "A long step, longer than the lines kept, repeated: stir the sauce "
                      "slowly over a low heat until it thickens and coats the spoon.\n"
                      "Jalapeño\tand\vtomato\fsalsa\x01\x7F",
                      linesAlike()));

// Two stores joined as two threads build them: the second starts with the
// first's words, codes its own after them, and is appended.
TEST(RecipeWordsJoined, KeepEachRecipesWordsAndRecipes) {
    const auto text = [](const char* utf8) { return Value::text(QByteArray(utf8)); };
    RecipeWords first;
    first.add(0, text("Tomato Soup"), text("4 tomatoes\r\n1 onion"), text("Simmer."));
    RecipeWords second;
    second.startWithWordsOf(first);
    std::vector<RecipeWords::Place> places;
    for (std::uint32_t recipe = 0; recipe < 300; ++recipe) {
        const std::string title = "Dish number" + std::to_string(recipe) + " tomato";
        places.push_back(second.add(recipe, text(title.c_str()), text("1 onion\r\nrare words"),
                                    text("Simmer.")));
    }
    first.append(std::move(second), 64, places);
    const Words dish150 = decoded(first, first.bytesOf(places[150]));
    EXPECT_EQ(dish150, (Words{"dish", "number150", "tomato", "|", "1", "onion", "rare", "words",
                              "|", "simmer"}));
    EXPECT_EQ(decoded(first, first.titleBytesOf(places[0])), (Words{"dish", "number0", "tomato"}));
    std::vector<std::uint32_t> recipes;
    first.vocabulary()
        .titlesOf(*first.vocabulary().find("number150"))
        .forEach([&](std::uint32_t recipe) { recipes.push_back(recipe); });
    EXPECT_EQ(recipes, std::vector<std::uint32_t>{64 + 150});
    std::size_t withOnion = 0;
    first.vocabulary().recipesOf(*first.vocabulary().find("onion")).forEach([&](std::uint32_t) {
        ++withOnion;
    });
    EXPECT_EQ(withOnion, 301u); // as bits, taken over a word at a time
}

} // namespace
