#include "glw/model_decoder.h"

#include "glw/res_stream.h"

namespace glw {

int ModelDecoder::DecodeResource(Model& model, std::uint32_t id, const char* type,
                                 const ResourceModule* module)
{
    ResStream stream;
    if (!stream.Open(module, id, type))
        return 0;
    const int decoded = Decode(model, stream);
    stream.Close();
    return decoded != 0 ? 1 : 0;
}

}  // namespace glw
