#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "DecodeHarness.h"
#include "convert/Conversion.h"
#include "decode/MessageRules.h"
#include "decode/NumericConversions.h"
#include "support/LogBuilder.h"

namespace drovane {
namespace {

using test::DecodeHarness;
using test::Options;
using test::PrintfGeneral;

constexpr std::uint32_t kTrace = RunOptions::kFieldTraceFlag;
constexpr const char* kRangeWarning = "*** WARNING: bad data, field out of range, ";

// "Name = text" items separated by '|' as the field trace prints them; a leading '!' marks a value
// the range check rejects.
std::string Expected(const std::string& items) {
    std::string text;
    std::istringstream in(items);
    for (std::string item; std::getline(in, item, '|');) {
        text += item[0] == '!' ? kRangeWarning + item.substr(1) : "--- " + item;
        text += '\n';
    }
    return text;
}

// What one record stores, as the field trace and range warnings tell it (the hex dump dropped).
std::string Stores(UnitSystem units, std::uint16_t id, std::vector<std::uint8_t> data) {
    DecodeHarness run(Options(units, kTrace));
    run.Decode(id, data);
    std::string text = run.TakeDiagnostics();
    return text.substr(text.find('\n') + 1);
}

struct StoreCase {
    UnitSystem units;  // Metric cases are checked in UK units too
    std::uint16_t id;
    std::vector<std::uint8_t> data;
    const char* stores;
};

constexpr UnitSystem M = UnitSystem::Metric;
constexpr UnitSystem US = UnitSystem::US;

const StoreCase kStoreCases[] = {
    {M, 0x022, {0x02, 0x00, 0x00, 0x00}, "Side Accel = 0|Side Accel1 = -512"},
    {M, 0x022, {0x04, 0x00, 0x04, 0x01}, "Side Accel = 512|!Side Accel1 = 513"},
    {M, 0x022, {0xFF, 0xFF, 0x00, 0x01}, "!Side Accel = 65023|Side Accel1 = -511"},
    {M, 0x023, {0x01, 0xFF, 0x02, 0x01}, "Fwd Accel = -1|Fwd Accel2 = 1"},
    {M, 0x025, {0x0F, 0xFF, 0x00, 0x01}, "Steering = -2"},
    {M, 0x025, {0x00, 0x05, 0x0F, 0xFB}, "Steering = 10"},
    {M, 0x025, {0x03, 0xE8, 0x00, 0x00}, "Steering = 1000"},
    {M, 0x025, {0x00, 0x00, 0x03, 0xE9}, "!Steering = -1001"},
    // The difference is not cut back to 16 bits.
    {M, 0x025, {0x70, 0x00, 0x80, 0x00}, "!Steering = 61440"},
    {M, 0x030, {0x80, 0, 0, 0, 128}, "Brake Pedal = 101|Brake Pressed = 0"},
    {M, 0x030, {0x7F, 0, 0, 0, 161}, "Brake Pedal = 127|Brake Pressed = 1"},
    {M, 0x030, {0xFF, 0, 0, 0, 162}, "!Brake Pedal = 128|Brake Pressed = 0"},
    {M, 0x038, {0, 25}, "Fuel Flow (L/hr) = 2.5"},
    {US, 0x038, {0, 25}, "Fuel Flow (G/hr) = 0.66"},
    {M, 0x038, {0, 1}, "Fuel Flow (L/hr) = 0.1"},
    {US, 0x038, {0, 1}, "Fuel Flow (G/hr) = 0.03"},
    {US, 0x038, {0, 255}, "Fuel Flow (G/hr) = 6.74"},
    {M, 0x039, {90}, "ICE Temp C = 90"},
    {US, 0x039, {90}, "ICE Temp F = 194"},
    {US, 0x039, {148}, "ICE Temp F = 298"},
    {US, 0x039, {149}, "!ICE Temp F = 300"},
    {M, 0x03B, {0x0F, 0xFF, 0x01, 0x2C}, "Amps = 0.1|Voltage = 300"},
    {M, 0x03B, {0x00, 0x00, 0x00, 0x63}, "Amps = 0|!Voltage = 99"},
    {M, 0x03B, {0x07, 0xD0, 0x01, 0x90}, "Amps = -200|Voltage = 400"},
    {M, 0x03B, {0x08, 0x00, 0x01, 0x91}, "!Amps = 204.8|!Voltage = 401"},
    // Negated as an integer: -(-32768) does not wrap; the voltage is unsigned.
    {M, 0x03B, {0x80, 0x00, 0xFF, 0xFF}, "!Amps = 3276.8|!Voltage = 65535"},
    {M, 0x0B1, {0x17, 0x70, 0x17, 0x7A}, "FL Wheel = 60.1|FR Wheel = 60"},
    {US, 0x0B1, {0x17, 0x70, 0x17, 0x7A}, "FL Wheel = 37.3444|FR Wheel = 37.2823"},
    {US, 0x0B1, {0xFF, 0xFF, 0x80, 0x00}, "FL Wheel = -203.611|FR Wheel = -0.00621371"},
    {M, 0x0B3, {0x17, 0x66, 0x17, 0x5C}, "RL Wheel = 59.8|RR Wheel = 59.9"},
    {US, 0x0B3, {0x17, 0x66, 0x17, 0x5C}, "RL Wheel = 37.158|RR Wheel = 37.2201"},
    {M, 0x0B4, {0, 0, 0, 0, 0, 0x19, 0x00}, "Speed (km/h) = 62.5"},
    {US, 0x0B4, {0, 0, 0, 0, 0, 0x19, 0x00}, "Speed (mph) = 38.8357"},
    {M, 0x0B4, {0, 0, 0, 0, 0, 0x7F, 0xFF}, "!Speed (km/h) = 319.99"},
    {US, 0x0B4, {0, 0, 0, 0, 0, 0x7F, 0xFF}, "Speed (mph) = 198.833"},
    {M, 0x0B4, {0, 0, 0, 0, 0, 0xD7, 0x9A}, "Speed (km/h) = -100.996"},
    {M, 0x0B4, {0, 0, 0, 0, 0, 0xD7, 0x99}, "!Speed (km/h) = -101.006"},
    {M, 0x0B4, {0, 0, 0, 0, 0, 0x64, 0x67}, "!Speed (km/h) = 251.006"},
    {M, 0x0B4, {0, 0, 0, 0, 0, 0xFF, 0xFF}, "Speed (km/h) = -0.00976562"},
    {M, 0x244, {0, 0, 0, 0, 0x01, 0x02, 40}, "Gas Pedal = 40|Speed Related = 258"},
    {M, 0x244, {0, 0, 0, 0, 0xD8, 0xF0, 255}, "Gas Pedal = 255|Speed Related = -10000"},
    {M, 0x244, {0, 0, 0, 0, 0xD8, 0xEF, 0}, "Gas Pedal = 0|!Speed Related = -10001"},
    {US, 0x244, {0, 0, 0, 0, 0x7F, 0xFF, 0}, "Gas Pedal = 0|Speed Related = 32767"},
    {M, 0x3C8, {0, 0, 0x20, 0x00}, "ICE RPM = 1024"},
    {M, 0x3C8, {0, 0, 0x00, 0x01}, "!ICE RPM = 8192"},
    {M, 0x3C8, {0, 0, 0xFA, 0x00}, "ICE RPM = 8000"},
    {M, 0x3C8, {0, 0, 0xFF, 0xFF}, "!ICE RPM = 2.09712e+06"},
    {M, 0x3CA, {0, 0, 100}, "Speedometer = 100"},
    {US, 0x3CA, {0, 0, 100}, "Speedometer = 62"},
    {M, 0x3CA, {0, 0, 151}, "!Speedometer = 151"},
    {US, 0x3CA, {0, 0, 242}, "Speedometer = 150"},
    {US, 0x3CA, {0, 0, 243}, "!Speedometer = 151"},
    {M,
     0x3CB,
     {0x14, 0x28, 0x00, 0x78, 0x1E, 0x19},
     "SOC % = 60|Max Charge Current = 40|Max Discharge Current = -20|Min Batt Temp C = 25|Max Batt Temp C = 30"},
    {US,
     0x3CB,
     {0x14, 0x28, 0x00, 0x78, 0x1E, 0x19},
     "SOC % = 60|Max Charge Current = 40|Max Discharge Current = -20|Min Batt Temp F = 77|Max Batt Temp F = 86"},
    {M,
     0x3CB,
     {0x00, 0xC9, 0x00, 0xC9, 0x00, 0x00},
     "SOC % = 100.5|!Max Charge Current = 201|Max Discharge Current = 0|Min Batt Temp C = 0|Max Batt Temp C = 0"},
    {M,
     0x3CB,
     {0xC9, 0x00, 0x00, 0xCA, 0xFF, 0xFA},
     "!SOC % = 101|Max Charge Current = 0|!Max Discharge Current = -201|Min Batt Temp C = 250|!Max Batt Temp C = 255"},
    {US,
     0x3CB,
     {0, 0, 0, 0, 0, 0},
     "SOC % = 0|Max Charge Current = 0|Max Discharge Current = 0|"
     "Min Batt Temp F = 32|Max Batt Temp F = 32"},
    {M, 0x520, {0, 0x7F, 0xFF}, "Fuel Inj = 32767"},
    {M, 0x520, {0, 0x80, 0x00}, "!Fuel Inj = 32768"},
    {M, 0x526, {0, 0x41}, "VVTi = 16"},
    {M, 0x526, {0, 0x00}, "VVTi = -16"},
    {M, 0x526, {0, 0xFF}, "VVTi = 111"},
    {M, 0x526, {0, 0x21}, "VVTi = 0"},
    {M, 0x52C, {0, 181}, "Coolant Temp C = 91"},
    {US, 0x52C, {0, 181}, "Coolant Temp F = 195"},
    {M, 0x52C, {0, 5}, "Coolant Temp C = 3"},
    {US, 0x52C, {0, 5}, "Coolant Temp F = 37"},
    {US, 0x52C, {0, 255}, "Coolant Temp F = 262"},
    {M, 0x5A4, {0, 100}, "Gas Gauge = 100"},
    {M, 0x5A4, {0, 101}, "!Gas Gauge = 101"},
    {M, 0x5C8, {0, 0, 0x10}, "Cruise Control = 1"},
    {M, 0x5C8, {0, 0, 0xEF}, "Cruise Control = 0"},
};

TEST(MessageDecoder, DecodingTableEdges) {
    for (const StoreCase& c : kStoreCases) {
        std::string expected = Expected(c.stores);
        EXPECT_EQ(Stores(c.units, c.id, c.data), expected) << std::hex << "id 0x" << c.id;
        if (c.units == M) {
            EXPECT_EQ(Stores(UnitSystem::UK, c.id, c.data), expected) << std::hex << "UK id 0x" << c.id;
        }
    }
}

// The 39 known identifiers without rules store nothing, whatever their bytes.
TEST(MessageDecoder, OtherKnownIdentifiersStoreNothing) {
    const std::set<std::uint16_t> decoded = {0x022, 0x023, 0x025, 0x030, 0x038, 0x039, 0x03B, 0x0B1,
                                             0x0B3, 0x0B4, 0x244, 0x3C8, 0x3CA, 0x3CB, 0x520, 0x526,
                                             0x529, 0x52C, 0x540, 0x56D, 0x57F, 0x5A4, 0x5C8};
    int others = 0;
    for (const auto& entry : KnownMessageTable::Entries()) {
        if (decoded.contains(entry.identifier)) continue;
        ++others;
        DecodeHarness run(Options(UnitSystem::US, kTrace));
        run.Decode(entry.identifier, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        std::string text = run.TakeDiagnostics();
        EXPECT_EQ(text.find('\n'), text.size() - 1) << std::hex << "only the dump for 0x" << entry.identifier;
        EXPECT_EQ(run.fields.ValidBesidesTime(), 0);
    }
    EXPECT_EQ(others, 39);
}

TEST(MessageDecoder, WordsCompareTheWholeByte) {
    struct WordColumn {
        std::uint16_t id;
        std::size_t byte;
        int column;
        std::map<int, std::string> words;
        std::string otherwise;
    };
    const WordColumn wordColumns[] = {
        {0x529, 4, 27, {{0x00, "N"}, {0x40, "EV"}, {0x80, "Denied"}}, "Cancel"},
        {0x540, 1, 26, {{0x00, "B"}, {0x10, "D"}, {0x20, "N"}, {0x40, "R"}, {0x80, "P"}}, ""},
        {0x57F, 1, 29, {{0x00, "Off"}, {0x10, "Parking"}, {0x30, "Headlights"}, {0x38, "HighBeams"}}, ""},
    };
    for (const auto& w : wordColumns) {
        DecodeHarness run(Options(UnitSystem::US, kTrace));
        for (int value = 0; value <= 0xFF; ++value) {
            std::uint8_t data[8] = {};
            data[w.byte] = static_cast<std::uint8_t>(value);
            run.fields.ClearValidFlags();
            run.Decode(w.id, {data[0], data[1], data[2], data[3], data[4], data[5], data[6], data[7]});
            auto found = w.words.find(value);
            std::string word = found != w.words.end() ? found->second : w.otherwise;
            EXPECT_EQ(run.Cell(w.column), "\"" + word + "\"") << std::hex << w.id << " " << value;
            std::string trace = run.TakeDiagnostics();
            EXPECT_EQ(trace.substr(trace.find('\n') + 1),
                      "--- " + run.fields.Entry(w.column).name + " = " + word + "\n");
        }
    }
}

// The speed, wheel, amps and fuel readings for every raw value, against the arithmetic in the order
// written: the remembered values bit for bit, the cells as "%1g" prints them, never "-0". Every raw
// value comes twice: the second time the speeds' texts are found again by the raw value.
TEST(MessageDecoder, EveryRawReadingInBothUnitSystems) {
    for (UnitSystem units : {UnitSystem::Metric, UnitSystem::US}) {
        DecodeHarness run(Options(units));
        const bool us = units == UnitSystem::US;
        auto expectCell = [&](int column, double value, int min, int max, int raw) {
            bool inRange = static_cast<int>(value) >= min && static_cast<int>(value) <= max;
            ASSERT_EQ(run.Cell(column), inRange ? PrintfGeneral(value) : "<invalid>") << column << " raw " << raw;
            ASSERT_NE(run.Cell(column), "-0");
        };
        for (int pass = 0; pass < 2 * 0x10000; ++pass) {
            int raw = pass & 0xFFFF;
            auto high = static_cast<std::uint8_t>(raw >> 8);
            auto low = static_cast<std::uint8_t>(raw & 0xFF);
            auto s16 = static_cast<std::int16_t>(raw);
            run.fields.ClearValidFlags();

            run.Decode(0x0B4, {0, 0, 0, 0, 0, high, low});
            double speed = s16 * std::ldexp(1.0, -10) * 10;
            if (us) speed = speed * 0.621371;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(run.decoder.Memory().lastSpeed), std::bit_cast<std::uint64_t>(speed))
                << "raw " << raw;
            expectCell(8, speed, -100, 250, raw);

            run.Decode(0x0B1, {high, low, high, low});
            double wheel = s16 / 100.0;
            if (us) wheel = wheel * 0.621371;
            expectCell(11, wheel, -10000, 32767, raw);
            expectCell(12, wheel, -10000, 32767, raw);

            run.Decode(0x03B, {high, low, 0x01, 0x2C});
            int twelveBit = (raw & 0x0800) != 0 ? static_cast<std::int16_t>(raw | 0xF000) : s16;
            expectCell(3, -twelveBit * 0.1, -200, 200, raw);
            if (HasFatalFailure()) return;
        }
        for (int byte = 0; byte <= 0xFF; ++byte) {
            run.fields.ClearValidFlags();
            run.Decode(0x038, {0, static_cast<std::uint8_t>(byte)});
            double flow = us ? byte * 0.264172052 : byte;
            flow = RoundToStep(flow / 10, 0.01);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(run.decoder.Memory().lastFuelFlow),
                      std::bit_cast<std::uint64_t>(flow))
                << "byte " << byte;
            expectCell(31, flow, 0, 255, byte);
            if (HasFatalFailure()) return;
        }
    }
}

// The economy from remembered values; a rejected speed is remembered all the same.
TEST(MessageDecoder, FuelEconomyFromTheRememberedSpeedAndFlow) {
    struct Step {
        int speedRaw;  // S16 of 0x0B4, or -1 for no speed record
        int flowByte;  // D1 of 0x038, or -1 for no fuel record
        const char* economy;
    };
    const Step metric[] = {
        {-1, -1, "0"},       {0x1900, -1, "999.9"}, {0x0000, 0, "0"},   {0xFB00, 0, "0"},
        {0x0000, 25, "0"},   {0x1900, 25, "25"},    {0xFB00, 25, "-5"}, {0x1900, 7, "89.3"},
        {0x7FFF, 25, "128"}, {0xFFFF, 255, "0"},    {0x1900, 1, "625"}, {-1, 24, "26"},
    };
    DecodeHarness run(Options(UnitSystem::Metric, kTrace));
    for (const Step& step : metric) {
        if (step.speedRaw >= 0) {
            run.Decode(0x0B4, {0, 0, 0, 0, 0, static_cast<std::uint8_t>(step.speedRaw >> 8),
                               static_cast<std::uint8_t>(step.speedRaw)});
        }
        if (step.flowByte >= 0) run.Decode(0x038, {0, static_cast<std::uint8_t>(step.flowByte)});
        run.TakeDiagnostics();
        run.Decode(0x56D, {0xFF, 0xFF, 0xFF, 0xFF});
        EXPECT_EQ(run.TakeDiagnostics(), "056D: FF FF FF FF\n--- iKM/L = " + std::string(step.economy) + "\n")
            << step.speedRaw << " " << step.flowByte;
    }

    DecodeHarness us(Options(UnitSystem::US));
    us.Decode(0x0B4, {0, 0, 0, 0, 0, 0x19, 0x00});
    us.Decode(0x038, {0, 25});
    us.Decode(0x56D, {});
    EXPECT_EQ(us.Cell(34), "58.8");
    EXPECT_EQ(us.fields.Entry(34).name, "iMPG");
}

// The remembered values belong to the run: they outlive packets, hunting and junk, and a new run
// starts from 0.
TEST(MessageDecoder, RememberedValuesCarryOverWithinARunOnly) {
    test::LogBuilder log;
    log.Record(0x020).Record(0x038, {0, 25}).Record(0x0B4, {0, 0, 0, 0, 0, 0x19, 0x00}).Record(0x56D);
    log.Junk(900).Record(0x020).Record(0x0B4, {0, 0, 0, 0, 0, 0x32, 0x00}).Record(0x56D);
    log.Junk(30).Record(0x020).Record(0x038, {0, 0}).Record(0x56D);
    log.Record(0x020).Record(0x0B4, {0, 0, 0, 0, 0, 0x7F, 0xFF}).Record(0x038, {0, 25}).Record(0x56D);
    auto economies = [](const std::string& diagnostics) {
        std::string found;
        std::istringstream lines(diagnostics);
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("--- iKM/L = ")) found += line.substr(12) + "|";
        }
        return found;
    };
    RunOptions options = Options(UnitSystem::Metric, kTrace);
    EXPECT_EQ(economies(ConvertBytes(log.Text(), options).diagnostics), "25|50|999.9|128|");
    std::string fresh = test::LogBuilder().Record(0x020).Record(0x56D).Text();
    EXPECT_EQ(economies(ConvertBytes(fresh, options).diagnostics), "0|");
}

