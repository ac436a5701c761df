#pragma once
#include <cstdint>

namespace drovane::synth {

// A small, fast generator (xoshiro256**) seeded through SplitMix64. Its sequence depends only on
// the seed, never on the standard library, so a drive is the same on every platform and build.
class RandomSource {
public:
    explicit RandomSource(std::uint64_t seed) {
        for (auto& word : state_) {
            seed += 0x9E3779B97F4A7C15ULL;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t Next() {
        const std::uint64_t result = RotateLeft(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = RotateLeft(state_[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

    // Uniform in [low, high).
    double Uniform(double low, double high) { return low + (high - low) * Uniform(); }

    // Uniform whole number in [low, high], both ends included.
    std::int64_t Between(std::int64_t low, std::int64_t high) {
        const auto span = static_cast<std::uint64_t>(high - low) + 1;
        return low + static_cast<std::int64_t>(Next() % span);
    }

    bool Chance(double probability) { return Uniform() < probability; }

    std::uint8_t Byte() { return static_cast<std::uint8_t>(Next() >> 56); }

private:
    static std::uint64_t RotateLeft(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t state_[4]{};
};

}  // namespace drovane::synth
