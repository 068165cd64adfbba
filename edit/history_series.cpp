#include "edit/history_series.h"

#include <limits>

PlotSeries HistorySeries(const WorldHistory& history, const btRigidBody* selected,
                         const std::string& title)
{
    PlotSeries series;
    series.title = title;
    if (selected != nullptr)
        series.columns = {{"height", "m"}, {"speed", "m/s"}, {"kinetic energy", "J"}};
    else
        series.columns = {{"kinetic energy", "J"}, {"awake bodies", ""}};
    series.values.resize(series.columns.size());
    if (history.Empty())
        return series;
    const std::int64_t first = history.FirstStep();
    const std::int64_t rows = history.LastStep() - first + 1;
    for (std::int64_t row = 0; row < rows; ++row)
        series.times.push_back(WorldHistory::SecondsOf(first + row));
    series.currentRow = int(history.ShownStep() - first);
    if (selected != nullptr) {
        constexpr double kAbsent = std::numeric_limits<double>::quiet_NaN();
        for (const std::optional<BodyMotion>& motion : history.MotionOf(*selected)) {
            series.values[0].push_back(motion ? motion->transform.getOrigin().y() : kAbsent);
            series.values[1].push_back(motion ? motion->linearVelocity.length() : kAbsent);
            series.values[2].push_back(motion ? KineticEnergy(*selected, *motion) : kAbsent);
        }
    } else {
        for (const WorldHistory::Summary& summary : history.Summaries()) {
            series.values[0].push_back(summary.kineticEnergy);
            series.values[1].push_back(summary.awake);
        }
    }
    return series;
}
