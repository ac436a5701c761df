#include "RoutePlanner.h"

namespace drovane::synth {

RoutePlanner::RoutePlanner(std::uint64_t seed) : random_(seed ^ 0x526F7574654D6170ULL) {}

Stretch RoutePlanner::Next() {
    const int step = step_++;
    switch (step) {
        case 0:  // standing in the parking space while the system gets ready
            return {StretchKind::Parked, random_.Uniform(5.0, 9.0), 0.0, false};
        case 1: return {StretchKind::Reversing, random_.Uniform(5.0, 8.0), -random_.Uniform(4.0, 6.5), false};
        case 2:  // stopped after backing out while the lever goes through N to D
            lastWasStop_ = true;
            return {StretchKind::Stopped, random_.Uniform(3.5, 5.0), 0.0, false};
        default: break;
    }
    if (rampPending_) {
        rampPending_ = false;
        townPending_ = true;
        return {StretchKind::ExitRamp, random_.Uniform(14.0, 20.0), random_.Uniform(45.0, 55.0), false};
    }
    if (townPending_) {  // the ramp leads straight into town, still at speed: no turn
        townPending_ = false;
        Stretch town = Town();
        town.turnAtStart = false;
        return town;
    }
    if (!lastWasStop_) return TrafficLight();
    lastWasStop_ = false;
    if (townBlocksLeft_ > 0) {
        --townBlocksLeft_;
        return Town();
    }
    if (random_.Chance(0.55)) {
        townBlocksLeft_ = static_cast<int>(random_.Between(1, 3));
        rampPending_ = true;
        return {StretchKind::Highway, random_.Uniform(100.0, 320.0), random_.Uniform(95.0, 118.0), true};
    }
    townBlocksLeft_ = static_cast<int>(random_.Between(1, 3));
    return Town();
}

Stretch RoutePlanner::Town() {
    const bool turn = random_.Chance(0.5);
    return {StretchKind::Town, random_.Uniform(25.0, 80.0), random_.Uniform(30.0, 52.0), turn};
}

Stretch RoutePlanner::TrafficLight() {
    lastWasStop_ = true;
    return {StretchKind::Stopped, random_.Uniform(12.0, 40.0), 0.0, false};
}

}  // namespace drovane::synth
