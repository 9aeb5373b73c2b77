// Start-up: the first activation, the tree it builds from the data folder,
// the window's initial state and its layout.
#include "ui/GuiTestSupport.h"

#include "platform/seams/AppInfo.h"
#include "ui/dialogs/BannerDialog.h"
#include "ui/look/DesignFonts.h"
#include "ui/main-window/PanelSplitter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTreeView>

namespace savrona::testing {
namespace {

using StartUpTest = MainWindowTest;

TEST_F(StartUpTest, EmptyFolderShowsTheInitialCookbook) {
    start();
    EXPECT_EQ(statusText(), "16 Categories with 125 recipes");
    const QStringList lines = treeLines(window->cookbookTree());
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), "My Cookbook");
    EXPECT_EQ(lines.value(1), " Appetizers");
    EXPECT_EQ(window->NextCategoryID, 18);
    EXPECT_EQ(window->NextRecipeID, 133);
}

TEST_F(StartUpTest, FolderWithDataFilesShowsTheirCookbook) {
    writeSmallCookbook(folder.path());
    start();
    EXPECT_EQ(treeLines(window->cookbookTree()),
              QStringList({"My Cookbook", " Appetizers", "  Cheese puffs", "  Zucchini bites",
                           " Breads", " Soups", "  Grandma's stew", "  Tomato soup"}));
    EXPECT_EQ(statusText(), "3 Categories with 5 recipes");
    EXPECT_EQ(window->NextCategoryID, 8);
    EXPECT_EQ(window->NextRecipeID, 13); // the recipe of no category is not counted
    EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(StartUpTest, CaptionAndPaneBeforeAndAfterTheFirstActivation) {
    writeSmallCookbook(folder.path());
    create();
    EXPECT_EQ(window->windowTitle(), " Savrona");
    EXPECT_EQ(statusText(), "Totals");
    EXPECT_EQ(window->Label2->text(), "Category");
    for (QWidget* control :
         std::initializer_list<QWidget*>{window->Edit1, window->Memo1, window->Memo2,
                                         window->Button1, window->Button2, window->Button3})
        EXPECT_FALSE(control->isEnabled()) << control->accessibleName().toStdString();
    EXPECT_TRUE(window->Addnewcategory1->isEnabled());
    for (QAction* item : {window->Editcategory1, window->Deletecategory1, window->ChangeCategory1,
                          window->Exportrecipe1, window->Deleterecipe1})
        EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();

    window->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->windowTitle(), " Savrona v1.0");
    EXPECT_FALSE(window->RecipeSelected);
    // The activation runs once: showing the window again rebuilds nothing.
    window->hide();
    window->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(statusText(), "3 Categories with 5 recipes");
}

TEST_F(StartUpTest, RootIsExpandedAndCategoriesCollapsed) {
    writeSmallCookbook(folder.path());
    start();
    CookbookTreeModel& tree = window->cookbookTree();
    EXPECT_TRUE(window->treeCategories->isExpanded(tree.indexOf(tree.root())));
    window->treeCategories->expand(tree.indexOf(node("Soups")));
    window->RefreshCookbookTree();
    for (const auto& category : tree.root()->children)
        EXPECT_FALSE(window->treeCategories->isExpanded(tree.indexOf(category.get())));
}

