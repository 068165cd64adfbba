#pragma once
// Prints one line of run statistics per second on standard output.

#include "view/view_stats.h"

#include <BulletDynamics/Featherstone/btMultiBodyDynamicsWorld.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>

#include <functional>
#include <string>

// What the world holds, as the report counts it: a multibody's colliders are
// parts of its links, not bodies.
struct StatsCounts {
    int bodies = 0;
    int multiBodies = 0;
    int links = 0;
};

// Nothing for no world.
StatsCounts CountForStats(const btMultiBodyDynamicsWorld* world);

// One report line from two snapshots of the totals, a second or so apart.
// awake counts the bodies that can move and have not fallen asleep. The
// multibodies and their links are named only in a world that has any.
std::string FormatStatsLine(const ViewStats& before, const ViewStats& now, int bodies, int awake,
                            double seconds, int multiBodies = 0, int links = 0);

class CStatsReport : public QObject {
public:
    using Source = std::function<ViewStats()>;
    using Counts = std::function<StatsCounts()>;
    using BodyCount = std::function<int()>;

    CStatsReport(Source stats, Counts counts, BodyCount awake);

private:
    void Report();

    Source m_stats;
    Counts m_counts;
    BodyCount m_awake;
    ViewStats m_last;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
