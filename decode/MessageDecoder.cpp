#include "decode/MessageDecoder.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

namespace drovane {

MessageDecoder::MessageDecoder(const RunOptions& options, CANDataMgr& fields, TextBuffer& diagnostics)
    : diagnostics_(diagnostics), untraced_(!options.HexDump()), context_{fields, memory_, texts_, options.units} {
    for (int rule = 1; rule < kRuleCount; ++rule) {
        const MessageRuleShape& shape = kRuleShapes[rule];
        lastMessages_[rule].dataBits = shape.dataBits;
        lastMessages_[rule].repeatable = shape.dataBits != 0 ? shape.columns : 0;
    }
}

void MessageDecoder::RunKept() {
    std::uint32_t kept = kept_;
    kept_ = 0;
    memoryBeforeKept_ = memory_;
    context_.fields.HoldWarnings(&heldWarnings_);
    RunKeptInOrder(kept, std::make_index_sequence<kRuleCount - 1>{});
    context_.fields.HoldWarnings(nullptr);
    if (!heldWarnings_.empty()) [[unlikely]]
        WriteHeldWarnings();
}

// The economy came before a kept speed or fuel flow, which have just run: it reads the value of
// each as it was when the economy came.
void MessageDecoder::RunEconomyKeptEarly(std::uint32_t kept) {
    DecoderMemory latest = memory_;
    std::uint32_t cameLater = kept & ~keptBefore_[kRuleEconomy];
    if ((cameLater & kSpeedBit) != 0) memory_.lastSpeed = memoryBeforeKept_.lastSpeed;
    if ((cameLater & kFuelFlowBit) != 0) memory_.lastFuelFlow = memoryBeforeKept_.lastFuelFlow;
    std::uint64_t rejected = DecodeUntraced(kRuleEconomy, KeptBytes(kRuleEconomy));
    if (rejected != 0) rejectedBy_[kRuleEconomy] = rejected;
    memory_ = latest;
}

// The held warnings are one line for each value rejected, a rule's lines together, the rules in
// rule order; they are written in the order the rules' messages came.
void MessageDecoder::WriteHeldWarnings() {
    struct RuleLines {
        int rule;
        std::string_view lines;
    };
    std::array<RuleLines, kRuleCount> held{};
    std::size_t count = 0;
    std::size_t from = 0;
    for (int rule = 1; rule < kRuleCount; ++rule) {
        if (rejectedBy_[rule] == 0) continue;
        std::size_t to = from;
        for (std::uint64_t line = 0; line < rejectedBy_[rule]; ++line) to = heldWarnings_.find('\n', to) + 1;
        held[count++] = {rule, std::string_view(heldWarnings_).substr(from, to - from)};
        from = to;
        rejectedBy_[rule] = 0;
    }
    assert(from == heldWarnings_.size());
    // Of two kept rules, the one whose message came first was kept before the other came.
    std::sort(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(count),
              [this](const RuleLines& a, const RuleLines& b) { return (keptBefore_[b.rule] >> a.rule & 1) != 0; });
    for (std::size_t i = 0; i < count; ++i) diagnostics_.Append(held[i].lines);
    heldWarnings_.clear();
}

namespace {

// " XX" for every byte value, padded to four characters so that each is copied as one block.
constexpr auto kSpacedHex = [] {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::array<std::array<char, 4>, 256> table{};
    for (int byte = 0; byte < 256; ++byte) table[byte] = {' ', kHex[byte >> 4], kHex[byte & 0xF], ' '};
    return table;
}();

}  // namespace

void MessageDecoder::HexDump(std::uint16_t id, std::uint8_t length, const std::uint8_t* data) {
    assert(length <= kMaxDataLength);
    char* out = diagnostics_.Claim(8 + 3 * kMaxDataLength);
    std::memcpy(out, &kSpacedHex[id >> 8][1], 2);
    std::memcpy(out + 2, &kSpacedHex[id & 0xFF][1], 2);
    out[4] = ':';
    out += 5;
    for (std::size_t i = 0; i < length; ++i) {
        std::memcpy(out, kSpacedHex[data[i]].data(), 4);
        out += 3;
    }
    *out++ = '\n';
    diagnostics_.Commit(out);
}

}  // namespace drovane
