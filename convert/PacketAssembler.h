#pragma once
#include <cstdint>
#include <vector>

#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "csv/PacketRowWriter.h"
#include "decode/FieldTable.h"
#include "decode/MessageDecoder.h"
#include "rawlog/InputWindow.h"

namespace drovane {

// The conversion's main loop: frames the raw log into records, keeps in step with record
// boundaries, hands known records to the decoder and decides when a data packet is written.
class PacketAssembler {
public:
    static constexpr std::uint16_t kSyncId = 0x020;
    static constexpr std::uint16_t kClosingId = 0x56D;
    static constexpr std::uint16_t kTrackedLow = 0x020;
    static constexpr std::uint16_t kTrackedHigh = 0x3CD;
    static constexpr std::int64_t kSkipLimit = 880;

    PacketAssembler(const RunOptions& options, CANDataMgr& fields, MessageDecoder& decoder,
                    PacketRowWriter& writer, TextBuffer& output, TextBuffer& diagnostics);

    // Reads the whole input and returns at its end, on a read error, or once the output has
    // failed (nothing more could be written).
    void Run(InputWindow& input);

private:
    enum class State { Hunting, Synchronised };

    bool Hunt(InputWindow& input);
    bool Regain(InputWindow& input);
    template <bool kUntraced>
    void ConsumePlainRecords(InputWindow& input);
    void ReportSkipped(std::uint16_t id);
    void ProcessRecord(std::uint16_t id, const std::uint8_t* record);
    void FinishPacket();
    void ClosePacket();

    const RunOptions& options_;
    CANDataMgr& fields_;
    MessageDecoder& decoder_;
    PacketRowWriter& writer_;
    TextBuffer& output_;
    TextBuffer& diagnostics_;

    // What the in-step loop needs to know of every header's first two bytes, in one word found
    // by those bytes as they lie in the file (no byte swap, no range check): the length the
    // identifier's records carry (kNoLength when it is not a known message), whether it closes
    // a packet or is tracked for the start of a cycle, and its decoding rule.
    static constexpr std::uint16_t kLengthBits = 0x1FF;
    static constexpr std::uint16_t kNoLength = 0x100;  // equal to no length byte
    static constexpr std::uint16_t kClosingBit = 1u << 9;
    static constexpr std::uint16_t kTrackedBit = 1u << 10;
    static constexpr int kRuleShift = 11;
    std::vector<std::uint16_t> recordKinds_;

    State state_ = State::Hunting;
    std::int64_t skipped_ = 0;
    std::uint16_t lowestTracked_ = 0xFFFF;
    std::uint16_t highestTracked_ = 0;
};

}  // namespace drovane
