#pragma once
#include <array>
#include <cassert>
#include <cstdint>
#include <string_view>

#include "core/RunOptions.h"
#include "decode/Columns.h"
#include "decode/FieldTable.h"
#include "decode/NumericConversions.h"
#include "decode/RawReadingTexts.h"
#include "decode/Words.h"

namespace drovane {

// The values the decoder carries from one message to another, for the fuel economy of 0x56D.
// They start at 0 and are never reset during a run.
struct DecoderMemory {
    double lastSpeed = 0.0;     // column 8 as last computed, after the unit conversion
    double lastFuelFlow = 0.0;  // column 31 as last computed, after conversion and rounding
};

// What a message rule works with besides the data bytes: the places its values go.
struct RuleContext {
    CANDataMgr& fields;
    DecoderMemory& memory;
    ReadingTexts& texts;
    UnitSystem units;

    [[gnu::always_inline]] void Store(int column, const Reading& reading) { fields.SetFieldValue(reading, column); }
    void StoreWord(int column, std::string_view word) { fields.SetFieldText(column, word, true); }
};

// The messages that store values, numbered from 1 in identifier order; 0 stands for none.
enum MessageRuleNumber : std::uint8_t {
    kNoRule = 0,
    kRuleSideAccel,
    kRuleFwdAccel,
    kRuleSteering,
    kRuleBrake,
    kRuleFuelFlow,
    kRuleIceTemp,
    kRuleBattery,
    kRuleFrontWheels,
    kRuleRearWheels,
    kRuleSpeed,
    kRuleGasPedal,
    kRuleEngineSpeed,
    kRuleSpeedometer,
    kRuleBatteryState,
    kRuleFuelInjection,
    kRuleValveTiming,
    kRuleEvMode,
    kRuleCoolantTemp,
    kRuleShifter,
    kRuleEconomy,
    kRuleLights,
    kRuleGasGauge,
    kRuleCruiseControl,
    kRuleCount
};

// What the decoder knows of a rule without running it: the message, the bits of D0..D7 (read as
// one little-endian word) its values depend on, and the columns it stores. A rule that depends
// on more than its data bytes has no such bits.
struct MessageRuleShape {
    std::uint16_t id;
    std::uint64_t dataBits;
    std::uint64_t columns;
};

namespace rule_detail {

constexpr std::uint64_t Byte(int index, std::uint64_t bits = 0xFF) { return bits << (8 * index); }
constexpr std::uint64_t Bytes(int first, int last) {
    std::uint64_t mask = 0;
    for (int index = first; index <= last; ++index) mask |= Byte(index);
    return mask;
}
template <class... Columns>
constexpr std::uint64_t Cols(Columns... columns) {
    return ((std::uint64_t{1} << columns) | ...);
}

inline int U16(std::uint8_t high, std::uint8_t low) { return high << 8 | low; }
inline int S16(std::uint8_t high, std::uint8_t low) { return static_cast<std::int16_t>(U16(high, low)); }

// Wheel speeds: signed hundredths, converted like any speed. The four wheels keep their texts in
// one table, which holds only for columns of one range.
static_assert([] {
    for (int column : {kColFrWheel, kColRlWheel, kColRrWheel}) {
        if (kColumnDefinitions[column].min != kColumnDefinitions[kColFlWheel].min) return false;
        if (kColumnDefinitions[column].max != kColumnDefinitions[kColFlWheel].max) return false;
    }
    return true;
}());
[[gnu::always_inline]] inline void StoreWheelSpeed(RuleContext& c, int column, std::uint8_t high, std::uint8_t low) {
    int hundredths = S16(high, low);
    c.Store(column, Reading::OfRaw(ConvertDistance(hundredths / 100.0, c.units), c.texts.wheels,
                                   static_cast<std::uint16_t>(hundredths)));
}

inline void DecodeSideAccel(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColSideAccel, Reading::Whole(U16(d[0], d[1]) - 512));
    c.Store(kColSideAccel1, Reading::Whole(U16(d[2], d[3]) - 512));
}

inline void DecodeFwdAccel(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColFwdAccel, Reading::Whole(U16(d[0], d[1]) - 512));
    c.Store(kColFwdAccel2, Reading::Whole(U16(d[2], d[3]) - 512));
}

