// kinetta-lwo-info FILE: decodes a LightWave object (LWOB) file the way the
// program does and prints what it made of it as JSON on stdout.
#include "glw/lwo_decoder.h"
#include "glw/memory_stream.h"
#include "glw/model.h"
#include "tools/lwo_info/json_text.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr const char* kProgram = "kinetta-lwo-info";

bool ReadFile(const char* path, std::vector<unsigned char>& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    char buffer[64 * 1024];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
            error = "too large (4 GiB or more)";
            return false;
        }
    }
    if (in.bad()) {
        error = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
    return true;
}

std::string NotLwobReason(const std::vector<unsigned char>& bytes)
{
    if (bytes.size() >= 12 && std::memcmp(bytes.data(), "FORM", 4) == 0 &&
        std::memcmp(bytes.data() + 8, "LWO2", 4) == 0)
        return "a LightWave LWO2 object; only the older LWOB kind is read";
    return "not a LightWave object (no FORM/LWOB header)";
}

std::string Point(const float p[3])
{
    return "[" + lwo_info::JsonNumber(p[0]) + ", " + lwo_info::JsonNumber(p[1]) + ", " +
           lwo_info::JsonNumber(p[2]) + "]";
}

std::string FirstTriangle(const glw::Surface& surface)
{
    if (surface.indices.size() < 3)
        return "null";
    std::string out = "[";
    for (std::size_t i = 0; i < 3; ++i) {
        const std::uint32_t index = surface.indices[i];
        if (index >= surface.vertices.size())
            return "null";
        out += (i > 0 ? ", " : "") + Point(surface.vertices[index].position);
    }
    return out + "]";
}

void PrintModel(const glw::Model& model)
{
    std::string out = "{\n  \"surfaces\": [";
    for (std::size_t i = 0; i < model.surfaces.size(); ++i) {
        const glw::Surface& s = model.surfaces[i];
        const glw::Material& m = s.material;
        out += i > 0 ? ",\n    {\n" : "\n    {\n";
        out += "      \"name\": " + lwo_info::JsonString(m.name) + ",\n";
        out += "      \"colour\": " + Point(m.colour) + ",\n";
        out += std::string("      \"smooth\": ") + (m.smooth ? "true" : "false") + ",\n";
        out += "      \"shininess\": " + lwo_info::JsonNumber(m.shininess) + ",\n";
        out += "      \"vertices\": " + std::to_string(s.vertices.size()) + ",\n";
        out += "      \"indices\": " + std::to_string(s.indices.size()) + ",\n";
        out += "      \"firstTriangle\": " + FirstTriangle(s) + "\n    }";
    }
    out += model.surfaces.empty() ? "]\n}\n" : "\n  ]\n}\n";
    std::cout << out;
}

int Run(const char* path)
{
    std::vector<unsigned char> bytes;
    std::string error;
    if (!ReadFile(path, bytes, error)) {
        std::cerr << kProgram << ": " << path << ": " << error << "\n";
        return 1;
    }
    const std::string reason = NotLwobReason(bytes);
    glw::MemoryStream stream(std::move(bytes));
    glw::Model model;
    glw::LwoDecoder decoder;
    if (decoder.Decode(model, stream) == 0) {
        std::cerr << kProgram << ": " << path << ": " << reason << "\n";
        return 1;
    }
    PrintModel(model);
    std::cout.flush();
    return std::cout ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: " << kProgram << " FILE\n"
                  << "Prints the surfaces a LightWave LWOB file decodes into, as JSON.\n";
        return 2;
    }
    try {
        return Run(argv[1]);
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": " << argv[1] << ": " << e.what() << "\n";
        return 1;
    }
}
