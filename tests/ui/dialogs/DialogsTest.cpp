#include "cookbook/TestCookbook.h"
#include "data/Error.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "platform/DesktopSeams.h"
#include "ui/dialogs/Unit2.h"
#include "ui/dialogs/Unit3.h"
#include "ui/dialogs/Unit5.h"
#include "ui/dialogs/Unit6.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

using namespace savrona;
using namespace savrona::testing;

namespace {

constexpr std::size_t recipeCategoryId = 1, recipeTitle = 2, categoryName = 2;

// The widgets reachable from a dialog by Tab, starting at from.
std::vector<QWidget*> tabChain(QWidget* from, int length) {
    std::vector<QWidget*> chain{from};
    for (QWidget* next = from->nextInFocusChain(); static_cast<int>(chain.size()) < length;
         next = next->nextInFocusChain())
        if (next->focusPolicy() & Qt::TabFocus)
            chain.push_back(next);
    return chain;
}

class DialogTest : public ::testing::Test {
protected:
    QWidget mainWindow;
    TestCookbook cookbook{
        {{2, "Appetizers"},
         {4, "Soups and Stews"},
         {9, "Grandma's Kitchen"},
         {1, "breads"},
         {11, "Cakes*"}},
        {{12, 4, "Onion Soup", "onions", "simmer"}, {7, 9, "Grandma's Pie*", "apples", "bake"}}};

    void SetUp() override {
        mainWindow.setGeometry(100, 100, 700, 500);
        mainWindow.show();
    }

    std::optional<Row> category(const QString& name) {
        return findRow(TestCookbook::rowsOf(cookbook.categories()), categoryName, name);
    }
    std::optional<Row> recipe(const QString& title) {
        return findRow(TestCookbook::rowsOf(cookbook.recipes()), recipeTitle, title);
    }
};

// The frame every dialog shares.
TEST_F(DialogTest, DialogsAreFixedAndCentredThenKeepTheirPlace) {
    TformAddNewCategory dialog(&mainWindow, cookbook);
    dialog.show();
    EXPECT_EQ(dialog.size(), QSize(392, 248));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    // The outer frames, title bars included.
    EXPECT_LE(
        (dialog.frameGeometry().center() - mainWindow.frameGeometry().center()).manhattanLength(),
        1);
    EXPECT_EQ(dialog.Panel1->geometry(), QRect(0, 0, 392, 40));
    EXPECT_EQ(dialog.Image1->geometry(), QRect(20, 66, 32, 32));

    dialog.move(37, 41);
    const QPoint moved = dialog.pos();
    dialog.reject();
    mainWindow.move(300, 250);
    dialog.show();
    EXPECT_EQ(dialog.pos(), moved);
}

TEST_F(DialogTest, AddDialogOpensEmptyWithTheFocusOnTheNameBox) {
    TformAddNewCategory dialog(&mainWindow, cookbook);
    dialog.show();
    dialog.editCategoryName->setText("left over");
    dialog.reject();
    dialog.show();

    EXPECT_EQ(dialog.windowTitle(), " Savrona v1.0");
    EXPECT_EQ(dialog.Label1->text(), "Add new category");
    EXPECT_EQ(dialog.Label3->text(), "New category name :");
    EXPECT_EQ(dialog.font().families().value(0), "Tahoma");
    EXPECT_EQ(dialog.editCategoryName->geometry(), QRect(72, 86, 271, 16));
    EXPECT_EQ(dialog.editCategoryName->text(), "");
    EXPECT_EQ(dialog.editCategoryName->maxLength(), 125);
    EXPECT_EQ(dialog.focusWidget(), dialog.editCategoryName);
    EXPECT_EQ(tabChain(dialog.editCategoryName, 3),
              (std::vector<QWidget*>{dialog.editCategoryName, dialog.Button1, dialog.Button2}));
    EXPECT_TRUE(dialog.Button1->isDefault());
    EXPECT_EQ(dialog.Button1->text(), "&OK");
    EXPECT_EQ(dialog.Button2->text(), "&Cancel");
}

TEST_F(DialogTest, AddDialogStoresTheCategoryWithTheNextCategoryId) {
    cookbook.nextCategory = 42;
    TformAddNewCategory dialog(&mainWindow, cookbook);
    dialog.show();
    dialog.editCategoryName->setText("Mom's Desserts*");
    dialog.Button1->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(category("Mom's Desserts*"), categoryRow(42, 0, "Mom's Desserts*"));
    cookbook.rebuild();
    EXPECT_TRUE(findRow(cookbook.rowsInFile(categoriesFileName), categoryName, "Mom's Desserts*"));
}

TEST_F(DialogTest, AddDialogStaysOpenWithItsTextAfterARefusal) {
    TformAddNewCategory dialog(&mainWindow, cookbook);
    dialog.show();
    dialog.Button1->click();
    dialog.editCategoryName->setText("Cakes*");
    dialog.Button1->click();

    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.editCategoryName->text(), "Cakes*");
    ASSERT_EQ(cookbook.messageBoxes.shown.size(), 2u);
    EXPECT_EQ(cookbook.messageBoxes.shown[0].text,
              "Please enter name for new category and then try again.");
    EXPECT_EQ(cookbook.messageBoxes.shown[1].text,
              "Such category already exists (Cakes*)!\r"
              "Please enter different name for new category and then try again.");
    EXPECT_EQ(TestCookbook::rowsOf(cookbook.categories()).size(), 5u);
}

