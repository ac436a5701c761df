#include "DriveModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace drovane::synth {
namespace {

constexpr double kWheelbaseM = 2.7;
constexpr double kHalfTrackM = 0.75;
constexpr double kSteeringRatio = 15.0;

double Approach(double value, double target, double maxStep) {
    return value + std::clamp(target - value, -maxStep, maxStep);
}

}  // namespace

DriveModel::DriveModel(std::uint64_t seed)
    : route_(seed), powertrain_(seed), random_(seed ^ 0x44726976654D6F64ULL), stretch_(route_.Next()) {
    dark_ = random_.Chance(0.6);
    for (double& factor : tyreFactor_) factor = 1.0 + random_.Uniform(-0.003, 0.003);
    state_.lights = dark_ ? LightSwitch::Parking : LightSwitch::Off;
    BeginStretch();
}

void DriveModel::BeginStretch() {
    stretchSeconds_ = 0.0;
    turnSign_ = random_.Chance(0.5) ? 1.0 : -1.0;
    turnDegrees_ = stretch_.turnAtStart ? random_.Uniform(250.0, 420.0) : 0.0;
    if (stretch_.kind == StretchKind::Highway) turnDegrees_ = random_.Uniform(40.0, 70.0);  // the slip road
    laneChangeAt_ = stretch_.kind == StretchKind::Highway ? random_.Uniform(30.0, 60.0) : -1.0;
    steadySeconds_ = 0.0;
}

const DriveState& DriveModel::Step() {
    const double dt = kCycleSeconds;
    stretchSeconds_ += dt;
    // A stretch with a stop at its end is over only once the car stands.
    const bool standing = std::fabs(state_.speedKmh) < 0.05;
    const bool waitsToStand = stretch_.kind == StretchKind::Reversing;
    if (stretchSeconds_ >= stretch_.seconds && (!waitsToStand || standing)) {
        stretch_ = route_.Next();
        BeginStretch();
    }
    UpdateMotion(dt);
    UpdateSteering();
    UpdateControls(dt);
    UpdateWheels();
    powertrain_.Step(dt, state_);
    ++state_.cycle;
    state_.seconds += dt;
    return state_;
}

double DriveModel::TargetKmh() const {
    const double t = state_.seconds;
    switch (stretch_.kind) {
        case StretchKind::Parked:
        case StretchKind::Stopped: return 0.0;
        case StretchKind::Reversing:
            // Back out, then ease off and stop for the last two seconds.
            return stretchSeconds_ < stretch_.seconds - 2.0 ? stretch_.targetKmh : 0.0;
        case StretchKind::Town:
            if (turnDegrees_ > 0.0 && stretchSeconds_ < 6.5) return 16.0;  // round the corner slowly
            return stretch_.targetKmh + 5.0 * std::sin(t / 7.3) + 3.0 * std::sin(t / 2.9);
        case StretchKind::Highway:
            if (state_.cruiseActive) return cruiseSetKmh_;
            return stretch_.targetKmh + 6.0 * std::sin(t / 23.0) + 2.0 * std::sin(t / 5.1);
        case StretchKind::ExitRamp: return stretch_.targetKmh;
    }
    return 0.0;
}

void DriveModel::UpdateMotion(double dt) {
    const double speedMs = state_.speedKmh / 3.6;
    const double targetMs = TargetKmh() / 3.6;
    const double accelLimit = std::max(0.9, 2.6 - 0.05 * std::fabs(speedMs));
    const double brakeLimit = stretch_.kind == StretchKind::Stopped ? 2.6 : 2.0;
    double wanted = std::clamp(0.35 * (targetMs - speedMs), -brakeLimit, accelLimit);
    if (stretch_.kind == StretchKind::Reversing) wanted = std::clamp(wanted, -1.0, 1.0);
    // Smooth pedal work: the acceleration changes by a few m/s² per second at most.
    state_.accelMs2 = Approach(state_.accelMs2, wanted, (wanted > state_.accelMs2 ? 3.0 : 4.0) * dt);
    double next = speedMs + state_.accelMs2 * dt;
    const bool reversing = stretch_.kind == StretchKind::Reversing;
    if ((!reversing && next < 0.0) || (reversing && next > 0.0) || (targetMs == 0.0 && std::fabs(next) < 0.03)) {
        next = 0.0;
        state_.accelMs2 = 0.0;
    }
    state_.odometerKm += std::fabs(next) * dt / 1000.0;
    state_.speedKmh = next * 3.6;
}

