// The LWOB file layout and chunk loop; the chunks themselves are read in
// lwo_chunks.cpp.
#include "glw/lwo_decoder.h"

#include "glw/big_endian.h"

#include <algorithm>

namespace glw {
namespace {

// A chunk body is read in growing pieces, so an announced size far beyond
// what the stream holds costs no more memory than the stream delivers.
constexpr std::uint32_t kFirstBodyPiece = 64 * 1024;

bool ReadExactly(Stream& stream, void* destination, std::uint32_t count)
{
    std::uint32_t delivered = 0;
    return stream.Read(destination, count, &delivered) != 0 && delivered == count;
}

}  // namespace

int LwoDecoder::Decode(Model& model, Stream& stream)
{
    // The borrowed references and the point list live only for this call,
    // whichever way it ends.
    struct Session {
        LwoDecoder& decoder;
        ~Session()
        {
            decoder.m_stream = nullptr;
            decoder.m_model = nullptr;
            decoder.m_points.clear();
            decoder.m_body.clear();
        }
    } session{*this};

    m_stream = &stream;
    m_model = &model;
    m_carriedByte = -1;
    model.surfaces.clear();
    m_points.clear();

    if (!ReadHeader())
        return 0;
    ReadChunks();
    model.ComputeNormals();
    return 1;
}

bool LwoDecoder::ReadHeader()
{
    unsigned char form[4] = {};
    unsigned char formSize[4] = {};
    unsigned char kind[4] = {};
    // The form size is not trusted to bound anything; chunks are read until
    // the stream ends.
    return ReadExactly(*m_stream, form, 4) && big_endian::IdEquals(form, "FORM") &&
           ReadExactly(*m_stream, formSize, 4) && ReadExactly(*m_stream, kind, 4) &&
           big_endian::IdEquals(kind, "LWOB");
}

void LwoDecoder::ReadChunks()
{
    for (;;) {
        unsigned char id[4];
        unsigned char sizeBytes[4];
        if (!ReadChunkId(id) || !ReadExactly(*m_stream, sizeBytes, 4))
            return;
        const std::uint32_t size = big_endian::U32(sizeBytes);
        // A body cut short by the end of the data is dropped whole: its
        // announced counts would describe bytes that are not there.
        if (!ReadBody(size))
            return;
        HandleChunk(id);
        if (size % 2 != 0)
            SkipPadByte();
    }
}

bool LwoDecoder::ReadChunkId(unsigned char id[4])
{
    if (m_carriedByte < 0)
        return ReadExactly(*m_stream, id, 4);
    id[0] = static_cast<unsigned char>(m_carriedByte);
    m_carriedByte = -1;
    return ReadExactly(*m_stream, id + 1, 3);
}

bool LwoDecoder::ReadBody(std::uint32_t size)
{
    m_body.clear();
    while (m_body.size() < size) {
        const std::size_t had = m_body.size();
        const std::size_t piece =
            std::min<std::size_t>(size - had, std::max<std::size_t>(had, kFirstBodyPiece));
        m_body.resize(had + piece);
        std::uint32_t delivered = 0;
        const int ok =
            m_stream->Read(m_body.data() + had, static_cast<std::uint32_t>(piece), &delivered);
        m_body.resize(had + std::min<std::size_t>(delivered, piece));
        if (ok == 0 || delivered == 0)
            return false;
    }
    return true;
}

// IFF pads an odd-sized body with one NUL byte, but some writers omit it. An
// identifier never starts with NUL, so a NUL here is the pad and anything
// else is the next chunk's first byte.
void LwoDecoder::SkipPadByte()
{
    unsigned char next = 0;
    if (ReadExactly(*m_stream, &next, 1) && next != 0)
        m_carriedByte = next;
}

void LwoDecoder::HandleChunk(const unsigned char id[4])
{
    if (big_endian::IdEquals(id, "SRFS"))
        ReadSurfaceNames();
    else if (big_endian::IdEquals(id, "PNTS"))
        ReadPoints();
    else if (big_endian::IdEquals(id, "POLS"))
        ReadPolygons();
    else if (big_endian::IdEquals(id, "SURF"))
        ReadSurfaceSettings();
    // CRVS, PCHS and anything else carry nothing the model uses.
}

}  // namespace glw
