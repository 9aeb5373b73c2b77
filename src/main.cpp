// Savrona's entry point: the command line and the cookbook's folder with its lock and
// the temporary files a kill left there, the application object, the windows created
// once in their order, the message loop, and the tables' last close.
#include "cookbook/commands/ExitWrites.h"
#include "platform/CommandLine.h"
#include "platform/DataFolderLock.h"
#include "platform/DesktopPrintDialog.h"
#include "platform/DesktopSeams.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtSettingsStore.h"
#include "platform/SavronaApplication.h"
#include "platform/TerminationRequests.h"
#include "platform/seams/AppInfo.h"
#include "ui/MainWindowAssembly.h"
#include "ui/look/DesignFonts.h"
#include "ui/look/Pictures.h"
#include "ui/look/TextInputGuard.h"
#include "ui/main-window/Unit1.h"
#include "ui/sharing/SharingController.h"

#include "cookbook/sharing/SharingState.h"
#include "data/files/DataFolder.h"
#include "data/files/LeftoverFiles.h"
#include "data/initial-cookbook/TableDefinitions.h"

#include <QDir>

#include <memory>

int main(int argc, char** argv) {
    // --help and --version print and end before anything needs a display.
    const savrona::CommandLine commandLine(argc, argv);
    if (commandLine.endsAtOnce())
        return commandLine.printReply();
    savrona::SavronaApplication application(argc, argv);
    // Before any window: no text box pastes nothing or types an Alt+letter.
    savrona::TextInputGuard textInputGuard(application);
    QApplication::setApplicationName(QStringLiteral("Savrona"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setDesktopFileName(QStringLiteral("savrona"));
    QApplication::setWindowIcon(savrona::applicationIcon());
    savrona::loadDesignFonts();
    // The data files are named relative to the current directory.
    if (!application.runStartUpStep([&] { commandLine.enterDataFolder(); }))
        return 1;

    savrona::QtMessageBoxes messages;
    savrona::QtSettingsStore settings;
    savrona::DesktopSaveFileDialog saveDialog;
    savrona::DesktopUrlOpener urls;
    savrona::DesktopPrintDialog printDialog;
    savrona::DesktopFileDialogs fileDialogs;
    savrona::Platform platform{&messages, &settings,    &saveDialog,
                               &urls,     &printDialog, &fileDialogs};
    application.setMessageBoxes(&messages);

    // One copy per cookbook: the data folder is the current directory.
    savrona::DataFolderLock folderLock;
    if (!folderLock.acquire()) {
        messages.show(savrona::MessageBoxes::Kind::Warning, folderLock.refusal());
        return 1;
    }
    if (folderLock.folderIsReadOnly())
        messages.show(savrona::MessageBoxes::Kind::Warning, folderLock.readOnlyNotice());
    // What a kill left mid-write goes now: no write of this copy began before the lock.
    savrona::removeLeftoverTemporaryFiles(*savrona::DataFolder::currentDirectory(),
                                          {savrona::categoriesFileName, savrona::recipesFileName});
    savrona::TerminationRequests termination;

    std::unique_ptr<TformMain> mainWindow;
    // What this computer keeps about the folder, in case a sync engine shares it.
    const QString sharingState = savrona::SharingState::folderFor(QDir::currentPath());
    const bool created = application.runStartUpStep(
        [&] { mainWindow = savrona::createMainWindow(platform, QString(), sharingState); });
    if (!created)
        return 1;

    QObject::connect(&termination, &savrona::TerminationRequests::requested, mainWindow.get(),
                     [&] { savrona::TerminationRequests::closeWindows(*mainWindow); });
    mainWindow->show();
    const int exitCode = application.exec();
    auto* sharing = mainWindow->findChild<savrona::SharingController*>();
    // A version another computer wrote since the last look is merged, so the close writes it.
    sharing->mergeBeforeExit();
    savrona::SavronaApplication::runReportingErrors([&] {
        savrona::waitForWritesShowingProgress(
            {mainWindow->dataSetCategories.get(), mainWindow->dataSetRecipes.get()});
        savrona::closeTablesForExit(
            {mainWindow->dataSetCategories.get(), mainWindow->dataSetRecipes.get()}, messages,
            &fileDialogs, &termination);
    });
    sharing->keepOwnVersionsAfterExit();
    return exitCode;
}
