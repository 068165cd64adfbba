#pragma once
// What the Graph draws, read from the world's history: one row per kept
// step. With a body, its height (the centre of mass), speed and kinetic
// energy; without one, the whole world's kinetic energy and how many bodies
// are awake. A body not yet in the world at a moment has NaN in its row.

#include "edit/plot_series.h"
#include "edit/world_history.h"

#include <btBulletDynamicsCommon.h>

#include <string>

PlotSeries HistorySeries(const WorldHistory& history, const btRigidBody* selected,
                         const std::string& title);
