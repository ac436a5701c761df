#include "tools/plot/SvgPlot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "summary/EconomyScale.h"
#include "tools/plot/Axis.h"
#include "tools/plot/Reduce.h"
#include "tools/plot/Summary.h"
#include "tools/plot/Text.h"

namespace drovane::plot {
namespace {

// Layout, in pixels.
constexpr double kMarginLeft = 84.0;
constexpr double kMarginRight = 84.0;
constexpr double kTitleHeight = 58.0;  // the title, before the summary's lines
constexpr double kSummaryLineHeight = 18.0;
constexpr double kSummaryCharWidth = 7.6;  // average width of a 14px character
constexpr double kHeaderHeight = 30.0;
constexpr double kPanelHeight = 180.0;
constexpr double kPanelGap = 14.0;
constexpr double kFooterHeight = 76.0;
constexpr int kPanelCount = 5;
constexpr int kYIntervals = 8;  // at most, on a panel's value axis
constexpr int kXTicks = 10;
constexpr double kLegendCharWidth = 7.4;  // average width of a 13px character
constexpr double kNoFuelBandHeight = 8.0;
constexpr double kGapFactor = 4.0;  // a line breaks where values are missing for longer than this
                                    // many times the series' usual spacing

// Colours: a hue for each quantity, and the pairs read together (speed and speedometer, charge and
// discharge, economy and fuel flow) in contrasting hues.
constexpr const char* kSpeedColour = "#1f77b4";
constexpr const char* kSpeedometerColour = "#ff7f0e";
constexpr const char* kEngineColour = "#c0392b";
constexpr const char* kEvColour = "#2ca02c";
constexpr const char* kSocColour = "#6a3d9a";
constexpr const char* kChargeColour = "#1b9e77";
constexpr const char* kDischargeColour = "#d95f02";
constexpr const char* kEconomyColour = "#2166ac";
constexpr const char* kFlowFillColour = "#e6ab02";
constexpr const char* kFlowLineColour = "#a67c00";
constexpr const char* kNoFuelColour = "#7f7f7f";
constexpr const char* kMinBatteryTempColour = "#6baed6";
constexpr const char* kMaxBatteryTempColour = "#08519c";
constexpr const char* kEngineTempColour = kEngineColour;
constexpr const char* kCoolantTempColour = "#e6550d";

constexpr const char* kStyle =
    "text{font-family:'DejaVu Sans',Verdana,Arial,Helvetica,sans-serif;fill:#333}"
    ".title{font-size:20px;font-weight:bold;fill:#222}"
    ".summary{font-size:14px;fill:#555}"
    ".panel{font-size:15px;font-weight:bold;fill:#222}"
    ".legend{font-size:13px}"
    ".tick{font-size:12px;fill:#555}"
    ".packet{font-size:11px;fill:#999}"
    ".unit{font-size:13px;font-weight:bold}"
    ".note{font-size:13px;font-style:italic;fill:#888}"
    ".grid{stroke:#e4e4e4;stroke-width:1}"
    ".frame{fill:none;stroke:#a8a8a8;stroke-width:1}"
    ".line{fill:none;stroke-linejoin:round;stroke-linecap:round}";

// A coordinate with at most one decimal, kept within a range that any renderer takes.
std::string Num(double value) {
    value = std::clamp(value, -10000.0, 10000.0);
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string out(text);
    if (out.size() > 2 && out.compare(out.size() - 2, 2, ".0") == 0) out.resize(out.size() - 2);
    if (out == "-0") out = "0";
    return out;
}

// The horizontal axis. Rows are placed by packet number; the scale reads in minutes of driving,
// packet 1 at minute 0.
struct Frame {
    double left = 0.0;
    double right = 0.0;
    double x0 = 0.0;  // packet at the left edge
    double x1 = 1.0;  // packet at the right edge
    double packetSeconds = 0.1;
    double X(double packet) const { return left + (packet - x0) / (x1 - x0) * (right - left); }
    double Minutes(double packet) const { return (packet - 1.0) * packetSeconds / 60.0; }
    double Packet(double minutes) const { return minutes * 60.0 / packetSeconds + 1.0; }
};

// A step for the minute scale: the nice steps up to five minutes, then steps that an hour
// divides into or whole hours.
double MinuteStep(double spanMinutes, int maxIntervals) {
    const double step = NiceStep(spanMinutes, maxIntervals);
    if (step <= 5.0) return step;
    for (double minutes : {10.0, 15.0, 20.0, 30.0, 60.0, 120.0, 180.0, 240.0, 360.0, 720.0, 1440.0}) {
        if (spanMinutes / minutes <= maxIntervals) return minutes;
    }
    return step;
}

struct Scale {
    AxisRange range;
    double top = 0.0;
    double bottom = 0.0;
    double lowestTick = -HUGE_VAL;  // no tick label below this value
    double Y(double value) const { return bottom - (value - range.lo) / (range.hi - range.lo) * (bottom - top); }
};

enum class Swatch { Line, ThickLine, Area, Band };

struct LegendItem {
    Swatch swatch;
    const char* colour;
    std::string label;
};

// The lowest and highest finite values of a series; `any` is false when it has none.
struct Extent {
    bool any = false;
    double lo = 0.0;
    double hi = 0.0;
    void Add(double v) {
        if (!std::isfinite(v)) return;
        lo = any ? std::min(lo, v) : v;
        hi = any ? std::max(hi, v) : v;
        any = true;
    }
};

Extent ExtentOf(const std::vector<double>& values) {
    Extent extent;
    for (double v : values) extent.Add(v);
    return extent;
}

class Painter {
public:
    Painter(const Trip& trip, const PlotOptions& options)
        : trip_(trip), options_(options), units_(LabelsFor(trip.units)) {
        width_ = static_cast<double>(std::max<std::size_t>(options.width, 400));
        frame_.left = kMarginLeft;
        frame_.right = width_ - kMarginRight;
        frame_.x0 = trip.Rows() > 0 ? trip.time.front() : 0.0;
        frame_.x1 = trip.Rows() > 0 ? trip.time.back() : 1.0;
        frame_.packetSeconds = options.packetSeconds;
        if (frame_.x1 - frame_.x0 < 1.0) {  // a single packet, or packet numbers that repeat
            frame_.x0 -= 0.5;
            frame_.x1 += 0.5;
        }
        summaryLines_ = WrapParts(SummaryParts(Summarize(trip, options.packetSeconds), units_, options.packetSeconds),
                                  static_cast<std::size_t>((frame_.right - frame_.left) / kSummaryCharWidth));
        panelsTop_ = kTitleHeight + kSummaryLineHeight * static_cast<double>(summaryLines_.size()) + 8.0;
        height_ = panelsTop_ + kPanelCount * (kHeaderHeight + kPanelHeight + kPanelGap) - kPanelGap + kFooterHeight;
        columns_ = PlotColumns(options.width);
        minuteStep_ = MinuteStep(frame_.Minutes(frame_.x1) - frame_.Minutes(frame_.x0), kXTicks);
    }

