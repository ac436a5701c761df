#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "Fixtures.h"
#include "XmlCheck.h"
#include "tools/plot/Reduce.h"
#include "tools/plot/SvgPlot.h"

namespace drovane::plot {
namespace {

Trip Parse(const std::string& text) {
    std::istringstream in(text);
    return ReadTrip(in, "trip.csv");
}

std::string Render(const Trip& trip, const std::string& title = "trip.csv") {
    PlotOptions options;
    options.title = title;
    return RenderSvg(trip, options);
}

// The value of attribute `name` of the element whose id is `id`, or "" when there is none.
std::string AttributeOf(const std::string& svg, const std::string& id, const std::string& name) {
    std::size_t at = svg.find("id=\"" + id + "\"");
    if (at == std::string::npos) return "";
    std::size_t start = svg.rfind('<', at);
    std::size_t end = svg.find('>', at);
    std::string element = svg.substr(start, end - start);
    std::size_t value = element.find(" " + name + "=\"");
    if (value == std::string::npos) return "";
    value += name.size() + 3;
    return element.substr(value, element.find('"', value) - value);
}

// The points that the M and L commands of a path name.
std::vector<Point> PathPoints(const std::string& d) {
    std::vector<Point> points;
    std::size_t i = 0;
    char command = 0;
    auto number = [&](double& v) {
        while (i < d.size() && d[i] == ' ') ++i;
        char* end = nullptr;
        v = std::strtod(d.c_str() + i, &end);
        bool ok = end != d.c_str() + i;
        i = static_cast<std::size_t>(end - d.c_str());
        return ok;
    };
    while (i < d.size()) {
        if (std::isalpha(static_cast<unsigned char>(d[i]))) command = d[i++];
        double a = 0, b = 0;
        if (command == 'M' || command == 'L') {
            if (!number(a) || !number(b)) break;
            points.push_back({a, b});
        } else if (command == 'Z') {
            continue;
        } else if (!number(a)) {
            break;
        }
    }
    return points;
}

struct Box {
    double top = 0;
    double bottom = 0;
};

// The plotting box of panel `n`, from its clip rectangle.
Box PanelBox(const std::string& svg, int n) {
    std::size_t at = svg.find("<clipPath id=\"p" + std::to_string(n) + "\">");
    std::size_t y = svg.find(" y=\"", at) + 4;
    std::size_t height = svg.find(" height=\"", at) + 9;
    double top = std::stod(svg.substr(y));
    return {top, top + std::stod(svg.substr(height))};
}

TEST(SvgPlot, MetricPictureIsWellFormedAndLabelledInMetricUnits) {
    std::string svg = Render(Parse(test::kMetricHeader + test::kMetricRows));
    EXPECT_EQ(test::XmlProblem(svg), "");
    for (const char* text :
         {"Drive: trip.csv", "4 rows (packets 1\u20135", ">km/h<", ">km/L<", "fuel flow (L/hr)", "Vehicle speed (km/h)",
          "Economy (km/L)", "Minutes of driving", "Temperatures (\u00B0C)", " L of fuel"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    for (const char* id :
         {"speed", "speedometer", "engine-speed", "ev-mode", "soc", "charge", "discharge", "economy", "fuel-flow",
          "fuel-flow-area", "no-fuel", "battery-temp-min", "battery-temp-max", "engine-temp", "coolant-temp"}) {
        EXPECT_NE(svg.find(std::string("id=\"") + id + "\""), std::string::npos) << id;
    }
    EXPECT_EQ(svg.find("mph"), std::string::npos);
}

TEST(SvgPlot, USPictureTakesItsUnitsFromTheHeadings) {
    std::string svg = Render(Parse(test::kUSHeader + test::kUSRows));
    EXPECT_EQ(test::XmlProblem(svg), "");
    for (const char* text : {">mph<", ">MPG<", "fuel flow (G/hr)", "Vehicle speed (mph)", " mi  ", " gal of fuel",
                             "Temperatures (\u00B0F)"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(svg.find("km/h"), std::string::npos);
    EXPECT_EQ(svg.find("km/L"), std::string::npos);
}

TEST(SvgPlot, XmllintFindsThePictureWellFormed) {
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
    auto path = std::filesystem::temp_directory_path() / ("drovane-plot-xmllint-" + std::to_string(getpid()) + ".svg");
    for (const std::string& csv : {test::kMetricHeader + test::kMetricRows, test::kUSHeader + test::kUSRows}) {
        std::ofstream(path) << Render(Parse(csv), "a <b> & \"c\" \xff.csv");
        std::string command = "xmllint --noout '" + path.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    std::filesystem::remove(path);
}

TEST(SvgPlot, NoFuelEconomyIsAGapAndABandNotASpike) {
    Trip trip;
    for (int p = 1; p <= 300; ++p) {
        std::size_t row = trip.AddRow(p);
        bool gliding = p > 100 && p <= 200;
        trip.Values(Series::Speed)[row] = 60;
        trip.Values(Series::FuelFlow)[row] = gliding ? 0.0 : 3.0;
        trip.Values(Series::Economy)[row] = gliding ? 999.9 : 20.0 + p % 5;
    }
    std::string svg = Render(trip);
    Box box = PanelBox(svg, 4);
    std::vector<Point> economy = PathPoints(AttributeOf(svg, "economy", "d"));
    ASSERT_FALSE(economy.empty());
    for (const Point& p : economy) {
        EXPECT_GE(p.y, box.top) << "economy drawn above its panel";
        EXPECT_LE(p.y, box.bottom);
        // Packets 101 to 200 lie between x 429 and 771 on the 1032 pixels from x 84.
        EXPECT_TRUE(p.x < 429 || p.x > 771) << "economy drawn while no fuel flows, at x " << p.x;
    }
    std::string d = AttributeOf(svg, "economy", "d");
    EXPECT_EQ(std::count(d.begin(), d.end(), 'M'), 2) << "the line breaks once";
    std::vector<Point> band = PathPoints(AttributeOf(svg, "no-fuel", "d"));
    ASSERT_EQ(band.size(), 1u);
    EXPECT_NEAR(band[0].y, box.top + 1, 0.01);
    std::size_t panel = svg.find("<g id=\"panel4\">");
    std::string fuel = svg.substr(panel, svg.find("</g>", panel) - panel);
    EXPECT_EQ(fuel.find(">1000</text>"), std::string::npos) << "no axis up to 999.9";
}

// The tick labels of the economy axis, in order from the top.
std::vector<std::string> EconomyTicks(const std::string& svg) {
    std::size_t panel = svg.find("<g id=\"panel4\">");
    std::string fuel = svg.substr(panel, svg.find("</g>", panel) - panel);
    std::vector<std::string> ticks;
    for (std::size_t at = fuel.find("text-anchor=\"end\">"); at != std::string::npos;
         at = fuel.find("text-anchor=\"end\">", at + 1)) {
        std::size_t start = fuel.find('>', at) + 1;
        ticks.insert(ticks.begin(), fuel.substr(start, fuel.find('<', start) - start));
    }
    return ticks;
}

TEST(SvgPlot, TheEconomyAxisIsTheSameForEveryDriveAndCutsWhatLiesBeyond) {
    struct Case {
        UnitSystem units;
        double lowest;
        double highest;
        const char* legend;
        std::vector<std::string> ticks;
    };
    const std::vector<std::string> metric{"50", "40", "30", "20", "10", "0", "-10"};
    const std::vector<std::string> us{"120", "100", "80", "60", "40", "20", "0", "-20"};
    for (const Case& c : {Case{UnitSystem::Metric, 15.0, 25.0, "Economy (km/L)<", metric},
                          Case{UnitSystem::Metric, -3.0, 4000.0, "Economy (km/L), cut at 50<", metric},
                          Case{UnitSystem::Metric, -30.0, 20.0, "Economy (km/L), cut at -10<", metric},
                          Case{UnitSystem::US, -50.0, 300.0, "Economy (MPG), cut at -20 and 120<", us},
                          Case{UnitSystem::US, 40.0, 60.0, "Economy (MPG)<", us}}) {
        Trip trip;
        trip.units = c.units;
        for (int p = 1; p <= 1000; ++p) {
            std::size_t row = trip.AddRow(p);
            trip.Values(Series::Economy)[row] = p == 500 ? c.highest : p == 600 ? c.lowest : (c.lowest + c.highest) / 2;
        }
        std::string svg = Render(trip);
        EXPECT_EQ(test::XmlProblem(svg), "");
        EXPECT_NE(svg.find(c.legend), std::string::npos) << c.legend;
        EXPECT_EQ(EconomyTicks(svg), c.ticks) << c.legend;
    }
}

TEST(SvgPlot, TheTimeAxisReadsInMinutesWithThePacketNumbersUnder) {
    Trip trip;
    for (int p = 1; p <= 6000; ++p) trip.Values(Series::Speed)[trip.AddRow(p)] = 50;
    struct Case {
        double packetSeconds;
        std::vector<const char*> labels;  // minute, then its packet
    };
    for (const Case& c :
         {Case{0.1, {">0</text>", ">1</text>", ">5</text>", ">3,001</text>", ">9</text>", ">5,401</text>"}},
          Case{0.2, {">0</text>", ">2</text>", ">601</text>", ">18</text>", ">5,401</text>"}},
          Case{0.01, {">0.2</text>", ">1,201</text>", ">0.9</text>", ">5,401</text>"}}}) {
        PlotOptions options;
        options.packetSeconds = c.packetSeconds;
        std::string svg = RenderSvg(trip, options);
        std::string axis = svg.substr(svg.rfind("</g>"));
        for (const char* label : c.labels) EXPECT_NE(axis.find(label), std::string::npos) << c.packetSeconds << label;
        EXPECT_NE(axis.find("Minutes of driving, at "), std::string::npos);
    }
}

TEST(SvgPlot, AMillionRowsMakeASmallPictureThatKeepsThePeaks) {
    constexpr std::size_t kRows = 1'000'000;
    Trip trip;
    trip.time.reserve(kRows);
    for (std::size_t i = 0; i < kRows; ++i) {
        std::size_t row = trip.AddRow(static_cast<double>(i + 1));
        double phase = static_cast<double>(i) / 20000.0;
        trip.Values(Series::Speed)[row] = i == 654'321 ? 150.0 : 50.0 + 30.0 * std::sin(phase);
        if (i % 2 == 0) trip.Values(Series::Speedometer)[row] = std::round(50.0 + 30.0 * std::sin(phase));
        trip.Values(Series::EngineSpeed)[row] = (i / 7000) % 2 ? 0.0 : 1500.0 + 500.0 * std::cos(phase);
        if (i % 5 == 0) trip.evMode[row] = (i / 7000) % 2 ? EvMode::EV : EvMode::Other;
        if (i % 5 == 0) trip.Values(Series::Soc)[row] = 55.0 + 5.0 * std::sin(phase / 3.0);
        trip.Values(Series::Current)[row] = 40.0 * std::sin(phase * 2.0);
        trip.Values(Series::FuelFlow)[row] = (i / 7000) % 2 ? 0.0 : 2.0 + std::cos(phase);
        trip.Values(Series::Economy)[row] = (i / 7000) % 2 ? 999.9 : 20.0 + 5.0 * std::sin(phase);
    }
    auto start = std::chrono::steady_clock::now();
    std::string svg = Render(trip, "big.csv");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("render_seconds", std::to_string(seconds));
    RecordProperty("svg_bytes", std::to_string(svg.size()));
    EXPECT_LT(svg.size(), 1'000'000u);
    EXPECT_LT(seconds, 10.0);
    EXPECT_EQ(test::XmlProblem(svg), "");
    std::size_t limit = 2 * PlotColumns(1200) + 4;
    for (const char* id : {"speed", "speedometer", "engine-speed", "soc", "economy", "fuel-flow"}) {
        std::string d = AttributeOf(svg, id, "d");
        EXPECT_LE(PathPoints(d).size(), limit) << id;
        // Series sampled every second or fifth packet still draw one unbroken line.
        if (std::string(id) != "economy") {
            EXPECT_EQ(std::count(d.begin(), d.end(), 'M'), 1) << id;
        }
    }
    // EV mode reported every fifth packet: the shading is one rectangle per EV stretch, not stripes.
    std::string ev = AttributeOf(svg, "ev-mode", "d");
    EXPECT_EQ(std::count(ev.begin(), ev.end(), 'M'), static_cast<long>(kRows / 14000));
    // The one-packet spike to 150 km/h survives: on an axis from 0, it stands 150 / 20 times as
    // high as the lowest speed, 20 km/h.
    std::vector<Point> speed = PathPoints(AttributeOf(svg, "speed", "d"));
    auto [top, low] = std::minmax_element(speed.begin(), speed.end(), [](auto& a, auto& b) { return a.y < b.y; });
    double bottom = PanelBox(svg, 1).bottom;
    EXPECT_NEAR((bottom - top->y) / (bottom - low->y), 150.0 / 20.0, 0.1);
    EXPECT_NE(svg.find("1,000,000 rows (packets 1\u20131,000,000"), std::string::npos);
}

TEST(SvgPlot, OddTripsStillMakeAWellFormedPicture) {
    Trip single;
    single.AddRow(42);
    single.Values(Series::Speed)[0] = 10;
    Trip empty;
    for (int p = 1; p <= 5; ++p) empty.AddRow(p);
    Trip extreme;
    for (int p = 1; p <= 5; ++p) {
        std::size_t row = extreme.AddRow(p);
        extreme.Values(Series::Speed)[row] = p % 2 ? 1e300 : -1e300;
        extreme.Values(Series::Current)[row] = p % 2 ? 1e-300 : 0;
        extreme.Values(Series::Economy)[row] = 999.9;
    }
    Trip repeated;  // packet numbers in exponent form can repeat
    for (int p = 1; p <= 3; ++p) repeated.Values(Series::Soc)[repeated.AddRow(1e6)] = 50 + p;
    for (const Trip* trip : {&single, &empty, &extreme, &repeated}) {
        std::string svg = Render(*trip);
        EXPECT_EQ(test::XmlProblem(svg), "");
        EXPECT_EQ(svg.find("nan"), std::string::npos);
        EXPECT_EQ(svg.find("inf"), std::string::npos);
        EXPECT_LT(svg.size(), 100'000u);
    }
    EXPECT_NE(Render(empty).find("no speed in this file"), std::string::npos);
}

TEST(EscapeXml, EscapesMarkupAndReplacesWhatIsNotUtf8) {
    EXPECT_EQ(EscapeXml("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(EscapeXml("caf\xC3\xA9 \xE2\x80\x93 \xF0\x9F\x9A\x97"), "caf\xC3\xA9 \xE2\x80\x93 \xF0\x9F\x9A\x97");
    EXPECT_EQ(EscapeXml("bad\xFF\xC3"), "bad??");
    EXPECT_EQ(EscapeXml("tab\tnew\nline\x7F"), "tab?new?line?");
    EXPECT_EQ(EscapeXml("\xED\xA0\x80"), "???");  // a surrogate
    EXPECT_EQ(EscapeXml("\xC0\xAF"), "??");       // an overlong '/'
}

}  // namespace
}  // namespace drovane::plot
