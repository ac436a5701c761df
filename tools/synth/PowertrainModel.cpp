#include "PowertrainModel.h"

#include <algorithm>
#include <cmath>

namespace drovane::synth {
namespace {

constexpr double kAccessoryKw = 0.45;
constexpr double kMaxEngineKw = 73.0;
constexpr double kMaxRegenKw = 21.0;
constexpr double kAssistAboveKw = 6.0;
constexpr double kAssistShare = 0.5;
constexpr double kPackAmpHours = 6.5;
constexpr double kPackOhms = 0.14;
constexpr double kMinEngineOnSeconds = 8.0;
constexpr double kMinEngineOffSeconds = 3.0;

}  // namespace

PowertrainModel::PowertrainModel(std::uint64_t seed) : random_(seed ^ 0x506F776572547261ULL) {
    ambientC_ = random_.Uniform(9.0, 24.0);
    engineTempC_ = ambientC_ + random_.Uniform(0.0, 3.0);
    coolantTempC_ = engineTempC_ - 0.5;
    batteryTempC_ = ambientC_ + random_.Uniform(1.0, 4.0);
    socPercent_ = random_.Uniform(50.0, 62.0);
    fuelLitres_ = random_.Uniform(18.0, 40.0);
}

void PowertrainModel::Step(double dt, DriveState& state) {
    // Power at the wheels, from the acceleration and the rolling and air resistance.
    const double speedMs = std::fabs(state.speedKmh) / 3.6;
    const double direction = state.speedKmh < 0.0 ? -1.0 : 1.0;
    const double resistance = speedMs > 0.05 ? 0.12 + 0.00032 * speedMs * speedMs : 0.0;
    const double demandKw = 1450.0 * (state.accelMs2 * direction + resistance) * speedMs / 1000.0;
    const double accelerationKw = std::max(0.0, 1450.0 * state.accelMs2 * direction * speedMs / 1000.0);

    UpdateEngine(dt, demandKw, accelerationKw, state);
    UpdateBattery(dt, demandKw, state);
    UpdateTemperatures(dt, state);

    fuelLitres_ = std::max(0.0, fuelLitres_ - state.fuelFlowLph * dt / 3600.0);
    state.fuelLitres = fuelLitres_;
    state.ambientC = ambientC_;
}

bool PowertrainModel::WantsEngine(const DriveState& state, double demandKw) const {
    const bool cold = coolantTempC_ < 42.0;
    const bool ready = state.seconds > 2.5;  // the system settles before the first start
    if (!ready) return false;
    if (cold || socPercent_ < 45.0) return true;  // warm-up and charging run the engine regardless
    const double speed = std::fabs(state.speedKmh);
    if (engineOn_) {
        // Running: keep going while power is asked for, the car is fast, or the battery takes charge.
        return demandKw > 6.0 || speed > 62.0 || (socPercent_ < 56.0 && speed > 15.0);
    }
    return demandKw > 12.0 || speed > 68.0 || (socPercent_ < 52.0 && speed > 20.0);
}

void PowertrainModel::UpdateEngine(double dt, double demandKw, double accelerationKw, DriveState& state) {
    secondsInEngineState_ += dt;
    const bool wanted = WantsEngine(state, demandKw);
    const double minSeconds = engineOn_ ? kMinEngineOnSeconds : kMinEngineOffSeconds;
    if (wanted != engineOn_ && secondsInEngineState_ >= minSeconds) {
        if (wanted && std::fabs(state.speedKmh) > 1.0) cancelIndicatorSeconds_ = 1.2;  // EV driving cut short
        engineOn_ = wanted;
        secondsInEngineState_ = 0.0;
    }
    cancelIndicatorSeconds_ = std::max(0.0, cancelIndicatorSeconds_ - dt);

    const bool cold = coolantTempC_ < 42.0;
    double engineKw = 0.0;
    double targetRpm = 0.0;
    if (engineOn_) {
        const double chargeKw = std::clamp((58.0 - socPercent_) * 0.8, 0.0, 6.0);
        if (accelerationKw > kAssistAboveKw) {
            // Hard acceleration: the battery adds its part to the engine's; cruising it does not.
            const double assistKw = (accelerationKw - kAssistAboveKw) * kAssistShare;
            engineKw = std::clamp(demandKw - assistKw + kAccessoryKw, 0.0, kMaxEngineKw);
        } else if (demandKw > 0.0) {
            engineKw = std::clamp(demandKw + kAccessoryKw + chargeKw, 0.0, kMaxEngineKw);
        } else if (cold || std::fabs(state.speedKmh) < 5.0) {
            engineKw = 1.2 + chargeKw;  // idling to warm up or to charge
        }
        const double idleRpm = cold ? 1250.0 : 1000.0;
        targetRpm = engineKw > 0.0 ? std::min(4800.0, idleRpm + engineKw * 45.0)
                                   : idleRpm + std::fabs(state.speedKmh) * 6.0;  // spun with fuel cut
    }
    // The engine spins up and down over about half a second.
    engineRpm_ += (targetRpm - engineRpm_) * std::min(1.0, dt * 2.5);
    if (!engineOn_ && engineRpm_ < 60.0) engineRpm_ = 0.0;
    const bool firing = engineOn_ && engineRpm_ > 600.0;
    if (!firing) engineKw = 0.0;

    state.engineRunning = engineOn_;
    state.engineRpm = engineRpm_;
    state.enginePowerKw = engineKw;
    state.fuelFlowLph = firing && engineKw > 0.0 ? std::min(25.0, 0.6 + engineKw * 0.24) : 0.0;
    state.injectionTime = state.fuelFlowLph > 0.0 ? state.fuelFlowLph * 1.0e5 / engineRpm_ : 0.0;
    state.valveTimingDeg =
        firing ? std::clamp((engineRpm_ - 900.0) / 120.0 + engineKw / kMaxEngineKw * 25.0, 0.0, 40.0) : 0.0;

    if (cancelIndicatorSeconds_ > 0.0) {
        state.evIndicator = EvIndicator::Cancelled;
    } else if (!engineOn_) {
        state.evIndicator = EvIndicator::ElectricOnly;
    } else if ((cold || socPercent_ < 45.0) && std::fabs(state.speedKmh) < 40.0 && demandKw < 16.0) {
        state.evIndicator = EvIndicator::Denied;  // would drive electrically but must warm up or charge
    } else {
        state.evIndicator = EvIndicator::Normal;
    }
}

void PowertrainModel::UpdateBattery(double dt, double demandKw, DriveState& state) {
    double batteryKw = 0.0;
    if (demandKw < 0.0) {
        batteryKw = std::max(demandKw * 0.65, -kMaxRegenKw) + kAccessoryKw;  // regenerative braking
    } else {
        batteryKw = demandKw + kAccessoryKw - state.enginePowerKw;
    }
    const double tempLimit = std::max(0.0, 20.0 - batteryTempC_) * 2.0;
    state.maxDischargeAmps = std::clamp(125.0 - tempLimit - std::max(0.0, 45.0 - socPercent_) * 4.0, 40.0, 125.0);
    state.maxChargeAmps = std::clamp(95.0 - std::max(0.0, socPercent_ - 55.0) * 3.5 - tempLimit, 20.0, 95.0);

    double amps = batteryKw * 1000.0 / batteryVolts_ + random_.Uniform(-0.3, 0.3);
    amps = std::clamp(amps, -state.maxChargeAmps, state.maxDischargeAmps);
    socPercent_ = std::clamp(socPercent_ - amps * dt / 3600.0 / kPackAmpHours * 100.0, 38.0, 82.0);
    batteryVolts_ = 214.0 + (socPercent_ - 55.0) * 0.9 - amps * kPackOhms;

    state.batteryAmps = amps;
    state.batteryVolts = batteryVolts_;
    state.socPercent = socPercent_;
    state.motorKw = demandKw - state.enginePowerKw;
}

void PowertrainModel::UpdateTemperatures(double dt, DriveState& state) {
    const double heat = state.engineRunning && state.engineRpm > 600.0 ? 0.09 + state.enginePowerKw * 0.004 : 0.0;
    const double thermostat = engineTempC_ > 88.0 ? (engineTempC_ - 88.0) * 0.08 : 0.0;
    engineTempC_ += (heat - (engineTempC_ - ambientC_) * 0.0006 - thermostat) * dt;
    coolantTempC_ += (engineTempC_ - coolantTempC_) * 0.03 * dt;
    batteryTempC_ += (state.batteryAmps * state.batteryAmps * 1.0e-6 - (batteryTempC_ - ambientC_ - 1.0) * 0.001) * dt;

    state.engineTempC = engineTempC_;
    state.coolantTempC = coolantTempC_;
    state.batteryTempMinC = batteryTempC_ - 0.8;
    state.batteryTempMaxC = batteryTempC_ + 1.1;
}

}  // namespace drovane::synth
