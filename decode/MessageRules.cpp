#include "decode/MessageRules.h"

#include <array>
#include <string_view>

#include "decode/Columns.h"
#include "decode/NumericConversions.h"
#include "rawlog/KnownMessageTable.h"

namespace drovane {
namespace {

using Context = MessageDecoder::Context;

int U16(std::uint8_t high, std::uint8_t low) { return high << 8 | low; }
int S16(std::uint8_t high, std::uint8_t low) { return static_cast<std::int16_t>(U16(high, low)); }

void Store(Context& c, int column, double value) { c.fields.SetFieldValue(value, column); }
void StoreWord(Context& c, int column, std::string_view word) { c.fields.SetFieldText(column, word, true); }

// Wheel speeds: signed hundredths, converted like any speed.
double WheelSpeed(const Context& c, std::uint8_t high, std::uint8_t low) {
    return ConvertDistance(S16(high, low) / 100.0, c.units);
}

void DecodeSideAccel(Context& c) {
    Store(c, kColSideAccel, U16(c.d[0], c.d[1]) - 512);
    Store(c, kColSideAccel1, U16(c.d[2], c.d[3]) - 512);
}

void DecodeFwdAccel(Context& c) {
    Store(c, kColFwdAccel, U16(c.d[0], c.d[1]) - 512);
    Store(c, kColFwdAccel2, U16(c.d[2], c.d[3]) - 512);
}

void DecodeSteering(Context& c) {
    int difference = SignExtend12(c.d[0], c.d[1]) - SignExtend12(c.d[2], c.d[3]);
    Store(c, kColSteering, difference);
}

void DecodeBrake(Context& c) {
    Store(c, kColBrakePedal, RoundToStep(c.d[4] / 1.269, 1.0));
    Store(c, kColBrakePressed, (c.d[0] & 0x80) != 0 ? 0 : 1);
}

void DecodeFuelFlow(Context& c) {
    double flow = c.units == UnitSystem::US ? c.d[1] * 0.264172052 : c.d[1];
    flow = RoundToStep(flow / 10, 0.01);
    c.memory.lastFuelFlow = flow;
    Store(c, kColFuelFlow, flow);
}

void DecodeIceTemp(Context& c) { Store(c, kColIceTemp, ConvertTemperature(c.d[0], c.units)); }

void DecodeBattery(Context& c) {
    int negated = -SignExtend12(c.d[0], c.d[1]);
    Store(c, kColAmps, negated * 0.1);
    Store(c, kColVoltage, U16(c.d[2], c.d[3]));
}

void DecodeFrontWheels(Context& c) {
    Store(c, kColFlWheel, WheelSpeed(c, c.d[2], c.d[3]));
    Store(c, kColFrWheel, WheelSpeed(c, c.d[0], c.d[1]));
}

void DecodeRearWheels(Context& c) {
    Store(c, kColRlWheel, WheelSpeed(c, c.d[2], c.d[3]));
    Store(c, kColRrWheel, WheelSpeed(c, c.d[0], c.d[1]));
}

void DecodeSpeed(Context& c) {
    constexpr double kTwoToMinus10 = 1.0 / 1024.0;
    double speed = ConvertDistance(S16(c.d[5], c.d[6]) * kTwoToMinus10 * 10, c.units);
    c.memory.lastSpeed = speed;
    Store(c, kColSpeed, speed);
}

void DecodeGasPedal(Context& c) {
    Store(c, kColGasPedal, c.d[6]);
    Store(c, kColSpeedRelated, S16(c.d[4], c.d[5]));
}

void DecodeEngineSpeed(Context& c) {
    // The one two-byte value with its low byte first.
    std::uint32_t rpm = (static_cast<std::uint32_t>(c.d[3]) * 256 + c.d[2]) * 32;
    Store(c, kColIceRpm, rpm);
}

void DecodeSpeedometer(Context& c) {
    Store(c, kColSpeedometer, RoundToStep(ConvertDistance(c.d[2], c.units), 1.0));
}

void DecodeBatteryState(Context& c) {
    Store(c, kColSoc, U16(c.d[2], c.d[3]) * 0.5);
    Store(c, kColMaxChargeCurrent, c.d[1]);
    Store(c, kColMaxDischargeCurrent, -c.d[0]);
    Store(c, kColMinBattTemp, ConvertTemperature(c.d[5], c.units));
    Store(c, kColMaxBattTemp, ConvertTemperature(c.d[4], c.units));
}

void DecodeFuelInjection(Context& c) { Store(c, kColFuelInj, U16(c.d[1], c.d[2])); }

void DecodeValveTiming(Context& c) { Store(c, kColVvti, RoundIntToStep((c.d[1] >> 1) - 16, 1.0)); }

void DecodeEvMode(Context& c) {
    std::string_view word;
    switch (c.d[4]) {
        case 0x00: word = "N"; break;
        case 0x40: word = "EV"; break;
        case 0x80: word = "Denied"; break;
        default: word = "Cancel"; break;
    }
    StoreWord(c, kColEvMode, word);
}

void DecodeCoolantTemp(Context& c) { Store(c, kColCoolantTemp, ConvertTemperature(c.d[1] * 0.5, c.units)); }

void DecodeShifter(Context& c) {
    std::string_view word = "";  // the empty word unless the code has one
    switch (c.d[1]) {
        case 0x00: word = "B"; break;
        case 0x10: word = "D"; break;
        case 0x20: word = "N"; break;
        case 0x40: word = "R"; break;
        case 0x80: word = "P"; break;
        default: break;
    }
    StoreWord(c, kColShifter, word);
}

// The instantaneous economy from the speed and fuel flow remembered so far: distance per unit of
// fuel, 999.9 when moving with no fuel flow.
void DecodeEconomy(Context& c) {
    double speed = c.memory.lastSpeed;
    double flow = c.memory.lastFuelFlow;
    double economy;
    if (speed <= 0 && flow <= 0) {
        economy = 0.0;
    } else if (speed >= 0 && flow <= 0) {
        economy = 999.9;
    } else {
        economy = RoundToStep(speed / flow, 0.1);
    }
    Store(c, kColEconomy, economy);
}

void DecodeLights(Context& c) {
    std::string_view word = "";  // the empty word unless the code has one
    switch (c.d[1]) {
        case 0x00: word = "Off"; break;
        case 0x10: word = "Parking"; break;
        case 0x30: word = "Headlights"; break;
        case 0x38: word = "HighBeams"; break;
        default: break;
    }
    StoreWord(c, kColLights, word);
}

void DecodeGasGauge(Context& c) { Store(c, kColGasGauge, c.d[1]); }

void DecodeCruiseControl(Context& c) { Store(c, kColCruiseControl, (c.d[2] >> 4) & 1); }

constexpr MessageRule kRules[] = {
    {0x022, DecodeSideAccel},     {0x023, DecodeFwdAccel},      {0x025, DecodeSteering},
    {0x030, DecodeBrake},         {0x038, DecodeFuelFlow},      {0x039, DecodeIceTemp},
    {0x03B, DecodeBattery},       {0x0B1, DecodeFrontWheels},   {0x0B3, DecodeRearWheels},
    {0x0B4, DecodeSpeed},         {0x244, DecodeGasPedal},      {0x3C8, DecodeEngineSpeed},
    {0x3CA, DecodeSpeedometer},   {0x3CB, DecodeBatteryState},  {0x520, DecodeFuelInjection},
    {0x526, DecodeValveTiming},   {0x529, DecodeEvMode},        {0x52C, DecodeCoolantTemp},
    {0x540, DecodeShifter},       {0x56D, DecodeEconomy},       {0x57F, DecodeLights},
    {0x5A4, DecodeGasGauge},      {0x5C8, DecodeCruiseControl},
};

// Rule number plus one for every identifier below 0x800, so that finding a rule is one load.
constexpr std::array<std::uint8_t, KnownMessageTable::kIdentifierSpace> BuildRuleIndex() {
    std::array<std::uint8_t, KnownMessageTable::kIdentifierSpace> index{};
    for (std::size_t rule = 0; rule < std::size(kRules); ++rule) {
        index[kRules[rule].id] = static_cast<std::uint8_t>(rule + 1);
    }
    return index;
}

constexpr auto kRuleIndex = BuildRuleIndex();

}  // namespace

const MessageRule* FindMessageRule(std::uint16_t id) {
    if (id >= kRuleIndex.size() || kRuleIndex[id] == 0) return nullptr;
    return &kRules[kRuleIndex[id] - 1];
}

}  // namespace drovane
