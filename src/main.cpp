// Savrona's entry point: the application object, the windows created once in
// their order, the message loop, and the tables' last close.
#include "AppInfo.h"
#include "DesktopSeams.h"
#include "ImportExportController.h"
#include "Pictures.h"
#include "QtMessageBoxes.h"
#include "QtSettingsStore.h"
#include "SavronaApplication.h"
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit5.h"
#include "Unit6.h"

#include <memory>

int main(int argc, char** argv) {
    savrona::SavronaApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Savrona"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setDesktopFileName(QStringLiteral("savrona"));
    QApplication::setWindowIcon(savrona::applicationIcon());

    savrona::QtMessageBoxes messages;
    savrona::QtSettingsStore settings;
    savrona::DesktopSaveFileDialog saveDialog;
    savrona::DesktopUrlOpener urls;
    savrona::DesktopFileDialogs fileDialogs;
    savrona::Platform platform{&messages, &settings, &saveDialog, &urls, &fileDialogs};
    application.setMessageBoxes(&messages);

    std::unique_ptr<TformMain> mainWindow;
    const bool created = application.runStartUpStep([&] {
        mainWindow = std::make_unique<TformMain>(platform);
        formMain = mainWindow.get();
        // The dialogs belong to the main window and live as long as it does.
        formAbout = new TformAbout(formMain);
        formAddNewCategory = new TformAddNewCategory(formMain, *formMain);
        formChangeCategory = new TformChangeCategory(formMain, *formMain);
        formEditCategory = new TformEditCategory(formMain, *formMain);
        new savrona::ImportExportController(*formMain);
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
