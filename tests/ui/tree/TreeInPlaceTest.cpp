// The tree brought up to date in place after each command, against a walk of the same
// tables, over seeded random sequences of commands.
#include "ui/GuiTestSupport.h"

#include "cookbook/commands/CategoryCommands.h"
#include "data/engine/Table.h"
#include "ui/tree/CookbookTreeUpdate.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <random>

namespace savrona::testing {
namespace {

const QString rootPrompt = QStringLiteral(" Please select recipe category first");

// Titles and names that sort first, in the middle and last, differ only in
// case, hold quotes or letters beyond ASCII, or are blanks.
const QStringList titles = {"apple pie",
                            "Apple Pie",
                            "Zucchini bites",
                            "zucchini bites",
                            "Mango chutney",
                            "Ærter",
                            "  ",
                            "123 soup",
                            "O'Brien hash",
                            "Ñoquis",
                            "Tomato soup",
                            "mango chutney",
                            "Cheese puffs",
                            "a",
                            "Zz",
                            "Grandma's stew"};
const QStringList names = {"Aaa", "Soups", "soups", "Zzz", "Middle", "Ωmega", "Breads", "b"};

// A node per line: its depth, text, image, and whether it is expanded; the
// rows, parents and absolute indexes checked on the way.
QStringList shownTree(const CookbookTreeModel& tree, const QTreeView& view) {
    QStringList lines;
    int absolute = 0;
    const std::function<void(const TreeNode&, int)> visit = [&](const TreeNode& node, int depth) {
        EXPECT_EQ(node.absoluteIndex(), absolute) << node.text.toStdString();
        ++absolute;
        lines.append(QString(depth, QLatin1Char(' ')) + node.text +
                     QStringLiteral(" #%1%2")
                         .arg(node.imageIndex)
                         .arg(view.isExpanded(tree.indexOf(&node)) ? " open" : ""));
        for (std::size_t row = 0; row < node.children.size(); ++row) {
            EXPECT_EQ(node.children[row]->row, static_cast<int>(row));
            EXPECT_EQ(node.children[row]->parent, &node);
            visit(*node.children[row], depth + 1);
        }
    };
    visit(*tree.root(), 0);
    EXPECT_EQ(tree.root()->subtreeSize, absolute);
    return lines;
}

class TreeInPlaceTest : public MainWindowTest, public ::testing::WithParamInterface<unsigned> {
protected:
    template <typename Container> const auto& pick(const Container& list) {
        return list[std::uniform_int_distribution<int>(0, int(list.size()) - 1)(random)];
    }
    TreeNode* anyCategory() {
        const auto& categories = window->cookbookTree().root()->children;
        return categories.empty() ? nullptr : pick(categories).get();
    }
    TreeNode* anyRecipe() {
        std::vector<TreeNode*> recipes;
        for (const auto& category : window->cookbookTree().root()->children)
            for (const auto& recipe : category->children)
                recipes.push_back(recipe.get());
        return recipes.empty() ? nullptr : pick(recipes);
    }
    void click(TreeNode* node) {
        window->selectNode(node);
        QCoreApplication::processEvents();
    }

    // Runs one command as the user would; false when it returns to the root.
    bool runRandomCommand() {
        CategoryCommands commands(*window);
        TreeNode* category = anyCategory();
        TreeNode* recipe = anyRecipe();
        switch (std::uniform_int_distribution<int>(0, 7)(random)) {
        case 0: // Add Recipe
            if (category == nullptr)
                break;
            click(category);
            window->Edit1->setText(pick(titles) + pick(QStringList{"", " 2", "x"}));
            window->Memo1->setPlainText("some");
            window->Button1Click();
            return true;
        case 1: // Save Changes with a new title
            if (recipe == nullptr)
                break;
            click(recipe);
            window->Edit1->setText(pick(titles) + pick(QStringList{"", " 3"}));
            window->Button2Click();
            return true;
        case 2: // Save Changes, then the next rebuild
            if (recipe == nullptr)
                break;
            click(recipe);
            window->Memo2->setPlainText("changed");
            window->Button2Click();
            window->RefreshCookbookTree();
            return true;
        case 3:
            if (recipe == nullptr)
                break;
            click(recipe);
            window->Deleterecipe1Click();
            return false;
        case 4: // Change recipe category
            if (recipe == nullptr)
                break;
            click(recipe);
            commands.moveRecipe(window->Edit1->text(), anyCategory()->text);
            window->RefreshAndReturnToRoot();
            return false;
        case 5: // Add new category, from the root
            click(window->cookbookTree().root());
            window->Edit1->setText("typed");
            commands.addCategory(pick(names), window->NextCategoryID);
            window->RefreshAndReturnToRoot();
            return false;
        case 6: // Edit category
            if (category == nullptr)
                break;
            click(category);
            commands.renameCategory(category->text, pick(names) + pick(QStringList{"", "!"}));
            window->RefreshAndReturnToRoot();
            return false;
        case 7:
            if (category == nullptr)
                break;
            click(category);
            window->Deletecategory1Click();
            return false;
        }
        window->RefreshAndReturnToRoot();
        return false;
    }