inline void DecodeSteering(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColSteering, Reading::Whole(SignExtend12(d[0], d[1]) - SignExtend12(d[2], d[3])));
}

inline void DecodeBrake(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColBrakePedal, Reading::Whole(RoundToStepCount(d[4] / 1.269, 1.0)));
    c.Store(kColBrakePressed, Reading::Whole((d[0] & 0x80) != 0 ? 0 : 1));
}

inline void DecodeFuelFlow(const std::uint8_t* d, RuleContext& c) {
    double flow = c.units == UnitSystem::US ? d[1] * 0.264172052 : d[1];
    std::int32_t hundredths = RoundToStepCount(flow / 10, 0.01);
    flow = 0.01 * hundredths;  // as RoundToStep forms it
    c.memory.lastFuelFlow = flow;
    c.Store(kColFuelFlow, Reading::Decimal(flow, hundredths, 2));
}

inline void DecodeIceTemp(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColIceTemp, Reading::Whole(ConvertTemperature(d[0], c.units)));
}

inline void DecodeBattery(const std::uint8_t* d, RuleContext& c) {
    int negated = -SignExtend12(d[0], d[1]);
    c.Store(kColAmps, Reading::Decimal(negated * 0.1, negated, 1));
    c.Store(kColVoltage, Reading::Whole(U16(d[2], d[3])));
}

inline void DecodeFrontWheels(const std::uint8_t* d, RuleContext& c) {
    StoreWheelSpeed(c, kColFlWheel, d[2], d[3]);
    StoreWheelSpeed(c, kColFrWheel, d[0], d[1]);
}

inline void DecodeRearWheels(const std::uint8_t* d, RuleContext& c) {
    StoreWheelSpeed(c, kColRlWheel, d[2], d[3]);
    StoreWheelSpeed(c, kColRrWheel, d[0], d[1]);
}

inline void DecodeSpeed(const std::uint8_t* d, RuleContext& c) {
    constexpr double kTwoToMinus10 = 1.0 / 1024.0;
    int raw = S16(d[5], d[6]);
    double speed = ConvertDistance(raw * kTwoToMinus10 * 10, c.units);
    c.memory.lastSpeed = speed;
    c.Store(kColSpeed, Reading::OfRaw(speed, c.texts.speed, static_cast<std::uint16_t>(raw)));
}

inline void DecodeGasPedal(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColGasPedal, Reading::Whole(d[6]));
    c.Store(kColSpeedRelated, Reading::Whole(S16(d[4], d[5])));
}

inline void DecodeEngineSpeed(const std::uint8_t* d, RuleContext& c) {
    // The one two-byte value with its low byte first.
    std::uint32_t rpm = (std::uint32_t{d[3]} * 256 + d[2]) * 32;
    c.Store(kColIceRpm, Reading::Whole(rpm));
}

inline void DecodeSpeedometer(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColSpeedometer, Reading::Whole(RoundToStepCount(ConvertDistance(d[2], c.units), 1.0)));
}

inline void DecodeBatteryState(const std::uint8_t* d, RuleContext& c) {
    int halves = U16(d[2], d[3]);
    c.Store(kColSoc, Reading::Decimal(halves * 0.5, halves * 5, 1));
    c.Store(kColMaxChargeCurrent, Reading::Whole(d[1]));
    c.Store(kColMaxDischargeCurrent, Reading::Whole(-d[0]));
    c.Store(kColMinBattTemp, Reading::Whole(ConvertTemperature(d[5], c.units)));
    c.Store(kColMaxBattTemp, Reading::Whole(ConvertTemperature(d[4], c.units)));
}

