#include "features/report/svg_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace kestran::report::svg {
namespace {

constexpr int kWidth = 760, kHeight = 220;
constexpr int kLeft = 48, kRight = 12, kTop = 14, kBottom = 30;
constexpr int kPlotWidth = kWidth - kLeft - kRight, kPlotHeight = kHeight - kTop - kBottom;

std::string Fixed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// A round top for the axis and its step: 1, 2 or 5 times a power of ten.
std::pair<double, double> NiceScale(double largest) {
    if (!(largest > 0)) return {1, 1};
    const double rough = largest / 4;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (double factor : {1.0, 2.0, 5.0, 10.0}) {
        step = factor * power;
        if (step >= rough) break;
    }
    return {std::ceil(largest / step) * step, step};
}

struct Frame {
    double top = 1, step = 1;
    double Y(double value) const { return kTop + kPlotHeight * (1 - std::clamp(value / top, 0.0, 1.0)); }
};

std::string Open(int height = kHeight) {
    return "<svg class=\"chart\" viewBox=\"0 0 " + std::to_string(kWidth) + " " + std::to_string(height) +
           "\" width=\"" + std::to_string(kWidth) + "\" height=\"" + std::to_string(height) +
           "\" role=\"img\" xmlns=\"http://www.w3.org/2000/svg\">";
}

std::string Axes(const Frame& frame) {
    std::string out;
    for (double tick = 0; tick <= frame.top + frame.step / 2; tick += frame.step) {
        const std::string y = Fixed(frame.Y(tick));
        out += "<line class=\"grid\" x1=\"" + std::to_string(kLeft) + "\" x2=\"" + std::to_string(kWidth - kRight) +
               "\" y1=\"" + y + "\" y2=\"" + y + "\"/>";
        out += "<text class=\"tick\" x=\"" + std::to_string(kLeft - 6) + "\" y=\"" + y + "\" dy=\"4\" text-anchor=\"end\">" +
               Number(tick) + "</text>";
    }
    return out;
}

std::string TargetLine(const Frame& frame, const std::optional<double>& target, const std::string& label) {
    if (!target) return {};
    const std::string y = Fixed(frame.Y(*target));
    return "<line class=\"target\" x1=\"" + std::to_string(kLeft) + "\" x2=\"" + std::to_string(kWidth - kRight) +
           "\" y1=\"" + y + "\" y2=\"" + y + "\"/><text class=\"target-label\" x=\"" + std::to_string(kWidth - kRight) +
           "\" y=\"" + y + "\" dy=\"-4\" text-anchor=\"end\">" + Escape(label) + "</text>";
}

std::string MarkAttributes(int key, double value) {
    return " class=\"mark\" data-key=\"" + std::to_string(key) + "\" data-value=\"" + Number(value) + "\"";
}

}  // namespace

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Number(double value) {
    if (std::abs(value - std::round(value)) < 1e-9) return std::to_string(static_cast<long long>(std::llround(value)));
    return Fixed(value);
}

std::string Draw(const BarChart& chart) {
    const std::size_t slots = chart.keys.size();
    double largest = 0;
    for (std::size_t i = 0; i < slots; ++i) {
        double sum = 0;
        for (const Layer& layer : chart.layers) sum += layer.values[i];
        largest = std::max(largest, sum);
    }
    if (chart.target) largest = std::max(largest, *chart.target);
    Frame frame;
    std::tie(frame.top, frame.step) = NiceScale(chart.yMax.value_or(largest));
    std::string out = Open() + Axes(frame);
    const double slotWidth = static_cast<double>(kPlotWidth) / std::max<std::size_t>(slots, 1);
    const double barWidth = std::max(1.0, slotWidth * 0.75);
    for (std::size_t i = 0; i < slots; ++i) {
        const double x = kLeft + slotWidth * i + (slotWidth - barWidth) / 2;
        double base = 0;
        for (const Layer& layer : chart.layers) {
            const double value = layer.values[i];
            if (value <= 0) continue;
            const double y0 = frame.Y(base), y1 = frame.Y(base + value);
            base += value;
            out += "<rect" + MarkAttributes(chart.keys[i], value) + " x=\"" + Fixed(x) + "\" y=\"" + Fixed(y1) +
                   "\" width=\"" + Fixed(barWidth) + "\" height=\"" + Fixed(std::max(y0 - y1, 0.5)) + "\" fill=\"" +
                   layer.colour + "\"><title>" + Escape(chart.slotTitles[i]) + " " + Escape(layer.name) + ": " +
                   Number(value) + chart.unit + "</title></rect>";
        }
        if (!chart.slotLabels[i].empty())
            out += "<text class=\"tick\" x=\"" + Fixed(x + barWidth / 2) + "\" y=\"" + std::to_string(kHeight - kBottom + 16) +
                   "\" text-anchor=\"middle\">" + Escape(chart.slotLabels[i]) + "</text>";
    }
    return out + TargetLine(frame, chart.target, chart.targetLabel) + "</svg>";
}

