#pragma once
#include <cstdint>

namespace drovane::synth {

enum class Gear : std::uint8_t { Park, Reverse, Neutral, Drive, EngineBrake };
enum class EvIndicator : std::uint8_t { Normal, ElectricOnly, Denied, Cancelled };
enum class LightSwitch : std::uint8_t { Off, Parking, Headlights, HighBeams };

// The car at one moment of the drive, in physical units. Signs: speeds are negative when reversing,
// battery current is positive while the pack discharges, steering is positive to the left.
struct DriveState {
    std::int64_t cycle = 0;
    double seconds = 0.0;

    // Motion.
    double speedKmh = 0.0;
    double accelMs2 = 0.0;
    double lateralMs2 = 0.0;
    double steeringDeg = 0.0;
    double wheelKmh[4] = {};  // front left, front right, rear left, rear right
    double yawRateDegS = 0.0;

    // Driver controls.
    double gasPedal = 0.0;    // 0..1
    double brakePedal = 0.0;  // 0..1
    bool brakePressed = false;
    Gear gear = Gear::Park;
    LightSwitch lights = LightSwitch::Off;
    bool cruiseMain = false;
    bool cruiseActive = false;

    // Engine.
    bool engineRunning = false;
    double engineRpm = 0.0;
    double enginePowerKw = 0.0;
    double fuelFlowLph = 0.0;
    double injectionTime = 0.0;
    double valveTimingDeg = 0.0;
    EvIndicator evIndicator = EvIndicator::Normal;

    // Traction battery.
    double batteryAmps = 0.0;
    double batteryVolts = 0.0;
    double socPercent = 0.0;
    double maxChargeAmps = 0.0;
    double maxDischargeAmps = 0.0;
    double batteryTempMinC = 0.0;
    double batteryTempMaxC = 0.0;
    double motorKw = 0.0;

    // Temperatures and fuel.
    double ambientC = 0.0;
    double engineTempC = 0.0;
    double coolantTempC = 0.0;
    double fuelLitres = 0.0;
    double odometerKm = 0.0;
};

}  // namespace drovane::synth
