#pragma once
// The 35 columns of the output, in output order: each column's heading in each unit system and
// the range of values it accepts.
#include <cstdint>

namespace drovane {

inline constexpr int kColumnCount = 35;

enum Column : int {
    kColTime = 0,
    kColVoltage,
    kColSoc,
    kColAmps,
    kColMaxChargeCurrent,
    kColMaxDischargeCurrent,
    kColMinBattTemp,
    kColMaxBattTemp,
    kColSpeed,
    kColSpeedometer,
    kColSpeedRelated,
    kColFlWheel,
    kColFrWheel,
    kColRlWheel,
    kColRrWheel,
    kColIceRpm,
    kColIceTemp,
    kColCoolantTemp,
    kColSideAccel,
    kColSideAccel1,
    kColFwdAccel,
    kColFwdAccel2,
    kColSteering,
    kColGasPedal,
    kColBrakePedal,
    kColBrakePressed,
    kColShifter,
    kColEvMode,
    kColCruiseControl,
    kColLights,
    kColFuelInj,
    kColFuelFlow,
    kColVvti,
    kColGasGauge,
    kColEconomy,
};

struct ColumnDefinition {
    const char* name;
    const char* usName;  // nullptr: the same heading in every unit system
    std::int32_t min;    // the range of accepted values, both ends included
    std::int32_t max;
};

inline constexpr ColumnDefinition kColumnDefinitions[kColumnCount] = {
    {"Time", nullptr, INT32_MIN, INT32_MAX},
    {"Voltage", nullptr, 100, 400},
    {"SOC %", nullptr, 0, 100},
    {"Amps", nullptr, -200, 200},
    {"Max Charge Current", nullptr, 0, 200},
    {"Max Discharge Current", nullptr, -200, 0},
    {"Min Batt Temp C", "Min Batt Temp F", 0, 250},
    {"Max Batt Temp C", "Max Batt Temp F", 0, 250},
    {"Speed (km/h)", "Speed (mph)", -100, 250},
    {"Speedometer", nullptr, -100, 150},
    {"Speed Related", nullptr, -10000, 32767},
    {"FL Wheel", nullptr, -10000, 32767},
    {"FR Wheel", nullptr, -10000, 32767},
    {"RL Wheel", nullptr, -10000, 32767},
    {"RR Wheel", nullptr, -10000, 32767},
    {"ICE RPM", nullptr, 0, 8000},
    {"ICE Temp C", "ICE Temp F", 0, 299},
    {"Coolant Temp C", "Coolant Temp F", 0, 299},
    {"Side Accel", nullptr, -512, 512},
    {"Side Accel1", nullptr, -512, 512},
    {"Fwd Accel", nullptr, -512, 512},
    {"Fwd Accel2", nullptr, -512, 512},
    {"Steering", nullptr, -1000, 1000},
    {"Gas Pedal", nullptr, 0, 255},
    {"Brake Pedal", nullptr, 0, 127},
    {"Brake Pressed", nullptr, 0, 1},
    {"Shifter", nullptr, -2, 2},
    {"EV Mode", nullptr, 0, 0},
    {"Cruise Control", nullptr, 0, 1},
    {"Lights", nullptr, 0, 3},
    {"Fuel Inj", nullptr, 0, 32767},
    {"Fuel Flow (L/hr)", "Fuel Flow (G/hr)", 0, 255},
    {"VVTi", nullptr, -255, 255},
    {"Gas Gauge", nullptr, 0, 100},
    {"iKM/L", "iMPG", -9999, 9999},
};

// Every column has a heading and a range, and seven change their heading in US units.
static_assert([] {
    int renamed = 0;
    for (const ColumnDefinition& column : kColumnDefinitions) {
        if (column.name == nullptr || column.name[0] == '\0' || column.min > column.max) return false;
        renamed += column.usName != nullptr;
    }
    return renamed == 7;
}());

}  // namespace drovane
