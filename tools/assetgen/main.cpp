// kinetta-assetgen OUTDIR: writes the program's embedded meshes and images.
// The output is the same byte for byte on every run; res/ holds a copy.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tools/assetgen/lwob_writer.h"
#include "tools/assetgen/meshes.h"
#include "tools/assetgen/pictures.h"
#include "tools/assetgen/png_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Asset {
    const char* file;
    std::function<Bytes()> make;
};

Bytes Lwob(assetgen::Mesh (*make)())
{
    return assetgen::WriteLwob(make());
}

Bytes Png(assetgen::Image (*make)())
{
    return assetgen::EncodePng(make());
}

const std::vector<Asset>& Assets()
{
    using namespace assetgen;
    static const std::vector<Asset> assets = {
        {"can.lwo", [] { return Lwob(MakeCan); }},
        {"ball.lwo", [] { return Lwob(MakeBall); }},
        {"domino.lwo", [] { return Lwob(MakeDomino); }},
        {"rounded_cube.lwo", [] { return Lwob(MakeRoundedCube); }},
        {"waves.png", [] { return Png(MakeWaves); }},
        {"dice.png", [] { return Png(MakeDiceSheet); }},
        {"domino.png", [] { return Png(MakeDominoFace); }},
        {"disc.png", [] { return Png(MakeDisc); }},
        {"metal_streaks.png", [] { return Png(MakeMetalStreaks); }},
        {"checker.png", [] { return Png(MakeChecker); }},
    };
    return assets;
}

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kinetta-assetgen OUTDIR\n");
        return 2;
    }
    const std::filesystem::path outDir = argv[1];
    try {
        std::filesystem::create_directories(outDir);
        for (const Asset& asset : Assets()) {
            const Bytes bytes = asset.make();
            if (!WriteFile(outDir / asset.file, bytes)) {
                std::fprintf(stderr, "kinetta-assetgen: cannot write %s\n",
                             (outDir / asset.file).string().c_str());
                return 1;
            }
            std::printf("%-18s %6zu bytes\n", asset.file, bytes.size());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kinetta-assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
