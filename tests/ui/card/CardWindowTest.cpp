// The recipe card on a real main window: opening it, one card a recipe, following the
// cookbook, scaling and units shown, what the card writes to the record, the screen kept
// awake, and the pictures' folder.
#include "ui/GuiTestSupport.h"
#include "ui/web/LocalWebServer.h"

#include "cookbook/CookbookFields.h"
#include "cookbook/card/CardRecord.h"
#include "data/engine/Lookups.h"
#include "ui/card/CardController.h"
#include "ui/card/CardWindow.h"
#include "ui/card/PictureStore.h"
#include "ui/card/ScreenAwake.h"
#include "ui/find/FindController.h"
#include "ui/find/FindWindow.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace savrona::testing {
namespace {

const QString pancakes = QStringLiteral("Pancakes");

class FakeScreenAwake : public ScreenAwake {
public:
    struct Calls {
        int holds = 0;
        int releases = 0;
        bool held = false;
    };
    explicit FakeScreenAwake(Calls& calls) : m_calls(calls) {}
    void hold(const QString&) override {
        ++m_calls.holds;
        m_calls.held = true;
    }
    void release() override {
        if (m_calls.held)
            ++m_calls.releases;
        m_calls.held = false;
    }

private:
    Calls& m_calls;
};

class CardWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        writeSmallCookbook(
            folder.path(),
            {{20, 3, pancakes, "1 1/2 cups flour\r\n4 eggs\r\n250 ml milk\r\nsalt to taste",
              "Heat the oven to 350°F.\r\nMix.\r\nBake."}});
        start();
        controller = window->findChild<CardController*>();
        ASSERT_NE(controller, nullptr);
        controller->useScreenAwake(std::make_unique<FakeScreenAwake>(screen));
    }

    void setField(const QString& title, const QString& field, const QString& text) {
        ASSERT_TRUE(writeCardField(window->recipes(), CardKey{std::nullopt, title}, field, text));
    }

    CardWindow& open(const QString& title = pancakes) {
        CardWindow* card = controller->openCardTitled(title);
        EXPECT_NE(card, nullptr);
        QCoreApplication::processEvents();
        return *card;
    }

    static QStringList lines(const QListWidget& list) {
        QStringList texts;
        for (int row = 0; row < list.count(); ++row)
            texts << list.item(row)->text();
        return texts;
    }

    // A field of the recipe's stored record; nothing when null.
    std::optional<QString> stored(const QString& title, const QString& field) {
        Table& recipes = window->recipes();
        recipes.setFilter(lookup::recipeByTitle(title));
        recipes.setFiltered(true);
        const Value value = recipes.recordCount() > 0 ? recipes.fieldByName(field) : Value();
        recipes.setFiltered(false);
        return value.isText() ? std::optional(value.toQString()) : std::nullopt;
    }

    // The three texts the designed commands own, as stored.
    QStringList storedTexts(const QString& title) {
        return {storedField(title, field::title).value_or("-"),
                storedField(title, field::ingredients).value_or("-"),
                storedField(title, field::preparation).value_or("-")};
    }

    QString picturePath(const QString& name) const {
        return QDir(folder.path()).filePath(picturesFolderName + "/" + name);
    }

    QString writeImage(const QString& name, QColor colour) {
        const QString path = QDir(pictures.path()).filePath(name);
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    CardController* controller = nullptr;
    FakeScreenAwake::Calls screen;
    QTemporaryDir pictures;
};

// Opening.

enum class Way { AdditionsMenuCtrlK, TreeMenu, FindShiftEnter };

class CardOpeningTest : public CardWindowTest, public ::testing::WithParamInterface<Way> {};

