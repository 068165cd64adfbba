// The numbers behind the Graph pane: round ticks and their labels, each
// curve's span, the map between time and pixels, and the CSV a copy makes.
#include "edit/plot_csv.h"
#include "edit/plot_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <locale>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<std::string> Labels(PlotRange range, int most)
{
    const AxisTicks ticks = RoundTicks(range, most);
    std::vector<std::string> labels;
    for (const double value : ticks.values)
        labels.push_back(TickLabel(value, ticks));
    return labels;
}

using Strings = std::vector<std::string>;

TEST(PlotScale, TicksAreRoundStepsLabelledToTheirStepForAnyRange)
{
    EXPECT_EQ(Labels({0, 1}, 6), (Strings{"0.0", "0.2", "0.4", "0.6", "0.8", "1.0"}));
    // Each tick is the double nearest its decimal value, so a grid line
    // and a value typed as 0.3 fall on the same pixel.
    const AxisTicks tenths = RoundTicks({0, 1}, 11);
    ASSERT_EQ(tenths.values.size(), 11u);
    EXPECT_EQ(tenths.values[3], 0.3);
    EXPECT_EQ(tenths.values[7], 0.7);
    EXPECT_EQ(tenths.values[10], 1.0);
    EXPECT_EQ(RoundTicks({-0.031, -0.0205}, 5).values.front(), -0.03);
    EXPECT_EQ(Labels({-3.7, 12.1}, 6), (Strings{"0", "5", "10"}));
    EXPECT_EQ(Labels({-0.031, -0.0205}, 5), (Strings{"-0.030", "-0.028", "-0.026", "-0.024", "-0.022"}));
    EXPECT_EQ(Labels({-1, 1}, 3), (Strings{"-1", "0", "1"}));
    EXPECT_EQ(Labels({0, 3e-12}, 5), (Strings{"0e+00", "1e-12", "2e-12", "3e-12"}));
    EXPECT_EQ(Labels({0, 3e7}, 4), (Strings{"0e+00", "1e+07", "2e+07", "3e+07"}));
    EXPECT_EQ(Labels({1e6, 1e6 + 3e-3}, 4),
              (Strings{"1000000.000", "1000000.001", "1000000.002", "1000000.003"}));
    for (const PlotRange range : {PlotRange{0, 1}, PlotRange{-3.7, 12.1}, PlotRange{2.5, 2.51},
                                  PlotRange{-1e9, 7e9}, PlotRange{0, 3e-12}}) {
        const AxisTicks ticks = RoundTicks(range, 6);
        SCOPED_TRACE(range.low);
        EXPECT_GE(ticks.values.size(), 2u);
        EXPECT_LE(ticks.values.size(), 6u);
        const double mantissa = ticks.step / std::pow(10.0, std::floor(std::log10(ticks.step) + 1e-9));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
                    std::fabs(mantissa - 5) < 1e-9)
            << ticks.step;
        for (const double value : ticks.values) {
            EXPECT_GE(value, range.low);
            EXPECT_LE(value, range.high);
        }
    }

    // A value axis starts and ends on a tick.
    const PlotRange out = RoundedOut({0.13, 0.87}, 6);
    EXPECT_DOUBLE_EQ(out.low, 0);
    EXPECT_DOUBLE_EQ(out.high, 1);
    const PlotRange negative = RoundedOut({-0.031, -0.0205}, 5);
    EXPECT_EQ(negative.low, -0.035);
    EXPECT_EQ(negative.high, -0.02);
}

