#pragma once

// The layout that keeps the main window's controls where the designed form put them as
// the window is resized.

#include <QLayout>
#include <QRect>

#include <vector>

namespace savrona {

// Places each widget at a designed rectangle inside a parent of a designed
// size. An edge anchored to the parent keeps its distance to that edge when
// the parent is resized; a widget anchored on both sides of an axis stretches.
class AnchorLayout : public QLayout {
    Q_OBJECT
public:
    enum Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    Q_DECLARE_FLAGS(Anchors, Anchor)

    AnchorLayout(QWidget* parent, QSize designedParentSize);
    ~AnchorLayout() override;

    // A rectangle with an empty size takes the widget's size hint.
    void addAnchored(QWidget* widget, QRect designed, Anchors anchors = {Left, Top});

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

    // The rectangle of a designed one in a parent of the given size.
    static QRect place(QRect designed, Anchors anchors, QSize designedParent, QSize parent);

private:
    struct Entry {
        QLayoutItem* item;
        QRect designed;
        Anchors anchors;
    };
    std::vector<Entry> m_entries;
    QSize m_designedParentSize;
};

} // namespace savrona

Q_DECLARE_OPERATORS_FOR_FLAGS(savrona::AnchorLayout::Anchors)