inline void DecodeFuelInjection(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColFuelInj, Reading::Whole(U16(d[1], d[2])));
}

inline void DecodeValveTiming(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColVvti, Reading::Whole(RoundIntToStep((d[1] >> 1) - 16, 1.0)));
}

inline void DecodeEvMode(const std::uint8_t* d, RuleContext& c) { c.StoreWord(kColEvMode, EvModeWord(d[4])); }

inline void DecodeCoolantTemp(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColCoolantTemp, Reading::Whole(ConvertTemperature(d[1] * 0.5, c.units)));
}

inline void DecodeShifter(const std::uint8_t* d, RuleContext& c) { c.StoreWord(kColShifter, ShifterWord(d[1])); }

// The instantaneous economy from the speed and fuel flow remembered so far: distance per unit of
// fuel, 999.9 when moving with no fuel flow.
inline void DecodeEconomy(RuleContext& c) {
    double speed = c.memory.lastSpeed;
    double flow = c.memory.lastFuelFlow;
    if (speed <= 0 && flow <= 0) {
        c.Store(kColEconomy, Reading::Whole(0));
    } else if (speed >= 0 && flow <= 0) {
        c.Store(kColEconomy, Reading::Decimal(999.9, 9999, 1));
    } else {
        std::int32_t tenths = RoundToStepCount(speed / flow, 0.1);
        c.Store(kColEconomy, Reading::Decimal(0.1 * tenths, tenths, 1));  // as RoundToStep forms it
    }
}

inline void DecodeLights(const std::uint8_t* d, RuleContext& c) { c.StoreWord(kColLights, LightsWord(d[1])); }

inline void DecodeGasGauge(const std::uint8_t* d, RuleContext& c) { c.Store(kColGasGauge, Reading::Whole(d[1])); }

inline void DecodeCruiseControl(const std::uint8_t* d, RuleContext& c) {
    c.Store(kColCruiseControl, Reading::Whole((d[2] >> 4) & 1));
}

}  // namespace rule_detail

// Every rule's shape, indexed by rule number.
inline constexpr std::array<MessageRuleShape, kRuleCount> kRuleShapes = [] {
    using namespace rule_detail;
    std::array<MessageRuleShape, kRuleCount> shapes{};
    shapes[kRuleSideAccel] = {0x022, Bytes(0, 3), Cols(kColSideAccel, kColSideAccel1)};
    shapes[kRuleFwdAccel] = {0x023, Bytes(0, 3), Cols(kColFwdAccel, kColFwdAccel2)};
    shapes[kRuleSteering] = {0x025, Bytes(0, 3), Cols(kColSteering)};
    shapes[kRuleBrake] = {0x030, Byte(0, 0x80) | Byte(4), Cols(kColBrakePedal, kColBrakePressed)};
    shapes[kRuleFuelFlow] = {0x038, Byte(1), Cols(kColFuelFlow)};
    shapes[kRuleIceTemp] = {0x039, Byte(0), Cols(kColIceTemp)};
    shapes[kRuleBattery] = {0x03B, Bytes(0, 3), Cols(kColAmps, kColVoltage)};
    shapes[kRuleFrontWheels] = {0x0B1, Bytes(0, 3), Cols(kColFlWheel, kColFrWheel)};
    shapes[kRuleRearWheels] = {0x0B3, Bytes(0, 3), Cols(kColRlWheel, kColRrWheel)};
    shapes[kRuleSpeed] = {0x0B4, Bytes(5, 6), Cols(kColSpeed)};
    shapes[kRuleGasPedal] = {0x244, Bytes(4, 6), Cols(kColGasPedal, kColSpeedRelated)};
    shapes[kRuleEngineSpeed] = {0x3C8, Bytes(2, 3), Cols(kColIceRpm)};
    shapes[kRuleSpeedometer] = {0x3CA, Byte(2), Cols(kColSpeedometer)};
    shapes[kRuleBatteryState] = {
        0x3CB, Bytes(0, 5),
        Cols(kColSoc, kColMaxChargeCurrent, kColMaxDischargeCurrent, kColMinBattTemp, kColMaxBattTemp)};
    shapes[kRuleFuelInjection] = {0x520, Bytes(1, 2), Cols(kColFuelInj)};
    shapes[kRuleValveTiming] = {0x526, Byte(1, 0xFE), Cols(kColVvti)};
    shapes[kRuleEvMode] = {0x529, Byte(4), Cols(kColEvMode)};
    shapes[kRuleCoolantTemp] = {0x52C, Byte(1), Cols(kColCoolantTemp)};
    shapes[kRuleShifter] = {0x540, Byte(1), Cols(kColShifter)};
    shapes[kRuleEconomy] = {0x56D, 0, Cols(kColEconomy)};  // from the remembered speed and flow
    shapes[kRuleLights] = {0x57F, Byte(1), Cols(kColLights)};
    shapes[kRuleGasGauge] = {0x5A4, Byte(1), Cols(kColGasGauge)};
    shapes[kRuleCruiseControl] = {0x5C8, Byte(2, 0x10), Cols(kColCruiseControl)};
    return shapes;
}();