void DriveModel::UpdateSteering() {
    double angle = 0.0;
    if (turnDegrees_ > 0.0 && std::fabs(state_.speedKmh) > 2.0) {
        // A turn: wind in over two seconds, hold, unwind.
        const double phase = stretchSeconds_;
        const double shape = phase < 2.0 ? phase / 2.0 : phase < 4.5 ? 1.0 : phase < 6.5 ? (6.5 - phase) / 2.0 : 0.0;
        angle = turnSign_ * turnDegrees_ * shape;
    }
    if (laneChangeAt_ > 0.0) {
        const double phase = stretchSeconds_ - laneChangeAt_;
        if (phase > 0.0 && phase < 4.0) angle += 8.0 * std::sin(phase * std::numbers::pi / 2.0);
    }
    if (stretch_.kind == StretchKind::Reversing) angle = 180.0 * std::sin(stretchSeconds_ / 3.0);
    angle += 1.5 * std::sin(state_.seconds * 0.9) + random_.Uniform(-0.4, 0.4);
    // Drivers keep the sideways pull below about 4.5 m/s² however the road bends.
    const double speedMs = state_.speedKmh / 3.6;
    if (std::fabs(speedMs) > 1.0) {
        const double maxWheelAngle = std::atan(4.5 * kWheelbaseM / (speedMs * speedMs));
        const double maxAngle = maxWheelAngle * 180.0 / std::numbers::pi * kSteeringRatio;
        angle = std::clamp(angle, -maxAngle, maxAngle);
    }
    state_.steeringDeg = angle;

    const double wheelAngle = angle / kSteeringRatio * std::numbers::pi / 180.0;
    const double curvature = std::tan(wheelAngle) / kWheelbaseM;
    state_.lateralMs2 = speedMs * speedMs * curvature;
    state_.yawRateDegS = speedMs * curvature * 180.0 / std::numbers::pi;
}

void DriveModel::UpdateControls(double dt) {
    const double speedMs = std::fabs(state_.speedKmh) / 3.6;
    const double resistance = speedMs > 0.05 ? 0.12 + 0.00032 * speedMs * speedMs : 0.0;
    const double direction = state_.speedKmh < -0.01 || stretch_.kind == StretchKind::Reversing ? -1.0 : 1.0;
    const double traction = state_.accelMs2 * direction + resistance;

    // Cruise control: switched on when entering the highway, set after a steady stretch.
    state_.cruiseMain = stretch_.kind == StretchKind::Highway;
    if (stretch_.kind == StretchKind::Highway && !state_.cruiseActive) {
        steadySeconds_ = std::fabs(state_.accelMs2) < 0.25 && state_.speedKmh > 80.0 ? steadySeconds_ + dt : 0.0;
        if (steadySeconds_ > 15.0) {
            state_.cruiseActive = true;
            cruiseSetKmh_ = std::round(state_.speedKmh);
        }
    }
    if (stretch_.kind != StretchKind::Highway) state_.cruiseActive = false;

    const bool standingStill = std::fabs(state_.speedKmh) < 0.05;
    state_.gasPedal = state_.cruiseActive ? 0.0 : std::clamp(traction / 3.2, 0.0, 1.0);
    state_.brakePedal = std::clamp((-traction - 0.15) / 4.0, 0.0, 1.0);
    if (standingStill && stretch_.kind != StretchKind::Parked) state_.brakePedal = 0.22;  // foot on the brake
    if (stretch_.kind == StretchKind::Parked) state_.brakePedal = stretchSeconds_ < 2.0 ? 0.3 : 0.0;
    state_.brakePressed = state_.brakePedal > 0.02;
    if (state_.brakePressed) state_.cruiseActive = false;

    switch (stretch_.kind) {
        case StretchKind::Parked: state_.gear = Gear::Park; break;
        case StretchKind::Reversing: state_.gear = Gear::Reverse; break;
        case StretchKind::Stopped:
            // After backing out the lever passes through N on its way to D.
            if (state_.gear == Gear::Reverse || (state_.gear == Gear::Neutral && stretchSeconds_ < 1.5)) {
                state_.gear = Gear::Neutral;
            } else {
                state_.gear = Gear::Drive;
            }
            break;
        case StretchKind::ExitRamp: state_.gear = stretchSeconds_ < 9.0 ? Gear::EngineBrake : Gear::Drive; break;
        case StretchKind::Town:
        case StretchKind::Highway: state_.gear = Gear::Drive; break;
    }

    if (dark_) {
        if (stretch_.kind == StretchKind::Parked) {
            state_.lights = LightSwitch::Parking;
        } else if (stretch_.kind == StretchKind::Highway && stretchSeconds_ > 20.0) {
            highBeamSeconds_ += dt;
            // High beams on and off with the oncoming traffic.
            const bool high = std::fmod(highBeamSeconds_, 45.0) < 25.0;
            state_.lights = high ? LightSwitch::HighBeams : LightSwitch::Headlights;
        } else {
            state_.lights = LightSwitch::Headlights;
        }
    }
}

void DriveModel::UpdateWheels() {
    const double wheelAngle = state_.steeringDeg / kSteeringRatio * std::numbers::pi / 180.0;
    const double curvature = std::tan(wheelAngle) / kWheelbaseM;
    const double left = 1.0 - curvature * kHalfTrackM;
    const double right = 1.0 + curvature * kHalfTrackM;
    const double factors[4] = {left, right, left, right};
    for (int wheel = 0; wheel < 4; ++wheel) {
        const double noise = state_.speedKmh == 0.0 ? 0.0 : random_.Uniform(-0.04, 0.04);
        state_.wheelKmh[wheel] = state_.speedKmh * factors[wheel] * tyreFactor_[wheel] + noise;
    }
}

}  // namespace drovane::synth
