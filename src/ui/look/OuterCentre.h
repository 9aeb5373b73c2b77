#pragma once

// Centring a window on another by their outer frames, title bars included.

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>

class QWidget;

namespace savrona {

// The client rectangle of a window of clientSize in a frame of these margins
// whose outer frame is centred on outerBounds.
QRect clientRectCentredOn(const QRect& outerBounds, const QSize& clientSize, const QMargins& frame);

// Places a window so that its outer frame is centred on the outer frame of
// another window. Before a window manager has framed the window (it does once
// the window is shown), the other window's frame stands for the window's own;
// if the window's frame then turns out otherwise, the window is centred again,
// once.
class OuterCentre : public QObject {
    Q_OBJECT
public:
    // Centres window on the window that other belongs to.
    static void apply(QWidget& window, const QWidget& other);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    OuterCentre(QWidget& window, const QRect& outerBounds, const QMargins& assumedFrame);

    QWidget& m_window;
    QRect m_outerBounds;
    QMargins m_assumedFrame;
};

} // namespace savrona
