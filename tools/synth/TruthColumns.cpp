#include "TruthColumns.h"

#include <array>

namespace drovane::synth::truth {
namespace {

constexpr std::array<CsvColumn, kColumnCount> kColumns{{
    {"Time", "Time", -2147483647 - 1, 2147483647},
    {"Voltage", "Voltage", 100, 400},
    {"SOC %", "SOC %", 0, 100},
    {"Amps", "Amps", -200, 200},
    {"Max Charge Current", "Max Charge Current", 0, 200},
    {"Max Discharge Current", "Max Discharge Current", -200, 0},
    {"Min Batt Temp C", "Min Batt Temp F", 0, 250},
    {"Max Batt Temp C", "Max Batt Temp F", 0, 250},
    {"Speed (km/h)", "Speed (mph)", -100, 250},
    {"Speedometer", "Speedometer", -100, 150},
    {"Speed Related", "Speed Related", -10000, 32767},
    {"FL Wheel", "FL Wheel", -10000, 32767},
    {"FR Wheel", "FR Wheel", -10000, 32767},
    {"RL Wheel", "RL Wheel", -10000, 32767},
    {"RR Wheel", "RR Wheel", -10000, 32767},
    {"ICE RPM", "ICE RPM", 0, 8000},
    {"ICE Temp C", "ICE Temp F", 0, 299},
    {"Coolant Temp C", "Coolant Temp F", 0, 299},
    {"Side Accel", "Side Accel", -512, 512},
    {"Side Accel1", "Side Accel1", -512, 512},
    {"Fwd Accel", "Fwd Accel", -512, 512},
    {"Fwd Accel2", "Fwd Accel2", -512, 512},
    {"Steering", "Steering", -1000, 1000},
    {"Gas Pedal", "Gas Pedal", 0, 255},
    {"Brake Pedal", "Brake Pedal", 0, 127},
    {"Brake Pressed", "Brake Pressed", 0, 1},
    {"Shifter", "Shifter", -2, 2},
    {"EV Mode", "EV Mode", 0, 0},
    {"Cruise Control", "Cruise Control", 0, 1},
    {"Lights", "Lights", 0, 3},
    {"Fuel Inj", "Fuel Inj", 0, 32767},
    {"Fuel Flow (L/hr)", "Fuel Flow (G/hr)", 0, 255},
    {"VVTi", "VVTi", -255, 255},
    {"Gas Gauge", "Gas Gauge", 0, 100},
    {"iKM/L", "iMPG", -9999, 9999},
}};

}  // namespace

const CsvColumn& Column(int index) { return kColumns.at(static_cast<std::size_t>(index)); }

std::string_view ColumnName(int index, UnitSystem units) {
    const CsvColumn& column = Column(index);
    return units == UnitSystem::Us ? column.usName : column.metricName;
}

}  // namespace drovane::synth::truth