// The rule number of every identifier, so that finding a record's rule is one load.
inline constexpr std::array<std::uint8_t, 0x10000> kRuleOfIdentifier = [] {
    std::array<std::uint8_t, 0x10000> rules{};
    for (int rule = 1; rule < kRuleCount; ++rule) rules[kRuleShapes[rule].id] = static_cast<std::uint8_t>(rule);
    return rules;
}();

inline std::uint8_t RuleOfIdentifier(std::uint16_t id) { return kRuleOfIdentifier[id]; }

// Runs rule `rule` (1 .. kRuleCount - 1) on the data bytes `d`.
[[gnu::always_inline]] inline void ApplyRule(std::uint8_t rule, const std::uint8_t* d, RuleContext& c) {
    assert(rule != kNoRule && rule < kRuleCount);
    using namespace rule_detail;
    switch (rule) {
        case kRuleSideAccel: DecodeSideAccel(d, c); break;
        case kRuleFwdAccel: DecodeFwdAccel(d, c); break;
        case kRuleSteering: DecodeSteering(d, c); break;
        case kRuleBrake: DecodeBrake(d, c); break;
        case kRuleFuelFlow: DecodeFuelFlow(d, c); break;
        case kRuleIceTemp: DecodeIceTemp(d, c); break;
        case kRuleBattery: DecodeBattery(d, c); break;
        case kRuleFrontWheels: DecodeFrontWheels(d, c); break;
        case kRuleRearWheels: DecodeRearWheels(d, c); break;
        case kRuleSpeed: DecodeSpeed(d, c); break;
        case kRuleGasPedal: DecodeGasPedal(d, c); break;
        case kRuleEngineSpeed: DecodeEngineSpeed(d, c); break;
        case kRuleSpeedometer: DecodeSpeedometer(d, c); break;
        case kRuleBatteryState: DecodeBatteryState(d, c); break;
        case kRuleFuelInjection: DecodeFuelInjection(d, c); break;
        case kRuleValveTiming: DecodeValveTiming(d, c); break;
        case kRuleEvMode: DecodeEvMode(d, c); break;
        case kRuleCoolantTemp: DecodeCoolantTemp(d, c); break;
        case kRuleShifter: DecodeShifter(d, c); break;
        case kRuleEconomy: DecodeEconomy(c); break;
        case kRuleLights: DecodeLights(d, c); break;
        case kRuleGasGauge: DecodeGasGauge(d, c); break;
        case kRuleCruiseControl: DecodeCruiseControl(d, c); break;
        default: break;
    }
}

}  // namespace drovane
