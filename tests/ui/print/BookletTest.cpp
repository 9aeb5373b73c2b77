// The printed booklet: the contents page names the pages the recipes land on, read back
// from the PDF's text page by page; and the menu items that make it.
#include "ui/GuiTestSupport.h"

#include "ui/print/BookletMenu.h"
#include "ui/print/BookletPrintout.h"
#include "ui/print/PagedOutput.h"
#include "ui/print/RecipePrintout.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

#include <map>

namespace savrona::testing {
namespace {

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text of the PDF's pages first to last, as poppler's pdftotext reads it.
QString pdfText(const QString& path, int first, int last) {
    QProcess process;
    process.start("pdftotext", {"-layout", "-f", QString::number(first), "-l",
                                QString::number(last), path, "-"});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPageCount(const QString& path) {
    QProcess process;
    process.start("pdfinfo", {path});
    process.waitForFinished(60000);
    static const QRegularExpression pages("Pages:\\s+(\\d+)");
    return pages.match(QString::fromUtf8(process.readAllStandardOutput())).captured(1).toInt();
}

QString writePicture(const QString& folder, int number) {
    QImage image(400 + 37 * (number % 5), 300, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(number * 7 % 360, 160, 200));
    const QString path = QDir(folder).filePath(QString("dish%1.png").arg(number));
    image.save(path);
    return path;
}

// Fifty recipes of different lengths: some a few lines, some over a page.
BookletContent fiftyRecipes(const QString& picturesFolder) {
    BookletChapter chapter{"Stews", {}};
    const QString step = QStringLiteral("Stir the pot slowly over a low flame until it thickens. ");
    for (int number = 1; number <= 50; ++number) {
        QStringList ingredients;
        for (int line = 0; line < 3 + number % 11; ++line)
            ingredients.append(QString("%1 cups of something good").arg(line + 1));
        QStringList preparation;
        for (int paragraph = 0; paragraph < 1 + (number * 7) % 23; ++paragraph)
            preparation.append(step.repeated(1 + paragraph % 4));
        chapter.recipes.push_back({QString("Dish %1 stew").arg(number, 2, 10, QChar('0')),
                                   ingredients.join('\n'), preparation.join('\n'),
                                   picturesFolder.isEmpty() || number % 3 == 0
                                       ? QString()
                                       : writePicture(picturesFolder, number)});
    }
    return {"Stews", {chapter}};
}

// The contents' entries: each title and the page number after it.
std::map<QString, int> contentsEntries(const QString& text) {
    static const QRegularExpression entry("^\\s*(Dish \\d\\d stew|Stews)\\s+(\\d+)\\s*$",
                                          QRegularExpression::MultilineOption);
    std::map<QString, int> entries;
    for (auto match = entry.globalMatch(text); match.hasNext();) {
        const auto found = match.next();
        entries[found.captured(1)] = found.captured(2).toInt();
    }
    return entries;
}

struct BookletCase {
    const char* name;
    BookletLayout layout;
    bool pictures;
};

void PrintTo(const BookletCase& booklet, std::ostream* out) {
    *out << booklet.name;
}

class BookletPages : public ::testing::TestWithParam<BookletCase> {
protected:
    QTemporaryDir folder;
};

TEST_P(BookletPages, TheContentsNameThePagesTheRecipesBeginOn) {
    const BookletContent content = fiftyRecipes(GetParam().pictures ? folder.path() : QString());
    BookletPrintout booklet(content, GetParam().layout);
    const QString path = folder.filePath("booklet.pdf");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pdfOf("Stews", pdfPageLayout(),
                         [&booklet](QPagedPaintDevice& device) { booklet.print(device); }));
    }
    const int pages = pdfPageCount(path);
    ASSERT_EQ(pages, booklet.pageCount());
    if (GetParam().layout == BookletLayout::RecipePerPage) {
        EXPECT_GE(pages, 2 + 50); // the title page, the contents, a page or more each
    }
    EXPECT_EQ(pdfText(path, 1, 1).simplified(), "Stews 50 recipes");

