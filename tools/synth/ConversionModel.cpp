#include "ConversionModel.h"

#include <stdexcept>
#include <utility>

#include "KnownMessages.h"
#include "rawlog/PacketFramer.h"

namespace drovane::synth {
namespace {

constexpr std::int64_t kSkipLimit = kFramingSkipLimit;
constexpr int kMinimumValidFields = 8;

}  // namespace

ConversionModel::ConversionModel(UnitSystem units, std::function<void(const std::string&)> onIntactRow)
    : decoder_(units), onIntactRow_(std::move(onIntactRow)) {}

void ConversionModel::LooseBytes(std::size_t count) {
    if (!hunting_) throw std::logic_error("loose bytes where the converter reads whole records");
    skipped_ += static_cast<std::int64_t>(count);
}

void ConversionModel::Record(const SynthRecord& record, std::int64_t cycle, bool altered) {
    const bool known = IsKnownHeader(record.bytes[0], record.bytes[1], record.bytes[2]);
    const std::uint16_t id = record.Id();
    if (hunting_ && !(known && id == kSyncId)) {  // slid over byte by byte
        skipped_ += SynthRecord::kSize;
        return;
    }
    if (!known) {  // dropped whole while reading records
        skipped_ += SynthRecord::kSize;
        return;
    }
    hunting_ = false;
    if (skipped_ > 0) {
        if (skipped_ >= kSkipLimit) {
            ++expected_.skippedBadPackets;
            ClosePacket(false);
            lowestTracked_ = highestTracked_ = id;
        }
        skipped_ = 0;
    }
    if (IsTracked(id)) {
        if (lowestTracked_ < highestTracked_ && id <= lowestTracked_) {
            ++expected_.unfinishedPackets;
            ClosePacket(false);
            lowestTracked_ = highestTracked_ = id;
        }
        if (id < lowestTracked_) lowestTracked_ = id;
        if (id > highestTracked_) highestTracked_ = id;
    }
    if (packetEmpty_) {
        packetEmpty_ = false;
        packetOpenedBySync_ = id == kSyncId;
        packetCycle_ = cycle;
        packetAltered_ = false;
    }
    if (cycle != packetCycle_ || altered) packetAltered_ = true;
    const std::int64_t rejectedBefore = decoder_.RangeRejections();
    decoder_.Decode(record);
    expected_.outOfRangeValues += decoder_.RangeRejections() - rejectedBefore;
    if (id == kCloseId) {
        ClosePacket(true);
        lowestTracked_ = 0xFFFF;
        highestTracked_ = 0;
        hunting_ = true;
    }
}

void ConversionModel::ClosePacket(bool finishedHere) {
    const std::int64_t number = ++expected_.packets;
    if (decoder_.ValidFieldCount() < kMinimumValidFields) {
        ++expected_.sparsePackets;
    } else {
        ++expected_.rows;
        const bool intact = finishedHere && packetOpenedBySync_ && !packetAltered_;
        if (intact) {
            ++expected_.intactRows;
            if (onIntactRow_) {
                row_.clear();
                decoder_.AppendRow(number, row_);
                onIntactRow_(row_);
            }
        }
    }
    decoder_.ClearValid();
    packetEmpty_ = true;
}

}  // namespace drovane::synth
