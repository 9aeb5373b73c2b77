// The pieces of the layout and the message boxes, without the main window.
#include "cookbook/TextLines.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtSettingsStore.h"
#include "ui/look/OuterCentre.h"
#include "ui/main-window/AnchorLayout.h"
#include "ui/main-window/PanelSplitter.h"

#include <QAbstractButton>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

namespace savrona {
namespace {

struct PlaceCase {
    AnchorLayout::Anchors anchors;
    QRect expected;
};

void PrintTo(const PlaceCase& row, std::ostream* out) {
    *out << "anchors " << row.anchors.toInt();
}

class AnchorPlaceTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(AnchorPlaceTest, KeepsAnchoredEdgesAtTheirDistance) {
    // Designed 12, 74, 393 x 16 in 417 x 368; the parent grew by 100 x 50.
    EXPECT_EQ(AnchorLayout::place({12, 74, 393, 16}, GetParam().anchors, {417, 368}, {517, 418}),
              GetParam().expected);
}

using A = AnchorLayout;
INSTANTIATE_TEST_SUITE_P(
    Anchors, AnchorPlaceTest,
    ::testing::Values(PlaceCase{{A::Left, A::Top}, {12, 74, 393, 16}},
                      PlaceCase{{A::Left, A::Top, A::Right}, {12, 74, 493, 16}},
                      PlaceCase{{A::Left, A::Bottom}, {12, 124, 393, 16}},
                      PlaceCase{{A::Right, A::Bottom}, {112, 124, 393, 16}},
                      PlaceCase{{A::Left, A::Top, A::Right, A::Bottom}, {12, 74, 493, 66}}));

TEST(AnchorPlaceTest, ShrinkingNeverGivesANegativeSize) {
    EXPECT_EQ(AnchorLayout::place({12, 74, 393, 16}, {A::Left, A::Right}, {417, 368}, {17, 368}),
              QRect(12, 74, 0, 16));
}

struct CentreCase {
    const char* name;
    QMargins frame;
    QRect expectedClient;
};

void PrintTo(const CentreCase& row, std::ostream* out) {
    *out << row.name;
}

class OuterCentreTest : public ::testing::TestWithParam<CentreCase> {};

// A 392 x 248 client area in the given frame, centred by its outer frame on
// a window whose outer frame is 700 x 500 at 50, 50.
TEST_P(OuterCentreTest, CentresTheOuterFrame) {
    const QRect client =
        clientRectCentredOn(QRect(50, 50, 700, 500), QSize(392, 248), GetParam().frame);
    EXPECT_EQ(client, GetParam().expectedClient);
    EXPECT_EQ(client.marginsAdded(GetParam().frame).center(), QRect(50, 50, 700, 500).center());
}

INSTANTIATE_TEST_SUITE_P(
    Frames, OuterCentreTest,
    ::testing::Values(CentreCase{"NoFrame", {}, {204, 176, 392, 248}},
                      CentreCase{"EvenFrame", {4, 4, 4, 4}, {204, 176, 392, 248}},
                      // A title bar above: the client area sits lower by half of it.
                      CentreCase{"TitleBar", {1, 20, 1, 4}, {204, 184, 392, 248}},
                      CentreCase{"WiderLeft", {6, 22, 2, 2}, {206, 186, 392, 248}}),
    [](const ::testing::TestParamInfo<CentreCase>& info) { return info.param.name; });

class PanelSplitterTest : public ::testing::Test {
protected:
    void SetUp() override {
        splitter.setHandleWidth(2);
        splitter.addWidget(new QLabel("left"));
        splitter.addWidget(new QLabel("right"));
        splitter.widget(0)->setMinimumWidth(1);
        splitter.setCollapsible(1, false);
        splitter.resize(500, 100);
        splitter.show();
        splitter.setLeftWidth(200);
    }
    void drag(int from, int to, bool cancel = false) {
        QSplitterHandle* handle = splitter.handle(1);
        const QPoint grab(1, 50);
        QTest::mousePress(handle, Qt::LeftButton, {}, grab);
        QTest::mouseMove(handle, grab + QPoint(to - from, 0));
        if (cancel)
            QTest::keyClick(handle, Qt::Key_Escape);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grab + QPoint(to - from, 0));
    }
    PanelSplitter splitter;
};

TEST_F(PanelSplitterTest, DropPositionsBecomeWidthsWithinTheLimits) {
    const std::pair<int, int> drops[] = {{200, 200}, {31, 31},   {30, 0},   {5, 0},
                                         {-40, 0},   {468, 468}, {490, 468}};
    for (const auto& [position, width] : drops)
        EXPECT_EQ(splitter.widthForDrop(position), width) << position;
}

TEST_F(PanelSplitterTest, DraggingAppliesTheWidthOnRelease) {
    ASSERT_EQ(splitter.leftWidth(), 200);
    drag(200, 260);
    EXPECT_EQ(splitter.leftWidth(), 260);
    drag(260, 20);
    EXPECT_EQ(splitter.leftWidth(), 0);
    drag(0, 120);
    EXPECT_EQ(splitter.leftWidth(), 120);
}

// As a classic splitter: every other pixel of a line as wide as the handle
// is inverted, across the splitter's height.
TEST_F(PanelSplitterTest, DragShowsAPatternLineAtTheNewPosition) {
    const QImage before = splitter.grab().toImage();
    QSplitterHandle* handle = splitter.handle(1);
    QTest::mousePress(handle, Qt::LeftButton, {}, {1, 50});
    QTest::mouseMove(handle, {61, 50});
    const QImage during = splitter.grab().toImage();
    QTest::keyClick(handle, Qt::Key_Escape);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, {61, 50});
    ASSERT_EQ(during.size(), before.size());
    for (int x = 250; x < 270; ++x) {
        int inverted = 0;
        int unchanged = 0;
        for (int y = 0; y < before.height(); ++y) {
            const QRgb was = before.pixel(x, y);
            const QRgb is = during.pixel(x, y);
            inverted += is == (was ^ 0x00ffffffu) ? 1 : 0;
            unchanged += is == was ? 1 : 0;
        }
        const bool onTheLine = x == 260 || x == 261;
        EXPECT_EQ(inverted, onTheLine ? before.height() / 2 : 0) << x;
        EXPECT_EQ(unchanged, onTheLine ? before.height() / 2 : before.height()) << x;
    }
    // Gone with the drag.
    EXPECT_TRUE(splitter.grab().toImage() == before);
}

