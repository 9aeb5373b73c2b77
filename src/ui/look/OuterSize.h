#pragma once

// A window's size with its frame, as the stored placement counts it.

#include <QObject>
#include <QSize>

class QWidget;

namespace savrona {

// Gives a window an outer size, frame included. Where the window system tells
// the frame only once the window is shown (a window manager frames it after it
// is mapped), the client size is made smaller by the frame then, once, so that
// the frame does not come on top of the size. Without a frame the outer size
// is the client size.
class OuterSize : public QObject {
    Q_OBJECT
public:
    static void apply(QWidget& window, const QSize& outerSize);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    OuterSize(QWidget& window, const QSize& outerSize);
    // True when the frame was known and the size applied with it.
    static bool applyWithFrame(QWidget& window, const QSize& outerSize);

    QWidget& m_window;
    QSize m_outerSize;
};

} // namespace savrona
