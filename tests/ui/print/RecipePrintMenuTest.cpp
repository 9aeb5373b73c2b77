// Print recipe and Save recipe as PDF in the tree's context menu: where they
// sit, when they are enabled, and what they write (or refuse to write).
#include "ui/GuiTestSupport.h"

#include "ui/print/RecipePrintMenu.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPrinter>
#include <QTest>

namespace savrona::testing {
namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class PrintMenu : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        fake.printDialog.choose = [this](QPrinter& printer) { return printToFile(printer); };
        writeSmallCookbook(folder.path());
        start();
        menu = window->findChild<RecipePrintMenu*>();
        ASSERT_NE(menu, nullptr);
    }

    // Opens the context menu's preparation on a node, as a right-click does.
    void preparePopupOn(const QString& text) {
        TreeNode* found = node(text);
        ASSERT_NE(found, nullptr) << text.toStdString();
        window->treePopupPopup(found);
    }

    // The print dialog's user: notes the document's name and prints to
    // printTarget, or cancels when there is none.
    bool printToFile(QPrinter& printer) {
        printedDocument = printer.docName();
        if (!printTarget)
            return false;
        printer.setOutputFileName(*printTarget);
        return true;
    }

    std::optional<QString> printTarget;
    QString printedDocument;
    RecipePrintMenu* menu = nullptr;
};

TEST_F(PrintMenu, ItemsAreEnabledExactlyWhenExportIs) {
    EXPECT_FALSE(menu->Printrecipe1->isEnabled()); // as Export is before any selection

    const struct {
        const char* node;
        bool enabled;
    } cases[] = {
        {"Zucchini bites", true}, {"My Cookbook", false}, {"Tomato soup", true}, {"Breads", false}};
    for (const auto& selection : cases) {
        preparePopupOn(selection.node);
        EXPECT_EQ(window->Exportrecipe1->isEnabled(), selection.enabled) << selection.node;
        EXPECT_EQ(menu->Printrecipe1->isEnabled(), selection.enabled) << selection.node;
        EXPECT_EQ(menu->SaverecipeasPDF1->isEnabled(), selection.enabled) << selection.node;
    }
}

TEST_F(PrintMenu, AccessKeysPressTheirItems) {
    // On a recipe: F saves the PDF.
    preparePopupOn("Zucchini bites");
    window->treePopup->popup(window->mapToGlobal(QPoint(20, 20)));
    QTest::keyClick(window->treePopup, Qt::Key_F);
    EXPECT_EQ(fake.saveDialog.proposed, "Zucchini bites.pdf");
    EXPECT_FALSE(window->treePopup->isVisible());

    // On a category: D deletes it, asked first, as designed.
    fake.messages.answer = false;
    preparePopupOn("Breads");
    window->treePopup->popup(window->mapToGlobal(QPoint(20, 20)));
    QTest::keyClick(window->treePopup, Qt::Key_D);
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown.front().kind, MessageBoxes::Kind::Confirmation);
    EXPECT_FALSE(window->treePopup->isVisible());
}

TEST_F(PrintMenu, SaveAsPdfProposesTheTitleAndWritesThePdf) {
    preparePopupOn("Zucchini bites");
    fake.saveDialog.answer = folder.filePath("bites.pdf");
    menu->SaverecipeasPDF1->trigger();

    EXPECT_EQ(fake.saveDialog.proposed, "Zucchini bites.pdf");
    EXPECT_EQ(fake.saveDialog.proposedType, "pdf");
    EXPECT_TRUE(contentOf(folder.filePath("bites.pdf")).startsWith("%PDF-"));
    EXPECT_TRUE(fake.messages.shown.empty()) << fake.messages.texts().join('\n').toStdString();
}

TEST_F(PrintMenu, CancellingEitherDialogWritesNothing) {
    preparePopupOn("Zucchini bites");
    const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    menu->SaverecipeasPDF1->trigger();
    menu->Printrecipe1->trigger();

    EXPECT_EQ(printedDocument, "Zucchini bites");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), before);
    EXPECT_TRUE(fake.messages.shown.empty());
}

TEST_F(PrintMenu, PrintingToAFileWritesThePdfThere) {
    preparePopupOn("Tomato soup");
    printTarget = folder.filePath("soup.pdf");
    menu->Printrecipe1->trigger();

    EXPECT_TRUE(contentOf(folder.filePath("soup.pdf")).startsWith("%PDF-"));
    EXPECT_TRUE(fake.messages.shown.empty()) << fake.messages.texts().join('\n').toStdString();
}

// A target that must not be written, through either command: the message the
// user reads, and the file left as it was.
struct RefusedTarget {
    const char* name;
    QString relativePath;
    QString message;
};

void PrintTo(const RefusedTarget& target, std::ostream* out) {
    *out << target.name;
}

class PrintMenuRefuses : public PrintMenu, public ::testing::WithParamInterface<RefusedTarget> {};

TEST_P(PrintMenuRefuses, TheTargetAndChangesNothing) {
    const QString path = folder.filePath(GetParam().relativePath);
    const QByteArray before = contentOf(path);
    for (QAction* item : {menu->SaverecipeasPDF1, menu->Printrecipe1}) {
        fake.messages.shown.clear();
        preparePopupOn("Zucchini bites");
        fake.saveDialog.answer = path;
        printTarget = path;
        item->trigger();

        ASSERT_EQ(fake.messages.shown.size(), 1u) << item->text().toStdString();
        EXPECT_EQ(fake.messages.shown.front().kind, MessageBoxes::Kind::Failure);
        EXPECT_EQ(fake.messages.shown.front().text, GetParam().message);
        EXPECT_EQ(contentOf(path), before);
        EXPECT_EQ(QDir(folder.path()).entryList({".savrona-export-*"}, QDir::Hidden | QDir::Files),
                  QStringList());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, PrintMenuRefuses,
    ::testing::Values(
        RefusedTarget{"RecipesDataFile", "recipes.xml",
                      "Cannot export to recipes.xml: it is one of the cookbook's data files. "
                      "Choose another file name."},
        RefusedTarget{"CategoriesDataFile", "./categories.xml",
                      "Cannot export to categories.xml: it is one of the cookbook's data files. "
                      "Choose another file name."},
        RefusedTarget{"LockFile", ".savrona.lock",
                      "Cannot export to .savrona.lock: it is one of the cookbook's data files. "
                      "Choose another file name."},
        RefusedTarget{"FolderThatDoesNotExist", "missing/recipe.pdf", "Invalid filename."}),
    [](const ::testing::TestParamInfo<RefusedTarget>& info) { return info.param.name; });

} // namespace
} // namespace savrona::testing
