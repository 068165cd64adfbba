#pragma once
// A die: a box body that builds its own mesh, one quad per face, with
// texture coordinates into the 3 x 2 grid of the pips image.

#include "models/box_model.h"

namespace models {

class DiceModel : public BoxModel {
public:
    // Surface 0 gets 24 vertices (four per face) and 36 indices; draw flags 2.
    explicit DiceModel(const btVector3& halfExtents);
    ~DiceModel() override;
};

}  // namespace models
