// Writes the XML form straight into one buffer: no document tree, no
// allocation per value, each text scanned once.
#include "data/packets/PacketFormats.h"
#include "data/packets/PacketRules.h"
#include "data/packets/engine-xml/DataPacketXml.h"
#include "data/packets/savrona-xml/XmlPacket.h"
#include "data/packets/xml/XmlBytes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace savrona {

using namespace packet_rules;

namespace {

// How each byte of a text is written in an attribute value.
enum class ByteTreatment : std::uint8_t {
    Copy,
    Reference,      // & < " and the white space that readers would normalise
    Forbidden,      // a control character XML 1.0 cannot carry
    MaybeForbidden, // EF, which starts U+FFFE and U+FFFF
};

constexpr std::array<ByteTreatment, 256> byteTreatments = [] {
    std::array<ByteTreatment, 256> treatments{};
    for (int byte = 0; byte < 0x20; ++byte)
        treatments[byte] = ByteTreatment::Forbidden;
    for (const char byte : {'&', '<', '"', '\t', '\n', '\r'})
        treatments[static_cast<unsigned char>(byte)] = ByteTreatment::Reference;
    treatments[0xEF] = ByteTreatment::MaybeForbidden;
    return treatments;
}();

// The most bytes one byte of a text can become ("&quot;", "\u0001").
constexpr qsizetype largestGrowth = 6;

QByteArrayView referenceFor(unsigned char byte) {
    switch (byte) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '"':
        return "&quot;";
    case '\t':
        return "&#9;";
    case '\n':
        return "&#10;";
    default:
        return "&#13;";
    }
}

bool isNoncharacterAt(const unsigned char* cursor, const unsigned char* end) {
    return end - cursor >= 3 && cursor[1] == 0xBF && (cursor[2] == 0xBE || cursor[2] == 0xBF);
}

char* copyInto(char* out, QByteArrayView bytes) {
    std::memcpy(out, bytes.data(), std::size_t(bytes.size()));
    return out + bytes.size();
}

// The one markup character that an attribute value ('"') or element content
// ('>') treats besides '&' and '<'.
constexpr char attributeMarkup = '"';
constexpr char contentMarkup = '>';

// Marks the bytes of a word that may need more than a copy (a control
// character, the markup character, '&', '<' or EF) by setting their top
// bits. Bit tricks on the whole word: the lowest mark is always such a byte;
// marks above it may be false.
template <char markup> std::uint64_t markTreatedBytes(std::uint64_t word) {
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr std::uint64_t highBits = 0x8080808080808080;
    const auto zeroBytes = [](std::uint64_t value) { return (value - ones) & ~value & highBits; };
    const std::uint64_t belowSpace = (word - ones * 0x20) & ~word & highBits;
    return belowSpace | zeroBytes(word ^ (ones * std::uint8_t(markup))) |
           zeroBytes(word ^ (ones * '&')) | zeroBytes(word ^ (ones * '<')) |
           zeroBytes(word ^ (ones * 0xEF));
}

// A reference in a whole word, so that it is stored at once.
struct PaddedReference {
    std::array<char, 8> bytes{};
    qsizetype length = 0;
};

const PaddedReference& paddedReferenceFor(unsigned char byte) {
    static const std::array<PaddedReference, 256> references = [] {
        std::array<PaddedReference, 256> table{};
        for (const char byte : {'&', '<', '"', '\t', '\n', '\r'}) {
            const QByteArrayView reference = referenceFor(static_cast<unsigned char>(byte));
            PaddedReference& entry = table[static_cast<unsigned char>(byte)];
            std::memcpy(entry.bytes.data(), reference.data(), std::size_t(reference.size()));
            entry.length = reference.size();
        }
        return table;
    }();
    return references[byte];
}

// The room writeEscaped needs beyond largestGrowth per byte: it stores whole
// words and lets the next store overwrite what lies past the bytes it keeps.
constexpr qsizetype escapeSlack = 16;

