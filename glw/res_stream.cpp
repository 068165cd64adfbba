#include "glw/res_stream.h"

#include "glw/block_read.h"

namespace glw {

ResStream::~ResStream()
{
    Close();
}

int ResStream::Open(const ResourceModule* module, std::uint32_t id, const char* type)
{
    Close();
    ResourceBytes bytes;
    if (!FindResource(module, id, type, bytes) || bytes.data == nullptr)
        return 0;
    data = bytes.data;
    size = bytes.size;
    position = 0;
    return 1;
}

int ResStream::Read(void* destination, std::uint32_t count, std::uint32_t* delivered)
{
    return block::Read(data, size, position, destination, count, delivered);
}

int ResStream::Write(const void*, std::uint32_t, std::uint32_t* written)
{
    if (written != nullptr)
        *written = 0;
    return 0;
}

int ResStream::Seek(std::int32_t offset, int fromStart)
{
    return block::Seek(position, offset, fromStart);
}

std::uint32_t ResStream::Tell() const
{
    return position;
}

int ResStream::Close()
{
    // The table's bytes live as long as the program: nothing to free.
    data = nullptr;
    size = 0;
    position = 0;
    return 1;
}

int ResStream::IsWritable() const
{
    return 0;
}

}  // namespace glw
