// Every command of the main window timed from the click to the updated tree
// (and, for a command with a dialog, from the dialog's OK), to the window
// painted after it, and to its change on disk, on a real main window under the offscreen platform,
// with message boxes and dialogs answered as a user would; start-up to the painted tree; and the
// process's peak memory against the size of the two data files.
//
// bench_commands <folder>: the folder holds a cookbook that
// savrona-generate-cookbook wrote; the commands run on a copy of it. Prints
// one line "figure|value" per figure (milliseconds, medians), which
// scripts/perf-report.sh puts together into one table for both sizes. One
// cookbook per process, so that the peak memory is that cookbook's.
#include "BenchSupport.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "ui/MainWindowAssembly.h"
#include "ui/dialogs/Unit3.h"
#include "ui/dialogs/Unit5.h"
#include "ui/dialogs/Unit6.h"
#include "ui/main-window/Unit1.h"
#include "ui/tree/CookbookTree.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace savrona;

double peakMemoryMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// A copy just made is still being written to disk by the kernel; a user's
// cookbook is not, and the commands' own flushes should not wait for it.
void flushToDisk(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || ::fsync(file.handle()) != 0)
        qFatal("Cannot flush %s", qPrintable(path));
}

// One cookbook in a scratch folder, its main window and its dialogs.
class CookbookUnderTest {
public:
    explicit CookbookUnderTest(const QString& source) {
        const QDir folder(m_folder.path());
        for (const QString& name : {categoriesFileName, recipesFileName}) {
            if (!QFile::copy(QDir(source).filePath(name), folder.filePath(name)))
                qFatal("Cannot copy %s from %s", qPrintable(name), qPrintable(source));
            flushToDisk(folder.filePath(name));
            m_fileMegabytes += double(QFileInfo(folder.filePath(name)).size()) / (1024.0 * 1024.0);
        }
    }

    // From creating the window to the tree built and painted.
    double startUp() {
        QElapsedTimer timer;
        timer.start();
        m_window = savrona::createMainWindow(m_seams.platform(), m_folder.path());
        m_window->show();
        while (m_window->cookbookTree().nodeCount() <= 1 || m_window->isRebuilding())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        m_window->repaint();
        return double(timer.nsecsElapsed()) / 1e6;
    }

    TformMain& window() { return *m_window; }
    double fileMegabytes() const { return m_fileMegabytes; }

    TreeNode* categoryNode(int number) {
        auto& children = m_window->cookbookTree().root()->children;
        return children[std::size_t(number) % children.size()].get();
    }

    // A category node with at least one recipe.
    TreeNode* recipeNode(int number) {
        for (int step = 0;; ++step) {
            TreeNode* category = categoryNode(number + step);
            if (!category->children.empty())
                return category->children.front().get();
        }
    }

    void select(TreeNode* node) {
        m_window->selectNode(node);
        QCoreApplication::processEvents();
    }

private:
    QTemporaryDir m_folder;
    double m_fileMegabytes = 0;
    BenchSeams m_seams;
    std::unique_ptr<TformMain> m_window;
};

// The clock of the command being timed, and when its dialog's OK was clicked
// on it (-1 while no dialog was answered).
QElapsedTimer commandClock;
qint64 dialogAnsweredAt = -1;

// Fills in the next dialog that opens, once it is up, and clicks its OK.
void answerNextDialog(const std::function<void()>& fillIn,
                      const std::function<QPushButton*()>& okButton) {
    QTimer::singleShot(0, [fillIn, okButton] {
        fillIn();
        dialogAnsweredAt = commandClock.nsecsElapsed();
        okButton()->click();
    });
}

struct CommandTimes {
    double toTree;      // from the click to the updated tree
    double afterDialog; // from the dialog's OK to the updated tree; -1 without a dialog
    double painted;     // from the click to the window painted as the command left it
    double onDisk;      // from the click until both tables' writes behind have ended
};

double millisecondsSince(qint64 nanoseconds) {
    return double(commandClock.nsecsElapsed() - nanoseconds) / 1e6;
}

CommandTimes timeCommand(TformMain& window, const std::function<void()>& command) {
    dialogAnsweredAt = -1;
    commandClock.start();
    command();
    CommandTimes times{};
    times.toTree = millisecondsSince(0);
    times.afterDialog = dialogAnsweredAt < 0 ? -1 : millisecondsSince(dialogAnsweredAt);
    // The window's paint was asked for while the command ran; it comes next.
    QCoreApplication::processEvents();
    times.painted = millisecondsSince(0);
    window.dataSetCategories->waitForWrites();
    window.dataSetRecipes->waitForWrites();
    times.onDisk = millisecondsSince(0);
    return times;
}

struct Figure {
    const char* name;
    std::function<void(CookbookUnderTest&, int round)> prepare; // not timed
    std::function<void(CookbookUnderTest&, int round)> command; // timed
};

