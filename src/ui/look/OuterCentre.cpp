// A window's outer frame centred on another's, corrected once its frame is known.
#include "ui/look/OuterCentre.h"

#include <QEvent>
#include <QWidget>

namespace savrona {

namespace {

QMargins frameOf(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect client = window.geometry();
    return {client.left() - outer.left(), client.top() - outer.top(),
            outer.right() - client.right(), outer.bottom() - client.bottom()};
}

} // namespace

QRect clientRectCentredOn(const QRect& outerBounds, const QSize& clientSize,
                          const QMargins& frame) {
    QRect outer(QPoint(0, 0), clientSize.grownBy(frame));
    outer.moveCenter(outerBounds.center());
    return outer.marginsRemoved(frame);
}

void OuterCentre::apply(QWidget& window, const QWidget& other) {
    const QWidget& otherWindow = *other.window();
    const QRect outerBounds = otherWindow.frameGeometry();
    const QMargins ownFrame = frameOf(window);
    const QMargins frame = ownFrame.isNull() ? frameOf(otherWindow) : ownFrame;
    window.setGeometry(clientRectCentredOn(outerBounds, window.size(), frame));
    if (ownFrame.isNull() && !frame.isNull())
        new OuterCentre(window, outerBounds, frame);
}

OuterCentre::OuterCentre(QWidget& window, const QRect& outerBounds, const QMargins& assumedFrame)
    : QObject(&window), m_window(window), m_outerBounds(outerBounds), m_assumedFrame(assumedFrame) {
    window.installEventFilter(this);
}

bool OuterCentre::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Paint:
    case QEvent::Hide: {
        // The first of these after the frame is known, or the window is gone.
        const QMargins frame = frameOf(m_window);
        if (frame.isNull() && event->type() != QEvent::Hide)
            break;
        m_window.removeEventFilter(this);
        deleteLater();
        if (frame != m_assumedFrame && event->type() != QEvent::Hide)
            m_window.setGeometry(clientRectCentredOn(m_outerBounds, m_window.size(), frame));
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace savrona
