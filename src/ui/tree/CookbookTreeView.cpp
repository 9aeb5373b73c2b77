// The tree view's setup, its context menu and right-click handling, and the column
// fitted to the widest node.
#include "ui/tree/CookbookTreeView.h"

#include "ui/look/ClassicLookStyle.h"
#include "ui/tree/TreeNodeDelegate.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>

namespace savrona {

CookbookTreeView::CookbookTreeView(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setFrameShape(QFrame::NoFrame);
    setIndentation(19);
    // Lines and expand boxes from the categories down; none at the root.
    setRootIsDecorated(false);
    setStyle(new ClassicLookStyle(this));
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setIconSize(QSize(16, 16));
    setContextMenuPolicy(Qt::DefaultContextMenu);
    // Long titles are shown whole and scroll sideways, as a tree control does.
    setTextElideMode(Qt::ElideNone);
    setItemDelegate(new TreeNodeDelegate(this));
    header()->setStretchLastSection(false);
    // The selection is hidden while the tree does not have the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Inactive, QPalette::Base));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Inactive, QPalette::Text));
    setPalette(colours);
}

void CookbookTreeView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse) {
        emit popupRequested(indexAt(event->pos()), event->globalPos());
        return;
    }
    const QRect current = visualRect(currentIndex());
    const QPoint local = current.isValid() ? current.center() : QPoint(0, 0);
    emit popupRequested(QModelIndex(), viewport()->mapToGlobal(local));
}

void CookbookTreeView::mousePressEvent(QMouseEvent* event) {
    // A right click opens the context menu on its node and leaves the
    // selection where it is.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void CookbookTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (current.isValid() && !selectionModel()->isSelected(current))
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
}

void CookbookTreeView::holdColumnFit(bool hold) {
    m_columnFitHeld = hold;
    if (!hold)
        scheduleDelayedItemsLayout();
}

void CookbookTreeView::updateGeometries() {
    // The one column is as wide as the widest node in view, and never
    // narrower than the view, so that a selected row is marked across it.
    if (!m_fittingColumn && !m_columnFitHeld && model() != nullptr) {
        m_fittingColumn = true;
        const int width = std::max(viewport()->width(), sizeHintForColumn(0));
        if (columnWidth(0) != width)
            setColumnWidth(0, width);
        m_fittingColumn = false;
    }
    QTreeView::updateGeometries();
}

} // namespace savrona
