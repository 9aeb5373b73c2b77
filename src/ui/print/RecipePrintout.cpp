// Lays a recipe out as a text document on pages and paints it with a running
// title and page numbers, onto a printer or into a PDF.
#include "ui/print/RecipePrintout.h"

#include "ui/print/PrintPictures.h"
#include "ui/print/PrintStyle.h"

#include "data/Error.h"
#include "platform/seams/AppInfo.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

namespace savrona {

using print::accent;
using print::characters;
using print::ink;
using print::layoutUnits;
using print::linesOf;
using print::quiet;
using print::sansFont;
using print::serifFont;

namespace {

constexpr qreal titlePoints = 24;
constexpr qreal categoryPoints = 12;
constexpr qreal headingPoints = 14;
constexpr qreal bodyPoints = 11;
constexpr qreal marginalPoints = 8.5;

// Builds the document: the title block, then the two sections.
class PrintoutBuilder {
public:
    explicit PrintoutBuilder(QTextDocument& document) : m_cursor(&document) {}

    void addTitle(const QString& title, const QString& category) {
        QTextBlockFormat block;
        block.setBottomMargin(layoutUnits(4));
        block.setLineHeight(105, QTextBlockFormat::ProportionalHeight);
        m_cursor.setBlockFormat(block);
        m_cursor.insertText(title, characters(serifFont(titlePoints, QFont::Bold), ink));

        block.setLineHeight(100, QTextBlockFormat::ProportionalHeight);
        block.setBottomMargin(layoutUnits(18));
        m_cursor.insertBlock(block, characters(sansFont(categoryPoints), accent));
        m_cursor.insertText(category);
        categoryBlock = m_cursor.block();
    }

    void addPicture(const QString& path, const QSizeF& room) {
        print::insertPicture(m_cursor, path, room, QStringLiteral("recipe-picture:1"),
                             layoutUnits(14));
    }

    void addIngredients(const QStringList& lines) {
        if (lines.isEmpty())
            return;
        addHeading(QStringLiteral("Ingredients"));
        QTextBlockFormat item;
        item.setBottomMargin(layoutUnits(3));
        item.setLineHeight(118, QTextBlockFormat::ProportionalHeight);
        QTextListFormat list;
        list.setStyle(QTextListFormat::ListDisc);
        list.setIndent(1);
        const QTextCharFormat text = characters(serifFont(bodyPoints), ink);
        QTextList* bullets = nullptr;
        for (const QString& line : lines) {
            m_cursor.insertBlock(item, text);
            if (bullets == nullptr)
                bullets = m_cursor.createList(list);
            else
                bullets->add(m_cursor.block());
            m_cursor.insertText(line);
        }
    }

    void addPreparation(const QStringList& paragraphs) {
        if (paragraphs.isEmpty())
            return;
        addHeading(QStringLiteral("Preparation"));
        QTextBlockFormat paragraph;
        paragraph.setBottomMargin(layoutUnits(7));
        paragraph.setLineHeight(125, QTextBlockFormat::ProportionalHeight);
        paragraph.setAlignment(Qt::AlignLeft);
        const QTextCharFormat text = characters(serifFont(bodyPoints), ink);
        for (const QString& line : paragraphs) {
            m_cursor.insertBlock(paragraph, text);
            m_cursor.insertText(line);
        }
    }

    QTextBlock categoryBlock;
    QList<QTextBlock> headings;

private:
    void addHeading(const QString& text) {
        QTextBlockFormat block;
        block.setTopMargin(layoutUnits(headings.isEmpty() ? 0 : 14));
        block.setBottomMargin(layoutUnits(6));
        m_cursor.insertBlock(block, characters(sansFont(headingPoints, QFont::Bold), accent));
        m_cursor.insertText(text);
        headings.append(m_cursor.block());
    }

