#pragma once

// The recipe card: one recipe shown for cooking, in a window of its own.

#include "cookbook/card/CardRecord.h"
#include "cookbook/card/UnitConversion.h"

#include <QPixmap>
#include <QWidget>

#include <optional>

class QAction;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace savrona {

// Shows the title, the picture, the servings, the ingredients as lines to tick off, the
// preparation as numbered steps with the current one marked, and the notes. Scaling and
// units change only what is shown. What would change the record (the servings typed when
// the record has none, the notes, the picture) is reported, not written: the card's
// controller writes it and shows the record again.
class CardWindow : public QWidget {
    Q_OBJECT
public:
    explicit CardWindow(QWidget* parent);

    // Shows the record; the picture is null when there is none to show. The scaling, the
    // units, the ticks and the current step stay as they are while the lines do.
    void showRecord(const CardRecord& record, const QPixmap& picture);
    const CardKey& key() const { return m_record.key; }
    const CardRecord& record() const { return m_record; }

    // Multiplies the amounts as written; the servings box shows the servings that makes.
    void setFactor(double factor);
    double factor() const { return m_factor; }
    void setUnitMode(UnitMode mode);
    UnitMode unitMode() const;

    int currentStep() const;
    void moveToStep(int step);
    // Larger (steps > 0) or smaller type.
    void changeTextSize(int steps);
    void toggleFullScreen();
    // Reports the notes when they were edited since last shown or reported.
    void finishNotes();

    QLabel* titleLabel = nullptr;
    QLabel* pictureLabel = nullptr;
    QPushButton* choosePictureButton = nullptr;
    QPushButton* removePictureButton = nullptr;
    QPushButton* downloadPictureButton = nullptr;
    QDoubleSpinBox* servingsBox = nullptr;
    QPushButton* halfButton = nullptr;
    QPushButton* doubleButton = nullptr;
    QPushButton* tripleButton = nullptr;
    QPushButton* shoppingListButton = nullptr;
    QComboBox* unitsBox = nullptr;
    QListWidget* ingredientsList = nullptr;
    QListWidget* stepsList = nullptr;
    QPlainTextEdit* notesBox = nullptr;
    QLabel* notesLink = nullptr;
    QAction* largerTextAction = nullptr;
    QAction* smallerTextAction = nullptr;
    QAction* fullScreenAction = nullptr;
    QAction* closeAction = nullptr;

signals:
    // The servings typed while the record holds none: the base to keep.
    void baseServingsTyped(double servings);
    void notesEdited(const QString& notes);
    void pictureChosen(const QString& path); // a picture file dropped on the card
    void choosePictureClicked();
    void removePictureClicked();
    void downloadPictureClicked();
    void linkClicked(const QString& address);
    void activationChanged(bool active);
    void closing();
    // The recipe's ingredients, for the shopping list, at the servings shown.
    void addToShoppingList(const QString& title, const QString& ingredients, double factor);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QWidget* createPictureSide();
    QWidget* createServingsRow();
    QWidget* createCookingSide();
    void createActions();
    void showIngredients();
    void showSteps();
    void showServings();
    void showNotes();
    void showPicture();
    void markCurrentStep();
    void servingsChanged(double servings);
    void servingsFinished();
    void limitNotes();
    void applyTextSize();

    CardRecord m_record;
    std::optional<double> m_baseServings;
    double m_factor = 1.0;
    QPixmap m_picture;
    int m_textSteps = 0;
    double m_basePointSize = 0;
    bool m_showing = false;     // the boxes are being set, not typed in
    bool m_notesEdited = false; // since the notes were last shown or reported
};

} // namespace savrona
