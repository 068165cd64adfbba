// Milliseconds per frame of the program's drawing code against the floor
// (the cheapest code for the same picture), on Mesa's off-screen renderer at
// 1024 x 768, for the start scene and for 1,000, 4,000 and 8,000 thrown
// bodies at rest, and what Bullet's debug drawing with every part on adds to
// a frame. Every frame ends with glFinish. CPU time is given for the whole
// process (the rasteriser's threads do most of the work) and for the drawing
// thread alone. Also counts heap allocations per frame and checks that the
// variants draw the same picture.
//
//   kinetta_render_bench [--frames N] [--sweep]
//
// --sweep times the program's drawing with several flush intervals.

#include "alloc_counter.h"
#include "floor_renderer.h"

#include "glw/gl_procs.h"
#include "physics/body_thrower.h"
#include "view/frame_renderer.h"
#include "view/scene.h"

#include <GL/osmesa.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

struct Result {
    double msPerFrame = 0.0;              // median
    double allocationsPerFrame = 0.0;     // the whole process's, OpenGL's included
    double ownAllocationsPerFrame = 0.0;  // made by the program's own code
    double cpuMsPerFrame = 0.0;           // all threads, the rasteriser's included
    double mainCpuMsPerFrame = 0.0;       // the drawing thread's alone
    std::vector<unsigned char> picture;
};

class Context {
public:
    Context() : m_pixels(static_cast<std::size_t>(kWidth) * kHeight * 4)
    {
        m_context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
        m_ok = m_context != nullptr &&
               OSMesaMakeCurrent(m_context, m_pixels.data(), GL_UNSIGNED_BYTE, kWidth, kHeight) &&
               glGetString(GL_RENDERER) != nullptr;
    }
    ~Context()
    {
        if (m_context)
            OSMesaDestroyContext(m_context);
    }
    bool Ok() const { return m_ok; }
    static glw::GlProc Lookup(const char* name)
    {
        return reinterpret_cast<glw::GlProc>(OSMesaGetProcAddress(name));
    }
    const std::vector<unsigned char>& Pixels() const { return m_pixels; }

private:
    OSMesaContext m_context = nullptr;
    std::vector<unsigned char> m_pixels;
    bool m_ok = false;
};

double CpuMilliseconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void SetProjection()
{
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(30.0, static_cast<double>(kWidth) / kHeight, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
}

Result Time(const Context& context, int frames, const std::function<void()>& draw)
{
    for (int i = 0; i < 5; ++i) {
        draw();
        glFinish();
    }
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(frames));
    const std::uint64_t allocationsBefore = AllocationCount();
    const std::uint64_t ownBefore = OwnAllocationCount();
    const double cpuBefore = CpuMilliseconds();
    const double mainCpuBefore = CpuMilliseconds(RUSAGE_THREAD);
    for (int i = 0; i < frames; ++i) {
        const auto start = std::chrono::steady_clock::now();
        draw();
        glFinish();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    Result result;
    result.allocationsPerFrame =
        static_cast<double>(AllocationCount() - allocationsBefore) / frames;
    result.ownAllocationsPerFrame = static_cast<double>(OwnAllocationCount() - ownBefore) / frames;
    result.cpuMsPerFrame = (CpuMilliseconds() - cpuBefore) / frames;
    result.mainCpuMsPerFrame = (CpuMilliseconds(RUSAGE_THREAD) - mainCpuBefore) / frames;
    std::sort(times.begin(), times.end());
    result.msPerFrame = times[times.size() / 2];
    result.picture = context.Pixels();
    return result;
}

// Largest difference of any channel, and how many pixels differ at all.
std::string Compare(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
{
    int largest = 0;
    long differing = 0;
    for (std::size_t p = 0; p + 3 < a.size(); p += 4) {
        int pixelLargest = 0;
        for (std::size_t c = 0; c < 3; ++c)
            pixelLargest = std::max(pixelLargest, std::abs(int(a[p + c]) - int(b[p + c])));
        largest = std::max(largest, pixelLargest);
        differing += pixelLargest > 0;
    }
    return std::to_string(differing) + " px differ, largest " + std::to_string(largest);
}

void RunScene(const Context& context, const char* name, int extraBodies, int frames, bool sweep)
{
    Scene scene;
    scene.Init(&Context::Lookup);
    // At rest, as the program shows it a few seconds after start: every
    // body asleep (the start scene's cylinders from step 122 on).
    scene.AddRestingBodies(extraBodies);
    for (int i = 0; i < 300; ++i)
        StepWorld(*scene.World());
    SetProjection();
    const CameraState camera;

    const std::array<glw::Model*, 4> meshes = {scene.CanModel(), scene.BallModel(),
                                               scene.DominoModel(), scene.DieModel()};
    const auto meshesIn = [&](int how) {  // 0 client arrays, 1 buffers, 2 welded buffers
        for (glw::Model* mesh : meshes) {
            mesh->ReleaseBuffers(scene.Procs());
            if (how > 0)
                mesh->UploadBuffers(scene.Procs(), how == 2);
        }
    };

    // Each step adds one change to the one before; the design's calls from
    // client arrays are how the program drew before any of them.
    FrameRenderer designCalls(RenderOptions{false, 0, true, false});
    FrameRenderer economy(RenderOptions{true, 0, true, false});
    FrameRenderer staged(RenderOptions{true, 100, true, false});
    FrameRenderer noDetail(RenderOptions{true, 100, true, true, false, StillLayerKeeping::Off});
    FrameRenderer detailed(RenderOptions{true, 100, true, true, true, StillLayerKeeping::Off});
    // Here the frame is the window system's, as the program's window is:
    // "in a framebuffer" draws the layer into the frame and copies it, as
    // the back-buffer copy does (view/still_layer.h).
    FrameRenderer program;
    FrameRenderer copying(
        RenderOptions{true, 100, true, true, true, StillLayerKeeping::BackBufferCopy});
    FloorRenderer oldFloor(false, StillLayerKeeping::Off);
    FloorRenderer floorNoLayer(true, StillLayerKeeping::Off);
    FloorRenderer floor;
    FloorRenderer floorCopying(true, StillLayerKeeping::BackBufferCopy);
    // The camera turning a little every frame, as a held arrow key turns it:
    // the still layer is drawn anew in every frame.
    CameraState turning;
    const auto turn = [&] { TurnCamera(turning, 2.0f, 0.0f); };
    meshesIn(0);
    const Result designResult = Time(context, frames, [&] { designCalls.Render(scene, camera); });
    meshesIn(1);
    const Result buffersResult = Time(context, frames, [&] { designCalls.Render(scene, camera); });
    meshesIn(2);
    const Result weldedResult = Time(context, frames, [&] { designCalls.Render(scene, camera); });
    const Result economyResult = Time(context, frames, [&] { economy.Render(scene, camera); });
    const Result stagedResult = Time(context, frames, [&] { staged.Render(scene, camera); });
    const Result noDetailResult = Time(context, frames, [&] { noDetail.Render(scene, camera); });
    const Result detailedResult = Time(context, frames, [&] { detailed.Render(scene, camera); });
    const Result programResult = Time(context, frames, [&] { program.Render(scene, camera); });
    const Result copyingResult = Time(context, frames, [&] { copying.Render(scene, camera); });
    turning = {};
    const Result detailedTurning = Time(context, frames, [&] {
        turn();
        detailed.Render(scene, turning);
    });
    turning = {};
    const Result programTurning = Time(context, frames, [&] {
        turn();
        program.Render(scene, turning);
    });
    turning = {};
    const Result copyingTurning = Time(context, frames, [&] {
        turn();
        copying.Render(scene, turning);
    });
    const Result oldFloorResult = Time(context, frames, [&] { oldFloor.Render(scene, camera); });
    const Result floorNoLayerResult =
        Time(context, frames, [&] { floorNoLayer.Render(scene, camera); });
    const Result floorResult = Time(context, frames, [&] { floor.Render(scene, camera); });
    const Result floorCopyingResult =
        Time(context, frames, [&] { floorCopying.Render(scene, camera); });
    turning = {};
    const Result floorTurning = Time(context, frames, [&] {
        turn();
        floor.Render(scene, turning);
    });
    turning = {};
    const Result floorNoLayerTurning = Time(context, frames, [&] {
        turn();
        floorNoLayer.Render(scene, turning);
    });
    FrameRenderer debugDrawing;
    debugDrawing.SetDebugMode(GL_DebugDrawer::kAll);
    const Result debugResult = Time(context, frames, [&] { debugDrawing.Render(scene, camera); });

    std::printf("\n%s: %d bodies, %d x %d, median of %d frames\n", name, scene.BodyCount(), kWidth,
                kHeight, frames);
    std::printf("  %-46s %9s %9s %9s %12s %10s\n", "", "ms/frame", "cpu ms", "main ms",
                "allocs/frame", "own allocs");
    const auto row = [](const char* label, const Result& r) {
        std::printf("  %-46s %9.2f %9.2f %9.2f %12.1f %10.1f\n", label, r.msPerFrame,
                    r.cpuMsPerFrame, r.mainCpuMsPerFrame, r.allocationsPerFrame,
                    r.ownAllocationsPerFrame);
    };
    row("design's calls, client arrays, one flush", designResult);
    row("+ buffer objects", buffersResult);
    row("+ welded vertices", weldedResult);
    row("+ state economy", economyResult);
    row("+ staged flushes", stagedResult);
    row("+ resting batches", noDetailResult);
    row("+ simpler meshes far away", detailedResult);
    row("+ still layer in a framebuffer: the program", programResult);
    row("  (still layer kept as a back-buffer copy)", copyingResult);
    row("turning: simpler meshes, no still layer", detailedTurning);
    row("turning: still layer in a framebuffer", programTurning);
    row("turning: still layer kept as a back-buffer copy", copyingTurning);
    row("old floor (grouped by material, one run a kind)", oldFloorResult);
    row("floor + batches + simpler meshes, no layer", floorNoLayerResult);
    row("floor + still layer in a framebuffer", floorResult);
    row("floor + still layer kept as a back-buffer copy", floorCopyingResult);
    row("floor turning, still layer in a framebuffer", floorTurning);
    row("floor turning, no still layer", floorNoLayerTurning);
    const auto ratio = [](const char* label, const Result& a, const Result& b) {
        std::printf("  %-46s %9.2f %9.2f\n", label, a.msPerFrame / b.msPerFrame,
                    a.cpuMsPerFrame / b.cpuMsPerFrame);
    };
    std::printf("  %-46s %9s %9s\n", "ratios", "ms", "cpu ms");
    ratio("program / floor, still", programResult, floorResult);
    ratio("program / floor, turning", programTurning, floorTurning);
    ratio("no layer / no layer (floor), still", detailedResult, floorNoLayerResult);
    ratio("program / old floor", programResult, oldFloorResult);
    ratio("still layer / none, still camera", programResult, detailedResult);
    ratio("back-buffer copy / framebuffer, still", copyingResult, programResult);
    ratio("back-buffer copy / framebuffer, turning", copyingTurning, programTurning);
    ratio("still layer / none, turning", programTurning, detailedTurning);
    ratio("simpler meshes / none", detailedResult, noDetailResult);
    std::printf("  mesh triangles a frame: %zu with simpler meshes far away, %zu without\n",
                detailed.MeshTriangles(), noDetail.MeshTriangles());
    row("the program with all debug drawing on", debugResult);
    std::printf("  debug drawing: %d lines a frame, %.2f times the program's frame\n",
                debugDrawing.DebugDrawer().drawnLineCount(),
                debugResult.msPerFrame / programResult.msPerFrame);
    std::printf("  picture, program vs design's calls: %s\n",
                Compare(programResult.picture, designResult.picture).c_str());
    std::printf("  picture, program vs floor: %s\n",
                Compare(programResult.picture, floorResult.picture).c_str());
    std::printf("  picture, program vs no still layer: %s; back-buffer copy: %s\n",
                Compare(programResult.picture, detailedResult.picture).c_str(),
                Compare(programResult.picture, copyingResult.picture).c_str());

    if (sweep) {
        for (const bool economy : {false, true}) {
            for (const int every : {0, 20, 40, 60, 80, 100, 120, 160, 240}) {
                FrameRenderer renderer(RenderOptions{economy, every});
                const Result r = Time(context, frames, [&] { renderer.Render(scene, camera); });
                std::printf("  economy %-3s flush every %3d: %7.2f ms, cpu %7.2f ms\n",
                            economy ? "on" : "off", every, r.msPerFrame, r.cpuMsPerFrame);
            }
        }
    }
    scene.Destroy();
}

}  // namespace

int main(int argc, char** argv)
{
    int frames = 100;
    bool sweep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            frames = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--sweep") == 0)
            sweep = true;
    }
    // The counter must see what the program itself allocates, or every
    // "own allocs" figure below means nothing.
    const std::uint64_t ownBefore = OwnAllocationCount();
    delete new volatile int(0);
    if (OwnAllocationCount() != ownBefore + 1) {
        std::fprintf(stderr, "kinetta_render_bench: the allocation counter does not work\n");
        return 1;
    }

    Context context;
    if (!context.Ok()) {
        std::fprintf(stderr, "kinetta_render_bench: no off-screen OpenGL context\n");
        return 1;
    }
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    RunScene(context, "start scene", 0, frames, sweep);
    RunScene(context, "1,000 thrown bodies at rest", 1000, frames, sweep);
    RunScene(context, "4,000 thrown bodies at rest", 4000, frames, sweep);
    RunScene(context, "8,000 thrown bodies at rest", 8000, frames, sweep);
    return 0;
}
