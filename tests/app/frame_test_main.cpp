// The frame's tests run on a real X server (xvfb-run), inside the program's
// own message loop, so that its filters and idle passes are live; settings
// go to a private folder.

#include "app/app_module.h"
#include "app/message_loop.h"
#include "app/qt_environment.h"
#include "view/ogl_window.h"

#include <gtest/gtest.h>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>

#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    char configDir[] = "/tmp/kinetta-frame-test-XXXXXX";
    if (mkdtemp(configDir) == nullptr)
        return 1;
    setenv("XDG_CONFIG_HOME", configDir, 1);

    PrepareQtEnvironment();
    QSurfaceFormat::setDefaultFormat(ViewSurfaceFormat());
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    g_module.Init();
    CMessageLoop loop;
    g_module.AddLoop(&loop);
    int result = 1;
    QTimer::singleShot(0, [&result] {
        result = RUN_ALL_TESTS();
        QCoreApplication::exit(0);
    });
    loop.Run();
    g_module.RemoveLoop();
    g_module.Term();
    std::filesystem::remove_all(configDir);
    return result;
}
