// Bullet's own parser follows a damaged file's lengths, counts and pointers
// wherever they lead. Valid files of every kind the tests write, each with a
// few bytes changed, must be refused or opened by the reader, never crash it.

#include "worlds/world_file_multibody_sample.h"
#include "worlds/world_file_samples.h"
#include "worlds/world_file_scratch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>

namespace {

std::vector<char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<char>& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

std::vector<char> Serialized(btDefaultSerializer& serializer)
{
    const auto* bytes = reinterpret_cast<const char*>(serializer.getBufferPointer());
    return {bytes, bytes + serializer.getCurrentBufferSize()};
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

TEST(WorldReaderMutants, ChangedBytesNeverCrashTheReader)
{
    ScratchFolder folder;
    std::vector<std::vector<char>> samples;
    {
        SampleWorld sample;
        const std::string path = folder.Path("sample.bullet");
        ASSERT_TRUE(SaveWorldFile(sample.world, path, [&](const btCollisionShape& s) {
                        return sample.NameOf(&s);
                    }).ok);
        samples.push_back(ReadBytes(path));
    }
    {
        MultiBodySample sample;
        btDefaultSerializer serializer;
        sample.Serialize(serializer);
        samples.push_back(Serialized(serializer));
    }
    samples.push_back(ReadBytes(KINETTA_DOUBLE_SAMPLE_PATH));
    samples.push_back(ReadBytes(KINETTA_DOUBLE_MULTIBODIES_PATH));
    for (const auto& sample : samples)
        ASSERT_GT(sample.size(), 1000u);

    WorldFileOpenOptions options = ReaderOptions();
    options.limits.time = std::chrono::milliseconds(5000);
    std::mt19937 random(20261208);
    int crashed = 0, hung = 0, refused = 0, opened = 0;
    const std::string path = folder.Path("mutant.bullet");
    for (int i = 0; i < 400; ++i) {
        std::vector<char> mutant = samples[size_t(i) % samples.size()];
        const int changes = 1 + int(random() % 8);
        for (int c = 0; c < changes; ++c)
            mutant[random() % mutant.size()] = char(random() % 256);
        WriteBytes(path, mutant);
        const OpenedWorldFile result = OpenWorldFile(path, {}, options);
        const std::string& error = result.result.error;
        if (result.result.ok) {
            ++opened;
        } else if (Contains(error, "stopped on it") || Contains(error, "hostile")) {
            ++crashed;
            ADD_FAILURE() << "mutant " << i << ": " << error;
        } else if (Contains(error, "too long")) {
            ++hung;
            ADD_FAILURE() << "mutant " << i << ": " << error;
        } else {
            ++refused;
        }
    }
    std::cout << "400 mutants: " << crashed << " crashed the reader, " << hung << " hung it, "
              << refused << " refused, " << opened << " opened\n";
}

}  // namespace
