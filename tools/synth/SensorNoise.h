#pragma once
#include "DriveState.h"
#include "RandomSource.h"

namespace drovane::synth {

// The state as one noisy sensor reading of it: speeds, pedals, engine, battery, temperatures and
// fuel each off by a little, anew for every message. A signal that reads zero (a car at rest,
// an engine that is off, a released pedal) stays zero, and every reading stays inside the range
// the converter accepts for it. Driven messages then seldom repeat their data bytes.
DriveState NoisyReadings(const DriveState& state, RandomSource& random);

}  // namespace drovane::synth
