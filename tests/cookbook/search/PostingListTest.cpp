// A word's recipes kept as one number, a list or bits, and two threads' lists joined:
// whatever form each side is in, the recipes are those added, once, in order.
#include "cookbook/search/PostingList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

using namespace savrona;

namespace {

using Recipes = std::vector<std::uint32_t>;

// count recipes from first on, every step-th, each added twice: enough of
// them close together turn the list into bits.
Recipes recipesFrom(std::uint32_t first, std::uint32_t count, std::uint32_t step) {
    Recipes recipes;
    for (std::uint32_t index = 0; index < count; ++index)
        recipes.push_back(first + index * step);
    return recipes;
}

PostingList listOf(const Recipes& recipes) {
    PostingList list;
    for (const std::uint32_t recipe : recipes) {
        list.add(recipe);
        list.add(recipe);
    }
    return list;
}

Recipes recipesIn(const PostingList& list) {
    Recipes recipes;
    list.forEach([&recipes](std::uint32_t recipe) { recipes.push_back(recipe); });
    return recipes;
}

Recipes bitsIn(const PostingList& list, std::size_t size) {
    BitSet bits(size);
    list.addTo(bits);
    Recipes recipes;
    bits.forEach([&recipes](std::size_t recipe) { recipes.push_back(std::uint32_t(recipe)); });
    return recipes;
}

struct Form {
    const char* name;
    std::uint32_t count;
    std::uint32_t step;
};
// None, one, a few, and many close together (bits).
const Form forms[] = {{"none", 0, 1}, {"one", 1, 1}, {"few", 5, 7}, {"bits", 400, 2}};

struct Join {
    Form here;
    Form other;
    std::uint32_t offset;
};

class PostingListJoin : public ::testing::TestWithParam<Join> {};

TEST_P(PostingListJoin, HoldsBothSidesRecipesOnceInOrder) {
    const Join& join = GetParam();
    const Recipes here = recipesFrom(3, join.here.count, join.here.step);
    const Recipes other = recipesFrom(0, join.other.count, join.other.step);
    PostingList list = listOf(here);
    PostingList otherList = listOf(other);
    EXPECT_EQ(recipesIn(list), here);
    EXPECT_EQ(recipesIn(otherList), other);

    list.appendShifted(std::move(otherList), join.offset);
    Recipes expected = here;
    for (const std::uint32_t recipe : other)
        expected.push_back(recipe + join.offset);
    EXPECT_EQ(recipesIn(list), expected);
    EXPECT_EQ(bitsIn(list, 4096), expected);
    EXPECT_EQ(recipesIn(otherList), Recipes{});
    // Recipes added after the join go on from there.
    list.add(4000);
    list.add(4000);
    expected.push_back(4000);
    EXPECT_EQ(recipesIn(list), expected);
}

std::vector<Join> everyJoin() {
    std::vector<Join> joins;
    for (const Form& here : forms)
        for (const Form& other : forms)
            for (const std::uint32_t offset : {1024u, 1000u}) // on a word of bits, and not
                joins.push_back({here, other, offset});
    return joins;
}

INSTANTIATE_TEST_SUITE_P(Forms, PostingListJoin, ::testing::ValuesIn(everyJoin()),
                         [](const auto& info) {
                             return std::string(info.param.here.name) + "_" +
                                    info.param.other.name + "_" + std::to_string(info.param.offset);
                         });

} // namespace
