#pragma once

// What a shopping line buys, told from the text after an ingredient line's amount.

#include <QString>
#include <QStringView>

namespace savrona {

// "onions, finely chopped" buys "onions", the same item as "Onion" or "onion (optional)".
class ItemName {
public:
    // The text after the amount and unit, or the whole line when it has none.
    explicit ItemName(QStringView text);

    // The item as written, without the preparation note: what follows the first comma,
    // parentheses at the end, and "to taste", "as needed", "optional" and the like.
    const QString& shown() const { return m_shown; }

    // What compares equal for the same item: in lower case, each word in the singular
    // ("berries" and "berry", "tomatoes" and "tomato"), without a leading "of".
    const QString& key() const { return m_key; }

private:
    QString m_shown;
    QString m_key;
};

} // namespace savrona
