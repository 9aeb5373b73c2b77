#pragma once

// Splits text into the words a recipe search compares, with letter case and accents
// folded away.

#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace savrona {

// Turns UTF-8 text into folded words:
// - letters and digits make words; everything else separates them;
// - case is folded and accents dropped: "Crème" gives "creme", "JALAPEÑO"
//   "jalapeno"; compatibility forms are decomposed ("ﬁ" gives "fi", "½" the
//   words "1" and "2"); a few letters users count as accented are spelled
//   out ("ß" gives "ss", "ø" "o", "æ" "ae");
// - each character of a script written without spaces (Chinese, Japanese,
//   Thai ...) and each pictograph (emoji) is a word of its own, so that a run
//   of them is found as a phrase, that is, as a substring.
// Bytes that are not UTF-8 separate words. The same text always gives the
// same words, so folding a query and a recipe the same way makes them compare.
class TextFolder {
public:
    TextFolder();

    // Calls word(std::string_view) for each folded word of utf8, in order,
    // or word(std::string_view, std::uint64_t head) with the word's first
    // eight bytes as one little-endian number (zero past its end), which a
    // hash of words takes as it is. The view lasts until the next word.
    // Returns true when the last word runs to the end of the text (the text
    // does not end in a separator), which a query uses to tell a word still
    // being typed.
    template <typename Word> bool forEachWord(std::string_view utf8, Word&& word);

    // The first eight bytes of a word as one little-endian number, zero past its end.
    static std::uint64_t headOf(std::string_view word);

    // In what a character folds to, the end of a word.
    static constexpr char wordBreak = '\0';

private:
    // One bit per byte of the text, for 64 bytes at a time.
    struct Marks {
        std::uint64_t word = 0;   // ASCII letters and digits
        std::uint64_t upper = 0;  // upper-case ASCII letters
        std::uint64_t beyond = 0; // bytes beyond ASCII
        std::uint64_t wordOrBeyond = 0;
    };
    using MarkOf = std::uint64_t Marks::*;
    void markBytes(std::string_view utf8);
    bool isMarked(MarkOf mark, std::size_t position) const {
        return (m_marks[position / 64].*mark >> (position % 64)) & 1;
    }
    // The first position at or after from whose bit is set (or clear); past
    // the end when there is none.
    std::size_t nextMarked(MarkOf mark, std::size_t from) const;
    std::size_t nextUnmarked(MarkOf mark, std::size_t from) const;
    // ASCII letters and digits in lower case: every one of them has bit 5 set
    // but the upper-case letters.
    static void appendLowered(std::string& out, std::string_view run);
    static constexpr std::uint64_t caseBits = 0x2020202020202020ULL;
    // headOf for a run of ASCII letters and digits at `start` of a text of
    // `size` bytes, in lower case; eight bytes are read at once when the text
    // has them.
    static std::uint64_t loweredHead(const char* text, std::size_t start, std::size_t length,
                                     std::size_t size);
    template <typename Word>
    static void handOn(Word& word, std::string_view text, std::uint64_t head);

    // What a character not in ASCII turns into: folded bytes, where wordBreak
    // ends the word so far.
    const std::string& foldedCharacter(char32_t character);
    static std::string foldCharacter(char32_t character);

    std::vector<Marks> m_marks;
    std::string m_lowered;
    char m_short[8] = {}; // a word of eight bytes or fewer, in lower case
    // Characters of two UTF-8 bytes (Latin, Greek, Cyrillic ...) by code, the
    // rest by hash; each folded once, when first met.
    std::array<std::int16_t, 0x800> m_twoByteFolded{};
    std::vector<std::string> m_twoByteFoldings;
    std::unordered_map<char32_t, std::string> m_folded;
    std::string m_word;
};

namespace folding {

// Decodes one UTF-8 character at text[position], advancing position; an
// invalid or cut-off sequence gives U+FFFD and advances by one byte.
char32_t decodeUtf8(std::string_view text, std::size_t& position);

} // namespace folding

inline std::size_t TextFolder::nextMarked(MarkOf mark, std::size_t from) const {
    std::size_t block = from / 64;
    if (block >= m_marks.size())
        return m_marks.size() * 64;
    std::uint64_t current = m_marks[block].*mark & (~std::uint64_t(0) << (from % 64));
    while (current == 0) {
        if (++block == m_marks.size())
            return m_marks.size() * 64;
        current = m_marks[block].*mark;
    }
    return block * 64 + static_cast<std::size_t>(std::countr_zero(current));
}

