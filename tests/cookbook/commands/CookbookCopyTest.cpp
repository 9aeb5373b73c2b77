// Saving the cookbook into another folder at exit: both files there whole, or nothing
// there and the user told why; a cookbook already in that folder is never overwritten.
#include "cookbook/commands/CookbookCopy.h"
#include "cookbook/TestCookbook.h"
#include "data/Error.h"
#include "data/files/DataFolder.h"
#include "data/files/FileSizeLimit.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "data/packets/PacketFormats.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace savrona;
using namespace savrona::testing;

namespace {

struct CopyCase {
    const char* name;
    const char* folder;       // in the scratch folder
    const char* alreadyThere; // a file the folder holds before, or nothing
    rlim_t fileSizeLimit;     // 0: none
    const char* message;      // %1 the folder; empty when the copy is saved
};

void PrintTo(const CopyCase& copy, std::ostream* out) {
    *out << copy.name;
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeWholeFileAt(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class CookbookCopy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CookbookCopy, WritesBothFilesOrNoneAndNeverAnotherCookbook) {
    // The recipes' file is larger than the categories' by far.
    TestCookbook cookbook({{1, "Soups"}, {2, "Breads"}},
                          {{1, 1, "Broth", QString(40000, u'x'), ""}, {2, 2, "Rye loaf", "", ""}});
    cookbook.recipes().insertRecord({3, 2, "Added since"});
    QTemporaryDir scratch;
    ASSERT_TRUE(QDir(scratch.path()).mkdir("chosen"));
    const QString folder = scratch.filePath(GetParam().folder);
    const QString already = GetParam().alreadyThere;
    if (!already.isEmpty())
        writeWholeFileAt(QDir(folder).filePath(already), "theirs");

    QString message;
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (GetParam().fileSizeLimit != 0)
            limit = std::make_unique<FileSizeLimit>(GetParam().fileSizeLimit);
        try {
            saveCookbookCopy({&cookbook.categories(), &cookbook.recipes()}, folder);
        } catch (const Error& error) {
            message = error.message();
        }
    }

    const QString expected = QString::fromUtf8(GetParam().message);
    if (expected.isEmpty()) {
        EXPECT_EQ(message, "");
        EXPECT_EQ(readPacket(contentOf(QDir(folder).filePath(categoriesFileName))).rows.size(), 2u);
        EXPECT_EQ(readPacket(contentOf(QDir(folder).filePath(recipesFileName))).rows.size(), 3u);
        return;
    }
    EXPECT_TRUE(message.startsWith(expected.arg(folder))) << message.toStdString();
    for (const QString& name : {categoriesFileName, recipesFileName, dataFolderLockFileName}) {
        if (name == already) {
            EXPECT_EQ(contentOf(QDir(folder).filePath(name)), "theirs");
        } else {
            EXPECT_FALSE(QFile::exists(QDir(folder).filePath(name))) << name.toStdString();
        }
    }
    // The cookbook's own files are as they were.
    EXPECT_EQ(cookbook.rowsInFile(recipesFileName).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, CookbookCopy,
    ::testing::Values(
        CopyCase{"AnEmptyFolder", "chosen", "", 0, ""},
        CopyCase{"AFolderHoldingRecipes", "chosen", "recipes.xml", 0,
                 "Cannot save the cookbook in %1: the folder holds a cookbook already "
                 "(recipes.xml). Choose another folder"},
        CopyCase{"AFolderWhereSavronaRuns", "chosen", ".savrona.lock", 0,
                 "Cannot save the cookbook in %1: the folder holds a cookbook already "
                 "(.savrona.lock). Choose another folder"},
        CopyCase{"NoSuchFolder", "missing", "", 0,
                 "Cannot save the cookbook in %1: there is no such folder"},
        // The categories fit, the recipes do not: the categories go again.
        CopyCase{"TheSecondFileFails", "chosen", "", 16 * 1024,
                 "Nothing was saved in %1. Cannot create file recipes.xml"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
