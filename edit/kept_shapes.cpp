#include "edit/kept_shapes.h"

#include "common/kinetta_assert.h"

#include <algorithm>

btCollisionShape* KeptShapes::Keep(std::unique_ptr<btCollisionShape> shape)
{
    KINETTA_ASSERT(shape != nullptr && !Holds(shape.get()), "keep each new shape once");
    m_shapes.push_back(std::move(shape));
    return m_shapes.back().get();
}

bool KeptShapes::Holds(const btCollisionShape* shape) const
{
    return std::any_of(m_shapes.begin(), m_shapes.end(),
                       [shape](const auto& kept) { return kept.get() == shape; });
}

void KeptShapes::DropAllBut(const std::unordered_set<const btCollisionShape*>& inUse,
                            const GoneHook& gone)
{
    const auto unused = std::stable_partition(
        m_shapes.begin(), m_shapes.end(),
        [&inUse](const auto& kept) { return inUse.count(kept.get()) != 0; });
    if (gone)
        for (auto it = unused; it != m_shapes.end(); ++it)
            gone(**it);
    m_shapes.erase(unused, m_shapes.end());
}
