#pragma once
#include <cstdint>

#include "ByteSink.h"
#include "Damage.h"
#include "ExpectedConversion.h"
#include "core/RunOptions.h"

namespace drovane::synth {

struct SynthSettings {
    std::uint64_t seed = 1;
    std::int64_t cycles = 6000;     // length of the drive, when no byte size is asked for
    std::uint64_t targetBytes = 0;  // when set: drive on until the log holds at least this many bytes
    DamageSettings damage;
    UnitSystem units = UnitSystem::Metric;  // of the truth file
    // A harsher bus: messages in an irregular order and at irregular times, with noisy readings
    // that seldom repeat (ScheduleIrregularCycle, NoisyReadings).
    bool harsh = false;
};

struct SynthesisReport {
    std::int64_t cycles = 0;
    std::uint64_t bytes = 0;
    double drivenKm = 0.0;
    DamageCounts damage;
    ExpectedConversion expected;
};

// Synthesizes a drive into `log` as the logger records it, and, when `truth` is given, the CSV
// that a correct conversion writes for the drive's undamaged cycles: the header row, then one row
// per undamaged cycle, numbered as the converter numbers it.
SynthesisReport SynthesizeDrive(const SynthSettings& settings, ByteSink& log, ByteSink* truth);

}  // namespace drovane::synth
