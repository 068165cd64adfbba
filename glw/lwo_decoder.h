#pragma once
// Decodes LightWave objects of the older LWOB kind into a Model: one surface
// per surface name, every polygon split into triangles with their own three
// vertices, normals computed at the end.

#include "glw/model.h"
#include "glw/model_decoder.h"
#include "glw/stream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace glw {

class LwoDecoder final : public ModelDecoder {
public:
    // 1 when the stream is an LWOB file, also when its data ends early or
    // holds parts that had to be skipped; 0 otherwise, with the model left
    // without surfaces. One decoder may decode any number of files in turn.
    int Decode(Model& model, Stream& stream) override;

private:
    struct Point {
        float x, y, z;
    };

    bool ReadHeader();
    void ReadChunks();
    bool ReadChunkId(unsigned char id[4]);
    bool ReadBody(std::uint32_t size);
    void SkipPadByte();
    void HandleChunk(const unsigned char id[4]);

    // Chunk handlers, in lwo_chunks.cpp; each reads m_body only.
    void ReadSurfaceNames();
    void ReadPoints();
    void ReadPolygons();
    void ReadSurfaceSettings();
    void AddPolygon(Surface& surface, const std::uint32_t* corners, std::size_t count);
    void AddCorner(Surface& surface, std::uint32_t pointIndex);

    Stream* m_stream = nullptr;  // borrowed while Decode runs
    Model* m_model = nullptr;    // borrowed while Decode runs
    std::vector<Point> m_points;
    std::vector<unsigned char> m_body;     // the chunk being handled
    std::vector<std::uint32_t> m_corners;  // the polygon being split
    int m_carriedByte = -1;                // first byte of the next chunk id, already read
};

}  // namespace glw
