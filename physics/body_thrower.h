#pragma once
// Throwing spheres (Space) and dice (T) into the running scene, each key
// limited to one throw per 200 ms. The clock and the random source are
// injected so that tests can drive them.

#include "physics/throw_aim.h"

#include <btBulletDynamicsCommon.h>

#include <cstdint>
#include <functional>

// Milliseconds from an arbitrary origin, wrapping at 2^32 like a 32-bit tick count.
using MillisecondClock = std::function<std::uint32_t()>;
// A uniform draw in 0..32767.
using RandomDraw = std::function<int()>;

std::uint32_t SteadyClockMilliseconds();
// The C library's rand() brought to 0..32767, whatever RAND_MAX is.
int CLibraryRandomDraw();

// One per key: remembers when that key last threw.
class ThrowRateLimiter {
public:
    static constexpr std::uint32_t kIntervalMs = 200;

    // True, with nowMs recorded as the last throw, when the interval has passed
    // since the last throw; the very first call is always allowed.
    bool Allow(std::uint32_t nowMs);

private:
    bool m_hasThrown = false;
    std::uint32_t m_lastThrowMs = 0;
};

// Create a thrown body with its velocities and add it to the world, without
// any rate limit, tagged as a thrown ball or die. The shape is borrowed and must
// not be null (checked). The dice's spin takes three draws: the first becomes
// z, then y, then x.
btRigidBody* ThrowSphere(btDynamicsWorld& world, btCollisionShape* sphereShape,
                         const CameraPose& camera);
btRigidBody* ThrowDice(btDynamicsWorld& world, btCollisionShape* diceShape,
                       const CameraPose& camera, const RandomDraw& random);

// Places count bodies at rest in columns on a grid over the ground, clear of
// the tower and the pillars, for measuring a busy scene: dice stacked face on
// face, with a ball on top of every other column. Any count up to 8,000 comes
// to rest and sleeps within five simulated seconds. They are thrown bodies in
// every other respect: Stop removes them. Returns how many were added.
int AddRestingThrownBodies(btDynamicsWorld& world, btCollisionShape* sphereShape,
                           btCollisionShape* diceShape, int count);

// The rate-limited throws that a held key repeats every tick. Sphere and dice
// are limited independently.
class BodyThrower {
public:
    explicit BodyThrower(MillisecondClock clock = SteadyClockMilliseconds,
                         RandomDraw random = CLibraryRandomDraw);

    // The new body, or null when the key's last throw was too recent.
    btRigidBody* TryThrowSphere(btDynamicsWorld& world, btCollisionShape* sphereShape,
                                const CameraPose& camera);
    btRigidBody* TryThrowDice(btDynamicsWorld& world, btCollisionShape* diceShape,
                              const CameraPose& camera);

private:
    MillisecondClock m_clock;
    RandomDraw m_random;
    ThrowRateLimiter m_sphereLimiter;
    ThrowRateLimiter m_diceLimiter;
};
