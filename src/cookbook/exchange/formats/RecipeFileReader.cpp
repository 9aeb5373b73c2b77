// Tells the kind of each import file and hands it to the reader of that kind.
#include "cookbook/exchange/formats/RecipeFileReader.h"

#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/MealMasterLayout.h"
#include "cookbook/exchange/formats/MealMasterReader.h"
#include "cookbook/exchange/formats/RecipeJsonReader.h"
#include "cookbook/exchange/formats/RecipeTextReader.h"

#include <QFile>
#include <QFileInfo>

namespace savrona {

namespace {

constexpr qint64 sniffedBytes = 64 * 1024;

bool holdsMealMasterRecipe(QByteArrayView start) {
    for (qsizetype at = 0; at < start.size();) {
        qsizetype end = start.indexOf('\n', at);
        if (end < 0)
            end = start.size();
        if (mealmaster::isBeginLine(start.sliced(at, end - at)))
            return true;
        at = end + 1;
    }
    return false;
}

bool looksLikeMarkup(QByteArrayView start) {
    const QByteArray lowered = start.toByteArray().toLower();
    for (const QByteArrayView mark : {"<!doctype html", "<html", "<head", "<script"})
        if (lowered.contains(mark))
            return true;
    return false;
}

void append(RecipeBatch& batch, RecipeBatch&& more) {
    batch.recipes.insert(batch.recipes.end(), std::make_move_iterator(more.recipes.begin()),
                         std::make_move_iterator(more.recipes.end()));
    batch.problems.insert(batch.problems.end(), more.problems.begin(), more.problems.end());
}

RecipeBatch fileProblem(const QString& fileName, const QString& message) {
    RecipeBatch batch;
    batch.problems.push_back({ImportProblem::Kind::File, fileName, 1, message});
    return batch;
}

RecipeBatch readFile(const QString& fileName, ImportProgress& progress) {
    if (QFileInfo(fileName).isDir())
        return fileProblem(fileName, QStringLiteral("this is a folder, not a file"));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fileProblem(fileName,
                           QStringLiteral("the file cannot be opened: %1").arg(file.errorString()));
    const qint64 size = file.size();
    const RecipeFileReader::Format format = RecipeFileReader::formatOf(file.peek(sniffedBytes));
    // A pipe is read once, through the bytes already peeked at.
    if (format == RecipeFileReader::Format::MealMaster && file.isSequential())
        return MealMasterReader::read(file, fileName, &progress);
    if (format == RecipeFileReader::Format::MealMaster) {
        file.close();
        return MealMasterReader::readFile(fileName, &progress);
    }
    if (size > RecipeFileReader::largestWholeFile)
        return fileProblem(fileName,
                           QStringLiteral("the file is too large to be read as JSON, a "
                                          "web page or an exported recipe (over 256 MB)"));
    const QByteArray bytes = file.readAll();
    progress.advance(size);
    progress.throwIfCancelled();
    switch (format) {
    case RecipeFileReader::Format::JsonDocument:
        return RecipeJsonReader::readDocument(bytes, fileName);
    case RecipeFileReader::Format::WebPage:
        return RecipeJsonReader::readPage(bytes, fileName);
    case RecipeFileReader::Format::RecipeText:
    case RecipeFileReader::Format::MealMaster:
        break;
    }
    return RecipeTextReader::read(bytes, fileName);
}

} // namespace

RecipeFileReader::Format RecipeFileReader::formatOf(QByteArrayView start) {
    if (start.startsWith("\xEF\xBB\xBF"))
        start = start.sliced(3);
    const QByteArrayView content = start.trimmed();
    if (content.startsWith('{') || content.startsWith('['))
        return Format::JsonDocument;
    if (holdsMealMasterRecipe(start))
        return Format::MealMaster;
    if (looksLikeMarkup(start))
        return Format::WebPage;
    if (RecipeTextReader::hasLayout(start))
        return Format::RecipeText;
    return Format::MealMaster;
}

RecipeBatch RecipeFileReader::read(const QStringList& files, ImportProgress& progress) {
    qint64 total = 0;
    for (const QString& fileName : files)
        total += std::max<qint64>(QFileInfo(fileName).size(), 0);
    progress.setTotal(total);
    RecipeBatch batch;
    for (const QString& fileName : files) {
        progress.throwIfCancelled();
        append(batch, readFile(fileName, progress));
    }
    return batch;
}

} // namespace savrona
