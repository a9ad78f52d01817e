// The main of every test executable: a headless QApplication (and the
// application object, where the widget layer is linked) around the tests.
#include <QApplication>
#include <gtest/gtest.h>

#ifdef PENNIVALE_HAVE_UI
#include "framework/ui/Application.h"
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
#ifdef PENNIVALE_HAVE_UI
    TApplication application;
#endif
    return RUN_ALL_TESTS();
}
