#pragma once

// The tree widget on the main window's left side, with the selection and context menu
// behaviour the window relies on.

#include <QTreeView>

namespace savrona {

// The cookbook tree's view. A context menu asked for with the mouse names the
// node under the pointer without selecting it; asked for with the keyboard,
// no node, so that the selected one counts. The current node is always the
// selected one, also when the view makes a node current on its own.
class CookbookTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit CookbookTreeView(QWidget* parent = nullptr);

    // While held, the column is not fitted to the nodes: many changes in a
    // row measure the nodes once, at the next layout after they are let go.
    void holdColumnFit(bool hold);

signals:
    void popupRequested(const QModelIndex& nodeUnderPointer, const QPoint& globalPosition);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void updateGeometries() override;

private:
    bool m_fittingColumn = false;
    bool m_columnFitHeld = false;
};

} // namespace savrona
