// Finds the versions that arrived in the data folder, merges them with the tables' records,
// hands the merged rows to the tables and moves the merged conflict copies aside.
#include "cookbook/sharing/SharedFolder.h"

#include "cookbook/sharing/ConflictCopyNames.h"
#include "cookbook/sharing/CookbookMerge.h"
#include "data/Error.h"
#include "data/engine/Table.h"
#include "data/files/DataFolder.h"
#include "data/files/FolderEntries.h"
#include "data/files/TableWriter.h"
#include "data/packets/PacketFormats.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace savrona {

struct SharedFolder::TableVersion {
    std::vector<Row> rows;
    LastSeenFile seen;
};

// Ours and theirs of one data file, with the file the table is to count as seen.
struct SharedFolder::Arrival {
    std::vector<Row> ours;
    std::vector<Row> theirs;
    std::optional<FileFingerprint> theirsFile;
    std::int64_t oursModified = 0;
    std::int64_t theirsModified = 0;
    bool theirsAreTheTables = false; // the table read theirs itself
};

namespace {

// Where a version came from, as the titles of its conflict copies tell it: the time its file
// was written, which a sync engine carries along, so that every computer names it alike.
QString originOf(std::int64_t modifiedNanoseconds) {
    return QStringLiteral("from ") + QDateTime::fromMSecsSinceEpoch(modifiedNanoseconds / 1'000'000)
                                         .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

std::int64_t now() {
    return QDateTime::currentMSecsSinceEpoch() * 1'000'000;
}

std::int64_t idOf(const Row& row) {
    const Value& id = cell(row, 0);
    return id.isInteger() ? id.integer() : std::numeric_limits<std::int64_t>::min();
}

std::vector<Row> sortedById(std::vector<Row> rows) {
    std::ranges::stable_sort(rows, {}, idOf);
    return rows;
}

bool sameRows(const std::vector<Row>& first, const std::vector<Row>& second) {
    return first.size() == second.size() && sortedById(first) == sortedById(second);
}

std::vector<Row> rowsOf(const Table& table) {
    std::vector<Row> rows;
    table.forEachRecord([&](const Row& row) { rows.push_back(row); });
    return rows;
}

// The packet's rows with their values in the order of the table's fields, matched by name:
// a file another program wrote may order its fields otherwise, or lack some.
std::vector<Row> rowsInFieldOrder(Packet&& packet, const std::vector<FieldDefinition>& fields) {
    std::vector<std::optional<std::size_t>> source;
    bool sameOrder = packet.fields.size() == fields.size();
    for (std::size_t field = 0; field < fields.size(); ++field) {
        const auto found = std::ranges::find_if(packet.fields, [&](const FieldDefinition& other) {
            return other.name.compare(fields[field].name, Qt::CaseInsensitive) == 0;
        });
        source.push_back(found == packet.fields.end()
                             ? std::nullopt
                             : std::optional(std::size_t(found - packet.fields.begin())));
        sameOrder = sameOrder && source.back() == field;
    }
    if (sameOrder)
        return std::move(packet.rows);
    std::vector<Row> rows;
    rows.reserve(packet.rows.size());
    for (const Row& row : packet.rows) {
        Row ordered(fields.size());
        for (std::size_t field = 0; field < fields.size(); ++field)
            if (source[field] && *source[field] < row.size())
                ordered[field] = row[*source[field]];
        rows.push_back(std::move(ordered));
    }
    return rows;
}

// The rows of the base whose key a version holds too: a record the version lacks then
// counts as one it never saw rather than one it deleted, so that merging a version that
// may be older than the base (a conflict copy, an own version kept before) deletes nothing.
std::vector<Row> baseHeldBy(const std::vector<Row>& base, const std::vector<Row>& version,
                            std::size_t keyColumn) {
    QSet<QString> keys;
    for (const Row& row : version)
        keys.insert(cell(row, keyColumn).toQString());
    std::vector<Row> held;
    for (const Row& row : base)
        if (keys.contains(cell(row, keyColumn).toQString()))
            held.push_back(row);
    return held;
}

CookbookRows baseHeldBy(const CookbookRows& base, const CookbookRows& version) {
    return {baseHeldBy(base.categories, version.categories, categoryColumn::name),
            baseHeldBy(base.recipes, version.recipes, recipeColumn::title)};
}

void addTaken(TakenChanges& total, const TakenChanges& step) {
    total.added += step.added;
    total.changed += step.changed;
    total.deleted += step.deleted;
}

void addSummary(MergeSummary& total, const MergeSummary& step) {
    addTaken(total.theirs.recipes, step.theirs.recipes);
    addTaken(total.theirs.categories, step.theirs.categories);
    addTaken(total.ours.recipes, step.ours.recipes);
    addTaken(total.ours.categories, step.ours.categories);
    total.conflictCopies.insert(total.conflictCopies.end(), step.conflictCopies.begin(),
                                step.conflictCopies.end());
}

QString identityKey(const QString& fileName, const FileIdentity& identity) {
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(fileName)
        .arg(identity.device)
        .arg(identity.inode)
        .arg(identity.size)
        .arg(identity.modifiedNanoseconds);
}

} // namespace

SharedFolder::SharedFolder(Table& categories, Table& recipes, SharingState state)
    : m_categories(categories), m_recipes(recipes), m_state(std::move(state)) {}

std::shared_ptr<const DataFolder> SharedFolder::folder() const {
    return m_recipes.dataFolder();
}

bool SharedFolder::isUnreadable(const QString& fileName) const {
    const auto identity = identityOfFile(*folder(), fileName);
    return identity && m_unreadable.contains(identityKey(fileName, *identity));
}

void SharedFolder::markUnreadable(const QString& fileName) {
    if (const auto identity = identityOfFile(*folder(), fileName))
        m_unreadable.insert(identityKey(fileName, *identity));
}

QStringList SharedFolder::conflictCopiesWaiting() const {
    QStringList waiting;
    for (const ConflictCopyGroup& group : groupConflictCopies(
             fileNamesIn(*folder()), {m_categories.fileName(), m_recipes.fileName()}))
        for (const ConflictCopyName& copy : group.copies)
            if (!isUnreadable(copy.copyName))
                waiting.append(copy.copyName);
    return waiting;
}

bool SharedFolder::hasArrivals() const {
    for (const Table* table : {&m_categories, &m_recipes}) {
        const LastSeenFile seen = table->lastSeenFile();
        if (table->fileName().isEmpty() || !seen.known)
            continue;
        const auto identity = identityOfFile(*folder(), table->fileName());
        if (identity && (!seen.file || *identity != seen.file->identity) &&
            !isUnreadable(table->fileName()))
            return true;
        if (seen.file && !seen.writtenByTable && !table->hasUnwrittenChanges()) {
            const auto own = m_state.ownIdentity(table->fileName());
            if (own && *own != seen.file->identity)
                return true;
        }
    }
    return !conflictCopiesWaiting().isEmpty();
}

SharedFolder::TableVersion SharedFolder::versionOf(Table& table) const {
    return {rowsOf(table), table.lastSeenFile()};
}

std::vector<Row> SharedFolder::rowsFrom(Table& table, QByteArray&& bytes) const {
    return rowsInFieldOrder(readPacketInPlace(std::move(bytes)), table.fields());
}

// Nothing when the file is missing or empty.
std::optional<std::vector<Row>> SharedFolder::rowsKept(Table& table, const QString& path) const {
    try {
        auto contents = readDataFileContents(path, QFileInfo(path).fileName());
        if (!contents)
            return std::nullopt;
        return rowsFrom(table, std::move(contents->bytes));
    } catch (const Error&) {
        return std::nullopt;
    }
}

// Throws Error when the version that arrived cannot be read.
std::optional<SharedFolder::Arrival> SharedFolder::arrivalOf(Table& table,
                                                             const TableVersion& held) const {
    const QString& fileName = table.fileName();
    if (fileName.isEmpty() || !held.seen.known)
        return std::nullopt;
    const std::int64_t heldModified =
        held.seen.file ? held.seen.file->identity.modifiedNanoseconds : now();
    const auto identity = identityOfFile(*folder(), fileName);
    if (identity && (!held.seen.file || *identity != held.seen.file->identity)) {
        if (isUnreadable(fileName))
            return std::nullopt;
        auto contents = readDataFileContents(*folder(), fileName);
        if (!contents || (held.seen.file && contents->contentHash == held.seen.file->contentHash))
            return std::nullopt;
        const FileFingerprint read{contents->identity, contents->contentHash};
        return Arrival{held.rows,    rowsFrom(table, std::move(contents->bytes)), read,
                       heldModified, read.identity.modifiedNanoseconds,           false};
    }
    if (!held.seen.file || held.seen.writtenByTable || table.hasUnwrittenChanges())
        return std::nullopt;
    const auto own = m_state.ownIdentity(fileName);
    if (!own || *own == held.seen.file->identity)
        return std::nullopt;
    auto ownRows = rowsKept(table, m_state.ownPath(fileName));
    if (!ownRows)
        return std::nullopt;
    return Arrival{std::move(*ownRows),      held.rows,    held.seen.file,
                   own->modifiedNanoseconds, heldModified, true};
}

std::optional<FolderMergeReport> SharedFolder::mergeArrivals() {
    m_categories.waitForWrites();
    m_recipes.waitForWrites();
    if (!m_categories.isOpen() || !m_recipes.isOpen())
        return std::nullopt;
    const TableVersion categories = versionOf(m_categories);
    const TableVersion recipes = versionOf(m_recipes);
    std::optional<Arrival> categoriesArrival;
    std::optional<Arrival> recipesArrival;
    for (auto [table, held, arrival] : {std::tuple{&m_categories, &categories, &categoriesArrival},
                                        std::tuple{&m_recipes, &recipes, &recipesArrival}}) {
        try {
            *arrival = arrivalOf(*table, *held);
        } catch (const Error&) {
            // Half-synced or damaged: left alone until it changes.
            markUnreadable(table->fileName());
            return std::nullopt;
        }
    }

    FolderMergeReport report;
    CookbookRows base;
    CookbookVersion ours;
    CookbookVersion theirs;
    ours.rows = {categoriesArrival ? categoriesArrival->ours : categories.rows,
                 recipesArrival ? recipesArrival->ours : recipes.rows};
    theirs.rows = {categoriesArrival ? categoriesArrival->theirs : categories.rows,
                   recipesArrival ? recipesArrival->theirs : recipes.rows};
    const Arrival* first =
        recipesArrival ? &*recipesArrival : (categoriesArrival ? &*categoriesArrival : nullptr);
    const std::int64_t oursModified =
        first ? first->oursModified
              : (recipes.seen.file ? recipes.seen.file->identity.modifiedNanoseconds : now());
    ours.origin = originOf(oursModified);
    CookbookRows merged = ours.rows;
    if (first) {
        base = {rowsKept(m_categories, m_state.basePath(m_categories.fileName()))
                    .value_or(std::vector<Row>()),
                rowsKept(m_recipes, m_state.basePath(m_recipes.fileName()))
                    .value_or(std::vector<Row>())};
        // An own version may be older than the base: what it lacks was not deleted here.
        if (categoriesArrival && categoriesArrival->theirsAreTheTables)
            base.categories =
                baseHeldBy(base.categories, ours.rows.categories, categoryColumn::name);
        if (recipesArrival && recipesArrival->theirsAreTheTables)
            base.recipes = baseHeldBy(base.recipes, ours.rows.recipes, recipeColumn::title);
        theirs.origin = originOf(first->theirsModified);
        MergedCookbook step = mergeCookbooks(base, ours, theirs);
        addSummary(report.summary, step.summary);
        merged = std::move(step.rows);
        for (auto [table, arrival] :
             {std::pair{&m_categories, &categoriesArrival}, std::pair{&m_recipes, &recipesArrival}})
            if (*arrival)
                report.versionsMerged.append(table->fileName());
    }
    std::vector<ConflictCopyName> copiesMerged =
        mergeConflictCopies(base, theirs.rows, ours.origin, merged, report);
    if (!first && copiesMerged.empty())
        return std::nullopt;

    report.tablesChanged =
        adopt(m_categories, categories, categoriesArrival, std::move(merged.categories));
    report.tablesChanged = adopt(m_recipes, recipes, recipesArrival, std::move(merged.recipes)) ||
                           report.tablesChanged;
    keepBase(m_categories, categoriesArrival, categoryColumn::name);
    keepBase(m_recipes, recipesArrival, recipeColumn::title);
    for (const ConflictCopyName& copy : copiesMerged) {
        try {
            report.copiesMoved.append(
                moveIntoSubfolder(*folder(), copy.copyName, mergedCopiesFolderName));
        } catch (const Error&) {
            // Merged all the same; not merged again while it stays as it is.
            markUnreadable(copy.copyName);
        }
    }
    // The base has moved to theirs: so does the own version of a table that holds the file
    // as it is; the others' follows once they have written.
    keepOwnVersions();
    return report;
}

// Each group of copies in the order of their keys, so that every computer merges them alike.
std::vector<ConflictCopyName> SharedFolder::mergeConflictCopies(const CookbookRows& base,
                                                                const CookbookRows& onDisk,
                                                                const QString& ourOrigin,
                                                                CookbookRows& merged,
                                                                FolderMergeReport& report) {
    std::vector<ConflictCopyName> copiesMerged;
    for (const ConflictCopyGroup& group : groupConflictCopies(
             fileNamesIn(*folder()), {m_categories.fileName(), m_recipes.fileName()})) {
        CookbookVersion copy{onDisk, QString()};
        std::int64_t modified = 0;
        bool readable = true;
        for (const ConflictCopyName& name : group.copies) {
            if (isUnreadable(name.copyName)) {
                readable = false;
                break;
            }
            Table& table = name.dataFileName == m_categories.fileName() ? m_categories : m_recipes;
            try {
                auto contents = readDataFileContents(*folder(), name.copyName);
                if (!contents)
                    continue; // empty: nothing to merge
                modified = std::max(modified, contents->identity.modifiedNanoseconds);
                (&table == &m_categories ? copy.rows.categories : copy.rows.recipes) =
                    rowsFrom(table, std::move(contents->bytes));
            } catch (const Error&) {
                markUnreadable(name.copyName);
                readable = false;
                break;
            }
        }
        if (!readable)
            continue;
        copy.origin = originOf(modified);
        MergedCookbook step =
            mergeCookbooks(baseHeldBy(base, copy.rows), {merged, ourOrigin}, copy);
        addSummary(report.summary, step.summary);
        merged = std::move(step.rows);
        for (const ConflictCopyName& name : group.copies) {
            report.versionsMerged.append(name.copyName);
            copiesMerged.push_back(name);
        }
    }
    return copiesMerged;
}

// Theirs becomes the base, less the records the merge left out (deleted here): should a
// later version of theirs still hold one, it counts as theirs to keep, not as one to delete
// again. Two computers that disagree on a record then settle on keeping it.
void SharedFolder::keepBase(Table& table, const std::optional<Arrival>& arrival,
                            std::size_t keyColumn) {
    if (!arrival || !arrival->theirsFile)
        return;
    QSet<QString> kept;
    table.forEachRecord([&](const Row& row) { kept.insert(cell(row, keyColumn).toQString()); });
    std::vector<Row> base;
    for (const Row& row : arrival->theirs)
        if (kept.contains(cell(row, keyColumn).toQString()))
            base.push_back(row);
    if (base.size() == arrival->theirs.size())
        m_state.keepBase(*folder(), table.fileName(), arrival->theirsFile->identity);
    else
        m_state.keepBaseRows(table.fileName(), Packet{table.fields(), std::move(base)});
}

// Returns whether the table's records changed.
bool SharedFolder::adopt(Table& table, const TableVersion& held,
                         const std::optional<Arrival>& arrival, std::vector<Row> merged) {
    const bool changed = !sameRows(merged, held.rows);
    if (arrival && !arrival->theirsAreTheTables) {
        const bool sameAsFile = sameRows(merged, arrival->theirs);
        table.takeMergedRows(sameAsFile ? arrival->theirs : std::move(merged), arrival->theirsFile,
                             sameAsFile);
    } else if (changed) {
        table.takeMergedRows(std::move(merged), held.seen.file, false);
    }
    return changed;
}

void SharedFolder::keepOwnVersions() {
    for (Table* table : {&m_categories, &m_recipes}) {
        const QString& fileName = table->fileName();
        const LastSeenFile seen = table->lastSeenFile();
        if (fileName.isEmpty() || !seen.known || !seen.file || table->hasUnwrittenChanges() ||
            identityOfFile(*folder(), fileName) != seen.file->identity)
            continue;
        // The first version read here is the base until another computer's arrives.
        if (!QFileInfo::exists(m_state.basePath(fileName)))
            m_state.keepBase(*folder(), fileName, seen.file->identity);
        if (m_state.ownIdentity(fileName) != seen.file->identity)
            m_state.keepOwn(*folder(), fileName, seen.file->identity);
    }
}

} // namespace savrona
