// Reading a query: white space, quotes and leading minus signs; the words folded.
#include "cookbook/search/SearchQuery.h"

#include "cookbook/search/TextFolding.h"

#include <QChar>
#include <QList>
#include <QString>

#include <string>
#include <unordered_set>

namespace savrona {

namespace {

bool isQuote(char32_t character) {
    // Typographic quotes too, as word processors and phone keyboards type them.
    return character == U'"' || character == U'\u201C' || character == U'\u201D' ||
           character == U'\u201E';
}

bool isSpace(char32_t character) {
    return QChar::isSpace(character);
}

// Reads a query from its characters, one term at a time.
class QueryReader {
public:
    explicit QueryReader(const std::u32string& characters) : m_characters(characters) {}

    template <typename AddTerm> void read(AddTerm&& addTerm) {
        while (true) {
            while (m_position < size() && isSpace(at(m_position)))
                ++m_position;
            if (m_position >= size())
                return;
            SearchTerm term;
            if (at(m_position) == U'-') {
                term.excluded = true;
                ++m_position;
                if (m_position >= size() || isSpace(at(m_position)))
                    continue;
            }
            const bool reachesEnd = isQuote(at(m_position)) ? readPhrase() : readWord();
            term.lastWordIsPrefix = foldWords(term.words) && reachesEnd && !term.excluded;
            if (!term.words.empty())
                addTerm(std::move(term));
        }
    }

private:
    std::size_t size() const { return m_characters.size(); }
    char32_t at(std::size_t position) const { return m_characters[position]; }

    // From an opening quote to the closing one, or to the end of the text.
    bool readPhrase() {
        ++m_position;
        const std::size_t start = m_position;
        while (m_position < size() && !isQuote(at(m_position)))
            ++m_position;
        m_text = QString::fromUcs4(m_characters.data() + start, qsizetype(m_position - start));
        if (m_position < size()) {
            ++m_position;
            return false;
        }
        return true;
    }

    // Up to white space or a quote.
    bool readWord() {
        const std::size_t start = m_position;
        while (m_position < size() && !isSpace(at(m_position)) && !isQuote(at(m_position)))
            ++m_position;
        m_text = QString::fromUcs4(m_characters.data() + start, qsizetype(m_position - start));
        return m_position >= size();
    }

    // Returns true when the last word runs to the end of the term's text.
    bool foldWords(std::vector<std::string>& words) {
        const QByteArray utf8 = m_text.toUtf8();
        return m_folder.forEachWord(std::string_view(utf8.constData(), std::size_t(utf8.size())),
                                    [&words](std::string_view word) { words.emplace_back(word); });
    }

    const std::u32string& m_characters;
    std::size_t m_position = 0;
    QString m_text;
    TextFolder m_folder;
};

// The same term twice gives the same key: its flags, then its words, each
// ended by a zero byte (which no folded word holds).
std::string keyOf(const SearchTerm& term) {
    std::string key{term.excluded ? 'x' : 'i', term.lastWordIsPrefix ? 'p' : 'w'};
    for (const std::string& word : term.words) {
        key += word;
        key += '\0';
    }
    return key;
}

} // namespace

SearchQuery SearchQuery::parse(QStringView text) {
    SearchQuery query;
    std::unordered_set<std::string> seen;
    std::u32string characters;
    for (const uint character : text.toUcs4())
        characters.push_back(static_cast<char32_t>(character));
    QueryReader(characters).read([&query, &seen](SearchTerm term) {
        if (seen.insert(keyOf(term)).second)
            query.m_terms.push_back(std::move(term));
    });
    return query;
}

} // namespace savrona