TEST_P(CardOpeningTest, OpensTheCardOfTheRecipe) {
    switch (GetParam()) {
    case Way::AdditionsMenuCtrlK:
        select(pancakes);
        QApplication::setActiveWindow(window.get());
        QTest::keyClick(window->treeCategories, Qt::Key_K, Qt::ControlModifier);
        break;
    case Way::TreeMenu:
        select(pancakes);
        window->treePopupPopup(node(pancakes));
        ASSERT_TRUE(controller->treeCardAction()->isEnabled());
        controller->treeCardAction()->trigger();
        break;
    case Way::FindShiftEnter: {
        auto* find = window->findChild<FindController*>();
        find->findAction()->trigger();
        QTest::keyClicks(find->findWindow()->searchBox, "pancakes");
        QTest::keyClick(find->findWindow()->searchBox, Qt::Key_Return, Qt::ShiftModifier);
        break;
    }
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(controller->cards().size(), 1);
    CardWindow& card = *controller->cards().first();
    EXPECT_TRUE(card.isVisible());
    EXPECT_EQ(card.titleLabel->text(), pancakes);
    EXPECT_GT(card.titleLabel->font().pointSizeF(), card.font().pointSizeF());
    EXPECT_EQ(lines(*card.ingredientsList),
              QStringList({"1 1/2 cups flour", "4 eggs", "250 ml milk", "salt to taste"}));
    EXPECT_EQ(lines(*card.stepsList),
              QStringList({"1. Heat the oven to 350°F.", "2. Mix.", "3. Bake."}));
}

INSTANTIATE_TEST_SUITE_P(CardOpening, CardOpeningTest,
                         ::testing::Values(Way::AdditionsMenuCtrlK, Way::TreeMenu,
                                           Way::FindShiftEnter));

TEST_F(CardWindowTest, TheTreeMenuItemIsOnlyForRecipesAndTheMenuItemSaysSo) {
    EXPECT_EQ(controller->cardAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
    select("Soups");
    EXPECT_FALSE(controller->treeCardAction()->isEnabled());
    controller->cardAction()->trigger();
    EXPECT_TRUE(controller->cards().isEmpty());
    EXPECT_EQ(fake.messages.texts(), QStringList{"Select a recipe in the tree to see its card."});
}

TEST_F(CardWindowTest, OneCardARecipeAndSeveralRecipesAtOnce) {
    CardWindow& first = open();
    EXPECT_EQ(&open(), &first);
    EXPECT_EQ(controller->cards().size(), 1);
    CardWindow& soup = open("Tomato soup");
    EXPECT_NE(&soup, &first);
    EXPECT_EQ(controller->cards().size(), 2);
    soup.close();
    QCoreApplication::processEvents();
    EXPECT_EQ(controller->cards().size(), 1);
}

// Following the cookbook.

TEST_F(CardWindowTest, FollowsARenameAndAnEditThenClosesWithAWordOnADelete) {
    CardWindow& card = open();
    QPointer<CardWindow> watched(&card);
    select(pancakes);
    window->Edit1->setText("Fluffy pancakes");
    window->Memo1->setPlainText("3 eggs");
    window->Button2Click();
    QCoreApplication::processEvents();
    ASSERT_FALSE(watched.isNull());
    EXPECT_EQ(card.titleLabel->text(), "Fluffy pancakes");
    EXPECT_EQ(lines(*card.ingredientsList), QStringList{"3 eggs"});

    select("Fluffy pancakes");
    window->Deleterecipe1Click();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watched.isNull());
    EXPECT_TRUE(controller->cards().isEmpty());
    EXPECT_TRUE(fake.messages.texts().last().contains("\"Fluffy pancakes\" is no longer"));
}

// Scaling and units, display only.

struct ShownCase {
    const char* name;
    std::function<void(CardWindow&)> act;
    QStringList ingredients;
    QStringList steps;
};

class CardShowingTest : public CardWindowTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(CardShowingTest, ShowsTheLinesScaledAndConvertedAndStoresNothing) {
    setField(pancakes, field::servings, "Serves 4");
    const QStringList before = storedTexts(pancakes);
    CardWindow& card = open();
    card.ingredientsList->item(1)->setCheckState(Qt::Checked);
    GetParam().act(card);
    EXPECT_EQ(lines(*card.ingredientsList), GetParam().ingredients);
    if (!GetParam().steps.isEmpty()) {
        EXPECT_EQ(lines(*card.stepsList), GetParam().steps);
    }
    EXPECT_EQ(card.ingredientsList->item(1)->checkState(), Qt::Checked) << "the tick stays";
    EXPECT_EQ(storedTexts(pancakes), before);
}

INSTANTIATE_TEST_SUITE_P(
    CardShowing, CardShowingTest,
    ::testing::Values(ShownCase{"Double",
                                [](CardWindow& card) { card.doubleButton->click(); },
                                {"3 cups flour", "8 eggs", "500 ml milk", "salt to taste"},
                                {}},
                      ShownCase{"Half",
                                [](CardWindow& card) { card.halfButton->click(); },
                                {"3/4 cup flour", "2 eggs", "125 ml milk", "salt to taste"},
                                {}},
                      ShownCase{"Triple",
                                [](CardWindow& card) { card.tripleButton->click(); },
                                {"4 1/2 cups flour", "12 eggs", "750 ml milk", "salt to taste"},
                                {}},
                      ShownCase{"SixServingsOfFour",
                                [](CardWindow& card) {
                                    card.servingsBox->selectAll();
                                    QTest::keyClicks(card.servingsBox, "6");
                                },
                                {"2 1/4 cups flour", "6 eggs", "375 ml milk", "salt to taste"},
                                {}},
                      ShownCase{"Metric",
                                [](CardWindow& card) { card.setUnitMode(UnitMode::Metric); },
                                {"350 ml flour", "4 eggs", "250 ml milk", "salt to taste"},
                                {"1. Heat the oven to 180°C.", "2. Mix.", "3. Bake."}},
                      ShownCase{"UsDoubled",
                                [](CardWindow& card) {
                                    card.unitsBox->setCurrentIndex(card.unitsBox->findText("US"));
                                    card.doubleButton->click();
                                },
                                {"3 cups flour", "8 eggs", "2 1/8 cups milk", "salt to taste"},
                                {"1. Heat the oven to 350°F.", "2. Mix.", "3. Bake."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CardWindowTest, TheServingsShownAreTheRecordsTimesTheFactor) {
    setField(pancakes, field::servings, "Serves 4");
    CardWindow& card = open();
    EXPECT_EQ(card.servingsBox->text(), "4");
    card.halfButton->click();
    EXPECT_EQ(card.servingsBox->text(), "2");
    card.tripleButton->click();
    EXPECT_EQ(card.servingsBox->text(), "12");
}

TEST_F(CardWindowTest, ServingsTypedOnceAreKeptInTheRecordAndScaleFromThen) {
    const QStringList before = storedTexts(pancakes);
    CardWindow& card = open();
    EXPECT_EQ(card.servingsBox->text(), "-");
    card.doubleButton->click();
    EXPECT_EQ(lines(*card.ingredientsList).first(), "3 cups flour");
    EXPECT_EQ(stored(pancakes, field::servings), std::nullopt);

    card.servingsBox->selectAll();
    QTest::keyClicks(card.servingsBox, "3");
    QTest::keyClick(card.servingsBox, Qt::Key_Return);
    waitForWrites();
    EXPECT_EQ(stored(pancakes, field::servings), "3");
    EXPECT_EQ(storedTexts(pancakes), before);
    card.doubleButton->click();
    EXPECT_EQ(card.servingsBox->text(), "6");

    // Kept in the file: a window started afresh reads it.
    window.reset();
    start();
    EXPECT_EQ(stored(pancakes, field::servings), "3");
}

// Notes.

TEST_F(CardWindowTest, NotesAreSavedWithTheirAddressShownAsALink) {
    CardWindow& card = open();
    EXPECT_FALSE(card.notesLink->isVisibleTo(&card));
    card.notesBox->setFocus();
    QTest::keyClicks(card.notesBox, "From https://example.org/pancakes");
    card.stepsList->setFocus();
    card.finishNotes(); // the focus leaving the box, whether or not the platform moves it
    waitForWrites();
    EXPECT_EQ(stored(pancakes, field::notes), "From https://example.org/pancakes");
    ASSERT_TRUE(card.notesLink->isVisibleTo(&card));
    emit card.notesLink->linkActivated("https://example.org/pancakes");
    EXPECT_EQ(fake.urls.opened, QList<QUrl>{QUrl("https://example.org/pancakes")});
}

TEST_F(CardWindowTest, NotesStopAtWhatTheFieldHolds) {
    CardWindow& card = open();
    card.notesBox->setPlainText(QString(200, 'a') + "\n" + QString(100, 'b'));
    card.finishNotes();
    const auto notes = stored(pancakes, field::notes);
    ASSERT_TRUE(notes.has_value());
    EXPECT_EQ(notes->size(), 255);
    EXPECT_TRUE(notes->startsWith(QString(200, 'a') + "\r\n"));
}

// Steps, type size, accessibility.

TEST_F(CardWindowTest, SpaceAndArrowsMoveThroughTheStepsAndTheCurrentIsMarked) {
    CardWindow& card = open();
    EXPECT_EQ(card.currentStep(), 0);
    QTest::keyClick(card.stepsList, Qt::Key_Space);
    EXPECT_EQ(card.currentStep(), 1);
    EXPECT_TRUE(card.stepsList->item(1)->font().bold());
    EXPECT_FALSE(card.stepsList->item(0)->font().bold());
    QTest::keyClick(card.stepsList, Qt::Key_Right);
    QTest::keyClick(card.stepsList, Qt::Key_Space);
    EXPECT_EQ(card.currentStep(), 2) << "the last step stays";
    QTest::keyClick(card.stepsList, Qt::Key_Up);
    EXPECT_EQ(card.currentStep(), 1);
    QTest::keyClick(card.stepsList, Qt::Key_Left);
    EXPECT_EQ(card.currentStep(), 0);
}

TEST_F(CardWindowTest, TypeSizeFullScreenAndCloseKeys) {
    CardWindow& card = open();
    QApplication::setActiveWindow(&card);
    const double size = card.font().pointSizeF();
    QTest::keyClick(card.stepsList, Qt::Key_Plus, Qt::ControlModifier);
    QTest::keyClick(card.stepsList, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_GT(card.font().pointSizeF(), size);
    EXPECT_GT(card.titleLabel->font().pointSizeF(), card.font().pointSizeF());
    QTest::keyClick(card.stepsList, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(card.stepsList, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(card.font().pointSizeF(), size);
    QTest::keyClick(card.stepsList, Qt::Key_F11);
    EXPECT_TRUE(card.windowState().testFlag(Qt::WindowFullScreen));
    QTest::keyClick(card.stepsList, Qt::Key_F11);
    EXPECT_FALSE(card.windowState().testFlag(Qt::WindowFullScreen));
    QTest::keyClick(card.stepsList, Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_TRUE(controller->cards().isEmpty());
}

TEST_F(CardWindowTest, EveryControlWithoutTextHasAnAccessibleName) {
    CardWindow& card = open();
    const QList<QWidget*> textless{card.pictureLabel,    card.servingsBox,  card.unitsBox,
                                   card.ingredientsList, card.stepsList,    card.notesBox,
                                   card.halfButton,      card.doubleButton, card.tripleButton};
    for (const QWidget* control : textless)
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
}

// The screen kept awake.

TEST_F(CardWindowTest, TheScreenIsKeptAwakeWhileACardIsActiveAndReleasedAfter) {
    CardWindow& card = open();
    QApplication::setActiveWindow(&card);
    QCoreApplication::processEvents();
    EXPECT_TRUE(screen.held);
    QApplication::setActiveWindow(window.get());
    QCoreApplication::processEvents();
    EXPECT_FALSE(screen.held) << "released when the card loses the focus";
    QApplication::setActiveWindow(&card);
    QCoreApplication::processEvents();
    EXPECT_TRUE(screen.held);
    card.close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(screen.held) << "released when the card closes";
    EXPECT_EQ(screen.holds, screen.releases);
}

TEST_F(CardWindowTest, WithoutADesktopBusTheRealScreenSaverIsSilent) {
    controller->useScreenAwake(std::make_unique<DBusScreenAwake>());
    CardWindow& card = open();
    QApplication::setActiveWindow(&card);
    QCoreApplication::processEvents();
    card.close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(fake.messages.shown.empty());
}

// The picture.

TEST_F(CardWindowTest, APictureIsCopiedBesideTheDataFilesNeverOverAnother) {
    ASSERT_TRUE(QDir(folder.path()).mkpath(picturesFolderName));
    QFile taken(picturePath("Pancakes.png"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("another picture");
    taken.close();

    const QStringList before = storedTexts(pancakes);
    CardWindow& card = open();
    EXPECT_FALSE(card.pictureLabel->isVisibleTo(&card));
    EXPECT_EQ(card.choosePictureButton->text(), "Choose picture...");
    fake.fileDialogs.filesToOpen = {writeImage("dish.PNG", Qt::red)};
    card.choosePictureButton->click();
    waitForWrites();

    EXPECT_EQ(stored(pancakes, field::picture), "Pancakes (2).png");
    EXPECT_TRUE(QImage(picturePath("Pancakes (2).png")).pixelColor(0, 0) == QColor(Qt::red));
    ASSERT_TRUE(taken.open(QIODevice::ReadOnly));
    EXPECT_EQ(taken.readAll(), "another picture");
    EXPECT_TRUE(fake.fileDialogs.openTypes.first().contains("*.png"));
    ASSERT_TRUE(card.pictureLabel->isVisibleTo(&card));
    const QPixmap shown = card.pictureLabel->pixmap();
    ASSERT_FALSE(shown.isNull());
    EXPECT_NEAR(double(shown.width()) / shown.height(), 2.0, 0.05) << "never stretched";
    EXPECT_EQ(card.choosePictureButton->text(), "Replace picture...");
    EXPECT_EQ(storedTexts(pancakes), before);

    // Another dropped on the card replaces it under a free name.
    QMimeData dragged;
    dragged.setUrls({QUrl::fromLocalFile(writeImage("other.jpg", Qt::blue))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&card, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&card, &drop);
    EXPECT_EQ(fake.messages.texts(), QStringList());
    EXPECT_EQ(stored(pancakes, field::picture), "Pancakes.jpg");

    card.removePictureButton->click();
    EXPECT_EQ(stored(pancakes, field::picture), std::nullopt);
    EXPECT_FALSE(card.pictureLabel->isVisibleTo(&card));
    EXPECT_TRUE(QFile::exists(picturePath("Pancakes (2).png")));
}

TEST_F(CardWindowTest, AFileThatIsNoPictureIsRefusedWithItsReason) {
    CardWindow& card = open();
    const QString notPicture = QDir(pictures.path()).filePath("notes.png");
    QFile file(notPicture);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an image");
    file.close();
    fake.fileDialogs.filesToOpen = {notPicture};
    card.choosePictureButton->click();
    EXPECT_EQ(stored(pancakes, field::picture), std::nullopt);
    EXPECT_FALSE(QDir(folder.path()).exists(picturesFolderName));
    ASSERT_FALSE(fake.messages.shown.empty());
    EXPECT_TRUE(fake.messages.texts().last().contains("is not a picture"));
}

TEST_F(CardWindowTest, APictureAddressIsDownloadedIntoThePicturesFolder) {
    LocalWebServer server;
    ASSERT_TRUE(server.isUp());
    // Downloaded by itself once the card shows.
    setField(pancakes, field::picture, server.address("/pancakes.png"));
    open();
    QTRY_COMPARE_WITH_TIMEOUT(stored(pancakes, field::picture), QString("Pancakes.png"), 10000);
    EXPECT_EQ(fake.messages.texts(), QStringList());
    EXPECT_TRUE(QFile::exists(picturePath("Pancakes.png")));
    controller->cards().front()->close();
    QCoreApplication::processEvents();

    // A page that is no picture stays an address, silently; its button says why.
    setField(pancakes, field::picture, server.address("/plain.html"));
    CardWindow& card = open();
    QTest::qWait(300);
    EXPECT_EQ(fake.messages.texts(), QStringList());
    card.downloadPictureButton->click();
    ASSERT_FALSE(fake.messages.shown.empty());
    EXPECT_TRUE(fake.messages.texts().last().contains("is not a picture"));
    EXPECT_EQ(stored(pancakes, field::picture), server.address("/plain.html"));
}

TEST_F(CardWindowTest, APictureAddressOffersItsDownload) {
    // Refused at once on the loopback address: the address and its button stay.
    setField(pancakes, field::picture, "http://127.0.0.1:1/pancakes.jpg");
    CardWindow& card = open();
    EXPECT_TRUE(card.downloadPictureButton->isVisibleTo(&card));
    EXPECT_FALSE(card.pictureLabel->isVisibleTo(&card));
    setField(pancakes, field::picture, "");
    window->rebuildTree();
    QCoreApplication::processEvents();
    EXPECT_FALSE(card.downloadPictureButton->isVisibleTo(&card));
}

} // namespace
} // namespace savrona::testing
