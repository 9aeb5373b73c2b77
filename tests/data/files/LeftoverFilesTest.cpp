// The start removes the temporary files a kill left in the data folder, by the names
// our writers give them, and nothing else.
#include "data/TableTestSupport.h"

#include "data/files/DataFolder.h"
#include "data/files/LeftoverFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace savrona;
using namespace savrona::testing;

namespace {

const QStringList dataFileNames{QStringLiteral("categories.xml"), QStringLiteral("recipes.xml")};

void writeFileAged(const QString& path, qint64 secondsAgo) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("bytes");
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo),
                                 QFileDevice::FileModificationTime));
}

struct LeftoverName {
    const char* name;
    bool removed;
};

void PrintTo(const LeftoverName& leftover, std::ostream* out) {
    *out << leftover.name;
}

class LeftoverFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    void takeTheLock() { writeFileAged(folder.filePath(dataFolderLockFileName), 0); }
    int removeLeftovers() {
        return removeLeftoverTemporaryFiles(*DataFolder::atPath(folder.path()), dataFileNames);
    }

    QTemporaryDir folder;
};

class LeftoverNames : public LeftoverFiles, public ::testing::WithParamInterface<LeftoverName> {};

TEST_P(LeftoverNames, GoByTheNamesOurWritersGive) {
    writeFileAged(folder.filePath(GetParam().name), 60);
    takeTheLock();
    EXPECT_EQ(removeLeftovers(), GetParam().removed ? 1 : 0);
    EXPECT_NE(QFile::exists(folder.filePath(GetParam().name)), GetParam().removed);
    EXPECT_TRUE(QFile::exists(folder.filePath(dataFolderLockFileName)));
}

INSTANTIATE_TEST_SUITE_P(
    Names, LeftoverNames,
    ::testing::Values(
        LeftoverName{".savrona-1k9xq2.tmp", true}, LeftoverName{".savrona-0.tmp", true},
        LeftoverName{".savrona-1z141z3.tmp", true}, LeftoverName{"recipes.xml.15c3mzy", true},
        LeftoverName{"categories.xml.a1b2c3", true},
        LeftoverName{"recipes (conflict 2024-05-01 134502).xml.9qpw0mz", true},
        LeftoverName{"recipes (conflict 2024-05-01 134502 2).xml.9qpw0m", true},
        LeftoverName{".savrona-.tmp", false}, LeftoverName{".savrona-1k9xq2b3.tmp", false},
        LeftoverName{".savrona-1K9XQ2.tmp", false}, LeftoverName{".savrona-lock.txt", false},
        LeftoverName{"recipes.xml", false}, LeftoverName{"recipes.xml.backup", false},
        LeftoverName{"recipes.xml.2024", false}, LeftoverName{"recipes.xml.202405", false},
        LeftoverName{"recipes.xml.15c3mzy8", false}, LeftoverName{"recipes.xml.15c3mzy.old", false},
        LeftoverName{"recipes.xml.15C3MZY", false}, LeftoverName{"menus.xml.15c3mzy", false},
        LeftoverName{"recipes (copy).xml.15c3mzy", false}),
    [](const auto& info) {
        QString name = QString::fromUtf8(info.param.name);
        for (QChar& character : name) {
            if (!character.isLetterOrNumber())
                character = QLatin1Char('_');
        }
        return name.toStdString() + "_" + std::to_string(info.index);
    });

TEST_F(LeftoverFiles, OnlyOldRegularFilesGoAndOnlyUnderALock) {
    writeFileAged(folder.filePath("recipes.xml.15c3mzy"), 60);
    EXPECT_EQ(removeLeftovers(), 0) << "no lock held";
    ASSERT_TRUE(QDir(folder.path()).mkdir(".savrona-1k9xq2.tmp"));
    ASSERT_TRUE(QFile::link(folder.filePath("recipes.xml.15c3mzy"),
                            folder.filePath("categories.xml.a1b2c3")));
    takeTheLock();
    writeFileAged(folder.filePath(".savrona-2k9xq2.tmp"), -60); // written after the lock
    EXPECT_EQ(removeLeftovers(), 1);
    EXPECT_FALSE(QFile::exists(folder.filePath("recipes.xml.15c3mzy")));
    EXPECT_TRUE(QFileInfo(folder.filePath(".savrona-1k9xq2.tmp")).isDir());
    EXPECT_TRUE(QFileInfo(folder.filePath("categories.xml.a1b2c3")).isSymLink());
    EXPECT_TRUE(QFile::exists(folder.filePath(".savrona-2k9xq2.tmp")));
}

} // namespace
