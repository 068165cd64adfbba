#include "glw/texture_mapper.h"

namespace glw {

void Surface::ApplyMapper(TextureMapper& mapper)
{
    mapper.Map(indices, vertices);
}

}  // namespace glw
