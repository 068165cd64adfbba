#include "app/script_run.h"

#include "media/png_picture.h"
#include "media/video_encoder.h"
#include "physics/dynamics_world.h"
#include "view/frame_renderer.h"
#include "view/offscreen_picture.h"
#include "view/ogl_window.h"
#include "view/scene.h"

#include <QtGui/QOffscreenSurface>
#include <QtGui/QOpenGLContext>

#include <cmath>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

glw::GlProc CurrentContextProc(const char* name)
{
    return QOpenGLContext::currentContext()->getProcAddress(name);
}

std::string Seconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

// The scene of the script, built in its own context and torn down in it.
class ScriptScene {
public:
    bool Start(std::string& error)
    {
        m_surface.setFormat(ViewSurfaceFormat());
        m_surface.create();
        m_context.setFormat(ViewSurfaceFormat());
        if (!m_surface.isValid() || !m_context.create() || !m_context.makeCurrent(&m_surface)) {
            error = "no OpenGL context to draw with";
            return false;
        }
        m_scene.Init(&CurrentContextProc);
        if (!m_scene.Built()) {
            error = "the scene could not be built";
            return false;
        }
        m_drawer = std::make_unique<PictureDrawer>(&CurrentContextProc);
        if (!m_drawer->Usable()) {
            error = m_drawer->Error();
            return false;
        }
        return true;
    }

    ~ScriptScene()
    {
        if (m_context.isValid() && m_context.makeCurrent(&m_surface)) {
            m_drawer.reset();
            m_scene.Destroy();
            m_context.doneCurrent();
        }
    }

    Scene& GetScene() { return m_scene; }
    PictureDrawer& Drawer() { return *m_drawer; }
    FrameRenderer& Renderer() { return m_renderer; }

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    Scene m_scene;
    FrameRenderer m_renderer;
    std::unique_ptr<PictureDrawer> m_drawer;
};

int WritePicture(ScriptScene& script, const CommandLine& options, std::FILE* err)
{
    const long steps = std::lround(options.at / double(kFixedTimeStep));
    for (long i = 0; i < steps; ++i)
        StepWorld(*script.GetScene().World());
    const std::optional<RgbaPicture> picture = script.Drawer().Draw(
        script.Renderer(), script.GetScene(), PictureView{}, options.width, options.height);
    if (!picture) {
        std::fprintf(err, "kinetta: cannot draw the picture: %s\n", script.Drawer().Error().c_str());
        return 1;
    }
    const PngWriteResult written = WritePngFile(
        *options.picture, *picture,
        {{"Title", options.file ? *options.file : "Kinetta start scene"},
         {"Simulated time", Seconds(double(steps) * kFixedTimeStep)},
         {"Software", "Kinetta " KINETTA_VERSION}});
    if (!written.ok) {
        std::fprintf(err, "kinetta: cannot write %s: %s\n", options.picture->c_str(),
                     written.error.c_str());
        return 1;
    }
    return 0;
}

// Frame n shows the world after n steps, from the start: the video's first
// frame is the picture --picture draws at 0 s.
int WriteVideo(ScriptScene& script, const CommandLine& options, std::FILE* err)
{
    VideoSettings settings;
    settings.path = *options.record;
    settings.width = options.width;
    settings.height = options.height;
    std::string error;
    std::unique_ptr<VideoEncoder> encoder = VideoEncoder::Open(settings, &error);
    if (!encoder) {
        std::fprintf(err, "kinetta: cannot record to %s: %s\n", options.record->c_str(),
                     error.c_str());
        return 1;
    }
    const long frames = std::lround(options.seconds * settings.framesPerSecond);
    const bool progress = isatty(fileno(err)) != 0;
    for (long n = 0; n < frames; ++n) {
        if (n > 0)
            StepWorld(*script.GetScene().World());
        std::optional<RgbaPicture> picture = script.Drawer().Draw(
            script.Renderer(), script.GetScene(), PictureView{}, options.width, options.height);
        if (!picture) {
            std::fprintf(err, "kinetta: cannot draw a frame: %s\n", script.Drawer().Error().c_str());
            break;
        }
        if (!encoder->Push({picture->width, picture->height, false, std::move(picture->pixels), n}))
            break;
        if (progress && n % 30 == 0)
            std::fprintf(err, "\rkinetta: recording %.1f of %.1f s", double(n) / 60.0,
                         options.seconds);
    }
    const VideoResult result = encoder->Finish();
    if (progress)
        std::fputc('\n', err);
    if (!result.ok) {
        std::fprintf(err, "kinetta: recording to %s stopped: %s; the %.1f s written before play\n",
                     options.record->c_str(), result.error.c_str(),
                     double(result.framesWritten) / settings.framesPerSecond);
        return 1;
    }
    if (result.framesWritten != frames) {
        std::fprintf(err, "kinetta: recording to %s stopped after %.1f s\n",
                     options.record->c_str(), double(result.framesWritten) / settings.framesPerSecond);
        return 1;
    }
    return 0;
}

}  // namespace

int RunScript(const CommandLine& options, std::FILE* err)
{
    ScriptScene script;
    std::string error;
    if (!script.Start(error)) {
        std::fprintf(err, "kinetta: %s\n", error.c_str());
        return 1;
    }
    if (options.file) {
        const WorldFileResult opened = script.GetScene().Document()->OpenWorld(*options.file);
        if (!opened.ok) {
            std::fprintf(err, "kinetta: cannot open %s: %s\n", options.file->c_str(),
                         opened.error.c_str());
            return 1;
        }
    }
    if (options.throwCount > 0)
        script.GetScene().AddRestingBodies(options.throwCount);
    if (options.picture)
        return WritePicture(script, options, err);
    if (options.record)
        return WriteVideo(script, options, err);
    std::fprintf(err, "kinetta: nothing to do\n");
    return 1;
}