std::vector<Figure> figures() {
    return {
        {"Add Recipe",
         [](CookbookUnderTest& cookbook, int round) {
             cookbook.select(cookbook.categoryNode(round));
             TformMain& window = cookbook.window();
             window.Edit1->setText(QStringLiteral("Benchmark Bake %1").arg(round));
             window.Memo1->setPlainText(QStringLiteral("1 cup flour\n2 eggs"));
             window.Memo2->setPlainText(QStringLiteral("Mix and bake."));
         },
         [](CookbookUnderTest& cookbook, int) { cookbook.window().Button1Click(); }},
        {"Delete Recipe",
         [](CookbookUnderTest& cookbook, int round) {
             cookbook.select(cookbook.recipeNode(round * 7 + 1));
         },
         [](CookbookUnderTest& cookbook, int) { cookbook.window().Deleterecipe1Click(); }},
        {"Save Changes + next rebuild",
         [](CookbookUnderTest& cookbook, int round) {
             cookbook.select(cookbook.recipeNode(round * 5 + 2));
             cookbook.window().Memo2->setPlainText(
                 QStringLiteral("Stir well, round %1.").arg(round));
         },
         [](CookbookUnderTest& cookbook, int) {
             cookbook.window().Button2Click();
             cookbook.window().RefreshCookbookTree();
         }},
        {"Add category",
         [](CookbookUnderTest& cookbook, int) { cookbook.select(cookbook.categoryNode(0)); },
         [](CookbookUnderTest& cookbook, int round) {
             answerNextDialog(
                 [round] {
                     formAddNewCategory->editCategoryName->setText(
                         QStringLiteral("Benchmark Category %1").arg(round));
                 },
                 [] { return formAddNewCategory->Button1; });
             cookbook.window().Addnewcategory1Click();
         }},
        {"Rename category",
         [](CookbookUnderTest& cookbook, int round) {
             cookbook.select(cookbook.categoryNode(round * 3 + 1));
         },
         [](CookbookUnderTest& cookbook, int round) {
             answerNextDialog(
                 [round] {
                     formEditCategory->editCategoryName->setText(
                         QStringLiteral("Renamed Category %1").arg(round));
                 },
                 [] { return formEditCategory->Button1; });
             cookbook.window().Editcategory1Click();
         }},
        {"Move a recipe",
         [](CookbookUnderTest& cookbook, int round) {
             cookbook.select(cookbook.recipeNode(round * 11 + 3));
         },
         [](CookbookUnderTest& cookbook, int round) {
             answerNextDialog(
                 [round] {
                     QComboBox* box = formChangeCategory->ComboBox;
                     box->setCurrentIndex((round * 13 + 5) % box->count());
                 },
                 [] { return formChangeCategory->Button1; });
             cookbook.window().ChangeCategory1Click();
         }},
        {"Delete category",
         [](CookbookUnderTest& cookbook, int round) {
             cookbook.select(cookbook.categoryNode(round * 17 + 4));
         },
         [](CookbookUnderTest& cookbook, int) { cookbook.window().Deletecategory1Click(); }},
    };
}

void printFigure(const char* name, double value) {
    std::printf("%s|%.1f\n", name, value);
    std::fflush(stdout);
}

// The commands run first, on one start-up, so that the peak memory is that of
// one start-up and every command; the start-ups timed after them each read
// the cookbook afresh.
void run(const QString& source, int rounds) {
    {
        CookbookUnderTest cookbook(source);
        cookbook.startUp();
        for (const Figure& figure : figures()) {
            std::vector<double> times, afterDialog, painted, onDisk;
            for (int round = 0; round < rounds; ++round) {
                figure.prepare(cookbook, round);
                // A user clicks on a window at rest: the preparation's own
                // repaint happens before the clock starts, not inside a
                // command's dialog.
                QCoreApplication::processEvents();
                const CommandTimes command =
                    timeCommand(cookbook.window(), [&] { figure.command(cookbook, round); });
                times.push_back(command.toTree);
                if (command.afterDialog >= 0)
                    afterDialog.push_back(command.afterDialog);
                painted.push_back(command.painted);
                onDisk.push_back(command.onDisk);
            }
            const std::string name = figure.name;
            printFigure(name.c_str(), median(times));
            if (!afterDialog.empty())
                printFigure((name + ", after its dialog").c_str(), median(afterDialog));
            printFigure((name + ", painted").c_str(), median(painted));
            printFigure((name + ", on disk").c_str(), median(onDisk));
        }
        // A burst: commands one after another, written behind one another.
        const Figure addRecipe = figures().front();
        QElapsedTimer burst;
        burst.start();
        constexpr int burstCommands = 20;
        for (int round = 0; round < burstCommands; ++round) {
            addRecipe.prepare(cookbook, 1000 + round);
            addRecipe.command(cookbook, 1000 + round);
        }
        const double burstToTree = double(burst.nsecsElapsed()) / 1e6;
        cookbook.window().dataSetCategories->waitForWrites();
        cookbook.window().dataSetRecipes->waitForWrites();
        printFigure("burst of 20 Add Recipe, per command", burstToTree / burstCommands);
        printFigure("burst of 20 Add Recipe, all on disk", double(burst.nsecsElapsed()) / 1e6);
        printFigure("data files (MB)", cookbook.fileMegabytes());
        printFigure("peak memory (MB)", peakMemoryMegabytes());
        printFigure("peak memory / data files", peakMemoryMegabytes() / cookbook.fileMegabytes());
        std::fprintf(stderr, "tree: %d nodes; status bar: %s\n",
                     cookbook.window().cookbookTree().nodeCount(),
                     qPrintable(cookbook.window().statusPanel->text()));
    }
    std::vector<double> startUps;
    for (int round = 0; round < rounds; ++round) {
        CookbookUnderTest cookbook(source);
        startUps.push_back(cookbook.startUp());
    }
    printFigure("start-up to painted tree (in process)", median(startUps));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_commands <cookbook folder>\n");
        return 2;
    }
    const int rounds = qEnvironmentVariableIsSet("SAVRONA_BENCH_ROUNDS")
                           ? qEnvironmentVariableIntValue("SAVRONA_BENCH_ROUNDS")
                           : 5;
    run(QString::fromLocal8Bit(argv[1]), std::max(1, rounds));
    return 0;
}
