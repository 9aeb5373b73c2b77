// Applies and reads a window's outer size, waiting for its frame where it comes late.
#include "ui/look/OuterSize.h"

#include <QEvent>
#include <QWidget>

namespace savrona {

namespace {

QSize frameExtent(const QWidget& window) {
    return window.frameGeometry().size() - window.size();
}

} // namespace

void OuterSize::apply(QWidget& window, const QSize& outerSize) {
    if (applyWithFrame(window, outerSize))
        return;
    window.resize(outerSize);
    if (!window.isVisible())
        new OuterSize(window, outerSize);
}

bool OuterSize::applyWithFrame(QWidget& window, const QSize& outerSize) {
    const QSize frame = frameExtent(window);
    if (frame.isNull())
        return false;
    window.resize(outerSize - frame);
    return true;
}

OuterSize::OuterSize(QWidget& window, const QSize& outerSize)
    : QObject(&window), m_window(window), m_outerSize(outerSize) {
    window.installEventFilter(this);
}

bool OuterSize::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::Resize:
        // The first of these after the frame is known; until then the outer
        // size is the client size already.
        if (applyWithFrame(m_window, m_outerSize)) {
            m_window.removeEventFilter(this);
            deleteLater();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace savrona
