#include "edit/body_description.h"

#include "physics/body_kind.h"

#include <cstdio>

namespace {

// Below this speed (m/s) a body that is awake counts as at rest.
constexpr float kRestingSpeed = 0.05f;

}  // namespace

int BodyNumber(const btCollisionWorld& world, const btCollisionObject& body)
{
    const BodyKind kind = KindOf(body);
    const btCollisionObjectArray& objects = world.getCollisionObjectArray();
    int number = 0;
    for (int i = 0; i < objects.size(); ++i) {
        if (KindOf(*objects[i]) != kind)
            continue;
        ++number;
        if (objects[i] == &body)
            return number;
    }
    return 0;
}

std::string DescribeBody(const btRigidBody& body, int number, bool held)
{
    std::string text(BodyNounOf(KindOf(body)));
    if (number > 0)
        text += " " + std::to_string(number);
    const char* const separator = " \u00b7 ";
    if (body.getInvMass() == 0.0f)
        return text + separator + "static";
    char mass[32];
    std::snprintf(mass, sizeof mass, "%g kg", double(1.0f / body.getInvMass()));
    text += separator;
    text += mass;
    text += separator;
    if (held)
        text += "held";
    else if (body.getActivationState() == ISLAND_SLEEPING)
        text += "asleep";
    else if (body.getLinearVelocity().length() < kRestingSpeed &&
             body.getAngularVelocity().length() < kRestingSpeed)
        text += "at rest";
    else
        text += "moving";
    return text;
}

std::string DescribeBodies(const std::vector<btRigidBody*>& bodies)
{
    double mass = 0;
    for (const btRigidBody* body : bodies)
        if (body->getInvMass() > 0)
            mass += 1.0 / body->getInvMass();
    char text[96];
    std::snprintf(text, sizeof text, "%zu bodies \u00b7 %g kg", bodies.size(), mass);
    return text;
}
