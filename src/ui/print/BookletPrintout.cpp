// Lays a booklet out as one text document on pages, numbers its contents by the pages the
// chapters and recipes land on, and paints it line by line with page numbers.
#include "ui/print/BookletPrintout.h"

#include "cookbook/exchange/CollectionExport.h"
#include "data/Error.h"
#include "ui/print/PrintPictures.h"
#include "ui/print/PrintStyle.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

namespace savrona {

using print::accent;
using print::characters;
using print::ink;
using print::layoutUnits;
using print::linesOf;
using print::quiet;

namespace {

QFont printFont(bool serif, qreal points, QFont::Weight weight = QFont::Normal) {
    return serif ? print::serifFont(points, weight) : print::sansFont(points, weight);
}

void reportProgress(const BookletProgress& progress, int done, int total) {
    if (progress && !progress(done, total))
        throw ExportCancelled();
}

} // namespace

BookletPrintout::BookletPrintout(BookletContent content, BookletLayout layout)
    : m_content(std::move(content)), m_layout(layout) {}

BookletPrintout::~BookletPrintout() = default;

void BookletPrintout::print(QPagedPaintDevice& device, const BookletProgress& progress) {
    // Half the steps build the document, half paint its pages.
    const int totalSteps = 2 * int(m_content.recipeCount()) + 2;
    build(device, progress, totalSteps);
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("The booklet could not be printed: the printer did not start"));
    painter.setRenderHint(QPainter::Antialiasing);
    paintPages(device, painter, progress, totalSteps);
    if (!painter.end())
        throw Error(QStringLiteral("The booklet could not be printed"));
}

void BookletPrintout::build(QPagedPaintDevice& device, const BookletProgress& progress,
                            int totalSteps) {
    m_pageArea = device.pageLayout().paintRectPixels(device.logicalDpiX()).size();
    m_pixelsPerPoint = device.logicalDpiY() / 72.0;
    const QFontMetricsF marginal(printFont(false, 8.5), &device);
    m_footerHeight = marginal.height() + 12 * m_pixelsPerPoint;
    m_bodyHeight = m_pageArea.height() - m_footerHeight;

    m_document = std::make_unique<QTextDocument>();
    m_document->setUndoRedoEnabled(false);
    m_document->setDocumentMargin(0);
    QTextOption wrapping = m_document->defaultTextOption();
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_document->setDefaultTextOption(wrapping);
    m_document->setDefaultFont(printFont(true, 11));
    m_contents.clear();
    m_recipeTitles.clear();
    m_pictureCount = 0;

    addTitlePage();
    addContents();
    addChapters(progress, totalSteps);

    // Laid out once, on the device, when it is all in.
    m_document->documentLayout()->setPaintDevice(&device);
    m_document->setPageSize(QSizeF(m_pageArea.width(), m_bodyHeight));
    if (m_layout == BookletLayout::RunOn)
        keepTitlesWithTheirText();
    // Numbers of more digits may lengthen the contents by a page, which moves every
    // chapter after them: numbered again until nothing moves.
    for (int round = 0; round < 5; ++round) {
        m_document->markContentsDirty(0, m_document->characterCount());
        if (!numberContents())
            break;
    }
    m_pageCount = m_document->pageCount();
}

void BookletPrintout::addTitlePage() {
    QTextCursor cursor(m_document.get());
    const qreal pageUnits = m_bodyHeight * 96.0 / (72.0 * m_pixelsPerPoint);
    QTextBlockFormat block;
    block.setAlignment(Qt::AlignHCenter);
    block.setTopMargin(pageUnits * 0.3);
    block.setBottomMargin(layoutUnits(18));
    cursor.setBlockFormat(block);
    cursor.setBlockCharFormat(characters(printFont(true, 32, QFont::Bold), ink));
    cursor.insertText(m_content.title);

    block.setTopMargin(0);
    const std::size_t count = m_content.recipeCount();
    cursor.insertBlock(block, characters(printFont(false, 13), accent));
    cursor.insertText(count == 1 ? QStringLiteral("1 recipe")
                                 : QStringLiteral("%1 recipes").arg(count));
}

