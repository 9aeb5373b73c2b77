// Line-by-line reading of import files and their conversion to UTF-8.
#include "cookbook/exchange/formats/SourceText.h"

#include "cookbook/exchange/formats/ImportFile.h"
#include "cookbook/exchange/formats/ImportProgress.h"
#include "data/Error.h"
#include "data/packets/Windows1252.h"

#include <QIODevice>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace savrona {

namespace {

constexpr qint64 blockSize = 1024 * 1024;

// Code page 437 from 0x80 on: accented letters, box drawing, Greek and
// mathematical symbols.
constexpr std::array<char16_t, 128> ibm437High{
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

QByteArray ibm437ToUtf8(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype at = 0; at < bytes.size(); ++at)
        text[at] = QChar(ibm437Character(static_cast<unsigned char>(bytes[at])));
    return text.toUtf8();
}
constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF");

constexpr std::uint64_t everyByte(std::uint8_t byte) {
    return 0x0101010101010101ULL * byte;
}

// Whether any of the eight bytes is below a blank, or DEL.
bool holdsBelowBlankOrDel(std::uint64_t bytes) {
    const std::uint64_t belowBlank = (bytes - everyByte(0x20)) & ~bytes & everyByte(0x80);
    const std::uint64_t del = bytes ^ everyByte(0x7F);
    const std::uint64_t isDel = (del - everyByte(0x01)) & ~del & everyByte(0x80);
    return (belowBlank | isDel) != 0;
}

// Whether any of the eight bytes is beyond ASCII, below a blank, or DEL.
bool mayNeedDecoding(std::uint64_t bytes) {
    return (bytes & everyByte(0x80)) != 0 || holdsBelowBlankOrDel(bytes);
}

struct LineContent {
    bool beyondAscii = false;
    bool controlCharacters = false;
};

// What a line holds that may need decoding or dropping. Eight bytes at a time
// while they are plain, since every line of a file comes through here.
LineContent contentOf(QByteArrayView line) {
    qsizetype at = 0;
    for (; at + 8 <= line.size(); at += 8) {
        std::uint64_t bytes = 0;
        std::memcpy(&bytes, line.data() + at, sizeof bytes);
        if (mayNeedDecoding(bytes))
            break;
    }
    LineContent content;
    for (; at < line.size(); ++at) {
        const auto byte = static_cast<unsigned char>(line[at]);
        content.beyondAscii |= byte >= 0x80;
        content.controlCharacters |= (byte < 0x20 && byte != '\t') || byte == 0x7F;
    }
    return content;
}

QByteArray withoutControlCharacters(QByteArray text) {
    text.removeIf([](char character) {
        const auto byte = static_cast<unsigned char>(character);
        return (byte < 0x20 && byte != '\t') || byte == 0x7F;
    });
    return text;
}

// A control character other than the tab and the line breaks.
bool isControlCharacter(char character) {
    const auto byte = static_cast<unsigned char>(character);
    return (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
}

// Eight bytes at a time where none is below a blank or DEL: a whole file
// comes through here.
bool holdsControlCharacter(QByteArrayView text) {
    qsizetype at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t bytes = 0;
        std::memcpy(&bytes, text.data() + at, sizeof bytes);
        if (holdsBelowBlankOrDel(bytes) &&
            std::any_of(text.data() + at, text.data() + at + 8, isControlCharacter))
            return true;
    }
    return std::any_of(text.data() + at, text.data() + text.size(), isControlCharacter);
}

} // namespace

LineReader::LineReader(QIODevice& device, ImportProgress* progress, std::optional<qint64> limit)
    : m_device(device), m_progress(progress), m_limit(limit) {}

void LineReader::readBlock() {
    if (m_progress)
        m_progress->throwIfCancelled();
    m_buffer.remove(0, m_start);
    m_bufferOffset += m_start;
    m_start = 0;
    const qsizetype kept = m_buffer.size();
    qint64 wanted = m_limit ? std::min(blockSize, *m_limit - m_read) : blockSize;
    // A small file needs no block of full size.
    if (!m_device.isSequential())
        wanted = std::min(wanted, m_device.bytesAvailable());
    m_buffer.resize(kept + wanted);
    const qint64 read = wanted > 0 ? m_device.read(m_buffer.data() + kept, wanted) : 0;
    m_buffer.resize(kept + std::max<qint64>(read, 0));
    if (read <= 0) {
        m_atEnd = true;
        m_failed = read < 0;
        return;
    }
    m_read += read;
    if (m_progress)
        m_progress->advance(read);
}

QByteArrayView LineReader::take(qsizetype length, qsizetype breakLength) {
    const QByteArrayView line(m_buffer.constData() + m_start, length);
    m_lineOffset = m_bufferOffset + m_start;
    m_start += length + breakLength;
    ++m_lineNumber;
    return line;
}

