// Input the decoder must not trust: each case decodes without touching memory
// outside its lists, skipping what is broken and keeping what is whole.
#include "lwo_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace lwo_test;
using Indices = std::vector<std::uint32_t>;

const Bytes kPoints = Points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});

glw::Model DecodeOk(const Bytes& file)
{
    glw::Model model;
    EXPECT_EQ(Decode(file, model), 1);
    return model;
}

TEST(LwoMalformed, BrokenPolygonsAreSkippedAndTheRestKept)
{
    const Bytes early = Chunk("POLS", Polygon({0, 1, 2}, 1));                   // before any points
    const Bytes bad = Join({Polygon({0, 1, 3}, 1), Polygon({0, 0xFFFF, 1}, 1),  // missing points
                            Polygon({0, 1, 2}, 0), Polygon({0, 1, 2}, 3),       // no such surface
                            Polygon({0, 1, 2}, -32768), Bytes{}.U16(0), Polygon({2, 1, 0}, 2)});
    const Bytes overrun =
        Join({Polygon({1, 2, 0}, 2), Bytes{}.U16(200).U16(0).U16(1)});  // 200 corners announced
    const Bytes noSurfaceNumber = Bytes{}.U16(3).U16(0).U16(1).U16(2);
    const glw::Model model =
        DecodeOk(Lwob({early, Chunk("SRFS", Names({"A", "B"})), Chunk("PNTS", kPoints),
                       Chunk("POLS", bad), Chunk("POLS", overrun), Chunk("POLS", noSurfaceNumber),
                       Chunk("POLS", Polygon({0, 2, 1}, 2))}));
    EXPECT_TRUE(model.surfaces.at(0).vertices.empty());
    EXPECT_EQ(PointIndices(model.surfaces.at(1)), (Indices{0, 1, 2, 0, 2, 1, 1, 2, 0}));
}

TEST(LwoMalformed, SurfChunksWithoutTheirSurfaceOrRunningPastTheirEndChangeNothing)
{
    const Bytes dark = Surf("S", {Sub("COLR", {0, 0, 0, 0})});
    // A whole COLR, then a FLAG announcing more bytes than the chunk holds.
    const Bytes overrun =
        Join({Surf("T", {Sub("COLR", {0, 0, 0, 0})}), Bytes{}.Text("FLAG").U16(40).U16(0)});
    const Bytes tooShort = Surf("U", {Sub("COLR", {0, 0}), Sub("FLAG", {0}), Sub("GLOS", {16})});
    const glw::Model model = DecodeOk(
        Lwob({Chunk("SURF", dark), Chunk("SRFS", Names({"S", "T", "U"})), Chunk("SURF", Bytes{'S'}),
              Chunk("SURF", Surf("s", {})), Chunk("SURF", overrun), Chunk("SURF", tooShort)}));
    const glw::Material& s = model.surfaces.at(0).material;
    EXPECT_EQ(s.colour[0], 1.0f);  // before SRFS, unterminated, or another name
    const glw::Material& t = model.surfaces.at(1).material;
    EXPECT_EQ(t.colour[0], 0.0f);  // the whole sub-chunk before the overrun counts
    EXPECT_TRUE(t.smooth);
    const glw::Material& u = model.surfaces.at(2).material;
    EXPECT_EQ(u.colour[0], 1.0f);
    EXPECT_TRUE(u.smooth);
}

// Remembers the largest single request made of it.
class RecordingStream final : public glw::Stream {
public:
    explicit RecordingStream(const Bytes& bytes) : m_inner(bytes.data(), bytes.size()) {}
    int Read(void* to, std::uint32_t count, std::uint32_t* delivered) override
    {
        largestRequest = std::max(largestRequest, count);
        return m_inner.Read(to, count, delivered);
    }
    int Write(const void*, std::uint32_t, std::uint32_t*) override { return 0; }
    int Seek(std::int32_t offset, int fromStart) override
    {
        return m_inner.Seek(offset, fromStart);
    }
    std::uint32_t Tell() const override { return m_inner.Tell(); }
    int Close() override { return m_inner.Close(); }
    int IsWritable() const override { return 0; }
    std::uint32_t largestRequest = 0;

private:
    glw::MemoryStream m_inner;
};

TEST(LwoMalformed, TruncatedOrAbsurdlySizedChunkIsDroppedWithoutReadingItsSize)
{
    const Bytes huge = Bytes{}.Text("POLS").U32(0xFFFFFFFFu).Add(Polygon({0, 1, 2}, 1));
    const Bytes file = Lwob({Chunk("SRFS", Names({"S"})), Chunk("PNTS", kPoints), huge});
    RecordingStream stream(file);
    glw::Model model;
    EXPECT_EQ(glw::LwoDecoder{}.Decode(model, stream), 1);
    EXPECT_LE(stream.largestRequest, 64u * 1024);
    EXPECT_TRUE(model.surfaces.at(0).vertices.empty());
}

// Every prefix of a good file, and every byte of it set to a few telling
// values (counts and sizes that become zero, odd or huge).
TEST(LwoMalformed, FileCutShortOrCorruptedAnywhereDecodesSafely)
{
    const Bytes file = Lwob(
        {Chunk("SRFS", Names({"Face", "sides"})), Chunk("PNTS", kPoints),
         Chunk("POLS", Join({Polygon({0, 1, 2}, -1), Bytes{}.U16(1), Polygon({2, 1, 0, 1}, 2)})),
         Chunk("SURF", Surf("sides", {Sub("COLR", {1, 2, 3, 0}), Sub("GLOS", Bytes{}.U16(64))}))});
    const auto vertexCount = [](const glw::Model& m) {
        std::size_t n = 0;
        for (const glw::Surface& s : m.surfaces)
            n += s.vertices.size();
        return n;
    };
    const std::size_t whole = vertexCount(DecodeOk(file));
    ASSERT_EQ(whole, 9u);
    for (std::size_t length = 0; length < file.size(); ++length) {
        glw::Model model;
        EXPECT_EQ(Decode(Bytes(file.begin(), file.begin() + std::ptrdiff_t(length)), model),
                  length >= 12 ? 1 : 0);
        EXPECT_LE(vertexCount(model), whole) << "cut at " << length;
    }
    for (std::size_t i = 0; i < file.size(); ++i) {
        for (const unsigned char value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
            Bytes corrupt = file;
            corrupt[i] = value;
            glw::Model model;
            Decode(corrupt, model);
            for (const glw::Surface& s : model.surfaces)
                ASSERT_EQ(s.indices.size(), s.vertices.size()) << "byte " << i;
        }
    }
}

}  // namespace
