#pragma once

// The details pane's boxes as the records see them: a memo box gives back exactly the
// text it was given unless the user edits it, and the title box stays on one line.

#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace savrona {

// A multi-line box that shows a record's text (lines broken by CR LF) and
// gives a record's text back: the text it was given, byte for byte, while the
// box still shows it as it was put in, whatever a text box would make of it
// (a no-break space, a lone CR or LF, U+2028); once the user has edited it,
// exactly what the box shows, every character kept and each line break as
// CR LF.
class RecordTextBox {
public:
    explicit RecordTextBox(QPlainTextEdit* box = nullptr) : m_box(box) {}

    void show(const QString& recordText);
    QString recordText() const;

private:
    QPlainTextEdit* m_box;
    QString m_shownRecordText;
    QString m_shownBoxText; // the box's raw text right after it was shown
};

// Keeps a one-line box on one line: a line break that the user pastes or
// types becomes a space (CR LF one space), as in other one-line boxes. Text
// the program puts in is left as it is.
void keepOnOneLine(QLineEdit& box);

} // namespace savrona
