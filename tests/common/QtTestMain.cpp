// The main of every test executable: a headless QApplication (and the
// application object, where the widget layer is linked) around the tests,
// with settings of the run's own.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef PENNIVALE_HAVE_UI
#include "framework/ui/Application.h"
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    // Settings the program remembers go to a folder of this run's own.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, settings.path());
    QApplication app(argc, argv);
#ifdef PENNIVALE_HAVE_UI
    TApplication application;
#endif
    return RUN_ALL_TESTS();
}
