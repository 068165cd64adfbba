#pragma once
// Prints one line of run statistics per second on standard output.

#include "view/view_stats.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>

#include <functional>
#include <string>

// One report line from two snapshots of the totals, a second or so apart.
// awake counts the bodies that can move and have not fallen asleep.
std::string FormatStatsLine(const ViewStats& before, const ViewStats& now, int bodies, int awake,
                            double seconds);

class CStatsReport : public QObject {
public:
    using Source = std::function<ViewStats()>;
    using BodyCount = std::function<int()>;

    CStatsReport(Source stats, BodyCount bodies, BodyCount awake);

private:
    void Report();

    Source m_stats;
    BodyCount m_bodies;
    BodyCount m_awake;
    ViewStats m_last;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
