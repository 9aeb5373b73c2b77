// Finds the first number in a servings text.
#include "cookbook/card/ServingsReader.h"

#include "cookbook/card/IngredientLine.h"

#include <array>
#include <string_view>

namespace savrona {

namespace {

constexpr std::array<std::u16string_view, 12> numberWords = {u"one",  u"two", u"three",  u"four",
                                                             u"five", u"six", u"seven",  u"eight",
                                                             u"nine", u"ten", u"eleven", u"twelve"};

std::optional<double> numberWordAt(QStringView text, qsizetype start, qsizetype& end) {
    end = start;
    while (end < text.size() && text[end].isLetter())
        ++end;
    const QStringView word = text.sliced(start, end - start);
    for (std::size_t index = 0; index < numberWords.size(); ++index) {
        const std::u16string_view number = numberWords[index];
        if (word.compare(QStringView(number.data(), qsizetype(number.size())),
                         Qt::CaseInsensitive) == 0)
            return double(index + 1);
    }
    return std::nullopt;
}

} // namespace

std::optional<double> readServings(QStringView text) {
    qsizetype position = 0;
    while (position < text.size()) {
        const bool startsWord = position == 0 || !text[position - 1].isLetterOrNumber();
        qsizetype end = position + 1;
        if (startsWord && text[position].isLetter()) {
            if (const std::optional<double> number = numberWordAt(text, position, end))
                return number;
        } else if (startsWord) {
            end = position;
            const std::optional<Amount> amount = readAmount(text, end);
            if (amount && amount->low > 0)
                return amount->low;
            end = std::max(end, position + 1);
        }
        position = end;
    }
    return std::nullopt;
}

} // namespace savrona