// Stores the next block of 16 bytes (8 without SSE2, or near the end) at out
// and moves both past its plain bytes. True when the whole block was plain;
// else the cursor stops at a byte that may need more than a copy.
template <char markup>
bool copyPlainBlock(char*& out, const unsigned char*& cursor, const unsigned char* end) {
#if defined(__SSE2__)
    if (end - cursor >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cursor));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
        // Unsigned bytes up to 0x1F are those whose minimum with 0x1F is themselves.
        const __m128i belowSpace = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(0x1F)), bytes);
        const __m128i marked =
            _mm_or_si128(_mm_or_si128(belowSpace, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(markup))),
                         _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')),
                                                   _mm_cmpeq_epi8(bytes, _mm_set1_epi8('<'))),
                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8(char(0xEF)))));
        const auto marks = unsigned(_mm_movemask_epi8(marked));
        const int plainBytes = marks == 0 ? 16 : std::countr_zero(marks);
        cursor += plainBytes;
        out += plainBytes;
        return plainBytes == 16;
    }
#endif
    if (end - cursor >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, cursor, sizeof word);
        std::memcpy(out, &word, sizeof word);
        const std::uint64_t marks = markTreatedBytes<markup>(word);
        const int plainBytes = marks == 0 ? 8 : std::countr_zero(marks) / 8;
        cursor += plainBytes;
        out += plainBytes;
        return plainBytes == 8;
    }
    return false;
}

// A line break of the stored texts, written with one store.
constexpr std::array<char, 16> lineBreakReferences = {'&', '#', '1', '3', ';',
                                                      '&', '#', '1', '0', ';'};
constexpr qsizetype lineBreakReferencesLength = 10;

// Writes a text with references for the bytes that need them, finding the
// next such byte 16 bytes at a time (8 without SSE2) and storing plain runs
// whole. Returns nullptr at a character XML cannot hold.
// Needs room for text.size() * largestGrowth + escapeSlack bytes at out.
char* writeEscaped(char* out, QByteArrayView text) {
    static_assert(std::endian::native == std::endian::little, "the lowest byte comes first");
    const auto* cursor = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = cursor + text.size();
    while (cursor != end) {
        if (copyPlainBlock<attributeMarkup>(out, cursor, end))
            continue;
        if (*cursor == '\r' && end - cursor >= 2 && cursor[1] == '\n') {
            std::memcpy(out, lineBreakReferences.data(), lineBreakReferences.size());
            out += lineBreakReferencesLength;
            cursor += 2;
            continue;
        }
        const ByteTreatment treatment = byteTreatments[*cursor];
        if (treatment == ByteTreatment::Reference) {
            const PaddedReference& reference = paddedReferenceFor(*cursor);
            std::memcpy(out, reference.bytes.data(), reference.bytes.size());
            out += reference.length;
        } else if (treatment == ByteTreatment::Copy ||
                   (treatment == ByteTreatment::MaybeForbidden && !isNoncharacterAt(cursor, end))) {
            *out++ = char(*cursor);
        } else {
            return nullptr;
        }
        ++cursor;
    }
    return out;
}

// Writes a text as the content of an <lN> element: each CR LF as a line
// feed, '&', '<' and '>' as references, everything else as it is, plain runs
// found as in writeEscaped. Returns nullptr when the text cannot be written
// so: a CR or LF that is not part of a CR LF, or a character that XML cannot
// hold. Needs the room that writeEscaped needs.
char* writeLines(char* out, QByteArrayView text) {
    const auto* cursor = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = cursor + text.size();
    while (cursor != end) {
        if (copyPlainBlock<contentMarkup>(out, cursor, end))
            continue;
        const unsigned char byte = *cursor;
        if (byte == '\r' && end - cursor >= 2 && cursor[1] == '\n') {
            *out++ = '\n';
            cursor += 2;
            continue;
        }
        if (byte == '&' || byte == '<' || byte == '>') {
            out = copyInto(out, byte == '&' ? "&amp;" : byte == '<' ? "&lt;" : "&gt;");
        } else if (byte == '\t' || byte == '"' || byteTreatments[byte] == ByteTreatment::Copy ||
                   (byteTreatments[byte] == ByteTreatment::MaybeForbidden &&
                    !isNoncharacterAt(cursor, end))) {
            *out++ = char(byte);
        } else {
            return nullptr;
        }
        ++cursor;
    }
    return out;
}

// Whether a text goes into an <lN> element rather than an attribute: it has
// a line break, and it is not all white space, which XML readers drop from
// element content. (writeLines declines what else does not fit.)
bool suitsLines(QByteArrayView text) {
    return text.contains('\r') && !std::all_of(text.begin(), text.end(), xml_bytes::isWhiteSpace);
}

