// Drops on the tree's viewport, handed to the addition that takes them.
#include "ui/tree/TreeDropTarget.h"

#include "ui/tree/CookbookTree.h"
#include "ui/tree/CookbookTreeView.h"

#include <QDropEvent>
#include <QMimeData>

#include <memory>

namespace savrona {

TreeDropTarget::TreeDropTarget(CookbookTreeView& view, const CookbookTreeModel& tree,
                               Accepts accepts, Drop drop)
    : QObject(&view), m_view(view), m_tree(tree), m_accepts(std::move(accepts)),
      m_drop(std::move(drop)) {
    m_view.setAcceptDrops(true);
    m_view.viewport()->setAcceptDrops(true);
    m_view.viewport()->installEventFilter(this);
}

bool TreeDropTarget::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (drag->mimeData() && m_accepts(*drag->mimeData()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData() || !m_accepts(*drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        // The data goes with the drag: kept for the handler, which shows dialogs of its own
        // and so runs once the drag has ended.
        auto data = std::make_shared<QMimeData>();
        for (const QString& format : drop->mimeData()->formats())
            data->setData(format, drop->mimeData()->data(format));
        QMetaObject::invokeMethod(
            this,
            [this, data, category = categoryAt(drop->position().toPoint())] {
                m_drop(*data, category);
            },
            Qt::QueuedConnection);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

QString TreeDropTarget::categoryAt(const QPoint& position) const {
    const TreeNode* node = m_tree.nodeAt(m_view.indexAt(position));
    if (!node || !node->parent)
        return QString();
    return node->parent->parent ? node->parent->text : node->text;
}

} // namespace savrona
