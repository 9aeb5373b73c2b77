#pragma once

// Keeps every text box of the application from pasting nothing and from typing
// the letter of an access key nothing owns.

#include <QObject>

class QApplication;
class QDropEvent;
class QKeyEvent;
class QMouseEvent;

namespace savrona {

// An event filter on the whole application, for as long as it lives, over
// every one-line, multi-line and rich text box and editable combo box of every
// window:
// - A paste that would find no text (an empty clipboard, or one holding only
//   pictures or other data) does nothing. Qt's multi-line boxes crash on a
//   clipboard that offers no formats at all. This covers the paste keys, the
//   middle-button paste of the selection, drops, and a context menu's Paste
//   item when the clipboard empties while the menu is open. A paste key still
//   reaches whatever watches the box's key presses, as a key typed.
// - Alt+key (with or without Shift) never types: it is an access key press,
//   and one that a button, label or menu item owns has been taken before the
//   box sees it. AltGr characters and Ctrl+Alt type as before.
class TextInputGuard : public QObject {
    Q_OBJECT
public:
    explicit TextInputGuard(QApplication& application);
    ~TextInputGuard() override;
    TextInputGuard(const TextInputGuard&) = delete;
    TextInputGuard& operator=(const TextInputGuard&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool guardKeyPress(QObject& box, const QKeyEvent& key);
    static bool guardMiddleButton(const QMouseEvent& press);
    static bool guardDrop(QDropEvent& drop);
    static void disablePasteInOpenMenus();

    QApplication& m_application;
};

} // namespace savrona
