#include "app/stats_report.h"

#include <BulletDynamics/Featherstone/btMultiBodyLinkCollider.h>

#include <cstdio>

StatsCounts CountForStats(const btMultiBodyDynamicsWorld* world)
{
    StatsCounts counts;
    if (world == nullptr)
        return counts;
    const btCollisionObjectArray& objects = world->getCollisionObjectArray();
    for (int i = 0; i < objects.size(); ++i)
        if (btMultiBodyLinkCollider::upcast(objects[i]) == nullptr)
            ++counts.bodies;
    counts.multiBodies = world->getNumMultibodies();
    for (int i = 0; i < counts.multiBodies; ++i)
        counts.links += world->getMultiBody(i)->getNumLinks();
    return counts;
}

std::string FormatStatsLine(const ViewStats& before, const ViewStats& now, int bodies, int awake,
                            double seconds, int multiBodies, int links)
{
    const auto ticks = now.ticks - before.ticks;
    const auto frames = now.frames - before.frames;
    const auto steps = now.steps - before.steps;
    const double stepMean = steps ? (now.stepMilliseconds - before.stepMilliseconds) / steps : 0.0;
    const double renderMean =
        frames ? (now.renderMilliseconds - before.renderMilliseconds) / frames : 0.0;
    char line[200];
    std::snprintf(
        line, sizeof line,
        "stats: seconds=%.2f ticks=%llu frames=%llu bodies=%d awake=%d step_ms=%.3f render_ms=%.3f",
        seconds, static_cast<unsigned long long>(ticks), static_cast<unsigned long long>(frames),
        bodies, awake, stepMean, renderMean);
    std::string text = line;
    if (multiBodies > 0) {
        std::snprintf(line, sizeof line, " multibodies=%d links=%d", multiBodies, links);
        text += line;
    }
    std::snprintf(line, sizeof line, " time=%.3f history=%.3f", now.shownSeconds,
                  now.historySeconds);
    text += line;
    return text;
}

CStatsReport::CStatsReport(Source stats, Counts counts, BodyCount awake)
    : m_stats(std::move(stats)), m_counts(std::move(counts)), m_awake(std::move(awake))
{
    m_last = m_stats();
    m_clock.start();
    m_timer.setInterval(1000);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Report(); });
    m_timer.start();
}

void CStatsReport::Report()
{
    const ViewStats now = m_stats();
    const double seconds = static_cast<double>(m_clock.restart()) / 1000.0;
    const StatsCounts counts = m_counts();
    const std::string line = FormatStatsLine(m_last, now, counts.bodies, m_awake(), seconds,
                                             counts.multiBodies, counts.links);
    m_last = now;
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