TEST_F(StartUpTest, TabMovesTheFocusInTheDesignedOrder) {
    writeSmallCookbook(folder.path());
    start();
    QApplication::setActiveWindow(window.get());
    window->treeCategoriesChange(node("Soups")); // enables the boxes and Add Recipe
    window->Button2->setEnabled(true);
    window->Button3->setEnabled(true);
    window->treeCategories->setFocus();
    QWidget* const expected[] = {window->treeCategories, window->Edit1,   window->Memo1,
                                 window->Memo2,          window->Button1, window->Button2,
                                 window->Button3};
    for (QWidget* control : expected) {
        EXPECT_EQ(QApplication::focusWidget(), control) << control->accessibleName().toStdString();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
}

TEST_F(StartUpTest, AnchoredControlsKeepTheirMarginsWhenTheWindowGrows) {
    start();
    window->resize(900, 700);
    QCoreApplication::processEvents();
    const QWidget* pane = window->panelRight;
    const auto rightMargin = [pane](const QWidget* control) {
        return pane->width() - control->geometry().right() - 1;
    };
    const auto bottomMargin = [pane](const QWidget* control) {
        return pane->height() - control->mapTo(pane, QPoint(0, control->height())).y();
    };
    EXPECT_EQ(rightMargin(window->Edit1), 12);
    EXPECT_EQ(rightMargin(window->Memo1), 12);
    EXPECT_EQ(rightMargin(window->Memo2), 12);
    EXPECT_EQ(bottomMargin(window->Memo2), 43);
    EXPECT_EQ(bottomMargin(window->Button1), 9);
    EXPECT_EQ(window->Edit1->geometry().topLeft(), QPoint(12, 74));
    EXPECT_EQ(window->Button2->mapTo(pane, QPoint(0, 0)).x(), 146);
    EXPECT_EQ(window->Button3->mapTo(pane, QPoint(0, 0)).x(), 280);
}

// Each panel's bevel is one pixel wide and its children start right inside
// it, so the two caption strips are in line.
TEST_F(StartUpTest, CaptionStripsLieRightInsideTheirPanelsBevel) {
    start();
    const QWidget* left = window->panelLeft;
    EXPECT_EQ(window->panelCaption1->geometry(), QRect(1, 1, left->width() - 2, 22));
    EXPECT_EQ(window->treeCategories->geometry(),
              QRect(1, 23, left->width() - 2, left->height() - 24));
    EXPECT_EQ(window->panelCaption2->geometry().topLeft(), QPoint(1, 1));
    EXPECT_EQ(window->panelCaption1->mapTo(window.get(), QPoint(0, 0)).y(),
              window->panelCaption2->mapTo(window.get(), QPoint(0, 0)).y());
}

TEST_F(StartUpTest, DetailsPaneIsCreamAndTheTitleBoxBold) {
    start();
    EXPECT_EQ(window->panelRight->palette().color(window->panelRight->backgroundRole()),
              QColor(255, 251, 240));
    EXPECT_TRUE(window->Edit1->font().bold());
    EXPECT_TRUE(window->Label2->font().bold());
    EXPECT_EQ(window->Edit1->maxLength(), 125);
    EXPECT_EQ(window->treeCategories->indentation(), 19);
}

TEST(DesignFontsTest, TahomaAndMsSansSerifComeFromTheLookAlikeFiles) {
    EXPECT_TRUE(loadDesignFonts(QDir::temp().filePath("no such folder")).isEmpty());
    if (!QDir(designFontFolder).exists())
        GTEST_SKIP() << "fonts-wine is not installed";
    EXPECT_EQ(loadDesignFonts(), QStringList({"Tahoma", "MS Sans Serif", tahomaLinesFamily}));
    EXPECT_EQ(QFontInfo(tahomaFont()).family(), "Tahoma");
    EXPECT_EQ(QFontInfo(msSansSerifFont()).family(), "MS Sans Serif");
}

TEST_F(StartUpTest, StatusBarIsSixteenHighAndItsTextFits) {
    if (QFontInfo(tahomaFont()).family() != "Tahoma")
        GTEST_SKIP() << "laid out for Tahoma, which is not installed";
    start();
    EXPECT_EQ(window->StatusBar->height(), 16);
    EXPECT_GE(window->statusPanel->contentsRect().height(),
              window->statusPanel->fontMetrics().height());
}

// Laid out for Tahoma: 8-point lines 13 pixels apart, so the ingredients box
// shows five lines; bold text at the bold face's widths, and drawn bold.
TEST_F(StartUpTest, BoxesTakeTheDesignedLineSpacingAndBoldWidths) {
    if (QFontInfo(tahomaFont()).family() != "Tahoma")
        GTEST_SKIP() << "laid out for Tahoma, which is not installed";
    start();
    window->treeCategoriesChange(node("Appetizers"));
    window->Memo1->setPlainText("1\n2\n3\n4\n5\n6\n7\n8");
    QCoreApplication::processEvents();
    const QTextBlock second = window->Memo1->document()->findBlockByNumber(1);
    const auto top = [&](const QTextBlock& block) {
        return window->Memo1->cursorRect(QTextCursor(block)).top();
    };
    EXPECT_EQ(top(second.next()) - top(second), 13);
    int linesInView = 0;
    for (QTextBlock line = window->Memo1->document()->begin(); line.isValid(); line = line.next())
        linesInView += top(line) < window->Memo1->viewport()->height() ? 1 : 0;
    EXPECT_EQ(linesInView, 5);

    const QString title = "Bacon Wrapped Dates";
    EXPECT_EQ(window->Label2->fontMetrics().horizontalAdvance(title), 121);
    EXPECT_EQ(window->Edit1->fontMetrics().horizontalAdvance(title), 121);
    // As high as the regular face, and heavier than the bold file's own
    // outlines.
    EXPECT_EQ(window->Label2->fontMetrics().height(), window->Label3->fontMetrics().height());
    window->Label2->setText(title);
    window->Label2->adjustSize();
    const QImage bold = window->Label2->grab().toImage();
    int inkLeft = bold.width(), inkRight = -1, darkPixels = 0;
    for (int y = 0; y < bold.height(); ++y)
        for (int x = 0; x < bold.width(); ++x)
            if (qGray(bold.pixel(x, y)) < 96) {
                inkLeft = std::min(inkLeft, x);
                inkRight = std::max(inkRight, x);
                ++darkPixels;
            }
    EXPECT_GE(inkRight - inkLeft + 1, 119);
    // About 330; the bold face's outlines drawn as they are give about 220.
    EXPECT_GE(darkPixels, 290);
}

TEST_F(StartUpTest, IngredientsScrollSidewaysWithTheCaretWithoutABar) {
    start();
    window->treeCategoriesChange(node("Appetizers"));
    window->Memo1->setPlainText(QString(300, QLatin1Char('x')));
    window->Memo1->moveCursor(QTextCursor::End);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->Memo1->horizontalScrollBar()->isVisible());
    EXPECT_GT(window->Memo1->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(window->Memo1->toPlainText().count(QLatin1Char('\n')), 0);
}

// Dotted lines in the grey of button shadows join the categories in the
// column left of them; the root has none left of it.
TEST_F(StartUpTest, TreeDrawsBranchLinesBelowTheRoot) {
    start();
    QTreeView& tree = *window->treeCategories;
    const QImage picture = tree.viewport()->grab().toImage();
    const QRgb grey = tree.palette().color(QPalette::Dark).rgb();
    const auto greyPixelsInColumn = [&](int x, const QRect& row) {
        int count = 0;
        for (int y = row.top(); y <= row.bottom(); ++y)
            count += picture.pixel(x, y) == grey ? 1 : 0;
        return count;
    };
    const QModelIndex root = tree.model()->index(0, 0);
    const QRect firstCategory = tree.visualRect(tree.model()->index(0, 0, root));
    const QRect secondCategory = tree.visualRect(tree.model()->index(1, 0, root));
    const int lineColumn = tree.indentation() / 2;
    // Above and below the expand box of the first category, through the second.
    EXPECT_GT(greyPixelsInColumn(lineColumn, firstCategory), 2);
    EXPECT_GT(greyPixelsInColumn(lineColumn, secondCategory), 2);
    EXPECT_EQ(tree.visualRect(root).left(), 0);
}

} // namespace
} // namespace savrona::testing
