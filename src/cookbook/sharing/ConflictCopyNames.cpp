// Recognises conflict copies by the patterns of the sync engines' names and Savrona's own.
#include "cookbook/sharing/ConflictCopyNames.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace savrona {

namespace {

// What may follow the stem of a data file in the name of one of its conflict copies, up to
// its extension.
bool isConflictSuffix(const QString& suffix) {
    static const QRegularExpression patterns(
        QStringLiteral("^(?:\\.sync-conflict-\\d{8}-\\d{6}-[A-Z0-9]{7}"
                       "| \\([^()]*conflicted copy[^()]*\\)"
                       "| \\(conflict \\d{4}-\\d{2}-\\d{2} \\d{6}(?: \\d+)?\\))$"),
        QRegularExpression::CaseInsensitiveOption);
    return patterns.match(suffix).hasMatch();
}

} // namespace

std::optional<ConflictCopyName> readConflictCopyName(const QString& fileName,
                                                     const QStringList& dataFileNames) {
    for (const QString& dataFileName : dataFileNames) {
        const qsizetype dot = dataFileName.lastIndexOf(QLatin1Char('.'));
        const QString stem = dataFileName.left(dot);
        const QString extension = dataFileName.mid(dot);
        if (!fileName.startsWith(stem, Qt::CaseInsensitive) ||
            !fileName.endsWith(extension, Qt::CaseInsensitive) ||
            fileName.size() <= dataFileName.size())
            continue;
        const QString suffix = fileName.mid(stem.size(), fileName.size() - dataFileName.size());
        if (isConflictSuffix(suffix))
            return ConflictCopyName{fileName, dataFileName, fileName.mid(stem.size())};
    }
    return std::nullopt;
}

std::vector<ConflictCopyGroup> groupConflictCopies(const QStringList& fileNames,
                                                   const QStringList& dataFileNames) {
    std::map<QString, ConflictCopyGroup> groups;
    for (const QString& fileName : fileNames) {
        const auto copy = readConflictCopyName(fileName, dataFileNames);
        if (!copy)
            continue;
        ConflictCopyGroup& group = groups[copy->pairKey];
        group.pairKey = copy->pairKey;
        const bool sameFileTaken =
            std::ranges::any_of(group.copies, [&](const ConflictCopyName& taken) {
                return taken.dataFileName == copy->dataFileName;
            });
        // Two copies of one file under one key differ only in letter case: each merges alone.
        if (sameFileTaken)
            groups[copy->pairKey + QLatin1Char('\n') + fileName] = {copy->pairKey, {*copy}};
        else
            group.copies.push_back(*copy);
    }
    std::vector<ConflictCopyGroup> ordered;
    for (auto& [key, group] : groups)
        ordered.push_back(std::move(group));
    return ordered;
}

} // namespace savrona
