// Hands a printout's pages to a printer, or its PDF to the export's atomic file writer.
#include "ui/print/PagedOutput.h"

#include "cookbook/exchange/ExportFileWriter.h"
#include "cookbook/exchange/ExportTarget.h"
#include "platform/seams/AppInfo.h"
#include "ui/print/RecipePrintout.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPdfWriter>
#include <QPrinter>

namespace savrona {

QByteArray pdfOf(const QString& title, const QPageLayout& layout, const PagePainter& paint) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(layout);
        writer.setTitle(title);
        writer.setCreator(applicationTitle);
        paint(writer);
    }
    return bytes;
}

void writePdfFile(const QString& path, const QString& title, const QPageLayout& layout,
                  const DataFolder& dataFolder, const PagePainter& paint) {
    refuseDataFileAsExportTarget(path, dataFolder);
    writeExportFile(path, pdfOf(title, layout, paint));
}

void printThroughDialog(PrintDialog& dialog, QWidget* parent, const QString& documentName,
                        const DataFolder& dataFolder, const PagePainter& paint) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    printer.setCreator(applicationTitle);
    printer.setPageMargins(printoutMargins, QPageLayout::Millimeter);
    if (!dialog.choosePrinter(parent, printer))
        return;
    printer.setPageMargins(printoutMargins, QPageLayout::Millimeter);
    // Qt's printer would write a file in place, over whatever it is.
    if (!printer.outputFileName().isEmpty()) {
        writePdfFile(printer.outputFileName(), documentName, printer.pageLayout(), dataFolder,
                     paint);
        return;
    }
    paint(printer);
}

bool savePdfThroughDialog(SaveFileDialog& dialog, QWidget* parent, const QString& proposedName,
                          const DataFolder& dataFolder, const PagePainter& paint) {
    const std::optional<QString> path = dialog.chooseFile(parent, proposedName, pdfFileType);
    if (!path)
        return false;
    writePdfFile(*path, QFileInfo(proposedName).completeBaseName(), pdfPageLayout(), dataFolder,
                 paint);
    return true;
}

} // namespace savrona
