// The find command on a real main window: the menu, typing, choosing a result
// through the tree's own selection, results following rebuilds, and the find
// window's placement.
#include "ui/GuiTestSupport.h"

#include "ui/find/FindController.h"
#include "ui/find/FindWindow.h"
#include "ui/find/FindWindowPlacement.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

namespace savrona::testing {
namespace {

class FindWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeSmallCookbook(folder.path());
        start();
        controller = window->findChild<FindController*>();
        ASSERT_NE(controller, nullptr);
    }

    FindWindow& open() {
        controller->findAction()->trigger();
        QCoreApplication::processEvents();
        return *controller->findWindow();
    }

    FindWindow& openAndType(const QString& text) {
        FindWindow& find = open();
        QTest::keyClicks(find.searchBox, text);
        return find;
    }

    QStringList shownTitles() const {
        QStringList titles;
        const QAbstractItemModel* results = controller->findWindow()->resultsList->model();
        for (int row = 0; row < results->rowCount(); ++row)
            titles << results->index(row, 0).data().toString();
        return titles;
    }

    QString countLine() const { return controller->findWindow()->countLabel->text(); }
    QString selectedText() const {
        const TreeNode* node = window->selectedNode();
        return node ? node->text : QString();
    }

    FindController* controller = nullptr;
};

TEST_F(FindWindowTest, CtrlFOpensTheWindow) {
    EXPECT_EQ(controller->findAction()->text(), "&Find recipes...");
    EXPECT_EQ(controller->findWindow(), nullptr);

    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window->treeCategories, Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(controller->findWindow(), nullptr);
    EXPECT_TRUE(controller->findWindow()->isVisible());
    EXPECT_EQ(controller->findWindow()->windowTitle(), "Find Recipes");
    // Screen readers are told it is a window, by its title.
    QAccessibleInterface* accessible =
        QAccessible::queryAccessibleInterface(controller->findWindow());
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Window);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Find Recipes");
}

TEST_F(FindWindowTest, ResultsFollowEveryKeystroke) {
    FindWindow& find = openAndType("to");
    EXPECT_EQ(shownTitles(), QStringList{"Tomato soup"});
    EXPECT_EQ(countLine(), "1 recipe found");

    find.searchBox->clear();
    EXPECT_EQ(shownTitles(), QStringList());
    EXPECT_EQ(countLine(), "");

    // Titles holding the query first, each group in the tree's order.
    QTest::keyClicks(find.searchBox, "s");
    EXPECT_EQ(shownTitles(), QStringList({"Grandma's stew", "Tomato soup", "Zucchini bites"}));
    EXPECT_EQ(countLine(), "3 recipes found");

    QTest::keyClicks(find.searchBox, "q");
    EXPECT_EQ(shownTitles(), QStringList());
    EXPECT_EQ(countLine(), "No recipe found");
}

TEST_F(FindWindowTest, EnterSelectsTheRecipesNodeAndTheDetailsPaneShowsIt) {
    FindWindow& find = openAndType("cheese");
    QTest::keyClick(find.searchBox, Qt::Key_Return);

    EXPECT_EQ(selectedText(), "Cheese puffs");
    EXPECT_TRUE(
        window->treeCategories->isExpanded(window->cookbookTree().indexOf(node("Appetizers"))));
    EXPECT_TRUE(window->RecipeSelected);
    EXPECT_EQ(window->Edit1->text(), "Cheese puffs");
    EXPECT_EQ(window->Memo1->toPlainText(), "Cheese");
    EXPECT_TRUE(find.isVisible());
}

TEST_F(FindWindowTest, UpAndDownMoveThroughTheResultsAndADoubleClickChooses) {
    FindWindow& find = openAndType("s");
    QTest::keyClick(find.searchBox, Qt::Key_Down);
    QTest::keyClick(find.searchBox, Qt::Key_Down);
    QTest::keyClick(find.searchBox, Qt::Key_Up);
    EXPECT_EQ(find.currentRow(), 1);
    QTest::keyClick(find.searchBox, Qt::Key_Enter);
    EXPECT_EQ(selectedText(), "Tomato soup");

    const QModelIndex last = find.resultsList->model()->index(2, 0);
    const QPoint middle = find.resultsList->visualRect(last).center();
    // A double click comes after the press of its first click.
    QTest::mouseClick(find.resultsList->viewport(), Qt::LeftButton, {}, middle);
    EXPECT_EQ(selectedText(), "Tomato soup");
    QTest::mouseDClick(find.resultsList->viewport(), Qt::LeftButton, {}, middle);
    EXPECT_EQ(selectedText(), "Zucchini bites");
    EXPECT_EQ(window->Memo2->toPlainText(), "Slice.\nBake.");
}

TEST_F(FindWindowTest, ARebuildSearchesAgainSoNoDeletedRecipeOrOldNameShows) {
    openAndType("stew");
    EXPECT_EQ(shownTitles(), QStringList{"Grandma's stew"});
    window->selectNode(node("Grandma's stew"));
    window->Deleterecipe1Click();
    QCoreApplication::processEvents();
    EXPECT_EQ(shownTitles(), QStringList());
    EXPECT_EQ(countLine(), "No recipe found");
}

TEST_F(FindWindowTest, EscapeClosesTheWindowWhichReopensWhereItWas) {
    FindWindow& find = open();
    find.setGeometry(120, 90, 380, 300);
    QTest::keyClick(find.searchBox, Qt::Key_Escape);
    EXPECT_FALSE(find.isVisible());
    EXPECT_EQ(fake.settings.values["FindWidth"], QVariant(QStringLiteral("380")));

    window.reset();
    start();
    controller = window->findChild<FindController*>();
    EXPECT_EQ(open().geometry(), QRect(120, 90, 380, 300));
}

struct PlacementCase {
    const char* name;
    std::vector<const char*> values; // FindLeft, FindTop, FindWidth, FindHeight
    std::optional<QRect> restored;
};

void PrintTo(const PlacementCase& row, std::ostream* out) {
    *out << row.name;
}

class FindPlacementValues : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(FindPlacementValues, AreTakenOnlyWhenAllReadAndOnAScreen) {
    FakeSettingsStore store;
    const char* names[] = {"FindLeft", "FindTop", "FindWidth", "FindHeight"};
    for (std::size_t index = 0; index < GetParam().values.size(); ++index)
        store.values[names[index]] = QString::fromLatin1(GetParam().values[index]);
    EXPECT_EQ(FindWindowPlacement(store).restore({QRect(0, 0, 1024, 768)}), GetParam().restored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindPlacementValues,
    ::testing::Values(PlacementCase{"AllFour", {"10", "-5", "400", "300"}, QRect(10, -5, 400, 300)},
                      PlacementCase{"OneMissing", {"10", "20", "400"}, std::nullopt},
                      PlacementCase{"NotANumber", {"10", "abc", "400", "300"}, std::nullopt},
                      PlacementCase{"OffEveryScreen", {"5000", "20", "400", "300"}, std::nullopt},
                      PlacementCase{"TooSmallToUse", {"10", "20", "0", "300"}, std::nullopt}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

} // namespace
} // namespace savrona::testing
