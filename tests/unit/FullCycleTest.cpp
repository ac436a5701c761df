#include <gtest/gtest.h>

#include "convert/Conversion.h"
#include "support/LogBuilder.h"

namespace drovane {
namespace {

constexpr const char* kMetricHeader =
    "\"Time\",\"Voltage\",\"SOC %\",\"Amps\",\"Max Charge Current\",\"Max Discharge Current\","
    "\"Min Batt Temp C\",\"Max Batt Temp C\",\"Speed (km/h)\",\"Speedometer\",\"Speed Related\","
    "\"FL Wheel\",\"FR Wheel\",\"RL Wheel\",\"RR Wheel\",\"ICE RPM\",\"ICE Temp C\",\"Coolant Temp C\","
    "\"Side Accel\",\"Side Accel1\",\"Fwd Accel\",\"Fwd Accel2\",\"Steering\",\"Gas Pedal\",\"Brake Pedal\","
    "\"Brake Pressed\",\"Shifter\",\"EV Mode\",\"Cruise Control\",\"Lights\",\"Fuel Inj\",\"Fuel Flow (L/hr)\","
    "\"VVTi\",\"Gas Gauge\",\"iKM/L\"\n";

constexpr const char* kUsHeader =
    "\"Time\",\"Voltage\",\"SOC %\",\"Amps\",\"Max Charge Current\",\"Max Discharge Current\","
    "\"Min Batt Temp F\",\"Max Batt Temp F\",\"Speed (mph)\",\"Speedometer\",\"Speed Related\","
    "\"FL Wheel\",\"FR Wheel\",\"RL Wheel\",\"RR Wheel\",\"ICE RPM\",\"ICE Temp F\",\"Coolant Temp F\","
    "\"Side Accel\",\"Side Accel1\",\"Fwd Accel\",\"Fwd Accel2\",\"Steering\",\"Gas Pedal\",\"Brake Pedal\","
    "\"Brake Pressed\",\"Shifter\",\"EV Mode\",\"Cruise Control\",\"Lights\",\"Fuel Inj\",\"Fuel Flow (G/hr)\","
    "\"VVTi\",\"Gas Gauge\",\"iMPG\"\n";

TEST(FullCycle, EveryColumnFilledInMetric) {
    RunOptions options;
    auto result = ConvertBytes(test::LogBuilder().FullCycle().Text(), options);
    EXPECT_EQ(result.csv, std::string(kMetricHeader) +
                              "1,300,60,0.1,40,-20,25,30,62.5,62,258,60.1,60,59.8,59.9,1024,90,91,16,-16,5,-5,10,"
                              "40,101,0,\"D\",\"EV\",1,\"Headlights\",300,2.5,16,75,25\n");
    EXPECT_EQ(result.diagnostics, "");
}

TEST(FullCycle, UsUnitsChangeHeadingsAndConvertedColumnsOnly) {
    RunOptions options;
    options.units = UnitSystem::US;
    auto result = ConvertBytes(test::LogBuilder().FullCycle().Text(), options);
    // Speeds x 0.621371 unrounded, the speedometer rounded, temperatures in whole degrees F,
    // fuel in US gallons per hour to 0.01, and the economy in miles per gallon.
    EXPECT_EQ(result.csv, std::string(kUsHeader) +
                              "1,300,60,0.1,40,-20,77,86,38.8357,39,258,37.3444,37.2823,37.158,37.2201,1024,194,"
                              "195,16,-16,5,-5,10,40,101,0,\"D\",\"EV\",1,\"Headlights\",300,0.66,16,75,58.8\n");
}

TEST(FullCycle, UkConvertsExactlyLikeMetric) {
    RunOptions metric;
    RunOptions uk;
    uk.units = UnitSystem::UK;
    std::string log = test::LogBuilder().FullCycle().FullCycle().Text();
    EXPECT_EQ(ConvertBytes(log, uk).csv, ConvertBytes(log, metric).csv);
}

}  // namespace
}  // namespace drovane
