#include "SensorNoise.h"

#include <algorithm>
#include <cmath>

namespace drovane::synth {
namespace {

// `value` plus noise uniform in [-spread, spread), kept inside [low, high]; zero stays zero.
double Noisy(double value, double spread, RandomSource& random, double low = -1.0e9, double high = 1.0e9) {
    if (value == 0.0) return value;
    return std::clamp(value + random.Uniform(-spread, spread), low, high);
}

}  // namespace

DriveState NoisyReadings(const DriveState& state, RandomSource& random) {
    DriveState s = state;
    if (std::fabs(s.speedKmh) > 0.5) s.speedKmh = Noisy(s.speedKmh, 0.4, random);
    for (double& wheel : s.wheelKmh) {
        if (std::fabs(wheel) > 0.5) wheel = Noisy(wheel, 0.3, random);
    }
    s.accelMs2 = Noisy(s.accelMs2, 0.1, random);
    s.lateralMs2 = Noisy(s.lateralMs2, 0.1, random);
    s.steeringDeg = Noisy(s.steeringDeg, 1.5, random);
    s.gasPedal = Noisy(s.gasPedal, 0.02, random, 0.0, 1.0);
    s.brakePedal = Noisy(s.brakePedal, 0.02, random, 0.0, 0.79);
    s.engineRpm = Noisy(s.engineRpm, 60.0, random, 0.0, 7900.0);
    s.fuelFlowLph = Noisy(s.fuelFlowLph, s.fuelFlowLph * 0.05, random, 0.0, 25.0);
    s.injectionTime = Noisy(s.injectionTime, s.injectionTime * 0.05, random, 0.0, 32767.0);
    s.valveTimingDeg = Noisy(s.valveTimingDeg, 2.0, random, -16.0, 100.0);
    s.batteryAmps = Noisy(s.batteryAmps, 1.5, random, -190.0, 190.0);
    s.batteryVolts = Noisy(s.batteryVolts, 1.5, random, 100.0, 400.0);
    s.socPercent = Noisy(s.socPercent, 0.6, random, 0.0, 100.0);
    s.maxChargeAmps = Noisy(s.maxChargeAmps, 2.0, random, 0.0, 200.0);
    s.maxDischargeAmps = Noisy(s.maxDischargeAmps, 2.0, random, 0.0, 200.0);
    s.batteryTempMinC = Noisy(s.batteryTempMinC, 1.2, random, 0.0, 120.0);
    s.batteryTempMaxC = Noisy(s.batteryTempMaxC, 1.2, random, 0.0, 120.0);
    s.engineTempC = Noisy(s.engineTempC, 1.2, random, 0.0, 140.0);
    s.coolantTempC = Noisy(s.coolantTempC, 1.2, random, 0.0, 140.0);
    s.fuelLitres = Noisy(s.fuelLitres, 0.8, random, 0.0, 100.0);
    return s;
}

}  // namespace drovane::synth
