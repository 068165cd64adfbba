// One application object for the whole test program, on Qt's off-screen
// platform: the loop tests need a real event dispatcher, not a window.

#include "app/qt_environment.h"

#include <gtest/gtest.h>
#include <QtWidgets/QApplication>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    PrepareQtEnvironment();
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
