// The document type of the original engine's XML data packets: where it lies, the
// entities it declares, and the entity references of the rest checked against them.
#include "data/packets/engine-xml/DataPacketXmlDocumentType.h"

#include "data/packets/PacketRules.h"
#include "data/packets/xml/XmlBytes.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>

namespace savrona::data_packet_xml {

using namespace packet_rules;
using xml_bytes::isWhiteSpace;

namespace {

constexpr QByteArrayView documentTypeOpening = "<!DOCTYPE";

struct PredefinedEntity {
    QByteArrayView nameAndSemicolon;
    char character;
};

constexpr std::array<PredefinedEntity, 5> predefinedEntities{
    {{"amp;", '&'}, {"apos;", '\''}, {"gt;", '>'}, {"lt;", '<'}, {"quot;", '"'}}};

bool isPredefinedEntity(QByteArrayView name) {
    return std::any_of(predefinedEntities.begin(), predefinedEntities.end(),
                       [name](const PredefinedEntity& entity) {
                           return entity.nameAndSemicolon.chopped(1) == name;
                       });
}

// The parser reads a document up to its first NUL character.
QByteArrayView untilNul(QByteArrayView document) {
    const qsizetype nul = document.indexOf('\0');
    return nul < 0 ? document : document.first(nul);
}

bool startsAt(QByteArrayView bytes, qsizetype position, QByteArrayView start) {
    return bytes.sliced(position).startsWith(start);
}

// Past the first end at or after from; nothing when there is none.
std::optional<qsizetype> pastNext(QByteArrayView bytes, QByteArrayView end, qsizetype from) {
    const qsizetype found = bytes.indexOf(end, from);
    if (found < 0)
        return std::nullopt;
    return found + end.size();
}

// Past the "]]>" closing the section whose "<![" is at begin; sections
// nest.
std::optional<qsizetype> pastIgnoredSection(QByteArrayView bytes, qsizetype begin) {
    std::size_t depth = 0;
    for (qsizetype position = begin + 3; position < bytes.size();) {
        if (startsAt(bytes, position, "<![")) {
            position += 3;
            ++depth;
        } else if (startsAt(bytes, position, "]]>")) {
            position += 3;
            if (depth == 0)
                return position;
            --depth;
        } else {
            ++position;
        }
    }
    return std::nullopt;
}

// Past the '>' closing the document type whose "<!" is at begin, walked
// exactly as the parser walks it: quoted strings, comments and processing
// instructions skipped, "<![" sections skipped, and each other "<!" opening
// a declaration that a '>' closes. Nothing where the parser refuses it.
// onDeclaration is called with the position just past each such "<!".
template <typename OnDeclaration>
std::optional<qsizetype> documentTypeEnd(QByteArrayView bytes, qsizetype begin,
                                         OnDeclaration&& onDeclaration) {
    const auto at = [bytes](qsizetype position) {
        return position < bytes.size() ? bytes[position] : '\0';
    };
    std::size_t depth = 0;
    qsizetype position = begin + 2;
    while (position < bytes.size()) {
        const char character = bytes[position];
        std::optional<qsizetype> next = position + 1;
        if (character == '<' && at(position + 1) == '!' && at(position + 2) != '-') {
            if (at(position + 2) == '[') {
                next = pastIgnoredSection(bytes, position);
            } else {
                onDeclaration(position + 2);
                ++depth;
                next = position + 2;
            }
        } else if (character == '"' || character == '\'') {
            next = pastNext(bytes, QByteArrayView(&character, 1), position + 1);
        } else if (character == '<') {
            if (at(position + 1) == '?')
                next = pastNext(bytes, "?>", position + 2);
            else if (startsAt(bytes, position, "<!--"))
                next = pastNext(bytes, "-->", position + 4);
            else
                return std::nullopt;
        } else if (character == '>') {
            if (depth == 0)
                return position + 1;
            --depth;
        }
        if (!next)
            return std::nullopt;
        position = *next;
    }
    return std::nullopt;
}

QByteArray utf8OfSourceBytes(QByteArrayView bytes, SourceEncoding encoding) {
    return encoding == SourceEncoding::CodePage1252 ? codePage1252ToUtf8(bytes)
                                                    : bytes.toByteArray();
}

// A character reference as the parser reads it ("&#" or "&#x", digits, ";";
// the number modulo 2^32): its character and the position past it.
struct CharacterReference {
    char32_t character = 0;
    qsizetype end = 0;
};

std::optional<CharacterReference> characterReferenceAt(QByteArrayView text, qsizetype ampersand) {
    qsizetype position = ampersand + 1;
    if (position >= text.size() || text[position] != '#')
        return std::nullopt;
    ++position;
    const bool hexadecimal = position < text.size() && text[position] == 'x';
    position += hexadecimal ? 1 : 0;
    const qsizetype digits = position;
    std::uint32_t code = 0;
    for (; position < text.size(); ++position) {
        const char character = text[position];
        if (character >= '0' && character <= '9')
            code = code * (hexadecimal ? 16 : 10) + std::uint32_t(character - '0');
        else if (hexadecimal && (character | 0x20) >= 'a' && (character | 0x20) <= 'f')
            code = code * 16 + std::uint32_t((character | 0x20) - 'a' + 10);
        else
            break;
    }
    if (position == digits || position == text.size() || text[position] != ';')
        return std::nullopt;
    return CharacterReference{char32_t(code), position + 1};
}

// Goes through the texts of the document (attribute values, and text
// between elements) as the parser reads them, comments, processing
// instructions and CDATA left out. An entity reference the parser leaves as
// it stands must name a declared entity; and the text the parser makes must
// not hold "&name;" of a declared entity anywhere else, since it would be
// written back as the reference.
class ReferenceChecker {
public:
    ReferenceChecker(QByteArrayView document, const EntityNames& declared, SourceEncoding encoding)
        : m_document(document), m_declared(declared), m_encoding(encoding) {
        for (const QByteArray& name : declared)
            m_longestName = std::max(m_longestName, name.size());
    }