    std::string Paint() {
        out_.reserve(256 * 1024);
        Append(out_, kXmlDeclaration, "\n", "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"", Num(width_),
               "\" height=\"", Num(height_), "\" viewBox=\"0 0 ", Num(width_), " ", Num(height_), "\">\n", kPictureMark,
               "\n", "<title>", EscapeXml(options_.title), "</title>\n", "<style>", kStyle, "</style>\n",
               "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n");
        PaintTitle();
        for (int panel = 0; panel < kPanelCount; ++panel) {
            double top = panelsTop_ + panel * (kHeaderHeight + kPanelHeight + kPanelGap);
            boxTop_ = top + kHeaderHeight;
            boxBottom_ = boxTop_ + kPanelHeight;
            std::string number = std::to_string(panel + 1);
            clipId_ = Cat("p", number);
            Append(out_, "<g id=\"panel", number, "\">\n<clipPath id=\"", clipId_, "\">",
                   Rect(frame_.left, boxTop_, frame_.right - frame_.left, kPanelHeight), "/></clipPath>\n");
            switch (panel) {
                case 0: PaintSpeedPanel(top); break;
                case 1: PaintEnginePanel(top); break;
                case 2: PaintBatteryPanel(top); break;
                case 3: PaintFuelPanel(top); break;
                default: PaintTemperaturePanel(top); break;
            }
            out_ += "</g>\n";
        }
        PaintTimeAxis();
        out_ += "</svg>\n";
        return std::move(out_);
    }

private:
    // The start of a rect element, without its end.
    static std::string Rect(double x, double y, double width, double height) {
        return Cat("<rect x=\"", Num(x), "\" y=\"", Num(y), "\" width=\"", Num(width), "\" height=\"", Num(height),
                   "\"");
    }

