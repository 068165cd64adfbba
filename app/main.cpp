// Process entry: options, the display check, then the user interface.

#include "app/app_module.h"
#include "app/command_line.h"
#include "app/display_check.h"
#include "app/main_frame.h"
#include "app/private_display.h"
#include "app/qt_environment.h"
#include "app/run.h"
#include "app/script_run.h"
#include "app/stats_report.h"

#include <QtWidgets/QApplication>

#include <cstdio>
#include <memory>
#include <optional>

int main(int argc, char** argv)
{
    const CommandLine options = ParseCommandLine(argc, argv);
    if (const std::optional<int> exitCode = AnswerInformationalOptions(options, stdout, stderr))
        return *exitCode;
    if (const DisplaySelection display = SelectDisplay(); !display.ok) {
        if (options.picture || options.record)
            return RerunOnPrivateDisplay(argv, stderr);
        std::fprintf(stderr, "kinetta: %s\n", display.problem.c_str());
        return kUsageExitCode;
    }

    PrepareQtEnvironment();
    // Must precede the application object, or the first context ignores it.
    QSurfaceFormat::setDefaultFormat(ViewSurfaceFormat());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kinetta"));
    QApplication::setOrganizationName(QStringLiteral("Kinetta"));
    QApplication::setApplicationVersion(QStringLiteral(KINETTA_VERSION));
    // Lets the desktop match the window with its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(KINETTA_APP_ID));
    // The frame decides the exit code when it closes.
    QApplication::setQuitOnLastWindowClosed(false);

    if (options.picture || options.record)
        return RunScript(options, stderr);

    g_module.Init();
    std::unique_ptr<CStatsReport> stats;
    const int exitCode = Run([&]() -> std::unique_ptr<QWidget> {
        std::unique_ptr<CMainFrame> frame = CMainFrame::Create();
        // The throws go into the file's world, once it is open.
        if (frame && options.file) {
            CKinettaView* view = &frame->View();
            frame->World().OpenAtStart(*options.file, [view, count = options.throwCount] {
                if (count > 0)
                    view->AddRestingBodies(count);
            });
        } else if (frame && options.throwCount > 0) {
            frame->View().AddRestingBodies(options.throwCount);
        }
        if (frame && options.stats) {
            CKinettaView* view = &frame->View();
            stats = std::make_unique<CStatsReport>([view] { return view->Stats(); },
                                                   [view] { return CountForStats(view->World()); },
                                                   [view] { return view->AwakeCount(); });
        }
        return frame;
    });
    stats.reset();
    g_module.Term();
    return exitCode;
}
