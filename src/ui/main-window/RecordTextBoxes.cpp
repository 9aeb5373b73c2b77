// Reads the memo boxes through the document's raw text, which keeps every character,
// and turns line breaks typed or pasted into the title box into spaces.
#include "ui/main-window/RecordTextBoxes.h"

#include "cookbook/TextLines.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextDocument>

namespace savrona {

namespace {

QString rawTextOf(const QPlainTextEdit& box) {
    return box.document()->toRawText();
}

} // namespace

void RecordTextBox::show(const QString& recordText) {
    m_box->setPlainText(textForBox(recordText));
    m_shownRecordText = recordText;
    m_shownBoxText = rawTextOf(*m_box);
}

// The raw text holds a paragraph separator between the box's lines and a line
// separator where Shift+Enter broke one: both are line breaks the box shows.
// (toPlainText would also turn a no-break space into a space.)
QString RecordTextBox::recordText() const {
    const QString shown = rawTextOf(*m_box);
    if (shown == m_shownBoxText)
        return m_shownRecordText;
    QString text = shown;
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return textForRecord(text);
}

void keepOnOneLine(QLineEdit& box) {
    QObject::connect(&box, &QLineEdit::textEdited, &box, [&box](const QString& text) {
        static const QRegularExpression lineBreak(QStringLiteral("\r\n|[\r\n\u0085\u2028\u2029]"));
        if (!text.contains(lineBreak))
            return;
        const int cursor = box.cursorPosition();
        const int lengthBefore = int(text.size());
        QString oneLine = text;
        oneLine.replace(lineBreak, QStringLiteral(" "));
        box.setText(oneLine);
        box.setCursorPosition(cursor - (lengthBefore - int(oneLine.size())));
    });
}

} // namespace savrona
