// The tree view's setup, its context menu and right-click handling, and the column
// fitted to the widest node.
#include "CookbookTreeView.h"

#include "ClassicLookStyle.h"

#include <QContextMenuEvent>
#include <QHash>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace savrona {

namespace {

// Measures a node once for its text and picture: the column is fitted to the
// nodes in view after every change, and measuring a text is far dearer than
// looking its size up.
class RememberingSizeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (option.font != m_font || option.decorationSize != m_decorationSize) {
            m_sizes.clear();
            m_font = option.font;
            m_decorationSize = option.decorationSize;
        }
        const Key key{index.data(Qt::DisplayRole).toString(),
                      index.data(Qt::DecorationRole).value<QIcon>().cacheKey()};
        const auto known = m_sizes.constFind(key);
        if (known != m_sizes.cend())
            return *known;
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        m_sizes.insert(key, size);
        return size;
    }

private:
    using Key = std::pair<QString, qint64>;
    mutable QHash<Key, QSize> m_sizes;
    mutable QFont m_font;
    mutable QSize m_decorationSize;
};

} // namespace

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
    setItemDelegate(new RememberingSizeDelegate(this));
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
