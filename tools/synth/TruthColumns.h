#pragma once
#include <cstdint>
#include <string_view>

#include "UnitSystem.h"

namespace drovane::synth::truth {

inline constexpr int kColumnCount = 35;

// One column of the converter's CSV: its heading and the plausible range of its values.
struct CsvColumn {
    std::string_view metricName;
    std::string_view usName;
    std::int32_t min;
    std::int32_t max;
};

const CsvColumn& Column(int index);
std::string_view ColumnName(int index, UnitSystem units);

// Column indices that the messages fill.
enum ColumnIndex : int {
    kTime = 0, kVoltage, kSoc, kAmps, kMaxCharge, kMaxDischarge, kMinBattTemp, kMaxBattTemp, kSpeed,
    kSpeedometer, kSpeedRelated, kFlWheel, kFrWheel, kRlWheel, kRrWheel, kIceRpm, kIceTemp, kCoolantTemp,
    kSideAccel, kSideAccel1, kFwdAccel, kFwdAccel2, kSteering, kGasPedal, kBrakePedal, kBrakePressed,
    kShifter, kEvMode, kCruiseControl, kLights, kFuelInj, kFuelFlow, kVvti, kGasGauge, kEconomy,
};

}  // namespace drovane::synth::truth
