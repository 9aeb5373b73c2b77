// Builds an exported recipe's text and file name, and runs the export from the dialog to
// the written file.
#include "cookbook/exchange/RecipeExport.h"

#include "cookbook/exchange/ExportFileWriter.h"
#include "cookbook/exchange/ExportTarget.h"
#include "data/files/DataFolder.h"
#include "platform/seams/AppInfo.h"

#include <QStringEncoder>
#include <QStringList>

namespace savrona {

namespace {

const QString lineEnd = QStringLiteral("\r\n");

QString withLineEnds(QString text) {
    text.replace(lineEnd, QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), lineEnd);
    return text;
}

} // namespace

QByteArray exportedRecipeText(const ExportedRecipe& recipe) {
    const QString hyphens(50, QLatin1Char('-'));
    const QStringList lines{
        QString(),
        recipe.categoryName,
        recipe.title,
        QString(),
        hyphens,
        QString(),
        withLineEnds(recipe.ingredients),
        QString(),
        withLineEnds(recipe.preparation),
        QString(),
        hyphens,
        QStringLiteral("Recipe exported by ") + applicationTitle,
        webAddress,
    };
    QStringEncoder encoder(QStringEncoder::System);
    return encoder.encode(lines.join(lineEnd) + lineEnd);
}

QString proposedExportFileName(const QString& title) {
    QString name = title;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    name.remove(QChar(u'\0'));
    return name;
}

void exportRecipe(SaveFileDialog& dialog, QWidget* parent, const ExportedRecipe& recipe,
                  const QString& dataFolder) {
    exportRecipe(dialog, parent, recipe, *DataFolder::atPath(dataFolder));
}

void exportRecipe(SaveFileDialog& dialog, QWidget* parent, const ExportedRecipe& recipe,
                  const DataFolder& dataFolder) {
    const std::optional<QString> path =
        dialog.chooseFile(parent, proposedExportFileName(recipe.title), textFileType);
    if (!path)
        return;
    refuseDataFileAsExportTarget(*path, dataFolder);
    writeExportFile(*path, exportedRecipeText(recipe));
}

} // namespace savrona
