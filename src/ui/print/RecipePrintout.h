#pragma once

// The printed recipe: one page layout for the printer and the PDF.

#include "cookbook/exchange/RecipeExport.h"

#include <QByteArray>
#include <QMarginsF>
#include <QPageLayout>

#include <QList>
#include <QTextBlock>

#include <memory>

class QPagedPaintDevice;
class QPainter;
class QTextDocument;

namespace savrona {

// The margins of every printed page, in millimetres.
inline const QMarginsF printoutMargins(15, 15, 15, 15);

// A recipe laid out for paper, from the texts the export writes: the title
// large and bold, the category under it, "Ingredients" as a list and
// "Preparation" as paragraphs (a section whose box is empty is left out).
// Long texts flow onto further pages, each with the title repeated small at
// its top; every page has its number at the foot.
class RecipePrintout {
public:
    // With a picture file, the picture goes below the title.
    explicit RecipePrintout(const ExportedRecipe& recipe, QString picturePath = QString());
    ~RecipePrintout();
    RecipePrintout(const RecipePrintout&) = delete;
    RecipePrintout& operator=(const RecipePrintout&) = delete;

    // Paints the recipe onto the device's pages, in the device's page size
    // and margins. Throws Error when the device cannot be painted on.
    void print(QPagedPaintDevice& device);

    // The pages of the last print.
    int pageCount() const { return m_pageCount; }

private:
    void layOut(QPagedPaintDevice& device);
    void keepHeadingsWithTheirText();
    int pageOfFirstLine(const QTextBlock& block) const;
    void paintPage(QPainter& painter, int page) const;
    void paintBullet(QPainter& painter, const QPointF& lineStart, qreal ascent) const;
    void paintRunningTitle(QPainter& painter) const;
    void paintPageNumber(QPainter& painter, int page) const;
    void paintRule(QPainter& painter, qreal y, const QColor& colour, qreal points) const;
    qreal titleRuleY() const;

    ExportedRecipe m_recipe;
    QString m_picturePath;
    std::unique_ptr<QTextDocument> m_document;
    QTextBlock m_categoryBlock;
    QList<QTextBlock> m_headings;
    // Device pixels: the page within its margins, the room for the running
    // title at the top and the page number at the foot, the text between.
    QSizeF m_pageArea;
    qreal m_pixelsPerPoint = 1;
    qreal m_headerHeight = 0;
    qreal m_footerHeight = 0;
    qreal m_bodyHeight = 0;
    int m_pageCount = 0;
};

// The page layout of a recipe's PDF: A4, or Letter where the system measures
// in US units; portrait, with the printout's margins.
QPageLayout pdfPageLayout();

// The recipe as a PDF document with its fonts embedded, on pages of layout.
QByteArray recipePdf(const ExportedRecipe& recipe, const QPageLayout& layout,
                     const QString& picturePath = QString());

} // namespace savrona
