// Adding a recipe's words, and joining what two threads built.
#include "cookbook/search/RecipeWords.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace savrona {

RecipeWords::Place RecipeWords::add(std::uint32_t recipe, const Value& title,
                                    const Value& ingredients, const Value& preparation) {
    Place place;
    place.first = m_bytes.size();
    addWords(recipe, title, true);
    place.titleBytes = static_cast<std::uint32_t>(m_bytes.size() - place.first);
    m_bytes.push_back(SearchVocabulary::noWord);
    addWords(recipe, ingredients, false);
    m_bytes.push_back(SearchVocabulary::noWord);
    addWords(recipe, preparation, false);
    place.bytes = static_cast<std::uint32_t>(m_bytes.size() - place.first);
    return place;
}

// Line by line: a line break always ends a word, so the words of the lines
// are the words of the text.
void RecipeWords::addWords(std::uint32_t recipe, const Value& text, bool isTitle) {
    if (!text.isText())
        return;
    const QByteArray& utf8 = text.utf8();
    const std::string_view whole(utf8.constData(), std::size_t(utf8.size()));
    std::size_t start = 0;
    while (start < whole.size()) {
        const std::size_t lineEnd = RepeatedLines::lineEnd(whole, start);
        std::string_view line = whole.substr(start, lineEnd - start);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        addLine(recipe, line, isTitle);
        start = lineEnd + 1;
    }
}

void RecipeWords::addLine(std::uint32_t recipe, std::string_view line, bool isTitle) {
    // Titles seldom repeat: they would only crowd the lines that do out.
    const bool mayRepeat = !isTitle && line.size() <= RepeatedLines::longestLine;
    const std::uint64_t hash = mayRepeat ? RepeatedLines::hashOf(line) : 0;
    if (mayRepeat) {
        if (const auto kept = m_repeatedLines.find(line, hash)) {
            m_bytes.insert(m_bytes.end(), kept->codes.begin(), kept->codes.end());
            for (const std::uint32_t number : kept->numbers)
                addRecipeTo(recipe, number, isTitle);
            return;
        }
    }
    const std::size_t codesAt = m_bytes.size();
    m_lineNumbers.clear();
    m_folder.forEachWord(line, [&](std::string_view word, std::uint64_t head) {
        const std::uint32_t number = m_vocabulary.add(word, head);
        m_lineNumbers.push_back(number);
        appendNumber(m_bytes, number);
        addRecipeTo(recipe, number, isTitle);
    });
    if (mayRepeat)
        m_repeatedLines.keep(line, hash, m_lineNumbers,
                             std::span(m_bytes.data() + codesAt, m_bytes.size() - codesAt));
}

namespace {

constexpr std::uint64_t everyByte = 0x0101010101010101ULL;

std::uint64_t load8(const char* bytes) {
    std::uint64_t chunk = 0;
    std::memcpy(&chunk, bytes, 8);
    return chunk;
}

bool sameBytes(const char* left, const char* right, std::size_t size) {
    if (size < 8)
        return std::memcmp(left, right, size) == 0;
    for (std::size_t position = 0; position + 8 <= size; position += 8)
        if (load8(left + position) != load8(right + position))
            return false;
    return load8(left + size - 8) == load8(right + size - 8);
}

} // namespace

// Eight bytes at a time: a byte is a line feed where the bytes xor '\n' hold a zero.
std::size_t RecipeWords::RepeatedLines::lineEnd(std::string_view text, std::size_t from) {
    // The lowest byte found is the first only when the bytes load in their order.
    for (; std::endian::native == std::endian::little && from + 8 <= text.size(); from += 8) {
        const std::uint64_t xored = load8(text.data() + from) ^ (everyByte * '\n');
        const std::uint64_t zeros = (xored - everyByte) & ~xored & (everyByte * 0x80);
        if (zeros != 0)
            return from + static_cast<std::size_t>(std::countr_zero(zeros)) / 8;
    }
    while (from < text.size() && text[from] != '\n')
        ++from;
    return from;
}

// Of the first and the last eight bytes and the length only, which tell
// apart almost all the lines of a cookbook: lines that agree in all three
// share a hash, and find() tells them apart by their bytes.
std::uint64_t RecipeWords::RepeatedLines::hashOf(std::string_view line) {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (line.size() < 8) {
        std::memcpy(&first, line.data(), line.size());
    } else {
        first = load8(line.data());
        last = load8(line.data() + line.size() - 8);
    }
    std::uint64_t hash = (first ^ 0x9E3779B97F4A7C15ULL) * 0xBF58476D1CE4E5B9ULL;
    hash ^= (last + line.size()) * 0x94D049BB133111EBULL;
    hash ^= hash >> 31;
    hash *= 0x7FB5D329728EA185ULL;
    return hash ^ (hash >> 27);
}

std::optional<RecipeWords::RepeatedLines::Kept>
RecipeWords::RepeatedLines::find(std::string_view line, std::uint64_t hash) const {
    if (m_slots.empty())
        return std::nullopt;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask, probe = 0; probe <= farthestProbe;
         slot = (slot + 1) & mask, ++probe) {
        const Slot& entry = m_slots[slot];
        if (entry.length == 0)
            return std::nullopt;
        if (entry.hash != hash || entry.length != line.size() + 1)
            continue;
        const Line& kept = m_lines[entry.line];
        if (sameBytes(m_text.data() + kept.textAt, line.data(), line.size()))
            return Kept{{m_numbers.data() + kept.numbersAt, kept.wordCount},
                        {m_codes.data() + kept.codesAt, kept.codeBytes}};
    }
    return std::nullopt;
}

