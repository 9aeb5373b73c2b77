// A signal while the exit asks Try Again / Quit Without Saving: the real box is closed
// from the event loop, the writes are tried once more, and the program goes on to its
// end instead of asking again.
#include "platform/TerminationRequests.h"

#include "cookbook/TestCookbook.h"
#include "cookbook/commands/ExitWrites.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "platform/QtMessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace savrona::testing {
namespace {

// Watches the message boxes while the exit runs: raises SIGTERM when the
// first question shows, counts the questions, and after ten seconds answers
// Quit Without Saving, so that a question that stays fails the test instead
// of hanging it.
class QuestionWatch {
public:
    QuestionWatch() {
        m_clock.start();
        QObject::connect(&m_poll, &QTimer::timeout, [this] { look(); });
        m_poll.start(20);
    }

    int questions = 0;
    bool answeredByTheWatch = false;

private:
    void look() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        if (!box->property("seen").toBool()) {
            box->setProperty("seen", true);
            if (++questions == 1)
                std::raise(SIGTERM);
        }
        if (m_clock.elapsed() < 10'000)
            return;
        answeredByTheWatch = true;
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == "&Quit Without Saving")
                button->click();
        }
    }

    QTimer m_poll;
    QElapsedTimer m_clock;
};

TEST(TerminationRequests, SignalWhileTheExitAsksTriesOnceMoreThenQuits) {
    TestCookbook cookbook({{1, "Soups"}}, {{1, 1, "Broth", "", ""}});
    cookbook.recipes().insertRecord({2, 1, "Added before the disk filled"});
    const QString recipesPath = QDir(cookbook.folder()).filePath(recipesFileName);
    ASSERT_TRUE(QFile::remove(recipesPath));
    ASSERT_TRUE(QDir(cookbook.folder()).mkdir(recipesFileName)); // no file can replace it

    // Wired as the program wires it; the main window is closed by now.
    QWidget mainWindow;
    TerminationRequests termination;
    QObject::connect(&termination, &TerminationRequests::requested, &mainWindow,
                     [&] { TerminationRequests::closeWindows(mainWindow); });
    QtMessageBoxes messages;
    QuestionWatch watch;
    closeTablesForExit({&cookbook.categories(), &cookbook.recipes()}, messages, nullptr,
                       &termination);

    EXPECT_EQ(watch.questions, 1);
    EXPECT_FALSE(watch.answeredByTheWatch);
    EXPECT_EQ(termination.count(), 1);
    EXPECT_FALSE(QFileInfo(recipesPath).isFile());
}

} // namespace
} // namespace savrona::testing
