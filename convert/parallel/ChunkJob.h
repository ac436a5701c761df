#pragma once
#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "convert/parallel/ChunkOutput.h"
#include "decode/MessageRules.h"

namespace drovane {

// The decoder's remembered speed and fuel flow while a chunk's conversion has not set them: values
// no record can give (a speed a hair above zero, an endless fuel flow), with which the economy is
// a plain 0 and never a warning. An economy formed from one is formed again by the conversion
// before the chunk (see MergePoint).
inline constexpr double kUnsetSpeed = 1e-300;
inline constexpr double kUnsetFuelFlow = 1e300;
inline constexpr DecoderMemory kUnsetMemory{kUnsetSpeed, kUnsetFuelFlow};

// The remembered values one by one: 0 the speed, 1 the fuel flow.
inline constexpr int kRememberedCount = 2;
inline double Remembered(const DecoderMemory& memory, int which) {
    return which == 0 ? memory.lastSpeed : memory.lastFuelFlow;
}
inline bool IsUnset(const DecoderMemory& memory, int which) {
    return std::bit_cast<std::uint64_t>(Remembered(memory, which)) ==
           std::bit_cast<std::uint64_t>(Remembered(kUnsetMemory, which));
}

// A point where a chunk's conversion may take over from the conversion before it: where it found
// its step again after sliding over bytes (hunting for the synchronisation header, or regaining
// step after long damage) and reported them. Nothing of a packet is pending there: hunting follows
// a packet's closing record, and regaining ends by writing out the packet in progress. So two
// conversions that find their step at the same header go on alike from there, as long as they
// remember the same speed and fuel flow, or the chunk's conversion sets the ones it lacks before
// an economy that matters reads them (ChunkJob::UnsetEconomy).
struct MergePoint {
    std::uint64_t position = 0;  // of the header, in the file
    DecoderMemory memory;        // remembered there, kUnsetSpeed and kUnsetFuelFlow for none
    OutputMark mark;             // the conversion's output up to there
    int exitIndex = 0;           // the chunk's merge points counted from 0
};

// One chunk, converted on a worker thread and, when accepted, written in its turn. The fields
// the conversion publishes and the head decides are guarded by the coordinator's lock.
struct ChunkJob {
    // A chunk keeps its first merge points; a conversion before it that has not met it by then
    // converts the chunk itself.
    static constexpr std::size_t kMaxMergePoints = 64;

    enum class Fate { Pending, Accepted, Abandoned };

    std::size_t index = 0;
    std::uint64_t start = 0;  // where its conversion starts: out of step, two bytes before the chunk

    // Published by the chunk's conversion.
    std::vector<MergePoint> mergePoints;
    bool reachedEnd = false;      // converted up to the chunk's end, or ended
    bool ended = false;           // the conversion returned
    bool inputTooShort = false;   // the input held not one header from where it started
    bool waitingToWrite = false;  // its output is full and waits for its turn
    std::array<bool, kRememberedCount> rememberedSet{};
    // The economies that read a remembered value the chunk had not set: after which merge point
    // (exitIndex), whether their packet's row was written, and what the chunk remembered. Such an
    // economy is formed again with the values of the conversion before the merge point when the
    // chunk is taken over; if it is in range then, and its packet was dropped, nothing written
    // changes. Only the first few are kept.
    struct UnsetEconomy {
        int exitIndex = 0;
        bool rowWritten = false;
        DecoderMemory memory;
    };
    static constexpr std::size_t kMaxUnsetEconomies = 16;
    std::vector<UnsetEconomy> unsetEconomies;
    bool moreUnsetEconomies = false;

    // Decided by the conversion before it (the head).
    Fate fate = Fate::Pending;
    OutputMark cut;                 // the accepted output begins here,
    std::uint64_t cutPosition = 0;  // at this offset of the input
    std::int64_t numberBase = 0;    // a packet's number in the file less the chunk's own count
    DecoderMemory inherited;        // the remembered values where it takes over
    // Its output may be written; its conversion reads it without the lock too.
    std::atomic<bool> turn{false};
    std::atomic<bool> abandoned{false};

    // Of the conversion, once it is the head: the chunk it handed over to, if any.
    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
    std::size_t handedTo = kNone;
    // Before this offset lies no chunk whose conversion it could meet.
    std::uint64_t headAloneUntil = 0;
    int readError = 0;
};

}  // namespace drovane
