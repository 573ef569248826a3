#include "chart/SvgChart.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "chart/TickLabels.h"

namespace morvane {

namespace {

constexpr double FontPx = 12;
constexpr double CharPx = 6.7; // mean advance of a 12 px sans-serif character, for layout only
constexpr double LegendRowPx = 18;

// A coordinate with one decimal, "." whatever the locale, without a trailing ".0".
void Num(std::string& out, double v)
{
    char text[48];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 1);
    std::string_view s(text, static_cast<size_t>(r.ptr - text));
    if (s.size() > 2 && s.substr(s.size() - 2) == ".0")
        s.remove_suffix(2);
    if (s == "-0")
        s = "0";
    out += s;
}

std::string Num(double v)
{
    std::string s;
    Num(s, v);
    return s;
}

std::string Colour(ChartColour c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.Red, c.Green, c.Blue);
    return text;
}

double TextWidth(const std::string& text) { return CharPx * static_cast<double>(text.size()); }

bool Usable(double v, bool logarithmic) { return std::isfinite(v) && (!logarithmic || v > 0); }

// A linear or logarithmic map from values to pixels.
struct Scale {
    double low = 0, high = 1;
    bool logarithmic = false;
    double from = 0, to = 1; // pixels of low and high

    double operator()(double v) const
    {
        const double f
            = logarithmic ? (std::log(v) - std::log(low)) / (std::log(high) - std::log(low)) : (v - low) / (high - low);
        // Far outside the plot a point is only a direction: keep the numbers short and finite.
        return from + std::clamp(f, -10.0, 11.0) * (to - from);
    }
};

enum class Axis { X, Left, Right };

bool OnAxis(const ChartSeries& s, Axis axis) { return axis == Axis::X || (axis == Axis::Right) == s.OnRightAxis; }

// The range of an axis: its fixed range, or that of the drawn points (error bars and the base of
// bars included), widened a little for values so that no curve runs along the frame. A value axis
// takes the points within the range of the x axis `x` (null for the x axis itself).
bool RangeOf(const ChartModel& chart, const ChartAxis& axis, Axis which, Scale& scale, const Scale* x = nullptr)
{
    scale.logarithmic = axis.Logarithmic;
    if (!axis.Automatic && axis.Maximum > axis.Minimum && (!axis.Logarithmic || axis.Minimum > 0)) {
        scale.low = axis.Minimum;
        scale.high = axis.Maximum;
        return true;
    }
    double low = std::numeric_limits<double>::infinity(), high = -low;
    auto take = [&](double v) {
        if (Usable(v, axis.Logarithmic)) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    };
    for (const int32_t k : chart.ActiveSeries()) {
        const ChartSeries& s = chart.Series[static_cast<size_t>(k)];
        if (!OnAxis(s, which))
            continue;
        for (const ChartPoint& p : s.Points) {
            if (!Usable(p.X, chart.Bottom.Logarithmic) || (x && (p.X < x->low || p.X > x->high)))
                continue;
            if (which == Axis::X) {
                take(p.X);
                continue;
            }
            take(p.Y);
            if (s.Kind == SeriesKind::ErrorBars && std::isfinite(p.Error)) {
                take(p.Y - p.Error);
                take(p.Y + p.Error);
            }
            if (s.Kind == SeriesKind::Bars)
                take(0);
        }
    }
    if (!(low <= high))
        return false;
    if (axis.Logarithmic) {
        if (high / low < 1.0001) {
            low /= 2;
            high *= 2;
        } else if (which != Axis::X) {
            const double pad = std::pow(high / low, 0.04);
            low /= pad;
            high *= pad;
        }
    } else {
        if (high - low <= 1e-12 * std::max(std::fabs(low), std::fabs(high))) {
            const double half = low == 0 ? 1 : std::fabs(low) * 0.05;
            low -= half;
            high += half;
        } else if (which != Axis::X) {
            const double pad = 0.04 * (high - low);
            low -= pad;
            high += pad;
        }
    }
    scale.low = low;
    scale.high = high;
    return true;
}

