// Saves the sample world and the multibody sample with a double-precision
// Bullet (compiled with BT_USE_DOUBLE_PRECISION, linked to Debian's -float64
// libraries), so that the tests can open files of the other precision.

#include "worlds/world_file_multibody_sample.h"
#include "worlds/world_file_samples.h"

#include <cstdio>

namespace {

bool Write(const btDefaultSerializer& serializer, const char* path)
{
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(serializer.getBufferPointer(), serializer.getCurrentBufferSize(), 1, file) == 1;
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SAMPLE.bullet MULTIBODIES.bullet\n", argv[0]);
        return 2;
    }
    SampleWorld sample;
    btDefaultSerializer serializer;
    for (const auto& [shape, name] : sample.names) serializer.registerNameForPointer(shape, name.c_str());
    sample.world.serialize(&serializer);
    MultiBodySample multiBodies;
    btDefaultSerializer multiBodySerializer;
    multiBodies.Serialize(multiBodySerializer);
    return Write(serializer, argv[1]) && Write(multiBodySerializer, argv[2]) ? 0 : 1;
}
