#pragma once

// Finds the line on which a value of a JSON text begins, for the messages about it: Qt's
// JSON parser keeps no positions.

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <variant>
#include <vector>

namespace savrona {

// The way from the top of a JSON document to one value: member names and
// array positions.
using JsonPath = std::vector<std::variant<QString, qsizetype>>;

// Walks over the text to the value a path names. Each search goes on from
// where the last one got to: the elements of an array asked for in order,
// and the members of one object, cost one walk over the text in all.
class JsonLocator {
public:
    // json must be a text that parses: the locator only skips over it.
    explicit JsonLocator(QByteArrayView json);

    // The line (from 1) on which the value at path begins; the line the
    // search got to when the path leads nowhere. Of members of equal names,
    // the last, as Qt's parser keeps it.
    qint64 lineOf(const JsonPath& path);

private:
    qsizetype offsetOf(const JsonPath& path);
    qsizetype elementOf(qsizetype array, qsizetype index, std::size_t depth);
    qsizetype memberOf(qsizetype object, const QString& name, std::size_t depth);
    qsizetype skipSpace(qsizetype at) const;
    qsizetype skipString(qsizetype at) const;
    qsizetype skipValue(qsizetype at) const;
    qsizetype skipPastComma(qsizetype at) const;
    QString memberName(qsizetype begin, qsizetype end) const;

    // The way last found, where the value after each of its steps begins,
    // and the member values of the objects on it by name.
    struct Step {
        std::variant<QString, qsizetype> step;
        qsizetype offset;
    };
    struct Members {
        qsizetype object = -1;
        QHash<QString, qsizetype> values;
    };

    QByteArrayView m_json;
    qsizetype m_root;
    std::vector<Step> m_lastWay;
    std::vector<Members> m_members; // by depth
    qsizetype m_countedTo = 0;      // the line breaks before here are counted
    qint64 m_breaksCounted = 0;
};

} // namespace savrona
