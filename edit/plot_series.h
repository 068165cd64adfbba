#pragma once
// Numbers over simulated time, one row per kept moment and one column per
// quantity: what the Graph pane draws and what Copy writes as CSV. The
// history fills it; drawing and copying only read it.

#include <string>
#include <vector>

struct PlotColumn {
    std::string name;  // "height"
    std::string unit;  // "m", "m/s", "J", "" for a count
};

struct PlotSeries {
    std::string title;  // the selected body's name, or "World"
    std::vector<PlotColumn> columns;
    std::vector<double> times;  // simulated seconds, ascending, one per row
    // values[column][row]; every column holds times.size() rows.
    std::vector<std::vector<double>> values;
    int currentRow = -1;  // the moment shown, or -1 when none is kept

    bool Empty() const { return times.empty(); }
};
