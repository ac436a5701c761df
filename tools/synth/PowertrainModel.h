#pragma once
#include <cstdint>

#include "DriveState.h"
#include "RandomSource.h"

namespace drovane::synth {

// The hybrid drive train: an engine that starts and stops with the power asked for and its own
// warm-up, a traction battery that gives current when driving hard and takes it back when braking,
// and the temperatures and fuel that follow from both.
class PowertrainModel {
public:
    explicit PowertrainModel(std::uint64_t seed);

    // Advances by `dt` seconds. Reads the motion and controls from `state` (speed, acceleration,
    // gear, pedals) and writes the engine, battery, temperature and fuel members.
    void Step(double dt, DriveState& state);

private:
    bool WantsEngine(const DriveState& state, double demandKw) const;
    void UpdateEngine(double dt, double demandKw, double accelerationKw, DriveState& state);
    void UpdateBattery(double dt, double demandKw, DriveState& state);
    void UpdateTemperatures(double dt, DriveState& state);

    RandomSource random_;
    double ambientC_;
    double engineTempC_;
    double coolantTempC_;
    double batteryTempC_;
    double socPercent_;
    double fuelLitres_;
    double batteryVolts_ = 214.0;
    double engineRpm_ = 0.0;
    bool engineOn_ = false;
    double secondsInEngineState_ = 0.0;
    double cancelIndicatorSeconds_ = 0.0;
};

}  // namespace drovane::synth