TEST_F(DialogTest, CancelEscapeAndCloseWriteNothing) {
    cookbook.selectedCategory = "Appetizers";
    cookbook.titleBox = "Onion Soup";
    TformAddNewCategory addDialog(&mainWindow, cookbook);
    TformEditCategory renameDialog(&mainWindow, cookbook);
    TformChangeCategory changeDialog(&mainWindow, cookbook);
    struct Case {
        QDialog* dialog;
        QPushButton* cancel;
        std::function<void()> typeSomething;
    };
    const std::vector<Case> cases{
        {&addDialog, addDialog.Button2, [&] { addDialog.editCategoryName->setText("Desserts"); }},
        {&renameDialog, renameDialog.Button2,
         [&] { renameDialog.editCategoryName->setText("Starters"); }},
        {&changeDialog, changeDialog.Button2,
         [&] { changeDialog.ComboBox->setEditText("Soups and Stews"); }},
    };
    const std::vector<std::function<void(const Case&)>> waysToClose{
        [](const Case& c) { c.cancel->click(); },
        [](const Case& c) { QTest::keyClick(c.dialog, Qt::Key_Escape); },
        [](const Case& c) { c.dialog->close(); },
    };
    for (const Case& c : cases)
        for (const auto& close : waysToClose) {
            c.dialog->show();
            c.typeSomething();
            close(c);
            EXPECT_EQ(c.dialog->result(), QDialog::Rejected);
            EXPECT_FALSE(c.dialog->isVisible());
        }
    EXPECT_FALSE(cookbook.categories().isChanged());
    EXPECT_FALSE(cookbook.recipes().isChanged());
}

TEST_F(DialogTest, RenameDialogShowsTheSelectedNameWithTheFocusOnOk) {
    cookbook.selectedCategory = "Grandma's Kitchen";
    TformEditCategory dialog(&mainWindow, cookbook);
    dialog.show();

    EXPECT_EQ(dialog.windowTitle(), "Savrona v1.0");
    EXPECT_EQ(dialog.Label1->text(), "Edit category");
    EXPECT_EQ(dialog.editCategoryName->text(), "Grandma's Kitchen");
    EXPECT_EQ(dialog.editCategoryName->maxLength(), 125);
    EXPECT_EQ(dialog.focusWidget(), dialog.Button1);
    EXPECT_EQ(tabChain(dialog.Button1, 3),
              (std::vector<QWidget*>{dialog.Button1, dialog.Button2, dialog.editCategoryName}));
    EXPECT_EQ(dialog.font().families().value(0), "MS Sans Serif");
    EXPECT_EQ(dialog.font().pointSize(), 8);
    EXPECT_EQ(dialog.Label1->font().families().value(0), "Tahoma");
    EXPECT_TRUE(dialog.Label1->font().bold());
}

TEST_F(DialogTest, RenameDialogRenamesTheSelectedCategory) {
    cookbook.selectedCategory = "Grandma's Kitchen";
    TformEditCategory dialog(&mainWindow, cookbook);
    dialog.show();
    dialog.Button1->click();
    EXPECT_TRUE(dialog.isVisible()) << "the current name is taken";

    dialog.editCategoryName->setText("Grandpa's Kitchen*");
    dialog.Button1->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(category("Grandpa's Kitchen*"), categoryRow(9, 0, "Grandpa's Kitchen*"));
    EXPECT_FALSE(category("Grandma's Kitchen"));
}