TEST(MessageDecoder, HexDumpComesFirstWithTheRecordsOwnLength) {
    struct Case {
        std::uint32_t flags;
        std::uint16_t id;
        std::vector<std::uint8_t> data;
        int length;
        const char* diagnostics;
    };
    const Case cases[] = {
        {0, 0x03B, {0x0F, 0xFF, 0x01, 0x2C}, -1, ""},
        {RunOptions::kHexDumpFlag, 0x03B, {0x0F, 0xFF, 0x01, 0x2C}, -1, "003B: 0F FF 01 2C 00\n"},
        {kTrace, 0x03B, {0x0F, 0xFF, 0x01, 0x2C}, -1, "003B: 0F FF 01 2C 00\n--- Amps = 0.1\n--- Voltage = 300\n"},
        {3, 0x03B, {0x0F, 0xFF, 0x01, 0x2C}, -1, "003B: 0F FF 01 2C 00\n--- Amps = 0.1\n--- Voltage = 300\n"},
        {kTrace, 0x5C8, {0xAB, 0xCD, 0xEF, 0x01}, -1, "05C8: AB CD EF\n--- Cruise Control = 0\n"},
        {kTrace, 0x022, {0x02, 0x00, 0x02, 0x0A, 0x5A}, 2, "0022: 02 00\n--- Side Accel = 0\n--- Side Accel1 = 10\n"},
        {kTrace, 0x0C9, {1, 2, 3, 4, 5, 6, 7, 8}, -1, "00C9: 01 02 03 04 05\n"},
        {kTrace, 0x4C1, {0xF0, 0x0F, 0x10, 0x01, 0x9A, 0xA9, 0xFE, 0xEF}, -1, "04C1: F0 0F 10 01 9A A9 FE EF\n"},
        {RunOptions::kHexDumpFlag, 0x423, {0x7F}, -1, "0423: 7F\n"},
        // All 16 bits of the identifier count.
        {kTrace, 0x8022, {0x02, 0x00, 0x02, 0x00}, 4, "8022: 02 00 02 00\n"},
        {kTrace, 0x1526, {0x00, 0x41}, 2, "1526: 00 41\n"},
        {kTrace,
         0x030,
         {0x80, 0, 0, 0, 255},
         -1,
         "0030: 80 00 00 00 FF 00 00 00\n*** WARNING: bad data, field out of range, Brake Pedal = 201\n"
         "--- Brake Pressed = 0\n"},
    };
    for (const Case& c : cases) {
        DecodeHarness run(Options(UnitSystem::Metric, c.flags));
        run.Decode(c.id, c.data, c.length);
        EXPECT_EQ(run.TakeDiagnostics(), c.diagnostics) << std::hex << "id 0x" << c.id << " flags " << c.flags;
    }
}

