#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "LogChunk.h"
#include "RandomSource.h"

namespace drovane::synth {

// The ways a real log gets damaged.
enum class DamageKind : std::uint8_t {
    None,
    Junk,     // stray bytes between two cycles, where the converter hunts for the next one
    Unknown,  // records that are not in the known-message table, inside a cycle
    LostEnd,  // the closing message 0x56D went missing
    BitFlip,  // one bit of one record of the cycle turned over
    Cut,      // the log ends in the middle of its last cycle
};

// A set of damage kinds, as a bit mask over DamageKind.
class DamageKinds {
public:
    static DamageKinds All();
    static DamageKinds None() { return DamageKinds(); }
    // Parses "junk,unknown,lost-end,bitflip,cut" (any subset, any order); nothing on a bad name.
    static std::optional<DamageKinds> Parse(std::string_view list);

    DamageKinds& Add(DamageKind kind);
    bool Has(DamageKind kind) const { return (mask_ & Bit(kind)) != 0; }
    // Kinds that can hit any cycle (all but the cut), in a fixed order.
    int SpreadCount() const;
    DamageKind SpreadKind(int index) const;

private:
    static unsigned Bit(DamageKind kind) { return 1U << static_cast<unsigned>(kind); }
    unsigned mask_ = 0;
};

std::string_view DamageKindName(DamageKind kind);

struct DamageSettings {
    double rate = 0.0;  // share of cycles damaged, 0..1
    DamageKinds kinds = DamageKinds::All();
};

struct DamageCounts {
    std::int64_t junk = 0;
    std::int64_t longJunk = 0;  // long enough for the converter's skip limit
    std::int64_t unknown = 0;
    std::int64_t longUnknown = 0;
    std::int64_t lostEnd = 0;
    std::int64_t bitFlip = 0;
    std::int64_t cut = 0;
    std::int64_t Total() const { return junk + unknown + lostEnd + bitFlip + cut; }
};

// Damages cycles at the configured rate, deterministically for the seed. Each damaged cycle gets
// exactly one kind, which keeps every kind's effect on the conversion plain to predict.
class DamageInjector {
public:
    DamageInjector(std::uint64_t seed, const DamageSettings& settings);

    // Damages `chunk`, which holds one cycle from 0x020 to 0x56D followed by the records broadcast
    // before the next cycle; the last cycle of a log gets the cut when that kind is on. Returns
    // the kind applied. `altered` is set when the damage changes records that the converter
    // decodes for this cycle.
    DamageKind Apply(LogChunk& chunk, bool lastCycle, bool& altered);

    const DamageCounts& Counts() const { return counts_; }

private:
    void AddJunk(LogChunk& chunk, std::size_t closeIndex);
    void AddUnknownRecords(LogChunk& chunk, std::size_t closeIndex);
    bool FlipBit(LogChunk& chunk, std::size_t closeIndex);
    void CutEnd(LogChunk& chunk, std::size_t closeIndex);
    SynthRecord UnknownRecord();

    RandomSource random_;
    DamageSettings settings_;
    DamageCounts counts_;
};

}  // namespace drovane::synth
