#pragma once

// Reading import files: line by line in blocks, and texts turned into UTF-8 from the
// encodings old recipe files come in.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

class QIODevice;

namespace savrona {

class ImportProgress;

// Reads a device line by line, a block at a time, so that a file of any size
// is read with little memory. A line longer than longestLine is handed out
// in pieces of that length: no line can make the reader hold much more.
class LineReader {
public:
    static constexpr qsizetype longestLine = 64 * 1024;

    // progress, when given, is advanced by the bytes read and checked for a
    // cancel at each block. With a limit, no more than that many bytes are
    // read from the device.
    explicit LineReader(QIODevice& device, ImportProgress* progress = nullptr,
                        std::optional<qint64> limit = std::nullopt);

    // The next line without its line break (CR LF, LF or CR alone), valid
    // until the next call; nothing at the end of the device.
    std::optional<QByteArrayView> next();
    // The number of the line last handed out, from 1.
    qint64 lineNumber() const { return m_lineNumber; }
    // Whether the device failed before its end.
    bool failed() const { return m_failed; }
    // Where the line last handed out begins, in bytes from where the reader
    // began.
    qint64 lineOffset() const { return m_lineOffset; }
    // The bytes taken from the device so far.
    qint64 bytesRead() const { return m_read; }

private:
    void readBlock();
    QByteArrayView take(qsizetype length, qsizetype breakLength);

    QIODevice& m_device;
    ImportProgress* m_progress;
    QByteArray m_buffer;
    std::optional<qint64> m_limit;
    qint64 m_read = 0;         // bytes taken from the device
    qint64 m_bufferOffset = 0; // where the buffer begins, in bytes read
    qint64 m_lineOffset = 0;
    qsizetype m_start = 0;
    bool m_atEnd = false;
    bool m_failed = false;
    qint64 m_lineNumber = 0;
};

// The single-byte code page of a text that is not UTF-8.
enum class CodePage {
    Windows1252, // what most recipe files of the 1990s on Windows were written in
    Ibm437,      // the DOS code page of the original MealMaster
};

// The character of code page 437 for a byte beyond ASCII.
char16_t ibm437Character(unsigned char byte);

// Turns lines into UTF-8: a line that is valid UTF-8 stays as it is, any
// other is decoded from the code page. Control characters other than the tab
// are dropped: they are damage, never text.
class LineDecoder {
public:
    explicit LineDecoder(CodePage codePage = CodePage::Windows1252);
    void setCodePage(CodePage codePage);
    // The line in UTF-8: the line itself when it needs no change, else its
    // conversion, valid until the next call.
    QByteArrayView decode(QByteArrayView line);

private:
    CodePage m_codePage;
    QByteArray m_converted;
};

// A whole text in UTF-8: itself when it is valid UTF-8, else read as
// Windows-1252. A leading byte order mark is dropped, and so are control
// characters other than the tab and the line breaks. Changed in place: a
// text handed over (moved) is never copied when it is valid UTF-8. progress,
// when given, is checked for a cancel every megabyte (throws ImportCancelled).
QByteArray textAsUtf8(QByteArray text, ImportProgress* progress = nullptr);

// Every byte of the device, read a block at a time: progress, when given, is
// advanced by each block and checked for a cancel (throws ImportCancelled).
// Throws Error when the device holds more than largest bytes (it stops
// reading there) or fails.
QByteArray readWhole(QIODevice& device, qint64 largest, ImportProgress* progress);

// The code page that a declaration in the line names ("charset=ibm437",
// "Content-Type: text/plain; charset=windows-1252"), if any.
std::optional<CodePage> declaredCodePage(QByteArrayView line);

} // namespace savrona