// Each rule's shape: its identifier leads to it, it stores into its columns only (into all of
// them when nothing is out of range), and the data bits outside its shape change nothing. A
// record that repeats the shaped bits of the last one is marked valid without running its rule,
// so a wrong shape would show as a wrong cell.
TEST(MessageRules, ShapesNameTheColumnsAndTheBitsEachRuleUses) {
    std::mt19937 random(11);
    std::uint64_t allColumns = 0;
    for (int rule = 1; rule < kRuleCount; ++rule) {
        const MessageRuleShape& shape = kRuleShapes[rule];
        EXPECT_EQ(RuleOfIdentifier(shape.id), rule);
        EXPECT_NE(KnownMessageTable::LengthOf(shape.id), 0) << shape.id;
        EXPECT_EQ(allColumns & shape.columns, 0u) << "no two rules store into one column";
        allColumns |= shape.columns;
        for (int round = 0; round < 3000; ++round) {
            UnitSystem units = round % 2 == 0 ? UnitSystem::Metric : UnitSystem::US;
            std::vector<std::uint8_t> data(8);
            for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
            std::vector<std::uint8_t> other = data;
            for (int i = 0; i < 8; ++i) {
                auto outside = static_cast<std::uint8_t>(~(shape.dataBits >> (8 * i)));
                other[i] = static_cast<std::uint8_t>((data[i] & ~outside) | (random() & outside));
            }
            DecodeHarness first(Options(units, kTrace));
            DecodeHarness second(Options(units, kTrace));
            first.Decode(shape.id, data);
            second.Decode(shape.id, other);
            std::string firstStores = first.TakeDiagnostics();
            std::string secondStores = second.TakeDiagnostics();
            firstStores.erase(0, firstStores.find('\n'));  // the hex dumps differ
            secondStores.erase(0, secondStores.find('\n'));
            ASSERT_EQ(firstStores, secondStores) << "rule " << rule;
            std::uint64_t valid = first.fields.ValidColumns();
            ASSERT_EQ(valid & ~shape.columns, 0u) << "rule " << rule;
            if (firstStores.find("WARNING") == std::string::npos) {
                ASSERT_EQ(valid, shape.columns) << "rule " << rule;
            }
        }
    }
    EXPECT_EQ(allColumns, (std::uint64_t{1} << kColumnCount) - 2) << "every column but Time";
}