    // What a walk of the same tables makes, on a model and view of its own.
    void expectSameAsAWalk() {
        CookbookTreeModel walkedTree;
        CookbookTreeView walkedView;
        walkedView.setModel(&walkedTree);
        CookbookTreeUpdate walk(walkedTree, walkedView, QStringLiteral("My Cookbook"));
        window->dataSetCategories->first(); // where an opening leaves it
        walk.walk(*window->dataSetCategories, *window->dataSetRecipes, [] {});
        // Save Changes with a new title opens the category of the recipe it selects.
        const TreeNode* current = window->selectedNode();
        if (current != nullptr && current->parent != nullptr && current->parent->parent != nullptr)
            walkedView.expand(walkedTree.indexOf(
                walkedTree.root()->children[std::size_t(current->parent->row)].get()));
        EXPECT_EQ(shownTree(window->cookbookTree(), *window->treeCategories),
                  shownTree(walkedTree, walkedView));
        EXPECT_EQ(window->NextCategoryID, walk.greatestCategoryId() + 1);
        EXPECT_EQ(window->NextRecipeID, walk.greatestRecipeId() + 1);
        EXPECT_EQ(statusText(), QStringLiteral("%1 Categories with %2 recipes")
                                    .arg(window->dataSetCategories->recordCount())
                                    .arg(window->dataSetRecipes->recordCount()));
        EXPECT_FALSE(window->dataSetRecipes->isFiltered());
    }

    std::mt19937 random{GetParam()};
};

TEST_P(TreeInPlaceTest, EveryCommandLeavesTheTreeAWalkWouldMake) {
    writeSmallCookbook(folder.path());
    start();
    QAbstractItemModelTester modelTester(&window->cookbookTree(),
                                         QAbstractItemModelTester::FailureReportingMode::Warning);
    const TreeNode* rootOfTheWalk = window->cookbookTree().root();
    for (int step = 0; step < 60 && !HasFailure(); ++step) {
        SCOPED_TRACE(step);
        const bool staysWhereItWas = runRandomCommand();
        QCoreApplication::processEvents();
        expectSameAsAWalk();
        // Changed in place: the root of the first walk stays.
        EXPECT_EQ(window->cookbookTree().root(), rootOfTheWalk);
        if (!staysWhereItWas) {
            // The switch ran for the root, even when the root was selected before.
            EXPECT_EQ(window->selectedNode(), window->cookbookTree().root());
            EXPECT_EQ(window->Edit1->text(), rootPrompt);
            EXPECT_EQ(window->SelectedCategoryNode, window->cookbookTree().root());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, TreeInPlaceTest, ::testing::Values(1u, 2u, 3u, 4u));

using TreeUpdateTest = MainWindowTest;

TEST_F(TreeUpdateTest, AddRecipeLeavesNoNodeSelectedAndTheTypedTexts) {
    writeSmallCookbook(folder.path());
    start();
    select("Breads");
    window->Edit1->setText("Rye loaf");
    window->Button1Click();
    EXPECT_EQ(window->selectedNode(), nullptr);
    EXPECT_TRUE(window->treeCategories->selectionModel()->selectedIndexes().isEmpty());
    EXPECT_EQ(window->Edit1->text(), "Rye loaf");
    EXPECT_FALSE(window->Button1->isEnabled());
    EXPECT_FALSE(
        window->treeCategories->isExpanded(window->cookbookTree().indexOf(node("Breads"))));
    EXPECT_EQ(window->NextRecipeID, 14);
}

TEST_F(TreeUpdateTest, FileChangedByAnotherProgramIsWalkedAgain) {
    writeSmallCookbook(folder.path());
    start();
    const TreeNode* firstRoot = window->cookbookTree().root();
    writeCookbookFiles(folder.path(), {{2, "Pies"}}, {{5, 2, QString("Apple pie"), "", ""}});
    window->RefreshAndReturnToRoot();
    EXPECT_NE(window->cookbookTree().root(), firstRoot);
    EXPECT_EQ(treeLines(window->cookbookTree()),
              (QStringList{"My Cookbook", " Pies", "  Apple pie"}));
    EXPECT_EQ(window->NextRecipeID, 6);
}

} // namespace
} // namespace savrona::testing
