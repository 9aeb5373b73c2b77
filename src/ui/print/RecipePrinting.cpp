// Runs the print dialog or the save dialog and hands the recipe's pages to the
// printer, or its PDF to the export's file writer.
#include "ui/print/RecipePrinting.h"

#include "cookbook/exchange/ExportFileWriter.h"
#include "cookbook/exchange/ExportTarget.h"
#include "platform/seams/AppInfo.h"
#include "ui/print/RecipePrintout.h"

#include <QPrinter>

namespace savrona {

namespace {

void writePdf(const QString& path, const ExportedRecipe& recipe, const QPageLayout& layout,
              const DataFolder& dataFolder, const QString& picturePath) {
    refuseDataFileAsExportTarget(path, dataFolder);
    writeExportFile(path, recipePdf(recipe, layout, picturePath));
}

} // namespace

QString proposedPdfFileName(const QString& title) {
    return proposedExportFileName(title) + QStringLiteral(".pdf");
}

void printRecipe(PrintDialog& dialog, QWidget* parent, const ExportedRecipe& recipe,
                 const DataFolder& dataFolder, const QString& picturePath) {
    QPrinter printer(QPrinter::HighResolution);
    // Qt's print dialog proposes the document's name for printing to a file.
    printer.setDocName(proposedExportFileName(recipe.title));
    printer.setCreator(applicationTitle);
    printer.setPageMargins(printoutMargins, QPageLayout::Millimeter);
    if (!dialog.choosePrinter(parent, printer))
        return;
    // The page size and orientation are the printer's; the margins are ours.
    printer.setPageMargins(printoutMargins, QPageLayout::Millimeter);
    // Qt's printer would write a file in place, over whatever it is.
    if (!printer.outputFileName().isEmpty()) {
        writePdf(printer.outputFileName(), recipe, printer.pageLayout(), dataFolder, picturePath);
        return;
    }
    RecipePrintout(recipe, picturePath).print(printer);
}

void saveRecipeAsPdf(SaveFileDialog& dialog, QWidget* parent, const ExportedRecipe& recipe,
                     const DataFolder& dataFolder, const QString& picturePath) {
    const std::optional<QString> path =
        dialog.chooseFile(parent, proposedPdfFileName(recipe.title), pdfFileType);
    if (!path)
        return;
    writePdf(*path, recipe, pdfPageLayout(), dataFolder, picturePath);
}

} // namespace savrona