    void Text(const char* cssClass, double x, double y, std::string_view text, std::string_view extra = {}) {
        Append(out_, "<text class=\"", cssClass, "\" x=\"", Num(x), "\" y=\"", Num(y), "\"", extra, ">",
               EscapeXml(text), "</text>\n");
    }

    void PaintTitle() {
        Text("title", frame_.left, 32.0, Cat("Drive: ", options_.title));
        for (std::size_t i = 0; i < summaryLines_.size(); ++i) {
            Text("summary", frame_.left, kTitleHeight + kSummaryLineHeight * static_cast<double>(i), summaryLines_[i]);
        }
    }

    // The summary's parts joined into lines of at most `width` characters, a part never split.
    static std::vector<std::string> WrapParts(const std::vector<std::string>& parts, std::size_t width) {
        const std::string dot = "  \u00B7  ";
        std::vector<std::string> lines;
        for (const std::string& part : parts) {
            if (!lines.empty() && Characters(lines.back()) + Characters(dot) + Characters(part) <= width) {
                Append(lines.back(), dot, part);
            } else {
                lines.push_back(part);
            }
        }
        return lines;
    }

    // Characters, not bytes, of UTF-8 text.
    static std::size_t Characters(std::string_view text) {
        return static_cast<std::size_t>(std::count_if(
            text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    }

    std::vector<double> MinuteTicks() const {
        return TicksWithin(frame_.Minutes(frame_.x0), frame_.Minutes(frame_.x1), minuteStep_);
    }

    Scale MakeScale(double lo, double hi) const {
        Scale scale;
        scale.range = NiceRange(lo, hi, kYIntervals);
        scale.top = boxTop_;
        scale.bottom = boxBottom_;
        return scale;
    }

    // The panel's background, grid lines for the left axis and the packet ticks, and the left axis.
    void PaintBox(const Scale& left, const std::string& leftUnit, const char* leftColour) {
        Append(out_, Rect(frame_.left, boxTop_, frame_.right - frame_.left, kPanelHeight), " fill=\"#fcfcfc\"/>\n");
        std::string grid;
        for (double tick : TicksWithin(left.range.lo, left.range.hi, left.range.step)) {
            Append(grid, "M", Num(frame_.left), " ", Num(left.Y(tick)), "H", Num(frame_.right));
        }
        for (double minutes : MinuteTicks()) {
            Append(grid, "M", Num(frame_.X(frame_.Packet(minutes))), " ", Num(boxTop_), "V", Num(boxBottom_));
        }
        Append(out_, "<path class=\"grid\" d=\"", grid, "\"/>\n");
        PaintAxisLabels(left, frame_.left - 8.0, "end", leftUnit, frame_.left - 58.0, -90, leftColour);
    }

    void PaintRightAxis(const Scale& right, const std::string& unit, const char* colour) {
        PaintAxisLabels(right, frame_.right + 8.0, "start", unit, frame_.right + 58.0, 90, colour);
    }

    void PaintAxisLabels(const Scale& scale, double x, const char* anchor, const std::string& unit, double unitX,
                         int rotation, const char* colour) {
        std::string anchorAttribute = Cat(" text-anchor=\"", anchor, "\"");
        for (double tick : TicksWithin(std::max(scale.range.lo, scale.lowestTick), scale.range.hi, scale.range.step)) {
            Text("tick", x, scale.Y(tick) + 4.0, FormatTick(tick, scale.range.step), anchorAttribute);
        }
        double middle = (boxTop_ + boxBottom_) / 2.0;
        Append(out_, "<text class=\"unit\" text-anchor=\"middle\" style=\"fill:", colour, "\" transform=\"translate(",
               Num(unitX), " ", Num(middle), ") rotate(", std::to_string(rotation), ")\">", EscapeXml(unit),
               "</text>\n");
    }

    // The frame over the panel, and above it the panel's name and legend.
    void PaintFrameAndHeader(double top, const std::string& title, const std::vector<LegendItem>& legend) {
        Append(out_, Rect(frame_.left, boxTop_, frame_.right - frame_.left, kPanelHeight), " class=\"frame\"/>\n");
        double baseline = top + 20.0;
        Text("panel", frame_.left, baseline, title);
        double x = frame_.left + 9.0 * static_cast<double>(title.size()) + 28.0;
        double swatchY = baseline - 5.0;
        for (const LegendItem& item : legend) {
            switch (item.swatch) {
                case Swatch::Line:
                    Append(out_, "<path d=\"M", Num(x), " ", Num(swatchY), "h22\" stroke=\"", item.colour,
                           "\" stroke-width=\"2\"/>\n");
                    break;
                case Swatch::ThickLine:
                    Append(out_, "<path d=\"M", Num(x), " ", Num(swatchY), "h22\" stroke=\"", item.colour,
                           "\" stroke-width=\"5\" stroke-opacity=\"0.55\"/>\n");
                    break;
                case Swatch::Area:
                case Swatch::Band:
                    Append(out_, Rect(x, swatchY - 6.0, 22.0, 12.0), " fill=\"", item.colour, "\" fill-opacity=\"",
                           item.swatch == Swatch::Area ? "0.6" : "0.3", "\"/>\n");
                    break;
            }
            x += 28.0;
            Text("legend", x, baseline, item.label);
            x += kLegendCharWidth * static_cast<double>(item.label.size()) + 22.0;
        }
    }

    void PaintNoData(const std::string& what) {
        Text("note", (frame_.left + frame_.right) / 2.0, (boxTop_ + boxBottom_) / 2.0, what, " text-anchor=\"middle\"");
    }

    PixelColumns Columns() const { return PixelColumns(frame_.x0, frame_.x1, columns_); }

    // A series cut down to the picture's pixel columns. Its line goes on over the packets that
    // lack a value, as slow messages leave most rows empty, and breaks where values are missing for
    // much longer than the series' usual spacing.
    std::vector<Polyline> Reduced(const std::vector<double>& values) const {
        return ReduceMinMax(trip_.time, values, Columns(), kGapFactor * TypicalSpacing(trip_.time, values));
    }

    std::string XY(const Point& p, const Scale& scale) const { return Cat(Num(frame_.X(p.x)), " ", Num(scale.Y(p.y))); }

    std::string LinePath(const std::vector<Polyline>& lines, const Scale& scale) const {
        std::string d;
        for (const Polyline& line : lines) {
            if (line.empty()) continue;
            Append(d, "M", XY(line.front(), scale));
            if (line.size() == 1) {  // a lone value: a short dash, so that it shows
                d += "h0.1";
                continue;
            }
            d += "L";
            for (std::size_t i = 1; i < line.size(); ++i) Append(d, i > 1 ? " " : "", XY(line[i], scale));
        }
        return d;
    }

    // The area between the lines and the value `base`.
    std::string AreaPath(const std::vector<Polyline>& lines, const Scale& scale, double base) const {
        std::string d;
        std::string baseY = Num(scale.Y(base));
        for (const Polyline& line : lines) {
            if (line.empty()) continue;
            double first = frame_.X(line.front().x);
            double last = frame_.X(line.back().x);
            if (line.size() == 1) {  // a lone value: a sliver a pixel and a half wide
                first -= 0.75;
                last += 0.75;
                std::string y = Num(scale.Y(line.front().y));
                Append(d, "M", Num(first), " ", baseY, "L", Num(first), " ", y, " ", Num(last), " ", y);
            } else {
                Append(d, "M", Num(first), " ", baseY, "L");
                for (const Point& p : line) Append(d, XY(p, scale), " ");
            }
            Append(d, Num(last), " ", baseY, "Z");
        }
        return d;
    }

    void PaintLine(const char* id, const std::vector<Polyline>& lines, const Scale& scale, const char* colour,
                   double width, const char* opacity = nullptr) {
        if (lines.empty()) return;
        std::string fade = opacity ? Cat(" stroke-opacity=\"", opacity, "\"") : std::string();
        Append(out_, "<path id=\"", id, "\" class=\"line\" clip-path=\"url(#", clipId_, ")\" stroke=\"", colour,
               "\" stroke-width=\"", Num(width), "\"", fade, " d=\"", LinePath(lines, scale), "\"/>\n");
    }

    void PaintArea(const char* id, const std::string& d, const char* clip, const char* colour, const char* opacity) {
        Append(out_, "<path id=\"", id, "\" clip-path=\"url(#", clip, ")\" fill=\"", colour, "\" fill-opacity=\"",
               opacity, "\" d=\"", d, "\"/>\n");
    }

    // Rectangles over the spans, from `top` down `height` pixels, each at least a pixel wide.
    void PaintSpans(const char* id, const std::vector<Span>& spans, double top, double height, const char* colour,
                    const char* opacity) {
        if (spans.empty()) return;
        std::string d;
        for (const Span& span : spans) {
            double x0 = std::max(frame_.X(span.x0), frame_.left);
            double x1 = std::min(frame_.X(span.x1), frame_.right);
            if (x1 - x0 < 1.0) x1 = x0 + 1.0;
            Append(d, "M", Num(x0), " ", Num(top), "H", Num(x1), "v", Num(height), "H", Num(x0), "Z");
        }
        PaintArea(id, d, clipId_.c_str(), colour, opacity);
    }

    void PaintSpeedPanel(double top) {
        const std::vector<double>& speed = trip_.Values(Series::Speed);
        const std::vector<double>& speedometer = trip_.Values(Series::Speedometer);
        Extent extent = ExtentOf(speed);
        Extent meter = ExtentOf(speedometer);
        if (meter.any) {
            extent.Add(meter.lo);
            extent.Add(meter.hi);
        }
        Scale scale = MakeScale(std::min(0.0, extent.lo), extent.any ? extent.hi : 1.0);
        PaintBox(scale, units_.speed, "#333");
        PaintLine("speedometer", Reduced(speedometer), scale, kSpeedometerColour, 4.0, "0.55");
        PaintLine("speed", Reduced(speed), scale, kSpeedColour, 1.6);
        if (!extent.any) PaintNoData("no speed in this file");
        PaintFrameAndHeader(top, "Speed",
                            {{Swatch::Line, kSpeedColour, Cat("Vehicle speed (", units_.speed, ")")},
                             {Swatch::ThickLine, kSpeedometerColour, "Speedometer"}});
    }

    void PaintEnginePanel(double top) {
        const std::vector<double>& rpm = trip_.Values(Series::EngineSpeed);
        Extent extent = ExtentOf(rpm);
        Scale scale = MakeScale(0.0, extent.any ? std::max(extent.hi, 1000.0) : 1000.0);
        PaintBox(scale, "rpm", "#333");
        PaintSpans("ev-mode", MarkedSpans(trip_.time, HeldEvMode(trip_), Columns()), boxTop_, kPanelHeight, kEvColour,
                   "0.16");
        PaintLine("engine-speed", Reduced(rpm), scale, kEngineColour, 1.4);
        if (!extent.any) PaintNoData("no engine speed in this file");
        PaintFrameAndHeader(top, "Engine",
                            {{Swatch::Line, kEngineColour, "Engine speed (rpm)"},
                             {Swatch::Band, kEvColour, "EV mode (engine off, electric drive)"}});
    }

    void PaintBatteryPanel(double top) {
        const std::vector<double>& soc = trip_.Values(Series::Soc);
        const std::vector<double>& amps = trip_.Values(Series::Current);
        Extent socExtent = ExtentOf(soc);
        double socLo = socExtent.any ? socExtent.lo : 0.0;
        double socHi = socExtent.any ? socExtent.hi : 100.0;
        if (socHi - socLo < 10.0) {  // a steady charge still gets an axis a person can read
            double middle = (socLo + socHi) / 2.0;
            socLo = middle - 5.0;
            socHi = middle + 5.0;
        }
        Scale socScale = MakeScale(std::max(0.0, socLo), std::min(100.0, socHi));
        Extent ampExtent = ExtentOf(amps);
        Scale ampScale = MakeScale(std::min(0.0, ampExtent.lo), std::max(ampExtent.any ? ampExtent.hi : 1.0, 0.0));
        PaintBox(socScale, "SOC %", kSocColour);
        PaintRightAxis(ampScale, "current (A)", "#333");

        std::vector<Polyline> current = Reduced(amps);
        if (!current.empty()) {
            // Positive current charges the battery, negative current discharges it: one area,
            // cut at zero into two colours.
            double zero = ampScale.Y(0.0);
            double width = frame_.right - frame_.left;
            Append(out_, "<clipPath id=\"above-zero\">", Rect(frame_.left, boxTop_, width, zero - boxTop_),
                   "/></clipPath>\n<clipPath id=\"below-zero\">", Rect(frame_.left, zero, width, boxBottom_ - zero),
                   "/></clipPath>\n");
            std::string area = AreaPath(current, ampScale, 0.0);
            PaintArea("charge", area, "above-zero", kChargeColour, "0.6");
            PaintArea("discharge", area, "below-zero", kDischargeColour, "0.6");
            Append(out_, "<path d=\"M", Num(frame_.left), " ", Num(zero), "H", Num(frame_.right),
                   "\" stroke=\"#777\" stroke-width=\"1\" stroke-dasharray=\"4 3\"/>\n");
        }
        PaintLine("soc", Reduced(soc), socScale, kSocColour, 2.0);
        if (!socExtent.any && !ampExtent.any) PaintNoData("no battery values in this file");
        PaintFrameAndHeader(top, "Battery",
                            {{Swatch::Line, kSocColour, "State of charge (%)"},
                             {Swatch::Area, kChargeColour, "Charging (A)"},
                             {Swatch::Area, kDischargeColour, "Discharging (A)"}});
    }

    // Reversing gives a negative economy; the flow axis then reaches below zero too, so that both
    // axes put zero at the same height, with no flow tick below zero.
    static void AlignZero(const Scale& left, Scale& right) {
        if (!(left.range.lo < 0.0 && left.range.hi > 0.0 && right.range.lo == 0.0)) return;
        right.range.lo = -right.range.hi * (-left.range.lo / left.range.hi);
        right.lowestTick = 0.0;
    }

    void PaintFuelPanel(double top) {
        const std::vector<double>& economy = trip_.Values(Series::Economy);
        const std::vector<double>& flow = trip_.Values(Series::FuelFlow);
        // 999.9 means "moving on no fuel": a gap in the line and a band along the top.
        std::vector<double> drawn(economy);
        std::vector<std::uint8_t> noFuel(economy.size(), 0);
        std::vector<double> finite;
        finite.reserve(economy.size());
        for (std::size_t row = 0; row < economy.size(); ++row) {
            if (std::isnan(economy[row])) continue;
            if (IsNoFuelEconomy(economy[row])) {
                noFuel[row] = 1;
                drawn[row] = std::nan("");
            } else {
                finite.push_back(economy[row]);
            }
        }
        // A tiny fuel flow gives a huge instantaneous economy: such values are cut at the edge of
        // the fixed axis, and the legend says so.
        const EconomyAxis axis = EconomyAxisFor(trip_.units);
        Scale economyScale = MakeScale(axis.lo, axis.hi);
        const bool cutAbove =
            std::any_of(finite.begin(), finite.end(), [&](double v) { return v > economyScale.range.hi; });
        const bool cutBelow =
            std::any_of(finite.begin(), finite.end(), [&](double v) { return v < economyScale.range.lo; });
        Extent flowExtent = ExtentOf(flow);
        Scale flowScale = MakeScale(std::min(0.0, flowExtent.lo), flowExtent.any ? std::max(flowExtent.hi, 0.0) : 1.0);
        AlignZero(economyScale, flowScale);
        PaintBox(economyScale, units_.economy, kEconomyColour);
        PaintRightAxis(flowScale, Cat("fuel flow (", units_.fuelFlow, ")"), kFlowLineColour);

        std::vector<Polyline> flowLines = Reduced(flow);
        if (!flowLines.empty()) {
            PaintArea("fuel-flow-area", AreaPath(flowLines, flowScale, 0.0), clipId_.c_str(), kFlowFillColour, "0.35");
            PaintLine("fuel-flow", flowLines, flowScale, kFlowLineColour, 1.0);
        }
        PaintSpans("no-fuel", MarkedSpans(trip_.time, noFuel, Columns()), boxTop_ + 1.0, kNoFuelBandHeight,
                   kNoFuelColour, "0.45");
        PaintLine("economy", Reduced(drawn), economyScale, kEconomyColour, 1.4);
        if (!ExtentOf(economy).any && !flowExtent.any) PaintNoData("no fuel values in this file");
        std::string economyLabel = Cat("Economy (", units_.economy, ")");
        const std::string lo = FormatTick(economyScale.range.lo, economyScale.range.step);
        const std::string hi = FormatTick(economyScale.range.hi, economyScale.range.step);
        if (cutAbove || cutBelow) {
            Append(economyLabel, ", cut at ", cutBelow ? lo : hi, cutAbove && cutBelow ? Cat(" and ", hi) : "");
        }
        PaintFrameAndHeader(top, "Fuel",
                            {{Swatch::Line, kEconomyColour, economyLabel},
                             {Swatch::Area, kFlowFillColour, Cat("Fuel flow (", units_.fuelFlow, ")")},
                             {Swatch::Band, kNoFuelColour, "Moving, no fuel (999.9)"}});
    }

    // Minutes of driving along the bottom, and under each minute, in grey, the packet number
    // (the Time column) that falls there.
    void PaintTimeAxis() {
        std::string marks;
        for (double minutes : MinuteTicks()) {
            const double packet = frame_.Packet(minutes);
            const double x = frame_.X(packet);
            Append(marks, "M", Num(x), " ", Num(boxBottom_), "v5");
            Text("tick", x, boxBottom_ + 19.0, FormatTick(minutes, minuteStep_), " text-anchor=\"middle\"");
            Text("packet", x, boxBottom_ + 34.0, FormatGrouped(std::round(packet), 0), " text-anchor=\"middle\"");
        }
        Append(out_, "<path d=\"M", Num(frame_.left), " ", Num(boxBottom_), "v5", marks,
               "\" stroke=\"#a8a8a8\" stroke-width=\"1\"/>\n");
        const double ms = options_.packetSeconds * 1000.0;
        Text("unit", (frame_.left + frame_.right) / 2.0, boxBottom_ + 60.0,
             Cat("Minutes of driving, at ", FormatGrouped(ms, ms < 10.0 ? 1 : 0),
                 " ms a packet; in grey the packet number (the Time column)"),
             " text-anchor=\"middle\"");
    }

    void PaintTemperaturePanel(double top) {
        struct Line {
            const char* id;
            Series series;
            const char* colour;
            const char* label;
        };
        constexpr std::array<Line, 4> kLines = {{
            {"battery-temp-min", Series::MinBatteryTemp, kMinBatteryTempColour, "Battery, lowest"},
            {"battery-temp-max", Series::MaxBatteryTemp, kMaxBatteryTempColour, "Battery, highest"},
            {"engine-temp", Series::EngineTemp, kEngineTempColour, "Engine"},
            {"coolant-temp", Series::CoolantTemp, kCoolantTempColour, "Coolant"},
        }};
        Extent extent;
        for (const Line& line : kLines) {
            Extent one = ExtentOf(trip_.Values(line.series));
            if (!one.any) continue;
            extent.Add(one.lo);
            extent.Add(one.hi);
        }
        // A little room above and below, so that a steady temperature does not run along the frame.
        const double pad = extent.any ? std::max(1.0, (extent.hi - extent.lo) * 0.03) : 0.0;
        Scale scale = MakeScale(extent.any ? extent.lo - pad : 0.0, extent.any ? extent.hi + pad : 100.0);
        PaintBox(scale, units_.temperature, "#333");
        std::vector<LegendItem> legend;
        for (const Line& line : kLines) {
            PaintLine(line.id, Reduced(trip_.Values(line.series)), scale, line.colour, 1.6);
            legend.push_back({Swatch::Line, line.colour, line.label});
        }
        if (!extent.any) PaintNoData("no temperatures in this file");
        PaintFrameAndHeader(top, Cat("Temperatures (", units_.temperature, ")"), legend);
    }

    const Trip& trip_;
    const PlotOptions& options_;
    UnitLabels units_;
    double width_ = 0.0;
    double height_ = 0.0;
    Frame frame_;
    std::size_t columns_ = 1;
    double minuteStep_ = 1.0;
    std::vector<std::string> summaryLines_;
    double panelsTop_ = 0.0;
    double boxTop_ = 0.0;
    double boxBottom_ = 0.0;
    std::string clipId_;
    std::string out_;
};

// The length of the UTF-8 sequence that starts at text[i], or 0 when it is not valid there
// (or encodes a character that XML does not allow).
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    auto byte = [&](std::size_t k) { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u; };
    auto continuation = [&](std::size_t k, unsigned lo, unsigned hi) { return byte(k) >= lo && byte(k) <= hi; };
    unsigned lead = byte(0);
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(1, 0x80, 0xBF) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        unsigned lo = lead == 0xE0 ? 0xA0 : 0x80;
        unsigned hi = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
        if (!continuation(1, lo, hi) || !continuation(2, 0x80, 0xBF)) return 0;
        if (lead == 0xEF && byte(1) == 0xBF && (byte(2) == 0xBE || byte(2) == 0xBF)) return 0;  // U+FFFE, U+FFFF
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        unsigned lo = lead == 0xF0 ? 0x90 : 0x80;
        unsigned hi = lead == 0xF4 ? 0x8F : 0xBF;
        return continuation(1, lo, hi) && continuation(2, 0x80, 0xBF) && continuation(3, 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

}  // namespace

std::size_t PlotColumns(std::size_t width) {
    double plotWidth = static_cast<double>(std::max<std::size_t>(width, 400)) - kMarginLeft - kMarginRight;
    return static_cast<std::size_t>(plotWidth);
}

std::string RenderSvg(const Trip& trip, const PlotOptions& options) { return Painter(trip, options).Paint(); }

// Whatever the line ends: a picture saved on Windows ends its lines with CR LF. The pictures of
// earlier versions, made before the mark, are known by their style sheet, which no other program
// writes.
bool IsPlotPicture(std::string_view head) {
    head = head.substr(0, kPictureHeadBytes);
    if (!head.starts_with(kXmlDeclaration)) return false;
    return head.find(kPictureMark) != std::string_view::npos ||
           head.find(Cat("<style>", kStyle, "</style>")) != std::string_view::npos;
}

std::string EscapeXml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            std::size_t length = Utf8Length(text, i);
            if (length == 0) {
                out += '?';
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c); break;
        }
        ++i;
    }
    return out;
}

}  // namespace drovane::plot
