#pragma once
#include <cstdint>

namespace drovane::synth {

// The converter's two ways of writing values: metric (also its UK setting) and US units.
enum class UnitSystem : std::uint8_t { Metric, Us };

}  // namespace drovane::synth
