#pragma once

// The main window's resizable split between the cookbook tree and the recipe details.

#include <QSplitter>
#include <QSplitterHandle>

namespace savrona {

// The splitter between the tree side and the details pane. Dragging its
// handle shows a pattern line at the new position (every other pixel
// inverted, as wide as the handle) and applies the width on release;
// Escape cancels the drag. The left panel's width stays between the limit
// and the splitter's width less the handle and the limit; a drag that ends at
// the limit or less closes the left panel.
class PanelSplitter : public QSplitter {
    Q_OBJECT
public:
    static constexpr int limit = 30;

    explicit PanelSplitter(QWidget* parent = nullptr);

    int leftWidth() const;
    void setLeftWidth(int width);

    // The left width a drag released at this handle position gives.
    int widthForDrop(int handlePosition) const;
    void showDragLine(int handlePosition);
    void hideDragLine();

protected:
    QSplitterHandle* createHandle() override;
    void childEvent(QChildEvent* event) override;

private:
    QWidget* m_dragLine = nullptr;
};

class PanelSplitterHandle : public QSplitterHandle {
    Q_OBJECT
public:
    explicit PanelSplitterHandle(PanelSplitter* splitter);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int handlePositionOf(QMouseEvent* event) const;
    void endDrag();
    PanelSplitter* m_splitter;
    bool m_dragging = false;
    // The left width and the pointer's position when the drag began.
    int m_startWidth = 0;
    int m_startX = 0;
};

} // namespace savrona