// A cycle decoded together, its rules run in rule order when it settles, ends as decoding each
// message as it comes does: the same cells, valid columns, remembered values and warnings, in
// the order of their messages. The cycles come in random order, repeat rules and messages (the
// repeat check), put the economy before or after the speed and fuel flow, and reject values.
TEST(MessageDecoder, ACycleDecodedTogetherEndsAsDecodedMessageByMessage) {
    std::mt19937 random(5);
    for (UnitSystem units : {UnitSystem::Metric, UnitSystem::US}) {
        DecodeHarness asTheyCome(Options(units));
        DecodeHarness together(Options(units));
        // A few data variants for each rule, so that messages repeat and values get rejected.
        std::vector<std::array<std::uint8_t, 8>> variants(kRuleCount * 3);
        for (auto& data : variants) {
            for (auto& byte : data) byte = static_cast<std::uint8_t>(random() % 4 == 0 ? 0xFF : random() % 40);
        }
        for (int cycle = 0; cycle < 4000; ++cycle) {
            int messages = static_cast<int>(random() % 30);
            for (int i = 0; i < messages; ++i) {
                auto rule = static_cast<int>(random() % kRuleCount);  // 0: a message without a rule
                std::uint16_t id = rule == 0 ? 0x0C9 : kRuleShapes[static_cast<std::size_t>(rule)].id;
                const std::uint8_t* data = variants[static_cast<std::size_t>(rule) * 3 + random() % 3].data();
                asTheyCome.decoder.DecodeMessage(id, 8, data);
                together.decoder.DecodeInCycle(id, 8, data);
            }
            together.decoder.Settle();
            ASSERT_EQ(together.TakeDiagnostics(), asTheyCome.TakeDiagnostics()) << "cycle " << cycle;
            ASSERT_EQ(together.fields.ValidColumns(), asTheyCome.fields.ValidColumns()) << "cycle " << cycle;
            for (int column = 0; column < kColumnCount; ++column) {
                ASSERT_EQ(together.fields.Entry(column).Value(), asTheyCome.fields.Entry(column).Value())
                    << "cycle " << cycle << " column " << column;
            }
            ASSERT_EQ(std::bit_cast<std::uint64_t>(together.decoder.Memory().lastSpeed),
                      std::bit_cast<std::uint64_t>(asTheyCome.decoder.Memory().lastSpeed));
            ASSERT_EQ(std::bit_cast<std::uint64_t>(together.decoder.Memory().lastFuelFlow),
                      std::bit_cast<std::uint64_t>(asTheyCome.decoder.Memory().lastFuelFlow));
            together.fields.ClearValidFlags();
            asTheyCome.fields.ClearValidFlags();
        }
    }
}

}  // namespace
}  // namespace drovane
