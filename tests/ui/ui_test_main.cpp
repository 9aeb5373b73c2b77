#include "platform/SavronaApplication.h"
#include "ui/look/DesignFonts.h"

#include <QLocale>
#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Window tests never need a display; listing the tests at build time has none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale::c());
    QStandardPaths::setTestModeEnabled(true);
    // The application object of the program itself, so that errors reach the
    // error box as they do in a run.
    savrona::SavronaApplication application(argc, argv);
    // The fonts the program loads at start-up, where they are installed.
    savrona::loadDesignFonts();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
