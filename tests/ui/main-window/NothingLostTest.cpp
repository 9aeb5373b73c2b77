// The main window loses nothing the user gave it: a failed write leaves the
// cookbook shown and waiting to be written (its folder deleted too, until it
// is made again or the cookbook is saved elsewhere), an export keeps off the
// lock file, a kill's leftovers go at the next start, the boxes pass texts on
// unchanged,
// a record with the greatest ID is named, and a signal closes the window the
// normal way.
#include "ui/GuiTestSupport.h"

#include "cookbook/commands/ExitWrites.h"
#include "data/engine/Lookups.h"
#include "data/files/DataFolder.h"
#include "data/files/LeftoverFiles.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"
#include "platform/TerminationRequests.h"
#include "ui/dialogs/Unit3.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <functional>
#include <utility>

namespace savrona::testing {
namespace {

class NothingLost : public MainWindowTest {
protected:
    QString recipesPath() const { return folder.filePath(recipesFileName); }
};

TEST_F(NothingLost, FailedWriteStillShowsTheCookbookAndIsTriedAgain) {
    writeSmallCookbook(folder.path());
    start();
    ASSERT_TRUE(QFile::remove(recipesPath()));
    ASSERT_TRUE(QDir(folder.path()).mkdir(recipesFileName)); // no file can replace it

    select("Breads");
    window->Edit1->setText("Rye loaf");
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    waitForWrites();
    EXPECT_EQ(fake.messages.texts(), QStringList{"Cannot create file recipes.xml."});
    EXPECT_NE(node("Rye loaf"), nullptr);
    EXPECT_EQ(statusText(), "3 Categories with 6 recipes");
    EXPECT_TRUE(window->dataSetRecipes->hasUnwrittenChanges());

    // The next command's rebuild writes it, once a file can be written.
    ASSERT_TRUE(QDir(folder.path()).rmdir(recipesFileName));
    fake.messages.shown.clear();
    select("Soups");
    window->Edit1->setText("Pea soup");
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    waitForWrites();
    EXPECT_TRUE(fake.messages.shown.empty()) << fake.messages.texts().join('|').toStdString();
    EXPECT_FALSE(window->dataSetRecipes->hasUnwrittenChanges());
    QFile file(recipesPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_TRUE(written.contains("Rye loaf") && written.contains("Pea soup"));
}

// What the user answers at exit while a write fails, and what the folder
// dialog chooses.
class ExitAnswers : public MessageBoxes, public FileDialogs {
public:
    bool show(Kind kind, const QString& text) override {
        told.append(text);
        return kind != Kind::RetryOrQuit || answer == UnsavedAnswer::TryAgain;
    }
    UnsavedAnswer askRetryQuitOrSaveElsewhere(const QString& text) override {
        questions.append(text);
        if (mendBeforeAnswer)
            std::exchange(mendBeforeAnswer, {})();
        return questions.size() > 3 ? UnsavedAnswer::QuitWithoutSaving : answer;
    }
    QStringList chooseFilesToOpen(QWidget*, const QString&, const QStringList&) override {
        return {};
    }
    std::optional<SaveChoice> chooseFileToSave(QWidget*, const QString&, const QString&,
                                               const QStringList&) override {
        return std::nullopt;
    }
    std::optional<QString> chooseFolder(QWidget*, const QString&) override { return folder; }

    UnsavedAnswer answer = UnsavedAnswer::TryAgain;
    std::function<void()> mendBeforeAnswer;
    std::optional<QString> folder;
    QStringList questions;
    QStringList told;
};

class AnsweringSaveDialog : public SaveFileDialog {
public:
    std::optional<QString> chooseFile(QWidget*, const QString&, const SaveFileType&) override {
        return answer;
    }
    std::optional<QString> answer;
};

// A file as a case leaves it: gone, holding exactly some bytes, or a whole
// data packet of so many rows holding a text.
struct OnDisk {
    bool elsewhere; // in the folder chosen at exit, not the cookbook's
    QString name;
    enum class State { Absent, Bytes, Packet } state;
    QByteArray bytes; // Bytes: the whole file; Packet: a text it holds
    std::size_t rows = 0;
};

OnDisk absent(const QString& name, bool elsewhere = false) {
    return {elsewhere, name, OnDisk::State::Absent, {}};
}
OnDisk holding(const QString& name, const QByteArray& bytes) {
    return {false, name, OnDisk::State::Bytes, bytes};
}
OnDisk packet(const QString& name, std::size_t rows, const QByteArray& text,
              bool elsewhere = false) {
    return {elsewhere, name, OnDisk::State::Packet, text, rows};
}

class FolderFaults;

struct FolderFault {
    const char* name;
    std::function<void(FolderFaults&)> act;
    std::vector<OnDisk> afterwards;
};

void PrintTo(const FolderFault& fault, std::ostream* out) {
    *out << fault.name;
}

// A deleted folder, the lock file and a kill's leftovers, each checked on disk.
class FolderFaults : public NothingLost, public ::testing::WithParamInterface<FolderFault> {
public:
    using MainWindowTest::fake;
    using MainWindowTest::folder;
    using MainWindowTest::select;
    using MainWindowTest::start;
    using MainWindowTest::window;

    // The folder removed from outside while the window runs, then a category
    // and a recipe added: each command's box says the folder is gone, once,
    // though the second fails both tables' writes; and the tree still shows
    // the cookbook in memory.
    void deleteTheFolderAndChangeTheCookbook() {
        const QString path = QFileInfo(folder.path()).canonicalFilePath();
        const QStringList oneBox{
            QStringLiteral("The cookbook's folder %1 is gone (moved or deleted). Your recipes "
                           "are safe in memory: make the folder again, or choose File, Exit and "
                           "save them elsewhere.")
                .arg(path)};
        ASSERT_TRUE(QDir(folder.path()).removeRecursively());
        select("Breads");
        QTimer::singleShot(0, formAddNewCategory, [] {
            formAddNewCategory->editCategoryName->setText("Pies");
            formAddNewCategory->Button1->click();
        });
        window->Addnewcategory1Click();
        waitForWrites();
        EXPECT_EQ(fake.messages.texts(), oneBox);

        fake.messages.shown.clear();
        select("Breads");
        window->Edit1->setText("Rye loaf");
        QTest::mouseClick(window->Button1, Qt::LeftButton);
        waitForWrites();
        EXPECT_EQ(fake.messages.texts(), oneBox);
        for (const char* shown : {"Soups", "Breads", "Pies", "Tomato soup", "Rye loaf"})
            EXPECT_NE(node(shown), nullptr) << shown;
        EXPECT_EQ(statusText(), "4 Categories with 6 recipes");
    }

    void exit() {
        closeTablesForExit({window->dataSetCategories.get(), window->dataSetRecipes.get()}, answers,
                           &answers);
        ASSERT_FALSE(answers.questions.isEmpty());
        EXPECT_EQ(answers.questions.front().count("is gone (moved or deleted)"), 1)
            << answers.questions.front().toStdString();
    }

    QString pathOf(const OnDisk& file) const {
        return QDir(file.elsewhere ? elsewhere.path() : folder.path()).filePath(file.name);
    }

    ExitAnswers answers;
    AnsweringSaveDialog saveDialog;
    QTemporaryDir elsewhere;
};

// A file of the name and content given, last changed an hour ago.
void writeOldFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
}

const QStringList leftovers{".savrona-1k9xq2.tmp", ".savrona-zz.tmp", "recipes.xml.15c3mzy",
                            "categories.xml.a1b2c3",
                            "recipes (conflict 2024-05-01 134502).xml.9qpw0mz"};
const QStringList usersFiles{"recipes.xml.backup", "recipes.xml.2024", "notes.txt",
                             ".savrona-mine.txt", "recipes.xml.15c3mzy.keep"};

TEST_P(FolderFaults, LeaveTheFilesOnDiskAsTheUserNeedsThem) {
    writeSmallCookbook(folder.path());
    fake.platform.saveDialog = &saveDialog;
    GetParam().act(*this);
    for (const OnDisk& file : GetParam().afterwards) {
        const QString path = pathOf(file);
        SCOPED_TRACE(path.toStdString());
        if (file.state == OnDisk::State::Absent) {
            EXPECT_FALSE(QFileInfo::exists(path));
            continue;
        }
        QFile opened(path);
        ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
        const QByteArray bytes = opened.readAll();
        if (file.state == OnDisk::State::Bytes) {
            EXPECT_EQ(bytes, file.bytes);
            continue;
        }
        EXPECT_EQ(readPacket(bytes).rows.size(), file.rows);
        EXPECT_TRUE(bytes.contains(file.bytes));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FolderFaults,
    ::testing::Values(
        FolderFault{
            "FolderDeletedThenMadeAgainThenTryAgain",
            [](FolderFaults& test) {
                test.start();
                test.deleteTheFolderAndChangeTheCookbook();
                test.answers.mendBeforeAnswer = [&test] {
                    ASSERT_TRUE(QDir().mkpath(test.folder.path()));
                };
                test.exit();
                EXPECT_EQ(test.answers.questions.size(), 1);
            },
            {packet(categoriesFileName, 4, "Pies"), packet(recipesFileName, 6, "Rye loaf")}},
        FolderFault{"FolderDeletedThenSaveElsewhere",
                    [](FolderFaults& test) {
                        test.start();
                        test.deleteTheFolderAndChangeTheCookbook();
                        test.answers.answer = MessageBoxes::UnsavedAnswer::SaveElsewhere;
                        test.answers.folder = test.elsewhere.path();
                        test.exit();
                        EXPECT_EQ(test.answers.questions.size(), 1);
                        EXPECT_EQ(test.answers.told,
                                  QStringList{"The cookbook was saved in " + test.elsewhere.path() +
                                              ". To go on with it, start Savrona on that folder."});
                    },
                    {packet(categoriesFileName, 4, "Pies", true),
                     packet(recipesFileName, 6, "Rye loaf", true), absent(categoriesFileName),
                     absent(recipesFileName)}},
        FolderFault{
            "ExportOntoTheLockFileIsRefused",
            [](FolderFaults& test) {
                writeOldFile(test.folder.filePath(dataFolderLockFileName), "4242\n");
                test.start();
                test.select("Tomato soup");
                test.saveDialog.answer = test.folder.filePath(dataFolderLockFileName);
                test.window->Exportrecipe1->trigger();
                EXPECT_EQ(test.fake.messages.texts(),
                          QStringList{"Cannot export to .savrona.lock: it is one of the "
                                      "cookbook's data files. Choose another file name."});
            },
            {holding(dataFolderLockFileName, "4242\n"), packet(recipesFileName, 5, "Tomato soup")}},
        FolderFault{"LeftoverTemporaryFilesGoAtStart",
                    [](FolderFaults& test) {
                        for (const QString& name : leftovers + usersFiles)
                            writeOldFile(test.folder.filePath(name), name.toUtf8());
                        ASSERT_TRUE(QDir(test.folder.path()).mkdir(".savrona-a1b2c3.tmp"));
                        // The lock the start takes, then its clean-up.
                        QFile lock(test.folder.filePath(dataFolderLockFileName));
                        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
                        lock.close();
                        EXPECT_EQ(
                            removeLeftoverTemporaryFiles(*DataFolder::atPath(test.folder.path()),
                                                         {categoriesFileName, recipesFileName}),
                            leftovers.size());
                        test.start();
                        EXPECT_TRUE(test.fake.messages.shown.empty());
                        EXPECT_TRUE(QFileInfo(test.folder.filePath(".savrona-a1b2c3.tmp")).isDir());
                    },
                    [] {
                        std::vector<OnDisk> files{packet(categoriesFileName, 3, "Breads"),
                                                  packet(recipesFileName, 5, "Tomato soup")};
                        for (const QString& name : leftovers)
                            files.push_back(absent(name));
                        for (const QString& name : usersFiles)
                            files.push_back(holding(name, name.toUtf8()));
                        return files;
                    }()}),
    [](const auto& info) { return std::string(info.param.name); });

struct StoredText {
    const char* name;
    QString text;
};

void PrintTo(const StoredText& row, std::ostream* out) {
    *out << row.name;
}

class BoxesKeepTexts : public NothingLost, public ::testing::WithParamInterface<StoredText> {};

// Save Changes passes the texts of memo boxes the user did not edit back byte
// for byte.
TEST_P(BoxesKeepTexts, AnUneditedBoxPassesItsStoredTextBack) {
    writeCookbookFiles(folder.path(), {{1, "Soups"}},
                       {{4, 1, QString("Broth"), GetParam().text, GetParam().text}});
    start();
    select("Broth");
    window->Button2Click();
    EXPECT_EQ(storedField("Broth", "Ingredients"), GetParam().text);
    EXPECT_EQ(storedField("Broth", "Preparation"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BoxesKeepTexts,
    ::testing::Values(StoredText{"NoBreakSpace", QString::fromUtf8("200\u00A0g")},
                      StoredText{"LoneLineFeed", "one\ntwo"},
                      StoredText{"LoneCarriageReturn", "one\rtwo"},
                      StoredText{"LineSeparator", QString::fromUtf8("one\u2028two")},
                      StoredText{"CarriageReturnLineFeed", "one\r\ntwo\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NothingLost, AnEditedBoxPassesWhatItShowsWithLineBreaksAsCrLf) {
    writeSmallCookbook(folder.path());
    start();
    select("Breads");
    window->Edit1->setText("Rye loaf");
    QTest::keyClicks(window->Memo1, QString::fromUtf8("200\u00A0g"));
    QTest::keyClick(window->Memo1, Qt::Key_Return);
    QTest::keyClicks(window->Memo1, "rye");
    QTest::keyClick(window->Memo1, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(window->Memo1, "flour");
    window->Button1Click();
    EXPECT_EQ(storedField("Rye loaf", "Ingredients"),
              QString::fromUtf8("200\u00A0g\r\nrye\r\nflour"));
}

TEST_F(NothingLost, APastedLineBreakInTheTitleBecomesASpace) {
    writeSmallCookbook(folder.path());
    start();
    select("Breads");
    QGuiApplication::clipboard()->setText("Rye\r\nloaf\nwith seeds");
    window->Edit1->paste();
    EXPECT_EQ(window->Edit1->text(), "Rye loaf with seeds");
}

TEST_F(NothingLost, TheGreatestIdIsNamedWhenNothingCanBeAdded) {
    writeCookbookFiles(folder.path(), {{2147483647, "Soups"}}, {});
    start();
    EXPECT_TRUE(fake.messages.shown.empty());
    window->Addnewcategory1->trigger();
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].text,
              "Nothing was added: a category in categories.xml has the ID 2147483647, the "
              "greatest ID there can be, so no new record can be numbered after it.");
}

class ClosingSignals : public ::testing::TestWithParam<int> {};

TEST_P(ClosingSignals, AskForTheNormalCloseFromTheEventLoop) {
    TerminationRequests termination;
    QSignalSpy requested(&termination, &TerminationRequests::requested);
    ASSERT_EQ(std::raise(GetParam()), 0);
    EXPECT_TRUE(requested.wait(5000));
    EXPECT_EQ(requested.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Signals, ClosingSignals, ::testing::Values(SIGTERM, SIGHUP, SIGINT));

} // namespace
} // namespace savrona::testing
