// The dialogs' fonts with their fallbacks, the SVG pictures drawn at 32 x 32, and the
// banner frame with its remembered position.
#include "ui/dialogs/BannerDialog.h"

#include "ui/look/OuterCentre.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QSvgRenderer>

namespace savrona {

namespace {

constexpr int clientWidth = 392;
constexpr int clientHeight = 248;
constexpr int stripHeight = 40;

QFont eightPointFont(const QStringList& families) {
    QFont font;
    font.setFamilies(families);
    font.setPointSize(8);
    return font;
}

} // namespace

QFont tahomaFont() {
    return eightPointFont({QStringLiteral("Tahoma"), QStringLiteral("Verdana"),
                           QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                           QStringLiteral("Arial")});
}

QFont msSansSerifFont() {
    return eightPointFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                           QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                           QStringLiteral("DejaVu Sans")});
}

QPixmap dialogPicture(const QString& resourcePath) {
    QSvgRenderer renderer(resourcePath);
    if (!renderer.isValid())
        return {};
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    renderer.render(&painter);
    return picture;
}

BannerDialog::BannerDialog(QWidget* parent, const QFont& font)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      Panel1(new QWidget(this)), Label1(new QLabel(Panel1)), Bevel1(new QFrame(this)),
      Image1(new QLabel(this)) {
    setFont(font);
    setFixedSize(clientWidth, clientHeight);

    Panel1->setGeometry(0, 0, clientWidth, stripHeight);
    Panel1->setAutoFillBackground(true);
    QPalette stripPalette = Panel1->palette();
    stripPalette.setColor(QPalette::Window, stripPalette.color(QPalette::Base));
    Panel1->setPalette(stripPalette);

    QFont stripFont = tahomaFont();
    stripFont.setBold(true);
    Label1->setFont(stripFont);
    Label1->move(72, 14);

    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, stripHeight, clientWidth, 2);

    Image1->setGeometry(20, 66, 32, 32);
}

QLabel* BannerDialog::addLabel(const QString& text, int left, int top) {
    auto* label = new QLabel(text, this);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QFrame* BannerDialog::addLine(int left, int top, int width) {
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(left, top, width, 2);
    return line;
}

QPushButton* BannerDialog::addButton(const QString& caption, int left, int top) {
    auto* button = new QPushButton(caption, this);
    button->setGeometry(left, top, 75, 25);
    return button;
}

void BannerDialog::showEvent(QShowEvent* event) {
    // A window restored from the minimised application is no new showing.
    if (!event->spontaneous()) {
        if (m_lastPosition)
            move(*m_lastPosition);
        else if (parentWidget() != nullptr)
            OuterCentre::apply(*this, *parentWidget());
        FormActivate();
        Label1->adjustSize();
    }
    QDialog::showEvent(event);
}

void BannerDialog::hideEvent(QHideEvent* event) {
    if (!event->spontaneous())
        m_lastPosition = pos();
    QDialog::hideEvent(event);
}

} // namespace savrona