    // The contents take the pages before the chapter's.
    const std::map<QString, int> entries = contentsEntries(pdfText(path, 2, 4));
    ASSERT_EQ(entries.size(), 51u);
    for (const auto& [title, page] : entries) {
        ASSERT_GT(page, 2) << title.toStdString();
        ASSERT_LE(page, pages) << title.toStdString();
        const QStringList lines = pdfText(path, page, page).split('\n');
        // Where the recipe begins, never on the page before.
        EXPECT_TRUE(lines.contains(title) ||
                    std::any_of(lines.begin(), lines.end(),
                                [&](const QString& line) { return line.trimmed() == title; }))
            << title.toStdString() << " not on page " << page << ":\n"
            << lines.join('\n').toStdString();
        EXPECT_FALSE(pdfText(path, page - 1, page - 1).contains(title))
            << title.toStdString() << " already on page " << page - 1;
        // The page number at the foot, and never a recipe's title alone above it.
        const QStringList written = lines.filter(QRegularExpression("\\S"));
        EXPECT_EQ(written.last().trimmed(), QString::number(page));
        if (title != "Stews") {
            EXPECT_NE(written.at(written.size() - 2).trimmed(), title);
        }
    }
    EXPECT_EQ(entries.at("Stews"), entries.at("Dish 01 stew"));
}

INSTANTIATE_TEST_SUITE_P(
    Booklet, BookletPages,
    ::testing::Values(BookletCase{"OwnPagesWithoutPictures", BookletLayout::RecipePerPage, false},
                      BookletCase{"OwnPagesWithPictures", BookletLayout::RecipePerPage, true},
                      BookletCase{"RunOnWithoutPictures", BookletLayout::RunOn, false},
                      BookletCase{"RunOnWithPictures", BookletLayout::RunOn, true}),
    [](const auto& info) { return std::string(info.param.name); });

class BookletMenuTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        QDir(folder.path()).mkdir("Pictures");
        writePicture(folder.filePath("Pictures"), 1);
        writeSmallCookbook(folder.path(),
                           {{20, 3, QString("Onion soup"), "4 onions", "Stir.", "dish1.png"},
                            {21, 3, QString("Pea soup"), "Peas", "Boil.", "../recipes.xml"}});
        start();
        menu = window->findChild<BookletMenu*>();
        ASSERT_NE(menu, nullptr);
        menu->chooseLayout = [this](const QString& caption) {
            askedCaption = caption;
            return layout;
        };
    }

    std::optional<BookletLayout> layout = BookletLayout::RunOn;
    QString askedCaption;
    BookletMenu* menu = nullptr;
};

TEST_F(BookletMenuTest, SaveCategoryAsPdfWritesTheCategorysRecipesWithTheirPictures) {
    window->treePopupPopup(node("Soups"));
    ASSERT_TRUE(menu->saveCategoryItem->isEnabled());
    fake.saveDialog.answer = folder.filePath("soups.pdf");
    menu->saveCategoryItem->trigger();

    EXPECT_EQ(askedCaption, "Save category as PDF");
    EXPECT_EQ(fake.saveDialog.proposed, "Soups.pdf");
    const QString path = folder.filePath("soups.pdf");
    const QString text = pdfText(path, 1, pdfPageCount(path));
    for (const char* title : {"Grandma's stew", "Onion soup", "Pea soup", "Tomato soup"})
        EXPECT_TRUE(text.contains(title)) << title;
    EXPECT_FALSE(text.contains("Zucchini bites"));
    // The one picture in the Pictures folder, none for a name leading out of it.
    EXPECT_EQ(contentOf(path).count("/Subtype /Image"), 1);
    EXPECT_TRUE(fake.messages.shown.empty()) << fake.messages.texts().join('\n').toStdString();
}

TEST_F(BookletMenuTest, TheCookbookOrNothingWhenCancelledOrOntoADataFile) {
    EXPECT_TRUE(window->findChildren<QAction*>().contains(menu->saveCookbookItem));
    fake.saveDialog.answer = folder.filePath("all.pdf");
    menu->saveCookbookItem->trigger();
    const QString all = pdfText(folder.filePath("all.pdf"), 1, 3);
    for (const char* chapter : {"Appetizers", "Soups", "Zucchini bites"})
        EXPECT_TRUE(all.contains(chapter)) << chapter;

    layout.reset(); // the layout dialog cancelled
    fake.saveDialog.answer = folder.filePath("none.pdf");
    menu->saveCookbookItem->trigger();
    EXPECT_FALSE(QFile::exists(folder.filePath("none.pdf")));

    layout = BookletLayout::RecipePerPage;
    const QByteArray recipes = contentOf(folder.filePath("recipes.xml"));
    fake.saveDialog.answer = folder.filePath("recipes.xml");
    menu->saveCookbookItem->trigger();
    EXPECT_EQ(fake.messages.textsOf(MessageBoxes::Kind::Failure).size(), 1);
    EXPECT_EQ(contentOf(folder.filePath("recipes.xml")), recipes);
}

} // namespace
} // namespace savrona::testing
