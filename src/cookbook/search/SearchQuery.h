#pragma once

// What the user typed into the find box, read as the terms a recipe must match.

#include <QStringView>

#include <string>
#include <vector>

namespace savrona {

// One term of a query: a single word, or a phrase of words that must follow
// one another. The words are folded as the recipes' are (TextFolder).
struct SearchTerm {
    std::vector<std::string> words;
    // The last word may be only the start of a word: the user is still typing it.
    bool lastWordIsPrefix = false;
    // A term written with a leading "-": recipes that hold it are left out.
    bool excluded = false;

    bool isPhrase() const { return words.size() > 1; }
    bool operator==(const SearchTerm&) const = default;
};

// A query read from the user's text:
// - terms are separated by white space; each must occur in a recipe;
// - text in double quotes is a phrase (a quote left open runs to the end);
//   a word that folds into several words ("grandma's", "1/2") is one too;
// - a term starting with "-" excludes the recipes that hold it; a lone "-"
//   is ignored;
// - the last word, when the text ends in it, matches as a prefix, unless it
//   belongs to an exclusion;
// - a term given twice counts once, and text that holds no word (only
//   punctuation, say) gives no term.
// Any text reads: nothing here fails.
class SearchQuery {
public:
    static SearchQuery parse(QStringView text);

    const std::vector<SearchTerm>& terms() const { return m_terms; }
    // True when the query holds no term: nothing to look for.
    bool isEmpty() const { return m_terms.empty(); }

private:
    std::vector<SearchTerm> m_terms;
};

} // namespace savrona
