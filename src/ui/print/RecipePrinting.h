#pragma once

// Printing a recipe and saving it as a PDF: the two commands beside the export.

#include "cookbook/exchange/RecipeExport.h"
#include "platform/seams/PlatformSeams.h"

class QWidget;

namespace savrona {

class DataFolder;

// The name the save dialog proposes for a recipe's PDF: the export's name
// with ".pdf".
QString proposedPdfFileName(const QString& title);

// Print recipe: shows the print dialog and prints the recipe on the printer
// chosen there, nothing when it is cancelled. Printing to a file writes the
// PDF as saveRecipeAsPdf does: atomically, never onto a data file in
// dataFolder. A failure throws Error.
void printRecipe(PrintDialog& dialog, QWidget* parent, const ExportedRecipe& recipe,
                 const DataFolder& dataFolder, const QString& picturePath = QString());

// Save recipe as PDF: asks for a file through the export's save dialog,
// proposing the title with ".pdf", and writes the recipe's PDF there as the
// export writes its text (replacing a file atomically, with the export's
// input/output messages). A data file of the cookbook in dataFolder is
// refused before anything is written.
void saveRecipeAsPdf(SaveFileDialog& dialog, QWidget* parent, const ExportedRecipe& recipe,
                     const DataFolder& dataFolder, const QString& picturePath = QString());

} // namespace savrona
