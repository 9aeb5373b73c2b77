// The cookbook tree's nodes measured and drawn once, then looked up.
#include "ui/tree/TreeNodeDelegate.h"

#include <QIcon>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace savrona {

namespace {

// The colour group the style draws a node in.
QPalette::ColorGroup colourGroupOf(QStyle::State state) {
    if (!(state & QStyle::State_Enabled))
        return QPalette::Disabled;
    return state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
}

// The image a painter draws into, when it draws into one without scaling:
// the window's backing store while a view paints.
const QImage* imageBehind(const QPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::Raster)
        return nullptr;
    const QPaintDevice* device = engine->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image)
        return nullptr;
    const QTransform transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate ||
        transform.dx() != std::round(transform.dx()) ||
        transform.dy() != std::round(transform.dy()))
        return nullptr;
    if (painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return nullptr;
    return static_cast<const QImage*>(device);
}

} // namespace

TreeNodeDelegate::NodeKey TreeNodeDelegate::nodeKeyOf(const QModelIndex& index) {
    return {index.data(Qt::DisplayRole).toString(),
            index.data(Qt::DecorationRole).value<QIcon>().cacheKey()};
}

// Measured once: the column is fitted to the nodes in view after every
// change, and measuring a text is far dearer than looking its size up.
QSize TreeNodeDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    if (option.font != m_sizeFont || option.decorationSize != m_sizeDecoration) {
        m_sizes.clear();
        m_sizeFont = option.font;
        m_sizeDecoration = option.decorationSize;
    }
    NodeKey key = nodeKeyOf(index);
    const auto known = m_sizes.constFind(key);
    if (known != m_sizes.cend())
        return *known;
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    m_sizes.insert(std::move(key), size);
    return size;
}

void TreeNodeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const QImage* target = imageBehind(*painter);
    const QImage picture = target != nullptr ? pictureOf(option, index, *target) : QImage();
    if (picture.isNull())
        QStyledItemDelegate::paint(painter, option, index);
    else
        painter->drawImage(option.rect.topLeft(), picture);
}

QImage TreeNodeDelegate::pictureOf(const QStyleOptionViewItem& option, const QModelIndex& index,
                                   const QImage& target) const {
    if (option.state & (QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_Editing))
        return {};
    // Under a node that is not selected lies the view's background, unless
    // the view shades every other row.
    if (option.features & QStyleOptionViewItem::Alternate)
        return {};
    const QBrush background = option.palette.brush(colourGroupOf(option.state), QPalette::Base);
    if (background.style() != Qt::SolidPattern || background.color().alpha() != 255)
        return {};

    const Look look{option.font,
                    option.decorationSize,
                    option.palette.cacheKey(),
                    int(option.displayAlignment),
                    int(option.direction),
                    int(option.features),
                    int(target.format()),
                    target.devicePixelRatio()};
    if (!(look == m_look)) {
        m_pictures.clear();
        m_look = look;
    }
    // Nothing is drawn right of what the node measures; a margin of a row's
    // height keeps a glyph's overhang.
    const QSize size(
        std::min(option.rect.width(), sizeHint(option, index).width() + option.rect.height()),
        option.rect.height());
    PictureKey key{nodeKeyOf(index), size.width(), size.height(), int(option.state)};
    if (const QImage* kept = m_pictures.object(key))
        return *kept;
    QImage picture = drawPicture(option, index, size, target, background.color());
    if (picture.sizeInBytes() <= keptPictureBytes / 16)
        m_pictures.insert(std::move(key), new QImage(picture), picture.sizeInBytes());
    return picture;
}

QImage TreeNodeDelegate::drawPicture(const QStyleOptionViewItem& option, const QModelIndex& index,
                                     QSize size, const QImage& target,
                                     const QColor& background) const {
    const qreal ratio = target.devicePixelRatio();
    QImage picture(size * ratio, target.format());
    picture.setDevicePixelRatio(ratio);
    picture.fill(background);
    // Laid out in the node's whole rectangle, as in the view.
    QStyleOptionViewItem atOrigin = option;
    atOrigin.rect.moveTopLeft(QPoint(0, 0));
    QPainter painter(&picture);
    QStyledItemDelegate::paint(&painter, atOrigin, index);
    return picture;
}

} // namespace savrona
