#include "physics/body_kind.h"

#include <array>

namespace {

constexpr std::array<const char*, kBodyKindCount> kNouns = {
    "Body", "Ground", "Wall", "Can", "Domino", "Die", "Ball",
};

constexpr std::array<std::string_view, kBodyKindCount> kShapeNames = {
    "",  // Other
    "kinetta.ground",
    "kinetta.wall",
    "kinetta.can",
    "kinetta.domino",
    "kinetta.die",
    "kinetta.ball",
};

}  // namespace

std::string_view ShapeNameOf(BodyKind kind)
{
    return kShapeNames[static_cast<std::size_t>(kind)];
}

BodyKind KindFromShapeName(std::string_view name)
{
    for (int i = 1; i < kBodyKindCount; ++i) {
        if (kShapeNames[std::size_t(i)] == name)
            return static_cast<BodyKind>(i);
    }
    return BodyKind::Other;
}

const char* BodyNounOf(BodyKind kind)
{
    return kNouns[static_cast<std::size_t>(kind)];
}