// A name from a data file may be longer than can be typed: it is shown whole,
// so OK on it finds the category itself.
TEST_F(DialogTest, RenameDialogShowsALongStoredNameWhole) {
    const QString longName = QString(130, QLatin1Char('n')) + QStringLiteral("*");
    cookbook.categories().insertRecord({30, 0, longName});
    cookbook.selectedCategory = longName;
    TformEditCategory dialog(&mainWindow, cookbook);
    dialog.show();
    EXPECT_EQ(dialog.editCategoryName->text(), longName);
    dialog.Button1->click();

    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(cookbook.messageBoxes.shown.size(), 1u);
    EXPECT_EQ(cookbook.messageBoxes.shown[0].text,
              "Such category already exists (" + longName +
                  ")!\rPlease enter different name for new category and then try again.");
    EXPECT_TRUE(category(longName));
    EXPECT_FALSE(category(longName.left(125)));

    dialog.reject();
    cookbook.selectedCategory = "Appetizers";
    dialog.show();
    EXPECT_EQ(dialog.editCategoryName->maxLength(), 125);
}

TEST_F(DialogTest, ChangeDialogListsEveryCategorySortedWithTheFocusOnOk) {
    TformChangeCategory dialog(&mainWindow, cookbook);
    dialog.show();

    EXPECT_EQ(dialog.windowTitle(), "Savrona v1.0");
    EXPECT_EQ(dialog.Label1->text(), "Change recipe category");
    EXPECT_EQ(dialog.Label3->text(), "Select new category for this recipe :");
    QStringList items;
    for (int index = 0; index < dialog.ComboBox->count(); ++index)
        items.append(dialog.ComboBox->itemText(index));
    EXPECT_EQ(items, (QStringList{"Appetizers", "breads", "Cakes*", "Grandma's Kitchen",
                                  "Soups and Stews"}));
    EXPECT_EQ(dialog.ComboBox->currentText(), "");
    EXPECT_TRUE(dialog.ComboBox->isEditable());
    EXPECT_EQ(dialog.focusWidget(), dialog.Button1);
    EXPECT_EQ(tabChain(dialog.Button1, 3),
              (std::vector<QWidget*>{dialog.Button1, dialog.Button2, dialog.ComboBox}));
}

TEST_F(DialogTest, ChangeDialogCompletesTypedTextKeepingItsCase) {
    TformChangeCategory dialog(&mainWindow, cookbook);
    dialog.show();
    QLineEdit* edit = dialog.ComboBox->lineEdit();
    // The completer works for the box that has the keyboard focus.
    QApplication::setActiveWindow(&dialog);
    dialog.ComboBox->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    QTest::keyClicks(edit, "sou");
    EXPECT_EQ(edit->text(), "soups and Stews");
    EXPECT_EQ(edit->selectedText(), "ps and Stews");
    // Backspace erases the filled-in part, which does not come back.
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "sou");
    QTest::keyClicks(edit, "pX");
    EXPECT_EQ(edit->text(), "soupX");
}

struct TypedCategoryCase {
    const char* name;
    const char* typed;
    bool pressEnter; // else the focus moves to OK, which is clicked
    std::int32_t categoryId;
};

void PrintTo(const TypedCategoryCase& row, std::ostream* out) {
    *out << row.name;
}

class ChangeDialogTypedNameTest : public DialogTest,
                                  public ::testing::WithParamInterface<TypedCategoryCase> {};

// Two categories whose names differ only in letter case: the typed name, case
// included, is the one looked up, however editing ends.
TEST_P(ChangeDialogTypedNameTest, MovesTheRecipeToTheCategoryOfTheExactName) {
    const TypedCategoryCase& row = GetParam();
    cookbook.categories().insertRecord({20, 0, QStringLiteral("Pasta")});
    cookbook.categories().insertRecord({21, 0, QStringLiteral("pasta")});
    cookbook.titleBox = "Onion Soup";
    TformChangeCategory dialog(&mainWindow, cookbook);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.ComboBox->setFocus();
    QTest::keyClicks(dialog.ComboBox->lineEdit(), row.typed);
    if (row.pressEnter) {
        QTest::keyClick(dialog.ComboBox->lineEdit(), Qt::Key_Return);
    } else {
        dialog.Button1->setFocus();
        dialog.Button1->click();
    }

    EXPECT_EQ(dialog.ComboBox->currentText(), QString::fromLatin1(row.typed));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ((*recipe("Onion Soup"))[recipeCategoryId], Value::integer(row.categoryId));
}

