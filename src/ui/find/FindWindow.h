#pragma once

// The "Find Recipes" window: a search box, the list of results and their number.

#include <QWidget>

class QAbstractItemModel;
class QLabel;
class QLineEdit;
class QTableView;

namespace savrona {

// A window of its own beside the main window, never modal. It reports what
// the user does and shows what it is given; the searching is done elsewhere
// (FindController). Up and Down (and the page keys) in the search box move
// through the results, Enter or a double click chooses the current result,
// Escape closes the window. Shift+Enter asks for the current result's recipe card.
class FindWindow : public QWidget {
    Q_OBJECT
public:
    FindWindow(QAbstractItemModel* results, QWidget* parent);

    QLineEdit* searchBox = nullptr;
    QTableView* resultsList = nullptr;
    QLabel* countLabel = nullptr;

    int currentRow() const;
    void setCurrentRow(int row);

signals:
    void queryChanged(const QString& text);
    void recipeChosen(int row);
    void cardRequested(int row);
    void hidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};

} // namespace savrona
