// What recording costs a tick of the start scene at 1024 x 768 on Mesa's
// off-screen renderer: a tick (one step and one frame, ended with glFinish
// as a swap ends it) alone, then with the frame read back through the pixel
// buffer objects and handed to the encoder, as Simulation › Record does,
// with the encoder's thread sharing the machine; and how long a 10 s video
// takes to finish writing once its last frame is handed over.
//
//   kinetta_recording_bench [--seconds N]   (default 10)

#include "glw/gl_procs.h"
#include "media/video_encoder.h"
#include "view/frame_readback.h"
#include "view/frame_renderer.h"
#include "view/scene.h"

#include <GL/glu.h>
#include <GL/osmesa.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

glw::GlProc Lookup(const char* name)
{
    return reinterpret_cast<glw::GlProc>(OSMesaGetProcAddress(name));
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = 10.0;
    if (argc == 3 && std::strcmp(argv[1], "--seconds") == 0)
        seconds = std::atof(argv[2]);
    const int ticks = int(seconds * 60.0);

    std::vector<unsigned char> pixels(std::size_t(kWidth) * kHeight * 4);
    OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    if (!context || !OSMesaMakeCurrent(context, pixels.data(), GL_UNSIGNED_BYTE, kWidth, kHeight)) {
        std::fprintf(stderr, "no off-screen OpenGL context\n");
        return 1;
    }
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(30.0, double(kWidth) / kHeight, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);

    FrameRenderer renderer;
    const CameraState camera;
    std::vector<double> captureTimes;  // read-back and hand-over alone
    const auto runTicks = [&](Scene& scene, FrameReadback* readback, VideoEncoder* encoder) {
        std::vector<double> times;
        for (int n = 0; n < ticks; ++n) {
            const auto start = Clock::now();
            StepWorld(*scene.World());
            renderer.Render(scene, camera);
            if (readback != nullptr) {
                const auto captureStart = Clock::now();
                if (std::optional<VideoFrame> frame = readback->Capture(kWidth, kHeight, n))
                    encoder->Push(std::move(*frame));
                captureTimes.push_back(MillisecondsSince(captureStart));
            }
            glFinish();
            times.push_back(MillisecondsSince(start));
        }
        return times;
    };

    // Alone.
    Scene plain;
    plain.Init(&Lookup);
    const double tick = Median(runTicks(plain, nullptr, nullptr));
    plain.Destroy();

    // Recording, from the same start.
    const std::string path =
        (std::filesystem::temp_directory_path() / "kinetta-recording-bench.video").string();
    std::string error;
    auto encoder = VideoEncoder::Open({path, kWidth, kHeight}, &error);
    if (!encoder) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    Scene recorded;
    recorded.Init(&Lookup);
    std::optional<double> recordingTick;
    VideoResult result;
    double finishMs = 0.0;
    double wallSeconds = 0.0;
    {
        FrameReadback readback(&Lookup);
        const auto start = Clock::now();
        recordingTick = Median(runTicks(recorded, &readback, encoder.get()));
        if (std::optional<VideoFrame> last = readback.Drain())
            encoder->Push(std::move(*last));
        const auto finishStart = Clock::now();
        result = encoder->Finish();
        finishMs = MillisecondsSince(finishStart);
        wallSeconds = MillisecondsSince(start) / 1000.0;
        std::printf("pixel buffer objects: %s\n", readback.UsesBufferObjects() ? "yes" : "no");
    }
    recorded.Destroy();

    // The encoder alone, fed one picture over and over: its pace on this
    // machine with nothing else running.
    double encoderFps = 0.0;
    {
        auto alone = VideoEncoder::Open({path + "2", kWidth, kHeight}, &error);
        VideoFrame frame{kWidth, kHeight, true, pixels, 0};
        const auto start = Clock::now();
        for (int n = 0; n < ticks && alone; ++n) {
            frame.step = n;
            alone->Push(frame);
        }
        if (alone && alone->Finish().ok)
            encoderFps = ticks / (MillisecondsSince(start) / 1000.0);
        std::filesystem::remove(path + "2");
    }
    const auto size = std::filesystem::file_size(path);
    std::filesystem::remove(path);
    OSMesaDestroyContext(context);
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.error.c_str());
        return 1;
    }

    std::printf("video: %s, %lld frames, %.1f MB\n", encoder->Format().description.c_str(),
                static_cast<long long>(result.framesWritten), double(size) / 1e6);
    std::printf("tick alone (median):            %7.2f ms\n", tick);
    std::printf("tick while recording (median):  %7.2f ms\n", *recordingTick);
    const double capture = Median(captureTimes);
    std::printf("read-back and hand-over (median): %5.2f ms (%.1f %% of a tick alone)\n", capture,
                100.0 * capture / tick);
    std::printf("whole cost of recording a tick:  %5.2f ms (%.1f %%), the encoder's thread "
                "included\n",
                *recordingTick - tick, 100.0 * (*recordingTick - tick) / tick);
    std::printf("encoder alone: %.0f frames/s\n", encoderFps);
    std::printf("%.0f s video: %d ticks in %.1f s, then %.0f ms to finish writing\n", seconds,
                ticks, wallSeconds - finishMs / 1000.0, finishMs);
    return 0;
}
