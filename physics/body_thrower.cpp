#include "physics/body_thrower.h"

#include "physics/body_kind.h"
#include "physics/rigid_body.h"
#include "physics/scene_content.h"

#include <chrono>
#include <cstdlib>
#include <utility>
#include <vector>

std::uint32_t SteadyClockMilliseconds()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);  // wraps modulo 2^32 on purpose
}

int CLibraryRandomDraw()
{
    // glibc's RAND_MAX is 2^31 - 1, not 32767: keep the high bits.
    constexpr unsigned long long span = RAND_MAX + 1ULL;
    constexpr unsigned long long drawSpan = kRandomDrawMax + 1ULL;
    static_assert(span % drawSpan == 0, "RAND_MAX + 1 must be a multiple of 32768");
    return static_cast<int>(static_cast<unsigned long long>(std::rand()) / (span / drawSpan));
}

bool ThrowRateLimiter::Allow(std::uint32_t nowMs)
{
    if (!m_hasThrown) {
        m_hasThrown = true;
        m_lastThrowMs = nowMs - kIntervalMs;
    }
    // Modular difference: right across the clock's wrap-around, and an
    // interval beyond 2^31 ms still counts as long past rather than negative.
    const std::uint32_t elapsed = nowMs - m_lastThrowMs;
    if (elapsed < kIntervalMs) {
        return false;
    }
    m_lastThrowMs = nowMs;
    return true;
}

namespace {

btRigidBody* Throw(btDynamicsWorld& world, btCollisionShape* shape, BodyKind kind, float mass,
                   const CameraPose& camera, float speed, const btVector3& spin)
{
    btRigidBody* body = CreateRigidBody(shape, mass, ThrowStartPosition(camera),
                                        kCcdMotionThreshold, kCcdSweptSphereRadius);
    SetBodyKind(*body, kind);
    MarkThrown(*body);
    body->setLinearVelocity(speed * ViewDirection(camera));
    body->setAngularVelocity(spin);
    world.addRigidBody(body);
    return body;
}

}  // namespace

btRigidBody* ThrowSphere(btDynamicsWorld& world, btCollisionShape* sphereShape,
                         const CameraPose& camera)
{
    return Throw(world, sphereShape, BodyKind::Ball, kSphereMass, camera, kSphereSpeed,
                 btVector3(0, 0, 0));
}

btRigidBody* ThrowDice(btDynamicsWorld& world, btCollisionShape* diceShape,
                       const CameraPose& camera, const RandomDraw& random)
{
    if (diceShape == nullptr) {
        return nullptr;
    }
    // Separate statements fix the order of the draws.
    const float z = SpinFromDraw(random());
    const float y = SpinFromDraw(random());
    const float x = SpinFromDraw(random());
    return Throw(world, diceShape, BodyKind::Die, kDiceMass, camera, kDiceSpeed,
                 btVector3(x, y, z));
}

namespace {

// Cells over the ground, clear of the tower and the pillars.
std::vector<btVector3> RestingCells()
{
    // Wide enough apart that a column's small sway at the start never
    // reaches its neighbour; 35 * 1.1 = 38.5 of the ground's 40.
    constexpr float kSpacing = 1.1f;
    constexpr int kCells = 35;
    const auto clear = [](float x, float z) {
        const float r = btSqrt(x * x + z * z);
        const bool nearTower = r > kTowerRadius - 1.5f && r < kTowerRadius + 1.5f;
        const bool nearPillar =
            btFabs(btFabs(x) - 10.0f) < 1.5f && btFabs(btFabs(z) - 10.0f) < 1.5f;
        return !nearTower && !nearPillar;
    };
    std::vector<btVector3> cells;
    for (int i = 0; i < kCells; ++i) {
        for (int k = 0; k < kCells; ++k) {
            const float x = float(i - kCells / 2) * kSpacing;
            const float z = float(k - kCells / 2) * kSpacing;
            if (clear(x, z))
                cells.emplace_back(x, 0.0f, z);
        }
    }
    return cells;
}

}  // namespace

int AddRestingThrownBodies(btDynamicsWorld& world, btCollisionShape* sphereShape,
                           btCollisionShape* diceShape, int count)
{
    if (sphereShape == nullptr || diceShape == nullptr || count <= 0)
        return 0;
    // Loose layers of balls and dice never settle: from the third layer on
    // the pile slides apart and bodies roll off the ground. Dice stacked face
    // on face in columns stand still at any height we need, and a ball rests
    // on top of every other column, so that both kinds are there from the
    // first few bodies on.
    static const std::vector<btVector3> cells = RestingCells();
    const int columns = static_cast<int>(cells.size());
    const float diceHeight = 2.0f * kDiceHalfExtents.y();
    int added = 0;
    for (int level = 0; added < count; ++level) {
        for (int c = 0; c < columns && added < count; ++c) {
            const int height = count / columns + (c < count % columns ? 1 : 0);
            if (level >= height)
                continue;
            const bool ball = c % 2 == 0 && level == height - 1;
            const float y = ball ? float(level) * diceHeight + kSphereRadius
                                 : (float(level) + 0.5f) * diceHeight;
            btRigidBody* body =
                CreateRigidBody(ball ? sphereShape : diceShape, ball ? kSphereMass : kDiceMass,
                                btVector3(cells[std::size_t(c)].x(), y, cells[std::size_t(c)].z()),
                                kCcdMotionThreshold, kCcdSweptSphereRadius);
            SetBodyKind(*body, ball ? BodyKind::Ball : BodyKind::Die);
            MarkThrown(*body);
            world.addRigidBody(body);
            ++added;
        }
    }
    return added;
}

BodyThrower::BodyThrower(MillisecondClock clock, RandomDraw random)
    : m_clock(std::move(clock)), m_random(std::move(random))
{
}

btRigidBody* BodyThrower::TryThrowSphere(btDynamicsWorld& world, btCollisionShape* sphereShape,
                                         const CameraPose& camera)
{
    if (!m_sphereLimiter.Allow(m_clock())) {
        return nullptr;
    }
    return ThrowSphere(world, sphereShape, camera);
}

btRigidBody* BodyThrower::TryThrowDice(btDynamicsWorld& world, btCollisionShape* diceShape,
                                       const CameraPose& camera)
{
    if (!m_diceLimiter.Allow(m_clock())) {
        return nullptr;
    }
    return ThrowDice(world, diceShape, camera, m_random);
}
