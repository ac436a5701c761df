// The truth decoder is the yardstick of every round trip, so it is held to the worked examples of
// the log format here, byte for byte, in both unit systems.
#include <gtest/gtest.h>

#include <initializer_list>

#include "KnownMessages.h"
#include "TruthDecoder.h"
#include "tools/reference/PlainRules.h"

namespace drovane::synth {
namespace {

using namespace truth;

SynthRecord Record(std::uint16_t id, std::initializer_list<std::uint8_t> data) {
    SynthRecord record;
    record.bytes[0] = static_cast<std::uint8_t>(id >> 8);
    record.bytes[1] = static_cast<std::uint8_t>(id & 0xFF);
    record.bytes[2] = KnownLength(id);
    int index = 0;
    for (std::uint8_t byte : data) record.Data(index++) = byte;
    return record;
}

std::string Decoded(UnitSystem units, const SynthRecord& record, int column) {
    TruthDecoder decoder(units);
    decoder.Decode(record);
    return decoder.CellText(column);
}

TEST(TruthDecoderTest, SignedAndUnsignedReadings) {
    const auto side = Record(0x022, {0x02, 0x00, 0x00, 0x00});
    EXPECT_EQ(Decoded(UnitSystem::Metric, side, kSideAccel), "0");
    EXPECT_EQ(Decoded(UnitSystem::Metric, side, kSideAccel1), "-512");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x025, {0x0F, 0xFF, 0x00, 0x01}), kSteering), "-2");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x025, {0x00, 0x05, 0x0F, 0xFB}), kSteering), "10");
    const auto battery = Record(0x03B, {0x0F, 0xFF, 0x01, 0x2C});
    EXPECT_EQ(Decoded(UnitSystem::Metric, battery, kAmps), "0.1");
    EXPECT_EQ(Decoded(UnitSystem::Metric, battery, kVoltage), "300");
    const auto soc = Record(0x3CB, {0x14, 0x28, 0x00, 0x78, 0x1E, 0x19});
    EXPECT_EQ(Decoded(UnitSystem::Metric, soc, kSoc), "60");
    EXPECT_EQ(Decoded(UnitSystem::Metric, soc, kMaxCharge), "40");
    EXPECT_EQ(Decoded(UnitSystem::Metric, soc, kMaxDischarge), "-20");
    EXPECT_EQ(Decoded(UnitSystem::Metric, soc, kMinBattTemp), "25");
    EXPECT_EQ(Decoded(UnitSystem::Metric, soc, kMaxBattTemp), "30");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x3C8, {0, 0, 0x20, 0x00}), kIceRpm), "1024");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x526, {0, 0x41}), kVvti), "16");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x526, {0, 0x00}), kVvti), "-16");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x526, {0, 0xFF}), kVvti), "111");
}

TEST(TruthDecoderTest, ScaledValuesInBothUnitSystems) {
    const auto brake = Record(0x030, {0x80, 0, 0, 0, 128});
    EXPECT_EQ(Decoded(UnitSystem::Metric, brake, kBrakePedal), "101");
    EXPECT_EQ(Decoded(UnitSystem::Metric, brake, kBrakePressed), "0");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x030, {0x7F}), kBrakePressed), "1");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x038, {0, 25}), kFuelFlow), "2.5");
    EXPECT_EQ(Decoded(UnitSystem::US, Record(0x038, {0, 25}), kFuelFlow), "0.66");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x038, {0, 1}), kFuelFlow), "0.1");
    EXPECT_EQ(Decoded(UnitSystem::US, Record(0x038, {0, 1}), kFuelFlow), "0.03");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x039, {90}), kIceTemp), "90");
    EXPECT_EQ(Decoded(UnitSystem::US, Record(0x039, {90}), kIceTemp), "194");
    const auto speed = Record(0x0B4, {0, 0, 0, 0, 0, 0x19, 0x00});
    EXPECT_EQ(Decoded(UnitSystem::Metric, speed, kSpeed), "62.5");
    EXPECT_EQ(Decoded(UnitSystem::US, speed, kSpeed), "38.8357");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x3CA, {0, 0, 100}), kSpeedometer), "100");
    EXPECT_EQ(Decoded(UnitSystem::US, Record(0x3CA, {0, 0, 100}), kSpeedometer), "62");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x52C, {0, 181}), kCoolantTemp), "91");
    EXPECT_EQ(Decoded(UnitSystem::US, Record(0x52C, {0, 181}), kCoolantTemp), "195");
}

TEST(TruthDecoderTest, WordsAreQuotedAndUnknownCodesHaveTheirFallback) {
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x529, {0, 0, 0, 0, 0x41}), kEvMode), "\"Cancel\"");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x540, {0, 0x08}), kShifter), "\"\"");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x540, {0, 0x40}), kShifter), "\"R\"");
    EXPECT_EQ(Decoded(UnitSystem::Metric, Record(0x57F, {0, 0x38}), kLights), "\"HighBeams\"");
}

