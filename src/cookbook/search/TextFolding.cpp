// Folding of single characters beyond ASCII, worked out once per character and kept.
#include "cookbook/search/TextFolding.h"

#include <QChar>
#include <QList>
#include <QString>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace savrona {

namespace {

// Marks that only put an accent on the letter before them: dropped, so that
// a decomposed "é" folds like "e". Marks of other scripts (Indic vowel signs,
// Thai vowels) are part of their words and stay.
bool isAccentMark(char32_t character) {
    return (character >= 0x0300 && character <= 0x036F) ||
           (character >= 0x1AB0 && character <= 0x1AFF) ||
           (character >= 0x1DC0 && character <= 0x1DFF) ||
           (character >= 0x20D0 && character <= 0x20FF) ||
           (character >= 0xFE20 && character <= 0xFE2F);
}

// Invisible characters: joiners, soft hyphens, direction marks, variation
// selectors. Dropped, so that they never split or change a word.
bool isInvisible(char32_t character) {
    return QChar::category(character) == QChar::Other_Format ||
           (character >= 0xFE00 && character <= 0xFE0F) ||
           (character >= 0xE0100 && character <= 0xE01EF);
}

// Scripts written without spaces between words: each character is a word, and
// a run of them is found as a phrase.
bool isWrittenWithoutSpaces(char32_t character) {
    switch (QChar::script(character)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Bopomofo:
    case QChar::Script_Yi:
    case QChar::Script_Thai:
    case QChar::Script_Lao:
    case QChar::Script_Khmer:
    case QChar::Script_Myanmar:
        return true;
    default:
        return false;
    }
}

// Letters without a decomposition that readers still see as a plain letter
// with something added, spelled as that letter.
const char* spelledOut(char32_t character) {
    switch (character) {
    case U'ß':
        return "ss";
    case U'ø':
        return "o";
    case U'đ':
        return "d";
    case U'ł':
        return "l";
    case U'ħ':
        return "h";
    case U'ŧ':
        return "t";
    case U'ı':
        return "i";
    case U'æ':
        return "ae";
    case U'œ':
        return "oe";
    default:
        return nullptr;
    }
}

void appendUtf8(std::string& out, char32_t character) {
    const QString text = QString::fromUcs4(&character, 1);
    out += text.toUtf8().toStdString();
}

} // namespace

namespace folding {

char32_t decodeUtf8(std::string_view text, std::size_t& position) {
    const auto byteAt = [&](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    const unsigned char lead = byteAt(position);
    std::size_t length = 0;
    char32_t character = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        ++position;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, character = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, character = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, character = lead & 0x07, least = 0x10000;
    } else {
        ++position;
        return 0xFFFD;
    }
    if (position + length > text.size()) {
        ++position;
        return 0xFFFD;
    }
    for (std::size_t index = 1; index < length; ++index) {
        const unsigned char next = byteAt(position + index);
        if ((next & 0xC0) != 0x80) {
            ++position;
            return 0xFFFD;
        }
        character = (character << 6) | (next & 0x3F);
    }
    if (character < least || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
        ++position;
        return 0xFFFD;
    }
    position += length;
    return character;
}

} // namespace folding

TextFolder::TextFolder() {
    m_word.reserve(64);
    m_lowered.reserve(64);
}

// Sixteen bytes at a time with SSE2, which every x86-64 processor has; one
// byte at a time elsewhere and for the last few bytes.
void TextFolder::markBytes(std::string_view utf8) {
    m_marks.assign((utf8.size() + 63) / 64, Marks{});
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t position = 0;
#if defined(__SSE2__)
    const __m128i lowerA = _mm_set1_epi8('a');
    const __m128i upperA = _mm_set1_epi8('A');
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i twentyFive = _mm_set1_epi8(25);
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i caseBit = _mm_set1_epi8(0x20);
    const auto atMost = [](__m128i value, __m128i limit) {
        return _mm_cmpeq_epi8(_mm_min_epu8(value, limit), value);
    };
    for (; position + 16 <= utf8.size(); position += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + position));
        const __m128i letter =
            atMost(_mm_sub_epi8(_mm_or_si128(chunk, caseBit), lowerA), twentyFive);
        const __m128i upper = atMost(_mm_sub_epi8(chunk, upperA), twentyFive);
        const __m128i digit = atMost(_mm_sub_epi8(chunk, zero), nine);
        const auto shift = position % 64;
        Marks& marks = m_marks[position / 64];
        const auto wordBits =
            std::uint64_t(unsigned(_mm_movemask_epi8(_mm_or_si128(letter, digit))));
        const auto beyondBits = std::uint64_t(unsigned(_mm_movemask_epi8(chunk)));
        marks.word |= wordBits << shift;
        marks.upper |= std::uint64_t(unsigned(_mm_movemask_epi8(upper))) << shift;
        marks.beyond |= beyondBits << shift;
        marks.wordOrBeyond |= (wordBits | beyondBits) << shift;
    }
#endif
    for (; position < utf8.size(); ++position) {
        const unsigned char byte = bytes[position];
        const std::uint64_t bit = std::uint64_t(1) << (position % 64);
        Marks& marks = m_marks[position / 64];
        const bool upper = byte >= 'A' && byte <= 'Z';
        const bool wordByte = upper || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9');
        if (wordByte)
            marks.word |= bit;
        if (upper)
            marks.upper |= bit;
        if (byte >= 0x80)
            marks.beyond |= bit;
        if (wordByte || byte >= 0x80)
            marks.wordOrBeyond |= bit;
    }
}

const std::string& TextFolder::foldedCharacter(char32_t character) {
    if (character < m_twoByteFolded.size()) {
        std::int16_t& known = m_twoByteFolded[character];
        if (known == 0) {
            m_twoByteFoldings.push_back(foldCharacter(character));
            known = static_cast<std::int16_t>(m_twoByteFoldings.size());
        }
        return m_twoByteFoldings[static_cast<std::size_t>(known - 1)];
    }
    auto found = m_folded.find(character);
    if (found == m_folded.end())
        found = m_folded.emplace(character, foldCharacter(character)).first;
    return found->second;
}

std::string TextFolder::foldCharacter(char32_t character) {
    // What an undecodable byte turned into, or the character itself: a separator.
    if (character == 0xFFFD)
        return std::string(1, wordBreak);
    const QString decomposed =
        QString::fromUcs4(&character, 1).normalized(QString::NormalizationForm_KD);
    std::string folded;
    for (const uint character32 : decomposed.toUcs4()) {
        const auto part = static_cast<char32_t>(character32);
        if (isAccentMark(part) || isInvisible(part))
            continue;
        const char32_t lower = QChar::toCaseFolded(part);
        if (const char* spelling = spelledOut(lower)) {
            folded += spelling;
        } else if (isWrittenWithoutSpaces(lower) || QChar::category(lower) == QChar::Symbol_Other) {
            folded += wordBreak;
            appendUtf8(folded, lower);
            folded += wordBreak;
        } else if (QChar::isLetterOrNumber(lower) || QChar::isMark(lower)) {
            if (lower < 0x80)
                folded += static_cast<char>(lower);
            else
                appendUtf8(folded, lower);
        } else {
            folded += wordBreak;
        }
    }
    return folded;
}

} // namespace savrona