TEST(PlotScale, ACurveSpansItsFiniteValuesAndAFlatOrMissingOneStillGetsRoom)
{
    auto spans = [](const std::vector<double>& values, double low, double high) {
        const PlotRange range = ValueRange(values);
        EXPECT_NEAR(range.low, low, 1e-9 * std::max(1.0, std::fabs(low)));
        EXPECT_NEAR(range.high, high, 1e-9 * std::max(1.0, std::fabs(high)));
        EXPECT_GT(range.Span(), 0);
    };
    spans({1, kNaN, 3, kInf, -kInf, 2}, 1, 3);
    spans({}, 0, 1);
    spans({kNaN, kNaN}, 0, 1);
    spans({2.5, 2.5, kNaN}, 0, 5);
    spans({-4}, -8, 0);
    spans({0, 0, 0}, -1, 1);
    // The rounding of a resting body's height is no change.
    spans({1.0, 1.0 + 1e-12}, 0, 2);
    // A value no body reaches is left out, so the span stays finite.
    spans({-1e308, 4, 1e308, 5}, 4, 5);

    EXPECT_DOUBLE_EQ(TimeRange({2.0, 2.5, 22.0}).low, 2.0);
    EXPECT_DOUBLE_EQ(TimeRange({2.0, 2.5, 22.0}).high, 22.0);
    EXPECT_DOUBLE_EQ(TimeRange({7.0}).low, 7.0);
    EXPECT_DOUBLE_EQ(TimeRange({7.0}).high, 8.0);
    EXPECT_DOUBLE_EQ(TimeRange({}).high, 1.0);
}

TEST(PlotScale, AClickFindsTheTimeDrawnUnderItAndTheNearestKeptMoment)
{
    const AxisMap x{{2, 22}, 40, 440};
    EXPECT_DOUBLE_EQ(x.Pixel(2), 40);
    EXPECT_DOUBLE_EQ(x.Pixel(22), 440);
    EXPECT_DOUBLE_EQ(x.Pixel(7), 140);
    for (const double t : {2.0, 3.25, 12.0, 21.99})
        EXPECT_NEAR(x.Value(x.Pixel(t)), t, 1e-12);
    // y grows downwards: the high value is at the top.
    const AxisMap y{{-1, 1}, 300, 100};
    EXPECT_DOUBLE_EQ(y.Pixel(1), 100);
    EXPECT_DOUBLE_EQ(y.Value(250), -0.5);
    // A pane with no width answers a time, never NaN.
    EXPECT_DOUBLE_EQ((AxisMap{{2, 22}, 40, 40}).Value(40), 2);

    const std::vector<double> times{0.0, 1 / 60.0, 2 / 60.0, 3 / 60.0};
    EXPECT_EQ(NearestRow(times, -5), 0);
    EXPECT_EQ(NearestRow(times, 0.02), 1);
    EXPECT_EQ(NearestRow(times, 0.5 / 60), 0) << "a tie goes to the earlier moment";
    EXPECT_EQ(NearestRow(times, 0.03), 2);
    EXPECT_EQ(NearestRow(times, 99), 3);
    EXPECT_EQ(NearestRow({}, 1), -1);
}

// A comma for a decimal point, as a German desktop has it.
struct CommaDecimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(PlotCsv, OneRowPerMomentWithEmptyCellsForMissingValuesWhateverTheLocale)
{
    const std::locale before = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
    PlotSeries series;
    series.title = "Can 5";
    series.columns = {{"height", "m"}, {"awake bodies", ""}, {"speed, along x", "m/s"}};
    series.times = {0.0, 1 / 60.0, 2 / 60.0};
    series.values = {{kNaN, 1.5, static_cast<double>(1.2345f)},
                     {3, 2, 12345678.9},
                     {-0.25, kInf, 1e-5}};
    series.currentRow = 1;
    const std::string csv = PlotCsv(series);
    std::locale::global(before);
    EXPECT_EQ(csv,
              "time (s),height (m),awake bodies,\"speed, along x (m/s)\"\n"
              "0,,3,-0.25\n"
              "0.0166666667,1.5,2,inf\n"
              "0.0333333333,1.2345,1.234568e+07,1e-05\n");

    PlotSeries empty;
    empty.columns = {{"kinetic energy", "J"}};
    empty.values = {{}};
    EXPECT_EQ(PlotCsv(empty), "time (s),kinetic energy (J)\n");
}

}  // namespace
