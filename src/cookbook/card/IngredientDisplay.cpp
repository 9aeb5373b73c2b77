// Writes an ingredient line again with its amounts scaled and converted.
#include "cookbook/card/IngredientDisplay.h"

#include "cookbook/card/CountedNoun.h"
#include "cookbook/card/IngredientLine.h"

#include <cmath>

namespace savrona {

namespace {

// One line written again: each measure replaced by its scaled or converted text, all the
// rest kept as it stands.
class LineDisplay {
public:
    LineDisplay(const QString& line, const IngredientLine& read, double factor, UnitMode mode)
        : m_line(line), m_read(read), m_factor(factor), m_system(systemFor(mode)) {}

    QString text() const {
        const Measure& first = *m_read.measure;
        const QString before = m_line.left(first.start);
        if (!m_read.inParentheses)
            return before + measured(first, m_factor) + counted(first);
        const Measure& second = *m_read.inParentheses;
        if (m_read.countsPackages())
            return before + measured(first, m_factor) + between(first.end, second.start) +
                   measured(second, 1) + m_line.sliced(second.end);
        if (m_system && !inSystem(second))
            return before + measured(first, m_factor) + m_line.sliced(m_read.groupEnd);
        if (m_system && !inSystem(first))
            return before + measured(second, m_factor) + m_line.sliced(m_read.groupEnd);
        return before + measured(first, m_factor) + between(first.end, second.start) +
               measured(second, m_factor) + m_line.sliced(second.end);
    }

private:
    // What follows an amount without a unit, its noun in the number the scaled amount
    // takes ("1 egg", "2 eggs").
    QString counted(const Measure& measure) const {
        const QString rest = m_line.sliced(measure.end);
        const Amount scaled = measure.amount.scaled(m_factor);
        if (measure.unit || m_factor == 1 || !scaled.isFinite())
            return rest;
        const NumberStyle style = m_read.writing.styleFor(measure.amount.form, measure.unit);
        const bool wasPlural = takesPlural(measure.amount, style);
        const bool isPlural = takesPlural(scaled, style);
        return wasPlural == isPlural ? rest : withCountedNoun(rest, isPlural);
    }

    bool inSystem(const Measure& measure) const {
        return !measure.unit || systemOf(*measure.unit) == *m_system;
    }

    QString between(qsizetype start, qsizetype end) const {
        return m_line.sliced(start, end - start);
    }

    QString measured(const Measure& measure, double factor) const {
        const Amount amount = measure.amount.scaled(factor);
        if (!amount.isFinite())
            return between(measure.start, measure.end);
        if (m_system && !inSystem(measure))
            return converted(measure, amount);
        if (factor == 1)
            return between(measure.start, measure.end);
        const NumberStyle style = m_read.writing.styleFor(measure.amount.form, measure.unit);
        QString text = formatAmount(amount, style) + between(measure.amountEnd, measure.unitStart);
        if (measure.unit)
            text +=
                respelledUnit(between(measure.unitStart, measure.end), takesPlural(amount, style));
        return text;
    }

    QString converted(const Measure& measure, const Amount& amount) const {
        const ConvertedAmount to = convertAmount(amount, *measure.unit, *m_system);
        QString gap = between(measure.amountEnd, measure.unitStart);
        if (gap.isEmpty() && systemOf(to.unit) == UnitSystem::Us)
            gap = QStringLiteral(" ");
        const NumberStyle style = m_read.writing.styleFor(*m_system);
        return formatAmount(to.amount, style) + gap +
               unitSpelling(to.unit, takesPlural(to.amount, style));
    }

    const QString& m_line;
    const IngredientLine& m_read;
    double m_factor;
    std::optional<UnitSystem> m_system;
};

} // namespace

QString displayIngredientLine(const QString& line, double factor, UnitMode mode) {
    if (!(factor > 0) || !std::isfinite(factor))
        factor = 1;
    const IngredientLine read = readIngredientLine(line);
    if (!read.measure)
        return line;
    return LineDisplay(line, read, factor, mode).text();
}

} // namespace savrona
