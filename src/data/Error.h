#pragma once

// The exception that carries a message for the user, and the helper for table errors.

#include <QString>

#include <exception>

namespace savrona {

// Every failure the user may see is an Error carrying the text to show.
// Nothing below the application object catches it.
class Error : public std::exception {
public:
    explicit Error(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A data file that could not be written as asked. The table that throws it
// is closed and has lost nothing: its data waits to be written again
// (Failed; FolderGone when the data folder is gone, which fails every file
// in it alike), or went to a copy beside a file that another program changed
// since the table read it (Conflict). The reason says why a write failed, in
// words that follow "Cannot create file recipes.xml: ".
class WriteError : public Error {
public:
    enum class Kind { Failed, FolderGone, Conflict };
    WriteError(Kind kind, QString message, QString reason = {})
        : Error(std::move(message)), m_kind(kind), m_reason(std::move(reason)) {}

    Kind kind() const noexcept { return m_kind; }
    const QString& reason() const noexcept { return m_reason; }

private:
    Kind m_kind;
    QString m_reason;
};

// A table's errors name the table first: "dataSetRecipes: <text>".
[[noreturn]] inline void throwTableError(const QString& tableName, const QString& text) {
    throw Error(QStringLiteral("%1: %2").arg(tableName, text));
}

} // namespace savrona
