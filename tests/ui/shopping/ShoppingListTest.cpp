// The shopping list from the tree's context menu to its window and its file: merged
// lines, edits kept between runs, a file changed by another program, a file that cannot
// be read.
#include "ui/GuiTestSupport.h"

#include "cookbook/shopping/ShoppingListFile.h"
#include "ui/card/CardController.h"
#include "ui/card/CardWindow.h"
#include "ui/shopping/ShoppingListController.h"
#include "ui/shopping/ShoppingListWindow.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTest>
#include <QTreeWidget>

namespace savrona::testing {
namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Replaces the file as a sync engine does: a new file renamed over the old one.
void replaceFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    ASSERT_TRUE(file.commit());
}

class ShoppingListTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeSmallCookbook(
            folder.path(),
            {{20, 3, QString("Pancakes"), "2 eggs\r\n1 cup flour\r\n1 cup milk", ""},
             {21, 3, QString("Waffles"), "1 egg, beaten\r\n2 tablespoons milk", ""}});
        startWithList();
    }

    void startWithList() {
        start();
        controller = window->findChild<ShoppingListController*>();
        ASSERT_NE(controller, nullptr);
    }

    void restart() {
        window.reset();
        startWithList();
    }

    void addFromTree(const QString& title) {
        TreeNode* found = node(title);
        ASSERT_NE(found, nullptr) << title.toStdString();
        window->treePopupPopup(found);
        ASSERT_TRUE(controller->addRecipeItem()->isEnabled());
        controller->addRecipeItem()->trigger();
    }

    ShoppingListWindow& listWindow() {
        controller->openItem()->trigger();
        return *controller->listWindow();
    }

    // The window's rows: the item, the recipes it comes from and "x" when ticked.
    QStringList shownRows() {
        QStringList rows;
        QTreeWidget* lines = listWindow().lines;
        for (int row = 0; row < lines->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = lines->topLevelItem(row);
            rows.append(item->text(0) + " | " + item->text(1) +
                        (item->checkState(0) == Qt::Checked ? " | x" : ""));
        }
        return rows;
    }

    QString listFile() const { return folder.filePath(shoppingListFileName); }

    ShoppingListController* controller = nullptr;
};

TEST_F(ShoppingListTest, TwoRecipesFromTheTreeMergeTheirCommonItems) {
    addFromTree("Pancakes");
    addFromTree("Waffles");

    EXPECT_EQ(shownRows(), QStringList({"3 eggs | Pancakes, Waffles", "1 cup flour | Pancakes",
                                        "1 1/8 cups milk | Pancakes, Waffles"}));
    EXPECT_EQ(contentOf(listFile()), "[ ] 3 eggs  (Pancakes, Waffles)\n"
                                     "[ ] 1 cup flour  (Pancakes)\n"
                                     "[ ] 1 1/8 cups milk  (Pancakes, Waffles)\n");
    EXPECT_TRUE(fake.messages.shown.empty()) << fake.messages.texts().join('\n').toStdString();
}

TEST_F(ShoppingListTest, TheRecipeCardAddsItsIngredientsAtTheServingsItShows) {
    auto* cards = window->findChild<CardController*>();
    ASSERT_NE(cards, nullptr);
    CardWindow* card = cards->openCardTitled("Pancakes");
    ASSERT_NE(card, nullptr);
    card->doubleButton->click();
    card->shoppingListButton->click();
    EXPECT_EQ(shownRows(), QStringList({"4 eggs | Pancakes", "2 cups flour | Pancakes",
                                        "2 cups milk | Pancakes"}));
}

TEST_F(ShoppingListTest, TheMenuItemIsEnabledOnRecipesOnly) {
    for (const auto& [title, enabled] :
         {std::pair{"Pancakes", true}, {"Soups", false}, {"My Cookbook", false}}) {
        window->treePopupPopup(node(title));
        EXPECT_EQ(controller->addRecipeItem()->isEnabled(), enabled) << title;
    }
}

TEST_F(ShoppingListTest, EditsInTheWindowAreKeptBetweenRuns) {
    addFromTree("Pancakes");
    ShoppingListWindow& shown = listWindow();
    shown.lines->topLevelItem(0)->setCheckState(0, Qt::Checked);       // tick "2 eggs"
    shown.lines->topLevelItem(1)->setText(0, "1 cup wholemeal flour"); // edit
    shown.newItemBox->setText("paper towels");
    shown.addButton->click();
    shown.newItemBox->setText("1 egg"); // by hand, merged with the recipe's
    QTest::keyClick(shown.newItemBox, Qt::Key_Return);
    shown.lines->topLevelItem(2)->setSelected(true); // "1 cup milk"
    shown.removeButton->click();
    const QStringList before = shownRows();
    EXPECT_EQ(before, QStringList({"3 eggs | Pancakes", "1 cup wholemeal flour | Pancakes",
                                   "paper towels | "}));

    restart();
    EXPECT_EQ(shownRows(), before);
    EXPECT_EQ(contentOf(listFile()), "[ ] 3 eggs  (Pancakes)\n"
                                     "[ ] 1 cup wholemeal flour  (Pancakes)\n"
                                     "[ ] paper towels\n");

    listWindow().lines->topLevelItem(2)->setCheckState(0, Qt::Checked);
    restart();
    EXPECT_EQ(shownRows().last(), "paper towels |  | x");

    listWindow().clearButton->click();
    restart();
    EXPECT_EQ(shownRows(), QStringList());
    EXPECT_EQ(contentOf(listFile()), "");
}

