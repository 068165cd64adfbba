#include "edit/plot_scale.h"

#include "common/kinetta_assert.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

// Values this large are no body's: a float body's energy stays far below.
// Beyond it a span could overflow to infinity.
constexpr double kLargestPlotted = 1e300;
// A spread this small against the values' size is their rounding, not a
// change worth a scale of its own; it would also leave no room for ticks.
constexpr double kFlatRelativeSpread = 1e-9;
// Fixed labels read well within these steps and sizes; beyond, "2e-09".
constexpr double kSmallestFixedStep = 1e-4;
constexpr double kLargestFixedValue = 1e7;

bool Plottable(double value)
{
    return std::isfinite(value) && std::fabs(value) <= kLargestPlotted;
}

PlotRange AroundFlat(double value)
{
    if (value == 0)
        return {-1, 1};
    return value > 0 ? PlotRange{0, 2 * value} : PlotRange{2 * value, 0};
}

// The range's step for at most `most` ticks, and its first and last
// multiple within [low, high] as whole numbers of steps.
struct StepChoice {
    double step;
    double first;
    double last;
};

StepChoice ChooseStep(PlotRange range, int most)
{
    KINETTA_ASSERT(most >= 2, "ask for at least two ticks: an axis needs two labels");
    KINETTA_ASSERT(std::isfinite(range.low) && std::isfinite(range.high) && range.low < range.high,
                   "take the range from ValueRange or TimeRange, which are never empty");
    const double rough = range.Span() / (most - 1);
    double power = std::pow(10.0, std::floor(std::log10(rough)));
    // A multiple too large for a double's integers cannot be exact.
    for (int tries = 0; tries < 8; ++tries, power *= 10) {
        for (const double mantissa : {1.0, 2.0, 5.0}) {
            const double step = mantissa * power;
            const double first = std::ceil(range.low / step);
            const double last = std::floor(range.high / step);
            if (last - first + 1 <= most && std::fabs(first) < 1e15 && std::fabs(last) < 1e15)
                return {step, first, last};
        }
    }
    return {range.Span(), 0, -1};
}

// The k-th multiple of a round step as the double nearest it: a decimal
// step is no double, so 3 * 0.1 is 0.30000000000000004, but 3 / 10 is 0.3.
double Multiple(double k, double step)
{
    if (k == 0)
        return 0;
    return step < 1 ? k / std::round(1 / step) : k * step;
}

}  // namespace

PlotRange ValueRange(const std::vector<double>& values)
{
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const double value : values) {
        if (!Plottable(value))
            continue;
        low = std::min(low, value);
        high = std::max(high, value);
    }
    if (low > high)
        return {0, 1};
    const double size = std::max(std::fabs(low), std::fabs(high));
    if (high - low <= size * kFlatRelativeSpread)
        return AroundFlat((low + high) / 2);
    return {low, high};
}

PlotRange TimeRange(const std::vector<double>& times)
{
    const auto plottable = [](double t) { return Plottable(t); };
    const auto first = std::find_if(times.begin(), times.end(), plottable);
    const auto last = std::find_if(times.rbegin(), times.rend(), plottable);
    if (first == times.end())
        return {0, 1};
    if (*first >= *last)
        return {*first, *first + 1};
    return {*first, *last};
}

AxisTicks RoundTicks(PlotRange range, int most)
{
    const StepChoice choice = ChooseStep(range, most);
    AxisTicks ticks;
    ticks.step = choice.step;
    for (double k = choice.first; k <= choice.last; ++k)
        ticks.values.push_back(Multiple(k, choice.step));
    double largest = 0;
    for (const double value : ticks.values)
        largest = std::max(largest, std::fabs(value));
    const int stepExponent = static_cast<int>(std::floor(std::log10(choice.step) + 1e-9));
    if (choice.step >= kSmallestFixedStep && largest < kLargestFixedValue) {
        ticks.decimals = std::max(0, -stepExponent);
    } else {
        // The mantissa carries every digit down to the step's.
        const int largestExponent =
            largest > 0 ? static_cast<int>(std::floor(std::log10(largest) + 1e-9)) : stepExponent;
        ticks.scientific = true;
        ticks.decimals = std::max(0, largestExponent - stepExponent);
    }
    return ticks;
}

PlotRange RoundedOut(PlotRange range, int most)
{
    // Widened by a step or so, the range may need the next step up: settle
    // on the widened range's own step.
    PlotRange out = range;
    for (int round = 0; round < 3; ++round) {
        const double step = ChooseStep(out, most).step;
        const PlotRange next{Multiple(std::floor(range.low / step), step),
                             Multiple(std::ceil(range.high / step), step)};
        if (next.low == out.low && next.high == out.high)
            break;
        out = next;
    }
    return out;
}

std::string TickLabel(double value, const AxisTicks& ticks)
{
    std::array<char, 64> text{};
    const auto format = ticks.scientific ? std::chars_format::scientific : std::chars_format::fixed;
    // A value a hair below zero would print as "-0".
    if (std::fabs(value) < ticks.step * 1e-6)
        value = 0;
    const auto [end, error] =
        std::to_chars(text.data(), text.data() + text.size(), value, format, ticks.decimals);
    if (error != std::errc())
        return "?";
    return std::string(text.data(), end);
}

double AxisMap::Pixel(double value) const
{
    return at + (value - from.low) / from.Span() * (to - at);
}

double AxisMap::Value(double pixel) const
{
    if (to == at)
        return from.low;
    return from.low + (pixel - at) / (to - at) * from.Span();
}

int NearestRow(const std::vector<double>& times, double seconds)
{
    if (times.empty())
        return -1;
    const auto after = std::lower_bound(times.begin(), times.end(), seconds);
    if (after == times.begin())
        return 0;
    if (after == times.end())
        return static_cast<int>(times.size()) - 1;
    const auto before = std::prev(after);
    const auto nearest = seconds - *before <= *after - seconds ? before : after;
    return static_cast<int>(std::distance(times.begin(), nearest));
}
