#pragma once

// A cookbook or a category printed as one booklet.

#include "ui/print/BookletContent.h"

#include <QSizeF>
#include <QTextBlock>

#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QTextDocument;

namespace savrona {

enum class BookletLayout {
    RecipePerPage, // each recipe begins a page
    RunOn,         // recipes follow one another, a title never left alone at a page's foot
};

// Told how far the booklet got (done of total steps); returns false to stop it, which
// throws ExportCancelled.
using BookletProgress = std::function<bool(int done, int total)>;

// A title page, the table of contents with the page each chapter and recipe begins on,
// then each category as a chapter beginning a page, its recipes with their pictures;
// every page but the title page has its number at the foot. The contents are laid out
// with the pages they name, again until the numbers no longer move the pages.
class BookletPrintout {
public:
    BookletPrintout(BookletContent content, BookletLayout layout);
    ~BookletPrintout();
    BookletPrintout(const BookletPrintout&) = delete;
    BookletPrintout& operator=(const BookletPrintout&) = delete;

    // Paints the booklet onto the device's pages. Throws Error when the device cannot be
    // painted on, ExportCancelled when progress says stop.
    void print(QPagedPaintDevice& device, const BookletProgress& progress = {});

    int pageCount() const { return m_pageCount; }

private:
    struct ContentsEntry {
        QTextBlock target; // the chapter's or recipe's heading
        int numberStart;   // where the page number stands in the document
        int numberLength;
    };

    void build(QPagedPaintDevice& device, const BookletProgress& progress, int totalSteps);
    void addTitlePage();
    void addContents();
    void addChapters(const BookletProgress& progress, int totalSteps);
    void addRecipe(const BookletRecipe& recipe, bool breakBefore);
    void addPicture(const QString& path);
    void keepTitlesWithTheirText();
    bool numberContents();
    int pageOf(const QTextBlock& block) const;
    void paintPages(QPagedPaintDevice& device, QPainter& painter, const BookletProgress& progress,
                    int totalSteps);
    void paintPageNumber(QPainter& painter, int page) const;

    BookletContent m_content;
    BookletLayout m_layout;
    std::unique_ptr<QTextDocument> m_document;
    std::vector<ContentsEntry> m_contents;
    std::vector<QTextBlock> m_recipeTitles;
    QSizeF m_pageArea;
    qreal m_pixelsPerPoint = 1;
    qreal m_footerHeight = 0;
    qreal m_bodyHeight = 0;
    int m_pageCount = 0;
    int m_pictureCount = 0;
};

} // namespace savrona