INSTANTIATE_TEST_SUITE_P(Typed, ChangeDialogTypedNameTest,
                         ::testing::Values(TypedCategoryCase{"LowerCaseByEnter", "pasta", true, 21},
                                           TypedCategoryCase{"LowerCaseByOk", "pasta", false, 21},
                                           TypedCategoryCase{"CapitalByEnter", "Pasta", true, 20},
                                           TypedCategoryCase{"CapitalByOk", "Pasta", false, 20}),
                         [](const ::testing::TestParamInfo<TypedCategoryCase>& info) {
                             return info.param.name;
                         });

TEST_F(DialogTest, ChangeDialogMovesTheRecipeAndKeepsItsTextForTheNextShowing) {
    cookbook.titleBox = "Grandma's Pie*";
    TformChangeCategory dialog(&mainWindow, cookbook);
    dialog.show();
    dialog.ComboBox->setCurrentIndex(dialog.ComboBox->findText("Cakes*"));
    dialog.Button1->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ((*recipe("Grandma's Pie*"))[recipeCategoryId], Value::integer(11));

    dialog.show();
    EXPECT_EQ(dialog.ComboBox->currentText(), "Cakes*");
    EXPECT_EQ(dialog.ComboBox->count(), 5);
    dialog.ComboBox->setEditText("Appetizers");
    dialog.reject();
    dialog.show();
    EXPECT_EQ(dialog.ComboBox->currentText(), "Appetizers");
}

TEST_F(DialogTest, ChangeDialogStaysOpenAfterTheWarning) {
    cookbook.titleBox = "Onion Soup";
    TformChangeCategory dialog(&mainWindow, cookbook);
    dialog.show();
    dialog.ComboBox->setEditText("soups and Stews");
    dialog.Button1->click();

    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(cookbook.messageBoxes.shown.size(), 1u);
    EXPECT_EQ(cookbook.messageBoxes.shown[0].text, "Please select new category for this recipe");
    EXPECT_EQ(dialog.ComboBox->currentText(), "soups and Stews");
    EXPECT_FALSE(cookbook.recipes().isChanged());
}

TEST_F(DialogTest, AboutBoxShowsTheTitleAndVersionWithTheFocusOnOk) {
    TformAbout dialog(&mainWindow);
    dialog.show();

    EXPECT_EQ(dialog.windowTitle(), " About ...");
    EXPECT_EQ(dialog.Label1->text(), "Savrona v1.0");
    EXPECT_TRUE(dialog.Label1->font().bold());
    EXPECT_EQ(dialog.Label3->text(), "Version 1.0 (Build 140901)");
    EXPECT_EQ(dialog.Label4->text(),
              "Give yourself a decent meal - even if you dont know how to cook!");
    EXPECT_EQ(dialog.Label4->font().pixelSize(), 11);
    EXPECT_EQ(dialog.Button1->text(), "&OK");
    EXPECT_EQ(dialog.Button1->geometry(), QRect(72, 204, 75, 25));
    EXPECT_EQ(dialog.focusWidget(), dialog.Button1);
    EXPECT_EQ(dialog.size(), QSize(392, 248));

    dialog.Button1->click();
    EXPECT_FALSE(dialog.isVisible());
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(DesktopSaveFileDialog, OffersTextFilesAndReplacesWithoutAQuestion) {
    QFileDialog dialog;
    DesktopSaveFileDialog::configure(dialog, "Grandma's Pie*", textFileType);
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.nameFilters(), (QStringList{"Text file (*.txt)", "All files (*.*)"}));
    EXPECT_EQ(dialog.selectedNameFilter(), "Text file (*.txt)");
    EXPECT_EQ(dialog.defaultSuffix(), "txt");
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
}

TEST(DesktopSaveFileDialog, OffersPdfDocumentsForThePdf) {
    QFileDialog dialog;
    DesktopSaveFileDialog::configure(dialog, "Grandma's Pie.pdf", pdfFileType);
    EXPECT_EQ(dialog.nameFilters(), (QStringList{"PDF document (*.pdf)", "All files (*.*)"}));
    EXPECT_EQ(dialog.selectedNameFilter(), "PDF document (*.pdf)");
    EXPECT_EQ(dialog.defaultSuffix(), "pdf");
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
}

} // namespace
