// What may happen while the tree is rebuilt, and after a rebuild failed: the
// command gate, a close asked for during a rebuild, and the error box.
#include "ui/GuiTestSupport.h"

#include "platform/ErrorBoxText.h"
#include "platform/SavronaApplication.h"
#include "ui/main-window/CommandGate.h"
#include "ui/tree/CookbookTreeView.h"

#include "data/Error.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace savrona::testing {
namespace {

struct GateCase {
    const char* name;
    bool rebuilding;
    bool lastRebuildSucceeded;
    CommandGate::Effect effect;
    enum { Runs, Unanswered, Refused } outcome;
};

void PrintTo(const GateCase& row, std::ostream* out) {
    *out << row.name;
}

class CommandGateTest : public ::testing::TestWithParam<GateCase> {};

TEST_P(CommandGateTest, DecidesWhetherACommandRuns) {
    const GateCase& row = GetParam();
    CommandGate gate;
    gate.beginRebuild();
    if (!row.rebuilding)
        gate.endRebuild(row.lastRebuildSucceeded);
    bool ran = false;
    const auto command = [&ran] { ran = true; };
    if (row.outcome == GateCase::Refused) {
        EXPECT_THROW(gate.run(row.effect, command), Error);
    } else {
        gate.run(row.effect, command);
    }
    EXPECT_EQ(ran, row.outcome == GateCase::Runs);
}

using Effect = CommandGate::Effect;
INSTANTIATE_TEST_SUITE_P(
    Cases, CommandGateTest,
    ::testing::Values(
        GateCase{"ChangeAfterGoodRebuild", false, true, Effect::ChangesCookbook, GateCase::Runs},
        GateCase{"AddAfterGoodRebuild", false, true, Effect::AddsRecord, GateCase::Runs},
        GateCase{"ChangeDuringRebuild", true, false, Effect::ChangesCookbook, GateCase::Unanswered},
        GateCase{"AddDuringRebuild", true, false, Effect::AddsRecord, GateCase::Unanswered},
        GateCase{"ChangeAfterFailedRebuild", false, false, Effect::ChangesCookbook, GateCase::Runs},
        GateCase{"AddAfterFailedRebuild", false, false, Effect::AddsRecord, GateCase::Refused}),
    [](const ::testing::TestParamInfo<GateCase>& info) { return info.param.name; });

class ErrorBoxTextTest : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(ErrorBoxTextTest, AddsAFullStopAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(errorBoxText(QString::fromUtf8(GetParam().first)),
              QString::fromUtf8(GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(Texts, ErrorBoxTextTest,
                         ::testing::Values(std::pair{"Field 'x' not found", "Field 'x' not found."},
                                           std::pair{"Error 42", "Error 42."},
                                           std::pair{"Why?", "Why?."}, std::pair{"Done.", "Done."},
                                           std::pair{"Stop!", "Stop!"}, std::pair{"(x)", "(x)"},
                                           std::pair{"'abc'", "'abc'"}, std::pair{"", ""},
                                           std::pair{"Liste-", "Liste-"},
                                           std::pair{"Path/", "Path/."}));

using RebuildTest = MainWindowTest;

// Throws from its event handler, as a failing command does.
class FailingReceiver : public QObject {
public:
    bool event(QEvent*) override { throw Error(QStringLiteral("dataSetRecipes: Broken")); }
};

TEST_F(RebuildTest, ErrorInAHandlerIsShownAndTheApplicationGoesOn) {
    FailingReceiver receiver;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&receiver, &event);
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].kind, MessageBoxes::Kind::Failure);
    EXPECT_EQ(fake.messages.shown[0].text, "dataSetRecipes: Broken.");
}

TEST_F(RebuildTest, TableErrorDuringTheFirstRebuildIsShownAndBlocksAdding) {
    writeCookbookFiles(folder.path(), {{1, "Soups"}, {2, "Stews"}},
                       {{4, 1, QString("Broth"), "", ""}, {5, 2, std::nullopt, "", ""}});
    start();
    ASSERT_EQ(fake.messages.shown.size(), 1u);
    EXPECT_EQ(fake.messages.shown[0].kind, MessageBoxes::Kind::Failure);
    EXPECT_TRUE(fake.messages.shown[0].text.endsWith("Invalid variant type conversion."))
        << fake.messages.shown[0].text.toStdString();
    EXPECT_EQ(statusText(), "Totals");
    EXPECT_FALSE(window->isRebuilding());
    EXPECT_TRUE(window->commandButtons->isEnabled());

    // Adding would number a record with an ID a record may hold: refused.
    window->treeCategoriesChange(node("Soups"));
    fake.messages.shown.clear();
    QTest::mouseClick(window->Button1, Qt::LeftButton);
    window->Addnewcategory1->trigger();
    ASSERT_EQ(fake.messages.shown.size(), 2u);
    EXPECT_TRUE(fake.messages.shown[0].text.contains("nothing was added"));
}

// The data files changed behind the window: the next rebuild reads them anew
// and walks every record, dispatching messages as it goes.
void addRecipeBehindTheWindow(const QString& folder) {
    writeSmallCookbook(folder, {{41, 7, QString("Rye bread"), "", ""}});
}

TEST_F(RebuildTest, CommandsAreHeldOffWhileTheTreeIsRebuilt) {
    writeSmallCookbook(folder.path());
    start();
    addRecipeBehindTheWindow(folder.path());
    window->treeCategoriesChange(node("Soups"));
    bool rebuilding = false;
    bool buttonsUsable = true;
    bool popupShown = true;
    // Runs inside the rebuild, from its message pump.
    QMetaObject::invokeMethod(
        window.get(),
        [&] {
            rebuilding = window->isRebuilding();
            buttonsUsable = window->Button1->isEnabled();
            emit window->treeCategories->popupRequested(QModelIndex(), QPoint(10, 10));
            popupShown = window->treePopup->isVisible();
        },
        Qt::QueuedConnection);
    window->RefreshCookbookTree();
    EXPECT_TRUE(rebuilding);
    EXPECT_FALSE(buttonsUsable);
    EXPECT_FALSE(popupShown);
    EXPECT_FALSE(window->isRebuilding());
    EXPECT_TRUE(window->Button1->isEnabled());
}

TEST_F(RebuildTest, CloseDuringARebuildEndsTheProgramOnceItHasReturned) {
    writeSmallCookbook(folder.path());
    start();
    addRecipeBehindTheWindow(folder.path());
    fake.settings.written.clear();
    bool visibleInside = false;
    QMetaObject::invokeMethod(
        window.get(),
        [&] {
            window->Exit1->trigger();
            visibleInside = window->isVisible();
        },
        Qt::QueuedConnection);
    window->RefreshCookbookTree();
    EXPECT_TRUE(visibleInside);
    EXPECT_EQ(statusText(), "3 Categories with 6 recipes");
    QCoreApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(fake.settings.written.size(), 5);
}

} // namespace
} // namespace savrona::testing
