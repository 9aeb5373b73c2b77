// Puts the print and PDF commands into the tree menu and runs them on the shown recipe.
#include "ui/print/RecipePrintMenu.h"

#include "ui/print/RecipePrinting.h"
#include "platform/SavronaApplication.h"
#include "ui/main-window/Unit1.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

namespace savrona {

RecipePrintMenu::RecipePrintMenu(TformMain& window) : QObject(&window), m_window(window) {
    m_lastAdded = m_window.Exportrecipe1;
    Printrecipe1 =
        addBelowExport(QStringLiteral("&Print recipe..."), &RecipePrintMenu::Printrecipe1Click);
    SaverecipeasPDF1 = addBelowExport(QStringLiteral("Save recipe as P&DF..."),
                                      &RecipePrintMenu::SaverecipeasPDF1Click);
    m_menu = m_window.treePopup;
    m_menu->installEventFilter(this);
}

namespace {

// The letter of an item's access key, or 0.
int accessKeyOf(const QAction& item) {
    const QKeySequence mnemonic = QKeySequence::mnemonic(item.text());
    return mnemonic.isEmpty() ? 0 : (mnemonic[0].toCombined() & 0xffff);
}

int letterOf(const QKeyEvent& key) {
    if (key.modifiers() & ~(Qt::ShiftModifier | Qt::AltModifier) || key.text().size() != 1)
        return 0;
    return key.text().at(0).toUpper().unicode();
}

// The menu's one enabled item of that access key, if exactly one is enabled.
QAction* onlyEnabledItemFor(const QMenu& menu, int letter) {
    QAction* found = nullptr;
    for (QAction* item : menu.actions()) {
        if (item->isSeparator() || !item->isEnabled() || !item->isVisible() ||
            accessKeyOf(*item) != letter)
            continue;
        if (found != nullptr)
            return nullptr;
        found = item;
    }
    return found;
}

} // namespace

bool RecipePrintMenu::eventFilter(QObject* watched, QEvent* event) {
    // The window may be half destroyed here: only the menu and the two items are used.
    if (watched != m_menu || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    // Only the keys of the two items: the menu's other keys work as Qt's menu has them.
    const int letter = letterOf(*static_cast<QKeyEvent*>(event));
    if (letter == 0 ||
        (letter != accessKeyOf(*Printrecipe1) && letter != accessKeyOf(*SaverecipeasPDF1)))
        return QObject::eventFilter(watched, event);
    QAction* item = onlyEnabledItemFor(*m_menu, letter);
    if (item == nullptr)
        return QObject::eventFilter(watched, event);
    m_menu->hide();
    item->trigger();
    return true;
}

QAction* RecipePrintMenu::addBelowExport(const QString& caption,
                                         void (RecipePrintMenu::*handler)()) {
    QMenu& menu = *m_window.treePopup;
    const QList<QAction*> items = menu.actions();
    const qsizetype above = items.indexOf(m_lastAdded);
    QAction* below = above + 1 < items.size() ? items.at(above + 1) : nullptr;

    auto* item = new QAction(caption, &menu);
    menu.insertAction(below, item);
    item->setEnabled(m_window.Exportrecipe1->isEnabled());
    connect(m_window.Exportrecipe1, &QAction::enabledChanged, item, &QAction::setEnabled);
    connect(item, &QAction::triggered, this, [this, handler] {
        SavronaApplication::runReportingErrors([this, handler] { (this->*handler)(); });
    });
    m_lastAdded = item;
    return item;
}

// What the export writes: the pane as the menu's selection switch left it.
ExportedRecipe RecipePrintMenu::shownRecipe() const {
    return {m_window.Label2->text(), m_window.Edit1->text(), m_window.Memo1->toPlainText(),
            m_window.Memo2->toPlainText()};
}

void RecipePrintMenu::Printrecipe1Click() {
    printRecipe(*m_window.platform().printDialog, &m_window, shownRecipe(),
                *m_window.dataSetRecipes->dataFolder());
}

void RecipePrintMenu::SaverecipeasPDF1Click() {
    saveRecipeAsPdf(*m_window.platform().saveDialog, &m_window, shownRecipe(),
                    *m_window.dataSetRecipes->dataFolder());
}

} // namespace savrona
