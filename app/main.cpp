// Process entry: options, the display check, then the user interface.

#include "app/app_module.h"
#include "app/command_line.h"
#include "app/display_check.h"
#include "app/main_frame.h"
#include "app/qt_environment.h"
#include "app/run.h"
#include "app/stats_report.h"

#include <QtWidgets/QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    const CommandLine options = ParseCommandLine(argc, argv);
    if (options.help) {
        std::fputs(HelpText("kinetta").c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    }
    if (const std::string problem = FindDisplayProblem(); !problem.empty()) {
        std::fprintf(stderr, "kinetta: %s\n", problem.c_str());
        return 2;
    }

    PrepareQtEnvironment();
    // Must precede the application object, or the first context ignores it.
    QSurfaceFormat::setDefaultFormat(ViewSurfaceFormat());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kinetta"));
    QApplication::setOrganizationName(QStringLiteral("Kinetta"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    // The frame decides the exit code when it closes.
    QApplication::setQuitOnLastWindowClosed(false);

    g_module.Init();
    std::unique_ptr<CStatsReport> stats;
    const int exitCode = Run([&]() -> std::unique_ptr<QWidget> {
        std::unique_ptr<CMainFrame> frame = CMainFrame::Create();
        if (frame && options.stats) {
            CKinettaView* view = &frame->View();
            stats = std::make_unique<CStatsReport>([view] { return view->Stats(); },
                                                   [view] { return view->BodyCount(); });
        }
        return frame;
    });
    stats.reset();
    g_module.Term();
    return exitCode;
}
