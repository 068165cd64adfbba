#include "edit/rubber_band.h"

#include <algorithm>

bool ProjectToView(const BandView& view, const btVector3& point, float& x, float& y)
{
    const float in[4] = {point.x(), point.y(), point.z(), 1.0f};
    float eye[4], clip[4];
    const auto multiply = [](const float* m, const float* v, float* out) {
        for (int row = 0; row < 4; ++row)
            out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
    };
    multiply(view.modelview, in, eye);
    multiply(view.projection, eye, clip);
    if (clip[3] <= 1e-6f)
        return false;
    const float ndcX = clip[0] / clip[3];
    const float ndcY = clip[1] / clip[3];
    x = (ndcX + 1.0f) * 0.5f * view.width;
    y = (1.0f - ndcY) * 0.5f * view.height;
    return true;
}

std::vector<btRigidBody*> BodiesInBand(const btCollisionWorld& world, const BandView& view,
                                       const BandRect& band)
{
    const float left = std::min(band.x0, band.x1), right = std::max(band.x0, band.x1);
    const float top = std::min(band.y0, band.y1), bottom = std::max(band.y0, band.y1);
    std::vector<btRigidBody*> inside;
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i) {
        btRigidBody* body = btRigidBody::upcast(objects[i]);
        if (body == nullptr)
            continue;
        btVector3 low, high;
        body->getCollisionShape()->getAabb(body->getWorldTransform(), low, high);
        bool enclosed = true;
        for (int corner = 0; corner < 8 && enclosed; ++corner) {
            const btVector3 p((corner & 1) ? high.x() : low.x(), (corner & 2) ? high.y() : low.y(),
                              (corner & 4) ? high.z() : low.z());
            float x = 0, y = 0;
            enclosed = ProjectToView(view, p, x, y) && x >= left && x <= right && y >= top &&
                       y <= bottom;
        }
        if (enclosed)
            inside.push_back(body);
    }
    return inside;
}
