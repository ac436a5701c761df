#pragma once
#include <cstdint>

#include "RandomSource.h"

namespace drovane::synth {

enum class StretchKind : std::uint8_t { Parked, Reversing, Stopped, Town, Highway, ExitRamp };

// One stretch of the route: what the driver does and for how long.
struct Stretch {
    StretchKind kind = StretchKind::Parked;
    double seconds = 0.0;
    double targetKmh = 0.0;    // cruising speed aimed at; negative when reversing
    bool turnAtStart = false;  // the stretch begins with a turn at a crossing
};

// Lays out a drive as it unrolls: backing out of a parking space, then town blocks separated by
// traffic lights, now and then a highway run left by an exit ramp.
class RoutePlanner {
public:
    explicit RoutePlanner(std::uint64_t seed);

    // The next stretch of the route; the route never ends.
    Stretch Next();

private:
    Stretch Town();
    Stretch TrafficLight();

    RandomSource random_;
    int step_ = 0;
    int townBlocksLeft_ = 0;
    bool lastWasStop_ = false;
    bool rampPending_ = false;
    bool townPending_ = false;
};

}  // namespace drovane::synth
