#include "glw/res_stream.h"

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
    Attach(bytes.data, bytes.size);
    return 1;
}

int ResStream::Close()
{
    // The table's bytes live as long as the program: nothing to free.
    Detach();
    return 1;
}

}  // namespace glw
