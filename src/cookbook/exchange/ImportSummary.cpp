// Puts an import plan into the words of the confirmation the user answers.
#include "cookbook/exchange/ImportSummary.h"

#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QStringList>

namespace savrona {

namespace {

QString number(qsizetype count) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(count);
}

QString counted(qsizetype count, const QString& one, const QString& many) {
    return number(count) + u' ' + (count == 1 ? one : many);
}

// The file and the line; the file alone for what concerns it as a whole (line 0). A web
// page is named by its whole address.
QString place(const QString& file, qint64 line) {
    const QString name =
        file.contains(QStringLiteral("://")) ? file : QFileInfo(file).fileName();
    return line > 0 ? QStringLiteral("%1, line %2").arg(name, number(line)) : name;
}

QString question(const ImportPlan& plan) {
    if (plan.recipes.empty())
        return QStringLiteral("There is nothing to import.");
    QString text = QStringLiteral("Import %1 into %2")
                       .arg(counted(static_cast<qsizetype>(plan.recipes.size()),
                                    QStringLiteral("recipe"), QStringLiteral("recipes")),
                            counted(plan.categoryCount, QStringLiteral("category"),
                                    QStringLiteral("categories")));
    if (!plan.newCategories.empty())
        text += QStringLiteral(" (%1 new)").arg(number(plan.newCategories.size()));
    return text + u'?';
}

struct ProblemCounts {
    qsizetype recipes = 0;
    qsizetype files = 0;
    qsizetype notes = 0;
};

// Recipes and remarks one by one; files once each, however many of their
// parts (a page's scripts, the halves of a large file) could not be read.
ProblemCounts countProblems(const std::vector<ImportProblem>& problems) {
    ProblemCounts counts;
    QSet<QString> unreadFiles;
    for (const ImportProblem& problem : problems) {
        switch (problem.kind) {
        case ImportProblem::Kind::Recipe:
            ++counts.recipes;
            break;
        case ImportProblem::Kind::File:
            unreadFiles.insert(problem.file);
            counts.files = unreadFiles.size();
            break;
        case ImportProblem::Kind::Note:
            ++counts.notes;
            break;
        }
    }
    return counts;
}

QString countSentences(const ImportPlan& plan) {
    QStringList sentences;
    if (!plan.duplicates.empty())
        sentences << QStringLiteral("%1 already in the cookbook with the same texts, left out.")
                         .arg(counted(plan.duplicates.size(), QStringLiteral("recipe is"),
                                      QStringLiteral("recipes are")));
    if (!plan.renamed.empty())
        sentences << QStringLiteral("%1 taken, numbered like \"%2\".")
                         .arg(counted(plan.renamed.size(), QStringLiteral("title is"),
                                      QStringLiteral("titles are")),
                              QString::fromUtf8(plan.renamed.front().to));
    const ProblemCounts problems = countProblems(plan.problems);
    if (problems.recipes > 0)
        sentences << QStringLiteral("%1 not be read.")
                         .arg(counted(problems.recipes, QStringLiteral("recipe could"),
                                      QStringLiteral("recipes could")));
    if (problems.files > 0)
        sentences << QStringLiteral("%1 not be read.")
                         .arg(counted(problems.files, QStringLiteral("file could"),
                                      QStringLiteral("files could")));
    if (problems.notes > 0)
        sentences << QStringLiteral("%1 in the details.")
                         .arg(counted(problems.notes, QStringLiteral("remark"),
                                      QStringLiteral("remarks")));
    return sentences.join(u' ');
}

// A section of the details: a heading and at most detailsPerKind lines.
template <typename Entries, typename Line>
void addSection(QStringList& details, const QString& heading, const Entries& entries, Line line) {
    if (entries.empty())
        return;
    if (!details.isEmpty())
        details << QString();
    details << heading;
    qsizetype shown = 0;
    for (const auto& entry : entries) {
        if (shown++ == detailsPerKind) {
            details << QStringLiteral("... and %1 more")
                           .arg(number(static_cast<qsizetype>(entries.size()) - detailsPerKind));
            break;
        }
        details << line(entry);
    }
}

std::vector<ImportProblem> problemsOfKind(const ImportPlan& plan, ImportProblem::Kind kind) {
    std::vector<ImportProblem> chosen;
    for (const ImportProblem& problem : plan.problems)
        if (problem.kind == kind)
            chosen.push_back(problem);
    return chosen;
}

QString detailLines(const ImportPlan& plan) {
    QStringList details;
    const auto problemLine = [](const ImportProblem& problem) {
        return place(problem.file, problem.line) + QStringLiteral(": ") + problem.message;
    };
    addSection(details, QStringLiteral("Files that could not be read:"),
               problemsOfKind(plan, ImportProblem::Kind::File), problemLine);
    addSection(details, QStringLiteral("Recipes that could not be read:"),
               problemsOfKind(plan, ImportProblem::Kind::Recipe), problemLine);
    addSection(details, QStringLiteral("Remarks:"), problemsOfKind(plan, ImportProblem::Kind::Note),
               problemLine);
    addSection(details, QStringLiteral("Numbered titles:"), plan.renamed,
               [](const ImportPlan::Renamed& renamed) {
                   return place(renamed.file, renamed.line) +
                          QStringLiteral(": \"%1\" is added as \"%2\"")
                              .arg(QString::fromUtf8(renamed.from), QString::fromUtf8(renamed.to));
               });
    addSection(details, QStringLiteral("Already in the cookbook:"), plan.duplicates,
               [](const ImportPlan::Skipped& skipped) {
                   return place(skipped.file, skipped.line) +
                          QStringLiteral(": \"%1\"").arg(QString::fromUtf8(skipped.title));
               });
    return details.join(u'\n');
}

} // namespace

ImportSummary summarizeImport(const ImportPlan& plan) {
    return {question(plan), countSentences(plan), detailLines(plan), !plan.recipes.empty()};
}

} // namespace savrona