TEST(TruthDecoderTest, EconomyUsesTheRememberedSpeedAndFuelFlow) {
    struct Case {
        std::uint8_t speedHigh;  // of 0x0B4: speed = high × 2.5 km/h
        std::uint8_t fuel;       // of 0x038, in 0.1 L/h
        const char* economy;
    };
    for (const Case& c : {Case{0, 0, "0"}, Case{0x19, 0, "999.9"}, Case{0, 25, "0"}, Case{0x19, 25, "25"}}) {
        TruthDecoder decoder(UnitSystem::Metric);
        decoder.Decode(Record(0x0B4, {0, 0, 0, 0, 0, c.speedHigh, 0}));
        decoder.Decode(Record(0x038, {0, c.fuel}));
        decoder.Decode(Record(0x56D, {}));
        EXPECT_EQ(decoder.CellText(kEconomy), c.economy) << int(c.speedHigh) << " " << int(c.fuel);
    }
    // Reversing at 1.875 km/h (0xFF40 × 10 / 1024) on 1.5 L/h: a negative economy.
    TruthDecoder reversing(UnitSystem::Metric);
    reversing.Decode(Record(0x0B4, {0, 0, 0, 0, 0, 0xFF, 0x40}));
    reversing.Decode(Record(0x038, {0, 15}));
    reversing.Decode(Record(0x56D, {}));
    EXPECT_EQ(reversing.CellText(kEconomy), "-1.3");
}

TEST(TruthDecoderTest, RejectedValuesAreCountedButStillRemembered) {
    TruthDecoder decoder(UnitSystem::Metric);
    decoder.Decode(Record(0x0B4, {0, 0, 0, 0, 0, 0x7F, 0xFF}));  // just under 320 km/h
    EXPECT_EQ(decoder.CellText(kSpeed), "");
    EXPECT_EQ(decoder.RangeRejections(), 1);
    decoder.Decode(Record(0x038, {0, 100}));
    decoder.Decode(Record(0x56D, {}));
    EXPECT_EQ(decoder.CellText(kEconomy), "32");        // 319.99 / 10, rounded to 0.1
    decoder.Decode(Record(0x3C8, {0, 0, 0x00, 0x01}));  // 8192 rpm
    EXPECT_EQ(decoder.RangeRejections(), 2);
    // The remembered values outlive the packet.
    decoder.ClearValid();
    EXPECT_EQ(decoder.ValidFieldCount(), 0);
    decoder.Decode(Record(0x56D, {}));
    EXPECT_EQ(decoder.CellText(kEconomy), "32");
}

TEST(TruthDecoderTest, RowsAndHeaderFollowTheCsvLayout) {
    TruthDecoder decoder(UnitSystem::US);
    decoder.Decode(Record(0x03B, {0x0F, 0xFF, 0x01, 0x2C}));
    decoder.Decode(Record(0x540, {0, 0x10}));
    std::string row;
    decoder.AppendRow(1000000, row);
    EXPECT_EQ(row, "1000000,300,,0.1,,,,,,,,,,,,,,,,,,,,,,,\"D\",,,,,,,,\n");
    std::string header;
    TruthDecoder::AppendHeader(UnitSystem::US, header);
    EXPECT_TRUE(header.starts_with("\"Time\",\"Voltage\",\"SOC %\",\"Amps\","));
    EXPECT_NE(header.find("\"Speed (mph)\""), std::string::npos);
    EXPECT_NE(header.find(",\"iMPG\"\n"), std::string::npos);
}

TEST(PlainRulesTest, RoundingAndConversions) {
    using namespace plain;
    EXPECT_EQ(RoundToStep(7.0, 0.0), 0.0);
    EXPECT_EQ(RoundToStep(1.25, -0.5), 1.5);
    EXPECT_EQ(RoundToStep(-2.5, 1.0), -3.0);
    EXPECT_EQ(RoundToStep(2.49, 1.0), 2.0);
    EXPECT_EQ(RoundToStep(0.25, 0.1), 0.1 * 2);  // the half step falls short once held as a double
    EXPECT_EQ(SignExtend12(0x07, 0xFF), 2047);
    EXPECT_EQ(SignExtend12(0x08, 0x00), -2048);
    EXPECT_EQ(SignExtend12(0x9F, 0xFF), -1);
    EXPECT_EQ(SignExtend12(0x12, 0x34), 4660);
    EXPECT_EQ(SignExtend12(0x80, 0x00), -32768);
    EXPECT_EQ(ConvertTemperature(2.5, UnitSystem::US), 37);
    EXPECT_EQ(ConvertTemperature(2.5, UnitSystem::Metric), 3);
    EXPECT_EQ(ConvertTemperature(90.5, UnitSystem::US), 195);
    EXPECT_EQ(ConvertTemperature(0.0, UnitSystem::US), 32);
    EXPECT_EQ(Truncate(-0.5), 0);
    EXPECT_EQ(Truncate(3.0e10), -2147483647 - 1);
}

}  // namespace
}  // namespace drovane::synth
