#include "edit/plot_csv.h"

#include "common/kinetta_assert.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

// Values come from single-precision bodies: seven digits are all they
// hold, and more would only print the float's rounding ("1.23450005").
constexpr int kValueDigits = 7;
// Times need their step: nine digits tell 1/60 s apart for over a day.
constexpr int kTimeDigits = 9;

void AppendNumber(std::string& out, double value, int digits)
{
    if (std::isnan(value))
        return;
    if (std::isinf(value)) {
        out += value > 0 ? "inf" : "-inf";
        return;
    }
    // to_chars never looks at the locale.
    std::array<char, 64> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value,
                                            std::chars_format::general, digits);
    if (error == std::errc())
        out.append(text.data(), end);
}

void AppendName(std::string& out, const std::string& name)
{
    if (name.find_first_of(",\"\r\n") == std::string::npos) {
        out += name;
        return;
    }
    out += '"';
    for (const char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

std::string Heading(const PlotColumn& column)
{
    return column.unit.empty() ? column.name : column.name + " (" + column.unit + ")";
}

}  // namespace

std::string PlotCsv(const PlotSeries& series)
{
    KINETTA_ASSERT(series.values.size() == series.columns.size(),
                   "give the series one list of values per column");
    std::string out;
    AppendName(out, "time (s)");
    for (const PlotColumn& column : series.columns) {
        out += ',';
        AppendName(out, Heading(column));
    }
    out += '\n';
    for (std::size_t row = 0; row < series.times.size(); ++row) {
        AppendNumber(out, series.times[row], kTimeDigits);
        for (const std::vector<double>& column : series.values) {
            KINETTA_ASSERT(column.size() == series.times.size(),
                           "fill every column with one value per kept moment");
            out += ',';
            if (row < column.size())
                AppendNumber(out, column[row], kValueDigits);
        }
        out += '\n';
    }
    return out;
}