void RecipeWords::RepeatedLines::keep(std::string_view line, std::uint64_t hash,
                                      std::span<const std::uint32_t> numbers,
                                      std::span<const std::uint8_t> codes) {
    if ((m_lines.size() + 1) * 2 > m_slots.size()) {
        if (m_slots.size() >= mostSlots)
            return;
        grow();
    }
    if (numbers.size() > 0xFFFF || codes.size() > 0xFFFF)
        return;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash & mask;
    for (std::size_t probe = 0; m_slots[slot].length != 0; slot = (slot + 1) & mask)
        if (++probe > farthestProbe)
            return; // crowded: many lines alike
    m_slots[slot] = Slot{hash, static_cast<std::uint32_t>(m_lines.size()),
                         static_cast<std::uint16_t>(line.size() + 1)};
    m_lines.push_back(Line{
        static_cast<std::uint32_t>(m_text.size()), static_cast<std::uint32_t>(m_numbers.size()),
        static_cast<std::uint32_t>(m_codes.size()), static_cast<std::uint16_t>(numbers.size()),
        static_cast<std::uint16_t>(codes.size())});
    m_text.append(line);
    m_numbers.insert(m_numbers.end(), numbers.begin(), numbers.end());
    m_codes.insert(m_codes.end(), codes.begin(), codes.end());
}

void RecipeWords::RepeatedLines::grow() {
    std::vector<Slot> wider(m_slots.empty() ? 1024 : m_slots.size() * 2);
    const std::size_t mask = wider.size() - 1;
    for (const Slot& entry : m_slots) {
        if (entry.length == 0)
            continue;
        std::size_t slot = entry.hash & mask;
        for (std::size_t probe = 0; wider[slot].length != 0; slot = (slot + 1) & mask)
            if (++probe > farthestProbe)
                break;
        if (wider[slot].length == 0)
            wider[slot] = entry; // else forgotten, as keep() would
    }
    m_slots = std::move(wider);
}

void RecipeWords::RepeatedLines::clear() {
    m_slots = {};
    m_lines = {};
    m_text = {};
    m_numbers = {};
    m_codes = {};
}

std::size_t RecipeWords::RepeatedLines::bytes() const {
    return m_slots.capacity() * sizeof(Slot) + m_lines.capacity() * sizeof(Line) +
           m_text.capacity() + m_numbers.capacity() * sizeof(std::uint32_t) + m_codes.capacity();
}

void RecipeWords::startWithWordsOf(const RecipeWords& other) {
    const SearchVocabulary& words = other.m_vocabulary;
    for (std::uint32_t number = 1; number < words.size(); ++number)
        m_vocabulary.add(words.word(number));
    m_sharedWords = static_cast<std::uint32_t>(words.size());
}

void RecipeWords::append(RecipeWords&& other, std::uint32_t offset, std::span<Place> places) {
    SearchVocabulary& words = other.m_vocabulary;
    std::vector<std::uint32_t> numbers(words.size(), SearchVocabulary::noWord);
    for (std::uint32_t number = 1; number < words.size(); ++number) {
        numbers[number] =
            number < other.m_sharedWords ? number : m_vocabulary.add(words.word(number));
        m_vocabulary.recipesOf(numbers[number])
            .appendShifted(std::move(words.recipesOf(number)), offset);
        m_vocabulary.titlesOf(numbers[number])
            .appendShifted(std::move(words.titlesOf(number)), offset);
    }
    m_bytes.reserve(m_bytes.size() + other.m_bytes.size() + other.m_bytes.size() / 8);
    for (Place& place : places) {
        const std::uint8_t* const first = other.m_bytes.data() + place.first;
        Place moved;
        moved.first = m_bytes.size();
        recode(first, first + place.titleBytes, numbers, other.m_sharedWords);
        moved.titleBytes = static_cast<std::uint32_t>(m_bytes.size() - moved.first);
        recode(first + place.titleBytes, first + place.bytes, numbers, other.m_sharedWords);
        moved.bytes = static_cast<std::uint32_t>(m_bytes.size() - moved.first);
        place = moved;
    }
}

// Codes of shared words stay as they are and are copied in runs. When all
// the one-byte codes are shared, only bytes with the high bit set start a
// code to look at, and eight bytes at a time are passed over.
void RecipeWords::recode(const std::uint8_t* from, const std::uint8_t* end,
                         const std::vector<std::uint32_t>& numbers, std::uint32_t sharedWords) {
    constexpr std::uint64_t highBits = 0x8080808080808080ULL;
    const bool oneByteCodesShared = sharedWords >= 0x80;
    const std::uint8_t* run = from;
    while (from < end) {
        if (oneByteCodesShared) {
            std::uint64_t chunk = 0;
            while (from + 8 <= end && (std::memcpy(&chunk, from, 8), (chunk & highBits) == 0))
                from += 8;
            while (from < end && *from < 0x80)
                ++from;
            if (from == end)
                break;
        } else if (*from < 0x80 && *from < sharedWords) {
            ++from;
            continue;
        }
        const std::uint8_t* const code = from;
        const std::uint32_t number = readNumber(from);
        if (number < sharedWords)
            continue;
        m_bytes.insert(m_bytes.end(), run, code);
        appendNumber(m_bytes, numbers[number]);
        run = from;
    }
    m_bytes.insert(m_bytes.end(), run, end);
}

} // namespace savrona
