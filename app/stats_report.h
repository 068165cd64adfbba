#pragma once
// Prints one line of run statistics per second on standard output.

#include "view/view_stats.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QObject>
#include <QtCore/QTimer>

#include <functional>
#include <string>

// One report line from two snapshots of the totals, a second or so apart.
std::string FormatStatsLine(const ViewStats& before, const ViewStats& now, int bodies,
                            double seconds);

class CStatsReport : public QObject {
public:
    using Source = std::function<ViewStats()>;
    using BodyCount = std::function<int()>;

    CStatsReport(Source stats, BodyCount bodies);

private:
    void Report();

    Source m_stats;
    BodyCount m_bodies;
    ViewStats m_last;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
