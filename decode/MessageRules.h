#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "core/RunOptions.h"
#include "decode/Columns.h"
#include "decode/FieldTable.h"
#include "decode/NumericConversions.h"
#include "decode/RawReadingTexts.h"

namespace drovane {

// The values the decoder carries from one message to another, for the fuel economy of 0x56D.
// They start at 0 and are never reset during a run.
struct DecoderMemory {
    double lastSpeed = 0.0;      // column 8 as last computed, after the unit conversion
    double lastFuelFlow = 0.0;   // column 31 as last computed, after conversion and rounding
};

// What a message rule works with besides the data bytes: the places its values go.
struct RuleContext {
    CANDataMgr& fields;
    DecoderMemory& memory;
    ReadingTexts& texts;
    UnitSystem units;
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
// on more than its data bytes has no such bits. `rarelyRepeats` marks the readings of noisy
// sensors (accelerations, battery current), which differ from one message to the next so often
// that checking for a repeat costs more than it saves.
struct MessageRuleShape {
    std::uint16_t id;
    std::uint64_t dataBits;
    std::uint64_t columns;
    bool rarelyRepeats = false;
};
inline constexpr bool kRarelyRepeats = true;

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

// Stores a number of any kind that `value()` gives as a fixed function of the raw 16-bit value
// `raw`, whose texts `texts` keeps; with kTrace the store is traced when the run asks for it.
template <bool kTrace, int kColumn, class Value>
void StoreOfRaw(RuleContext& c, const Value& value, RawReadingTexts& texts, std::uint16_t raw) {
    if constexpr (kTrace) {
        c.fields.SetFieldNumberOfRaw(value, kColumn, texts, raw);
    } else {
        c.fields.StoreColumnNumber<kColumn>(value, texts, raw);
    }
}
// A reading that is `scaled` / 10^kDecimals, stored so that its text is formed from the integer.
// `value()` gives it as a double, formed as the rule forms it; the untraced store forms it only
// when it needs it.
template <bool kTrace, int kColumn, int kDecimals, class Value>
void StoreDecimal(RuleContext& c, std::int32_t scaled, const Value& value) {
    if constexpr (kTrace) {
        c.fields.SetFieldDecimal(value(), scaled, kDecimals, kColumn);
    } else {
        c.fields.StoreColumnReading<kColumn, kDecimals>(scaled, value);
    }
}
template <bool kTrace, int kColumn>
void StoreInteger(RuleContext& c, std::int32_t value) {
    if constexpr (kTrace) {
        c.fields.SetFieldDecimal(value, value, 0, kColumn);
    } else {
        c.fields.StoreColumnInteger<kColumn>(value);
    }
}
inline void StoreWord(RuleContext& c, int column, std::string_view word) { c.fields.SetFieldText(column, word, true); }

// Wheel speeds: signed hundredths, converted like any speed.
template <bool kTrace, int kColumn>
[[gnu::always_inline]] inline void StoreWheelSpeed(RuleContext& c, std::uint8_t high, std::uint8_t low) {
    int hundredths = S16(high, low);
    StoreOfRaw<kTrace, kColumn>(c, [&c, hundredths] { return ConvertDistance(hundredths / 100.0, c.units); },
                                c.texts.wheels, static_cast<std::uint16_t>(hundredths));
}

template <bool kTrace>
void DecodeSideAccel(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColSideAccel>(c, U16(d[0], d[1]) - 512);
    StoreInteger<kTrace, kColSideAccel1>(c, U16(d[2], d[3]) - 512);
}

template <bool kTrace>
void DecodeFwdAccel(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColFwdAccel>(c, U16(d[0], d[1]) - 512);
    StoreInteger<kTrace, kColFwdAccel2>(c, U16(d[2], d[3]) - 512);
}

template <bool kTrace>
void DecodeSteering(const std::uint8_t* d, RuleContext& c) {
    int difference = SignExtend12(d[0], d[1]) - SignExtend12(d[2], d[3]);
    StoreInteger<kTrace, kColSteering>(c, difference);
}

template <bool kTrace>
void DecodeBrake(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColBrakePedal>(c, RoundToStepCount(d[4] / 1.269, 1.0));
    StoreInteger<kTrace, kColBrakePressed>(c, (d[0] & 0x80) != 0 ? 0 : 1);
}

template <bool kTrace>
void DecodeFuelFlow(const std::uint8_t* d, RuleContext& c) {
    double flow = c.units == UnitSystem::US ? d[1] * 0.264172052 : d[1];
    std::int32_t hundredths = RoundToStepCount(flow / 10, 0.01);
    flow = 0.01 * hundredths;  // as RoundToStep forms it
    c.memory.lastFuelFlow = flow;
    StoreDecimal<kTrace, kColFuelFlow, 2>(c, hundredths, [flow] { return flow; });
}

template <bool kTrace>
void DecodeIceTemp(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColIceTemp>(c, ConvertTemperature(d[0], c.units));
}

template <bool kTrace>
void DecodeBattery(const std::uint8_t* d, RuleContext& c) {
    int negated = -SignExtend12(d[0], d[1]);
    StoreDecimal<kTrace, kColAmps, 1>(c, negated, [negated] { return negated * 0.1; });
    StoreInteger<kTrace, kColVoltage>(c, U16(d[2], d[3]));
}

template <bool kTrace>
void DecodeFrontWheels(const std::uint8_t* d, RuleContext& c) {
    StoreWheelSpeed<kTrace, kColFlWheel>(c, d[2], d[3]);
    StoreWheelSpeed<kTrace, kColFrWheel>(c, d[0], d[1]);
}

template <bool kTrace>
void DecodeRearWheels(const std::uint8_t* d, RuleContext& c) {
    StoreWheelSpeed<kTrace, kColRlWheel>(c, d[2], d[3]);
    StoreWheelSpeed<kTrace, kColRrWheel>(c, d[0], d[1]);
}

template <bool kTrace>
void DecodeSpeed(const std::uint8_t* d, RuleContext& c) {
    constexpr double kTwoToMinus10 = 1.0 / 1024.0;
    int raw = S16(d[5], d[6]);
    double speed = ConvertDistance(raw * kTwoToMinus10 * 10, c.units);
    c.memory.lastSpeed = speed;
    StoreOfRaw<kTrace, kColSpeed>(c, [speed] { return speed; }, c.texts.speed, static_cast<std::uint16_t>(raw));
}

template <bool kTrace>
void DecodeGasPedal(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColGasPedal>(c, d[6]);
    StoreInteger<kTrace, kColSpeedRelated>(c, S16(d[4], d[5]));
}

template <bool kTrace>
void DecodeEngineSpeed(const std::uint8_t* d, RuleContext& c) {
    // The one two-byte value with its low byte first.
    auto rpm = static_cast<std::int32_t>((static_cast<std::uint32_t>(d[3]) * 256 + d[2]) * 32);
    StoreInteger<kTrace, kColIceRpm>(c, rpm);
}

template <bool kTrace>
void DecodeSpeedometer(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColSpeedometer>(c, RoundToStepCount(ConvertDistance(d[2], c.units), 1.0));
}

template <bool kTrace>
void DecodeBatteryState(const std::uint8_t* d, RuleContext& c) {
    int halves = U16(d[2], d[3]);
    StoreDecimal<kTrace, kColSoc, 1>(c, halves * 5, [halves] { return halves * 0.5; });
    StoreInteger<kTrace, kColMaxChargeCurrent>(c, d[1]);
    StoreInteger<kTrace, kColMaxDischargeCurrent>(c, -d[0]);
    StoreInteger<kTrace, kColMinBattTemp>(c, ConvertTemperature(d[5], c.units));
    StoreInteger<kTrace, kColMaxBattTemp>(c, ConvertTemperature(d[4], c.units));
}

template <bool kTrace>
void DecodeFuelInjection(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColFuelInj>(c, U16(d[1], d[2]));
}

template <bool kTrace>
void DecodeValveTiming(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColVvti>(c, RoundIntToStep((d[1] >> 1) - 16, 1.0));
}

inline void DecodeEvMode(const std::uint8_t* d, RuleContext& c) {
    std::string_view word;
    switch (d[4]) {
        case 0x00: word = "N"; break;
        case 0x40: word = "EV"; break;
        case 0x80: word = "Denied"; break;
        default: word = "Cancel"; break;
    }
    StoreWord(c, kColEvMode, word);
}

template <bool kTrace>
void DecodeCoolantTemp(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColCoolantTemp>(c, ConvertTemperature(d[1] * 0.5, c.units));
}

inline void DecodeShifter(const std::uint8_t* d, RuleContext& c) {
    std::string_view word = "";  // the empty word unless the code has one
    switch (d[1]) {
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
template <bool kTrace>
void DecodeEconomy(RuleContext& c) {
    double speed = c.memory.lastSpeed;
    double flow = c.memory.lastFuelFlow;
    if (speed <= 0 && flow <= 0) {
        StoreInteger<kTrace, kColEconomy>(c, 0);
    } else if (speed >= 0 && flow <= 0) {
        StoreDecimal<kTrace, kColEconomy, 1>(c, 9999, [] { return 999.9; });
    } else {
        std::int32_t tenths = RoundToStepCount(speed / flow, 0.1);
        StoreDecimal<kTrace, kColEconomy, 1>(c, tenths, [tenths] { return 0.1 * tenths; });  // as RoundToStep forms it
    }
}

inline void DecodeLights(const std::uint8_t* d, RuleContext& c) {
    std::string_view word = "";  // the empty word unless the code has one
    switch (d[1]) {
        case 0x00: word = "Off"; break;
        case 0x10: word = "Parking"; break;
        case 0x30: word = "Headlights"; break;
        case 0x38: word = "HighBeams"; break;
        default: break;
    }
    StoreWord(c, kColLights, word);
}

template <bool kTrace>
void DecodeGasGauge(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColGasGauge>(c, d[1]);
}

template <bool kTrace>
void DecodeCruiseControl(const std::uint8_t* d, RuleContext& c) {
    StoreInteger<kTrace, kColCruiseControl>(c, (d[2] >> 4) & 1);
}

}  // namespace rule_detail

// Every rule's shape, indexed by rule number.
inline constexpr std::array<MessageRuleShape, kRuleCount> kRuleShapes = [] {
    using namespace rule_detail;
    std::array<MessageRuleShape, kRuleCount> shapes{};
    shapes[kRuleSideAccel] = {0x022, Bytes(0, 3), Cols(kColSideAccel, kColSideAccel1), kRarelyRepeats};
    shapes[kRuleFwdAccel] = {0x023, Bytes(0, 3), Cols(kColFwdAccel, kColFwdAccel2), kRarelyRepeats};
    shapes[kRuleSteering] = {0x025, Bytes(0, 3), Cols(kColSteering)};
    shapes[kRuleBrake] = {0x030, Byte(0, 0x80) | Byte(4), Cols(kColBrakePedal, kColBrakePressed)};
    shapes[kRuleFuelFlow] = {0x038, Byte(1), Cols(kColFuelFlow)};
    shapes[kRuleIceTemp] = {0x039, Byte(0), Cols(kColIceTemp)};
    shapes[kRuleBattery] = {0x03B, Bytes(0, 3), Cols(kColAmps, kColVoltage), kRarelyRepeats};
    shapes[kRuleFrontWheels] = {0x0B1, Bytes(0, 3), Cols(kColFlWheel, kColFrWheel)};
    shapes[kRuleRearWheels] = {0x0B3, Bytes(0, 3), Cols(kColRlWheel, kColRrWheel)};
    shapes[kRuleSpeed] = {0x0B4, Bytes(5, 6), Cols(kColSpeed)};
    shapes[kRuleGasPedal] = {0x244, Bytes(4, 6), Cols(kColGasPedal, kColSpeedRelated)};
    shapes[kRuleEngineSpeed] = {0x3C8, Bytes(2, 3), Cols(kColIceRpm)};
    shapes[kRuleSpeedometer] = {0x3CA, Byte(2), Cols(kColSpeedometer)};
    shapes[kRuleBatteryState] = {0x3CB, Bytes(0, 5),
                                 Cols(kColSoc, kColMaxChargeCurrent, kColMaxDischargeCurrent, kColMinBattTemp,
                                      kColMaxBattTemp)};
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

// Runs rule `rule` (1 .. kRuleCount - 1) on the data bytes `d`. With kTrace every store is traced
// when the run asks for it; without, nothing is traced.
template <bool kTrace>
[[gnu::always_inline]] inline void ApplyRule(std::uint8_t rule, const std::uint8_t* d, RuleContext& c) {
    using namespace rule_detail;
    switch (rule) {
        case kRuleSideAccel: DecodeSideAccel<kTrace>(d, c); break;
        case kRuleFwdAccel: DecodeFwdAccel<kTrace>(d, c); break;
        case kRuleSteering: DecodeSteering<kTrace>(d, c); break;
        case kRuleBrake: DecodeBrake<kTrace>(d, c); break;
        case kRuleFuelFlow: DecodeFuelFlow<kTrace>(d, c); break;
        case kRuleIceTemp: DecodeIceTemp<kTrace>(d, c); break;
        case kRuleBattery: DecodeBattery<kTrace>(d, c); break;
        case kRuleFrontWheels: DecodeFrontWheels<kTrace>(d, c); break;
        case kRuleRearWheels: DecodeRearWheels<kTrace>(d, c); break;
        case kRuleSpeed: DecodeSpeed<kTrace>(d, c); break;
        case kRuleGasPedal: DecodeGasPedal<kTrace>(d, c); break;
        case kRuleEngineSpeed: DecodeEngineSpeed<kTrace>(d, c); break;
        case kRuleSpeedometer: DecodeSpeedometer<kTrace>(d, c); break;
        case kRuleBatteryState: DecodeBatteryState<kTrace>(d, c); break;
        case kRuleFuelInjection: DecodeFuelInjection<kTrace>(d, c); break;
        case kRuleValveTiming: DecodeValveTiming<kTrace>(d, c); break;
        case kRuleEvMode: DecodeEvMode(d, c); break;
        case kRuleCoolantTemp: DecodeCoolantTemp<kTrace>(d, c); break;
        case kRuleShifter: DecodeShifter(d, c); break;
        case kRuleEconomy: DecodeEconomy<kTrace>(c); break;
        case kRuleLights: DecodeLights(d, c); break;
        case kRuleGasGauge: DecodeGasGauge<kTrace>(d, c); break;
        case kRuleCruiseControl: DecodeCruiseControl<kTrace>(d, c); break;
        default: break;
    }
}

}  // namespace drovane
