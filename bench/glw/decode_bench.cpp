// Decoding throughput of every LightWave object embedded in the program, in
// bytes and triangles per second.
#include "glw/lwo_decoder.h"
#include "glw/memory_stream.h"
#include "glw/resources.h"

#include <benchmark/benchmark.h>

#include <strings.h>

#include <string>

namespace {

void DecodeLwo(benchmark::State& state, const glw::ResourceEntry* entry)
{
    if (entry == nullptr) {
        state.SkipWithError("no LWO resource is embedded");
        return;
    }
    glw::LwoDecoder decoder;
    glw::Model model;
    std::size_t triangles = 0;
    for (auto _ : state) {
        glw::MemoryStream stream(entry->data, entry->size);
        if (decoder.Decode(model, stream) == 0) {
            state.SkipWithError("not an LWOB file");
            return;
        }
        triangles = 0;
        for (const glw::Surface& s : model.surfaces)
            triangles += s.indices.size() / 3;
        benchmark::DoNotOptimize(model.surfaces.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * entry->size);
    state.counters["triangles/s"] = benchmark::Counter(
        double(triangles) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = double(triangles);
}

// One benchmark per LWO entry of the executable's table, whatever it holds.
const bool kRegistered = [] {
    const glw::ResourceModule& module = glw::ExecutableModule();
    bool any = false;
    for (std::size_t i = 0; i < module.count; ++i) {
        const glw::ResourceEntry& entry = module.entries[i];
        if (entry.type == nullptr || strcasecmp(entry.type, "LWO") != 0)
            continue;
        benchmark::RegisterBenchmark(("DecodeLwo/" + std::to_string(entry.id)).c_str(), DecodeLwo,
                                     &entry);
        any = true;
    }
    if (!any)
        benchmark::RegisterBenchmark("DecodeLwo/none", DecodeLwo, nullptr);
    return true;
}();

}  // namespace
