// Pastes of nothing and Alt+key presses kept out of every text box.
#include "ui/look/TextInputGuard.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace savrona {

namespace {

// The name Qt gives the Paste item of a multi-line box's context menu.
const QString pasteItemName = QStringLiteral("edit-paste");

bool isTextBox(const QObject* object) {
    if (qobject_cast<const QLineEdit*>(object) != nullptr ||
        qobject_cast<const QPlainTextEdit*>(object) != nullptr ||
        qobject_cast<const QTextEdit*>(object) != nullptr)
        return true;
    const auto* combo = qobject_cast<const QComboBox*>(object);
    return combo != nullptr && combo->isEditable();
}

// A box, or the viewport of a multi-line box, which gets its mouse and drops.
bool isTextArea(const QObject* object) {
    if (isTextBox(object))
        return true;
    const auto* area = qobject_cast<const QAbstractScrollArea*>(object->parent());
    return area != nullptr && area->viewport() == object && isTextBox(area);
}

bool holdsText(const QMimeData* data) {
    return data != nullptr && data->hasText() && !data->text().isEmpty();
}

bool clipboardHoldsText(QClipboard::Mode mode) {
    return holdsText(QGuiApplication::clipboard()->mimeData(mode));
}

// Alt alone, Shift aside, on a key that would type a character.
bool isAccessKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers held = key.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    return held == Qt::AltModifier && !key.text().isEmpty() && key.text().front().isPrint();
}

} // namespace

TextInputGuard::TextInputGuard(QApplication& application) : m_application(application) {
    m_application.installEventFilter(this);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &TextInputGuard::disablePasteInOpenMenus);
}

TextInputGuard::~TextInputGuard() {
    m_application.removeEventFilter(this);
}

bool TextInputGuard::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        return isTextBox(watched) && guardKeyPress(*watched, static_cast<QKeyEvent&>(*event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return isTextArea(watched) && guardMiddleButton(static_cast<QMouseEvent&>(*event));
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return isTextArea(watched) && guardDrop(static_cast<QDropEvent&>(*event));
    default:
        return QObject::eventFilter(watched, event);
    }
}

// True when the key press is kept from the box.
bool TextInputGuard::guardKeyPress(QObject& box, const QKeyEvent& key) {
    if (isAccessKey(key))
        return true;
    if (!key.matches(QKeySequence::Paste) || clipboardHoldsText(QClipboard::Clipboard))
        return false;
    // The box's watchers still see the key typed: the box gets it with no key
    // code, which it ignores, as it ignores the control character it carries.
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, key.modifiers(), key.text(),
                    key.isAutoRepeat(), key.count());
    QCoreApplication::sendEvent(&box, &typed);
    return true;
}

// The middle button pastes the selection where the selection system has one.
bool TextInputGuard::guardMiddleButton(const QMouseEvent& press) {
    return press.button() == Qt::MiddleButton && !clipboardHoldsText(QClipboard::Selection);
}

bool TextInputGuard::guardDrop(QDropEvent& drop) {
    if (holdsText(drop.mimeData()))
        return false;
    drop.ignore();
    return true;
}

// A context menu's Paste item is enabled for what the clipboard held when the
// menu opened; it must not paste what the clipboard no longer holds.
void TextInputGuard::disablePasteInOpenMenus() {
    if (clipboardHoldsText(QClipboard::Clipboard))
        return;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const auto* menu = qobject_cast<const QMenu*>(window);
        if (menu == nullptr || !menu->isVisible() || !isTextBox(menu->parent()))
            continue;
        for (QAction* item : menu->actions())
            if (item->objectName() == pasteItemName)
                item->setEnabled(false);
    }
}

} // namespace savrona
