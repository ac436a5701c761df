#pragma once
#include <cstdint>
#include <string_view>

#include "core/RunOptions.h"
#include "decode/Columns.h"

namespace drovane::synth::truth {

// The columns are the converter's (decode/Columns.h): their headings and ranges are facts of the
// CSV, not rules of decoding, so the truth decoder reads them from there.
inline constexpr int kColumnCount = drovane::kColumnCount;

// One column of the converter's CSV: its heading and the plausible range of its values.
struct CsvColumn {
    std::string_view metricName;
    std::string_view usName;
    std::int32_t min;
    std::int32_t max;
};

CsvColumn Column(int index);
std::string_view ColumnName(int index, UnitSystem units);

// Column indices that the messages fill.
enum ColumnIndex : int {
    kTime = kColTime,
    kVoltage = kColVoltage,
    kSoc = kColSoc,
    kAmps = kColAmps,
    kMaxCharge = kColMaxChargeCurrent,
    kMaxDischarge = kColMaxDischargeCurrent,
    kMinBattTemp = kColMinBattTemp,
    kMaxBattTemp = kColMaxBattTemp,
    kSpeed = kColSpeed,
    kSpeedometer = kColSpeedometer,
    kSpeedRelated = kColSpeedRelated,
    kFlWheel = kColFlWheel,
    kFrWheel = kColFrWheel,
    kRlWheel = kColRlWheel,
    kRrWheel = kColRrWheel,
    kIceRpm = kColIceRpm,
    kIceTemp = kColIceTemp,
    kCoolantTemp = kColCoolantTemp,
    kSideAccel = kColSideAccel,
    kSideAccel1 = kColSideAccel1,
    kFwdAccel = kColFwdAccel,
    kFwdAccel2 = kColFwdAccel2,
    kSteering = kColSteering,
    kGasPedal = kColGasPedal,
    kBrakePedal = kColBrakePedal,
    kBrakePressed = kColBrakePressed,
    kShifter = kColShifter,
    kEvMode = kColEvMode,
    kCruiseControl = kColCruiseControl,
    kLights = kColLights,
    kFuelInj = kColFuelInj,
    kFuelFlow = kColFuelFlow,
    kVvti = kColVvti,
    kGasGauge = kColGasGauge,
    kEconomy = kColEconomy,
};

}  // namespace drovane::synth::truth
