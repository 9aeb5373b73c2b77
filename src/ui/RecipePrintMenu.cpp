// Puts the print and PDF commands into the tree menu and runs them on the shown recipe.
#include "RecipePrintMenu.h"

#include "RecipePrinting.h"
#include "SavronaApplication.h"
#include "Unit1.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>

namespace savrona {

RecipePrintMenu::RecipePrintMenu(TformMain& window, QString dataFolder)
    : QObject(&window), m_window(window), m_dataFolder(std::move(dataFolder)) {
    m_lastAdded = m_window.Exportrecipe1;
    Printrecipe1 =
        addBelowExport(QStringLiteral("&Print recipe..."), &RecipePrintMenu::Printrecipe1Click);
    SaverecipeasPDF1 = addBelowExport(QStringLiteral("Save recipe as P&DF..."),
                                      &RecipePrintMenu::SaverecipeasPDF1Click);
    m_menu = m_window.treePopup;
    m_menu->installEventFilter(this);
}

namespace {

// The menu's one enabled item whose access key the key is, if exactly one is.
QAction* onlyEnabledItemFor(const QMenu& menu, const QKeyEvent& key) {
    if (key.modifiers() & ~(Qt::ShiftModifier | Qt::AltModifier) || key.text().size() != 1)
        return nullptr;
    const int pressed = key.text().at(0).toUpper().unicode();
    QAction* found = nullptr;
    for (QAction* item : menu.actions()) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(item->text());
        if (item->isSeparator() || !item->isEnabled() || !item->isVisible() || mnemonic.isEmpty() ||
            (mnemonic[0].toCombined() & 0xffff) != pressed)
            continue;
        if (found != nullptr)
            return nullptr; // several: Qt's menu goes from one to the next
        found = item;
    }
    return found;
}

} // namespace

bool RecipePrintMenu::eventFilter(QObject* watched, QEvent* event) {
    // The window may be half destroyed here: only the menu is used.
    if (watched == m_menu && event->type() == QEvent::KeyPress) {
        if (QAction* item = onlyEnabledItemFor(*m_menu, *static_cast<QKeyEvent*>(event))) {
            m_menu->hide();
            item->trigger();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
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
    printRecipe(*m_window.platform().printDialog, &m_window, shownRecipe(), m_dataFolder);
}

void RecipePrintMenu::SaverecipeasPDF1Click() {
    saveRecipeAsPdf(*m_window.platform().saveDialog, &m_window, shownRecipe(), m_dataFolder);
}

} // namespace savrona
