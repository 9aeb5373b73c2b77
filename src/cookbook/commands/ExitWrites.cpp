// Closes the tables at exit and asks Try Again / Quit Without Saving while a write
// fails, until the user or a request to end the program answers.
#include "cookbook/commands/ExitWrites.h"

#include "data/Error.h"

#include <QStringList>

#include <map>

namespace savrona {

namespace {

const QString lineBreak = QStringLiteral("\r");

// The failed writes by table, their messages kept for the question.
using Failures = std::map<Table*, WriteError>;

QString failureLine(const WriteError& failure) {
    const QString message = failure.message();
    if (failure.reason().isEmpty() || message.contains(QLatin1Char(':')))
        return message + QLatin1Char('.');
    return message + QStringLiteral(": ") + failure.reason() + QLatin1Char('.');
}

QString retryQuestion(const Failures& failures) {
    QStringList lines;
    for (const auto& [table, failure] : failures)
        lines.append(failureLine(failure));
    lines.append(QStringLiteral("Your latest changes to the cookbook are not saved."));
    lines.append(QStringLiteral("Choose Try Again once the problem is solved, or Quit Without "
                                "Saving to end Savrona and lose these changes."));
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

} // namespace

void closeTablesForExit(const std::vector<Table*>& tables, MessageBoxes& messages,
                        const EndRequests* endRequests) {
    Failures failures;
    for (Table* table : tables)
        writeNoting(table, failures, messages, &Table::close);
    while (!failures.empty()) {
        const int requestsBefore = endRequestsSoFar(endRequests);
        if (!messages.show(MessageBoxes::Kind::RetryOrQuit, retryQuestion(failures)))
            return;
        for (Table* table : tables) {
            if (table->hasUnwrittenChanges())
                writeNoting(table, failures, messages, &Table::writeUnwrittenChanges);
        }
        if (endRequestsSoFar(endRequests) != requestsBefore)
            return;
    }
}

} // namespace savrona
