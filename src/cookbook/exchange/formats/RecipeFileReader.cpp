// Tells the kind of each import file and hands it to the reader of that kind.
#include "cookbook/exchange/formats/RecipeFileReader.h"

#include "cookbook/exchange/formats/ImportFile.h"
#include "cookbook/exchange/formats/ImportProgress.h"
#include "cookbook/exchange/formats/RecipeTextReader.h"
#include "cookbook/exchange/formats/SourceText.h"
#include "cookbook/exchange/formats/html/RecipePageReader.h"
#include "cookbook/exchange/formats/json/RecipeJsonReader.h"
#include "cookbook/exchange/formats/mealmaster/MealMasterLayout.h"
#include "cookbook/exchange/formats/mealmaster/MealMasterReader.h"
#include "data/Error.h"

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
    for (const QByteArrayView mark : {"<!doctype html", "<html", "<head", "<body", "<script"})
        if (lowered.contains(mark))
            return true;
    return false;
}

void append(RecipeBatch& batch, RecipeBatch&& more) {
    batch.recipes.insert(batch.recipes.end(), std::make_move_iterator(more.recipes.begin()),
                         std::make_move_iterator(more.recipes.end()));
    batch.problems.insert(batch.problems.end(), more.problems.begin(), more.problems.end());
}

// A problem with the file as a whole, at no line of it.
RecipeBatch fileProblem(const QString& fileName, const QString& message) {
    RecipeBatch batch;
    batch.problems.push_back({ImportProblem::Kind::File, fileName, 0, message});
    return batch;
}

RecipeBatch readOpenFile(QFile& file, const QString& fileName, ImportProgress& progress) {
    const RecipeFileReader::Format format = RecipeFileReader::formatOf(file.peek(sniffedBytes));
    if (format == RecipeFileReader::Format::MealMaster) {
        file.close();
        return MealMasterReader::readFile(fileName, &progress);
    }
    QByteArray bytes = readWhole(file, ImportFile::largestFile, &progress);
    file.close();
    switch (format) {
    case RecipeFileReader::Format::JsonDocument:
        return RecipeJsonReader::readDocument(std::move(bytes), fileName, &progress);
    case RecipeFileReader::Format::WebPage:
        return RecipePageReader::read(std::move(bytes), fileName, QUrl(), &progress);
    case RecipeFileReader::Format::RecipeText:
    case RecipeFileReader::Format::MealMaster:
        break;
    }
    return RecipeTextReader::read(std::move(bytes), fileName, &progress);
}

RecipeBatch readFile(const QString& fileName, ImportProgress& progress) {
    try {
        QFile file;
        ImportFile::open(file, fileName);
        return readOpenFile(file, fileName, progress);
    } catch (const Error& error) {
        return fileProblem(fileName, error.message());
    }
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

RecipeBatch RecipeFileReader::readPage(QByteArray html, const QUrl& address,
                                       ImportProgress* progress) {
    const QString pageName = address.toString();
    if (html.size() > ImportFile::largestFile)
        return fileProblem(pageName, ImportFile::tooLargeMessage());
    return RecipePageReader::read(std::move(html), pageName, address, progress);
}

} // namespace savrona