void BookletPrintout::addContents() {
    QTextCursor cursor(m_document.get());
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat heading;
    heading.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    heading.setBottomMargin(layoutUnits(14));
    cursor.insertBlock(heading, characters(printFont(false, 20, QFont::Bold), accent));
    cursor.insertText(QStringLiteral("Contents"));

    // The number stands at a tab on the right edge.
    const qreal widthUnits = m_pageArea.width() * 96.0 / (72.0 * m_pixelsPerPoint);
    QTextBlockFormat entry;
    entry.setTabPositions({QTextOption::Tab(widthUnits - 2, QTextOption::RightTab)});
    entry.setRightMargin(0);
    const auto addEntry = [&](const QString& text, const QTextCharFormat& format, qreal indent,
                              qreal topMargin) {
        entry.setLeftMargin(indent);
        entry.setTopMargin(topMargin);
        cursor.insertBlock(entry, format);
        cursor.insertText(text + QLatin1Char('\t'));
        const int start = cursor.position();
        cursor.insertText(QStringLiteral("0"));
        m_contents.push_back({QTextBlock(), start, 1});
    };
    const QTextCharFormat chapterFormat = characters(printFont(false, 11, QFont::Bold), ink);
    const QTextCharFormat recipeFormat = characters(printFont(true, 10.5), ink);
    for (const BookletChapter& chapter : m_content.chapters) {
        addEntry(chapter.name, chapterFormat, 0, layoutUnits(8));
        for (const BookletRecipe& recipe : chapter.recipes)
            addEntry(recipe.title, recipeFormat, layoutUnits(14), layoutUnits(1.5));
    }
}

void BookletPrintout::addChapters(const BookletProgress& progress, int totalSteps) {
    QTextCursor cursor(m_document.get());
    std::size_t entry = 0;
    int done = 0;
    for (const BookletChapter& chapter : m_content.chapters) {
        cursor.movePosition(QTextCursor::End);
        QTextBlockFormat heading;
        heading.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        heading.setBottomMargin(layoutUnits(20));
        cursor.insertBlock(heading, characters(printFont(false, 24, QFont::Bold), accent));
        cursor.insertText(chapter.name);
        m_contents[entry++].target = cursor.block();
        bool first = true;
        for (const BookletRecipe& recipe : chapter.recipes) {
            addRecipe(recipe, !first && m_layout == BookletLayout::RecipePerPage);
            m_contents[entry++].target = m_recipeTitles.back();
            first = false;
            reportProgress(progress, ++done, totalSteps);
        }
    }
}

void BookletPrintout::addRecipe(const BookletRecipe& recipe, bool breakBefore) {
    QTextCursor cursor(m_document.get());
    cursor.movePosition(QTextCursor::End);
    QTextBlockFormat title;
    if (breakBefore)
        title.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    else if (!m_recipeTitles.empty())
        title.setTopMargin(layoutUnits(22));
    title.setBottomMargin(layoutUnits(8));
    cursor.insertBlock(title, characters(printFont(true, 17, QFont::Bold), ink));
    cursor.insertText(recipe.title);
    m_recipeTitles.push_back(cursor.block());

    if (!recipe.picturePath.isEmpty())
        addPicture(recipe.picturePath);

    QTextBlockFormat ingredient;
    ingredient.setLeftMargin(layoutUnits(12));
    ingredient.setBottomMargin(layoutUnits(2));
    const QTextCharFormat text = characters(printFont(true, 11), ink);
    const QStringList ingredients = linesOf(recipe.ingredients);
    for (const QString& line : ingredients) {
        cursor.insertBlock(ingredient, text);
        cursor.insertText(QStringLiteral("\u2022 ") + line);
    }
    QTextBlockFormat paragraph;
    paragraph.setBottomMargin(layoutUnits(6));
    paragraph.setLineHeight(120, QTextBlockFormat::ProportionalHeight);
    bool firstParagraph = true;
    for (const QString& line : linesOf(recipe.preparation)) {
        paragraph.setTopMargin(firstParagraph && !ingredients.isEmpty() ? layoutUnits(8) : 0);
        cursor.insertBlock(paragraph, text);
        cursor.insertText(line);
        firstParagraph = false;
    }
}

// A large picture is scaled to fit a third of the page.
void BookletPrintout::addPicture(const QString& path) {
    const qreal unitsPerPixel = 96.0 / (72.0 * m_pixelsPerPoint);
    const QSizeF room(m_pageArea.width() * unitsPerPixel * 0.6,
                      m_bodyHeight * unitsPerPixel * 0.33);
    QTextCursor cursor(m_document.get());
    cursor.movePosition(QTextCursor::End);
    print::insertPicture(cursor, path, room,
                         QStringLiteral("booklet-picture:%1").arg(++m_pictureCount),
                         layoutUnits(8));
}

