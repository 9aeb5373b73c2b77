// A table's life cycle (opening on its file or its kept records, writing on close), its
// filter, and the checks and messages of each record operation.
#include "data/engine/TableEngine.h"

#include "data/packets/PacketFormats.h"

#include <new>

namespace savrona {

TableEngine::TableEngine(TableDefinition definition)
    : m_name(std::move(definition.name)), m_indexFieldName(std::move(definition.indexFieldName)),
      m_folder(DataFolder::currentDirectory()), m_lastFields(std::move(definition.fields)) {
    if (definition.initialPacket) {
        m_keptRecords.emplace(std::move(*definition.initialPacket), m_indexFieldName);
        open();
    }
}

void TableEngine::fail(const QString& text) const {
    throwTableError(m_name, text);
}

RecordSet& TableEngine::openRecords() {
    if (!m_records)
        fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    return *m_records;
}

const RecordSet& TableEngine::openRecords() const {
    if (!m_records)
        fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    return *m_records;
}

RecordSet& TableEngine::browsingRecords() {
    RecordSet& records = openRecords();
    records.post();
    return records;
}

// --- Opening and closing ---------------------------------------------------

void TableEngine::setDataFolder(std::shared_ptr<const DataFolder> folder) {
    m_folder = std::move(folder);
    m_folderReplacementsAtOpening = m_folder->replacements();
    forgetLastSeenFile();
}

void TableEngine::coupleWrites(std::shared_ptr<CoupledWrites> coupling) {
    m_writer.waitUntilIdle();
    m_writer.setCoupling(std::move(coupling));
}

void TableEngine::setFileName(const QString& fileName) {
    if (fileName != m_fileName)
        forgetLastSeenFile();
    m_fileName = fileName;
}

// Another file from now on: what is being written goes to the old one first.
void TableEngine::forgetLastSeenFile() {
    m_writer.waitUntilIdle();
    m_writer.setLastSeenFile({});
    if (m_writerHasRecords && m_keptRecords && !m_writer.hasFailedWrite())
        m_keptRecordsFile = m_writer.fileWritten();
    m_writerHasRecords = m_writer.hasFailedWrite();
}

void TableEngine::open() {
    if (isOpen())
        return;
    m_openedFile.reset();
    if (m_writer.isConflicted())
        learnOfConflict();
    if (m_writerHasRecords && m_keptRecords && reopenOnRecordsHandedToWriter())
        return;
    if (staysOnOwnRecords()) {
        reopenOnOwnRecords();
        return;
    }
    m_writerHasRecords = false;
    if (!reopenOnReusableRecords())
        openOnDataFile();
    m_keptRecords.reset();
    m_keptRecordsFile.reset();
}

// The data last handed to the writer is newer than the file while it is
// being written, or when its write failed (then it counts as changed, so
// that the next close writes again), or when it went to a copy of the pair
// (told only once the writer is idle). Once written to the file, it stands
// in for the file as long as the file stays as written.
bool TableEngine::reopenOnRecordsHandedToWriter() {
    if (!m_writer.isIdle() || m_writer.hasFailedWrite() || m_writer.writesToConflictCopies()) {
        reopenOnOwnRecords();
        return true;
    }
    if (!m_keptRecordsFile)
        m_keptRecordsFile = m_writer.fileWritten();
    return false;
}

// Reopens on the kept records without looking at the file. While coupled
// tables write to the pair of conflict copies, the file is never read again:
// the records are the user's, and what the copies hold.
void TableEngine::reopenOnOwnRecords() {
    openOn(std::move(*m_keptRecords), m_writer.hasFailedWrite());
    m_keptRecords.reset();
    m_keptRecordsFile.reset();
}

// Coupled tables never read a file again once the pair is in conflict. A
// file changed since the kept records were read or written is read only once
// the coupled writes handed over before are decided: a conflict one of them
// is about to find keeps this table on its own records too, rather than
// mixing the other program's file into the user's cookbook.
bool TableEngine::staysOnOwnRecords() const {
    if (!m_keptRecords || m_fileName.isEmpty())
        return false;
    if (m_writer.writesToConflictCopies())
        return true;
    if (m_keptRecordsFile && identityOfFile(*m_folder, m_fileName) == m_keptRecordsFile->identity)
        return false;
    m_writer.waitForCoupledDecisions();
    return m_writer.writesToConflictCopies();
}

// Another program changed the file, and the table's data went to a copy
// beside it: once the writer has put everything there, the table reads the
// file as the other program left it. A copy that could not be written
// keeps the data, and the conflict, until it can.
void TableEngine::learnOfConflict() {
    m_writer.waitUntilIdle();
    if (m_writer.hasFailedWrite())
        return;
    m_writer.endConflict();
    m_writerHasRecords = false;
    m_keptRecords.reset();
    m_keptRecordsFile.reset();
}

// The file is read for its fingerprint only, a slice at a time: much cheaper
// than parsing it, and it never holds the file and the rows at once.
bool TableEngine::reopenOnReusableRecords() {
    if (!m_keptRecords || !m_keptRecordsFile || m_fileName.isEmpty())
        return false;
    // Another file, or one written since, needs no hash to tell.
    if (identityOfFile(*m_folder, m_fileName) != m_keptRecordsFile->identity)
        return false;
    const auto fingerprint = fingerprintDataFile(*m_folder, m_fileName);
    if (fingerprint != m_keptRecordsFile)
        return false;
    openOn(std::move(*m_keptRecords), false);
    m_openedFile = fingerprint;
    // The file the table wrote stays its own write.
    const LastSeenFile before = m_writer.lastSeenFile();
    m_writer.setLastSeenFile(
        {true, fingerprint, before.writtenByTable && before.file == fingerprint});
    return true;
}

// Running out of memory while a file is read is told with the file's name:
// the file is the likely cause (a huge or hostile one).
void TableEngine::openOnDataFile() {
    try {
        readDataFile();
    } catch (const std::bad_alloc&) {
        fail(QStringLiteral("There is not enough memory to read %1").arg(m_fileName));
    }
}

void TableEngine::readDataFile() {
    std::optional<DataFileContents> contents;
    // A large file whose first bytes open no packet is refused unread.
    const auto checkStart = [this](QByteArrayView firstBytes) {
        try {
            checkPacketStart(firstBytes);
        } catch (const Error& error) {
            fail(error.message());
        }
    };
    if (!m_fileName.isEmpty())
        contents = readDataFileContents(*m_folder, m_fileName, checkStart);
    if (contents) {
        FileFingerprint fingerprint{contents->identity, contents->contentHash};
        // The file's bytes go as they are parsed, before the rows are indexed.
        std::optional<Packet> packet = readPacketFromFile(std::move(contents->bytes));
        if (!packet) {
            // Let go of before the document turned out to need the whole
            // reader: read again for it, and for its exact message.
            contents = readDataFileContents(*m_folder, m_fileName);
            if (!contents)
                throw Error(QStringLiteral("Cannot open file %1").arg(m_fileName));
            fingerprint = FileFingerprint{contents->identity, contents->contentHash};
            packet = readWholePacketFromFile(std::move(contents->bytes));
        }
        contents.reset();
        ++m_fileReadings;
        openOn(RecordSet(std::move(*packet), m_indexFieldName), false);
        m_openedFile = fingerprint;
        m_writer.setLastSeenFile({true, fingerprint});
        return;
    }
    if (!m_keptRecords || (!m_keptRecordsServeMissingFile && !folderLostSinceLastOpening()))
        fail(QStringLiteral("Missing data provider or data packet"));
    if (!m_fileName.isEmpty())
        m_writer.setLastSeenFile({true, std::nullopt});
    // With a file name, the file is missing: the next close creates it.
    openOn(std::move(*m_keptRecords), !m_fileName.isEmpty());
}

std::optional<Packet> TableEngine::readPacketFromFile(QByteArray&& bytes) const {
    try {
        return readPacketLettingGo(std::move(bytes));
    } catch (const Error& error) {
        // The reader does not know which table it reads for; the user should.
        fail(error.message());
    }
}

Packet TableEngine::readWholePacketFromFile(QByteArray&& bytes) const {
    try {
        return readPacketInPlace(std::move(bytes));
    } catch (const Error& error) {
        fail(error.message());
    }
}

// The file is missing because its whole folder went: deleted, or deleted and
// made again since the last opening. The records in memory are then the only
// copy of the data, and stand in for the file until it is written again.
bool TableEngine::folderLostSinceLastOpening() const {
    return m_folder->isGone() || m_folder->replacements() != m_folderReplacementsAtOpening;
}

void TableEngine::openOn(RecordSet&& records, bool changed) {
    m_folderReplacementsAtOpening = m_folder->replacements();
    records.reopen();
    m_records.emplace(std::move(records));
    m_lastFields = m_records->fields();
    if (changed)
        m_records->markChanged();
    if (!m_filtered)
        return;
    try {
        m_records->showMatching(FilterExpression::parse(m_filterText, m_lastFields));
    } catch (const Error&) {
        // The text read against the fields of the last opening but not against
        // these; the table still opens, showing every record.
        m_filtered = false;
    }
}

void TableEngine::close() {
    std::optional<WriteError> failure = closeWritingBehind();
    m_writer.waitUntilIdle();
    if (auto latest = m_writer.takeFailure())
        failure = std::move(latest);
    if (failure)
        throw *failure;
}

std::optional<WriteError> TableEngine::closeWritingBehind() {
    if (!isOpen())
        return std::nullopt;
    m_records->post();
    const bool changed = m_records->isChanged();
    RecordSet records = std::move(*m_records);
    m_records.reset();
    m_keptRecordsFile.reset();
    m_keptRecordsServeMissingFile = true;
    if (m_fileName.isEmpty()) {
        m_keptRecords = std::move(records);
        return std::nullopt;
    }
    // A table coupled with one in conflict writes its copy of the pair even
    // without a change, so that the copies hold the whole cookbook.
    if (changed || m_writer.hasFailedWrite() || m_writer.owesConflictCopy()) {
        // The records go on from the snapshot; the writer writes it meanwhile.
        m_writer.write(records.snapshot(), m_folder, m_fileName);
        m_keptRecords = std::move(records);
        m_writerHasRecords = true;
    } else if (m_writerHasRecords) {
        // Like records read from the file: they never stand in for it.
        m_keptRecords = std::move(records);
        m_keptRecordsServeMissingFile = false;
    } else if (m_openedFile) {
        // Kept only to stand in for its file while the file stays as read.
        m_keptRecords = std::move(records);
        m_keptRecordsFile = m_openedFile;
        m_keptRecordsServeMissingFile = false;
    }
    return m_writer.takeFailure();
}

// The merged rows start a new line of revisions, as rows read from the file do; the
// records kept for a reopening are past.
void TableEngine::takeMergedRows(std::vector<Row> rows,
                                 const std::optional<FileFingerprint>& fileRead, bool sameAsFile) {
    std::vector<FieldDefinition> fields = openRecords().fields();
    std::optional<DataPacketXmlLayout> layout = m_records->layout();
    m_writer.waitUntilIdle();
    m_writer.resumeWritingFile({true, fileRead});
    m_records.reset();
    m_keptRecords.reset();
    m_keptRecordsFile.reset();
    m_writerHasRecords = false;
    ++m_fileReadings;
    openOn(
        RecordSet(Packet{std::move(fields), std::move(rows), std::move(layout)}, m_indexFieldName),
        !sameAsFile);
    m_openedFile = sameAsFile ? fileRead : std::nullopt;
}

bool TableEngine::hasUnwrittenChanges() const {
    if (m_writer.hasWorkLeft())
        return true;
    return m_records && !m_fileName.isEmpty() && m_records->isChanged();
}

void TableEngine::writeUnwrittenChanges() {
    if (isOpen() || !m_writer.hasFailedWrite())
        return;
    m_writer.retryFailedWrite();
    m_writer.waitUntilIdle();
    if (auto failure = m_writer.takeFailure())
        throw *failure;
}

void TableEngine::writeCopyTo(const DataFolder& folder) {
    if (m_fileName.isEmpty())
        return;
    if (!m_records && !m_keptRecords)
        open();
    RecordSet& records = m_records ? browsingRecords() : *m_keptRecords;
    writeTableFile(folder, m_fileName, records.snapshot());
}

// --- Filter ----------------------------------------------------------------

FilterExpression TableEngine::parseFilter(const QString& expression) const {
    return FilterExpression::parse(expression, openRecords().fields());
}

void TableEngine::setFilter(const QString& expression) {
    RecordSet& records = browsingRecords();
    if (m_filtered) {
        // A text that does not read is refused: the old filter stays.
        records.showMatching(parseFilter(expression));
    }
    m_filterText = expression;
}

void TableEngine::setFiltered(bool on) {
    if (!on) {
        m_filtered = false;
        if (isOpen())
            browsingRecords().showAll();
        return;
    }
    RecordSet& records = browsingRecords();
    records.showMatching(parseFilter(m_filterText));
    m_filtered = true;
}

// --- Moving ----------------------------------------------------------------

int TableEngine::recordCount() const {
    return static_cast<int>(openRecords().recordCount());
}

void TableEngine::first() {
    browsingRecords().first();
}

void TableEngine::next() {
    browsingRecords().next();
}

bool TableEngine::eof() const {
    return openRecords().eof();
}

// --- Reading ---------------------------------------------------------------

std::size_t TableEngine::fieldIndex(const QString& fieldName) const {
    const auto index = openRecords().fieldIndex(fieldName);
    if (!index)
        fail(QStringLiteral("Field '%1' not found").arg(fieldName));
    return *index;
}

TableEngine::CurrentValue TableEngine::currentValue(const QString& fieldName) const {
    const std::size_t index = fieldIndex(fieldName);
    const bool isMemo = m_records->fields()[index].type == FieldType::Memo;
    const Row* row = m_records->currentRow();
    const Value* value = row && !(*row)[index].isNull() ? &(*row)[index] : nullptr;
    return {value, isMemo};
}

Value TableEngine::fieldByName(const QString& fieldName) const {
    const auto [value, isMemo] = currentValue(fieldName);
    if (value)
        return *value;
    return isMemo ? Value::text(QByteArray("")) : Value();
}

// Reads in place rather than through fieldByName: a tree rebuild reads every
// title, and a copy would touch each text's shared header once more.
QString TableEngine::textByName(const QString& fieldName) const {
    const auto [value, isMemo] = currentValue(fieldName);
    if (!value && isMemo)
        return QString();
    if (!value)
        fail(QStringLiteral("Invalid variant type conversion"));
    return value->isInteger() ? QString::number(value->integer()) : value->toQString();
}

std::int32_t TableEngine::integerByName(const QString& fieldName) const {
    const auto [value, isMemo] = currentValue(fieldName);
    if (!value && !isMemo)
        fail(QStringLiteral("Invalid variant type conversion"));
    if (value && value->isInteger())
        return value->integer();
    const QByteArray text = value ? value->utf8() : QByteArray();
    bool valid = false;
    const std::int32_t number = text.trimmed().toInt(&valid, 10);
    if (!valid)
        fail(QStringLiteral("'%1' is not a valid integer value").arg(QString::fromUtf8(text)));
    return number;
}

// --- Writing ---------------------------------------------------------------

Value TableEngine::convertForField(const Value& value, const FieldDefinition& field) const {
    if (field.type == FieldType::Integer && value.isText()) {
        bool valid = false;
        const std::int32_t number = value.utf8().trimmed().toInt(&valid, 10);
        if (!valid)
            fail(QStringLiteral("'%1' is not a valid integer value").arg(value.toQString()));
        return Value::integer(number);
    }
    if (field.type != FieldType::Integer && value.isInteger())
        return Value::text(QByteArray::number(value.integer()));
    return value;
}

std::vector<std::optional<Value>>
TableEngine::convertInputs(const std::vector<FieldInput>& values,
                           const std::vector<FieldDefinition>& fields) const {
    if (values.size() > fields.size())
        fail(QStringLiteral("%1 values given for %2 fields").arg(values.size()).arg(fields.size()));
    std::vector<std::optional<Value>> converted;
    converted.reserve(values.size());
    for (std::size_t index = 0; index < values.size(); ++index) {
        if (values[index].isLeaveAlone())
            converted.emplace_back();
        else
            converted.emplace_back(convertForField(values[index].value(), fields[index]));
    }
    return converted;
}

void TableEngine::applyInputs(RecordSet& records, std::vector<std::optional<Value>> converted) {
    for (std::size_t index = 0; index < converted.size(); ++index) {
        if (converted[index])
            records.pendingValue(index) = std::move(*converted[index]);
    }
}

void TableEngine::setFields(const std::vector<FieldInput>& values) {
    RecordSet& records = openRecords();
    if (!records.isEditing())
        fail(QStringLiteral("Dataset not in edit or insert mode"));
    // Converted first, so that a refused value leaves the record as it was.
    applyInputs(records, convertInputs(values, records.fields()));
}

void TableEngine::insertRecord(const std::vector<FieldInput>& values) {
    RecordSet& records = browsingRecords();
    auto converted = convertInputs(values, records.fields());
    records.beginInsert();
    applyInputs(records, std::move(converted));
    records.post();
}

void TableEngine::insertRecords(std::vector<Row> rows) {
    RecordSet& records = browsingRecords();
    const std::vector<FieldDefinition>& fields = records.fields();
    // Converted first, so that a refused value adds none of the records.
    for (Row& row : rows) {
        if (row.size() > fields.size())
            fail(
                QStringLiteral("%1 values given for %2 fields").arg(row.size()).arg(fields.size()));
        for (std::size_t index = 0; index < row.size(); ++index) {
            const bool textForNumber =
                fields[index].type == FieldType::Integer && row[index].isText();
            const bool numberForText =
                fields[index].type != FieldType::Integer && row[index].isInteger();
            if (textForNumber || numberForText)
                row[index] = convertForField(row[index], fields[index]);
        }
    }
    records.addRows(std::move(rows));
}

void TableEngine::edit() {
    RecordSet& records = openRecords();
    if (!records.isEditing())
        records.beginEdit();
}

void TableEngine::post() {
    RecordSet& records = openRecords();
    if (!records.isEditing())
        fail(QStringLiteral("Dataset not in edit or insert mode"));
    records.post();
}

void TableEngine::deleteRecord() {
    RecordSet& records = browsingRecords();
    if (records.recordCount() == 0)
        fail(QStringLiteral("Cannot perform this operation on an empty dataset"));
    records.deleteCurrent();
}

void TableEngine::mergeChangeLog() {
    // Rows are always held merged: there is no log to empty.
    openRecords();
}

bool TableEngine::isChanged() const {
    return openRecords().isChanged();
}

const std::vector<FieldDefinition>& TableEngine::fields() const {
    return m_records ? m_records->fields() : m_lastFields;
}

void TableEngine::forEachRecord(const std::function<void(const Row&)>& visit) const {
    openRecords().forEachRow(visit);
}

std::uint64_t TableEngine::revision() const {
    return (m_fileReadings << 32) + openRecords().changeCount();
}

std::optional<std::vector<RowChange>> TableEngine::takeChanges() {
    if (!m_records) {
        m_fileReadingsAtLastTake.reset();
        return std::nullopt;
    }
    auto changes = m_records->journal().take();
    const bool sameRows = m_fileReadingsAtLastTake == m_fileReadings;
    m_fileReadingsAtLastTake = m_fileReadings;
    if (!sameRows)
        return std::nullopt;
    return changes;
}

} // namespace savrona
