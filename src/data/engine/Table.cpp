// Table's operations, each handed to its TableEngine.
#include "data/engine/Table.h"

#include "data/engine/TableEngine.h"

namespace savrona {

Table::Table(TableDefinition definition)
    : m_engine(std::make_unique<TableEngine>(std::move(definition))) {}

Table::~Table() = default;

const QString& Table::name() const {
    return m_engine->name();
}

void Table::setDataDirectory(const QString& folder) {
    m_engine->setDataFolder(DataFolder::atPath(folder));
}

void Table::setDataFolder(std::shared_ptr<const DataFolder> folder) {
    m_engine->setDataFolder(std::move(folder));
}

const std::shared_ptr<const DataFolder>& Table::dataFolder() const {
    return m_engine->dataFolder();
}

void Table::coupleWrites(std::shared_ptr<CoupledWrites> coupling) {
    m_engine->coupleWrites(std::move(coupling));
}

void Table::setFileName(const QString& fileName) {
    m_engine->setFileName(fileName);
}

const QString& Table::fileName() const {
    return m_engine->fileName();
}

void Table::open() {
    m_engine->open();
}

void Table::close() {
    m_engine->close();
}

bool Table::isOpen() const {
    return m_engine->isOpen();
}

std::optional<WriteError> Table::reload(const QString& fileName) {
    std::optional<WriteError> problem;
    // A table whose last opening failed is closed already.
    if (isOpen()) {
        setFiltered(false);
        problem = m_engine->closeWritingBehind();
    }
    setFileName(fileName);
    open();
    if (!problem)
        problem = m_engine->takeWriteFailure();
    return problem;
}

bool Table::hasUnwrittenChanges() const {
    return m_engine->hasUnwrittenChanges();
}

void Table::writeUnwrittenChanges() {
    m_engine->writeUnwrittenChanges();
}

void Table::writeCopyTo(const DataFolder& folder) {
    m_engine->writeCopyTo(folder);
}

void Table::waitForWrites() const {
    m_engine->waitForWrites();
}

bool Table::waitForWrites(std::chrono::milliseconds timeout) const {
    return m_engine->waitForWrites(timeout);
}

std::optional<WriteError> Table::takeWriteFailure() {
    return m_engine->takeWriteFailure();
}

void Table::setWriteFinishedHandler(std::function<void()> handler) {
    m_engine->setWriteFinishedHandler(std::move(handler));
}

void Table::setFilter(const QString& expression) {
    m_engine->setFilter(expression);
}

const QString& Table::filter() const {
    return m_engine->filter();
}

void Table::setFiltered(bool on) {
    m_engine->setFiltered(on);
}

bool Table::isFiltered() const {
    return m_engine->isFiltered();
}

int Table::recordCount() const {
    return m_engine->recordCount();
}

void Table::first() {
    m_engine->first();
}

void Table::next() {
    m_engine->next();
}

bool Table::eof() const {
    return m_engine->eof();
}

Value Table::fieldByName(const QString& fieldName) const {
    return m_engine->fieldByName(fieldName);
}

QString Table::textByName(const QString& fieldName) const {
    return m_engine->textByName(fieldName);
}

std::int32_t Table::integerByName(const QString& fieldName) const {
    return m_engine->integerByName(fieldName);
}

void Table::insertRecord(const std::vector<FieldInput>& values) {
    m_engine->insertRecord(values);
}

void Table::insertRecords(std::vector<Row> rows) {
    m_engine->insertRecords(std::move(rows));
}

void Table::edit() {
    m_engine->edit();
}

void Table::setFields(const std::vector<FieldInput>& values) {
    m_engine->setFields(values);
}

void Table::post() {
    m_engine->post();
}

void Table::deleteRecord() {
    m_engine->deleteRecord();
}

void Table::mergeChangeLog() {
    m_engine->mergeChangeLog();
}

void Table::takeMergedRows(std::vector<Row> rows, const std::optional<FileFingerprint>& fileRead,
                           bool sameAsFile) {
    m_engine->takeMergedRows(std::move(rows), fileRead, sameAsFile);
}

LastSeenFile Table::lastSeenFile() const {
    return m_engine->lastSeenFile();
}

bool Table::isChanged() const {
    return m_engine->isChanged();
}

const std::vector<FieldDefinition>& Table::fields() const {
    return m_engine->fields();
}

void Table::forEachRecord(const std::function<void(const Row&)>& visit) const {
    m_engine->forEachRecord(visit);
}

std::uint64_t Table::revision() const {
    return m_engine->revision();
}

std::optional<std::vector<RowChange>> Table::takeChanges() {
    return m_engine->takeChanges();
}

} // namespace savrona
