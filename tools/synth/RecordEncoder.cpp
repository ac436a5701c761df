#include "RecordEncoder.h"

#include <algorithm>
#include <cmath>

#include "KnownMessages.h"

namespace drovane::synth {
namespace {

// Sensor noise that depends only on the cycle and a salt, in [-1, 1).
double Jitter(std::int64_t cycle, std::uint64_t salt) {
    std::uint64_t z = static_cast<std::uint64_t>(cycle) * 0x9E3779B97F4A7C15ULL + salt * 0xD1B54A32D192ED03ULL;
    z = (z ^ (z >> 31)) * 0xBF58476D1CE4E5B9ULL;
    z ^= z >> 29;
    return static_cast<double>(z >> 11) * 0x1.0p-52 - 1.0;
}

long Round(double value) { return std::lround(value); }

std::uint8_t Clamp8(double value) { return static_cast<std::uint8_t>(std::clamp(Round(value), 0L, 255L)); }

class RecordBuilder {
public:
    explicit RecordBuilder(std::uint16_t id) {
        record_.bytes[0] = static_cast<std::uint8_t>(id >> 8);
        record_.bytes[1] = static_cast<std::uint8_t>(id & 0xFF);
        record_.bytes[2] = KnownLength(id);
    }

    RecordBuilder& Byte(int index, std::uint8_t value) {
        record_.Data(index) = value;
        return *this;
    }
    // Two bytes, high byte first; a negative value is stored in two's complement.
    RecordBuilder& Word(int index, long value) {
        const auto word = static_cast<std::uint16_t>(std::clamp(value, -32768L, 65535L) & 0xFFFF);
        record_.Data(index) = static_cast<std::uint8_t>(word >> 8);
        record_.Data(index + 1) = static_cast<std::uint8_t>(word & 0xFF);
        return *this;
    }
    // A signed 12-bit value in two bytes whose top four bits stay clear.
    RecordBuilder& Signed12(int index, long value) {
        const auto word = static_cast<std::uint16_t>(std::clamp(value, -2048L, 2047L) & 0x0FFF);
        return Word(index, word);
    }
    // The sum of header and data bytes in the message's last data byte, as the car's ECUs do.
    RecordBuilder& Checksum() {
        const int last = record_.Length() - 1;
        unsigned sum = 0;
        for (int i = 0; i < SynthRecord::kHeaderSize + last; ++i) sum += record_.bytes[i];
        record_.Data(last) = static_cast<std::uint8_t>(sum & 0xFF);
        return *this;
    }
    SynthRecord Build() const { return record_; }

private:
    SynthRecord record_;
};

std::uint8_t Counter(std::int64_t cycle, int modulo = 256) { return static_cast<std::uint8_t>(cycle % modulo); }

// Messages whose contents the converter does not read: steady status bytes, a few of them
// following the car, a rolling counter in the last byte.
SynthRecord EncodeStatus(std::uint16_t id, const DriveState& s, std::int64_t cycle) {
    RecordBuilder r(id);
    const int length = KnownLength(id);
    std::uint64_t pattern = id * 0x2545F4914F6CDD1DULL;
    for (int i = 0; i < length; ++i) {
        r.Byte(i, static_cast<std::uint8_t>((pattern >> (8 * i)) & 0x3F));
    }
    const bool moving = std::fabs(s.speedKmh) > 0.1;
    switch (id) {
        case 0x002:  // second steering angle sensor
            r.Signed12(0, Round(s.steeringDeg * 1.5)).Byte(2, Counter(cycle)).Checksum();
            break;
        case 0x020:  // yaw rate and a cycle counter
            r.Word(0, 0x0200 + Round(s.yawRateDegS * 4.0)).Byte(2, Counter(cycle));
            break;
        case 0x03A:  // accelerator pedal sensors
            r.Byte(0, Clamp8(s.gasPedal * 204.0 + 20.0)).Byte(1, Clamp8(s.gasPedal * 180.0 + 40.0));
            break;
        case 0x03E: r.Byte(0, GearCode(s.gear)).Byte(2, Counter(cycle, 16)); break;
        case 0x060:  // fuel level sender
            r.Byte(1, Clamp8(s.fuelLitres * 4.0));
            break;
        case 0x0B0:  // brake pressure
            r.Word(0, Round(s.brakePedal * 4000.0)).Byte(2, Counter(cycle));
            break;
        case 0x0C9:  // motor power
            r.Word(0, Round(s.motorKw * 10.0)).Byte(2, s.engineRunning ? 0x10 : 0x00);
            break;
        case 0x120:  // drive mode: lever, ready, engine
            r.Byte(0, GearCode(s.gear))
                .Byte(1, 0x01)
                .Byte(2, s.engineRunning ? 0x10 : 0x00)
                .Byte(6, Counter(cycle))
                .Checksum();
            break;
        case 0x230:  // wheel cylinder pressures
            r.Word(0, Round(s.brakePedal * 3600.0)).Word(2, Round(s.brakePedal * 2500.0));
            break;
        case 0x262:  // power steering assist
            r.Byte(0, Clamp8(std::fabs(s.steeringDeg) / 4.0)).Byte(1, moving ? 0x04 : 0x00);
            break;
        case 0x348:  // engine power asked for
            r.Word(0, Round(s.enginePowerKw * 10.0)).Byte(2, Clamp8(s.engineRpm / 50.0));
            break;
        case 0x34F:  // lever position sensor
            r.Byte(0, GearCode(s.gear)).Byte(1, 0x00);
            break;
        case 0x3C9:  // motor-generator speeds
            r.Word(0, Round(s.speedKmh * 52.0)).Word(2, Round(s.engineRpm * 2.6 - s.speedKmh * 38.0));
            break;
        case 0x3CD:  // battery blower
            r.Byte(0, Clamp8((s.batteryTempMaxC - 25.0) / 2.0)).Byte(1, Clamp8(s.batteryTempMinC + 40.0));
            break;
        case 0x3CF:  // inverter and motor temperatures
            r.Byte(0, Clamp8(s.ambientC + 40.0 + std::fabs(s.motorKw) * 0.3)).Byte(1, Clamp8(s.ambientC + 45.0));
            break;
        case 0x423:  // doors closed, ready
            r.Byte(0, 0x00);
            break;
        case 0x4C1:
        case 0x4C3:
        case 0x4C6:
        case 0x4C7:
        case 0x4C8:
        case 0x4CE:
        case 0x4D0:
        case 0x4D1: {
            // Battery block voltages in 10 mV, four blocks a message.
            const double block = s.batteryVolts / 14.0;
            for (int i = 0; i < 4; ++i) r.Word(2 * i, Round(block * 100.0 + Jitter(cycle, id * 4 + i) * 3.0));
            break;
        }
        case 0x521:  // fuel used
            r.Byte(0, 0x00).Byte(1, Clamp8(s.fuelFlowLph * 10.0));
            break;
        case 0x527:
        case 0x528:  // outside air
            r.Byte(0, Clamp8(s.ambientC + 40.0));
            break;
        case 0x553:
        case 0x554:  // climate control: set point, fan
            r.Byte(0, 44).Byte(1, 3);
            break;
        case 0x56D:  // closes the cycle: trip distance and a counter
            r.Byte(0, 0x00).Word(1, Round(s.odometerKm * 10.0) & 0x3FFF).Byte(3, Counter(cycle));
            break;
        default: break;
    }
    if (length > 1 && id != 0x020 && id != 0x56D && id != 0x120 && id != 0x002) {
        r.Byte(length - 1, static_cast<std::uint8_t>((pattern >> 56 & 0xF0) | Counter(cycle, 16)));
    }
    return r.Build();
}

}  // namespace

std::uint8_t GearCode(Gear gear) {
    switch (gear) {
        case Gear::Park: return 0x80;
        case Gear::Reverse: return 0x40;
        case Gear::Neutral: return 0x20;
        case Gear::Drive: return 0x10;
        case Gear::EngineBrake: return 0x00;
    }
    return 0x80;
}

std::uint8_t EvIndicatorCode(EvIndicator indicator) {
    switch (indicator) {
        case EvIndicator::Normal: return 0x00;
        case EvIndicator::ElectricOnly: return 0x40;
        case EvIndicator::Denied: return 0x80;
        case EvIndicator::Cancelled: return 0xC0;
    }
    return 0x00;
}

std::uint8_t LightSwitchCode(LightSwitch lights) {
    switch (lights) {
        case LightSwitch::Off: return 0x00;
        case LightSwitch::Parking: return 0x10;
        case LightSwitch::Headlights: return 0x30;
        case LightSwitch::HighBeams: return 0x38;
    }
    return 0x00;
}

SynthRecord EncodeRecord(std::uint16_t id, const DriveState& s, std::int64_t cycle) {
    RecordBuilder r(id);
    const double speed = s.speedKmh;
    switch (id) {
        case 0x022: {  // lateral acceleration from two sensors, in 0.025 m/s², around 512
            const double lateral = s.lateralMs2 * 40.0;
            r.Word(0, std::clamp(512 + Round(lateral + Jitter(cycle, 1)), 0L, 1024L))
                .Word(2, std::clamp(512 + Round(lateral * 0.98 + 2.0 + Jitter(cycle, 2)), 0L, 1024L))
                .Word(4, 0x8000 + Round(s.yawRateDegS * 10.0))
                .Byte(6, 0x00)
                .Byte(7, Counter(cycle));
            return r.Build();
        }
        case 0x023: {  // longitudinal acceleration, same scale
            const double forward = s.accelMs2 * 40.0;
            r.Word(0, std::clamp(512 + Round(forward + Jitter(cycle, 3)), 0L, 1024L))
                .Word(2, std::clamp(512 + Round(forward * 1.01 - 1.0 + Jitter(cycle, 4)), 0L, 1024L))
                .Byte(4, 0x00)
                .Byte(5, 0x01)
                .Byte(6, Counter(cycle));
            return r.Build();
        }
        case 0x025:  // steering wheel angle in degrees, minus the sensor's zero point
            r.Signed12(0, Round(s.steeringDeg) + 6).Signed12(2, 6).Byte(4, 0x78).Byte(5, 0x00).Byte(6, 0x00).Checksum();
            return r.Build();
        case 0x030:  // brake pedal: bit 7 of D0 clears while pressed
            r.Byte(0, s.brakePressed ? 0x02 : 0x82).Byte(4, Clamp8(s.brakePedal * 160.0)).Byte(7, Counter(cycle));
            return r.Build();
        case 0x038:  // fuel flow in 0.1 L/h
            r.Byte(0, s.engineRunning ? 0x01 : 0x00).Byte(1, Clamp8(s.fuelFlowLph * 10.0)).Byte(6, Counter(cycle));
            return r.Build();
        case 0x039:  // engine temperature in °C
            r.Byte(0, Clamp8(s.engineTempC)).Byte(1, Clamp8(s.engineTempC * 0.9)).Byte(2, 0x00).Checksum();
            return r.Build();
        case 0x03B:  // battery current (12 bits, in 0.1 A, positive while discharging) and voltage
            // in V; the converter negates the current, so charging reads positive in the CSV like
            // "Max Charge Current" and discharging negative like "Max Discharge Current"
            r.Signed12(0, Round(s.batteryAmps * 10.0)).Word(2, Round(s.batteryVolts)).Checksum();
            return r.Build();
        case 0x0B1:  // front wheel speeds in 0.01 km/h: right, then left
            r.Word(0, Round(s.wheelKmh[1] * 100.0))
                .Word(2, Round(s.wheelKmh[0] * 100.0))
                .Byte(4, Counter(cycle))
                .Checksum();
            return r.Build();
        case 0x0B3:  // rear wheel speeds
            r.Word(0, Round(s.wheelKmh[3] * 100.0))
                .Word(2, Round(s.wheelKmh[2] * 100.0))
                .Byte(4, Counter(cycle))
                .Checksum();
            return r.Build();
        case 0x0B4:  // vehicle speed in 1/102.4 km/h
            r.Byte(4, Counter(cycle)).Word(5, Round(speed * 102.4)).Checksum();
            return r.Build();
        case 0x244:  // axle speed and accelerator pedal
            r.Byte(0, 0x00)
                .Byte(1, 0x00)
                .Word(2, Round(s.enginePowerKw * 4.0))
                .Word(4, Round(speed * 64.0))
                .Byte(6, Clamp8(s.gasPedal * 200.0))
                .Byte(7, Counter(cycle));
            return r.Build();
        case 0x3C8: {  // engine speed in 32 rpm, low byte first
            const long raw = std::clamp(Round(s.engineRpm / 32.0), 0L, 250L);
            r.Byte(0, s.engineRunning ? 0x03 : 0x00)
                .Byte(1, 0x00)
                .Byte(2, static_cast<std::uint8_t>(raw & 0xFF))
                .Byte(3, static_cast<std::uint8_t>(raw >> 8))
                .Checksum();
            return r.Build();
        }
        case 0x3CA:  // speedometer, which reads a little high
            r.Byte(0, 0x00)
                .Byte(1, 0x00)
                .Byte(2, Clamp8(std::min(150.0, std::fabs(speed) * 1.03)))
                .Byte(3, 0x00)
                .Checksum();
            return r.Build();
        case 0x3CB:  // battery limits, state of charge in 0.5 %, block temperatures in °C
            r.Byte(0, Clamp8(s.maxDischargeAmps))
                .Byte(1, Clamp8(s.maxChargeAmps))
                .Word(2, Round(s.socPercent * 2.0))
                .Byte(4, Clamp8(s.batteryTempMaxC))
                .Byte(5, Clamp8(s.batteryTempMinC))
                .Checksum();
            return r.Build();
        case 0x520:  // injection time
            r.Byte(0, s.engineRunning ? 0x20 : 0x00).Word(1, std::clamp(Round(s.injectionTime), 0L, 32767L));
            return r.Build();
        case 0x526:  // valve timing: (degrees + 16) × 2
            r.Byte(0, 0x00).Byte(1, Clamp8((s.valveTimingDeg + 16.0) * 2.0)).Byte(2, Counter(cycle, 16));
            return r.Build();
        case 0x529:  // EV mode indicator in D4
            r.Byte(0, 0x00)
                .Byte(1, 0x00)
                .Byte(2, 0x00)
                .Byte(3, 0x00)
                .Byte(4, EvIndicatorCode(s.evIndicator))
                .Byte(5, 0x00)
                .Byte(6, Counter(cycle, 16));
            return r.Build();
        case 0x52C:  // coolant temperature in 0.5 °C
            r.Byte(0, 0x02).Byte(1, Clamp8(s.coolantTempC * 2.0));
            return r.Build();
        case 0x540:  // shift lever
            r.Byte(0, 0x00).Byte(1, GearCode(s.gear)).Byte(2, 0x00).Byte(3, Counter(cycle, 16));
            return r.Build();
        case 0x57F:  // light switch
            r.Byte(0, 0x00)
                .Byte(1, LightSwitchCode(s.lights))
                .Byte(2, 0x00)
                .Byte(3, 0x00)
                .Byte(4, 0x00)
                .Byte(5, 0x00)
                .Byte(6, Counter(cycle, 16));
            return r.Build();
        case 0x5A4:  // fuel gauge in litres
            r.Byte(0, 0x01).Byte(1, Clamp8(s.fuelLitres));
            return r.Build();
        case 0x5C8:  // cruise control: main switch bit 5, engaged bit 4
            r.Byte(0, 0x00).Byte(1, 0x00).Byte(
                2, static_cast<std::uint8_t>((s.cruiseMain ? 0x20 : 0x00) | (s.cruiseActive ? 0x10 : 0x00)));
            return r.Build();
        default: return EncodeStatus(id, s, cycle);
    }
}

}  // namespace drovane::synth
