// Walks over a JSON text to the value that a path names, without building any values.
#include "cookbook/exchange/formats/JsonLocator.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace savrona {

qint64 JsonLocator::lineOf(const JsonPath& path) const {
    return m_json.first(offsetOf(path)).count('\n') + 1;
}

qsizetype JsonLocator::skipSpace(qsizetype at) const {
    while (at < m_json.size() &&
           (m_json[at] == ' ' || m_json[at] == '\t' || m_json[at] == '\n' || m_json[at] == '\r'))
        ++at;
    return at;
}

// From an opening quote to just past the closing one.
qsizetype JsonLocator::skipString(qsizetype at) const {
    for (++at; at < m_json.size(); ++at) {
        if (m_json[at] == '\\')
            ++at;
        else if (m_json[at] == '"')
            return at + 1;
    }
    return m_json.size();
}

qsizetype JsonLocator::skipValue(qsizetype at) const {
    at = skipSpace(at);
    if (at >= m_json.size())
        return at;
    if (m_json[at] == '"')
        return skipString(at);
    if (m_json[at] != '{' && m_json[at] != '[') {
        while (at < m_json.size() && m_json[at] != ',' && m_json[at] != '}' && m_json[at] != ']')
            ++at;
        return at;
    }
    int depth = 0;
    while (at < m_json.size()) {
        const char character = m_json[at];
        if (character == '"') {
            at = skipString(at);
            continue;
        }
        if (character == '{' || character == '[')
            ++depth;
        else if ((character == '}' || character == ']') && --depth == 0)
            return at + 1;
        ++at;
    }
    return at;
}

QString JsonLocator::memberName(qsizetype begin, qsizetype end) const {
    const QByteArrayView quoted = m_json.sliced(begin, end - begin);
    if (!quoted.contains('\\'))
        return QString::fromUtf8(quoted.sliced(1, quoted.size() - 2));
    const QJsonDocument decoded = QJsonDocument::fromJson("[" + quoted.toByteArray() + "]");
    return decoded.array().at(0).toString();
}

qsizetype JsonLocator::offsetOf(const JsonPath& path) const {
    qsizetype at = skipSpace(0);
    for (const auto& step : path) {
        if (at >= m_json.size())
            return m_json.size();
        if (const qsizetype* position = std::get_if<qsizetype>(&step)) {
            if (m_json[at] != '[')
                return at;
            at = skipSpace(at + 1);
            for (qsizetype index = 0; index < *position && at < m_json.size(); ++index)
                at = skipSpace(skipValue(at) + 1); // past the value and its comma
            continue;
        }
        if (m_json[at] != '{')
            return at;
        const QString& wanted = std::get<QString>(step);
        at = skipSpace(at + 1);
        while (at < m_json.size() && m_json[at] == '"') {
            const qsizetype nameEnd = skipString(at);
            const bool found = memberName(at, nameEnd) == wanted;
            at = skipSpace(nameEnd);
            at = skipSpace(at + 1); // past the colon
            if (found)
                break;
            at = skipSpace(skipValue(at) + 1); // past the value and its comma
        }
    }
    return std::min(at, m_json.size());
}

} // namespace savrona
