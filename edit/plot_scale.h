#pragma once
// The numbers behind a drawn plot: the span each curve needs, round tick
// values along an axis with labels that suit their step, and the linear map
// between an axis's values and the pixels that show them (and back, for a
// click). Plain arithmetic: the Graph pane only paints what these give.

#include <cstdint>
#include <string>
#include <vector>

// An axis's span: low < high, both finite, whatever the data was.
struct PlotRange {
    double low = 0;
    double high = 1;
    double Span() const { return high - low; }
};

// The span of a curve's finite values. A curve with none (empty, or NaN
// only: a body that did not exist yet) spans 0 to 1; a flat curve, or one
// whose spread is only the rounding of its values, gets room around its
// value with zero in view (0 to 2v, or -1 to 1 about zero) so the line
// shows where it is, not at an edge.
PlotRange ValueRange(const std::vector<double>& values);

// The kept span of simulated time: first to last moment; a single moment
// t spans t to t + 1 so the next moments fill it to the right.
PlotRange TimeRange(const std::vector<double>& times);

// Tick values at a round step (1, 2 or 5 times a power of ten), each an
// exact multiple of it, for at most `most` ticks within the range.
struct AxisTicks {
    double step = 1;
    std::vector<double> values;
    // How each label is written: fixed with this many decimals, or, when
    // `scientific`, with this many decimals of the mantissa.
    int decimals = 0;
    bool scientific = false;
};

// The ticks within range, ends included when they fall on a multiple.
AxisTicks RoundTicks(PlotRange range, int most);
// The range widened out to the step RoundTicks would pick, so a value
// axis starts and ends on a labelled tick.
PlotRange RoundedOut(PlotRange range, int most);
// A tick's label, written the way `ticks` says: "0.25", "-3", "2e-09".
// Always with a '.' as decimal point, whatever the locale.
std::string TickLabel(double value, const AxisTicks& ticks);

// The linear map from a range of values onto pixels: `from.low` lands on
// `at`, `from.high` on `to` (to may be smaller, as y grows downwards).
struct AxisMap {
    PlotRange from;
    double at = 0;
    double to = 1;

    double Pixel(double value) const;
    // The value under a pixel; a map onto no pixels at all answers from.low.
    double Value(double pixel) const;
};

// The row whose time is nearest `seconds` (the earlier on a tie); -1 for
// no rows. Times are ascending.
int NearestRow(const std::vector<double>& times, double seconds);
