// The main window loses nothing the user gave it: a failed write leaves the
// cookbook shown and waiting to be written, the boxes pass texts on unchanged,
// a record with the greatest ID is named, and a signal closes the window the
// normal way.
#include "ui/GuiTestSupport.h"

#include "data/engine/Lookups.h"
#include "data/initial-cookbook/TableDefinitions.h"
#include "platform/TerminationRequests.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

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