// Another computer's version of the file arrives while the list is open: with or without
// a change of our own made before it was seen, both sides' changes are kept.
struct ArrivingVersion {
    const char* name;
    QByteArray theirs;    // the file written by the other program
    QString ourAddition;  // typed here before the new file is seen, or nothing
    QStringList expected; // the window's rows afterwards
};

void PrintTo(const ArrivingVersion& version, std::ostream* out) {
    *out << version.name;
}

class ShoppingListMergesTheFile : public ShoppingListTest,
                                  public ::testing::WithParamInterface<ArrivingVersion> {};

TEST_P(ShoppingListMergesTheFile, WithOurChanges) {
    addFromTree("Pancakes");
    ASSERT_EQ(shownRows().size(), 3);
    replaceFile(listFile(), GetParam().theirs);
    if (!GetParam().ourAddition.isEmpty())
        controller->addByHand(GetParam().ourAddition);
    else
        EXPECT_TRUE(QTest::qWaitFor([this] { return shownRows() == GetParam().expected; }, 5000));
    EXPECT_EQ(shownRows(), GetParam().expected);
    // What the window shows is what the file holds.
    EXPECT_EQ(readShoppingList(contentOf(listFile())), controller->list());
}

INSTANTIATE_TEST_SUITE_P(
    ShoppingList, ShoppingListMergesTheFile,
    ::testing::Values(
        ArrivingVersion{"TickedAndAddedElsewhere",
                        "[x] 2 eggs  (Pancakes)\n[ ] 1 cup flour  (Pancakes)\n"
                        "[ ] 1 cup milk  (Pancakes)\nbutter\n",
                        "",
                        {"2 eggs | Pancakes | x", "1 cup flour | Pancakes", "1 cup milk | Pancakes",
                         "butter | "}},
        ArrivingVersion{"RemovedElsewhereAddedHere",
                        "[ ] 2 eggs  (Pancakes)\n[ ] 1 cup milk  (Pancakes)\n",
                        "honey",
                        {"2 eggs | Pancakes", "1 cup milk | Pancakes", "honey | "}},
        ArrivingVersion{"EditedInAPhonesEditor",
                        "\xEF\xBB\xBF- [x] 2 eggs  (Pancakes)\r\n- [ ] 1 cup flour  (Pancakes)\r\n"
                        "- [ ] 1 cup milk  (Pancakes)\r\n- [ ] lemons\r\n",
                        "salt",
                        {"2 eggs | Pancakes | x", "1 cup flour | Pancakes", "1 cup milk | Pancakes",
                         "lemons | ", "salt | "}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShoppingListTest, AFileThatCannotBeReadIsLeftAlone) {
    window.reset();
    ASSERT_TRUE(QDir(folder.path()).mkdir(shoppingListFileName)); // no regular file
    startWithList();
    addFromTree("Pancakes");

    EXPECT_EQ(shownRows().size(), 3);
    EXPECT_TRUE(QFileInfo(listFile()).isDir());
    EXPECT_TRUE(listWindow().noteLabel->isVisibleTo(&listWindow()));
    EXPECT_TRUE(fake.messages.shown.empty()) << fake.messages.texts().join('\n').toStdString();
}

TEST_F(ShoppingListTest, SavedAsTextAndPdfButNeverOntoADataFile) {
    addFromTree("Waffles");
    ShoppingListWindow& shown = listWindow();
    fake.saveDialog.answer = folder.filePath("list.txt");
    shown.saveTextButton->click();
    EXPECT_EQ(contentOf(folder.filePath("list.txt")),
              "\u2610 1 egg (Waffles)\n\u2610 2 tablespoons milk (Waffles)\n");
    fake.saveDialog.answer = folder.filePath("list.pdf");
    shown.savePdfButton->click();
    EXPECT_TRUE(contentOf(folder.filePath("list.pdf")).startsWith("%PDF-"));
    EXPECT_TRUE(fake.messages.shown.empty()) << fake.messages.texts().join('\n').toStdString();

    const QByteArray recipes = contentOf(folder.filePath("recipes.xml"));
    fake.saveDialog.answer = folder.filePath("recipes.xml");
    shown.savePdfButton->click();
    EXPECT_EQ(fake.messages.textsOf(MessageBoxes::Kind::Failure).size(), 1);
    EXPECT_EQ(contentOf(folder.filePath("recipes.xml")), recipes);
}

} // namespace
} // namespace savrona::testing
