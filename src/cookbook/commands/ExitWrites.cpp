// Closes the tables at exit and asks Try Again / Quit Without Saving (/ Save Elsewhere)
// while a write fails, until the user or a request to end the program answers.
#include "cookbook/commands/ExitWrites.h"

#include "cookbook/commands/CookbookCopy.h"
#include "data/Error.h"
#include "data/files/DataFolder.h"

#include <QStringList>

#include <map>

namespace savrona {

namespace {

const QString lineBreak = QStringLiteral("\r");

// The failed writes by table, their messages kept for the question.
using Failures = std::map<Table*, WriteError>;

QString failureLine(const WriteError& failure) {
    // The folder's reason is the whole story, whichever file failed.
    if (failure.kind() == WriteError::Kind::FolderGone && !failure.reason().isEmpty())
        return failure.reason().front().toUpper() + failure.reason().mid(1) + QLatin1Char('.');
    const QString message = failure.message();
    if (failure.reason().isEmpty() || message.contains(QLatin1Char(':')))
        return message + QLatin1Char('.');
    return message + QStringLiteral(": ") + failure.reason() + QLatin1Char('.');
}

QString retryQuestion(const Failures& failures, bool offersElsewhere) {
    QStringList lines;
    for (const auto& [table, failure] : failures)
        lines.append(failureLine(failure));
    lines.removeDuplicates();
    lines.append(QStringLiteral("Your latest changes to the cookbook are not saved."));
    lines.append(QStringLiteral("Choose Try Again once the problem is solved, or Quit Without "
                                "Saving to end Savrona and lose these changes."));
    if (offersElsewhere)
        lines.append(QStringLiteral("Save Elsewhere saves the whole cookbook in another folder "
                                    "you choose, and ends Savrona."));
    return lines.join(lineBreak);
}

// Runs a close or a retry of one table, noting a failed write and telling the
// user of a conflict copy at once.
void writeNoting(Table* table, Failures& failures, MessageBoxes& messages, void (Table::*write)()) {
    try {
        (table->*write)();
        failures.erase(table);
    } catch (const WriteError& error) {
        if (error.kind() == WriteError::Kind::Conflict) {
            failures.erase(table);
            messages.show(MessageBoxes::Kind::Failure, error.message());
            return;
        }
        failures.insert_or_assign(table, error);
    }
}

int endRequestsSoFar(const EndRequests* endRequests) {
    return endRequests != nullptr ? endRequests->count() : 0;
}

MessageBoxes::UnsavedAnswer ask(MessageBoxes& messages, const Failures& failures,
                                bool offersElsewhere) {
    const QString question = retryQuestion(failures, offersElsewhere);
    if (offersElsewhere)
        return messages.askRetryQuitOrSaveElsewhere(question);
    return messages.show(MessageBoxes::Kind::RetryOrQuit, question)
               ? MessageBoxes::UnsavedAnswer::TryAgain
               : MessageBoxes::UnsavedAnswer::QuitWithoutSaving;
}

// True once the cookbook is saved in the folder the user chose; a cancelled
// choice, or a folder that cannot take it, leads back to the question.
bool savedElsewhere(const std::vector<Table*>& tables, MessageBoxes& messages,
                    FileDialogs& folders) {
    const std::optional<QString> folder =
        folders.chooseFolder(nullptr, QStringLiteral("Save the Cookbook in a Folder"));
    if (!folder)
        return false;
    try {
        saveCookbookCopy(tables, *folder);
    } catch (const Error& error) {
        messages.show(MessageBoxes::Kind::Failure, error.message());
        return false;
    }
    messages.show(MessageBoxes::Kind::Information,
                  QStringLiteral("The cookbook was saved in %1. To go on with it, start Savrona "
                                 "on that folder.")
                      .arg(*folder));
    return true;
}

// Records whose folder went since they were read are the only copy left:
// reopened on them, the table counts them as unwritten, so the close writes
// them or asks, even when no command changed them.
void keepRecordsOfAGoneFolder(Table& table) {
    if (!table.isOpen() || table.fileName().isEmpty() || !table.dataFolder() ||
        !table.dataFolder()->isGone())
        return;
    try {
        table.reload(table.fileName()); // a failure not yet told comes again at the close
    } catch (const Error&) {
        // The close below tries the table as it stands and tells what fails.
    }
}

} // namespace

void closeTablesForExit(const std::vector<Table*>& tables, MessageBoxes& messages,
                        FileDialogs* folders, const EndRequests* endRequests) {
    Failures failures;
    for (Table* table : tables)
        keepRecordsOfAGoneFolder(*table);
    for (Table* table : tables)
        writeNoting(table, failures, messages, &Table::close);
    while (!failures.empty()) {
        const int requestsBefore = endRequestsSoFar(endRequests);
        switch (ask(messages, failures, folders != nullptr)) {
        case MessageBoxes::UnsavedAnswer::QuitWithoutSaving:
            return;
        case MessageBoxes::UnsavedAnswer::SaveElsewhere:
            if (savedElsewhere(tables, messages, *folders))
                return;
            continue;
        case MessageBoxes::UnsavedAnswer::TryAgain:
            break;
        }
        for (Table* table : tables) {
            if (table->hasUnwrittenChanges())
                writeNoting(table, failures, messages, &Table::writeUnwrittenChanges);
        }
        if (endRequestsSoFar(endRequests) != requestsBefore)
            return;
    }
}

} // namespace savrona
