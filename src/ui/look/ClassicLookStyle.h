#pragma once

// The pieces of the classic desktop look that the application's style draws
// differently: the tree's dotted branch lines and hidden selection, and the
// status bar's panels.

#include <QProxyStyle>

namespace savrona {

// Draws over the application's style:
// - a tree view's branches: dotted lines in the grey of button shadows from
//   each node to the line of its siblings and on down to the next sibling,
//   and on a node with children a 9 x 9 box with a plus (collapsed) or a
//   minus (expanded). Whether the top level has lines is the view's choice
//   (QTreeView::rootIsDecorated);
// - a status bar's panels: a lowered bevel one pixel around each widget of
//   the bar, so that a line of text fills the widget's whole height;
// - a selected item of a view that hides its selection while it is not
//   active (its inactive highlight is its base colour): drawn as not
//   selected, so that its picture loses the highlight's tint with the row.
// Everything else is the application's style.
class ClassicLookStyle : public QProxyStyle {
    Q_OBJECT
public:
    // The style belongs to owner, usually the one widget it is set on.
    explicit ClassicLookStyle(QObject* owner);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

} // namespace savrona
