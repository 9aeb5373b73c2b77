// The splitter and its handle: dragging with a pattern line, Escape to cancel, and the
// width limits on release.
#include "ui/main-window/PanelSplitter.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace savrona {

namespace {

// The line a drag shows: every other pixel of what lies under it inverted,
// in a pattern fixed to the splitter.
class DragLine : public QWidget {
public:
    DragLine() {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setBrushOrigin(-pos());
        painter.fillRect(rect(), QBrush(Qt::white, Qt::Dense4Pattern));
    }
};

} // namespace

PanelSplitter::PanelSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setOpaqueResize(false);
    setChildrenCollapsible(true);
}

int PanelSplitter::leftWidth() const {
    const QList<int> widths = sizes();
    return widths.isEmpty() ? 0 : widths.first();
}

void PanelSplitter::setLeftWidth(int width) {
    const int left = std::max(0, width);
    const int available = std::max(0, this->width() - handleWidth());
    setSizes({left, std::max(0, available - left)});
}

int PanelSplitter::widthForDrop(int handlePosition) const {
    const int largest = width() - handleWidth() - limit;
    const int left = std::min(handlePosition, largest);
    return left <= limit ? 0 : left;
}

void PanelSplitter::showDragLine(int handlePosition) {
    if (m_dragLine == nullptr) {
        m_dragLine = new DragLine;
        // Known before it is a child, so that it never becomes a pane.
        m_dragLine->setParent(this);
    }
    const QRect area = contentsRect();
    const int left = std::clamp(handlePosition, 0, std::max(0, width() - handleWidth()));
    m_dragLine->setGeometry(left, area.top(), handleWidth(), area.height());
    m_dragLine->raise();
    m_dragLine->show();
}

void PanelSplitter::hideDragLine() {
    if (m_dragLine != nullptr)
        m_dragLine->hide();
}

// The drag line lies over the panes and is none of them.
void PanelSplitter::childEvent(QChildEvent* event) {
    if (m_dragLine == nullptr || event->child() != m_dragLine)
        QSplitter::childEvent(event);
}

QSplitterHandle* PanelSplitter::createHandle() {
    return new PanelSplitterHandle(this);
}

PanelSplitterHandle::PanelSplitterHandle(PanelSplitter* splitter)
    : QSplitterHandle(Qt::Horizontal, splitter), m_splitter(splitter) {
    setCursor(Qt::SplitHCursor);
}

int PanelSplitterHandle::handlePositionOf(QMouseEvent* event) const {
    return m_startWidth + qRound(event->globalPosition().x()) - m_startX;
}

void PanelSplitterHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_startWidth = m_splitter->leftWidth();
    m_startX = qRound(event->globalPosition().x());
    // Escape must reach the handle while the drag lasts.
    grabKeyboard();
    m_splitter->showDragLine(handlePositionOf(event));
}

void PanelSplitterHandle::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging)
        m_splitter->showDragLine(handlePositionOf(event));
}

void PanelSplitterHandle::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    const int position = handlePositionOf(event);
    endDrag();
    m_splitter->setLeftWidth(m_splitter->widthForDrop(position));
}

void PanelSplitterHandle::keyPressEvent(QKeyEvent* event) {
    if (m_dragging && event->key() == Qt::Key_Escape) {
        endDrag();
        return;
    }
    QSplitterHandle::keyPressEvent(event);
}

void PanelSplitterHandle::endDrag() {
    m_dragging = false;
    releaseKeyboard();
    m_splitter->hideDragLine();
}

} // namespace savrona