std::string Draw(const LineChart& chart) {
    double largest = 0;
    for (const Line& line : chart.lines)
        for (const Point& point : line.points) largest = std::max(largest, point.value);
    if (chart.target) largest = std::max(largest, *chart.target);
    Frame frame;
    std::tie(frame.top, frame.step) = NiceScale(chart.yMax.value_or(largest));
    const double span = std::max(chart.lastKey - chart.firstKey, 1);
    auto X = [&](int key) { return kLeft + kPlotWidth * (key - chart.firstKey) / span; };
    std::string out = Open() + Axes(frame);
    for (const auto& [key, label] : chart.ticks)
        out += "<text class=\"tick\" x=\"" + Fixed(X(key)) + "\" y=\"" + std::to_string(kHeight - kBottom + 16) +
               "\" text-anchor=\"middle\">" + Escape(label) + "</text>";
    out += TargetLine(frame, chart.target, chart.targetLabel);
    for (const Line& line : chart.lines) {
        if (line.joined && line.points.size() > 1) {
            out += "<polyline class=\"line\" fill=\"none\" stroke=\"" + line.colour + "\" points=\"";
            for (const Point& point : line.points) out += Fixed(X(point.key)) + "," + Fixed(frame.Y(point.value)) + " ";
            out += "\"/>";
        }
        for (const Point& point : line.points)
            out += "<circle" + MarkAttributes(point.key, point.value) + " cx=\"" + Fixed(X(point.key)) + "\" cy=\"" +
                   Fixed(frame.Y(point.value)) + "\" r=\"3\" fill=\"" + line.colour + "\"><title>" + Escape(point.title) +
                   "</title></circle>";
    }
    return out + "</svg>";
}

std::string Draw(const RowChart& chart) {
    constexpr int kRowHeight = 22, kLabelWidth = 210;
    const int height = kTop + kRowHeight * static_cast<int>(chart.rows.size()) + 8;
    double largest = 0;
    for (std::size_t row = 0; row < chart.rows.size(); ++row) {
        double sum = 0;
        for (const Layer& layer : chart.layers) sum += layer.values[row];
        largest = std::max(largest, sum);
    }
    const double width = kWidth - kLabelWidth - kRight - 60;
    std::string out = Open(height);
    for (std::size_t row = 0; row < chart.rows.size(); ++row) {
        const double y = kTop + kRowHeight * static_cast<double>(row);
        out += "<text class=\"row-label\" x=\"" + std::to_string(kLabelWidth - 8) + "\" y=\"" + Fixed(y + 15) +
               "\" text-anchor=\"end\">" + Escape(chart.rows[row]) + "</text>";
        double base = 0, sum = 0;
        for (const Layer& layer : chart.layers) sum += layer.values[row];
        for (const Layer& layer : chart.layers) {
            const double value = layer.values[row];
            if (value <= 0) continue;
            const double x0 = kLabelWidth + width * base / std::max(largest, 1.0);
            const double w = std::max(width * value / std::max(largest, 1.0), 0.5);
            base += value;
            out += "<rect" + MarkAttributes(static_cast<int>(row), value) + " x=\"" + Fixed(x0) + "\" y=\"" + Fixed(y + 3) +
                   "\" width=\"" + Fixed(w) + "\" height=\"" + std::to_string(kRowHeight - 6) + "\" fill=\"" + layer.colour +
                   "\"><title>" + Escape(chart.rows[row]) + " " + Escape(layer.name) + ": " + Number(value) + chart.unit +
                   "</title></rect>";
        }
        out += "<text class=\"tick\" x=\"" + Fixed(kLabelWidth + width * sum / std::max(largest, 1.0) + 6) + "\" y=\"" +
               Fixed(y + 15) + "\">" + Number(sum) + "</text>";
    }
    return out + "</svg>";
}

std::string Legend(const std::vector<std::pair<std::string, std::string>>& nameAndColour) {
    std::string out = "<p class=\"legend\">";
    for (const auto& [name, colour] : nameAndColour)
        out += "<span><i style=\"background:" + colour + "\"></i>" + Escape(name) + "</span>";
    return out + "</p>";
}

}  // namespace kestran::report::svg
