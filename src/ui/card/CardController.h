#pragma once

// Opening recipe cards from the main window and keeping them in step with the cookbook.

#include "cookbook/card/CardRecord.h"

#include "platform/web/PageDownloader.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QAction;
class QPixmap;

namespace savrona {

class AdditionsHost;
class CardWindow;
class ScreenAwake;

// Adds "Recipe ca&rd" (Ctrl+K) to the additions' menu and to the tree's menu, opening
// the card of the selected recipe; the find window asks for one by title. One card a
// recipe: opening it again brings it to the front. After every rebuild each card reads
// its recipe again (by ID, or title), so that it follows a rename, a move or an edit, and
// closes with a word when the recipe is gone. The card's servings, notes and picture
// are written to the record as commands of the main window, the table written behind.
// The screen is kept awake while a card is the active window.
class CardController : public QObject {
    Q_OBJECT
public:
    explicit CardController(AdditionsHost& window);
    ~CardController() override;

    QAction* cardAction() const { return m_cardAction; }
    QAction* treeCardAction() const { return m_treeCardAction; }
    QList<CardWindow*> cards() const { return m_cards; }
    // Stands a test's stand-in in for the desktop's screen saver.
    void useScreenAwake(std::unique_ptr<ScreenAwake> screen);

    // The card of the recipe selected in the tree; a word when no recipe is.
    void openSelectedRecipe();
    // The card of the recipe of that title; nothing when there is none.
    CardWindow* openCardTitled(const QString& title);

signals:
    // A card's "Add to shopping list", with the servings it shows.
    void shoppingListRequested(const QString& title, const QString& ingredients, double factor);

public:
private:
    CardWindow* openCard(const CardRecord& record);
    CardWindow* cardOf(const CardKey& key) const;
    void connectCard(CardWindow* card);
    void followCookbook();
    void closeGoneCard(CardWindow* card);
    QPixmap pictureOf(const CardRecord& record) const;
    void editRecord(CardWindow* card, const QString& fieldName, const QString& text);
    void choosePicture(CardWindow* card);
    void storePicture(CardWindow* card, const QString& path);
    void downloadPicture(QPointer<CardWindow> card);
    void cardActivation(CardWindow* card, bool active);

    AdditionsHost& m_window;
    QAction* m_cardAction = nullptr;
    QAction* m_treeCardAction = nullptr;
    QList<CardWindow*> m_cards;
    PageDownloader m_downloader;
    std::unique_ptr<ScreenAwake> m_screen;
    CardWindow* m_awakeFor = nullptr;
};

} // namespace savrona
