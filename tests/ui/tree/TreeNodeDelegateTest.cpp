// The tree's nodes drawn from kept pictures look exactly as the style draws
// them, also after the nodes, the palette or the state changed.
#include "ui/tree/TreeNodeDelegate.h"
#include "ui/tree/CookbookTreeView.h"

#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace savrona::testing {
namespace {

QIcon squareIcon(Qt::GlobalColor colour) {
    QPixmap picture(16, 16);
    picture.fill(colour);
    return QIcon(picture);
}

// The same little tree in two views, one drawn by the style's own delegate.
class TreeNodeDelegateTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto* view : {&styleDrawn, &keptDrawn}) {
            auto* model = new QStandardItemModel(view);
            auto* root = new QStandardItem(squareIcon(Qt::darkYellow), "My Cookbook");
            model->appendRow(root);
            for (const char* name : {"Soups", "Sandwitches", "Crème brûlée & co."}) {
                auto* category = new QStandardItem(squareIcon(Qt::darkBlue), name);
                root->appendRow(category);
                for (const char* title :
                     {"Tomato soup", "A very long title of a recipe that goes on "
                                     "and on past the view's right edge"})
                    category->appendRow(new QStandardItem(squareIcon(Qt::darkGreen), title));
            }
            view->setModel(model);
            view->resize(220, 200);
            view->expandAll();
        }
        styleDrawn.setItemDelegate(new QStyledItemDelegate(&styleDrawn));
        keptDrawn.setItemDelegate(new TreeNodeDelegate(&keptDrawn));
        select("Tomato soup");
    }

    void select(const QString& text) {
        for (auto* view : {&styleDrawn, &keptDrawn}) {
            auto* model = static_cast<QStandardItemModel*>(view->model());
            view->setCurrentIndex(model->findItems(text, Qt::MatchRecursive).front()->index());
        }
    }

    void onBoth(const std::function<void(CookbookTreeView&)>& change) {
        change(styleDrawn);
        change(keptDrawn);
    }

    static QImage drawn(CookbookTreeView& view) {
        QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::magenta);
        view.render(&image);
        return image;
    }

    void expectSamePicture() {
        const QImage expected = drawn(styleDrawn);
        const QImage first = drawn(keptDrawn);
        const QImage fromKept = drawn(keptDrawn);
        EXPECT_TRUE(first == expected);
        EXPECT_TRUE(fromKept == expected);
    }

    CookbookTreeView styleDrawn;
    CookbookTreeView keptDrawn;
};

TEST_F(TreeNodeDelegateTest, DrawsWhatTheStyleDraws) {
    expectSamePicture();
    // Scrolled sideways: the long titles are cut at another place.
    onBoth([](CookbookTreeView& view) { view.horizontalScrollBar()->setValue(40); });
    expectSamePicture();
}

TEST_F(TreeNodeDelegateTest, FollowsChangedNodesAndSelection) {
    expectSamePicture();
    onBoth([](CookbookTreeView& view) {
        auto* model = static_cast<QStandardItemModel*>(view.model());
        model->findItems("Soups", Qt::MatchRecursive).front()->setText("Stews");
        model->findItems("Sandwitches", Qt::MatchRecursive)
            .front()
            ->setIcon(squareIcon(Qt::darkRed));
    });
    select("Sandwitches");
    expectSamePicture();
}

TEST_F(TreeNodeDelegateTest, FollowsThePaletteFontAndState) {
    expectSamePicture();
    onBoth([](CookbookTreeView& view) {
        QPalette colours = view.palette();
        colours.setColor(QPalette::Base, Qt::yellow);
        colours.setColor(QPalette::Text, Qt::blue);
        colours.setColor(QPalette::AlternateBase, Qt::cyan);
        view.setPalette(colours);
    });
    expectSamePicture();
    onBoth([](CookbookTreeView& view) {
        QFont font = view.font();
        font.setPointSize(font.pointSize() + 3);
        view.setFont(font);
    });
    expectSamePicture();
    onBoth([](CookbookTreeView& view) { view.setAlternatingRowColors(true); });
    expectSamePicture();
    onBoth([](CookbookTreeView& view) { view.setEnabled(false); });
    expectSamePicture();
}

// Without the focus the view hides its selection, the node's picture too.
TEST_F(TreeNodeDelegateTest, SelectedNodeOfAViewWithoutTheFocusShowsItsPlainPicture) {
    ASSERT_FALSE(keptDrawn.hasFocus());
    const QRect node = keptDrawn.visualRect(keptDrawn.currentIndex());
    ASSERT_TRUE(keptDrawn.selectionModel()->isSelected(keptDrawn.currentIndex()));
    const QImage image = drawn(keptDrawn).copy(node.translated(keptDrawn.viewport()->pos()));
    int plainPixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            plainPixels += image.pixel(x, y) == QColor(Qt::darkGreen).rgb() ? 1 : 0;
    EXPECT_EQ(plainPixels, 16 * 16);
    expectSamePicture();
}

} // namespace
} // namespace savrona::testing
