#pragma once

// Lets the cookbook tree take what is dragged onto it (files, links), for an addition to
// handle; the tree's own items are never moved by a drop.

#include <QObject>
#include <QString>

#include <functional>

class QMimeData;

namespace savrona {

class CookbookTreeModel;
class CookbookTreeView;

class TreeDropTarget : public QObject {
    Q_OBJECT
public:
    using Accepts = std::function<bool(const QMimeData& data)>;
    // The category the drop landed on (on it or on one of its recipes); empty on the root
    // or below the last row. Called once the drag has ended.
    using Drop = std::function<void(const QMimeData& data, const QString& category)>;

    TreeDropTarget(CookbookTreeView& view, const CookbookTreeModel& tree, Accepts accepts,
                   Drop drop);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString categoryAt(const QPoint& position) const;

    CookbookTreeView& m_view;
    const CookbookTreeModel& m_tree;
    Accepts m_accepts;
    Drop m_drop;
};

} // namespace savrona
