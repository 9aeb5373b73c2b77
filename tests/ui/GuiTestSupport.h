#pragma once

#include "platform/seams/PlatformSeams.h"
#include "support/FakeSeams.h"
#include "support/TestRecords.h"
#include "ui/main-window/Unit1.h"
#include "ui/tree/CookbookTree.h"
#include "ui/tree/CookbookTreeView.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <vector>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace savrona::testing {

// Writes categories.xml and recipes.xml into folder.
void writeCookbookFiles(const QString& folder, const std::vector<CategoryRecord>& categories,
                        const std::vector<RecipeRecord>& recipes);

// The tree depth-first, one line a node, indented one blank per level.
QStringList treeLines(const CookbookTreeModel& tree);
TreeNode* findNode(const CookbookTreeModel& tree, const QString& text);

// A main window on a scratch data folder with every platform seam faked;
// the application's error box shows through the same fake message boxes.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TformMain& create();
    // Creates and shows the window and lets its first activation run.
    TformMain& start();
    TreeNode* node(const QString& text) { return findNode(window->cookbookTree(), text); }
    // Selects the node as a click in the tree does, and runs the selection switch.
    void select(const QString& text);
    // A field of a recipe's stored record, read the way the commands read it.
    std::optional<QString> storedField(const QString& title, const QString& field);
    QString statusText() const;
    // Waits for both tables' writes behind and lets their reports run.
    void waitForWrites();

    QTemporaryDir folder;
    FakePlatform fake;
    std::unique_ptr<TformMain> window;
};

// The texts of the import's summary, as answerSummary saw them.
struct SummaryTexts {
    QString question;
    QString counts;
    QString details;
};

// Presses a button of the import's summary once it is up (the reading runs first).
void answerSummary(const char* buttonName, QString* question = nullptr,
                   SummaryTexts* texts = nullptr);

// A small cookbook: three categories, recipes in two of them, one recipe
// whose category is missing; and moreRecipes after them.
void writeSmallCookbook(const QString& folder, const std::vector<RecipeRecord>& moreRecipes = {});

} // namespace savrona::testing
