// The selection switch, the context menu's preparation and the key presses.
#include "ui/GuiTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

namespace savrona::testing {
namespace {

// What the pane shows and which commands are on, after a switch.
struct PaneState {
    bool titleEnabled;
    QString title;
    bool ingredientsEnabled;
    QString ingredients;
    bool preparationEnabled;
    QString preparation;
    bool addRecipe, saveChanges, deleteRecipe;
    bool addCategory, editCategory, deleteCategory, changeCategory, exportRecipe, deleteRecipeItem;
    QString selectedCategory;
    bool recipeSelected;
    QString label;

    bool operator==(const PaneState&) const = default;
};

void PrintTo(const PaneState& state, std::ostream* out) {
    *out << "title " << state.titleEnabled << " '" << state.title.toStdString() << "', ingredients "
         << state.ingredientsEnabled << " '" << state.ingredients.toStdString() << "', preparation "
         << state.preparationEnabled << " '" << state.preparation.toStdString() << "', buttons "
         << state.addRecipe << state.saveChanges << state.deleteRecipe << ", menu "
         << state.addCategory << state.editCategory << state.deleteCategory << state.changeCategory
         << state.exportRecipe << state.deleteRecipeItem << ", category '"
         << state.selectedCategory.toStdString() << "', recipe " << state.recipeSelected
         << ", label '" << state.label.toStdString() << "'";
}

PaneState paneOf(const TformMain& window) {
    return {window.Edit1->isEnabled(),
            window.Edit1->text(),
            window.Memo1->isEnabled(),
            window.Memo1->toPlainText(),
            window.Memo2->isEnabled(),
            window.Memo2->toPlainText(),
            window.Button1->isEnabled(),
            window.Button2->isEnabled(),
            window.Button3->isEnabled(),
            window.Addnewcategory1->isEnabled(),
            window.Editcategory1->isEnabled(),
            window.Deletecategory1->isEnabled(),
            window.ChangeCategory1->isEnabled(),
            window.Exportrecipe1->isEnabled(),
            window.Deleterecipe1->isEnabled(),
            window.SelectedCategoryNode ? window.SelectedCategoryNode->text : QString("(none)"),
            window.RecipeSelected,
            window.Label2->text()};
}

struct SwitchCase {
    const char* name;
    QString node;
    PaneState expected;
};

void PrintTo(const SwitchCase& row, std::ostream* out) {
    *out << row.name;
}

class SwitchTest : public MainWindowTest, public ::testing::WithParamInterface<SwitchCase> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeSmallCookbook(folder.path());
        start();
    }
};

TEST_P(SwitchTest, SelectingANodeSetsThePane) {
    // Typed text and an earlier recipe state are replaced by every switch.
    window->treeCategories->setCurrentIndex(window->cookbookTree().indexOf(node("Tomato soup")));
    window->Memo1->setPlainText("typed");
    window->treeCategories->setCurrentIndex(window->cookbookTree().indexOf(node(GetParam().node)));
    EXPECT_EQ(paneOf(*window), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    States, SwitchTest,
    ::testing::Values(SwitchCase{"Root",
                                 "My Cookbook",
                                 {false, " Please select recipe category first", false, "", false,
                                  "", false, false, false, true, false, false, false, false, false,
                                  "My Cookbook", false, "My Cookbook"}},
                      SwitchCase{"Category",
                                 "Appetizers",
                                 {true, "", true, "", true, "", true, false, false, true, true,
                                  true, false, false, false, "Appetizers", false, "Appetizers"}},
                      SwitchCase{"Recipe",
                                 "Zucchini bites",
                                 {true, "Zucchini bites", true, "2 zucchini\nsalt", true,
                                  "Slice.\nBake.", false, false, true, true, false, false, true,
                                  true, true, "Appetizers", true, "Appetizers"}},
                      SwitchCase{"RecipeWithAnApostrophe",
                                 "Grandma's stew",
                                 {true, "Grandma's stew", true, "Beef", true, "Stew.", false, false,
                                  true, true, false, false, true, true, true, "Soups", true,
                                  "Soups"}}),
    [](const ::testing::TestParamInfo<SwitchCase>& info) { return info.param.name; });

class SelectionTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeSmallCookbook(folder.path());
        start();
    }
    void select(const QString& text) {
        window->treeCategories->setCurrentIndex(window->cookbookTree().indexOf(node(text)));
    }
    TreeNode* selectedInTree() const {
        return window->cookbookTree().nodeAt(window->treeCategories->currentIndex());
    }
};

TEST_F(SelectionTest, RecipeThenItsCategoryKeepsTheRecipeNode) {
    select("Cheese puffs");
    select("Appetizers");
    EXPECT_EQ(window->SelectedRecipeNode, node("Cheese puffs"));
    EXPECT_EQ(window->SelectedCategoryNode, node("Appetizers"));
    EXPECT_FALSE(window->RecipeSelected);
}

