#pragma once
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

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

    // Decodes a message of the cycle in progress. Without hex dump or trace, the cycle's messages
    // are kept and their rules run together, in rule order, when the cycle settles: each rule then
    // has its place in a fixed sequence, which the processor predicts in whatever order the bus
    // sends the messages. The values, the remembered speed and fuel flow and the warnings are
    // those of decoding every message as it comes: a message whose rule is kept already settles
    // the kept ones first, an economy kept before a speed or fuel flow reads the values as they
    // were when it came, and the warnings are written in the order of their messages.
    [[gnu::always_inline]] void DecodeInCycle(std::uint16_t id, std::uint8_t length, const std::uint8_t* data) {
        if (!untraced_) [[unlikely]]
            return DecodeMessage(id, length, data);
        std::uint8_t rule = RuleOfIdentifier(id);
        if (rule == kNoRule) return;
        std::uint32_t bit = std::uint32_t{1} << rule;
        if ((kept_ & bit) != 0) [[unlikely]]
            RunKept();
        std::uint64_t bytes;  // stored as a word: a store of bytes could alias anything the loop holds
        std::memcpy(&bytes, data, sizeof bytes);
        keptData_[rule] = bytes;
        keptBefore_[rule] = kept_;
        kept_ |= bit;
    }
    // Runs the rules of the messages kept: before the field table or the remembered values are
    // read, and before anything else is written to the diagnostics.
    void Settle() {
        if (kept_ != 0) RunKept();
    }

    // One line on the diagnostics: "%04X:" and " %02X" for each of the first `length` data bytes.
    void HexDump(std::uint16_t id, std::uint8_t length, const std::uint8_t* data);

    const DecoderMemory& Memory() const {
        assert(kept_ == 0);
        return memory_;
    }
    // Sets the remembered values, for a conversion that starts in the middle of a log. The rules
    // that remember a value run again on their next message even when it repeats the last one:
    // marking their columns valid would not remember it.
    void SetMemory(const DecoderMemory& memory) {
        assert(kept_ == 0);
        memory_ = memory;
        lastMessages_[kRuleSpeed].columns = 0;
        lastMessages_[kRuleFuelFlow].columns = 0;
    }

private:
    static constexpr std::uint32_t kSpeedBit = std::uint32_t{1} << kRuleSpeed;
    static constexpr std::uint32_t kFuelFlowBit = std::uint32_t{1} << kRuleFuelFlow;
    static_assert(kRuleCount <= 32 && kRuleSpeed < kRuleEconomy && kRuleFuelFlow < kRuleEconomy,
                  "a cycle's kept rules are one bit each, and the economy runs after the values it reads");

    // Runs the kept rules in rule order, holding their warnings to write them in message order.
    void RunKept();
    template <std::size_t... Index>
    [[gnu::always_inline]] void RunKeptInOrder(std::uint32_t kept, std::index_sequence<Index...>) {
        (RunKeptRule<static_cast<std::uint8_t>(Index + 1)>(kept), ...);
    }
    template <std::uint8_t kRule>
    [[gnu::always_inline]] void RunKeptRule(std::uint32_t kept) {
        if ((kept >> kRule & 1) == 0) return;
        if constexpr (kRule == kRuleEconomy) {
            if ((kept & (kSpeedBit | kFuelFlowBit) & ~keptBefore_[kRule]) != 0) [[unlikely]]
                return RunEconomyKeptEarly(kept);
        }
        std::uint64_t rejected = DecodeUntraced(kRule, KeptBytes(kRule));
        if (rejected != 0) [[unlikely]]
            rejectedBy_[kRule] = rejected;
    }
    void RunEconomyKeptEarly(std::uint32_t kept);
    const std::uint8_t* KeptBytes(std::uint8_t rule) const {
        return reinterpret_cast<const std::uint8_t*>(&keptData_[rule]);
    }
    void WriteHeldWarnings();

    // A message whose data bits equal those of its rule's last message stores the same values
    // into columns no other rule writes, which still hold them: marking those columns valid does
    // the same as running the rule again. Stores are traced only when the run asks, so this is
    // for runs without the trace. `rule` is the message's rule (not kNoRule), `d` its data.
    // Returns the values the rule rejected as out of range.
    [[gnu::always_inline]] std::uint64_t DecodeUntraced(std::uint8_t rule, const std::uint8_t* d) {
        assert(rule != kNoRule && rule < kRuleCount);
        LastMessage& last = lastMessages_[rule];
        std::uint64_t bits = LoadLittleEndian(d) & last.dataBits;
        // Rules that are never taken again fail the first test, which the processor then predicts.
        if (last.columns != 0 && bits == last.bits) {
            assert(!context_.fields.Traced());
            context_.fields.MarkValid(last.columns);
            return 0;
        }
        std::uint64_t rejectedBefore = context_.fields.Rejections();
        ApplyRule(rule, d, context_);
        last.bits = bits;
        std::uint64_t rejected = context_.fields.Rejections() - rejectedBefore;
        last.columns = rejected == 0 ? last.repeatable : 0;
        return rejected;
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
    // The cycle's kept messages: a bit for each rule, the data bytes, and the rules kept before
    // each came; and the remembered values before the kept rules run.
    std::uint32_t kept_ = 0;
    std::array<std::uint64_t, kRuleCount> keptData_{};
    std::array<std::uint32_t, kRuleCount> keptBefore_{};
    DecoderMemory memoryBeforeKept_;
    // While kept rules run: their warnings, and how many each wrote.
    std::string heldWarnings_;
    std::array<std::uint64_t, kRuleCount> rejectedBy_{};
};

}  // namespace drovane