    QTextCursor m_cursor;
};

} // namespace

RecipePrintout::RecipePrintout(const ExportedRecipe& recipe, QString picturePath)
    : m_recipe(recipe), m_picturePath(std::move(picturePath)) {}

RecipePrintout::~RecipePrintout() = default;

void RecipePrintout::print(QPagedPaintDevice& device) {
    layOut(device);
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("The recipe could not be printed: the printer did not start"));
    painter.setRenderHint(QPainter::Antialiasing);
    for (int page = 0; page < m_pageCount; ++page) {
        if (page > 0 && !device.newPage())
            throw Error(QStringLiteral("The recipe could not be printed: no new page"));
        paintPage(painter, page);
    }
    if (!painter.end())
        throw Error(QStringLiteral("The recipe could not be printed"));
}

void RecipePrintout::layOut(QPagedPaintDevice& device) {
    const QPageLayout page = device.pageLayout();
    m_pageArea = page.paintRectPixels(device.logicalDpiX()).size();
    m_pixelsPerPoint = device.logicalDpiY() / 72.0;

    // The text is laid out once, on the device, when it is all in: a layout
    // that exists while the text goes in lays it out again at every step.
    m_document = std::make_unique<QTextDocument>();
    m_document->setUndoRedoEnabled(false);
    m_document->setDocumentMargin(0);
    m_document->setIndentWidth(layoutUnits(16));
    QTextOption wrapping = m_document->defaultTextOption();
    // A word wider than the page (a long address, say) breaks anywhere.
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_document->setDefaultTextOption(wrapping);
    m_document->setDefaultFont(serifFont(bodyPoints));

    const QFontMetricsF marginal(sansFont(marginalPoints), &device);
    m_headerHeight = marginal.height() + 12 * m_pixelsPerPoint;
    m_footerHeight = marginal.height() + 12 * m_pixelsPerPoint;
    // The first page has no running title, but every page holds the same
    // height of text: the first page's text starts at the top margin.
    m_bodyHeight = m_pageArea.height() - m_headerHeight - m_footerHeight;

    PrintoutBuilder builder(*m_document);
    builder.addTitle(m_recipe.title, m_recipe.categoryName);
    if (!m_picturePath.isEmpty()) {
        // At most six tenths of the width and four tenths of the height of the text.
        const qreal unitsPerPixel = 96.0 / (72.0 * m_pixelsPerPoint);
        builder.addPicture(m_picturePath, QSizeF(m_pageArea.width() * unitsPerPixel * 0.6,
                                                 m_bodyHeight * unitsPerPixel * 0.4));
    }
    builder.addIngredients(linesOf(m_recipe.ingredients));
    builder.addPreparation(linesOf(m_recipe.preparation));

    m_document->documentLayout()->setPaintDevice(&device);
    m_document->setPageSize(QSizeF(m_pageArea.width(), m_bodyHeight));

    m_categoryBlock = builder.categoryBlock;
    m_headings = builder.headings;
    keepHeadingsWithTheirText();
    m_pageCount = m_document->pageCount();
}

// A heading at the foot of a page, with its text on the next, moves to the
// next page too.
void RecipePrintout::keepHeadingsWithTheirText() {
    for (const QTextBlock& heading : std::as_const(m_headings)) {
        const QTextBlock next = heading.next();
        if (next.isValid() && pageOfFirstLine(next) > pageOfFirstLine(heading)) {
            QTextCursor cursor(heading);
            QTextBlockFormat format = heading.blockFormat();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            cursor.setBlockFormat(format);
        }
    }
}

// A line that would cross the foot of a page goes to the next page, but its
// block stays where it began: the first line tells the page.
int RecipePrintout::pageOfFirstLine(const QTextBlock& block) const {
    m_document->documentLayout()->blockBoundingRect(block); // lays the block out
    const QTextLayout& layout = *block.layout();
    const qreal top = layout.position().y() + (layout.lineCount() > 0 ? layout.lineAt(0).y() : 0);
    return int(top / m_bodyHeight);
}

