// Takes a large JSON text apart where it is too large, and parses the pieces with Qt's
// parser one at a time.
#include "cookbook/exchange/formats/json/JsonPieces.h"

#include "cookbook/exchange/formats/ImportProgress.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace savrona {

namespace {

constexpr int nestingLimit = 1024; // Qt's parser's
constexpr qsizetype bytesBetweenCancelChecks = 1024 * 1024;

bool opensContainer(char character) {
    return character == '[' || character == '{';
}

QJsonValue documentValue(const QJsonDocument& document) {
    return document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
}

} // namespace

JsonPieces::JsonPieces(QByteArrayView json, qint64 firstLine, ImportProgress* progress,
                       qsizetype wholeUpTo)
    : m_json(json), m_firstLine(firstLine), m_progress(progress), m_wholeUpTo(wholeUpTo),
      m_nextCancelCheck(bytesBetweenCancelChecks) {}

std::optional<JsonFailure> JsonPieces::read(const KeepsWhole& keepsWhole, const Take& take) {
    m_keepsWhole = &keepsWhole;
    m_take = &take;
    try {
        const qsizetype root = skipSpace(0);
        if (m_json.size() <= m_wholeUpTo || root >= m_json.size() ||
            !opensContainer(m_json[root])) {
            takeValue(0, m_json.size(), m_firstLine, 0);
            return std::nullopt;
        }
        const qint64 line = m_firstLine + m_json.first(root).count('\n');
        const qsizetype end =
            m_json[root] == '[' ? splitArray(root, line, 0) : splitObject(root, line, 0);
        if (const qsizetype after = skipSpace(end); after < m_json.size())
            throw Fault{after, QJsonParseError::GarbageAtEnd};
        return std::nullopt;
    } catch (const Fault& fault) {
        QJsonParseError error{};
        error.error = fault.error;
        const qsizetype offset = std::clamp<qsizetype>(fault.offset, 0, m_json.size());
        return JsonFailure{m_firstLine + m_json.first(offset).count('\n'), error.errorString()};
    }
}

qsizetype JsonPieces::skipSpace(qsizetype at) const {
    while (at < m_json.size() &&
           (m_json[at] == ' ' || m_json[at] == '\t' || m_json[at] == '\n' || m_json[at] == '\r'))
        ++at;
    return at;
}

// Counts the bytes walked over, and looks for a cancel after each megabyte.
void JsonPieces::checkCancel(qsizetype walked) {
    m_nextCancelCheck -= walked;
    if (m_nextCancelCheck > 0)
        return;
    m_nextCancelCheck = bytesBetweenCancelChecks;
    if (m_progress)
        m_progress->throwIfCancelled();
}

// From an opening quote to just past the closing one; the end of the text
// when there is none (the parse of the piece tells).
qsizetype JsonPieces::skipString(qsizetype at) {
    const qsizetype begin = at;
    for (++at; at < m_json.size(); ++at) {
        if (m_json[at] == '\\') {
            ++at;
        } else if (m_json[at] == '"') {
            checkCancel(at - begin);
            return at + 1;
        }
    }
    checkCancel(at - begin);
    return m_json.size();
}

// Past the value at `at`, inside `depth` containers; its own brackets count
// towards Qt's limit of nesting.
qsizetype JsonPieces::skipValue(qsizetype at, int depth) {
    if (m_json[at] == '"')
        return skipString(at);
    if (!opensContainer(m_json[at])) {
        const qsizetype begin = at;
        while (at < m_json.size() && m_json[at] != ',' && m_json[at] != ']' && m_json[at] != '}')
            ++at;
        if (at == begin)
            throw Fault{at, QJsonParseError::IllegalValue};
        return at;
    }
    int level = depth;
    qsizetype walkedFrom = at;
    while (at < m_json.size()) {
        const char character = m_json[at];
        if (character == '"') {
            checkCancel(at - walkedFrom);
            at = skipString(at);
            walkedFrom = at;
            continue;
        }
        if (opensContainer(character)) {
            if (++level > nestingLimit)
                throw Fault{at, QJsonParseError::DeepNesting};
        } else if ((character == ']' || character == '}') && --level == depth) {
            checkCancel(at - walkedFrom);
            return at + 1;
        }
        ++at;
        if (at - walkedFrom >= bytesBetweenCancelChecks) {
            checkCancel(at - walkedFrom);
            walkedFrom = at;
        }
    }
    return m_json.size();
}

