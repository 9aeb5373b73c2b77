// The printed recipe, read back from its PDF with poppler's tools: every text
// in order, fonts embedded, the pages' size, the running title and the page
// numbers.
#include "ui/GuiTestSupport.h"

#include "ui/print/RecipePrintout.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace savrona::testing {
namespace {

// Runs one of poppler's tools on a PDF, named where the arguments say "%pdf",
// and returns what it printed.
QString popplerOutput(const QString& tool, QStringList arguments, const QByteArray& pdf) {
    QTemporaryDir folder;
    const QString path = folder.filePath("recipe.pdf");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return QString();
    file.close();
    arguments.replaceInStrings("%pdf", path);
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " failed (is poppler-utils installed?): "
                      << process.readAllStandardError().toStdString();
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList pagesOfText(const QByteArray& pdf) {
    QStringList pages =
        popplerOutput("pdftotext", {"-enc", "UTF-8", "%pdf", "-"}, pdf).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Without blanks and line breaks, and ligatures such as "ﬀ" taken apart (the
// compatibility form), so that texts compare as a reader reads them.
QString withoutBlanks(const QString& text) {
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return text.normalized(QString::NormalizationForm_KC).remove(blanks);
}

// The text of the pages without their running titles and page numbers, and
// without blanks and line breaks (the layout wraps lines where it must).
QString bodyText(const QStringList& pages, const QString& title) {
    QString body;
    for (qsizetype page = 0; page < pages.size(); ++page) {
        QStringList lines = pages[page].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QString number = QStringLiteral("Page %1 of %2").arg(page + 1).arg(pages.size());
        EXPECT_EQ(lines.isEmpty() ? QString() : lines.takeLast().trimmed(), number);
        if (page > 0) {
            const QString running = lines.isEmpty() ? QString() : lines.takeFirst().trimmed();
            QString shown = running;
            shown.remove(QChar(0x2026)); // an elided title ends in an ellipsis
            EXPECT_TRUE(!shown.isEmpty() && title.startsWith(shown.trimmed()))
                << "running title of page " << page + 1 << ": " << running.toStdString();
        }
        body += lines.join(QString());
    }
    return withoutBlanks(body);
}

struct PrintoutCase {
    const char* name;
    ExportedRecipe recipe;
    int pages;
};

void PrintTo(const PrintoutCase& printout, std::ostream* out) {
    *out << printout.name;
}

QString numberedLines(int count, const QString& text) {
    QStringList lines;
    for (int line = 1; line <= count; ++line)
        lines.append(QStringLiteral("%1 %2").arg(line).arg(text));
    return lines.join(QLatin1Char('\n'));
}

// What the page shows, in order: the title, the category, each section's
// heading and lines.
QStringList expectedTexts(const ExportedRecipe& recipe) {
    QStringList texts{recipe.title, recipe.categoryName};
    const auto addSection = [&texts](const QString& heading, const QString& text) {
        const QStringList lines = text.split(QRegularExpression("\r\n|\n"), Qt::SkipEmptyParts);
        if (!lines.isEmpty())
            texts.append(heading);
        for (const QString& line : lines)
            texts.append(line);
    };
    addSection("Ingredients", recipe.ingredients);
    addSection("Preparation", recipe.preparation);
    return texts;
}

const QString longParagraph =
    QStringLiteral("Stir the onions slowly over a low flame until golden and sweet, ").repeated(40);
const QString longWord = QStringLiteral("https://example.org/") + QString(300, QLatin1Char('x'));

class PrintedRecipe : public ::testing::TestWithParam<PrintoutCase> {};

TEST_P(PrintedRecipe, PdfHoldsEveryTextInOrderWithFontsEmbedded) {
    const ExportedRecipe& recipe = GetParam().recipe;
    const QByteArray pdf = recipePdf(recipe, pdfPageLayout());
    ASSERT_TRUE(pdf.startsWith("%PDF-"));

    const QStringList pages = pagesOfText(pdf);
    EXPECT_EQ(pages.size(), GetParam().pages);
    const QString body = bodyText(pages, recipe.title);
    qsizetype from = 0;
    for (const QString& text : expectedTexts(recipe)) {
        const qsizetype found = body.indexOf(withoutBlanks(text), from);
        ASSERT_GE(found, 0) << "missing or out of order: " << text.left(80).toStdString();
        from = found + withoutBlanks(text).size();
    }
    EXPECT_EQ(from, body.size()) << "more than the recipe: " << body.mid(from).toStdString();

    // pdffonts: a line per font after two heading lines; "emb" is the
    // fourth column from the right.
    const QStringList fonts = popplerOutput("pdffonts", {"%pdf"}, pdf)
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                  .mid(2);
    EXPECT_FALSE(fonts.isEmpty());
    for (const QString& font : fonts) {
        const QStringList columns = font.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ASSERT_GE(columns.size(), 5);
        EXPECT_EQ(columns[columns.size() - 5], "yes") << font.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Recipes, PrintedRecipe,
    ::testing::Values(
        PrintoutCase{"OnePage",
                     {"Appetizers", "Zucchini bites", "2 zucchini\r\nsalt\r\n\r\n1 egg",
                      "Grate the zucchini.\r\nSalt, drain and press.\r\n\r\nBake at 200 C."},
                     1},
        PrintoutCase{"BeyondAscii",
                     {"Desserts & Süßes", "Crème brûlée à l'orange — «maison»",
                      "½ cup sugar\n250 g crème fraîche\nJalapeño, 1\nΣαλάτα\nБорщ, 1 л",
                      "Chauffer à 150 °C. Ça prend 40 min; voilà! €2.50 ≈ ¥300"},
                     1},
        PrintoutCase{"EmptyIngredientsBox", {"Drinks", "Water", "", "Pour a glass."}, 1},
        PrintoutCase{"EmptyPreparationBox", {"Drinks", "Ice", "Water", ""}, 1},
        PrintoutCase{"LongLines",
                     {"Soups", "Onion soup", longWord + "\n" + longParagraph,
                      longParagraph + "\n" + longWord},
                     2},
        PrintoutCase{"TwoHundredIngredientLines",
                     {"Feasts",
                      "A feast for the whole village, with a title long enough to be cut short "
                      "at the top of every following page of the printout, where the title is "
                      "repeated in small letters above a thin line",
                      numberedLines(200, "cups of something good, chopped"),
                      numberedLines(30, "Stir and wait. ") + "\n" + longParagraph},
                     8}),
    [](const ::testing::TestParamInfo<PrintoutCase>& info) { return info.param.name; });

TEST(PrintedRecipePage, HeadingNeverEndsAPage) {
    // Enough ingredients to bring "Preparation" near the foot of the first
    // page, one more each time.
    for (int lines = 29; lines <= 34; ++lines) {
        const ExportedRecipe recipe{"Soups", "Onion soup", numberedLines(lines, "onions"),
                                    "Simmer.\nServe."};
        const QStringList pages = pagesOfText(recipePdf(recipe, pdfPageLayout()));
        for (const QString& page : pages) {
            QStringList body = page.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            body.removeLast(); // the page number
            EXPECT_NE(body.last().trimmed(), "Preparation") << lines << " ingredients";
        }
    }
}

// The recipe's picture goes below its title, once; a file that is no picture is left out.
TEST(PrintedRecipePage, ShowsTheRecipesPictureBelowItsTitle) {
    const ExportedRecipe recipe{"Soups", "Onion soup", "onions", "simmer"};
    QTemporaryDir folder;
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(QColor(200, 120, 40));
    const QString picturePath = folder.filePath("Onion soup.png");
    ASSERT_TRUE(picture.save(picturePath));
    const QString notPicture = folder.filePath("notes.png");
    QFile file(notPicture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    const auto imagesIn = [&](const QString& path) {
        return popplerOutput("pdfimages", {"-list", "%pdf"},
                             recipePdf(recipe, pdfPageLayout(), path))
                   .trimmed()
                   .split(QLatin1Char('\n'))
                   .size() -
               2; // the two heading lines
    };
    EXPECT_EQ(imagesIn(QString()), 0);
    EXPECT_EQ(imagesIn(picturePath), 1);
    EXPECT_EQ(imagesIn(notPicture), 0);
}

TEST(PrintedRecipePage, TakesItsSizeFromThePageLayout) {
    const ExportedRecipe recipe{"Soups", "Onion soup", "onions", "simmer"};
    QPageLayout letter = pdfPageLayout();
    letter.setPageSize(QPageSize(QPageSize::Letter));
    const QString a4Info = popplerOutput("pdfinfo", {"%pdf"}, recipePdf(recipe, pdfPageLayout()));
    const QString letterInfo = popplerOutput("pdfinfo", {"%pdf"}, recipePdf(recipe, letter));
    EXPECT_TRUE(a4Info.contains(QRegularExpression("Page size: +595(\\.\\d+)? x 842 pts \\(A4\\)")))
        << a4Info.toStdString();
    EXPECT_TRUE(letterInfo.contains(QRegularExpression("Page size: +612 x 792 pts \\(letter\\)")))
        << letterInfo.toStdString();
    EXPECT_TRUE(a4Info.contains(QRegularExpression("Title: +Onion soup")));
}

} // namespace
} // namespace savrona::testing