inline std::size_t TextFolder::nextUnmarked(MarkOf mark, std::size_t from) const {
    std::size_t block = from / 64;
    if (block >= m_marks.size())
        return m_marks.size() * 64;
    std::uint64_t current = ~(m_marks[block].*mark) & (~std::uint64_t(0) << (from % 64));
    while (current == 0) {
        if (++block == m_marks.size())
            return m_marks.size() * 64;
        current = ~(m_marks[block].*mark);
    }
    return block * 64 + static_cast<std::size_t>(std::countr_zero(current));
}

inline std::uint64_t TextFolder::headOf(std::string_view word) {
    std::uint64_t head = 0;
    std::memcpy(&head, word.data(), std::min<std::size_t>(word.size(), 8));
    return head;
}

inline std::uint64_t TextFolder::loweredHead(const char* text, std::size_t start,
                                             std::size_t length, std::size_t size) {
    std::uint64_t head = 0;
    if (start + 8 <= size)
        std::memcpy(&head, text + start, 8);
    else
        std::memcpy(&head, text + start, size - start);
    const std::uint64_t kept =
        length >= 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 * length)) - 1;
    return (head | caseBits) & kept;
}

template <typename Word>
void TextFolder::handOn(Word& word, std::string_view text, std::uint64_t head) {
    if constexpr (std::is_invocable_v<Word&, std::string_view, std::uint64_t>)
        word(text, head);
    else
        word(text);
}

inline void TextFolder::appendLowered(std::string& out, std::string_view run) {
    const std::size_t size = out.size();
    out.resize(size + run.size());
    for (std::size_t index = 0; index < run.size(); ++index)
        out[size + index] = static_cast<char>(run[index] | 0x20);
}

template <typename Word> bool TextFolder::forEachWord(std::string_view utf8, Word&& word) {
    markBytes(utf8);
    const char* const text = utf8.data();
    const std::size_t size = utf8.size();
    // A word is put together in m_word when it holds a character beyond
    // ASCII; a word of ASCII alone is handed on as it stands in the text, or
    // in lower case in m_lowered.
    bool building = false;
    bool endsInWord = false;
    const auto endWord = [&] {
        if (building && !m_word.empty())
            handOn(word, std::string_view(m_word), headOf(m_word));
        m_word.clear();
        building = false;
    };
    std::size_t position = 0;
    while (true) {
        const std::size_t start = nextMarked(&Marks::wordOrBeyond, position);
        if (start >= size) {
            if (position < size)
                endsInWord = false; // separators at the end
            break;
        }
        if (start > position) {
            endWord(); // separators in between
            endsInWord = false;
        }
        if (isMarked(&Marks::beyond, start)) {
            position = start;
            // A dropped character (an accent on its own) leaves the word going on.
            const std::string& folded = foldedCharacter(folding::decodeUtf8(utf8, position));
            for (const char piece : folded) {
                if (piece == wordBreak) {
                    endWord();
                    endsInWord = false;
                } else {
                    m_word.push_back(piece);
                    building = true;
                    endsInWord = true;
                }
            }
            continue;
        }
        const std::size_t end = std::min(nextUnmarked(&Marks::word, start), size);
        position = end;
        endsInWord = true;
        const std::string_view run(text + start, end - start);
        if (building || (end < size && isMarked(&Marks::beyond, end))) {
            appendLowered(m_word, run);
            building = true;
        } else if (run.size() <= 8) {
            // Lowered in one go, eight bytes at a time.
            const std::uint64_t head = loweredHead(text, start, run.size(), size);
            qToLittleEndian<quint64>(head, m_short);
            handOn(word, std::string_view(m_short, run.size()), head);
        } else if (nextMarked(&Marks::upper, start) < end) {
            m_lowered.clear();
            appendLowered(m_lowered, run);
            handOn(word, std::string_view(m_lowered), headOf(m_lowered));
        } else {
            handOn(word, run, headOf(run));
        }
    }
    endWord();
    return endsInWord;
}

} // namespace savrona
