#pragma once

// Printing a paged document through the print dialog, or saving it as a PDF through the
// save dialog, for every printout that paints its own pages.

#include "platform/seams/PlatformSeams.h"

#include <QByteArray>
#include <QPageLayout>
#include <QString>

#include <functional>

class QPagedPaintDevice;
class QWidget;

namespace savrona {

class DataFolder;

// Paints the document onto the device's pages, in its page size and margins.
using PagePainter = std::function<void(QPagedPaintDevice& device)>;

// The document as a PDF with its fonts embedded, on pages of layout.
QByteArray pdfOf(const QString& title, const QPageLayout& layout, const PagePainter& paint);

// Writes the PDF to path atomically, after refusing a data file in dataFolder.
void writePdfFile(const QString& path, const QString& title, const QPageLayout& layout,
                  const DataFolder& dataFolder, const PagePainter& paint);

// Shows the print dialog and prints on the printer chosen there, nothing when it is
// cancelled. Printing to a file writes the PDF as writePdfFile does. Throws Error.
void printThroughDialog(PrintDialog& dialog, QWidget* parent, const QString& documentName,
                        const DataFolder& dataFolder, const PagePainter& paint);

// Asks for a file, proposing proposedName, and writes the PDF there (writePdfFile).
// Returns false when the dialog was cancelled.
bool savePdfThroughDialog(SaveFileDialog& dialog, QWidget* parent, const QString& proposedName,
                          const DataFolder& dataFolder, const PagePainter& paint);

} // namespace savrona
