// The tables' last close at exit: a write that fails is told, tried again on the
// user's word, and dropped only when the user chooses to quit without saving.
#include "cookbook/commands/ExitWrites.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "cookbook/TestCookbook.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

using namespace savrona;
using namespace savrona::testing;

namespace {

// Answers the Try Again / Quit Without Saving question from a list, and can
// mend the cause of the failure before it answers.
class ExitAnswers : public MessageBoxes {
public:
    bool show(Kind kind, const QString& text) override {
        if (kind != Kind::RetryOrQuit)
            return true;
        questions.append(text);
        const std::size_t asked = std::size_t(questions.size());
        if (mendBeforeAnswer == asked)
            mend();
        return asked <= answers.size() && answers[asked - 1];
    }

    std::vector<bool> answers; // true: Try Again
    std::size_t mendBeforeAnswer = 0;
    std::function<void()> mend;
    QStringList questions;
};

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

    ExitAnswers answers;
    answers.answers = GetParam().answers;
    answers.mendBeforeAnswer = GetParam().mendBeforeAnswer;
    answers.mend = [&] { ASSERT_TRUE(QDir(cookbook.folder()).rmdir(recipesFileName)); };
    closeTablesForExit({&cookbook.categories(), &cookbook.recipes()}, answers);

    ASSERT_EQ(answers.questions.size(), qsizetype(GetParam().answers.size()));
    EXPECT_TRUE(answers.questions[0].startsWith("Cannot create file recipes.xml: "))
        << answers.questions[0].toStdString();
    EXPECT_TRUE(answers.questions[0].contains("lose these changes"));
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
