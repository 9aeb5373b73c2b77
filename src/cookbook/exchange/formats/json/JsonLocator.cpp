// Walks over a JSON text to the value that a path names, without building any values.
#include "cookbook/exchange/formats/json/JsonLocator.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace savrona {

JsonLocator::JsonLocator(QByteArrayView json) : m_json(json), m_root(skipSpace(0)) {}

qint64 JsonLocator::lineOf(const JsonPath& path) {
    const qsizetype offset = offsetOf(path);
    if (offset >= m_countedTo)
        m_breaksCounted += m_json.sliced(m_countedTo, offset - m_countedTo).count('\n');
    else
        m_breaksCounted -= m_json.sliced(offset, m_countedTo - offset).count('\n');
    m_countedTo = offset;
    return m_breaksCounted + 1;
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

// From the end of a value past the comma after it, blanks on either side of
// the comma included.
qsizetype JsonLocator::skipPastComma(qsizetype at) const {
    at = skipSpace(at);
    if (at < m_json.size() && m_json[at] == ',')
        ++at;
    return skipSpace(at);
}

QString JsonLocator::memberName(qsizetype begin, qsizetype end) const {
    const QByteArrayView quoted = m_json.sliced(begin, end - begin);
    if (!quoted.contains('\\'))
        return QString::fromUtf8(quoted.sliced(1, quoted.size() - 2));
    const QJsonDocument decoded = QJsonDocument::fromJson("[" + quoted.toByteArray() + "]");
    return decoded.array().at(0).toString();
}

// Element `index` of the array at `array`; on from the element the last way
// went to, when it is an earlier one of the same array.
qsizetype JsonLocator::elementOf(qsizetype array, qsizetype index, std::size_t depth) {
    qsizetype at = skipSpace(array + 1);
    qsizetype from = 0;
    if (depth < m_lastWay.size() && (depth == 0 ? m_root : m_lastWay[depth - 1].offset) == array) {
        const auto* last = std::get_if<qsizetype>(&m_lastWay[depth].step);
        if (last != nullptr && *last <= index) {
            at = m_lastWay[depth].offset;
            from = *last;
        }
    }
    for (; from < index && at < m_json.size(); ++from)
        at = skipPastComma(skipValue(at));
    return at;
}

// The value of the last member of that name of the object at `object`; the
// object's members are listed once for all the names asked of it.
qsizetype JsonLocator::memberOf(qsizetype object, const QString& name, std::size_t depth) {
    if (m_members.size() <= depth)
        m_members.resize(depth + 1);
    Members& members = m_members[depth];
    if (members.object != object) {
        members.object = object;
        members.values.clear();
        qsizetype at = skipSpace(object + 1);
        while (at < m_json.size() && m_json[at] == '"') {
            const qsizetype nameEnd = skipString(at);
            const QString memberNamed = memberName(at, nameEnd);
            at = skipSpace(skipSpace(nameEnd) + 1); // past the colon
            members.values.insert(memberNamed, at);
            at = skipPastComma(skipValue(at));
        }
    }
    return members.values.value(name, object);
}

qsizetype JsonLocator::offsetOf(const JsonPath& path) {
    std::size_t shared = 0;
    while (shared < path.size() && shared < m_lastWay.size() &&
           path[shared] == m_lastWay[shared].step)
        ++shared;
    qsizetype at = shared == 0 ? m_root : m_lastWay[shared - 1].offset;
    for (std::size_t depth = shared; depth < path.size(); ++depth) {
        if (at >= m_json.size()) {
            m_lastWay.resize(depth);
            break;
        }
        const auto& step = path[depth];
        const qsizetype* index = std::get_if<qsizetype>(&step);
        if (m_json[at] != (index != nullptr ? '[' : '{')) {
            m_lastWay.resize(depth); // leads nowhere
            break;
        }
        at = index != nullptr ? elementOf(at, *index, depth)
                              : memberOf(at, std::get<QString>(step), depth);
        m_lastWay.resize(depth);
        m_lastWay.push_back({step, at});
    }
    return std::min(at, m_json.size());
}

} // namespace savrona