TEST_F(SelectionTest, ContextMenuOnAnotherNodeSwitchesWithoutMovingTheSelection) {
    select("Breads");
    window->treePopupPopup(node("Tomato soup"));
    EXPECT_EQ(selectedInTree(), node("Breads"));
    EXPECT_EQ(window->SelectedRecipeNode, node("Tomato soup"));
    EXPECT_EQ(window->SelectedCategoryNode, node("Soups"));
    EXPECT_EQ(window->Edit1->text(), "Tomato soup");
    EXPECT_TRUE(window->Deleterecipe1->isEnabled());
}

TEST_F(SelectionTest, ContextMenuOnTheSameCategoryClearsTypedText) {
    select("Breads");
    window->Edit1->setText("New bread");
    window->treePopupPopup();
    EXPECT_EQ(window->Edit1->text(), "");
}

TEST_F(SelectionTest, ContextMenuOnAnEditedRecipeReadsItsStoredTextsBack) {
    select("Tomato soup");
    window->Memo1->setFocus();
    QTest::keyClicks(window->Memo1, "more");
    EXPECT_TRUE(window->Button2->isEnabled());
    window->treePopupPopup();
    EXPECT_EQ(window->Memo1->toPlainText(), "Tomatoes");
    EXPECT_FALSE(window->Button2->isEnabled());
}

TEST_F(SelectionTest, ContextMenuWithNoNodeOffersOnlyAddNewCategory) {
    select("Tomato soup");
    window->RefreshCookbookTree(); // leaves no node selected
    EXPECT_EQ(selectedInTree(), nullptr);
    window->treePopupPopup();
    EXPECT_TRUE(window->Addnewcategory1->isEnabled());
    for (QAction* item : {window->Editcategory1, window->Deletecategory1, window->ChangeCategory1,
                          window->Exportrecipe1, window->Deleterecipe1})
        EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
}

TEST_F(SelectionTest, ReturnToRootSelectsTheRootAndShowsTheRootState) {
    select("Cheese puffs");
    window->RefreshAndReturnToRoot();
    EXPECT_EQ(selectedInTree(), window->cookbookTree().root());
    EXPECT_EQ(window->SelectedCategoryNode, window->cookbookTree().root());
    EXPECT_FALSE(window->RecipeSelected);
    EXPECT_FALSE(window->Edit1->isEnabled());
    EXPECT_EQ(window->Label2->text(), "My Cookbook");
}

TEST_F(SelectionTest, RebuildClearsTheNodeReferences) {
    select("Cheese puffs");
    window->RefreshCookbookTree();
    EXPECT_EQ(window->SelectedCategoryNode, nullptr);
    EXPECT_EQ(window->SelectedRecipeNode, nullptr);
    EXPECT_EQ(window->selectedCategoryName(), "");
}

TEST_F(SelectionTest, TitleLongerThanTheBoxIsShownWhole) {
    const QString longTitle(200, QLatin1Char('x'));
    window->dataSetRecipes->insertRecord({50, 1, longTitle, "a", "b"});
    window->RefreshCookbookTree();
    select(longTitle);
    EXPECT_EQ(window->Edit1->text(), longTitle);
    select("Breads");
    EXPECT_EQ(window->Edit1->maxLength(), 125);
}

struct KeyCase {
    const char* name;
    QString node;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool saveEnabled;
};

void PrintTo(const KeyCase& row, std::ostream* out) {
    *out << row.name;
}

class KeyPressTest : public SelectionTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeyPressTest, CharacterKeysEnableSaveChangesOnlyForARecipe) {
    const KeyCase& row = GetParam();
    select(row.node);
    for (QWidget* box :
         std::initializer_list<QWidget*>{window->Edit1, window->Memo1, window->Memo2}) {
        window->Button2->setEnabled(false);
        box->setFocus();
        QTest::keyClick(box, row.key, row.modifiers);
        EXPECT_EQ(window->Button2->isEnabled(), row.saveEnabled)
            << box->accessibleName().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyPressTest,
    ::testing::Values(
        KeyCase{"LetterOnRecipe", "Tomato soup", Qt::Key_A, {}, true},
        KeyCase{"BackspaceOnRecipe", "Tomato soup", Qt::Key_Backspace, {}, true},
        KeyCase{"ControlVOnRecipe", "Tomato soup", Qt::Key_V, Qt::ControlModifier, true},
        // An addition's shortcut, taken before the box sees the key.
        KeyCase{"ControlFOnRecipe", "Tomato soup", Qt::Key_F, Qt::ControlModifier, true},
        KeyCase{"DeleteOnRecipe", "Tomato soup", Qt::Key_Delete, {}, false},
        KeyCase{"ArrowOnRecipe", "Tomato soup", Qt::Key_Left, {}, false},
        KeyCase{"AltSOnRecipe", "Tomato soup", Qt::Key_S, Qt::AltModifier, false},
        KeyCase{"AltXOnRecipe", "Tomato soup", Qt::Key_X, Qt::AltModifier, false},
        KeyCase{"AltGrOnRecipe", "Tomato soup", Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier,
                true},
        KeyCase{"LetterOnCategory", "Soups", Qt::Key_A, {}, false}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

} // namespace
} // namespace savrona::testing
