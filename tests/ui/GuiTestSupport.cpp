#include "ui/GuiTestSupport.h"

#include "ui/MainWindowAssembly.h"
#include "ui/exchange/ImportSummaryDialog.h"

#include "platform/SavronaApplication.h"

#include "data/engine/Lookups.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTimer>

namespace savrona::testing {

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

void appendLines(const TreeNode& node, int depth, QStringList& lines) {
    lines.append(QString(depth, QLatin1Char(' ')) + node.text);
    for (const auto& child : node.children)
        appendLines(*child, depth + 1, lines);
}

TreeNode* find(TreeNode& node, const QString& text) {
    if (node.text == text)
        return &node;
    for (const auto& child : node.children)
        if (TreeNode* found = find(*child, text))
            return found;
    return nullptr;
}

SavronaApplication* application() {
    return static_cast<SavronaApplication*>(QCoreApplication::instance());
}

} // namespace

void writeCookbookFiles(const QString& folder, const std::vector<CategoryRecord>& categories,
                        const std::vector<RecipeRecord>& recipes) {
    const Packet categoryPacket{categoriesTableDefinition().fields, categoryTableRows(categories)};
    const Packet recipePacket{recipesTableDefinition().fields, recipeTableRows(recipes)};
    writeFile(QDir(folder).filePath(categoriesFileName), writeXmlPacket(categoryPacket));
    writeFile(QDir(folder).filePath(recipesFileName), writeXmlPacket(recipePacket));
}

void writeSmallCookbook(const QString& folder, const std::vector<RecipeRecord>& moreRecipes) {
    std::vector<RecipeRecord> recipes{
        {10, 1, QString("Zucchini bites"), "2 zucchini\r\nsalt", "Slice.\r\nBake."},
        {4, 3, QString("Tomato soup"), "Tomatoes", "Simmer."},
        {11, 1, QString("Cheese puffs"), "Cheese", "Puff."},
        {12, 3, QString("Grandma's stew"), "Beef", "Stew."},
        {40, 99, QString("Lost recipe"), "", ""}};
    recipes.insert(recipes.end(), moreRecipes.begin(), moreRecipes.end());
    writeCookbookFiles(folder, {{3, "Soups"}, {1, "Appetizers"}, {7, "Breads"}}, recipes);
}

// Presses a button of the import's summary once it is up (the reading runs
// first).
void answerSummary(const char* buttonName, QString* question, SummaryTexts* texts) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, buttonName, question, texts] {
        auto* summary = qobject_cast<ImportSummaryDialog*>(QApplication::activeModalWidget());
        if (summary == nullptr)
            return;
        poll->deleteLater();
        poll->stop();
        if (question)
            *question = summary->text();
        if (texts) {
            texts->counts = summary->informativeText();
            texts->details = summary->detailedText();
        }
        for (QAbstractButton* button : summary->buttons())
            if (button->text() == QString::fromUtf8(buttonName))
                button->click();
    });
    poll->start(10);
}

QStringList treeLines(const CookbookTreeModel& tree) {
    QStringList lines;
    if (tree.root() != nullptr)
        appendLines(*tree.root(), 0, lines);
    return lines;
}

TreeNode* findNode(const CookbookTreeModel& tree, const QString& text) {
    return tree.root() != nullptr ? find(*tree.root(), text) : nullptr;
}

void MainWindowTest::SetUp() {
    ASSERT_TRUE(folder.isValid());
    application()->setMessageBoxes(&fake.messages);
}

void MainWindowTest::TearDown() {
    window.reset();
    application()->setMessageBoxes(nullptr);
}

TformMain& MainWindowTest::create() {
    window = createMainWindow(fake.platform, folder.path());
    return *window;
}

TformMain& MainWindowTest::start() {
    create();
    window->show();
    QCoreApplication::processEvents();
    return *window;
}

void MainWindowTest::waitForWrites() {
    window->dataSetCategories->waitForWrites();
    window->dataSetRecipes->waitForWrites();
    QCoreApplication::processEvents();
}

QString MainWindowTest::statusText() const {
    return window->statusPanel->text();
}

void MainWindowTest::select(const QString& text) {
    TreeNode* found = node(text);
    ASSERT_NE(found, nullptr) << text.toStdString();
    window->selectNode(found);
    window->treeCategoriesChange(found);
}

std::optional<QString> MainWindowTest::storedField(const QString& title, const QString& field) {
    Table& recipes = *window->dataSetRecipes;
    recipes.setFilter(lookup::recipeByTitle(title));
    recipes.setFiltered(true);
    std::optional<QString> value;
    if (recipes.recordCount() > 0)
        value = recipes.textByName(field);
    recipes.setFiltered(false);
    return value;
}

} // namespace savrona::testing
