#pragma once
#include <array>
#include <cstdint>

#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "decode/FieldTable.h"
#include "rawlog/RawRecord.h"

namespace drovane {

// The values the decoder carries from one message to another, for the fuel economy of 0x56D.
// They start at 0 and are never reset during a run.
struct DecoderMemory {
    double lastSpeed = 0.0;      // column 8 as last computed, after the unit conversion
    double lastFuelFlow = 0.0;   // column 31 as last computed, after conversion and rounding
};

// Turns accepted raw records into column values of the current data packet.
class MessageDecoder {
public:
    MessageDecoder(const RunOptions& options, CANDataMgr& fields, TextBuffer& diagnostics);
    MessageDecoder(const MessageDecoder&) = delete;
    MessageDecoder& operator=(const MessageDecoder&) = delete;

    // Decodes one record; `record` points at its 11 bytes, header included. With any debug flag
    // the record's hex dump comes first, then the stores of its rule, in order.
    void DecodeMessage(std::uint16_t id, const std::uint8_t* record) {
        if (hexDump_) HexDump(id, record[2], record + RawRecord::kHeaderSize);
        if (id >= rules_.size() || rules_[id] == nullptr) return;
        context_.d = record + RawRecord::kHeaderSize;
        rules_[id](context_);
    }
    void DecodeMessage(std::uint16_t id, const RawRecord& record) { DecodeMessage(id, record.bytes.data()); }

    // One line on the diagnostics: "%04X:" and " %02X" for each of the first `length` data bytes.
    void HexDump(std::uint16_t id, std::uint8_t length, const std::uint8_t* data);

    const DecoderMemory& Memory() const { return memory_; }

    // What a message rule works with: the data bytes and the places its values go.
    struct Context {
        const std::uint8_t* d;  // D0..D7
        CANDataMgr& fields;
        DecoderMemory& memory;
        UnitSystem units;
    };

    using Rule = void (*)(Context& context);

private:
    TextBuffer& diagnostics_;
    bool hexDump_;
    DecoderMemory memory_;
    Context context_;
    // The rule of every identifier below 0x800 (nullptr: the message stores nothing), so that
    // finding a record's rule is one load.
    std::array<Rule, 0x800> rules_{};
};

}  // namespace drovane
