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

// The question as a request to end the program (a signal) finds it: the
// request closes the box, which answers Try Again as its Escape does, and may
// come when the cause of the failure is gone. Otherwise the user answers Try
// Again, and Quit Without Saving at the third question, so that a question
// asked for ever fails the test instead of hanging it.
class EndRequestedWhileAsked : public MessageBoxes, public EndRequests {
public:
    bool show(Kind kind, const QString&) override {
        if (kind != Kind::RetryOrQuit)
            return true;
        ++questions;
        if (questions == requestAtQuestion) {
            ++requests;
            if (mendWithRequest)
                mend();
        }
        return questions < 3;
    }
    int count() const override { return requests; }

    int requests = 0;
    int requestAtQuestion = 0;
    bool mendWithRequest = false;
    std::function<void()> mend;
    int questions = 0;
};

struct EndRequestCase {
    const char* name;
    int requestsBefore; // the close itself was asked for by a signal
    int requestAtQuestion;
    bool mendWithRequest;
    int questions;
    bool saved;
};

void PrintTo(const EndRequestCase& endCase, std::ostream* out) {
    *out << endCase.name;
}

class EndRequestDuringExit : public ::testing::TestWithParam<EndRequestCase> {};

TEST_P(EndRequestDuringExit, TriesOnceMoreThenQuits) {
    TestCookbook cookbook({{1, "Soups"}}, {{1, 1, "Broth", "", ""}});
    cookbook.recipes().insertRecord({2, 1, "Added before the disk filled"});
    const QString recipesPath = QDir(cookbook.folder()).filePath(recipesFileName);
    ASSERT_TRUE(QFile::remove(recipesPath));
    ASSERT_TRUE(QDir(cookbook.folder()).mkdir(recipesFileName)); // no file can replace it

    EndRequestedWhileAsked asked;
    asked.requests = GetParam().requestsBefore;
    asked.requestAtQuestion = GetParam().requestAtQuestion;
    asked.mendWithRequest = GetParam().mendWithRequest;
    asked.mend = [&] { ASSERT_TRUE(QDir(cookbook.folder()).rmdir(recipesFileName)); };
    closeTablesForExit({&cookbook.categories(), &cookbook.recipes()}, asked, nullptr, &asked);

    EXPECT_EQ(asked.questions, GetParam().questions);
    EXPECT_EQ(QFileInfo(recipesPath).isFile(), GetParam().saved);
    EXPECT_EQ(cookbook.recipes().hasUnwrittenChanges(), !GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, EndRequestDuringExit,
    ::testing::Values(EndRequestCase{"WhileAskedStillFailing", 0, 1, false, 1, false},
                      EndRequestCase{"WhileAskedMendedMeanwhile", 0, 1, true, 1, true},
                      EndRequestCase{"AtTheSecondQuestion", 0, 2, false, 2, false},
                      // Only a request while the question is shown answers it.
                      EndRequestCase{"BeforeTheQuestion", 1, 0, false, 3, false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
