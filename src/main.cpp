// Savrona's entry point: the application object, the windows created once in
// their order, the message loop, and the tables' last close.
#include "AppInfo.h"
#include "Pictures.h"
#include "QtMessageBoxes.h"
#include "QtSettingsStore.h"
#include "SavronaApplication.h"
#include "Unit1.h"

#include <memory>

int main(int argc, char** argv) {
    savrona::SavronaApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Savrona"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setDesktopFileName(QStringLiteral("savrona"));
    QApplication::setWindowIcon(savrona::applicationIcon());

    savrona::QtMessageBoxes messages;
    savrona::QtSettingsStore settings;
    savrona::Platform platform;
    platform.messages = &messages;
    platform.settings = &settings;
    application.setMessageBoxes(&messages);

    std::unique_ptr<TformMain> mainWindow;
    const bool created = application.runStartUpStep([&] {
        mainWindow = std::make_unique<TformMain>(platform);
        formMain = mainWindow.get();
        // Then, in this order: formAbout, formAddNewCategory,
        // formChangeCategory, formEditCategory.
    });
    if (!created)
        return 1;

    mainWindow->show();
    const int exitCode = application.exec();
    for (savrona::Table* table :
         {mainWindow->dataSetCategories.get(), mainWindow->dataSetRecipes.get()})
        savrona::SavronaApplication::runReportingErrors(
            [table] { TformMain::closeTableForExit(*table); });
    return exitCode;
}
