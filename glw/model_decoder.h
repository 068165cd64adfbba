#pragma once
// The base of the mesh decoders: fills a Model from a byte stream, and offers
// a shortcut that decodes an embedded resource.

#include "glw/model.h"
#include "glw/resources.h"
#include "glw/stream.h"

#include <cstdint>

namespace glw {

class ModelDecoder {
public:
    // 1 when the stream held a model of this decoder's kind, else 0.
    virtual int Decode(Model& model, Stream& stream) = 0;

    // Decodes resource (type, id) of module, or of the executable when module
    // is null. Returns 0, leaving the model untouched, when the resource is
    // missing; else 1 when Decode succeeded.
    int DecodeResource(Model& model, std::uint32_t id, const char* type,
                       const ResourceModule* module = nullptr);

protected:
    // Not virtual: decoders are used by value, never deleted through the base.
    ModelDecoder() = default;
    ~ModelDecoder() = default;
    ModelDecoder(const ModelDecoder&) = default;
    ModelDecoder& operator=(const ModelDecoder&) = default;
};

}  // namespace glw
