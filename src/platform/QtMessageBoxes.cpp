// Builds each kind of message box with Qt: caption, icon, buttons and plain text,
// centred on the screen.
#include "platform/QtMessageBoxes.h"

#include "platform/seams/AppInfo.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace savrona {

namespace {

QString captionOf(MessageBoxes::Kind kind) {
    switch (kind) {
    case MessageBoxes::Kind::Warning:
        return QStringLiteral("Warning");
    case MessageBoxes::Kind::Error:
        return QStringLiteral("Error");
    case MessageBoxes::Kind::Information:
        return QStringLiteral("Information");
    case MessageBoxes::Kind::Confirmation:
        return QStringLiteral("Confirm");
    case MessageBoxes::Kind::Failure:
    case MessageBoxes::Kind::RetryOrQuit:
        break;
    }
    return applicationTitle;
}

QMessageBox::Icon iconOf(MessageBoxes::Kind kind) {
    switch (kind) {
    case MessageBoxes::Kind::Warning:
    case MessageBoxes::Kind::RetryOrQuit:
        return QMessageBox::Warning;
    case MessageBoxes::Kind::Information:
        return QMessageBox::Information;
    case MessageBoxes::Kind::Confirmation:
        return QMessageBox::Question;
    case MessageBoxes::Kind::Error:
    case MessageBoxes::Kind::Failure:
        break;
    }
    return QMessageBox::Critical;
}

void centreOnScreen(QMessageBox& box) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    box.adjustSize();
    QRect frame = box.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    box.move(frame.topLeft());
}

} // namespace

QString QtMessageBoxes::displayText(const QString& text) {
    QString display = text;
    display.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    display.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return display;
}

QAbstractButton* QtMessageBoxes::configure(QMessageBox& box, Kind kind, const QString& text) {
    box.setWindowTitle(captionOf(kind));
    box.setIcon(iconOf(kind));
    // Names and titles are the user's text: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(text));
    if (kind == Kind::Confirmation) {
        QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        return yes;
    }
    if (kind == Kind::RetryOrQuit) {
        // Neither Escape nor closing the box quits: only the button that says so.
        QPushButton* retry = box.addButton(QStringLiteral("&Try Again"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("&Quit Without Saving"), QMessageBox::DestructiveRole);
        box.setDefaultButton(retry);
        box.setEscapeButton(retry);
        return retry;
    }
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    return ok;
}

QAbstractButton* QtMessageBoxes::addSaveElsewhereButton(QMessageBox& box) {
    // The action role lays it out after Try Again and Quit Without Saving.
    return box.addButton(QStringLiteral("Save &Elsewhere..."), QMessageBox::ActionRole);
}

MessageBoxes::UnsavedAnswer QtMessageBoxes::askRetryQuitOrSaveElsewhere(const QString& text) {
    QMessageBox box(QApplication::activeWindow());
    QAbstractButton* retry = configure(box, Kind::RetryOrQuit, text);
    QAbstractButton* elsewhere = addSaveElsewhereButton(box);
    centreOnScreen(box);
    box.exec();
    if (box.clickedButton() == elsewhere)
        return UnsavedAnswer::SaveElsewhere;
    return box.clickedButton() == retry ? UnsavedAnswer::TryAgain
                                        : UnsavedAnswer::QuitWithoutSaving;
}

bool QtMessageBoxes::show(Kind kind, const QString& text) {
    QMessageBox box(QApplication::activeWindow());
    QAbstractButton* answerYes = configure(box, kind, text);
    centreOnScreen(box);
    box.exec();
    return box.clickedButton() == answerYes;
}

} // namespace savrona