// The ticks whose labels stand apart: every second one dropped until they do.
void ThinTicks(std::vector<double>& ticks, std::vector<std::string>& labels, const Scale& scale, bool horizontal)
{
    auto crowded = [&] {
        for (size_t i = 1; i < ticks.size(); ++i) {
            const double gap = std::fabs(scale(ticks[i]) - scale(ticks[i - 1]));
            const double need = horizontal ? (TextWidth(labels[i]) + TextWidth(labels[i - 1])) / 2 + 8 : FontPx + 4;
            if (gap < need)
                return true;
        }
        return false;
    };
    while (ticks.size() > 2 && crowded()) {
        std::vector<double> t;
        std::vector<std::string> l;
        for (size_t i = 0; i < ticks.size(); i += 2) {
            t.push_back(ticks[i]);
            l.push_back(labels[i]);
        }
        ticks.swap(t);
        labels.swap(l);
    }
}

struct Plot {
    double left = 0, top = 0, width = 0, height = 0;
};

// A line's points in pixels, thinned to what a pixel column can show: a column whose points lie
// within a pixel of each other becomes their mean, any other keeps its first, lowest, highest and
// last point (the noise of a scan stays as wide as it is).
std::vector<std::pair<double, double>> Decimated(const std::vector<std::pair<double, double>>& points)
{
    if (points.size() < 8)
        return points;
    std::vector<std::pair<double, double>> out;
    size_t i = 0;
    while (i < points.size()) {
        const double column = std::floor(points[i].first);
        size_t j = i, lowest = i, highest = i;
        double sumX = 0, sumY = 0;
        while (j < points.size() && std::floor(points[j].first) == column) {
            if (points[j].second < points[lowest].second)
                lowest = j;
            if (points[j].second > points[highest].second)
                highest = j;
            sumX += points[j].first;
            sumY += points[j].second;
            ++j;
        }
        if (points[highest].second - points[lowest].second < 1) {
            const double n = static_cast<double>(j - i);
            out.emplace_back(sumX / n, sumY / n);
        } else {
            const size_t keep[4] = { i, std::min(lowest, highest), std::max(lowest, highest), j - 1 };
            for (size_t k = 0; k < 4; ++k)
                if (k == 0 || keep[k] != keep[k - 1])
                    out.push_back(points[keep[k]]);
        }
        i = j;
    }
    return out;
}

void DrawSeries(std::string& svg, const ChartSeries& s, const Scale& x, const Scale& y)
{
    std::vector<ChartPoint> points = s.Points;
    if (s.XAscending && s.Kind == SeriesKind::Line)
        std::stable_sort(
            points.begin(), points.end(), [](const ChartPoint& a, const ChartPoint& b) { return a.X < b.X; });
    const std::string colour = Colour(s.Colour);
    const double width = std::max(s.LineWidth, 1);
    auto usable = [&](const ChartPoint& p) { return Usable(p.X, x.logarithmic) && Usable(p.Y, y.logarithmic); };
    if (s.Kind == SeriesKind::Line) {
        std::vector<std::pair<double, double>> run;
        auto flush = [&] {
            if (run.size() >= 2) {
                svg += "<polyline fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" + Num(width)
                    + "\" stroke-linejoin=\"round\" points=\"";
                for (const auto& [px, py] : Decimated(run)) {
                    Num(svg, px);
                    svg += ',';
                    Num(svg, py);
                    svg += ' ';
                }
                svg.back() = '"';
                svg += "/>\n";
            }
            run.clear();
        };
        for (const ChartPoint& p : points) {
            if (usable(p))
                run.emplace_back(x(p.X), y(p.Y));
            else
                flush();
        }
        flush();
        return;
    }
    std::string d;
    for (const ChartPoint& p : points) {
        if (!usable(p))
            continue;
        const double px = x(p.X), py = y(p.Y);
        if (s.Kind == SeriesKind::Points) {
            d += 'M' + Num(px) + ' ' + Num(py) + "h0";
        } else if (s.Kind == SeriesKind::Bars) {
            const double base = y.logarithmic ? y.low : std::clamp(0.0, y.low, y.high);
            d += 'M' + Num(px) + ' ' + Num(y(base)) + 'V' + Num(py);
        } else if (std::isfinite(p.Error) && p.Error > 0) {
            const double lo = y.logarithmic && p.Y - p.Error <= 0 ? y.low : p.Y - p.Error;
            const double top = y(p.Y + p.Error), bottom = y(lo);
            d += 'M' + Num(px) + ' ' + Num(bottom) + 'V' + Num(top) + 'M' + Num(px - 3) + ' ' + Num(top) + "h6M"
                + Num(px - 3) + ' ' + Num(bottom) + "h6";
        }
    }
    if (d.empty())
        return;
    const double stroke = s.Kind == SeriesKind::Points ? std::max(4.0, 2 * width) : width;
    svg += "<path fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"" + Num(stroke) + "\""
        + (s.Kind == SeriesKind::Points ? " stroke-linecap=\"round\"" : "") + " d=\"" + d + "\"/>\n";
}

