#pragma once

// Parsing a JSON text with Qt's parser a piece at a time, so that a large text is never
// held parsed whole and its reading can stop between pieces.

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace savrona {

class ImportProgress;

// A JSON text that does not parse: the line of the fault, and Qt's words for it.
struct JsonFailure {
    qint64 line = 0;
    QString message;
};

// Hands out the values of a JSON text parsed by Qt's parser. A text of at
// most wholeUpTo bytes is one piece, parsed whole. A larger one is taken
// apart where it is too large: an array's elements in runs of at most
// wholeUpTo bytes, an object's members one at a time in the order Qt's parser
// keeps them (by name, the last of equal names), and a container too large
// taken apart again, down to deepestSplit levels. Walking the pieces in order
// meets the values that walking the whole parsed document meets, in the same
// order. An object that keepsWhole says so of (by its "@type" value) is one
// piece, whatever its size.
//
// The text is refused as Qt's parser refuses it, with Qt's words (for a text
// taken apart, the words may name the fault differently). Each piece is
// parsed on its own, so no more than one piece is held parsed at a time;
// progress is checked for a cancel between pieces and every megabyte of the
// walk over the text.
class JsonPieces {
public:
    struct Piece {
        // An object or an array (a run of an array's elements is an array);
        // undefined for an object to keep whole that is larger than
        // largestPiece, which is not parsed.
        QJsonValue value;
        // The text it was parsed from, valid while it is handed out; its
        // first line is `line` of the whole text.
        QByteArrayView text;
        qint64 line = 1;
        // The containers around it in the whole document: 0 for the document.
        int depth = 0;
    };
    using KeepsWhole = std::function<bool(const QJsonValue& type)>;
    using Take = std::function<void(const Piece&)>;

    static constexpr qsizetype parsedWholeUpTo = 1024 * 1024;
    static constexpr qsizetype largestPiece = 16 * 1024 * 1024;
    static constexpr int deepestSplit = 8;
    // An object of more members is parsed whole: no document keeps recipes so.
    static constexpr qsizetype mostMembersSplit = 100'000;

    // firstLine: the line of a page on which the text begins.
    JsonPieces(QByteArrayView json, qint64 firstLine, ImportProgress* progress,
               qsizetype wholeUpTo = parsedWholeUpTo);

    // Hands each piece to take, in order; the fault, when the text does not
    // parse (the pieces handed out until then are of no use then). Throws
    // ImportCancelled when the user cancels through progress.
    std::optional<JsonFailure> read(const KeepsWhole& keepsWhole, const Take& take);

private:
    struct Fault {
        qsizetype offset;
        QJsonParseError::ParseError error;
    };
    struct Member {
        QString name;
        qsizetype begin;
        qsizetype end;
        qint64 line;
    };
    // Counts the lines up to offsets that only grow.
    class LineCounter {
    public:
        LineCounter(QByteArrayView json, qsizetype from, qint64 line)
            : m_json(json), m_at(from), m_line(line) {}
        qint64 lineAt(qsizetype offset) {
            m_line += m_json.sliced(m_at, offset - m_at).count('\n');
            m_at = offset;
            return m_line;
        }

    private:
        QByteArrayView m_json;
        qsizetype m_at;
        qint64 m_line;
    };

    qsizetype skipSpace(qsizetype at) const;
    qsizetype skipString(qsizetype at);
    qsizetype skipValue(qsizetype at, int depth);
    void checkCancel(qsizetype walked);

    qsizetype splitArray(qsizetype at, qint64 line, int depth);
    qsizetype splitObject(qsizetype at, qint64 line, int depth);
    std::optional<qsizetype> listMembers(qsizetype at, qint64 line, int depth,
                                         std::vector<Member>& members);
    void takeMembers(std::vector<Member>& members, int depth);
    void value(qsizetype begin, qsizetype end, qint64 line, int depth);
    void takeValue(qsizetype begin, qsizetype end, qint64 line, int depth);
    void takeRun(qsizetype begin, qsizetype end, qint64 line, int depth);
    QJsonValue scalar(qsizetype begin, qsizetype end);
    QString memberName(qsizetype begin, qsizetype end);
    void hand(const Piece& piece);

    QByteArrayView m_json;
    qint64 m_firstLine;
    ImportProgress* m_progress;
    qsizetype m_wholeUpTo;
    const KeepsWhole* m_keepsWhole = nullptr;
    const Take* m_take = nullptr;
    // Values Qt's parser drops (a member of a name that comes again) are
    // parsed for their faults, but not handed out.
    bool m_quiet = false;
    qsizetype m_nextCancelCheck; // bytes to walk before the next look
    QByteArray m_wrapped;        // a run of elements or a scalar, as an array
};

} // namespace savrona
