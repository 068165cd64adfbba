#pragma once
// A plotted series as CSV text for a spreadsheet: a header row naming each
// column with its unit ("time (s),height (m),..."), then one row per kept
// moment. No title line above the header: spreadsheets take the first row
// as the column names, and a title there would shift every column's name.

#include "edit/plot_series.h"

#include <string>

// A value that is not there (NaN: the body did not exist yet) is an empty
// cell; an infinite one reads "inf" or "-inf". Numbers are written with a
// '.' whatever the locale; a name holding a comma or a quote is quoted.
// Lines end with '\n'.
std::string PlotCsv(const PlotSeries& series);
