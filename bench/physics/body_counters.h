#pragma once
// Reported with each result: how many bodies there are and how many are awake.

#include <benchmark/benchmark.h>
#include <btBulletCollisionCommon.h>

inline void CountBodies(benchmark::State& state, const btCollisionWorld& world)
{
    int awake = 0;
    for (int i = 0; i < world.getNumCollisionObjects(); ++i) {
        awake += world.getCollisionObjectArray()[i]->isActive() ? 1 : 0;
    }
    state.counters["bodies"] = world.getNumCollisionObjects();
    state.counters["awake"] = awake;
}
