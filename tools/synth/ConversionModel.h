#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "ExpectedConversion.h"
#include "SynthRecord.h"
#include "TruthDecoder.h"
#include "core/RunOptions.h"

namespace drovane::synth {

// Follows the log as the converter reads it, record by record, to tell which packets it closes,
// how it numbers them, which rows it writes and which warnings it gives. The synthesizer keeps
// record boundaries whole everywhere the converter reads records, so the model works in records;
// loose bytes appear only where the converter hunts for the next cycle.
class ConversionModel {
public:
    // `onIntactRow` receives each row of an undamaged cycle, with its line end.
    ConversionModel(UnitSystem units, std::function<void(const std::string&)> onIntactRow);

    // One whole record of the log. `cycle` is the drive cycle it belongs to; `altered` tells that
    // damage changed the records of that cycle.
    void Record(const SynthRecord& record, std::int64_t cycle, bool altered);

    // Bytes that are no record (junk). Only valid while hunting for a cycle start; while reading
    // records they would shift the boundaries, which the synthesizer never does.
    void LooseBytes(std::size_t count);

    const ExpectedConversion& Expected() const { return expected_; }
    const TruthDecoder& Decoder() const { return decoder_; }

private:
    void ClosePacket(bool finishedHere);

    TruthDecoder decoder_;
    std::function<void(const std::string&)> onIntactRow_;
    ExpectedConversion expected_;
    bool hunting_ = true;
    std::int64_t skipped_ = 0;
    int lowestTracked_ = 0xFFFF;
    int highestTracked_ = 0;
    // The packet in progress: did it begin with a 0x020, from which cycle, and is that cycle whole?
    bool packetEmpty_ = true;
    bool packetOpenedBySync_ = false;
    std::int64_t packetCycle_ = -1;
    bool packetAltered_ = false;
    std::string row_;
};

}  // namespace drovane::synth
