#pragma once

// What Savrona's small dialogs share: their fonts, their pictures and the BannerDialog
// frame.

#include <QDialog>
#include <QPoint>

#include <optional>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace savrona {

// Tahoma, 8 point, with look-alike fallbacks where Tahoma is missing.
QFont tahomaFont();
// MS Sans Serif, 8 point, with look-alike fallbacks.
QFont msSansSerifFont();

// A picture of the program's resources drawn at 32 x 32; empty when missing.
QPixmap dialogPicture(const QString& resourcePath);

inline const QString categoryPicturePath = QStringLiteral(":/images/category-open-box.svg");
inline const QString applicationPicturePath = QStringLiteral(":/images/taco.svg");

// The frame shared by the About box and the category dialogs: a fixed dialog
// with a 392 x 248 client area, no resizing and no minimise or maximise
// buttons; a caption strip in the window colour holding a bold label; a line
// under the strip; a 32 x 32 picture at the left. The first showing is centred
// on the parent window, outer frame on outer frame; later showings keep the
// position the dialog had when it last closed. FormActivate runs at every
// showing.
class BannerDialog : public QDialog {
    Q_OBJECT
public:
    BannerDialog(QWidget* parent, const QFont& font);

    QWidget* Panel1;
    QLabel* Label1;
    QFrame* Bevel1;
    QLabel* Image1;

protected:
    // Sets the caption and the content anew for a showing.
    virtual void FormActivate() = 0;

    QLabel* addLabel(const QString& text, int left, int top);
    QFrame* addLine(int left, int top, int width);
    QPushButton* addButton(const QString& caption, int left, int top);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::optional<QPoint> m_lastPosition;
};

} // namespace savrona