// Words of `text` in lines of at most `chars` characters.
std::vector<std::string> Wrapped(const std::string& text, size_t chars)
{
    std::vector<std::string> lines(1);
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(at, end - at);
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() > chars)
            lines.emplace_back();
        lines.back() += (lines.back().empty() ? "" : " ") + word;
        at = end + 1;
    }
    return lines;
}

void Text(std::string& svg, double x, double y, const std::string& anchor, const std::string& text,
    const std::string& extra = "")
{
    svg += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" text-anchor=\"" + anchor + "\"" + extra + ">"
        + XmlEscaped(text) + "</text>\n";
}

// Ticks, grid lines and labels of one axis, and its title.
void DrawAxis(std::string& svg, const ChartAxis& axis, const Scale& scale, Axis which, const Plot& plot)
{
    std::vector<double> ticks = AxisTicks(scale.low, scale.high, scale.logarithmic,
        which == Axis::X ? std::max(2, static_cast<int32_t>(plot.width / 90)) : 6);
    std::vector<std::string> labels = TickLabels(ticks, scale.logarithmic);
    ThinTicks(ticks, labels, scale, which == Axis::X);
    const double right = plot.left + plot.width, bottom = plot.top + plot.height;
    for (size_t i = 0; i < ticks.size(); ++i) {
        const double p = scale(ticks[i]);
        if (which == Axis::X) {
            svg += "<path stroke=\"#e4e4e4\" d=\"M" + Num(p) + ' ' + Num(plot.top) + 'V' + Num(bottom) + "\"/>"
                + "<path stroke=\"#444\" d=\"M" + Num(p) + ' ' + Num(bottom) + "v4\"/>\n";
            Text(svg, p, bottom + 17, "middle", labels[i]);
        } else if (which == Axis::Left) {
            svg += "<path stroke=\"#e4e4e4\" d=\"M" + Num(plot.left) + ' ' + Num(p) + 'H' + Num(right) + "\"/>"
                + "<path stroke=\"#444\" d=\"M" + Num(plot.left) + ' ' + Num(p) + "h-4\"/>\n";
            Text(svg, plot.left - 7, p + 4, "end", labels[i]);
        } else {
            svg += "<path stroke=\"#444\" d=\"M" + Num(right) + ' ' + Num(p) + "h4\"/>\n";
            Text(svg, right + 7, p + 4, "start", labels[i]);
        }
    }
    if (axis.Title.empty())
        return;
    if (which == Axis::X) {
        Text(svg, plot.left + plot.width / 2, bottom + 36, "middle", axis.Title);
    } else {
        const double x = which == Axis::Left ? 16 : right + 50, y = plot.top + plot.height / 2;
        Text(svg, x, y, "middle", axis.Title, " transform=\"rotate(-90 " + Num(x) + ' ' + Num(y) + ")\"");
    }
}

double LabelsWidth(const Scale& scale)
{
    const std::vector<double> ticks = AxisTicks(scale.low, scale.high, scale.logarithmic);
    double widest = 0;
    for (const std::string& label : TickLabels(ticks, scale.logarithmic))
        widest = std::max(widest, TextWidth(label));
    return widest;
}

