// Builds the booklet layout dialog.
#include "ui/print/BookletLayoutDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace savrona {

BookletLayoutDialog::BookletLayoutDialog(QWidget* parent, const QString& caption)
    : QDialog(parent) {
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("How should the recipes follow one another?")));
    ownPageButton = new QRadioButton(QStringLiteral("Each recipe on its &own page"));
    runOnButton = new QRadioButton(QStringLiteral("Recipes &run on"));
    ownPageButton->setChecked(true);
    layout->addWidget(ownPageButton);
    layout->addWidget(runOnButton);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

BookletLayout BookletLayoutDialog::chosenLayout() const {
    return runOnButton->isChecked() ? BookletLayout::RunOn : BookletLayout::RecipePerPage;
}

std::optional<BookletLayout> BookletLayoutDialog::ask(QWidget* parent, const QString& caption) {
    BookletLayoutDialog dialog(parent, caption);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenLayout();
}

} // namespace savrona
