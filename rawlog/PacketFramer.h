#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "rawlog/HeaderSearch.h"
#include "rawlog/InputWindow.h"
#include "rawlog/KnownMessageTable.h"
#include "rawlog/RawRecord.h"

namespace drovane {

// Bytes skipped before a record, from which on the packet in progress is written out, and in step
// an unknown header is no longer trusted to start an 11-byte record.
inline constexpr std::int64_t kFramingSkipLimit = 880;

// Frames the raw log into records and data packets: hunts for the first record of a cycle,
// follows whole records while in step, and regains step after long damage. It hands every
// accepted record to `Packets`, tells it when the packet in progress ends, and reports what it
// skipped. `Packets` is the class that derives from the framer, and provides
//   void Record(std::uint16_t id, const std::uint8_t* record)  an accepted record's 11 bytes;
//   void ClosePacket()   write out the packet in progress and begin an empty one;
//   bool Stopped() const true once nothing more can be written;
// and, when it has one,
//   void Settle()        finish with the records handed over so far: the framer calls it before
//                        it closes a packet, writes to the diagnostics or returns, for a class
//                        that decodes a cycle's records together;
// and, when it declares `static constexpr bool kWantsSteps = true`,
//   bool Resynchronised(std::uint64_t consumed)
//                        the framer found its step again after sliding over bytes (hunting or
//                        regaining) and reported them: it is about to take the record `consumed`
//                        bytes into the input with no value of a packet pending; true ends the
//                        framing there. The conversion of a chunk of a log hands over to the
//                        conversion of the next chunk so. For the one conversion of a whole log
//                        none of this is compiled.
// (The records then reach the class's own members without a detour through a reference.)
template <class Packets>
class PacketFramer {
public:
    static constexpr std::int64_t kSkipLimit = kFramingSkipLimit;

    PacketFramer(const RunOptions& options, TextBuffer& diagnostics)
        : verbose_(options.verbose), diagnostics_(diagnostics) {}

    // Frames the whole input; returns at its end, on a read error, or once Packets stopped.
    // `outOfStep`: the input starts far out of step, as the middle of a log does for the
    // conversion of a chunk of it: the framer regains step at the first known header and writes
    // out the (empty) packet in progress there, as after long damage.
    void Run(InputWindow& input, bool outOfStep = false) {
        state_ = outOfStep ? State::Regaining : State::Hunting;
        skipped_ = outOfStep ? kSkipLimit : 0;
        tracked_ = {};
        resynchronised_ = false;
        inputTooShort_ = !input.Ensure(RawRecord::kHeaderSize);
        if (inputTooShort_) {
            diagnostics_.Append("*** ERROR: unable to read file\n");
            return;
        }
        for (;;) {
            switch (state_) {
                case State::Hunting: SlideTo(input, FindSyncHeader); break;
                case State::Regaining: SlideTo(input, FindKnownHeader); break;
                case State::InStep: FollowRecords(input); break;
                case State::Done: SettleRecords(); return;
            }
        }
    }

    // True when the last run found not even one record header to read, and said so.
    bool InputTooShort() const { return inputTooShort_; }

protected:
    // For the conversion of a chunk of a log (convert/parallel/): whether the framer hunts for the
    // synchronisation header, as after a packet's closing record.
    bool Hunting() const { return state_ == State::Hunting; }

private:
    enum class State {
        Hunting,    // sliding byte by byte to the synchronisation header
        InStep,     // following whole records
        Regaining,  // in step, but kSkipLimit bytes skipped: sliding byte by byte to any known header
        Done,       // the input ended, or nothing more can be written
    };
    using HeaderSearch = const std::uint8_t* (*)(const std::uint8_t*, const std::uint8_t*);

    static constexpr bool WantsSteps() {
        if constexpr (requires { Packets::kWantsSteps; }) {
            return Packets::kWantsSteps;
        } else {
            return false;
        }
    }

    void SettleRecords() {
        if constexpr (requires(Packets & packets) { packets.Settle(); }) Self().Settle();
    }

    // Slides over the input until `search` finds a header, counting every byte passed over; the
    // record it starts is then followed in step.
    void SlideTo(InputWindow& input, HeaderSearch search) {
        for (;;) {
            if (!input.Ensure(RawRecord::kHeaderSize)) return End();
            const std::uint8_t* from = input.Position();
            const std::uint8_t* end = input.End();
            if (const std::uint8_t* found = search(from, end)) {
                skipped_ += found - from;
                input.AdvanceTo(found);
                state_ = State::InStep;
                if constexpr (WantsSteps()) resynchronised_ = true;
                return;
            }
            // No window that starts before the last two bytes holds a header; they may begin one
            // that the next refill completes.
            skipped_ += (end - 2) - from;
            input.AdvanceTo(end - 2);
        }
    }