struct LegendEntry {
    const ChartSeries* series;
    double x, y;
};

// The legend's entries laid out in rows below the plot, from `top`; returns the rows' height.
double LayOutLegend(const ChartModel& chart, double left, double width, double top, std::vector<LegendEntry>& out)
{
    double x = left, y = top;
    for (const int32_t k : chart.ActiveSeries()) {
        const ChartSeries& s = chart.Series[static_cast<size_t>(k)];
        if (!s.InLegend || s.Title.empty())
            continue;
        const double w = 30 + TextWidth(s.Title) + 16;
        if (x > left && x + w > left + width) {
            x = left;
            y += LegendRowPx;
        }
        out.push_back({ &s, x, y });
        x += w;
    }
    return out.empty() ? 0 : y - top + LegendRowPx;
}

void DrawLegend(std::string& svg, const std::vector<LegendEntry>& entries)
{
    for (const LegendEntry& e : entries) {
        const ChartSeries& s = *e.series;
        const std::string colour = Colour(s.Colour);
        const double mid = e.y + LegendRowPx / 2;
        if (s.Kind == SeriesKind::Points)
            svg += "<path stroke=\"" + colour + "\" stroke-width=\"5\" stroke-linecap=\"round\" d=\"M" + Num(e.x + 12)
                + ' ' + Num(mid) + "h0\"/>";
        else if (s.Kind == SeriesKind::Line)
            svg += "<path stroke=\"" + colour + "\" stroke-width=\"" + Num(std::clamp(s.LineWidth, 1, 4)) + "\" d=\"M"
                + Num(e.x) + ' ' + Num(mid) + "h24\"/>";
        else
            svg += "<path stroke=\"" + colour + "\" d=\"M" + Num(e.x + 12) + ' ' + Num(mid - 6) + "v12M" + Num(e.x + 9)
                + ' ' + Num(mid - 6) + "h6M" + Num(e.x + 9) + ' ' + Num(mid + 6) + "h6\"/>";
        Text(svg, e.x + 30, mid + 4, "start", s.Title);
    }
}

} // namespace

std::string XmlEscaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::vector<double> AxisTicks(double low, double high, bool logarithmic, int32_t wanted)
{
    std::vector<double> ticks;
    if (!(high > low) || !std::isfinite(low) || !std::isfinite(high))
        return ticks;
    if (logarithmic && low > 0) {
        const int first = static_cast<int>(std::floor(std::log10(low))),
                  last = static_cast<int>(std::ceil(std::log10(high)));
        const int stride = std::max(1, (last - first) / 8); // many decades: every second, third, ...
        for (const double m : { 1.0, 2.0, 5.0 }) {
            for (int k = first; k <= last; ++k) {
                const double v = m * std::pow(10.0, k);
                if (v >= low * (1 - 1e-9) && v <= high * (1 + 1e-9) && (m == 1 ? k % stride == 0 : true))
                    ticks.push_back(v);
            }
            if (m == 1 && ticks.size() >= 3)
                break;
            if (m == 2 && ticks.size() >= 4)
                break;
        }
        std::sort(ticks.begin(), ticks.end());
        if (ticks.size() >= 3)
            return ticks;
        ticks.clear();
    }
    const double raw = (high - low) / std::max(wanted, 1);
    int exponent = static_cast<int>(std::floor(std::log10(raw)));
    double m = 10;
    for (const double candidate : { 1.0, 2.0, 5.0 })
        if (candidate * std::pow(10.0, exponent) >= raw) {
            m = candidate;
            break;
        }
    // k m 10^e, divided by 10^-e for small steps: 3 x 0.2 is 0.6000000000000001, 6 / 10 is 0.6.
    const double scale = std::pow(10.0, std::abs(exponent));
    auto value = [&](double k) { return exponent >= 0 ? k * m * scale : k * m / scale; };
    const double step = value(1);
    for (double k = std::ceil(low / step - 1e-9); value(k) <= high + 1e-9 * step; k += 1)
        ticks.push_back(std::fabs(k) < 0.5 ? 0 : value(k));
    return ticks;
}