char* writeOwnEscape(char* out, unsigned int character) {
    constexpr char hexDigits[] = "0123456789ABCDEF";
    *out++ = '\\';
    *out++ = 'u';
    for (int shift = 12; shift >= 0; shift -= 4)
        *out++ = hexDigits[(character >> shift) & 0xF];
    return out;
}

// The eN form: characters XML cannot hold as \uXXXX, the backslash doubled.
char* writeWithOwnEscapes(char* out, QByteArrayView text) {
    const auto* cursor = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = cursor + text.size();
    for (; cursor != end; ++cursor) {
        const ByteTreatment treatment = byteTreatments[*cursor];
        if (*cursor == '\\') {
            out = copyInto(out, "\\\\");
        } else if (treatment == ByteTreatment::Reference) {
            out = copyInto(out, referenceFor(*cursor));
        } else if (treatment == ByteTreatment::Forbidden) {
            out = writeOwnEscape(out, *cursor);
        } else if (treatment == ByteTreatment::MaybeForbidden && isNoncharacterAt(cursor, end)) {
            out = writeOwnEscape(out, cursor[2] == 0xBE ? 0xFFFE : 0xFFFF);
            cursor += 2;
        } else {
            *out++ = char(*cursor);
        }
    }
    return out;
}

template <typename Number> char* writeNumber(char* out, Number number) {
    return std::to_chars(out, out + 24, number).ptr;
}

// A buffer written through a cursor. Room for the most a piece can take is
// made before it is written, so the bytes themselves go in without checks.
class OutputBuffer {
public:
    explicit OutputBuffer(qsizetype expectedSize) {
        m_bytes.resize(expectedSize);
        m_cursor = m_bytes.data();
    }

    char* roomFor(qsizetype most) {
        const qsizetype used = m_cursor - m_bytes.data();
        if (m_bytes.size() - used < most) {
            m_bytes.resize(std::max(m_bytes.size() * 2, used + most));
            m_cursor = m_bytes.data() + used;
        }
        return m_cursor;
    }
    void advanceTo(char* end) { m_cursor = end; }
    void append(QByteArrayView bytes) { advanceTo(copyInto(roomFor(bytes.size()), bytes)); }

    QByteArray take() {
        m_bytes.truncate(m_cursor - m_bytes.data());
        return std::move(m_bytes);
    }

    qsizetype used() const { return m_cursor - m_bytes.data(); }
    // Hands what is written so far to the writer and starts again at the front.
    void handOver(const ChunkWriter& writer) {
        writer(written());
        clear();
    }
    QByteArrayView written() const { return {m_bytes.constData(), used()}; }
    void clear() { m_cursor = m_bytes.data(); }

private:
    QByteArray m_bytes;
    char* m_cursor = nullptr;
};

class XmlPacketWriter {
public:
    explicit XmlPacketWriter(const PacketView& packet)
        : m_packet(packet), m_out(expectedSize(packet)), m_lines(linesBufferSize) {}
    // Writes in chunks of about chunkSize bytes through writer.
    XmlPacketWriter(const PacketView& packet, const ChunkWriter& writer, qsizetype chunkSize)
        : m_packet(packet), m_out(chunkSize + chunkSize / 4), m_lines(linesBufferSize),
          m_writer(&writer), m_chunkSize(chunkSize) {}

    QByteArray write() {
        writeDocument();
        return m_out.take();
    }