    void check(qsizetype from) {
        const qsizetype end = m_document.size();
        for (qsizetype position = from; position < end;) {
            const qsizetype tag = m_document.indexOf('<', position);
            const qsizetype textEnd = tag < 0 ? end : tag;
            checkText(position, textEnd);
            if (tag < 0)
                break;
            position = pastMarkup(tag);
        }
    }

private:
    qsizetype pastMarkup(qsizetype begin) {
        const qsizetype end = m_document.size();
        if (startsAt(m_document, begin, "<!--"))
            return pastNext(m_document, "-->", begin + 4).value_or(end);
        if (startsAt(m_document, begin, "<?"))
            return pastNext(m_document, "?>", begin + 2).value_or(end);
        if (startsAt(m_document, begin, "<![CDATA["))
            return pastNext(m_document, "]]>", begin + 9).value_or(end);
        return pastTag(begin + 1);
    }

    // The values of a tag's attributes, each between its quotes.
    qsizetype pastTag(qsizetype position) {
        const qsizetype end = m_document.size();
        while (position < end) {
            const char character = m_document[position];
            if (character == '>')
                return position + 1;
            if (character != '"' && character != '\'') {
                ++position;
                continue;
            }
            const qsizetype close = m_document.indexOf(character, position + 1);
            checkText(position + 1, close < 0 ? end : close);
            position = close < 0 ? end : close + 1;
        }
        return end;
    }

    void checkText(qsizetype begin, qsizetype end) {
        const QByteArrayView text = m_document.first(end);
        m_spelledFrom.reset();
        for (qsizetype position = begin; position < end;) {
            if (!m_spelledFrom) {
                // Only an '&' starts a reference, written or spelt out.
                const qsizetype ampersand = text.indexOf('&', position);
                if (ampersand < 0)
                    break;
                position = ampersand;
            }
            if (text[position] == '&') {
                position = takeAmpersand(text, position);
            } else {
                takeByte(static_cast<unsigned char>(text[position]), position);
                ++position;
            }
        }
    }

    // Whatever the parser makes of the '&' at ampersand; the position past it.
    qsizetype takeAmpersand(QByteArrayView text, qsizetype ampersand) {
        if (const std::optional<CharacterReference> reference =
                characterReferenceAt(text, ampersand)) {
            takeCharacter(reference->character, ampersand);
            return reference->end;
        }
        for (const PredefinedEntity& entity : predefinedEntities) {
            if (startsAt(text, ampersand + 1, entity.nameAndSemicolon)) {
                takeCharacter(char32_t(entity.character), ampersand);
                return ampersand + 1 + entity.nameAndSemicolon.size();
            }
        }
        if (const std::optional<QByteArrayView> name = entityReferenceNameAt(text, ampersand)) {
            const QByteArray utf8Name = utf8OfSourceBytes(*name, m_encoding);
            if (!m_declared.contains(utf8Name))
                throwDamaged(QStringLiteral("it refers at byte %1 to the entity %2, which its "
                                            "document type does not declare")
                                 .arg(ampersand)
                                 .arg(quotedBytes('&' + utf8Name + ';')));
            m_spelledFrom.reset();
            return ampersand + 1 + name->size() + 1;
        }
        // Kept as it stands: an ampersand of the text.
        takeCharacter(U'&', ampersand);
        return ampersand + 1;
    }

