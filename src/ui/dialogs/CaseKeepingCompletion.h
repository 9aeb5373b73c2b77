#pragma once

// Completion of what is typed in an editable combo box that never changes the
// letter case of the typed text.

#include <QObject>

class QComboBox;

namespace savrona {

// Completes the text typed in an editable combo box from its items, letter
// case ignored: after each typed character the first item that begins with
// the text fills in its remaining characters after it, selected, so that the
// next typed character replaces them. The typed characters keep their case.
//
// It stands in for the box's own completer: a completer that ignores letter
// case also makes the box, when editing ends, swap its text for the first item
// equal to it ignoring case, so "pasta" would become "Pasta". Without one, the
// box's text is exactly what the user sees.
class CaseKeepingCompletion : public QObject {
    Q_OBJECT
public:
    // The box must be editable; the completion belongs to it.
    explicit CaseKeepingCompletion(QComboBox* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void complete(const QString& text);

    QComboBox* m_box;
    bool m_lastKeyErased = false;
};

} // namespace savrona
