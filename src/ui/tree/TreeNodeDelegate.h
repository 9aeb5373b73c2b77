#pragma once

// How the cookbook tree measures and draws its nodes: as the application's style
// does, but each node's size and picture are remembered once drawn.

#include <QCache>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStyledItemDelegate>

namespace savrona {

// Measuring and drawing a node's text lays it out anew every time, and a
// command repaints every node in view. This delegate measures a node once for
// its text and picture, and keeps the picture of a node that is neither
// selected nor current, drawn on the view's background, to copy it into the
// view the next time: pixel for pixel what the style draws. A selected or
// current node, and anything the picture cannot stand in for (a background
// that is not one colour, a device that is not an image), is drawn by the
// style each time.
class TreeNodeDelegate : public QStyledItemDelegate {
public:
    // How many bytes the kept pictures may take; the oldest go first.
    static constexpr int keptPictureBytes = 512 * 1024;

    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    // Everything about a node's picture that is the same for every node of
    // the view; when it changes, the pictures kept are forgotten.
    struct Look {
        QFont font;
        QSize decorationSize;
        qint64 palette = 0;
        int alignment = 0;
        int direction = 0;
        int features = 0;
        int imageFormat = 0;
        qreal pixelRatio = 0;
        bool operator==(const Look&) const = default;
    };
    struct NodeKey {
        QString text;
        qint64 icon = 0;
        bool operator==(const NodeKey&) const = default;
        friend size_t qHash(const NodeKey& key, size_t seed = 0) {
            return qHashMulti(seed, key.text, key.icon);
        }
    };
    struct PictureKey {
        NodeKey node;
        int width = 0;
        int height = 0;
        int state = 0;
        bool operator==(const PictureKey&) const = default;
        friend size_t qHash(const PictureKey& key, size_t seed = 0) {
            return qHashMulti(seed, key.node, key.width, key.height, key.state);
        }
    };

    static NodeKey nodeKeyOf(const QModelIndex& index);
    // The node's picture for a device of target's kind; a null image when
    // only the style can draw it.
    QImage pictureOf(const QStyleOptionViewItem& option, const QModelIndex& index,
                     const QImage& target) const;
    QImage drawPicture(const QStyleOptionViewItem& option, const QModelIndex& index, QSize size,
                       const QImage& target, const QColor& background) const;

    mutable QFont m_sizeFont;
    mutable QSize m_sizeDecoration;
    mutable QHash<NodeKey, QSize> m_sizes;
    mutable Look m_look;
    mutable QCache<PictureKey, QImage> m_pictures{keptPictureBytes};
};

} // namespace savrona
