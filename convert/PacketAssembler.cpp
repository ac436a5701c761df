#include "convert/PacketAssembler.h"

#include "rawlog/KnownHeaderSearch.h"
#include "rawlog/KnownMessageTable.h"
#include "rawlog/RawRecord.h"
#include "rawlog/SyncSearch.h"

namespace drovane {
namespace {

constexpr std::size_t kHeader = RawRecord::kHeaderSize;
constexpr std::size_t kRecord = RawRecord::kSize;

}  // namespace

PacketAssembler::PacketAssembler(const RunOptions& options, CANDataMgr& fields, MessageDecoder& decoder,
                                 PacketRowWriter& writer, TextBuffer& output, TextBuffer& diagnostics)
    : options_(options), fields_(fields), decoder_(decoder), writer_(writer), output_(output), diagnostics_(diagnostics) {
    static_assert(kRuleCount <= 1 << (16 - kRuleShift));
    recordKinds_.assign(std::size_t{1} << 16, kNoLength);
    for (unsigned id = 0; id < KnownMessageTable::kIdentifierSpace; ++id) {
        std::uint8_t length = KnownMessageTable::LengthOf(static_cast<std::uint16_t>(id));
        unsigned kind = length != 0 ? length : kNoLength;
        if (id == kClosingId) kind |= kClosingBit;
        if (id >= kTrackedLow && id <= kTrackedHigh) kind |= kTrackedBit;
        kind |= unsigned{RuleOfIdentifier(static_cast<std::uint16_t>(id))} << kRuleShift;
        // Found by the first byte plus 256 times the second.
        recordKinds_[(id >> 8) | (id & 0xFF) << 8] = static_cast<std::uint16_t>(kind);
    }
}

void PacketAssembler::Run(InputWindow& input) {
    state_ = State::Hunting;
    skipped_ = 0;
    lowestTracked_ = 0xFFFF;
    highestTracked_ = 0;
    if (!input.Ensure(kHeader)) {
        diagnostics_.Append("*** ERROR: unable to read file");
        return;
    }
    for (;;) {
        std::uint16_t id;
        if (state_ == State::Hunting) {
            if (!Hunt(input)) return;
            id = kSyncId;
            state_ = State::Synchronised;
        } else {
            if (skipped_ == 0) {
                if (decoder_.Untraced()) {
                    ConsumePlainRecords<true>(input);
                    if (output_.Failed()) return;
                    if (state_ == State::Hunting) continue;
                } else {
                    ConsumePlainRecords<false>(input);
                }
            }
            if (!input.Ensure(kHeader)) return;
            id = KnownMessageTable::Lookup(input.Position());
            if (id == UnknownMessageId) {
                if (skipped_ >= kSkipLimit) {
                    // Far out of step: look for the next known header byte by byte instead of
                    // trusting an 11-byte stride that may have lost its alignment.
                    if (!Regain(input)) return;
                } else {
                    if (!input.Ensure(kRecord)) return;
                    input.Advance(kRecord);
                    skipped_ += kRecord;
                }
                continue;
            }
        }
        if (skipped_ > 0) ReportSkipped(id);
        if (!input.Ensure(kRecord)) return;
        ProcessRecord(id, input.Position());
        input.Advance(kRecord);
        if (output_.Failed()) return;
    }
}

// The bulk of a cycle: known records that do not start the next cycle, with nothing skipped
// before them. They are decoded straight from the buffer; anything else is left for the general
// steps of Run. kUntraced: the run wants no hex dump and no trace, so only records with a rule go
// to the decoder, and the closing record is taken here too: the packet is written, and when the
// next cycle's synchronisation header follows at once, as it mostly does, the loop goes on with
// it; otherwise it returns to Run to hunt.
template <bool kUntraced>
void PacketAssembler::ConsumePlainRecords(InputWindow& input) {
    const std::uint8_t* at = input.Position();
    const std::uint8_t* end = input.End();
    std::uint16_t lowest = lowestTracked_;
    std::uint16_t highest = highestTracked_;
    while (end - at >= static_cast<std::ptrdiff_t>(kRecord)) {
        unsigned kind = recordKinds_[at[0] | at[1] << 8];
        if ((kind & kLengthBits) != at[2]) break;  // not a known header
        auto id = static_cast<std::uint16_t>(at[0] << 8 | at[1]);
        if ((kind & (kClosingBit | kTrackedBit)) != 0) {
            if ((kind & kClosingBit) != 0) {
                if constexpr (!kUntraced) break;
                auto rule = static_cast<std::uint8_t>(kind >> kRuleShift);
                if (rule != kNoRule) decoder_.DecodeUntraced(rule, at + kHeader);
                FinishPacket();
                lowest = lowestTracked_;
                highest = highestTracked_;
                at += kRecord;
                if (output_.Failed()) break;
                if (end - at < 3 || at[0] != kSyncHeader[0] || at[1] != kSyncHeader[1] || at[2] != kSyncHeader[2]) break;
                state_ = State::Synchronised;
                continue;
            }
            if (lowest < highest && id <= lowest) break;
            if (id < lowest) lowest = id;
            if (id > highest) highest = id;
        }
        if constexpr (kUntraced) {
            auto rule = static_cast<std::uint8_t>(kind >> kRuleShift);
            if (rule != kNoRule) decoder_.DecodeUntraced(rule, at + kHeader);
        } else {
            decoder_.DecodeMessage(id, at[2], at + kHeader);
        }
        at += kRecord;
    }
    lowestTracked_ = lowest;
    highestTracked_ = highest;
    input.AdvanceTo(at);
}

// Slides the window over the input one byte at a time until it holds a known header, counting
// every byte passed over. False at the end of the input.
bool PacketAssembler::Regain(InputWindow& input) {
    for (;;) {
        if (!input.Ensure(kHeader)) return false;
        const std::uint8_t* from = input.Position();
        const std::uint8_t* end = input.End();
        if (const std::uint8_t* found = FindKnownHeader(from, end)) {
            skipped_ += found - from;
            input.AdvanceTo(found);
            return true;
        }
        skipped_ += (end - 2) - from;
        input.AdvanceTo(end - 2);
    }
}

// Slides the window over the input until it holds the synchronisation header, counting every
// byte passed over. False at the end of the input.
bool PacketAssembler::Hunt(InputWindow& input) {
    for (;;) {
        if (!input.Ensure(kHeader)) return false;
        const std::uint8_t* from = input.Position();
        const std::uint8_t* end = input.End();
        if (const std::uint8_t* found = FindSyncHeader(from, end)) {
            skipped_ += found - from;
            input.AdvanceTo(found);
            return true;
        }
        // No window starting before the last two bytes holds the header; they may begin one
        // that the next refill completes.
        skipped_ += (end - 2) - from;
        input.AdvanceTo(end - 2);
    }
}

void PacketAssembler::ReportSkipped(std::uint16_t id) {
    if (options_.verbose) {
        diagnostics_.Append("*** skipped ");
        diagnostics_.AppendInteger(skipped_);
        diagnostics_.Append(" bytes\n");
    }
    if (skipped_ >= kSkipLimit) {
        diagnostics_.Append("*** WARNING: skipped bad packet, writing out unfinished packet\n");
        ClosePacket();
        lowestTracked_ = id;
        highestTracked_ = id;
    }
    skipped_ = 0;
}

void PacketAssembler::ProcessRecord(std::uint16_t id, const std::uint8_t* record) {
    if (id >= kTrackedLow && id <= kTrackedHigh) {
        // A tracked identifier at or below the lowest of this packet starts the next cycle: the
        // packet in progress lost its 0x56D.
        if (lowestTracked_ < highestTracked_ && id <= lowestTracked_) {
            diagnostics_.Append("*** WARNING: writing out unfinished packet\n");
            ClosePacket();
            lowestTracked_ = id;
            highestTracked_ = id;
        }
        if (id < lowestTracked_) lowestTracked_ = id;
        if (id > highestTracked_) highestTracked_ = id;
    }
    decoder_.DecodeMessage(id, record[2], record + kHeader);
    if (id == kClosingId) FinishPacket();
}

// After the closing record's rule: the packet is written and the next cycle is hunted for.
void PacketAssembler::FinishPacket() {
    if (options_.verbose) diagnostics_.Append("--- writing out finished packet\n");
    ClosePacket();
    lowestTracked_ = 0xFFFF;
    highestTracked_ = 0;
    state_ = State::Hunting;
}

void PacketAssembler::ClosePacket() {
    writer_.WritePacket();
    fields_.ClearValidFlags();
}

}  // namespace drovane
