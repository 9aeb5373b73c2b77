// Line-by-line reading of import files and their conversion to UTF-8.
#include "SourceText.h"

#include "ImportProgress.h"
#include "Windows1252.h"

#include <QIODevice>

#include <cstring>

namespace savrona {

namespace {

constexpr qint64 blockSize = 1024 * 1024;
constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF");

bool isPlainAscii(QByteArrayView line) {
    for (const char character : line) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte >= 0x80 || (byte < 0x20 && byte != '\t') || byte == 0x7F)
            return false;
    }
    return true;
}

QByteArray withoutControlCharacters(QByteArray text) {
    text.removeIf([](char character) {
        const auto byte = static_cast<unsigned char>(character);
        return (byte < 0x20 && byte != '\t') || byte == 0x7F;
    });
    return text;
}

} // namespace

LineReader::LineReader(QIODevice& device, ImportProgress* progress)
    : m_device(device), m_progress(progress) {}

void LineReader::readBlock() {
    if (m_progress)
        m_progress->throwIfCancelled();
    m_buffer.remove(0, m_start);
    m_start = 0;
    const qsizetype kept = m_buffer.size();
    m_buffer.resize(kept + blockSize);
    const qint64 read = m_device.read(m_buffer.data() + kept, blockSize);
    m_buffer.resize(kept + std::max<qint64>(read, 0));
    if (read <= 0) {
        m_atEnd = true;
        m_failed = read < 0;
        return;
    }
    if (m_progress)
        m_progress->advance(read);
}

QByteArrayView LineReader::take(qsizetype length, qsizetype breakLength) {
    const QByteArrayView line(m_buffer.constData() + m_start, length);
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

LineDecoder::LineDecoder(CodePage codePage)
    : m_codePage(codePage), m_ibm437(QStringDecoder("IBM437")) {}

void LineDecoder::setCodePage(CodePage codePage) {
    m_codePage = codePage;
}

QByteArrayView LineDecoder::decode(QByteArrayView line) {
    if (isPlainAscii(line))
        return line;
    if (line.isValidUtf8())
        m_converted = withoutControlCharacters(line.toByteArray());
    else if (m_codePage == CodePage::Ibm437 && m_ibm437.isValid())
        m_converted = withoutControlCharacters(QString(m_ibm437.decode(line)).toUtf8());
    else
        m_converted = withoutControlCharacters(windows1252ToUtf8(line));
    return m_converted;
}

QByteArray textAsUtf8(QByteArrayView text) {
    if (text.startsWith(byteOrderMark))
        text = text.sliced(byteOrderMark.size());
    if (text.isValidUtf8())
        return text.toByteArray();
    return windows1252ToUtf8(text);
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
