// Moves and stretches each anchored widget by how much its parent grew or shrank from
// its designed size.
#include "ui/main-window/AnchorLayout.h"

#include <QWidget>

namespace savrona {

namespace {

// One axis: start and length after the parent grew by delta.
std::pair<int, int> placeAxis(int start, int length, bool anchoredStart, bool anchoredEnd,
                              int delta) {
    if (anchoredStart && anchoredEnd)
        return {start, std::max(0, length + delta)};
    if (anchoredEnd)
        return {start + delta, length};
    return {start, length};
}

} // namespace

AnchorLayout::AnchorLayout(QWidget* parent, QSize designedParentSize)
    : QLayout(parent), m_designedParentSize(designedParentSize) {
    setContentsMargins(0, 0, 0, 0);
}

AnchorLayout::~AnchorLayout() {
    for (const Entry& entry : m_entries)
        delete entry.item;
}

void AnchorLayout::addAnchored(QWidget* widget, QRect designed, Anchors anchors) {
    addChildWidget(widget);
    if (designed.width() <= 0 || designed.height() <= 0)
        designed.setSize(widget->sizeHint());
    m_entries.push_back({new QWidgetItem(widget), designed, anchors});
    invalidate();
}

void AnchorLayout::addItem(QLayoutItem* item) {
    m_entries.push_back({item, QRect(QPoint(0, 0), item->sizeHint()), {Left, Top}});
}

QLayoutItem* AnchorLayout::itemAt(int index) const {
    if (index < 0 || index >= count())
        return nullptr;
    return m_entries[static_cast<std::size_t>(index)].item;
}

QLayoutItem* AnchorLayout::takeAt(int index) {
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = m_entries[static_cast<std::size_t>(index)].item;
    m_entries.erase(m_entries.begin() + index);
    return item;
}

int AnchorLayout::count() const {
    return static_cast<int>(m_entries.size());
}

QSize AnchorLayout::sizeHint() const {
    return m_designedParentSize;
}

QSize AnchorLayout::minimumSize() const {
    return {0, 0};
}

QRect AnchorLayout::place(QRect designed, Anchors anchors, QSize designedParent, QSize parent) {
    const auto [x, width] =
        placeAxis(designed.x(), designed.width(), anchors.testFlag(Left), anchors.testFlag(Right),
                  parent.width() - designedParent.width());
    const auto [y, height] =
        placeAxis(designed.y(), designed.height(), anchors.testFlag(Top), anchors.testFlag(Bottom),
                  parent.height() - designedParent.height());
    return {x, y, width, height};
}

void AnchorLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    // Designed positions count from the parent's outer corner, its frame included.
    const QSize parentSize = parentWidget() != nullptr ? parentWidget()->size() : rect.size();
    for (const Entry& entry : m_entries)
        entry.item->setGeometry(
            place(entry.designed, entry.anchors, m_designedParentSize, parentSize));
}

} // namespace savrona