// The elements of the array at `at`, in runs; an element too large on its
// own. Returns where the array ends.
qsizetype JsonPieces::splitArray(qsizetype at, qint64 line, int depth) {
    LineCounter lines(m_json, at, line);
    qsizetype runBegin = -1;
    qsizetype runEnd = -1;
    qint64 runLine = 0;
    const auto endRun = [&] {
        if (runBegin >= 0)
            takeRun(runBegin, runEnd, runLine, depth);
        runBegin = -1;
    };
    at = skipSpace(at + 1);
    if (at < m_json.size() && m_json[at] == ']')
        return at + 1;
    for (;;) {
        if (m_progress)
            m_progress->throwIfCancelled();
        if (at >= m_json.size())
            throw Fault{at, QJsonParseError::UnterminatedArray};
        const qsizetype end = skipValue(at, depth + 1);
        if (end - at > m_wholeUpTo) {
            endRun();
            value(at, end, lines.lineAt(at), depth + 1);
        } else {
            if (runBegin >= 0 && end - runBegin > m_wholeUpTo)
                endRun();
            if (runBegin < 0) {
                runBegin = at;
                runLine = lines.lineAt(at);
            }
            runEnd = end;
        }
        at = skipSpace(end);
        if (at >= m_json.size())
            throw Fault{at, QJsonParseError::UnterminatedArray};
        if (m_json[at] == ']') {
            endRun();
            return at + 1;
        }
        if (m_json[at] != ',')
            throw Fault{at, QJsonParseError::MissingValueSeparator};
        at = skipSpace(at + 1);
        if (at < m_json.size() && m_json[at] == ']')
            throw Fault{at, QJsonParseError::MissingObject};
    }
}

// The members of the object at `at` in Qt's order, or the object whole when
// keepsWhole says so or it has too many. Returns where the object ends.
qsizetype JsonPieces::splitObject(qsizetype at, qint64 line, int depth) {
    std::vector<Member> members;
    const std::optional<qsizetype> end = listMembers(at, line, depth, members);
    if (!end) {
        const qsizetype objectEnd = skipValue(at, depth);
        takeValue(at, objectEnd, line, depth);
        return objectEnd;
    }
    std::stable_sort(members.begin(), members.end(),
                     [](const Member& one, const Member& other) { return one.name < other.name; });
    QJsonValue type(QJsonValue::Undefined);
    const auto typeNamed = std::equal_range(
        members.begin(), members.end(), Member{QStringLiteral("@type"), 0, 0, 0},
        [](const Member& one, const Member& other) { return one.name < other.name; });
    if (typeNamed.first != typeNamed.second) {
        const Member& last = *(typeNamed.second - 1);
        if (!opensContainer(m_json[last.begin])) {
            type = scalar(last.begin, last.end);
        } else if (last.end - last.begin <= largestPiece) {
            QJsonParseError error{};
            const QByteArrayView text = m_json.sliced(last.begin, last.end - last.begin);
            type = documentValue(
                QJsonDocument::fromJson(QByteArray::fromRawData(text.data(), text.size()), &error));
        }
    }
    if ((*m_keepsWhole)(type)) {
        if (*end - at > largestPiece)
            hand({QJsonValue(QJsonValue::Undefined), m_json.sliced(at, *end - at), line, depth});
        else
            takeValue(at, *end, line, depth);
        return *end;
    }
    takeMembers(members, depth);
    return *end;
}

