#include "cookbook/exchange/RecipeExport.h"
#include "cookbook/TestCookbook.h"
#include "cookbook/exchange/ExportFileWriter.h"
#include "data/Error.h"
#include "data/files/DataFolder.h"
#include "platform/seams/AppInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <csignal>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace savrona;

namespace {

const QByteArray hyphens(50, '-');
const QByteArray footer =
    "\r\n" + hyphens + "\r\nRecipe exported by Savrona v1.0\r\n" + webAddress.toUtf8() + "\r\n";

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

struct LayoutCase {
    const char* name;
    ExportedRecipe recipe;
    QByteArray expected;
};

class ExportLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ExportLayout, IsWrittenByteForByte) {
    EXPECT_EQ(exportedRecipeText(GetParam().recipe), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Recipes, ExportLayout,
    ::testing::Values(
        LayoutCase{"SingleLineTexts",
                   {"Soups", "Onion Soup", "onions", "simmer"},
                   "\r\nSoups\r\nOnion Soup\r\n\r\n" + hyphens +
                       "\r\n\r\nonions\r\n\r\nsimmer\r\n" + footer},
        LayoutCase{"MultiLineTextsFromTheBoxes",
                   {"Soups", "Leek Soup", "2 leeks\n1 potato\nsalt", "boil\nblend"},
                   "\r\nSoups\r\nLeek Soup\r\n\r\n" + hyphens +
                       "\r\n\r\n2 leeks\r\n1 potato\r\nsalt\r\n\r\nboil\r\nblend\r\n" + footer},
        LayoutCase{"MultiLineTextsAsStored",
                   {"Soups", "Leek Soup", "2 leeks\r\n1 potato", "boil"},
                   "\r\nSoups\r\nLeek Soup\r\n\r\n" + hyphens +
                       "\r\n\r\n2 leeks\r\n1 potato\r\n\r\nboil\r\n" + footer},
        LayoutCase{"EmptyIngredientsGiveThreeEmptyLines",
                   {"Soups", "Water", "", "pour"},
                   "\r\nSoups\r\nWater\r\n\r\n" + hyphens + "\r\n\r\n\r\n\r\npour\r\n" + footer},
        LayoutCase{"QuotesStarsAndAccentsAsTyped",
                   {"Grandma's*", "Crème brûlée ½", "200 g", "180 °C"},
                   "\r\nGrandma's*\r\n" + QString::fromUtf8("Crème brûlée ½").toUtf8() +
                       "\r\n\r\n" + hyphens + "\r\n\r\n200 g\r\n\r\n" +
                       QString::fromUtf8("180 °C").toUtf8() + "\r\n" + footer}),
    [](const auto& info) { return std::string(info.param.name); });

class ExportFile : public ::testing::Test {
protected:
    QTemporaryDir folder;
    QString path(const QString& name) const { return folder.filePath(name); }
    // A data folder apart from the export folder, for the tests that do not export onto it.
    QString cookbookFolder() const { return otherFolder.path(); }
    QTemporaryDir otherFolder;
    QStringList folderEntries() const {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(ExportFile, CreatesTheFileWithExactlyTheBytes) {
    writeExportFile(path("Grandma's Pie*.txt"), "abc\r\n");
    EXPECT_EQ(readAll(path("Grandma's Pie*.txt")), "abc\r\n");
    EXPECT_EQ(folderEntries(), QStringList{"Grandma's Pie*.txt"});
}

TEST_F(ExportFile, ReplacesAnExistingFileWithoutAQuestion) {
    writeFile(path("soup.txt"), "an older and much longer content");
    writeExportFile(path("soup.txt"), "new");
    EXPECT_EQ(readAll(path("soup.txt")), "new");
    EXPECT_EQ(folderEntries(), QStringList{"soup.txt"});
}

TEST_F(ExportFile, ReplacesTheFileALinkNamesAndKeepsTheLink) {
    writeFile(path("target.txt"), "old");
    ASSERT_TRUE(QFile::link(path("target.txt"), path("link.txt")));
    writeExportFile(path("link.txt"), "new");
    EXPECT_EQ(readAll(path("target.txt")), "new");
    EXPECT_TRUE(QFileInfo(path("link.txt")).isSymLink());
}

TEST_F(ExportFile, AFolderThatDoesNotExistIsAnInvalidFilename) {
    EXPECT_EQ(messageOf([&] { writeExportFile(path("missing/soup.txt"), "x"); }),
              "Invalid filename");
    EXPECT_FALSE(QFileInfo::exists(path("missing")));
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(ExportFile, AFolderInPlaceOfTheFileIsRefused) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("soup.txt"));
    EXPECT_EQ(messageOf([&] { writeExportFile(path("soup.txt"), "x"); }), "File access denied");
}

TEST_F(ExportFile, AReadOnlyFileIsRefusedAndStaysAsItWas) {
    if (runningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    writeFile(path("soup.txt"), "kept");
    ASSERT_EQ(::chmod(QFile::encodeName(path("soup.txt")).constData(), 0444), 0);
    EXPECT_EQ(messageOf([&] { writeExportFile(path("soup.txt"), "x"); }), "File access denied");
    EXPECT_EQ(readAll(path("soup.txt")), "kept");
    EXPECT_EQ(folderEntries(), QStringList{"soup.txt"});
}

TEST_F(ExportFile, AWritableFileInAReadOnlyFolderIsWrittenInPlace) {
    if (runningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    writeFile(path("soup.txt"), "old");
    const QByteArray nativeFolder = QFile::encodeName(folder.path());
    ASSERT_EQ(::chmod(nativeFolder.constData(), 0555), 0);
    writeExportFile(path("soup.txt"), "new");
    ::chmod(nativeFolder.constData(), 0755);
    EXPECT_EQ(readAll(path("soup.txt")), "new");
}

TEST_F(ExportFile, AFullDiskIsReported) {
    // A file size limit stops the write as a full disk would.
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lowered{4, previous.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &lowered);
    const QString message = messageOf([&] { writeExportFile(path("soup.txt"), "some text"); });
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(message, "Disk full");
    EXPECT_TRUE(folderEntries().isEmpty());
}

// Nothing but a file takes an export: a pipe or a device is refused before it
// is opened, so the export neither waits on it nor reports a success.
TEST_F(ExportFile, APipeOrADeviceIsRefusedWithoutWaiting) {
    const QByteArray pipe = QFile::encodeName(path("pipe.txt"));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);
    // A reader keeps a write to the pipe from blocking, so that the old
    // behaviour fails this test instead of hanging it.
    const int reader = ::open(pipe.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (const QString& target : {path("pipe.txt"), QStringLiteral("/dev/null")}) {
        EXPECT_TRUE(messageOf([&] {
                        writeExportFile(target, "text");
                    }).endsWith("it is a device or a pipe, not a file. Choose another file name"))
            << target.toStdString();
    }
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "nothing was written into the pipe";
    ::close(reader);
}

struct ErrnoCase {
    int errnoValue;
    const char* message;
};

class ExportErrorMessage : public ::testing::TestWithParam<ErrnoCase> {};

TEST_P(ExportErrorMessage, NamesThePlatformFailure) {
    EXPECT_EQ(inputOutputErrorMessage(inputOutputErrorCode(GetParam().errnoValue)),
              QString::fromUtf8(GetParam().message));
}

// The failures a user can meet, and codes of other failures.
INSTANTIATE_TEST_SUITE_P(Errors, ExportErrorMessage,
                         ::testing::Values(ErrnoCase{ENOENT, "Invalid filename"},
                                           ErrnoCase{ENAMETOOLONG, "Invalid filename"},
                                           ErrnoCase{EMFILE, "Too many open files"},
                                           ErrnoCase{EACCES, "File access denied"},
                                           ErrnoCase{EROFS, "File access denied"},
                                           ErrnoCase{ENOSPC, "Disk full"},
                                           ErrnoCase{EDQUOT, "Disk full"},
                                           ErrnoCase{EIO, "I/O error 1117"},
                                           ErrnoCase{EPIPE, "I/O error 31"}));

// Answers the save dialog in place of the user.
using AnsweringSaveDialog = savrona::testing::FakeSaveFileDialog;

TEST_F(ExportFile, CancellingTheDialogWritesNothing) {
    AnsweringSaveDialog dialog;
    exportRecipe(dialog, nullptr, {"Soups", "Onion Soup", "onions", "simmer"}, cookbookFolder());
    EXPECT_EQ(dialog.proposed, "Onion Soup");
    EXPECT_EQ(dialog.proposedType, "txt");
    EXPECT_TRUE(folderEntries().isEmpty());
}

TEST_F(ExportFile, TheChosenFileGetsTheRecipe) {
    AnsweringSaveDialog dialog;
    dialog.answer = path("Grandma's Pie*.txt");
    const ExportedRecipe recipe{"Grandma's Kitchen", "Grandma's Pie*", "apples", "bake"};
    exportRecipe(dialog, nullptr, recipe, cookbookFolder());
    EXPECT_EQ(dialog.proposed, "Grandma's Pie*");
    EXPECT_EQ(readAll(path("Grandma's Pie*.txt")), exportedRecipeText(recipe));
}

TEST_F(ExportFile, AFailureReachesTheCaller) {
    AnsweringSaveDialog dialog;
    dialog.answer = path("missing/soup.txt");
    EXPECT_EQ(messageOf([&] {
                  exportRecipe(dialog, nullptr, {"Soups", "Soup", "", ""}, cookbookFolder());
              }),
              "Invalid filename");
}

// Every spelling of a cookbook data file, or of its lock file, is refused and
// leaves the file as it was.
class ExportOntoDataFile : public ExportFile, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExportOntoDataFile, IsRefusedAndWritesNothing) {
    writeFile(path("recipes.xml"), "the cookbook");
    ASSERT_TRUE(QDir(folder.path()).mkpath("sub"));
    ASSERT_TRUE(QFile::link(path("recipes.xml"), path("sub/link.xml")));
    ASSERT_EQ(::link(QFile::encodeName(path("recipes.xml")).constData(),
                     QFile::encodeName(path("sub/hard.xml")).constData()),
              0);
    AnsweringSaveDialog dialog;
    dialog.answer = path(GetParam());
    EXPECT_NE(messageOf([&] {
                  exportRecipe(dialog, nullptr, {"Soups", "Soup", "", ""}, folder.path());
              }).indexOf("data files"),
              -1);
    EXPECT_EQ(readAll(path("recipes.xml")), "the cookbook");
    EXPECT_FALSE(QFile::exists(path("categories.xml")));
    EXPECT_FALSE(QFile::exists(path(".savrona.lock")));
}

INSTANTIATE_TEST_SUITE_P(Spellings, ExportOntoDataFile,
                         ::testing::Values("recipes.xml", "sub/../recipes.xml", "./recipes.xml",
                                           "sub/link.xml", "sub/hard.xml", "categories.xml",
                                           ".savrona.lock", "sub/../.savrona.lock"));

// The data folder is told by its descriptor, whatever bytes its name holds;
// the export reaches it here through links with plain names.
TEST_F(ExportFile, ADataFileInAFolderWhoseNameIsNotUtf8IsRefused) {
    const QByteArray odd = QFile::encodeName(folder.path()) + "/caf\xE9 \xFF";
    ASSERT_EQ(::mkdir(odd.constData(), 0755), 0);
    const int file = ::open((odd + "/recipes.xml").constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::write(file, "the cookbook", 12), 12);
    ::close(file);
    ASSERT_EQ(::symlink((odd + "/recipes.xml").constData(),
                        QFile::encodeName(path("link.xml")).constData()),
              0);
    ASSERT_EQ(::symlink(odd.constData(), QFile::encodeName(path("folder")).constData()), 0);
    char previous[PATH_MAX] = {};
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(odd.constData()), 0);
    const auto dataFolder = DataFolder::currentDirectory();
    ASSERT_EQ(::chdir(previous), 0);

    AnsweringSaveDialog dialog;
    for (const char* target : {"link.xml", "folder/recipes.xml", "folder/categories.xml"}) {
        dialog.answer = path(target);
        EXPECT_NE(messageOf([&] {
                      exportRecipe(dialog, nullptr, {"Soups", "Soup", "", ""}, *dataFolder);
                  }).indexOf("data files"),
                  -1)
            << target;
    }
    EXPECT_EQ(readAll(path("link.xml")), "the cookbook");
}

TEST_F(ExportFile, ANameLikeADataFileInAnotherFolderIsWritten) {
    AnsweringSaveDialog dialog;
    dialog.answer = path("recipes.xml");
    exportRecipe(dialog, nullptr, {"Soups", "Soup", "", ""}, cookbookFolder());
    EXPECT_TRUE(QFile::exists(path("recipes.xml")));
}

TEST(ProposedExportFileName, KeepsTheTitleButNoFolderSeparators) {
    EXPECT_EQ(proposedExportFileName("Grandma's Pie*"), "Grandma's Pie*");
    EXPECT_EQ(proposedExportFileName("Salt/Pepper\\Steak"), "Salt_Pepper_Steak");
    EXPECT_EQ(proposedExportFileName("../../etc/passwd"), ".._.._etc_passwd");
}

} // namespace