std::string ChartSvg(const ChartModel& chart, const SvgChartSize& size)
{
    Scale x, left, right;
    const bool drawn = RangeOf(chart, chart.Bottom, Axis::X, x) && RangeOf(chart, chart.Left, Axis::Left, left, &x);
    bool rightAxis = false;
    for (const int32_t k : chart.ActiveSeries())
        rightAxis = rightAxis || chart.Series[static_cast<size_t>(k)].OnRightAxis;
    rightAxis = rightAxis && drawn && RangeOf(chart, chart.Right, Axis::Right, right, &x);

    Plot plot;
    plot.top = chart.Title.empty() ? 12 : 34;
    plot.left = (drawn ? LabelsWidth(left) : 20) + 34;
    const double rightMargin = rightAxis && chart.Right.Visible ? LabelsWidth(right) + 40 : 18;
    plot.width = std::max(size.Width - plot.left - rightMargin, 60.0);
    plot.height = std::max(size.Height - plot.top - 48.0, 60.0);
    std::vector<LegendEntry> legend;
    const double legendHeight
        = drawn ? LayOutLegend(chart, plot.left, plot.width, plot.top + plot.height + 46, legend) : 0;
    const double height = size.Height + legendHeight;

    std::string svg = "<svg viewBox=\"0 0 " + Num(size.Width) + ' ' + Num(height) + "\" width=\"" + Num(size.Width)
        + "\" height=\"" + Num(height) + "\" font-family=\"sans-serif\" font-size=\"" + Num(FontPx)
        + "\" role=\"img\" aria-label=\"" + XmlEscaped(chart.Title.empty() ? chart.Left.Title : chart.Title) + "\">\n";
    if (!chart.Title.empty())
        Text(svg, size.Width / 2.0, 20, "middle", chart.Title, " font-weight=\"bold\" font-size=\"14\"");
    svg += "<rect x=\"" + Num(plot.left) + "\" y=\"" + Num(plot.top) + "\" width=\"" + Num(plot.width) + "\" height=\""
        + Num(plot.height) + "\" fill=\"none\" stroke=\"#444\"/>\n";
    if (!drawn) {
        const std::vector<std::string> lines
            = Wrapped(chart.EmptyText, static_cast<size_t>(std::max(plot.width / CharPx - 4, 10.0)));
        double y = plot.top + plot.height / 2 - (static_cast<double>(lines.size()) - 1) * (FontPx + 3) / 2;
        for (const std::string& line : lines) {
            Text(svg, plot.left + plot.width / 2, y, "middle", line, " fill=\"#555\"");
            y += FontPx + 3;
        }
        return svg + "</svg>\n";
    }
    x.from = plot.left;
    x.to = plot.left + plot.width;
    for (Scale* y : { &left, &right }) {
        y->from = plot.top + plot.height;
        y->to = plot.top;
    }
    DrawAxis(svg, chart.Bottom, x, Axis::X, plot);
    DrawAxis(svg, chart.Left, left, Axis::Left, plot);
    if (rightAxis && chart.Right.Visible)
        DrawAxis(svg, chart.Right, right, Axis::Right, plot);
    // The series within the plot: a nested viewport clips what lies outside its range.
    svg += "<svg x=\"" + Num(plot.left) + "\" y=\"" + Num(plot.top) + "\" width=\"" + Num(plot.width) + "\" height=\""
        + Num(plot.height) + "\" viewBox=\"" + Num(plot.left) + ' ' + Num(plot.top) + ' ' + Num(plot.width) + ' '
        + Num(plot.height) + "\" overflow=\"hidden\">\n";
    for (const bool front : { false, true })
        for (const int32_t k : chart.ActiveSeries()) {
            const ChartSeries& s = chart.Series[static_cast<size_t>(k)];
            if (s.InFront == front && (!s.OnRightAxis || rightAxis))
                DrawSeries(svg, s, x, s.OnRightAxis ? right : left);
        }
    svg += "</svg>\n";
    DrawLegend(svg, legend);
    return svg + "</svg>\n";
}

} // namespace morvane