TEST_F(PanelSplitterTest, EscapeCancelsTheDrag) {
    drag(200, 300, true);
    EXPECT_EQ(splitter.leftWidth(), 200);
}

struct BoxCase {
    MessageBoxes::Kind kind;
    const char* caption;
    QMessageBox::Icon icon;
    QStringList buttons;
    const char* escape;
};

void PrintTo(const BoxCase& row, std::ostream* out) {
    *out << row.caption;
}

class MessageBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxTest, KindSetsCaptionIconAndButtons) {
    QMessageBox box;
    QAbstractButton* yes = QtMessageBoxes::configure(box, GetParam().kind, "First\rSecond");
    EXPECT_EQ(box.windowTitle(), GetParam().caption);
    EXPECT_EQ(box.icon(), GetParam().icon);
    EXPECT_EQ(box.text(), "First\nSecond");
    EXPECT_EQ(box.textFormat(), Qt::PlainText);
    QStringList captions;
    for (QAbstractButton* button : box.buttons())
        captions.append(button->text());
    captions.sort();
    EXPECT_EQ(captions, GetParam().buttons);
    EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()), yes);
    EXPECT_EQ(box.escapeButton()->text(), GetParam().escape);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MessageBoxTest,
    ::testing::Values(
        BoxCase{MessageBoxes::Kind::Warning, "Warning", QMessageBox::Warning, {"OK"}, "OK"},
        BoxCase{MessageBoxes::Kind::Error, "Error", QMessageBox::Critical, {"OK"}, "OK"},
        BoxCase{
            MessageBoxes::Kind::Information, "Information", QMessageBox::Information, {"OK"}, "OK"},
        BoxCase{MessageBoxes::Kind::Confirmation,
                "Confirm",
                QMessageBox::Question,
                {"&No", "&Yes"},
                "&No"},
        BoxCase{MessageBoxes::Kind::Failure, "Savrona v1.0", QMessageBox::Critical, {"OK"}, "OK"},
        // Neither Escape nor the close box quits without saving.
        BoxCase{MessageBoxes::Kind::RetryOrQuit,
                "Savrona v1.0",
                QMessageBox::Warning,
                {"&Quit Without Saving", "&Try Again"},
                "&Try Again"}));

// The exit's question with its third answer: the designed two buttons as
// they were, Save Elsewhere after them, and still no way to quit by Escape.
TEST(MessageBoxTest, TheExitQuestionOffersSaveElsewhereAfterItsTwoButtons) {
    QMessageBox box;
    QAbstractButton* retry =
        QtMessageBoxes::configure(box, MessageBoxes::Kind::RetryOrQuit, "First\rSecond");
    QAbstractButton* elsewhere = QtMessageBoxes::addSaveElsewhereButton(box);
    QStringList captions;
    for (QAbstractButton* button : box.buttons())
        captions.append(button->text());
    EXPECT_EQ(captions, QStringList({"&Try Again", "&Quit Without Saving", "Save &Elsewhere..."}));
    EXPECT_EQ(box.buttonRole(elsewhere), QMessageBox::ActionRole);
    EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()), retry);
    EXPECT_EQ(box.escapeButton(), retry);
}

TEST(TextLinesTest, BoxesBreakAtLineFeedsAndRecordsAtCarriageReturnLineFeed) {
    EXPECT_EQ(textForBox("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(textForRecord("a\nb\n"), "a\r\nb\r\n");
    // A text already in record form is not doubled.
    EXPECT_EQ(textForRecord("a\r\nb"), "a\r\nb");
    EXPECT_EQ(textForRecord(textForBox("1\r\n2\r\n\r\n3")), "1\r\n2\r\n\r\n3");
}

TEST(QtSettingsStoreTest, ValuesAreWrittenAndReadBackAsTexts) {
    // Test mode keeps this away from the user's own settings.
    QSettings settings(QStringLiteral("Keltrim"), QStringLiteral("Savrona"));
    ASSERT_TRUE(settings.fileName().contains(QStringLiteral(".qttest")));
    settings.clear();
    settings.sync();
    QtSettingsStore store;
    EXPECT_EQ(store.value("Top"), std::nullopt);
    EXPECT_TRUE(store.setValue("Top", "-12"));
    const std::optional<QVariant> stored = store.value("Top");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->typeId(), QMetaType::QString);
    EXPECT_EQ(stored->toString(), "-12");
    settings.clear();
}

} // namespace
} // namespace savrona
