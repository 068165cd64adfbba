// Time to turn each image the scene loads into a texture (decode + upload),
// and the decode alone, on Mesa's off-screen renderer.

#include "glw/png_image.h"
#include "glw/resources.h"
#include "glw/texture_loader.h"

#include <GL/osmesa.h>
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

// One context for the whole program, made current on first use.
bool OffscreenContextCurrent()
{
    static std::vector<unsigned char> colourBuffer(16 * 16 * 4);
    static const bool current = [] {
        OSMesaContext context = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
        return context != nullptr &&
               OSMesaMakeCurrent(context, colourBuffer.data(), GL_UNSIGNED_BYTE, 16, 16) &&
               glGetString(GL_RENDERER) != nullptr;
    }();
    return current;
}

bool FindSceneImage(benchmark::State& state, glw::ResourceBytes& bytes)
{
    const auto id = static_cast<std::uint32_t>(state.range(0));
    if (glw::FindResource(nullptr, id, "PNG", bytes))
        return true;
    state.SkipWithError(("PNG " + std::to_string(id) + " is not embedded").c_str());
    return false;
}

void BM_LoadTexture(benchmark::State& state)
{
    glw::ResourceBytes bytes;
    if (!FindSceneImage(state, bytes))
        return;
    if (!OffscreenContextCurrent()) {
        state.SkipWithError("no off-screen OpenGL context");
        return;
    }
    glw::TextureLoader loader;
    for (auto _ : state) {
        GLuint name = loader.LoadTexture(static_cast<std::uint32_t>(state.range(0)));
        if (name == 0) {
            state.SkipWithError("the image did not load");
            break;
        }
        glw::DeleteTexture(name);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes.size);
}

void BM_DecodePng(benchmark::State& state)
{
    glw::ResourceBytes bytes;
    if (!FindSceneImage(state, bytes))
        return;
    std::int64_t pixels = 0;
    for (auto _ : state) {
        glw::DecodedImage image;
        if (!glw::DecodePng(bytes.data, bytes.size, image)) {
            state.SkipWithError("the image did not decode");
            break;
        }
        pixels = static_cast<std::int64_t>(image.width) * image.height;
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes.size);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * pixels);
}

// The scene's images, in the order the scene set-up loads them.
void SceneImages(benchmark::internal::Benchmark* benchmark)
{
    for (int id : {221, 226, 225, 220, 222})
        benchmark->Arg(id);
}

BENCHMARK(BM_LoadTexture)->Apply(SceneImages)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodePng)->Apply(SceneImages)->Unit(benchmark::kMicrosecond);

}  // namespace
