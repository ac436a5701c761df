#pragma once
// The decoding rules written out the plain way, apart from the converter's code: one switch over
// the identifier, the arithmetic as the car's format defines it, the same double operations in
// the same order. The tests' twin and the synthesizer's truth decoder both decode with it, so
// comparing either with the converter finds the faults of one or the other.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "core/RunOptions.h"
#include "decode/Columns.h"

namespace drovane::plain {

// Toward zero; not-a-number and integer parts outside 32 bits give the smallest 32-bit integer,
// so that they fail every column range but Time's.
inline std::int32_t Truncate(double value) {
    if (std::isnan(value)) return -2147483647 - 1;
    double whole = std::trunc(value);
    if (whole < -2147483648.0 || whole > 2147483647.0) return -2147483647 - 1;
    return static_cast<std::int32_t>(whole);
}

// Nearest multiple of |step|, halves away from zero; the half step is added before dividing.
inline double RoundToStep(double value, double step) {
    if (step == 0) return 0.0;
    double s = step < 0 ? step * -1.0 : step;
    double q;
    if (value > 0) {
        q = (value + s * 0.5) / s;
    } else if (value < 0) {
        q = (value - s * 0.5) / s;
    } else {
        return 0.0;
    }
    std::int32_t n = Truncate(q);
    return s * n;
}

inline std::int32_t RoundIntToStep(std::int32_t value, double step) {
    if (step == 0) return 0;
    double s = step < 0 ? step * -1.0 : step;
    double q;
    if (value > 0) {
        q = (s * 0.5 + value) / s;
    } else if (value < 0) {
        q = (value - s * 0.5) / s;
    } else {
        return 0;
    }
    std::int32_t n = Truncate(q);
    return Truncate(s * n);
}

// The 12-bit reading of two bytes, high first: bit 11 set fills bits 12..15 with ones.
inline std::int32_t SignExtend12(std::uint8_t high, std::uint8_t low) {
    unsigned w = high * 256u + low;
    if ((w & 0x0800u) != 0) w |= 0xF000u;
    return w >= 0x8000u ? static_cast<std::int32_t>(w) - 0x10000 : static_cast<std::int32_t>(w);
}

inline std::int32_t U16(std::uint8_t a, std::uint8_t b) { return a * 256 + b; }
inline std::int32_t S16(std::uint8_t a, std::uint8_t b) {
    std::int32_t u = U16(a, b);
    return u >= 0x8000 ? u - 0x10000 : u;
}

// Kilometres (or km/h) to miles (or mph) in US units; UK converts like metric.
inline double ConvertDistance(double value, UnitSystem units) {
    return units == UnitSystem::US ? value * 0.621371 : value;
}

// Degrees Celsius to whole degrees of the unit system, rounded as above.
inline std::int32_t ConvertTemperature(double celsius, UnitSystem units) {
    double t = units == UnitSystem::US ? (celsius + 17.7778) * 1.8 : celsius;
    return static_cast<std::int32_t>(RoundToStep(t, 1.0));
}

// What decoding carries from one message to another, for the economy of 0x56D; never reset.
struct Memory {
    double lastSpeed = 0.0;
    double lastFuelFlow = 0.0;
};

// Decodes the data bytes `d` of a record of message `id` into `store`, which takes
//   void Number(int column, double value)   a reading, before its range test;
//   void Word(int column, std::string_view)  a word.
// in the order the converter stores them. Messages without decoded signals store nothing.
template <class Store>
void Decode(std::uint16_t id, const std::uint8_t* d, UnitSystem units, Memory& memory, Store& store) {
    switch (id) {
        case 0x022:
            store.Number(kColSideAccel, U16(d[0], d[1]) - 512);
            store.Number(kColSideAccel1, U16(d[2], d[3]) - 512);
            break;
        case 0x023:
            store.Number(kColFwdAccel, U16(d[0], d[1]) - 512);
            store.Number(kColFwdAccel2, U16(d[2], d[3]) - 512);
            break;
        case 0x025: store.Number(kColSteering, SignExtend12(d[0], d[1]) - SignExtend12(d[2], d[3])); break;
        case 0x030:
            store.Number(kColBrakePedal, RoundToStep(d[4] / 1.269, 1.0));
            store.Number(kColBrakePressed, (d[0] & 0x80) == 0 ? 1 : 0);
            break;
        case 0x038: {
            double f = units == UnitSystem::US ? d[1] * 0.264172052 : d[1];
            memory.lastFuelFlow = RoundToStep(f / 10, 0.01);
            store.Number(kColFuelFlow, memory.lastFuelFlow);
            break;
        }
        case 0x039: store.Number(kColIceTemp, plain::ConvertTemperature(d[0], units)); break;
        case 0x03B: {
            std::int32_t negated = -SignExtend12(d[0], d[1]);
            store.Number(kColAmps, negated * 0.1);
            store.Number(kColVoltage, U16(d[2], d[3]));
            break;
        }
        case 0x0B1:
            store.Number(kColFlWheel, plain::ConvertDistance(S16(d[2], d[3]) / 100.0, units));
            store.Number(kColFrWheel, plain::ConvertDistance(S16(d[0], d[1]) / 100.0, units));
            break;
        case 0x0B3:
            store.Number(kColRlWheel, plain::ConvertDistance(S16(d[2], d[3]) / 100.0, units));
            store.Number(kColRrWheel, plain::ConvertDistance(S16(d[0], d[1]) / 100.0, units));
            break;
        case 0x0B4:
            memory.lastSpeed = plain::ConvertDistance(S16(d[5], d[6]) * std::ldexp(1.0, -10) * 10, units);
            store.Number(kColSpeed, memory.lastSpeed);
            break;
        case 0x244:
            store.Number(kColGasPedal, d[6]);
            store.Number(kColSpeedRelated, S16(d[4], d[5]));
            break;
        case 0x3C8: store.Number(kColIceRpm, static_cast<std::uint32_t>(d[3] * 256u + d[2]) * 32u); break;
        case 0x3CA: store.Number(kColSpeedometer, RoundToStep(plain::ConvertDistance(d[2], units), 1.0)); break;
        case 0x3CB:
            store.Number(kColSoc, U16(d[2], d[3]) * 0.5);
            store.Number(kColMaxChargeCurrent, d[1]);
            store.Number(kColMaxDischargeCurrent, -d[0]);
            store.Number(kColMinBattTemp, plain::ConvertTemperature(d[5], units));
            store.Number(kColMaxBattTemp, plain::ConvertTemperature(d[4], units));
            break;
        case 0x520: store.Number(kColFuelInj, U16(d[1], d[2])); break;
        case 0x526: store.Number(kColVvti, RoundIntToStep((d[1] >> 1) - 16, 1.0)); break;
        case 0x529:
            store.Word(kColEvMode, d[4] == 0x00 ? "N" : d[4] == 0x40 ? "EV" : d[4] == 0x80 ? "Denied" : "Cancel");
            break;
        case 0x52C: store.Number(kColCoolantTemp, plain::ConvertTemperature(d[1] * 0.5, units)); break;
        case 0x540:
            store.Word(kColShifter, d[1] == 0x00   ? "B"
                                    : d[1] == 0x10 ? "D"
                                    : d[1] == 0x20 ? "N"
                                    : d[1] == 0x40 ? "R"
                                    : d[1] == 0x80 ? "P"
                                                   : "");
            break;
        case 0x56D: {
            double s = memory.lastSpeed;
            double f = memory.lastFuelFlow;
            double e;
            if (s <= 0 && f <= 0) {
                e = 0.0;
            } else if (s >= 0 && f <= 0) {
                e = 999.9;
            } else {
                e = RoundToStep(s / f, 0.1);
            }
            store.Number(kColEconomy, e);
            break;
        }
        case 0x57F:
            store.Word(kColLights, d[1] == 0x00   ? "Off"
                                   : d[1] == 0x10 ? "Parking"
                                   : d[1] == 0x30 ? "Headlights"
                                   : d[1] == 0x38 ? "HighBeams"
                                                  : "");
            break;
        case 0x5A4: store.Number(kColGasGauge, d[1]); break;
        case 0x5C8: store.Number(kColCruiseControl, (d[2] >> 4) & 1); break;
        default: break;
    }
}

}  // namespace drovane::plain
