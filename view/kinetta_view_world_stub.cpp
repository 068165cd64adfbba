// Stand-ins for the view's world-file commands until the world reader and
// writer are wired into the scene: enough for the frame's File commands to
// build and to meet real files and real errors. Opening changes nothing in
// the world; saving writes the file's signature only.
#include "view/kinetta_view.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr char kSignature[] = "BULLET";
constexpr std::size_t kSignatureSize = sizeof kSignature - 1;

std::string SystemReason()
{
    return std::strerror(errno);
}

}  // namespace

WorldFileResult CKinettaView::OpenWorld(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return WorldFileResult::Failure("it is a folder, not a file");
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return WorldFileResult::Failure(SystemReason());
    char head[kSignatureSize] = {};
    if (!in.read(head, kSignatureSize) || std::memcmp(head, kSignature, kSignatureSize) != 0)
        return WorldFileResult::Failure("it is not a Bullet file");
    return WorldFileResult::Success();
}

WorldFileResult CKinettaView::SaveWorld(const std::string& path)
{
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return WorldFileResult::Failure(SystemReason());
    out.write(kSignature, kSignatureSize);
    if (!out.flush())
        return WorldFileResult::Failure(SystemReason());
    return WorldFileResult::Success();
}

void CKinettaView::NewWorld()
{
    ResetSimulation();
}