// The members in the order of the text with their names; the end of the
// object, or nothing when it has more than mostMembersSplit.
std::optional<qsizetype> JsonPieces::listMembers(qsizetype at, qint64 line, int depth,
                                                 std::vector<Member>& members) {
    LineCounter lines(m_json, at, line);
    at = skipSpace(at + 1);
    if (at < m_json.size() && m_json[at] == '}')
        return at + 1;
    for (;;) {
        if (m_progress)
            m_progress->throwIfCancelled();
        if (at >= m_json.size() || m_json[at] != '"')
            throw Fault{at, QJsonParseError::UnterminatedObject};
        const qsizetype nameEnd = skipString(at);
        QString name = memberName(at, nameEnd);
        at = skipSpace(nameEnd);
        if (at >= m_json.size() || m_json[at] != ':')
            throw Fault{at, QJsonParseError::MissingNameSeparator};
        at = skipSpace(at + 1);
        if (at >= m_json.size())
            throw Fault{at, QJsonParseError::UnterminatedObject};
        const qsizetype end = skipValue(at, depth + 1);
        if (qsizetype(members.size()) == mostMembersSplit)
            return std::nullopt;
        members.push_back({std::move(name), at, end, lines.lineAt(at)});
        at = skipSpace(end);
        if (at >= m_json.size())
            throw Fault{at, QJsonParseError::UnterminatedObject};
        if (m_json[at] == '}')
            return at + 1;
        if (m_json[at] != ',')
            throw Fault{at, QJsonParseError::UnterminatedObject};
        at = skipSpace(at + 1);
        if (at < m_json.size() && m_json[at] == '}')
            throw Fault{at, QJsonParseError::MissingObject};
    }
}

// Of members of equal names, those before the last are parsed for their
// faults only, as Qt's parser drops them.
void JsonPieces::takeMembers(std::vector<Member>& members, int depth) {
    for (std::size_t at = 0; at < members.size(); ++at) {
        if (m_progress)
            m_progress->throwIfCancelled();
        const Member& member = members[at];
        const bool dropped = at + 1 < members.size() && members[at + 1].name == member.name;
        const bool wasQuiet = m_quiet;
        m_quiet = wasQuiet || dropped;
        value(member.begin, member.end, member.line, depth + 1);
        m_quiet = wasQuiet;
    }
}

// One value of a container taken apart: taken apart again when it is too
// large, else parsed whole.
void JsonPieces::value(qsizetype begin, qsizetype end, qint64 line, int depth) {
    if (!opensContainer(m_json[begin]))
        scalar(begin, end);
    else if (end - begin > m_wholeUpTo && depth <= deepestSplit)
        m_json[begin] == '[' ? splitArray(begin, line, depth) : splitObject(begin, line, depth);
    else
        takeValue(begin, end, line, depth);
}

void JsonPieces::takeValue(qsizetype begin, qsizetype end, qint64 line, int depth) {
    const QByteArrayView text = m_json.sliced(begin, end - begin);
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromRawData(text.data(), text.size()), &error);
    if (error.error != QJsonParseError::NoError)
        throw Fault{begin + error.offset, error.error};
    hand({documentValue(document), text, line, depth});
}

// Elements of an array from `begin` to `end`, parsed as an array of their own.
void JsonPieces::takeRun(qsizetype begin, qsizetype end, qint64 line, int depth) {
    m_wrapped.clear();
    m_wrapped.reserve(end - begin + 2);
    m_wrapped += '[';
    m_wrapped += m_json.sliced(begin, end - begin);
    m_wrapped += ']';
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(m_wrapped, &error);
    if (error.error != QJsonParseError::NoError)
        throw Fault{std::clamp<qsizetype>(begin + error.offset - 1, begin, end), error.error};
    hand({document.array(), m_wrapped, line, depth});
}

// A value that is no container, parsed inside an array of its own. One larger
// than largestPiece is only looked at for where it ends.
QJsonValue JsonPieces::scalar(qsizetype begin, qsizetype end) {
    if (end - begin > largestPiece)
        return QJsonValue(QJsonValue::Undefined);
    m_wrapped.clear();
    m_wrapped += '[';
    m_wrapped += m_json.sliced(begin, end - begin);
    m_wrapped += ']';
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(m_wrapped, &error);
    if (error.error != QJsonParseError::NoError)
        throw Fault{std::clamp<qsizetype>(begin + error.offset - 1, begin, end), error.error};
    return document.array().at(0);
}

QString JsonPieces::memberName(qsizetype begin, qsizetype end) {
    const QByteArrayView quoted = m_json.sliced(begin, end - begin);
    if (quoted.size() >= 2 && quoted.back() == '"' && !quoted.contains('\\'))
        return QString::fromUtf8(quoted.sliced(1, quoted.size() - 2));
    return scalar(begin, end).toString(); // Qt's decoding, and its faults
}

void JsonPieces::hand(const Piece& piece) {
    if (!m_quiet)
        (*m_take)(piece);
}

} // namespace savrona