void RecipePrintout::paintPage(QPainter& painter, int page) const {
    const qreal pageTop = page * m_bodyHeight;
    painter.save();
    painter.translate(0, (page == 0 ? 0 : m_headerHeight) - pageTop);
    painter.setPen(ink);
    painter.setBrush(ink);
    // Line by line: a paragraph that goes on over the page break leaves its
    // other lines to their own pages, and no hidden copy of them in the PDF.
    for (QTextBlock block = m_document->begin(); block.isValid(); block = block.next()) {
        const QTextLayout& layout = *block.layout();
        for (int index = 0; index < layout.lineCount(); ++index) {
            const QTextLine line = layout.lineAt(index);
            const qreal top = layout.position().y() + line.y();
            if (top < pageTop || top >= pageTop + m_bodyHeight)
                continue;
            line.draw(&painter, layout.position());
            if (index == 0 && block.textList() != nullptr)
                paintBullet(painter, layout.position() + line.position(), line.ascent());
        }
    }
    if (const qreal ruleY = titleRuleY(); ruleY >= pageTop && ruleY < pageTop + m_bodyHeight)
        paintRule(painter, ruleY, accent, 1.25);
    painter.restore();

    if (page > 0)
        paintRunningTitle(painter);
    paintPageNumber(painter, page);
}

// A dot in the indent before a list item's first line, at the height of its
// small letters.
void RecipePrintout::paintBullet(QPainter& painter, const QPointF& lineStart, qreal ascent) const {
    const qreal radius = 1.6 * m_pixelsPerPoint;
    const QPointF centre(lineStart.x() - 8 * m_pixelsPerPoint, lineStart.y() + ascent * 0.64);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(centre, radius, radius);
    painter.setPen(ink);
}

void RecipePrintout::paintRunningTitle(QPainter& painter) const {
    const QFont font = sansFont(marginalPoints);
    const QFontMetricsF metrics(font, painter.device());
    painter.setFont(font);
    painter.setPen(quiet);
    const QString title = metrics.elidedText(m_recipe.title, Qt::ElideRight, m_pageArea.width());
    painter.drawText(QPointF(0, metrics.ascent()), title);
    paintRule(painter, metrics.height() + 3 * m_pixelsPerPoint, quiet, 0.5);
}

void RecipePrintout::paintPageNumber(QPainter& painter, int page) const {
    const QFont font = sansFont(marginalPoints);
    const QFontMetricsF metrics(font, painter.device());
    painter.setFont(font);
    painter.setPen(quiet);
    const QString number = QStringLiteral("Page %1 of %2").arg(page + 1).arg(m_pageCount);
    const QRectF foot(0, m_pageArea.height() - metrics.height(), m_pageArea.width(),
                      metrics.height());
    painter.drawText(foot, Qt::AlignHCenter | Qt::AlignBottom, number);
}

// Under the category, between the title block and the first section.
qreal RecipePrintout::titleRuleY() const {
    const QRectF category = m_document->documentLayout()->blockBoundingRect(m_categoryBlock);
    return category.bottom() + 8 * m_pixelsPerPoint;
}

void RecipePrintout::paintRule(QPainter& painter, qreal y, const QColor& colour,
                               qreal points) const {
    QPen pen(colour);
    pen.setWidthF(points * m_pixelsPerPoint);
    pen.setCapStyle(Qt::FlatCap);
    painter.save();
    painter.setPen(pen);
    painter.drawLine(QPointF(0, y), QPointF(m_pageArea.width(), y));
    painter.restore();
}

QPageLayout pdfPageLayout() {
    const bool usLetter = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
    return QPageLayout(QPageSize(usLetter ? QPageSize::Letter : QPageSize::A4),
                       QPageLayout::Portrait, printoutMargins, QPageLayout::Millimeter);
}

QByteArray recipePdf(const ExportedRecipe& recipe, const QPageLayout& layout,
                     const QString& picturePath) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(layout);
        writer.setTitle(recipe.title);
        writer.setCreator(applicationTitle);
        RecipePrintout(recipe, picturePath).print(writer);
    }
    return bytes;
}

} // namespace savrona
