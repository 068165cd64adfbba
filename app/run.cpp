#include "app/run.h"

#include "app/app_module.h"
#include "app/message_loop.h"

#include <QtWidgets/QWidget>

int Run(const FrameFactory& createFrame)
{
    CMessageLoop loop;
    g_module.AddLoop(&loop);

    std::unique_ptr<QWidget> frame = createFrame();
    if (!frame) {
        // The loop lives on this stack frame: leaving it registered would
        // leave the module pointing at a dead object.
        g_module.RemoveLoop();
        return 0;
    }

    frame->show();
    const int exitCode = loop.Run();

    g_module.RemoveLoop();
    frame.reset();
    return exitCode;
}
