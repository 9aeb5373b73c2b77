// The tables' last close at exit: a write that fails is told, tried again on the
// user's word, and dropped only when the user chooses to quit without saving.
#include "cookbook/commands/ExitWrites.h"
#include "cookbook/TestCookbook.h"
#include "data/initial-cookbook/TableDefinitions.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

struct ExitCase {
    const char* name;
    std::vector<bool> answers;
    std::size_t mendBeforeAnswer; // 0: the write keeps failing
    bool saved;
};

void PrintTo(const ExitCase& exitCase, std::ostream* out) {
    *out << exitCase.name;
}

class ClosingForExit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ClosingForExit, NeverDropsAFailedWriteWithoutTheUsersWord) {
    TestCookbook cookbook({{1, "Soups"}}, {{1, 1, "Broth", "", ""}});
    cookbook.recipes().insertRecord({2, 1, "Added before the disk filled"});
    const QString recipesPath = QDir(cookbook.folder()).filePath(recipesFileName);
    ASSERT_TRUE(QFile::remove(recipesPath));
    ASSERT_TRUE(QDir(cookbook.folder()).mkdir(recipesFileName)); // no file can replace it

    // The Try Again / Quit Without Saving question answered from the list,
    // Quit once it runs out; the cause of the failure mended before one answer.
    FakeMessageBoxes messages;
    messages.answers = {GetParam().answers.begin(), GetParam().answers.end()};
    messages.answer = false;
    messages.beforeAnswer = [&](const FakeMessageBoxes::Shown& box) {
        const auto asked = std::size_t(messages.textsOf(MessageBoxes::Kind::RetryOrQuit).size());
        if (box.kind == MessageBoxes::Kind::RetryOrQuit && asked == GetParam().mendBeforeAnswer) {
            ASSERT_TRUE(QDir(cookbook.folder()).rmdir(recipesFileName));
        }
    };
    closeTablesForExit({&cookbook.categories(), &cookbook.recipes()}, messages);

    const QStringList questions = messages.textsOf(MessageBoxes::Kind::RetryOrQuit);
    ASSERT_EQ(questions.size(), qsizetype(GetParam().answers.size()));
    EXPECT_TRUE(questions[0].startsWith("Cannot create file recipes.xml: "))
        << questions[0].toStdString();
    EXPECT_TRUE(questions[0].contains("lose these changes"));
    EXPECT_EQ(cookbook.fileExists(recipesFileName) && QFileInfo(recipesPath).isFile(),
              GetParam().saved);
    if (GetParam().saved) {
        EXPECT_TRUE(findRow(cookbook.rowsInFile(recipesFileName), 2, "Added before the disk filled")
                        .has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ClosingForExit,
                         ::testing::Values(ExitCase{"TryAgainOnceMended", {true}, 1, true},
                                           ExitCase{"TryAgainTwice", {true, true}, 2, true},
                                           ExitCase{"QuitWithoutSaving", {false}, 0, false},
                                           ExitCase{"TryAgainThenQuit", {true, false}, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
