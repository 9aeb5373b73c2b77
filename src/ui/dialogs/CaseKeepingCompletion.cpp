// Inline completion for the change-category box that leaves the typed letter case alone.
#include "ui/dialogs/CaseKeepingCompletion.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <utility>

namespace savrona {

namespace {

// The first item that begins with the text, letter case ignored.
QString completionOf(const QComboBox& box, const QString& text) {
    for (int index = 0; index < box.count(); ++index) {
        const QString item = box.itemText(index);
        if (item.startsWith(text, Qt::CaseInsensitive))
            return item;
    }
    return {};
}

} // namespace

CaseKeepingCompletion::CaseKeepingCompletion(QComboBox* box) : QObject(box), m_box(box) {
    m_box->setCompleter(nullptr);
    QLineEdit* edit = m_box->lineEdit();
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, &CaseKeepingCompletion::complete);
}

bool CaseKeepingCompletion::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Erasing the filled-in part must not fill it in again.
        m_lastKeyErased = key == Qt::Key_Backspace || key == Qt::Key_Delete;
    }
    return QObject::eventFilter(watched, event);
}

void CaseKeepingCompletion::complete(const QString& text) {
    QLineEdit* edit = m_box->lineEdit();
    const bool erased = std::exchange(m_lastKeyErased, false);
    if (erased || text.isEmpty() || edit->cursorPosition() != text.size())
        return;
    const QString item = completionOf(*m_box, text);
    if (item.size() <= text.size())
        return;
    edit->setText(text + item.mid(text.size()));
    edit->setSelection(static_cast<int>(text.size()), static_cast<int>(item.size() - text.size()));
}

} // namespace savrona
