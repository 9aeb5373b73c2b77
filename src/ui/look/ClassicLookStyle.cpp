// Dotted branch lines and expand boxes for the cookbook tree, lowered status panels and
// hidden selections drawn as such, over the application's style.
#include "ui/look/ClassicLookStyle.h"

#include <QPainter>
#include <QStyleOption>
#include <qdrawutil.h>

namespace savrona {

namespace {

constexpr int buttonHalf = 4; // the box is 9 x 9 around the branch's middle

void drawDottedLine(QPainter& painter, const QPoint& from, const QPoint& to, const QColor& colour) {
    if (to.x() < from.x() || to.y() < from.y())
        return;
    // The pattern is fixed to the view, so the dots of neighbouring rows line up.
    painter.fillRect(QRect(from, to), QBrush(colour, Qt::Dense4Pattern));
}

void drawExpandButton(QPainter& painter, const QPoint& middle, bool expanded,
                      const QPalette& palette) {
    const QRect box(middle.x() - buttonHalf, middle.y() - buttonHalf, 2 * buttonHalf + 1,
                    2 * buttonHalf + 1);
    painter.fillRect(box, palette.color(QPalette::Base));
    painter.setPen(palette.color(QPalette::Dark));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(palette.color(QPalette::Text));
    painter.drawLine(middle.x() - 2, middle.y(), middle.x() + 2, middle.y());
    if (!expanded)
        painter.drawLine(middle.x(), middle.y() - 2, middle.x(), middle.y() + 2);
}

void drawBranch(const QStyleOption& option, QPainter& painter) {
    const QRect& area = option.rect;
    const QPoint middle(area.left() + area.width() / 2, area.top() + area.height() / 2);
    const QColor grey = option.palette.color(QPalette::Dark);
    const bool node = option.state & QStyle::State_Item;
    const bool nextSibling = option.state & QStyle::State_Sibling;
    const bool button = option.state & QStyle::State_Children;
    const int gap = button ? buttonHalf + 1 : 0;

    if (node || nextSibling)
        drawDottedLine(painter, {middle.x(), area.top()}, {middle.x(), middle.y() - gap}, grey);
    if (nextSibling)
        drawDottedLine(painter, {middle.x(), middle.y() + gap}, {middle.x(), area.bottom()}, grey);
    if (node)
        drawDottedLine(painter, {middle.x() + gap, middle.y()}, {area.right(), middle.y()}, grey);
    if (button)
        drawExpandButton(painter, middle, option.state & QStyle::State_Open, option.palette);
}

bool selectionHidden(const QStyleOption& option) {
    const QPalette& colours = option.palette;
    return (option.state & QStyle::State_Selected) && !(option.state & QStyle::State_Active) &&
           colours.brush(QPalette::Inactive, QPalette::Highlight) ==
               colours.brush(QPalette::Inactive, QPalette::Base);
}

void drawStatusPanel(const QStyleOption& option, QPainter& painter) {
    // The bar hands over the widget's bounds grown by two pixels across and
    // one up and down; the bevel lies one pixel around the widget.
    const QRect bevel = option.rect.adjusted(1, 0, -1, 0);
    qDrawShadeRect(&painter, bevel, option.palette, true, 1, 0, nullptr);
}

} // namespace

ClassicLookStyle::ClassicLookStyle(QObject* owner) {
    setParent(owner);
}

void ClassicLookStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                     QPainter* painter, const QWidget* widget) const {
    if (element != PE_IndicatorBranch && element != PE_FrameStatusBarItem) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    painter->save();
    if (element == PE_IndicatorBranch)
        drawBranch(*option, *painter);
    else
        drawStatusPanel(*option, *painter);
    painter->restore();
}

void ClassicLookStyle::drawControl(ControlElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option);
    if (element != CE_ItemViewItem || item == nullptr || !selectionHidden(*item)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    QStyleOptionViewItem unselected = *item;
    unselected.state &= ~State_Selected;
    QProxyStyle::drawControl(element, &unselected, painter, widget);
}

} // namespace savrona
