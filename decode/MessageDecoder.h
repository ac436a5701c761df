#pragma once
#include <array>
#include <cassert>
#include <cstdint>

#include "core/LittleEndian.h"
#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "decode/FieldTable.h"
#include "decode/MessageRules.h"

namespace drovane {

// Turns accepted messages into column values of the current data packet.
class MessageDecoder {
public:
    // A CAN message carries at most this many data bytes; `data` always points at that many.
    static constexpr std::uint8_t kMaxDataLength = 8;

    MessageDecoder(const RunOptions& options, CANDataMgr& fields, TextBuffer& diagnostics);
    MessageDecoder(const MessageDecoder&) = delete;
    MessageDecoder& operator=(const MessageDecoder&) = delete;

    // Decodes one message: its identifier, the length its record gives and the data bytes D0..D7.
    // With any debug flag the message's hex dump comes first, then the stores of its rule, in order.
    [[gnu::always_inline]] void DecodeMessage(std::uint16_t id, std::uint8_t length, const std::uint8_t* data) {
        assert(length <= kMaxDataLength);
        std::uint8_t rule = RuleOfIdentifier(id);
        if (untraced_) [[likely]] {
            if (rule != kNoRule) DecodeUntraced(rule, data);
            return;
        }
        HexDump(id, length, data);
        if (rule != kNoRule) ApplyRule(rule, data, context_);
    }

    // One line on the diagnostics: "%04X:" and " %02X" for each of the first `length` data bytes.
    void HexDump(std::uint16_t id, std::uint8_t length, const std::uint8_t* data);

    const DecoderMemory& Memory() const { return memory_; }
    // Sets the remembered values, for a conversion that starts in the middle of a log. The rules
    // that remember a value run again on their next message even when it repeats the last one:
    // marking their columns valid would not remember it.
    void SetMemory(const DecoderMemory& memory) {
        memory_ = memory;
        lastMessages_[kRuleSpeed].columns = 0;
        lastMessages_[kRuleFuelFlow].columns = 0;
    }

private:
    // A message whose data bits equal those of its rule's last message stores the same values
    // into columns no other rule writes, which still hold them: marking those columns valid does
    // the same as running the rule again. Stores are traced only when the run asks, so this is
    // for runs without the trace. `rule` is the message's rule (not kNoRule), `d` its data.
    [[gnu::always_inline]] void DecodeUntraced(std::uint8_t rule, const std::uint8_t* d) {
        assert(rule != kNoRule && rule < kRuleCount);
        LastMessage& last = lastMessages_[rule];
        std::uint64_t bits = LoadLittleEndian(d) & last.dataBits;
        // Rules that are never taken again fail the first test, which the processor then predicts.
        if (last.columns != 0 && bits == last.bits) {
            assert(!context_.fields.Traced());
            context_.fields.MarkValid(last.columns);
            return;
        }
        std::uint64_t rejectedBefore = context_.fields.Rejections();
        ApplyRule(rule, d, context_);
        last.bits = bits;
        last.columns = context_.fields.Rejections() == rejectedBefore ? last.repeatable : 0;
    }

    // Of each rule: the data bits its values depend on; the columns it stores when those bits
    // alone decide its values and its messages repeat often enough to be worth the check (none
    // otherwise); and the bits of its last message with the columns it stored when all of them
    // were accepted (none otherwise).
    struct LastMessage {
        std::uint64_t dataBits = 0;
        std::uint64_t repeatable = 0;
        std::uint64_t bits = 0;
        std::uint64_t columns = 0;
    };

    TextBuffer& diagnostics_;
    const bool untraced_;  // neither hex dump nor trace
    DecoderMemory memory_;
    ReadingTexts texts_;
    RuleContext context_;
    std::array<LastMessage, kRuleCount> lastMessages_{};
};

}  // namespace drovane
