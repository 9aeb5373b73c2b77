#pragma once

// Finds the line on which a value of a JSON text begins, for the messages about it: Qt's
// JSON parser keeps no positions.

#include <QByteArrayView>
#include <QString>

#include <variant>
#include <vector>

namespace savrona {

// The way from the top of a JSON document to one value: member names and
// array positions.
using JsonPath = std::vector<std::variant<QString, qsizetype>>;

class JsonLocator {
public:
    // json must be a text that parses: the locator only skips over it.
    explicit JsonLocator(QByteArrayView json) : m_json(json) {}

    // The line (from 1) on which the value at path begins; the line the
    // search got to when the path leads nowhere.
    qint64 lineOf(const JsonPath& path) const;

private:
    qsizetype offsetOf(const JsonPath& path) const;
    qsizetype skipSpace(qsizetype at) const;
    qsizetype skipString(qsizetype at) const;
    qsizetype skipValue(qsizetype at) const;
    QString memberName(qsizetype begin, qsizetype end) const;

    QByteArrayView m_json;
};

} // namespace savrona
