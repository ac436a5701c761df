#include "TruthDecoder.h"

#include <cstdio>

#include "TruthArithmetic.h"

namespace drovane::synth {
namespace {

using namespace truth;

std::int32_t U16(std::uint8_t high, std::uint8_t low) { return high * 256 + low; }
std::int32_t S16(std::uint8_t high, std::uint8_t low) { return static_cast<std::int16_t>(high * 256 + low); }

std::string_view EvModeWord(std::uint8_t code) {
    switch (code) {
        case 0x00: return "N";
        case 0x40: return "EV";
        case 0x80: return "Denied";
        default: return "Cancel";
    }
}

std::string_view ShifterWord(std::uint8_t code) {
    switch (code) {
        case 0x00: return "B";
        case 0x10: return "D";
        case 0x20: return "N";
        case 0x40: return "R";
        case 0x80: return "P";
        default: return "";
    }
}

std::string_view LightsWord(std::uint8_t code) {
    switch (code) {
        case 0x00: return "Off";
        case 0x10: return "Parking";
        case 0x30: return "Headlights";
        case 0x38: return "HighBeams";
        default: return "";
    }
}

}  // namespace

void TruthDecoder::Decode(const SynthRecord& record) {
    const auto d = [&record](int index) { return record.Data(index); };
    switch (record.Id()) {
        case 0x022:
            StoreNumber(kSideAccel, U16(d(0), d(1)) - 512);
            StoreNumber(kSideAccel1, U16(d(2), d(3)) - 512);
            break;
        case 0x023:
            StoreNumber(kFwdAccel, U16(d(0), d(1)) - 512);
            StoreNumber(kFwdAccel2, U16(d(2), d(3)) - 512);
            break;
        case 0x025:
            StoreNumber(kSteering, SignExtend12(d(0), d(1)) - SignExtend12(d(2), d(3)));
            break;
        case 0x030:
            StoreNumber(kBrakePedal, RoundToStep(d(4) / 1.269, 1.0));
            StoreNumber(kBrakePressed, (d(0) & 0x80) == 0 ? 1 : 0);
            break;
        case 0x038: {
            const double flow = units_ == UnitSystem::US ? d(1) * 0.264172052 : static_cast<double>(d(1));
            lastFuelFlow_ = RoundToStep(flow / 10, 0.01);
            StoreNumber(kFuelFlow, lastFuelFlow_);
            break;
        }
        case 0x039:
            StoreNumber(kIceTemp, ConvertTemperature(d(0), units_));
            break;
        case 0x03B: {
            const std::int32_t negated = -SignExtend12(d(0), d(1));
            StoreNumber(kAmps, negated * 0.1);
            StoreNumber(kVoltage, U16(d(2), d(3)));
            break;
        }
        case 0x0B1:
            StoreNumber(kFlWheel, ConvertDistance(S16(d(2), d(3)) / 100.0, units_));
            StoreNumber(kFrWheel, ConvertDistance(S16(d(0), d(1)) / 100.0, units_));
            break;
        case 0x0B3:
            StoreNumber(kRlWheel, ConvertDistance(S16(d(2), d(3)) / 100.0, units_));
            StoreNumber(kRrWheel, ConvertDistance(S16(d(0), d(1)) / 100.0, units_));
            break;
        case 0x0B4:
            lastSpeed_ = ConvertDistance(S16(d(5), d(6)) * 0x1.0p-10 * 10, units_);
            StoreNumber(kSpeed, lastSpeed_);
            break;
        case 0x244:
            StoreNumber(kGasPedal, d(6));
            StoreNumber(kSpeedRelated, S16(d(4), d(5)));
            break;
        case 0x3C8:
            StoreNumber(kIceRpm, static_cast<double>(static_cast<std::uint32_t>(d(3) * 256 + d(2)) * 32U));
            break;
        case 0x3CA:
            StoreNumber(kSpeedometer, RoundToStep(ConvertDistance(d(2), units_), 1.0));
            break;
        case 0x3CB:
            StoreNumber(kSoc, U16(d(2), d(3)) * 0.5);
            StoreNumber(kMaxCharge, d(1));
            StoreNumber(kMaxDischarge, -static_cast<std::int32_t>(d(0)));
            StoreNumber(kMinBattTemp, ConvertTemperature(d(5), units_));
            StoreNumber(kMaxBattTemp, ConvertTemperature(d(4), units_));
            break;
        case 0x520:
            StoreNumber(kFuelInj, U16(d(1), d(2)));
            break;
        case 0x526:
            StoreNumber(kVvti, (d(1) >> 1) - 16);
            break;
        case 0x529:
            StoreWord(kEvMode, EvModeWord(d(4)));
            break;
        case 0x52C:
            StoreNumber(kCoolantTemp, ConvertTemperature(d(1) * 0.5, units_));
            break;
        case 0x540:
            StoreWord(kShifter, ShifterWord(d(1)));
            break;
        case 0x56D: {
            const double s = lastSpeed_;
            const double f = lastFuelFlow_;
            double economy = 0.0;
            if (s <= 0.0 && f <= 0.0) {
                economy = 0.0;
            } else if (s >= 0.0 && f <= 0.0) {
                economy = 999.9;
            } else {
                economy = RoundToStep(s / f, 0.1);
            }
            StoreNumber(kEconomy, economy);
            break;
        }
        case 0x57F:
            StoreWord(kLights, LightsWord(d(1)));
            break;
        case 0x5A4:
            StoreNumber(kGasGauge, d(1));
            break;
        case 0x5C8:
            StoreNumber(kCruiseControl, (d(2) >> 4) & 1);
            break;
        default:
            break;
    }
}

void TruthDecoder::StoreNumber(int column, double value) {
    const std::int32_t whole = TruncateForRange(value);
    const CsvColumn& limits = Column(column);
    if (whole < limits.min || whole > limits.max) {
        ++rangeRejections_;
        return;
    }
    cells_[static_cast<std::size_t>(column)] = Cell{true, false, value, {}};
}

void TruthDecoder::StoreWord(int column, std::string_view word) {
    cells_[static_cast<std::size_t>(column)] = Cell{true, true, 0.0, word};
}

void TruthDecoder::ClearValid() {
    for (Cell& cell : cells_) cell.valid = false;
}

int TruthDecoder::ValidFieldCount() const {
    int valid = 0;
    for (int column = 1; column < kColumnCount; ++column) valid += cells_[static_cast<std::size_t>(column)].valid ? 1 : 0;
    return valid;
}

void TruthDecoder::AppendCell(const Cell& cell, std::string& out) const {
    if (!cell.valid) return;
    if (cell.isWord) {
        out += '"';
        out += cell.word;
        out += '"';
        return;
    }
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%1g", cell.number);
    out.append(text, static_cast<std::size_t>(length));
}

void TruthDecoder::AppendRow(std::int64_t packetNumber, std::string& out) const {
    out += std::to_string(packetNumber);
    for (int column = 1; column < kColumnCount; ++column) {
        out += ',';
        AppendCell(cells_[static_cast<std::size_t>(column)], out);
    }
    out += '\n';
}

void TruthDecoder::AppendHeader(UnitSystem units, std::string& out) {
    for (int column = 0; column < kColumnCount; ++column) {
        if (column > 0) out += ',';
        out += '"';
        out += ColumnName(column, units);
        out += '"';
    }
    out += '\n';
}

std::string TruthDecoder::CellText(int column) const {
    std::string text;
    AppendCell(cells_.at(static_cast<std::size_t>(column)), text);
    return text;
}

}  // namespace drovane::synth