std::optional<QByteArrayView> LineReader::next() {
    for (;;) {
        const char* begin = m_buffer.constData() + m_start;
        const qsizetype available = m_buffer.size() - m_start;
        const auto* lineFeed = static_cast<const char*>(std::memchr(begin, '\n', available));
        const qsizetype searched = lineFeed ? lineFeed - begin : available;
        const auto* carriageReturn = static_cast<const char*>(std::memchr(begin, '\r', searched));
        if (carriageReturn) {
            const qsizetype length = carriageReturn - begin;
            // A CR at the end of the block may be the first half of a CR LF.
            if (length + 1 < available || m_atEnd) {
                const bool lineFeedFollows = length + 1 < available && begin[length + 1] == '\n';
                if (length <= longestLine)
                    return take(length, lineFeedFollows ? 2 : 1);
            }
        } else if (lineFeed && searched <= longestLine) {
            return take(searched, 1);
        }
        if (available > longestLine)
            return take(longestLine, 0);
        if (m_atEnd)
            return available == 0 ? std::nullopt : std::optional(take(available, 0));
        readBlock();
    }
}

char16_t ibm437Character(unsigned char byte) {
    return byte < 0x80 ? char16_t(byte) : ibm437High[byte - 0x80];
}

LineDecoder::LineDecoder(CodePage codePage) : m_codePage(codePage) {}

void LineDecoder::setCodePage(CodePage codePage) {
    m_codePage = codePage;
}

QByteArrayView LineDecoder::decode(QByteArrayView line) {
    const LineContent content = contentOf(line);
    const bool isUtf8 = !content.beyondAscii || line.isValidUtf8();
    if (isUtf8 && !content.controlCharacters)
        return line;
    if (isUtf8)
        m_converted = line.toByteArray();
    else if (m_codePage == CodePage::Ibm437)
        m_converted = ibm437ToUtf8(line);
    else
        m_converted = windows1252ToUtf8(line);
    m_converted = withoutControlCharacters(std::move(m_converted));
    return m_converted;
}

QByteArray textAsUtf8(QByteArray text, ImportProgress* progress) {
    if (QByteArrayView(text).startsWith(byteOrderMark))
        text.remove(0, byteOrderMark.size());
    if (!QByteArrayView(text).isValidUtf8())
        text = windows1252ToUtf8(text);
    // A megabyte at a time, with a look for a cancel in between.
    bool holdsControls = false;
    for (qsizetype at = 0; at < text.size() && !holdsControls; at += blockSize) {
        if (progress)
            progress->throwIfCancelled();
        holdsControls = holdsControlCharacter(
            QByteArrayView(text).sliced(at, std::min<qsizetype>(blockSize, text.size() - at)));
    }
    if (holdsControls)
        text.removeIf(isControlCharacter);
    return text;
}

QByteArray readWhole(QIODevice& device, qint64 largest, ImportProgress* progress) {
    QByteArray bytes;
    // Room for what the device says it holds, so that a file is read without
    // growing the buffer; only one that grows meanwhile makes it grow.
    if (!device.isSequential())
        bytes.reserve(std::clamp<qint64>(device.size() - device.pos(), 0, largest));
    std::array<char, 64 * 1024> beyondRoom;
    for (;;) {
        if (progress)
            progress->throwIfCancelled();
        const qsizetype kept = bytes.size();
        const qint64 room = std::min<qint64>(bytes.capacity() - kept, blockSize);
        qint64 read = 0;
        if (room > 0) {
            bytes.resize(kept + room);
            read = device.read(bytes.data() + kept, room);
            bytes.resize(kept + std::max<qint64>(read, 0));
        } else {
            read = device.read(beyondRoom.data(), beyondRoom.size());
            if (read > 0)
                bytes.append(beyondRoom.data(), read);
        }
        if (read < 0)
            throw Error(QStringLiteral("the file could not be read: %1").arg(device.errorString()));
        if (read == 0)
            return bytes;
        if (bytes.size() > largest)
            throw Error(ImportFile::tooLargeMessage(largest));
        if (progress)
            progress->advance(read);
    }
}

std::optional<CodePage> declaredCodePage(QByteArrayView line) {
    const QByteArray lower = line.toByteArray().toLower();
    qsizetype at = -1;
    for (const QByteArrayView word : {"charset", "code page", "codepage"}) {
        at = lower.indexOf(word);
        if (at >= 0) {
            at += word.size();
            break;
        }
    }
    if (at < 0)
        return std::nullopt;
    while (at < lower.size() && QByteArrayView(" \t=:\"'").contains(lower[at]))
        ++at;
    const QByteArray name = lower.mid(at);
    for (const QByteArrayView ibm437 : {"ibm437", "ibm-437", "cp437", "x-ibm437", "437"})
        if (name.startsWith(ibm437))
            return CodePage::Ibm437;
    for (const QByteArrayView windows :
         {"windows-1252", "cp1252", "1252", "iso-8859-1", "us-ascii"})
        if (name.startsWith(windows))
            return CodePage::Windows1252;
    return std::nullopt;
}

} // namespace savrona
