#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>

#include "Fixtures.h"
#include "tools/plot/TripCsv.h"

namespace drovane::plot {
namespace {

using test::kMetricHeader;
using test::kMetricRows;
using test::kUSHeader;
using test::kUSRows;
using test::Row;

Trip Parse(const std::string& text) {
    std::istringstream in(text);
    return ReadTrip(in, "trip.csv");
}

// The message of the InputError that reading `text` gives, or "" when it reads.
std::string ErrorOf(const std::string& text) {
    try {
        Parse(text);
    } catch (const InputError& e) {
        return e.what();
    }
    return "";
}

TEST(TripCsv, ReadsMetricRowsWithWordsAndEmptyCells) {
    Trip trip = Parse(kMetricHeader + kMetricRows);
    EXPECT_EQ(trip.units, UnitSystem::Metric);
    ASSERT_EQ(trip.Rows(), 4u);
    EXPECT_EQ(trip.time, (std::vector<double>{1, 2, 4, 5}));
    EXPECT_DOUBLE_EQ(trip.Values(Series::Speed)[0], 48.3398);
    EXPECT_DOUBLE_EQ(trip.Values(Series::Speedometer)[1], 50);
    EXPECT_DOUBLE_EQ(trip.Values(Series::EngineSpeed)[1], 1536);
    EXPECT_DOUBLE_EQ(trip.Values(Series::Soc)[2], 56);
    EXPECT_DOUBLE_EQ(trip.Values(Series::Current)[0], -12.3);
    EXPECT_DOUBLE_EQ(trip.Values(Series::FuelFlow)[1], 2.6);
    EXPECT_DOUBLE_EQ(trip.Values(Series::Economy)[0], 19.3);
    EXPECT_TRUE(IsNoFuelEconomy(trip.Values(Series::Economy)[2]));
    EXPECT_EQ(trip.evMode, (std::vector<EvMode>{EvMode::Other, EvMode::Other, EvMode::EV, EvMode::EV}));
    // The last packet lacks every number but Time.
    for (const auto& values : trip.series) EXPECT_TRUE(std::isnan(values[3]));
}

TEST(TripCsv, RecognisesUSHeadingsAndTheirUnits) {
    Trip trip = Parse(kUSHeader + kUSRows);
    EXPECT_EQ(trip.units, UnitSystem::US);
    ASSERT_EQ(trip.Rows(), 2u);
    EXPECT_DOUBLE_EQ(trip.Values(Series::Speed)[0], 30.0371);
    EXPECT_DOUBLE_EQ(trip.Values(Series::FuelFlow)[0], 0.66);
    EXPECT_EQ(trip.evMode, (std::vector<EvMode>{EvMode::Other, EvMode::EV}));
    UnitLabels us = LabelsFor(trip.units);
    EXPECT_EQ(us.speed, "mph");
    EXPECT_EQ(us.distance, "mi");
    EXPECT_EQ(us.fuelFlow, "G/hr");
    EXPECT_EQ(us.economy, "MPG");
    UnitLabels metric = LabelsFor(UnitSystem::Metric);
    EXPECT_EQ(metric.speed, "km/h");
    EXPECT_EQ(metric.fuelFlow, "L/hr");
    EXPECT_EQ(metric.economy, "km/L");
}

TEST(TripCsv, KnowsTheThreeColumnsOfWords) {
    EXPECT_TRUE(IsWordColumn(26));
    EXPECT_TRUE(IsWordColumn(27));
    EXPECT_TRUE(IsWordColumn(29));
    EXPECT_FALSE(IsWordColumn(28));
}

TEST(TripCsv, EvModeHoldsBetweenTheRowsThatReportIt) {
    // The car reports its mode every few packets; only the word "EV" is EV mode.
    Trip trip = Parse(kMetricHeader + Row({{0, "1"}, {27, "\"EV\""}}) + Row({{0, "2"}}) + Row({{0, "3"}}) +
                      Row({{0, "4"}, {27, "\"Denied\""}}) + Row({{0, "5"}}) + Row({{0, "6"}, {27, "\"EV\""}}) +
                      Row({{0, "7"}, {27, "\"N\""}}) + Row({{0, "8"}, {27, "\"Cancel\""}}));
    EXPECT_EQ(trip.evMode[1], EvMode::Unknown);
    EXPECT_EQ(HeldEvMode(trip), (std::vector<std::uint8_t>{1, 1, 1, 0, 0, 1, 0, 0}));
    Trip late = Parse(kMetricHeader + Row({{0, "1"}}) + Row({{0, "2"}, {27, "\"EV\""}}));
    EXPECT_EQ(HeldEvMode(late), (std::vector<std::uint8_t>{0, 1}));
}

// The text with each line rewritten by `line` (header first, numbered from 0) and ended by `end`.
std::string Rewritten(const std::string& text, const std::string& end,
                      const std::function<std::string(std::size_t, std::string)>& line) {
    std::istringstream in(text);
    std::string out;
    std::size_t number = 0;
    for (std::string row; std::getline(in, row);) out += line(number++, row) + end;
    return out;
}

TEST(TripCsv, ReadsTheFileAsSpreadsheetsPythonAndPandasSaveItAgain) {
    const auto unquoted = [](std::size_t, std::string row) {
        std::erase(row, '"');
        return row;
    };
    const auto quoted = [](std::size_t, std::string row) {
        std::erase(row, '"');
        for (std::size_t at = 0; (at = row.find(',', at)) != std::string::npos; at += 3) row.replace(at, 1, "\",\"");
        return "\"" + row + "\"";
    };
    // pandas: its row index first, under an empty heading.
    const auto indexed = [](std::size_t n, std::string row) {
        std::erase(row, '"');
        return (n == 0 ? std::string() : std::to_string(n - 1)) + "," + row;
    };
    for (const std::string& original : {kMetricHeader + kMetricRows, kUSHeader + kUSRows}) {
        const Trip expected = Parse(original);
        for (const std::string& text : {Rewritten(original, "\r\n", unquoted), Rewritten(original, "\n", indexed),
                                        Rewritten(original, "\r\n", quoted), "\xEF\xBB\xBF" + original,
                                        original + "\n\r\n", original.substr(0, original.size() - 1)}) {
            const Trip trip = Parse(text);
            EXPECT_EQ(trip.units, expected.units) << text;
            EXPECT_EQ(trip.time, expected.time) << text;
            EXPECT_EQ(trip.evMode, expected.evMode) << text;
            for (std::size_t s = 0; s < kSeriesCount; ++s) {
                for (std::size_t row = 0; row < trip.Rows(); ++row) {
                    const double a = trip.series[s][row];
                    const double b = expected.series[s][row];
                    EXPECT_TRUE(a == b || (std::isnan(a) && std::isnan(b))) << text;
                }
            }
            EXPECT_TRUE(trip.warnings.empty()) << text;
        }
    }
    // Numbers with a decimal point, as pandas writes a column with gaps; a doubled quote in a word.
    const Trip floats = Parse(kMetricHeader + Row({{0, "1.0"}, {8, "50.0"}, {29, "\"Head\"\"lights, \"\"high\""}}));
    EXPECT_EQ(floats.time, (std::vector<double>{1}));
    EXPECT_EQ(floats.Values(Series::Speed), (std::vector<double>{50}));
}

TEST(TripCsv, ALastRowCutShortIsLeftOutWithAWarning) {
    const std::string whole = kMetricHeader + kMetricRows;
    const std::size_t lastRow = whole.rfind('\n', whole.size() - 2) + 1;
    for (std::size_t end = lastRow + 1; end < whole.size() - 1; ++end) {
        const Trip trip = Parse(whole.substr(0, end));
        EXPECT_EQ(trip.Rows(), 3u) << whole.substr(lastRow, end - lastRow);
        ASSERT_EQ(trip.warnings.size(), 1u);
        EXPECT_EQ(trip.warnings[0].rfind("trip.csv:5: the last row is cut short and left out (", 0), 0u)
            << trip.warnings[0];
    }
    const std::string quote = kMetricHeader + Row({{0, "1"}}) + Row({{0, "2"}, {27, "\"Den"}});
    EXPECT_EQ(Parse(quote.substr(0, quote.find("Den") + 3)).warnings,
              (std::vector<std::string>{"trip.csv:3: the last row is cut short and left out (column 28 (EV Mode) "
                                        "holds '\"Den', a quoted cell whose quotes do not pair up)"}));
    // Only the very last line can have been cut; a short row before it is broken.
    EXPECT_EQ(ErrorOf(kMetricHeader + "1,2,3" + "\n" + Row({{0, "5"}})),
              "trip.csv:2: the row has 3 cells, expected 35");
}

TEST(TripCsv, ReadsPacketNumbersInExponentForm) {
    // From one million on the converter writes Time with six significant digits, so neighbouring
    // packets can share a number.
    Trip trip = Parse(kMetricHeader + Row({{0, "999999"}, {8, "10"}}) + Row({{0, "1e+06"}, {8, "11"}}) +
                      Row({{0, "1e+06"}, {8, "12"}}) + Row({{0, "1.00001e+06"}, {8, "13"}}));
    EXPECT_EQ(trip.time, (std::vector<double>{999999, 1e6, 1e6, 1000010}));
}

TEST(TripCsv, AnEmptyFileIsAnError) {
    EXPECT_EQ(ErrorOf(""), "trip.csv is empty; expected a CSV written by drovane2csv");
    EXPECT_EQ(ErrorOf("\n\r\n"), "trip.csv is empty; expected a CSV written by drovane2csv");
}

TEST(TripCsv, AHeaderWithoutRowsIsAnError) {
    EXPECT_EQ(ErrorOf(kMetricHeader), "trip.csv has the header row but no data rows");
    EXPECT_EQ(ErrorOf(kUSHeader + "\n"), "trip.csv has the header row but no data rows");
}

TEST(TripCsv, AWrongHeaderIsAnError) {
    EXPECT_EQ(ErrorOf("Time,Speed\n1,2\n"),
              "trip.csv:1: not a drovane2csv CSV: the header row has 2 cells, expected 35 headings");
    std::string renamed = kMetricHeader;
    renamed.replace(renamed.find("\"Speed (km/h)\""), 14, "\"Speed (kmh)\"");
    EXPECT_EQ(ErrorOf(renamed + kMetricRows),
              "trip.csv:1: not a drovane2csv CSV: header cell 9 is '\"Speed (kmh)\"', expected \"Speed (km/h)\" or "
              "\"Speed (mph)\"");
    // A data row where the header belongs.
    EXPECT_NE(ErrorOf(kMetricRows).find("trip.csv:1: not a drovane2csv CSV: header cell 1 is '1'"), std::string::npos);
}

TEST(TripCsv, AHeaderMixingMetricAndUSIsAnError) {
    std::string mixed = kMetricHeader;
    mixed.replace(mixed.find("\"iKM/L\""), 7, "\"iMPG\"");
    EXPECT_EQ(ErrorOf(mixed + kMetricRows),
              "trip.csv:1: not a drovane2csv CSV: the header mixes metric and US headings (\"Min Batt Temp C\" and "
              "\"iMPG\")");
}

TEST(TripCsv, ARowWithAWrongCellCountIsAnError) {
    std::string shortRow = Row({{0, "3"}});
    shortRow.erase(shortRow.find(','), 1);
    EXPECT_EQ(ErrorOf(kMetricHeader + Row({{0, "1"}}) + shortRow), "trip.csv:3: the row has 34 cells, expected 35");
    EXPECT_EQ(ErrorOf(kMetricHeader + "1," + Row({{0, "1"}})), "trip.csv:2: the row has 36 cells, expected 35");
    EXPECT_EQ(ErrorOf(kMetricHeader + "7\n"), "trip.csv:2: the row has 1 cell, expected 35");
}

TEST(TripCsv, NonNumericCellsAreErrors) {
    EXPECT_EQ(ErrorOf(kMetricHeader + Row({{0, "1"}, {3, "abc"}})),
              "trip.csv:2: column 4 (Amps) holds 'abc', which is not a number");
    for (const char* bad : {"nan", "inf", "-inf", "1.2.3", " 5", "5 ", "0x10", "12km", "+"}) {
        std::string error = ErrorOf(kMetricHeader + Row({{0, "1"}, {8, bad}}));
        EXPECT_NE(error.find("trip.csv:2: column 9 (Speed (km/h)) holds"), std::string::npos) << bad;
        EXPECT_NE(error.find("which is not a number"), std::string::npos) << bad;
    }
    EXPECT_EQ(ErrorOf(kUSHeader + Row({{0, "1"}, {34, "x"}})),
              "trip.csv:2: column 35 (iMPG) holds 'x', which is not a number");
    EXPECT_EQ(ErrorOf(kMetricHeader + Row({{0, "one"}})),
              "trip.csv:2: column 1 (Time) holds 'one', which is not a number");
}

TEST(TripCsv, WordColumnsHoldWordsQuotedOrNot) {
    EXPECT_EQ(Parse(kMetricHeader + Row({{0, "1"}, {27, "EV"}})).evMode, (std::vector<EvMode>{EvMode::EV}));
    EXPECT_EQ(ErrorOf(kMetricHeader + Row({{0, "1"}, {26, "\"D"}})),
              "trip.csv:2: column 27 (Shifter) holds '\"D,,,,,,,,', a quoted cell whose quotes do not pair up");
    EXPECT_NE(ErrorOf(kMetricHeader + Row({{0, "1"}, {29, "\"a\"b\""}})).find("column 30 (Lights)"), std::string::npos);
    EXPECT_EQ(Parse(kMetricHeader + Row({{0, "1"}, {26, "\"\""}, {27, "\"Cancel\""}, {29, "\"HighBeams\""}})).Rows(),
              1u);
}

TEST(TripCsv, EveryRowNeedsItsPacketNumberInOrder) {
    EXPECT_EQ(ErrorOf(kMetricHeader + Row({{8, "5"}})),
              "trip.csv:2: the Time cell is empty; every row needs its packet number");
    EXPECT_EQ(ErrorOf(kMetricHeader + Row({{0, "7"}}) + Row({{0, "5"}})),
              "trip.csv:3: packet 5 comes after packet 7; rows must be in packet order");
}

TEST(TripCsv, ErrorsStayOnOneLineWhateverTheCellHolds) {
    std::string error = ErrorOf(kMetricHeader + Row({{0, "1"}, {3, std::string("a\rb\x01") + std::string(100, 'z')}}));
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(error.find('\r'), std::string::npos);
    EXPECT_NE(error.find("'a?b?zzz"), std::string::npos);
    EXPECT_NE(error.find("...'"), std::string::npos);
}

TEST(TripCsv, AFolderIsAnError) {
    try {
        ReadTripFile("/");
        FAIL() << "no error";
    } catch (const InputError& e) {
        EXPECT_STREQ(e.what(), "/ is a folder, not a CSV file");
    }
}

TEST(TripCsv, AMissingFileIsAnError) {
    try {
        ReadTripFile("/nonexistent/dir/trip.csv");
        FAIL() << "no error";
    } catch (const InputError& e) {
        EXPECT_STREQ(e.what(), "cannot open /nonexistent/dir/trip.csv for reading: No such file or directory");
    }
}

}  // namespace
}  // namespace drovane::plot
