// The report's charts as inline SVG, drawn from plain numbers: no script,
// no outside resource. Every mark (bar, point, cell) carries
// class="mark", data-key (the day or the week's Monday, or the row) and
// data-value, and a <title> the browser shows on hover.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestran::report::svg {

// Text for HTML and SVG: & < > " escaped.
std::string Escape(std::string_view text);
// A number as the page shows it: whole numbers without a point, else one decimal.
std::string Number(double value);

struct Layer {
    std::string name;            // in the legend
    std::string colour;          // CSS colour
    std::vector<double> values;  // one a slot
};

// Bars over consecutive slots (days or weeks), the layers stacked.
struct BarChart {
    std::vector<int> keys;                  // one a slot
    std::vector<std::string> slotLabels;    // one a slot; empty: no label under it
    std::vector<std::string> slotTitles;    // one a slot: the hover text's start
    std::vector<Layer> layers;
    std::optional<double> yMax;             // else from the data
    std::optional<double> target;           // a dashed line across
    std::string targetLabel;
    std::string unit;                       // after values in titles
};
std::string Draw(const BarChart& chart);

struct Point {
    int key = 0;  // x
    double value = 0;
    std::string title;
};
struct Line {
    std::string name, colour;
    std::vector<Point> points;  // by key
    bool joined = true;         // false: points only
};

// Lines over a span of keys (days).
struct LineChart {
    int firstKey = 0, lastKey = 0;
    std::vector<std::pair<int, std::string>> ticks;  // labels under the axis
    std::vector<Line> lines;
    std::optional<double> yMax;
    std::optional<double> target;
    std::string targetLabel;
};
std::string Draw(const LineChart& chart);

// Horizontal bars, one a row, the layers stacked (word books, words missed).
struct RowChart {
    std::vector<std::string> rows;  // labels at the left
    std::vector<Layer> layers;
    std::string unit;
};
std::string Draw(const RowChart& chart);

// The legend of some layers or lines, as HTML.
std::string Legend(const std::vector<std::pair<std::string, std::string>>& nameAndColour);

}  // namespace kestran::report::svg
