// The command line: what each kind of argument asks for, and entering the
// cookbook's folder by its bytes.
#include "platform/CommandLine.h"

#include "data/Error.h"

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace savrona {
namespace {

CommandLine commandLineOf(QByteArrayList arguments) {
    arguments.prepend("/usr/bin/savrona");
    std::vector<const char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(argument.constData());
    return CommandLine(int(argv.size()), argv.data());
}

QString errorMessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}

void createFile(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

QByteArray currentDirectory() {
    char path[PATH_MAX];
    return ::getcwd(path, sizeof path) != nullptr ? QByteArray(path) : QByteArray();
}

// Arguments on which the program prints a reply and ends.
struct EndingArguments {
    const char* name;
    QByteArrayList arguments;
    bool mistake;
    const char* replyStart;
};

void PrintTo(const EndingArguments& arguments, std::ostream* out) {
    *out << arguments.name;
}

class ArgumentsThatEnd : public ::testing::TestWithParam<EndingArguments> {};

TEST_P(ArgumentsThatEnd, PrintTheirReply) {
    const CommandLine commandLine = commandLineOf(GetParam().arguments);
    ASSERT_TRUE(commandLine.endsAtOnce());
    EXPECT_EQ(commandLine.replyIsMistake(), GetParam().mistake);
    EXPECT_TRUE(commandLine.replyText().startsWith(GetParam().replyStart))
        << commandLine.replyText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Savrona, ArgumentsThatEnd,
    ::testing::Values(
        EndingArguments{"Help", {"--help"}, false, "Usage: savrona [options] [FOLDER]\n"},
        EndingArguments{"ShortHelp", {"-h"}, false, "Usage: savrona [options] [FOLDER]\n"},
        EndingArguments{"Version", {"--version"}, false, "Savrona 1.0\n"},
        EndingArguments{"ShortVersion", {"-v"}, false, "Savrona 1.0\n"},
        EndingArguments{"UnknownOption",
                        {"--colour"},
                        true,
                        "savrona: Unknown option 'colour'.\nTry 'savrona --help'"},
        EndingArguments{"TwoFolders", {"a", "b"}, true, "savrona: Give one folder at most."},
        EndingArguments{"FolderAndUserFolder",
                        {"a", "--user-folder"},
                        true,
                        "savrona: Give either FOLDER or --user-folder."}),
    [](const ::testing::TestParamInfo<EndingArguments>& info) { return info.param.name; });

// Arguments on which the program opens a cookbook: FOLDER's bytes, or the
// user's folder.
struct OpeningArguments {
    const char* name;
    QByteArrayList arguments;
    std::optional<QByteArray> folder;
    bool userFolder;
};

void PrintTo(const OpeningArguments& arguments, std::ostream* out) {
    *out << arguments.name;
}

class ArgumentsThatOpen : public ::testing::TestWithParam<OpeningArguments> {};

TEST_P(ArgumentsThatOpen, NameTheFolder) {
    const CommandLine commandLine = commandLineOf(GetParam().arguments);
    ASSERT_FALSE(commandLine.endsAtOnce()) << commandLine.replyText().toStdString();
    EXPECT_EQ(commandLine.folder(), GetParam().folder);
    EXPECT_EQ(commandLine.opensUserFolder(), GetParam().userFolder);
}

INSTANTIATE_TEST_SUITE_P(
    Savrona, ArgumentsThatOpen,
    ::testing::Values(OpeningArguments{"None", {}, std::nullopt, false},
                      OpeningArguments{
                          "Folder", {"/home/cook/recipes"}, "/home/cook/recipes", false},
                      OpeningArguments{"FolderNotInUtf8", {"caf\xe9\xff"}, "caf\xe9\xff", false},
                      OpeningArguments{"FolderLikeAnOption", {"--", "--help"}, "--help", false},
                      OpeningArguments{"FolderNamedDash", {"-"}, "-", false},
                      OpeningArguments{"UserFolder", {"--user-folder"}, std::nullopt, true}),
    [](const ::testing::TestParamInfo<OpeningArguments>& info) { return info.param.name; });

TEST(CommandLineHelp, NamesTheOptionsAndTheUserFolder) {
    const QString help = commandLineOf({"--help"}).replyText();
    for (const QString& part : {QString("--version"), QString("--user-folder"), QString("FOLDER"),
                                CommandLine::userDataFolder()})
        EXPECT_TRUE(help.contains(part)) << part.toStdString();
}

// Each test enters folders of a scratch folder and comes back.
class EnteringTheFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.isValid());
        m_returnTo = currentDirectory();
        m_home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(scratch.path()));
    }
    void TearDown() override {
        qputenv("HOME", m_home);
        ASSERT_EQ(::chdir(m_returnTo.constData()), 0);
    }

    QTemporaryDir scratch;

private:
    QByteArray m_returnTo;
    QByteArray m_home;
};

TEST_F(EnteringTheFolder, FolderIsEnteredByItsBytes) {
    const QByteArray folder = QFile::encodeName(scratch.path()) + "/caf\xe9\xff";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    commandLineOf({folder}).enterDataFolder();
    EXPECT_EQ(currentDirectory(), folder);
    // QTemporaryDir could not remove it by a name decoded to text.
    ::rmdir(folder.constData());
}

TEST_F(EnteringTheFolder, MissingFolderOrAFileIsAnErrorAndStaysWhereItWas) {
    const QByteArray before = currentDirectory();
    const QString file = scratch.filePath("notes.txt");
    createFile(file);
    EXPECT_EQ(errorMessageOf([&] { commandLineOf({"/no/such/folder"}).enterDataFolder(); }),
              "Cannot open the cookbook folder /no/such/folder: No such file or directory");
    EXPECT_EQ(errorMessageOf([&] { commandLineOf({QFile::encodeName(file)}).enterDataFolder(); }),
              QString("Cannot open the cookbook folder %1: Not a directory").arg(file));
    EXPECT_EQ(currentDirectory(), before);
}

TEST_F(EnteringTheFolder, UserFolderIsCreatedWhenMissingThenEntered) {
    const QString folder = CommandLine::userDataFolder();
    ASSERT_TRUE(folder.startsWith(scratch.path())) << folder.toStdString();
    for (int start = 0; start < 2; ++start) {
        commandLineOf({"--user-folder"}).enterDataFolder();
        EXPECT_EQ(currentDirectory(), QFile::encodeName(folder));
    }
}

TEST_F(EnteringTheFolder, UserFolderThatCannotBeCreatedIsAnError) {
    // A home whose share folder is a file.
    const QString folder = CommandLine::userDataFolder();
    const QString share = QFileInfo(folder).path();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(share).path()));
    createFile(share);
    EXPECT_EQ(errorMessageOf([] { commandLineOf({"--user-folder"}).enterDataFolder(); }),
              QString("Cannot create the cookbook folder %1").arg(folder));
}

TEST_F(EnteringTheFolder, NoFolderStaysInTheCurrentDirectory) {
    const QByteArray before = currentDirectory();
    commandLineOf({}).enterDataFolder();
    EXPECT_EQ(currentDirectory(), before);
}

} // namespace
} // namespace savrona
