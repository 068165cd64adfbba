#pragma once
// Big-endian numbers and four-character identifiers as IFF files store them.
// Callers check the bounds; these only assemble bytes.

#include <bit>
#include <cstdint>

namespace glw::big_endian {

inline std::uint16_t U16(const unsigned char* p)
{
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint32_t U32(const unsigned char* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

inline float F32(const unsigned char* p)
{
    return std::bit_cast<float>(U32(p));
}

// Compares four bytes with a four-letter identifier, ignoring ASCII case.
inline bool IdEquals(const unsigned char* id, const char (&name)[5])
{
    for (int i = 0; i < 4; ++i) {
        unsigned char c = id[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<unsigned char>(c - 'a' + 'A');
        unsigned char n = static_cast<unsigned char>(name[i]);
        if (n >= 'a' && n <= 'z')
            n = static_cast<unsigned char>(n - 'a' + 'A');
        if (c != n)
            return false;
    }
    return true;
}

}  // namespace glw::big_endian
