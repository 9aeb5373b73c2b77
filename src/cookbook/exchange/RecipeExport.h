#pragma once

// Exporting a recipe as a text file: its text, the file name proposed and the command.

#include "platform/seams/PlatformSeams.h"

#include <QByteArray>
#include <QString>

class QWidget;

namespace savrona {

class DataFolder;

// What an exported recipe is made of: the details pane as it shows the recipe.
struct ExportedRecipe {
    QString categoryName;
    QString title;
    QString ingredients;
    QString preparation;
};

// The exported text: thirteen lines (more when the ingredients or the
// preparation have several), each ended by CR LF, in the system's 8-bit
// encoding. Line breaks inside the texts become CR LF whatever form the boxes
// hold them in.
QByteArray exportedRecipeText(const ExportedRecipe& recipe);

// The name the save dialog proposes: the title, with the characters that
// would make it a path replaced.
QString proposedExportFileName(const QString& title);

// Export recipe to file: asks for a file, proposing the title, and writes the
// recipe there. Nothing happens when the dialog is cancelled; a failure throws
// Error with its input/output message. A file of the cookbook in dataFolder is
// refused before anything is written.
void exportRecipe(SaveFileDialog& dialog, QWidget* parent, const ExportedRecipe& recipe,
                  const DataFolder& dataFolder);
void exportRecipe(SaveFileDialog& dialog, QWidget* parent, const ExportedRecipe& recipe,
                  const QString& dataFolder);

} // namespace savrona
