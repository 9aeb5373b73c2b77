// The window placement: restored at creation, stored at close.
#include "ui/GuiTestSupport.h"

#include "ui/main-window/PanelSplitter.h"
#include "ui/main-window/WindowPlacement.h"

#include <QAction>

namespace savrona::testing {
namespace {

struct RestoreCase {
    const char* name;
    std::map<QString, QVariant> stored;
    PlacementValues expected;
    QStringList messages;
    QStringList written;
};

void PrintTo(const RestoreCase& row, std::ostream* out) {
    *out << row.name;
}

const QStringList allNames{"Top", "Left", "Width", "Height", "pWidth"};

class PlacementRestoreTest : public MainWindowTest,
                             public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(PlacementRestoreTest, AppliesValuesDefaultsAndReportsProblems) {
    const RestoreCase& row = GetParam();
    fake.settings.values = row.stored;
    create();
    EXPECT_EQ(fake.messages.texts(), row.messages);
    for (const auto& message : fake.messages.shown)
        EXPECT_EQ(message.kind, MessageBoxes::Kind::Failure);
    EXPECT_EQ(fake.settings.written, row.written);
    EXPECT_EQ(window->x(), row.expected.left);
    EXPECT_EQ(window->y(), row.expected.top);
    EXPECT_EQ(window->width(), row.expected.width);
    EXPECT_EQ(window->height(), row.expected.height);
    window->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(window->Splitter1->leftWidth(), row.expected.treeWidth);
    // A value given its default is stored as the default's text.
    for (const QString& name : row.written)
        EXPECT_EQ(fake.settings.values[name].toString(), QString::number(name == "Top"      ? 50
                                                                         : name == "Left"   ? 50
                                                                         : name == "Width"  ? 700
                                                                         : name == "Height" ? 500
                                                                                            : 175));
}

std::map<QString, QVariant> stored(std::initializer_list<std::pair<const char*, QVariant>> values) {
    std::map<QString, QVariant> result;
    for (const auto& [name, value] : values)
        result[QString::fromLatin1(name)] = value;
    return result;
}

std::map<QString, QVariant> allStored(const char* top, const char* left, const char* width,
                                      const char* height, const char* treeWidth) {
    return stored({{"Top", top},
                   {"Left", left},
                   {"Width", width},
                   {"Height", height},
                   {"pWidth", treeWidth}});
}

INSTANTIATE_TEST_SUITE_P(
    Values, PlacementRestoreTest,
    ::testing::Values(RestoreCase{"FirstStart", {}, {50, 50, 700, 500, 175}, {}, allNames},
                      RestoreCase{"OnlyWidth",
                                  stored({{"Width", "900"}}),
                                  {50, 50, 900, 500, 175},
                                  {},
                                  {"Top", "Left", "Height", "pWidth"}},
                      RestoreCase{"AllStored",
                                  allStored("120", "80", "640", "480", "200"),
                                  {120, 80, 640, 480, 200},
                                  {},
                                  {}},
                      RestoreCase{"EmptyCountsAsMissing",
                                  allStored("120", "", "640", "480", "200"),
                                  {120, 50, 640, 480, 200},
                                  {},
                                  {"Left"}},
                      RestoreCase{"NotANumberGoesOnWithTheOthers",
                                  allStored("abc", "80", "640", "480", "200"),
                                  {50, 80, 640, 480, 200},
                                  {"'abc' is not a valid integer value."},
                                  {"Top"}},
                      RestoreCase{"SeveralBadValuesGiveOneMessage",
                                  allStored("abc", "80", "wide", "480", "-"),
                                  {50, 80, 700, 480, 175},
                                  {"'abc' is not a valid integer value."},
                                  {"Top", "Width", "pWidth"}},
                      RestoreCase{"BlanksAreNotANumber",
                                  allStored("120", " 80", "640", "480", "200"),
                                  {120, 50, 640, 480, 200},
                                  {"' 80' is not a valid integer value."},
                                  {"Left"}},
                      RestoreCase{"TooLargeIsNotANumber",
                                  allStored("120", "80", "99999999999", "480", "200"),
                                  {120, 80, 700, 480, 200},
                                  {"'99999999999' is not a valid integer value."},
                                  {"Width"}},
                      RestoreCase{"WrongType",
                                  stored({{"Top", "120"},
                                          {"Left", QStringList{"1", "2"}},
                                          {"Width", "640"},
                                          {"Height", "480"},
                                          {"pWidth", "200"}}),
                                  {120, 50, 640, 480, 200},
                                  {"Invalid data type for 'Left'"},
                                  {"Left"}},
                      RestoreCase{"Unreadable",
                                  stored({{"Top", "120"},
                                          {"Left", "80"},
                                          {"Width", "640"},
                                          {"Height", QVariant()},
                                          {"pWidth", "200"}}),
                                  {120, 80, 640, 500, 200},
                                  {"Failed to get data for 'Height'"},
                                  {"Height"}},
                      RestoreCase{"NegativeCoordinatesStayAsTheyAre",
                                  allStored("-20", "-30", "640", "480", "200"),
                                  {-20, -30, 640, 480, 200},
                                  {},
                                  {}},
                      RestoreCase{"WhollyOffScreenOpensAtTheDefaultPosition",
                                  allStored("5000", "-4000", "640", "480", "200"),
                                  {50, 50, 640, 480, 200},
                                  {},
                                  {}},
                      RestoreCase{"SignedAndLeadingZeros",
                                  allStored("+120", "080", "640", "480", "200"),
                                  {120, 80, 640, 480, 200},
                                  {},
                                  {}},
                      RestoreCase{"TreeSideClosed",
                                  allStored("120", "80", "640", "480", "0"),
                                  {120, 80, 640, 480, 0},
                                  {},
                                  {}}),
    [](const ::testing::TestParamInfo<RestoreCase>& info) { return info.param.name; });

using PlacementTest = MainWindowTest;

TEST_F(PlacementTest, DefaultThatCannotBeWrittenIsReportedAndApplied) {
    fake.settings.unwritable = {"Left"};
    create();
    EXPECT_EQ(fake.messages.texts(), QStringList{"Failed to set data for 'Left'"});
    EXPECT_EQ(window->x(), 50);
    EXPECT_EQ(fake.settings.written, QStringList({"Top", "Width", "Height", "pWidth"}));
}

TEST_F(PlacementTest, StoreThatCannotBeWrittenGivesOneMessageAtStartUp) {
    fake.settings.unwritable = {allNames.begin(), allNames.end()};
    create();
    EXPECT_EQ(fake.messages.texts(), QStringList{"Failed to set data for 'Top'"});
    EXPECT_EQ(window->geometry(), QRect(50, 50, 700, 500));
}

// Width and Height are the outer size: a framed window comes out as large as
// stored, and the same size is stored again.
TEST_F(PlacementTest, WidthAndHeightCountTheFrame) {
    fake.settings.values = {
        {"Top", "120"}, {"Left", "80"}, {"Width", "640"}, {"Height", "480"}, {"pWidth", "200"}};
    start();
    EXPECT_EQ(window->frameGeometry(), QRect(80, 120, 640, 480));
    window->close();
    EXPECT_EQ(fake.settings.values["Top"], "120");
    EXPECT_EQ(fake.settings.values["Left"], "80");
    EXPECT_EQ(fake.settings.values["Width"], "640");
    EXPECT_EQ(fake.settings.values["Height"], "480");
}

TEST_F(PlacementTest, CloseStoresTheCurrentBounds) {
    start();
    fake.settings.written.clear();
    window->move(-15, 33);
    window->resize(640, 420);
    window->Splitter1->setLeftWidth(150);
    window->Exit1->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(fake.settings.written, allNames);
    EXPECT_EQ(fake.settings.values["Top"], "33");
    EXPECT_EQ(fake.settings.values["Left"], "-15");
    // The frame, where the platform draws one, counts.
    const QSize frame = window->frameGeometry().size() - window->size();
    EXPECT_EQ(fake.settings.values["Width"], QString::number(640 + frame.width()));
    EXPECT_EQ(fake.settings.values["Height"], QString::number(420 + frame.height()));
    EXPECT_EQ(fake.settings.values["pWidth"], "150");
}

TEST_F(PlacementTest, MaximizedWindowStoresNothing) {
    start();
    fake.settings.written.clear();
    window->showMaximized();
    QCoreApplication::processEvents();
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(fake.settings.written.isEmpty());
}

TEST_F(PlacementTest, ValueThatCannotBeWrittenOnCloseIsReportedAndTheWindowCloses) {
    start();
    fake.settings.written.clear();
    fake.settings.unwritable = {"Width"};
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(fake.messages.texts(), QStringList{"Failed to set data for 'Width'"});
    EXPECT_EQ(fake.settings.written, QStringList({"Top", "Left"}));
}

TEST_F(PlacementTest, ClosedTreeSideIsStoredAsZero) {
    start();
    window->Splitter1->setLeftWidth(window->Splitter1->widthForDrop(PanelSplitter::limit));
    window->close();
    EXPECT_EQ(fake.settings.values["pWidth"], "0");
}

} // namespace
} // namespace savrona::testing
