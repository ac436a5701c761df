#pragma once
#include <cstdint>

#include "DriveState.h"
#include "PowertrainModel.h"
#include "RandomSource.h"
#include "RoutePlanner.h"

namespace drovane::synth {

// Time between two logged cycles of the car's messages.
inline constexpr double kCycleSeconds = 0.1;

// A simulated drive, advanced one logging cycle at a time. The driver follows the route's
// stretches: speed, pedals, steering, lever, lights and cruise control; the drive train follows
// the driver. Everything depends only on the seed.
class DriveModel {
public:
    explicit DriveModel(std::uint64_t seed);

    // Advances by one cycle and returns the state at its end.
    const DriveState& Step();

    const DriveState& State() const { return state_; }

private:
    void BeginStretch();
    double TargetKmh() const;
    void UpdateMotion(double dt);
    void UpdateSteering();
    void UpdateControls(double dt);
    void UpdateWheels();

    RoutePlanner route_;
    PowertrainModel powertrain_;
    RandomSource random_;
    DriveState state_;
    Stretch stretch_;
    double stretchSeconds_ = 0.0;
    double turnSign_ = 1.0;
    double turnDegrees_ = 0.0;
    double laneChangeAt_ = -1.0;
    double cruiseSetKmh_ = 0.0;
    double steadySeconds_ = 0.0;
    double highBeamSeconds_ = 0.0;
    bool dark_ = false;
    double tyreFactor_[4] = {1.0, 1.0, 1.0, 1.0};
};

}  // namespace drovane::synth