    // The lowest and the highest tracked identifier of the packet in progress.
    struct TrackedRange {
        std::uint16_t lowest = 0xFFFF;
        std::uint16_t highest = 0;

        // A tracked identifier at or below the lowest of the packet, once the packet has seen two
        // different ones, starts the next cycle: the packet in progress lost its closing record.
        bool RestartsAt(std::uint16_t id) const { return lowest < highest && id <= lowest; }
        void Add(std::uint16_t id) {
            lowest = std::min(lowest, id);
            highest = std::max(highest, id);
        }
    };

    // Takes the known record at the input's position, reporting the bytes skipped before it, and
    // every whole known record that follows it in the input's buffer, in place. An unknown header
    // is skipped as a whole record, until kSkipLimit bytes were skipped.
    void FollowRecords(InputWindow& input) {
        if (!input.Ensure(RawRecord::kHeaderSize)) return End();
        std::uint16_t id = RawRecord::IdentifierOf(input.Position());
        MessageKind kind = KnownMessageTable::KindOf(id, RawRecord::LengthOf(input.Position()));
        if (!kind.Known()) return SkipUnknownRecord(input);
        if (skipped_ > 0) ReportSkipped(id);
        if constexpr (WantsSteps()) {
            if (resynchronised_) {
                resynchronised_ = false;
                if (Self().Resynchronised(input.Consumed())) return End();
            }
        }
        if (!input.Ensure(RawRecord::kSize)) return End();
        const std::uint8_t* at = input.Position();
        const std::uint8_t* lastWhole = input.End() - RawRecord::kSize;  // where the last whole record may start
        // The range lives in registers for the loop, not in the framer, which the decoder's
        // stores would make the compiler load and store again for every record.
        TrackedRange tracked = tracked_;
        for (;;) {
            TakeRecord(at, id, kind, tracked);
            at += RawRecord::kSize;
            if (state_ != State::InStep || at > lastWhole) break;
            id = RawRecord::IdentifierOf(at);
            kind = KnownMessageTable::KindOf(id, RawRecord::LengthOf(at));
            if (!kind.Known()) break;
        }
        tracked_ = tracked;
        input.AdvanceTo(at);
    }

    void SkipUnknownRecord(InputWindow& input) {
        if (skipped_ >= kSkipLimit) {
            // Far out of step: look for the next known header byte by byte instead of trusting an
            // 11-byte stride that may have lost its alignment.
            state_ = State::Regaining;
            return;
        }
        if (!input.Ensure(RawRecord::kSize)) return End();
        input.Advance(RawRecord::kSize);
        skipped_ += RawRecord::kSize;
    }

    void ReportSkipped(std::uint16_t id) {
        SettleRecords();
        if (verbose_) {
            diagnostics_.Append("*** skipped ");
            diagnostics_.AppendInteger(skipped_);
            diagnostics_.Append(" bytes\n");
        }
        if (skipped_ >= kSkipLimit) {
            diagnostics_.Append("*** WARNING: skipped bad packet, writing out unfinished packet\n");
            RestartPacketAt(id, tracked_);
        }
        skipped_ = 0;
    }

    // Takes one known record. A closing record ends the packet and the hunt for the next cycle
    // begins.
    void TakeRecord(const std::uint8_t* record, std::uint16_t id, MessageKind kind, TrackedRange& tracked) {
        if (kind.Tracked()) {
            if (tracked.RestartsAt(id)) {
                SettleRecords();
                diagnostics_.Append("*** WARNING: writing out unfinished packet\n");
                RestartPacketAt(id, tracked);
            }
            tracked.Add(id);
        }
        Self().Record(id, record);
        if (kind.Closing()) {
            SettleRecords();
            if (verbose_) diagnostics_.Append("--- writing out finished packet\n");
            tracked = TrackedRange{};
            state_ = State::Hunting;
            ClosePacket();
        }
    }

    // Writes out the packet in progress early; the record of `id` begins the next one, whose
    // tracked range `tracked` becomes.
    void RestartPacketAt(std::uint16_t id, TrackedRange& tracked) {
        ClosePacket();
        tracked = {id, id};
    }

    // Writes out the packet in progress; the run stops once nothing more can be written.
    void ClosePacket() {
        SettleRecords();
        Self().ClosePacket();
        if (Self().Stopped()) state_ = State::Done;
    }

    void End() { state_ = State::Done; }
    Packets& Self() { return static_cast<Packets&>(*this); }

    const bool verbose_;
    TextBuffer& diagnostics_;
    State state_ = State::Hunting;
    std::int64_t skipped_ = 0;
    TrackedRange tracked_;
    bool inputTooShort_ = false;
    bool resynchronised_ = false;  // the next record is the first after a slide
};

}  // namespace drovane
