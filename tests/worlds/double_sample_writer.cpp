// Saves the sample world with a double-precision Bullet (compiled with
// BT_USE_DOUBLE_PRECISION, linked to Debian's -float64 libraries), so that
// the tests can open a file of the other precision.

#include "worlds/world_file_samples.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.bullet\n", argv[0]);
        return 2;
    }
    SampleWorld sample;
    btDefaultSerializer serializer;
    for (const auto& [shape, name] : sample.names) serializer.registerNameForPointer(shape, name.c_str());
    sample.world.serialize(&serializer);
    FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) return 1;
    bool ok = std::fwrite(serializer.getBufferPointer(), serializer.getCurrentBufferSize(), 1, file) == 1;
    return std::fclose(file) == 0 && ok ? 0 : 1;
}
