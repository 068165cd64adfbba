#pragma once
// Shapes the document made itself, for inserted bodies and for bodies given
// a new size. A body never owns its shape, and an edit in the history may
// put an old shape back on Undo, so the document keeps every such shape
// until no body and no edit can use it: Stop drops those no body in the
// world uses (the history is empty by then), and New, Open and the
// document's end drop them all once their bodies are gone.

#include <btBulletCollisionCommon.h>

#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

class KeptShapes {
public:
    using GoneHook = std::function<void(const btCollisionShape&)>;

    KeptShapes() = default;
    ~KeptShapes() = default;
    KeptShapes(const KeptShapes&) = delete;
    KeptShapes& operator=(const KeptShapes&) = delete;

    // Takes the shape over; the pointer stays valid until it is dropped.
    btCollisionShape* Keep(std::unique_ptr<btCollisionShape> shape);
    bool Holds(const btCollisionShape* shape) const;
    int Count() const { return static_cast<int>(m_shapes.size()); }

    // Deletes every kept shape not in `inUse`, telling `gone` of each first.
    void DropAllBut(const std::unordered_set<const btCollisionShape*>& inUse,
                    const GoneHook& gone);
    void DropAll(const GoneHook& gone) { DropAllBut({}, gone); }

private:
    std::vector<std::unique_ptr<btCollisionShape>> m_shapes;
};