    void writeThrough() {
        writeDocument();
        m_out.handOver(*m_writer);
    }

private:
    void writeDocument() {
        m_out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<savrona-data version=\"2\">\n");
        writeFields();
        m_out.append("  <rows>\n");
        // Each row is checked just before it is written, while its texts are
        // in the cache. A row that cannot be written throws: the buffer, or
        // the file the chunks went to, is dropped whole.
        for (std::size_t rowIndex = 0; rowIndex < m_packet.rows.size(); ++rowIndex) {
            checkRowCanBeWritten(m_packet, rowIndex);
            writeRow(m_packet.rows[rowIndex]);
            if (m_writer && m_out.used() >= m_chunkSize)
                m_out.handOver(*m_writer);
        }
        m_out.append("  </rows>\n</savrona-data>\n");
    }

    // Texts and their markup, with room for the references of line breaks.
    static qsizetype expectedSize(const PacketView& packet) {
        qsizetype size = 256 + qsizetype(packet.fields.size()) * 64;
        for (const Row& row : packet.rows) {
            size += 16;
            for (const Value& value : row)
                size += 16 + (value.isText() ? value.utf8().size() + value.utf8().size() / 4 : 0);
        }
        return size;
    }

    void writeFields() {
        m_out.append("  <fields>\n");
        for (const FieldDefinition& field : m_packet.fields) {
            const QByteArray name = field.name.toUtf8();
            m_out.append("    <field name=\"");
            char* end =
                writeEscaped(m_out.roomFor(name.size() * largestGrowth + escapeSlack), name);
            if (end == nullptr) {
                // A row that cannot be written is reported before a field name.
                for (std::size_t rowIndex = 0; rowIndex < m_packet.rows.size(); ++rowIndex)
                    checkRowCanBeWritten(m_packet, rowIndex);
                throwCannotWrite(QStringLiteral("the field name %1 holds a control character")
                                     .arg(quoted(field.name)));
            }
            m_out.advanceTo(end);
            m_out.append("\" type=\"");
            m_out.append(xmlTypeNameOf(field.type));
            m_out.append("\"");
            if (field.type == FieldType::Text) {
                m_out.append(" width=\"");
                m_out.advanceTo(writeNumber(m_out.roomFor(24), field.width));
                m_out.append("\"");
            }
            m_out.append("/>\n");
        }
        m_out.append("  </fields>\n");
    }

    // Attributes first; texts of lines are gathered meanwhile and follow as
    // <lN> elements in field order.
    void writeRow(const Row& row) {
        m_lines.clear();
        m_out.append("    <row");
        for (std::size_t index = 0; index < row.size(); ++index) {
            const Value& value = row[index];
            if (value.isInteger()) {
                char* out = writeAttributeStart(m_out.roomFor(64), 'f', index);
                m_out.advanceTo(writeNumber(out, value.integer()));
                m_out.append("\"");
            } else if (value.isText()) {
                writeText(value.utf8(), index);
            }
        }
        if (m_lines.used() == 0) {
            m_out.append("/>\n");
            return;
        }
        m_out.append(">");
        m_out.append(m_lines.written());
        m_out.append("</row>\n");
    }

    void writeText(QByteArrayView text, std::size_t fieldIndex) {
        if (suitsLines(text) && writeLinesElement(text, fieldIndex))
            return;
        char* start = m_out.roomFor(text.size() * largestGrowth + 64);
        char* end = writeEscaped(writeAttributeStart(start, 'f', fieldIndex), text);
        if (end == nullptr)
            end = writeWithOwnEscapes(writeAttributeStart(start, 'e', fieldIndex), text);
        *end++ = '"';
        m_out.advanceTo(end);
    }

    // False, with nothing written, when the text cannot be written as lines.
    bool writeLinesElement(QByteArrayView text, std::size_t fieldIndex) {
        char* start = m_lines.roomFor(text.size() * largestGrowth + 64);
        char* out = start;
        *out++ = '<';
        *out++ = 'l';
        char* const tagEnd = writeNumber(out, fieldIndex + 1);
        const QByteArrayView number(out, tagEnd - out);
        *tagEnd = '>';
        char* end = writeLines(tagEnd + 1, text);
        if (end == nullptr)
            return false;
        end = copyInto(end, "</l");
        end = copyInto(end, number);
        *end++ = '>';
        m_lines.advanceTo(end);
        return true;
    }

    static char* writeAttributeStart(char* out, char form, std::size_t fieldIndex) {
        *out++ = ' ';
        *out++ = form;
        out = writeNumber(out, fieldIndex + 1);
        *out++ = '=';
        *out++ = '"';
        return out;
    }

    static constexpr qsizetype linesBufferSize = 4096;

    PacketView m_packet;
    OutputBuffer m_out;
    // The <lN> elements of the row being written.
    OutputBuffer m_lines;
    const ChunkWriter* m_writer = nullptr;
    qsizetype m_chunkSize = 0;
};

} // namespace

QByteArray writeXmlPacket(const PacketView& packet) {
    if (packet.dataPacketXmlLayout)
        return writeDataPacketXml(packet);
    return XmlPacketWriter(packet).write();
}

void writeXmlPacket(const PacketView& packet, const ChunkWriter& writer) {
    if (packet.dataPacketXmlLayout) {
        writeDataPacketXml(packet, writer);
        return;
    }
    constexpr qsizetype chunkSize = qsizetype(256) << 10;
    XmlPacketWriter(packet, writer, chunkSize).writeThrough();
}

} // namespace savrona