    // A byte of the document, taken by the parser as it is.
    void takeByte(unsigned char byte, qsizetype position) {
        if (byte < 0x80)
            takeCharacter(char32_t(byte), position);
        else if (m_encoding == SourceEncoding::CodePage1252)
            extendSpelledName(
                codePage1252ToUtf8(QByteArrayView(reinterpret_cast<char*>(&byte), 1)));
        else
            extendSpelledName(QByteArrayView(reinterpret_cast<char*>(&byte), 1));
    }

    // A character of the text the parser makes, which the bytes at position
    // gave.
    void takeCharacter(char32_t character, qsizetype position) {
        if (character == U'&') {
            m_spelledFrom = position;
            m_spelledName.clear();
        } else if (!m_spelledFrom) {
            return;
        } else if (character == U';') {
            if (m_declared.contains(m_spelledName))
                throw Error(QStringLiteral("The data packet spells out the text %1 at byte %2, "
                                           "which Savrona could not tell from the reference to "
                                           "the entity of that name in its document type.")
                                .arg(quotedBytes('&' + m_spelledName + ';'))
                                .arg(*m_spelledFrom));
            m_spelledFrom.reset();
        } else if (character < 0x80 ? isXmlNameByte(static_cast<unsigned char>(character))
                                    : character <= 0x10FFFF && !QChar::isSurrogate(character)) {
            extendSpelledName(QString::fromUcs4(&character, 1).toUtf8());
        } else {
            m_spelledFrom.reset();
        }
    }

    void extendSpelledName(QByteArrayView utf8) {
        if (!m_spelledFrom)
            return;
        m_spelledName.append(utf8);
        if (m_spelledName.size() > m_longestName)
            m_spelledFrom.reset(); // names no declared entity
    }

    QByteArrayView m_document;
    const EntityNames& m_declared;
    SourceEncoding m_encoding;
    qsizetype m_longestName = 0;
    // Where the '&' of the text that may spell out a reference stands, and
    // the name after it so far, in UTF-8.
    std::optional<qsizetype> m_spelledFrom;
    QByteArray m_spelledName;
};

} // namespace

Prolog prologOf(QByteArrayView document) {
    document = untilNul(document);
    Prolog prolog;
    qsizetype position = xml_bytes::leadingSkipLength(document);
    const auto skipPast = [&](QByteArrayView end, qsizetype from) {
        position = pastNext(document, end, from).value_or(document.size());
    };
    while (position < document.size()) {
        if (startsAt(document, position, "<?")) {
            skipPast("?>", position + 2);
        } else if (startsAt(document, position, "<!--")) {
            skipPast("-->", position + 4);
        } else if (startsAt(document, position, documentTypeOpening)) {
            const std::optional<qsizetype> end =
                documentTypeEnd(document, position, [](qsizetype) {});
            if (!end)
                break;
            if (!prolog.documentType)
                prolog.documentType = document.sliced(position, *end - position);
            position = *end;
        } else if (isWhiteSpace(document[position])) {
            ++position;
        } else {
            break;
        }
    }
    prolog.length = position;
    return prolog;
}

EntityNames declaredEntityNames(QByteArrayView documentType) {
    EntityNames names;
    documentTypeEnd(documentType, 0, [&](qsizetype position) {
        if (!startsAt(documentType, position, "ENTITY"))
            return;
        position += 6;
        const qsizetype blanks = position;
        while (position < documentType.size() && isWhiteSpace(documentType[position]))
            ++position;
        if (position == blanks || position == documentType.size() || documentType[position] == '%')
            return; // not a declaration, or one of a parameter entity
        const qsizetype nameStart = position;
        while (position < documentType.size() &&
               isXmlNameByte(static_cast<unsigned char>(documentType[position])))
            ++position;
        const QByteArrayView name = documentType.sliced(nameStart, position - nameStart);
        if (isXmlName(name) && !isPredefinedEntity(name))
            names.insert(name.toByteArray());
    });
    return names;
}

void checkEntityReferences(QByteArrayView document, const Prolog& prolog, SourceEncoding encoding) {
    if (!prolog.documentType)
        return;
    const EntityNames declared =
        declaredEntityNames(documentTypeInUtf8(*prolog.documentType, encoding));
    ReferenceChecker(untilNul(document), declared, encoding).check(prolog.length);
}

QByteArray documentTypeInUtf8(QByteArrayView documentType, SourceEncoding encoding) {
    return utf8OfSourceBytes(documentType, encoding);
}

} // namespace savrona::data_packet_xml
