// kinetta-assetgen OUTDIR: writes the program's embedded meshes and images.
// The output is the same byte for byte on every run; res/ holds a copy.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tools/assetgen/frame_pictures.h"
#include "tools/assetgen/insert_pictures.h"
#include "tools/assetgen/lwob_writer.h"
#include "tools/assetgen/meshes.h"
#include "tools/assetgen/pictures.h"
#include "tools/assetgen/png_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// 16 and 32 are embedded in the program; all go to the desktop's icon theme.
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};

struct Asset {
    std::string file;
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

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

const std::vector<Asset>& Assets()
{
    using namespace assetgen;
    static const std::vector<Asset> assets = [] {
        std::vector<Asset> list = {
            {"can.lwo", [] { return Lwob(MakeCan); }},
            {"ball.lwo", [] { return Lwob(MakeBall); }},
            {"domino.lwo", [] { return Lwob(MakeDomino); }},
            {"rounded_cube.lwo", [] { return Lwob(MakeRoundedCube); }},
            {"can_far.lwo", [] { return WriteLwob(MakeSimplerCan(1)); }},
            {"can_farther.lwo", [] { return WriteLwob(MakeSimplerCan(2)); }},
            {"ball_far.lwo", [] { return WriteLwob(MakeSimplerBall(1)); }},
            {"ball_farther.lwo", [] { return WriteLwob(MakeSimplerBall(2)); }},
            {"domino_far.lwo", [] { return Lwob(MakeSimplerDomino); }},
            {"waves.png", [] { return Png(MakeWaves); }},
            {"dice.png", [] { return Png(MakeDiceSheet); }},
            {"domino.png", [] { return Png(MakeDominoFace); }},
            {"disc.png", [] { return Png(MakeDisc); }},
            {"metal_streaks.png", [] { return Png(MakeMetalStreaks); }},
            {"checker.png", [] { return Png(MakeChecker); }},
            {"toolbar.png", [] { return EncodePng(MakeToolbarStrip(1)); }},
            {"toolbar-2x.png", [] { return EncodePng(MakeToolbarStrip(2)); }},
            {"insert.png", [] { return EncodePng(MakeInsertStrip(1)); }},
            {"insert-2x.png", [] { return EncodePng(MakeInsertStrip(2)); }},
            {"icons/kinetta.svg", [] { return Text(MakeKinettaIconSvg()); }},
        };
        for (const int size : kIconSizes)
            list.push_back({"icons/kinetta-" + std::to_string(size) + ".png",
                            [size] { return EncodePng(MakeKinettaIcon(size)); }});
        return list;
    }();
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
            std::filesystem::create_directories((outDir / asset.file).parent_path());
            if (!WriteFile(outDir / asset.file, bytes)) {
                std::fprintf(stderr, "kinetta-assetgen: cannot write %s\n",
                             (outDir / asset.file).string().c_str());
                return 1;
            }
            std::printf("%-22s %6zu bytes\n", asset.file.c_str(), bytes.size());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kinetta-assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
