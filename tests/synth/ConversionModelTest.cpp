// The model that predicts packets, numbering and warnings for damaged logs, on short hand-made
// record sequences whose conversion is known.
#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>

#include "ConversionModel.h"
#include "DriveState.h"
#include "KnownMessages.h"
#include "RecordEncoder.h"

namespace drovane::synth {
namespace {

class ConversionModelTest : public ::testing::Test {
protected:
    void Feed(std::initializer_list<std::uint16_t> ids, std::int64_t cycle = 0, bool altered = false) {
        for (std::uint16_t id : ids) model_.Record(EncodeRecord(id, state_, cycle), cycle, altered);
    }
    void FeedUnknown(int count) {
        SynthRecord unknown;
        unknown.bytes = {0x00, 0x20, 0x08};  // a known identifier with a wrong length
        for (int i = 0; i < count; ++i) model_.Record(unknown, 0, false);
    }
    // A cycle whose decoded messages fill 18 of the 34 fields.
    void FullCycle(std::int64_t cycle, bool altered = false) {
        Feed({0x020, 0x022, 0x023, 0x025, 0x030, 0x03B, 0x0B1, 0x0B3, 0x0B4, 0x244, 0x3C8, 0x56D}, cycle, altered);
    }
    const ExpectedConversion& Expected() const { return model_.Expected(); }

    DriveState state_;
    std::vector<std::string> rows_;
    ConversionModel model_{UnitSystem::Metric, [this](const std::string& row) { rows_.push_back(row); }};
};

TEST_F(ConversionModelTest, CleanCyclesAreNumberedInOrderAndRecordsBetweenThemAreHuntedOver) {
    model_.LooseBytes(7);
    FullCycle(0);
    Feed({0x57F, 0x5A4, 0x002});  // after 0x56D: never decoded
    FullCycle(1);
    ASSERT_EQ(rows_.size(), 2U);
    EXPECT_EQ(rows_[1].substr(0, 2), "2,");
    EXPECT_EQ(Expected().rows, 2);
    EXPECT_EQ(Expected().intactRows, 2);
    EXPECT_EQ(rows_[0].find("Off"), std::string::npos);
}

TEST_F(ConversionModelTest, ALostEndIsWrittenUnfinishedWhenTheNextCycleStarts) {
    Feed({0x020, 0x022, 0x023, 0x025, 0x030, 0x03B, 0x0B1, 0x0B3, 0x0B4, 0x244, 0x3C8}, 0, true);
    Feed({0x5A4}, 0, true);
    FullCycle(1);
    EXPECT_EQ(Expected().unfinishedPackets, 1);
    EXPECT_EQ(Expected().packets, 2);
    EXPECT_EQ(Expected().rows, 2);
    ASSERT_EQ(rows_.size(), 1U);  // only the whole cycle goes to the truth
    EXPECT_EQ(rows_[0].substr(0, 2), "2,");
}

TEST_F(ConversionModelTest, ARepeatedSyncRecordOrTrackedIdentifierClosesNothing) {
    Feed({0x020, 0x020});
    Feed({0x0B4, 0x3CB, 0x0B4});
    EXPECT_EQ(Expected().packets, 0);
    EXPECT_EQ(Expected().unfinishedPackets, 0);
}

TEST_F(ConversionModelTest, EightyUnknownRecordsSplitThePacketSeventyNineDoNot) {
    Feed({0x020, 0x022, 0x023});
    FeedUnknown(79);
    Feed({0x025, 0x030, 0x03B, 0x0B1, 0x0B3, 0x0B4, 0x244, 0x3C8, 0x56D});
    EXPECT_EQ(Expected().packets, 1);
    EXPECT_EQ(Expected().skippedBadPackets, 0);
    EXPECT_EQ(Expected().intactRows, 1);

    Feed({0x020, 0x022, 0x023});
    FeedUnknown(80);
    Feed({0x025, 0x030, 0x03B, 0x0B1, 0x0B3, 0x0B4, 0x244, 0x3C8, 0x56D});
    EXPECT_EQ(Expected().skippedBadPackets, 1);
    EXPECT_EQ(Expected().packets, 3);
    EXPECT_EQ(Expected().sparsePackets, 1);  // 0x020..0x023 give 4 fields only
    EXPECT_EQ(Expected().intactRows, 1);     // the second half began without its 0x020
}

TEST_F(ConversionModelTest, LongJunkBetweenCyclesCostsAnEmptyPacket) {
    FullCycle(0);
    model_.LooseBytes(880);
    FullCycle(1);
    EXPECT_EQ(Expected().skippedBadPackets, 1);
    EXPECT_EQ(Expected().sparsePackets, 1);
    EXPECT_EQ(Expected().packets, 3);
    ASSERT_EQ(rows_.size(), 2U);
    EXPECT_EQ(rows_[1].substr(0, 2), "3,");
}

TEST_F(ConversionModelTest, LooseBytesWhileReadingRecordsAreASynthesizerFault) {
    Feed({0x020});
    EXPECT_THROW(model_.LooseBytes(3), std::logic_error);
}

}  // namespace
}  // namespace drovane::synth