// A recipe's title (with its picture) at a page's foot, its text on the next page,
// moves to the next page too.
void BookletPrintout::keepTitlesWithTheirText() {
    for (const QTextBlock& title : m_recipeTitles) {
        QTextBlock next = title.next();
        while (next.isValid() && next.text() == QString(QChar::ObjectReplacementCharacter))
            next = next.next();
        if (next.isValid() && next.blockFormat().pageBreakPolicy() == QTextFormat::PageBreak_Auto &&
            pageOf(next) > pageOf(title)) {
            QTextCursor cursor(title);
            QTextBlockFormat format = title.blockFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            format.setTopMargin(0);
            cursor.setBlockFormat(format);
            // Qt's layout after a change of format may keep later blocks where they were.
            m_document->markContentsDirty(title.position(),
                                          m_document->characterCount() - title.position());
        }
    }
}

// Writes each entry's page number; true when any changed.
bool BookletPrintout::numberContents() {
    std::vector<QString> numbers;
    numbers.reserve(m_contents.size());
    for (const ContentsEntry& entry : m_contents)
        numbers.push_back(QString::number(pageOf(entry.target) + 1));
    bool changed = false;
    // From the last, so that the positions of the entries before stay as noted.
    for (std::size_t index = m_contents.size(); index-- > 0;) {
        ContentsEntry& entry = m_contents[index];
        QTextCursor cursor(m_document.get());
        cursor.setPosition(entry.numberStart);
        cursor.setPosition(entry.numberStart + entry.numberLength, QTextCursor::KeepAnchor);
        if (cursor.selectedText() == numbers[index])
            continue;
        cursor.insertText(numbers[index]);
        const int shift = int(numbers[index].size()) - entry.numberLength;
        entry.numberLength = int(numbers[index].size());
        for (std::size_t later = index + 1; later < m_contents.size(); ++later)
            m_contents[later].numberStart += shift;
        changed = true;
    }
    return changed;
}

// The page a block's first line is on: a line that would cross a page's foot goes to the
// next page, but its block stays where it began.
int BookletPrintout::pageOf(const QTextBlock& block) const {
    m_document->documentLayout()->blockBoundingRect(block); // lays the block out
    const QTextLayout& layout = *block.layout();
    const qreal top = layout.position().y() + (layout.lineCount() > 0 ? layout.lineAt(0).y() : 0);
    return int(top / m_bodyHeight);
}

void BookletPrintout::paintPages(QPagedPaintDevice& device, QPainter& painter,
                                 const BookletProgress& progress, int totalSteps) {
    // Each line on the page its top is on, so that no page holds hidden copies of another's.
    struct PlacedLine {
        QTextLayout* layout;
        int index;
    };
    std::vector<std::vector<PlacedLine>> pages(std::size_t(std::max(m_pageCount, 1)));
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        QTextLayout* layout = block.layout();
        for (int index = 0; index < layout->lineCount(); ++index) {
            const qreal top = layout->position().y() + layout->lineAt(index).y();
            const auto page = std::size_t(std::max(0, int(top / m_bodyHeight)));
            if (page >= pages.size())
                pages.resize(page + 1);
            pages[page].push_back({layout, index});
        }
    }
    m_pageCount = int(pages.size());
    const int firstStep = totalSteps / 2;
    for (int page = 0; page < m_pageCount; ++page) {
        if (page > 0 && !device.newPage())
            throw Error(QStringLiteral("The booklet could not be printed: no new page"));
        painter.save();
        painter.translate(0, -page * m_bodyHeight);
        painter.setPen(ink);
        for (const PlacedLine& line : pages[std::size_t(page)])
            line.layout->lineAt(line.index).draw(&painter, line.layout->position());
        painter.restore();
        if (page > 0)
            paintPageNumber(painter, page);
        reportProgress(progress, firstStep + (totalSteps - firstStep) * (page + 1) / m_pageCount,
                       totalSteps);
    }
}

void BookletPrintout::paintPageNumber(QPainter& painter, int page) const {
    const QFont font = printFont(false, 8.5);
    const QFontMetricsF metrics(font, painter.device());
    painter.setFont(font);
    painter.setPen(quiet);
    const QRectF foot(0, m_pageArea.height() - metrics.height(), m_pageArea.width(),
                      metrics.height());
    painter.drawText(foot, Qt::AlignHCenter | Qt::AlignBottom, QString::number(page + 1));
}

} // namespace savrona
