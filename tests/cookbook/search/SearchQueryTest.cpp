// How the text typed into the find box reads as terms, and how words fold.
#include "cookbook/search/SearchQuery.h"
#include "cookbook/search/TextFolding.h"

#include <QString>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace savrona;

namespace {

// A term written the way the cases below spell it: the words joined by blanks,
// "-" in front of an exclusion, "*" after a last word that is a prefix.
std::string spelled(const SearchTerm& term) {
    std::string text = term.excluded ? "-" : "";
    for (std::size_t index = 0; index < term.words.size(); ++index)
        text += (index ? " " : "") + term.words[index];
    return text + (term.lastWordIsPrefix ? "*" : "");
}

struct QueryCase {
    const char* name;
    const char* typed;
    std::vector<std::string> terms;
};

void PrintTo(const QueryCase& row, std::ostream* out) {
    *out << row.name;
}

class SearchQueryReading : public ::testing::TestWithParam<QueryCase> {};

TEST_P(SearchQueryReading, GivesTheTerms) {
    const SearchQuery query = SearchQuery::parse(QString::fromUtf8(GetParam().typed));
    std::vector<std::string> terms;
    for (const SearchTerm& term : query.terms())
        terms.push_back(spelled(term));
    EXPECT_EQ(terms, GetParam().terms);
    EXPECT_EQ(query.isEmpty(), terms.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchQueryReading,
    ::testing::Values(
        QueryCase{"Empty", "", {}}, QueryCase{"OnlyBlanks", " \t\u00A0 ", {}},
        QueryCase{"LastWordIsAPrefix", "tom", {"tom*"}},
        QueryCase{"ABlankEndsTheWord", "tom ", {"tom"}},
        QueryCase{"OnlyTheLastWordIsAPrefix", "olive  oil", {"olive", "oil*"}},
        QueryCase{"CaseAndAccentsFold", "CRÈME Jalapeño", {"creme", "jalapeno*"}},
        QueryCase{"DecomposedAccentsFold", "cre\xCC\x80me", {"creme*"}},
        QueryCase{"SpelledOutLetters", "Straße Œuf SMØRREBRØD", {"strasse", "oeuf", "smorrebrod*"}},
        QueryCase{"CompatibilityForms", "ﬁg ½", {"fig", "1 2*"}},
        QueryCase{"ClosedPhrase", "\"olive oil\"", {"olive oil"}},
        QueryCase{"OpenPhraseIsStillBeingTyped", "\"olive oi", {"olive oi*"}},
        QueryCase{"OpenPhraseEndingInABlank", "\"olive ", {"olive"}},
        QueryCase{"TypographicQuotes", "\u201Colive oil\u201D x", {"olive oil", "x*"}},
        QueryCase{"WordOfSeveralWordsIsAPhrase", "grandma's 1/2", {"grandma s", "1 2*"}},
        QueryCase{"Exclusion", "pie -butter", {"pie", "-butter"}},
        QueryCase{"ExclusionIsNeverAPrefix", "-butt", {"-butt"}},
        QueryCase{"ExcludedPhrase", "-\"olive oil\" soup", {"-olive oil", "soup*"}},
        QueryCase{"LoneMinusIsIgnored", "pie - tart", {"pie", "tart*"}},
        QueryCase{"TrailingMinusIsIgnored", "pie -", {"pie"}},
        QueryCase{"QuoteInsideAWordStartsAPhrase", "tom\"ato sauce", {"tom", "ato sauce*"}},
        QueryCase{"LoneQuote", "\"", {}}, QueryCase{"PunctuationOnly", "!?, ...", {}},
        QueryCase{"RepeatedTermsCountOnce", "pie Pie PIE", {"pie", "pie*"}},
        QueryCase{"ScriptWithoutSpaces", "番茄炒蛋", {"番 茄 炒 蛋"}},
        QueryCase{"EmojiAreWords", "🍅soup", {"🍅 soup*"}},
        QueryCase{"InvisibleCharactersAreDropped", "to\u00ADma\u200Dto", {"tomato*"}},
        QueryCase{"InvalidSurrogateSeparates",
                  "ab\xED\xA0\x80"
                  "cd",
                  {"ab cd*"}}),
    [](const ::testing::TestParamInfo<QueryCase>& info) { return info.param.name; });

TEST(SearchQueryReading, ALongPasteReadsInFullWithoutRepeats) {
    QString text;
    for (int round = 0; round < 700; ++round)
        text += QStringLiteral("salt \"a b\" -x ");
    text += QString(10000 - text.size(), u' ');
    const SearchQuery query = SearchQuery::parse(text);
    ASSERT_EQ(query.terms().size(), 3u);
    EXPECT_EQ(spelled(query.terms()[1]), "a b");
}

TEST(TextFolding, SaysWhetherTheTextEndsInAWord) {
    TextFolder folder;
    std::vector<std::string> words;
    const auto collect = [&words](std::string_view word) { words.emplace_back(word); };
    EXPECT_TRUE(folder.forEachWord("Crème brûlée", collect));
    EXPECT_FALSE(folder.forEachWord("au four.", collect));
    // Cut off inside a character: the stray bytes separate, nothing is read past the end.
    EXPECT_FALSE(folder.forEachWord(std::string_view("pi\xC3", 3), collect));
    EXPECT_EQ(words, (std::vector<std::string>{"creme", "brulee", "au", "four", "pi"}));
}

} // namespace
