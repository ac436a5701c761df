#include <gtest/gtest.h>

#include "rawlog/HeaderSearch.h"
#include "rawlog/KnownMessageTable.h"

namespace drovane {
namespace {

TEST(KnownMessageTable, LookupEdges) {
    struct Case {
        std::uint8_t high, low, length;
        std::uint16_t expected;
    };
    for (const Case& c : {Case{0x00, 0x20, 0x03, 0x020}, Case{0x00, 0x20, 0x08, UnknownMessageId},
                          Case{0x00, 0x02, 0x04, 0x002}, Case{0x06, 0x02, 0x02, 0x602},
                          Case{0x20, 0x00, 0x03, UnknownMessageId}, Case{0xFF, 0xFF, 0x02, UnknownMessageId},
                          Case{0x04, 0x23, 0x01, 0x423}, Case{0x04, 0x23, 0x00, UnknownMessageId},
                          Case{0x05, 0xA4, 0x02, 0x5A4}, Case{0x05, 0x6D, 0x04, 0x56D},
                          Case{0x00, 0x00, 0x00, UnknownMessageId}, Case{0x07, 0xFF, 0x08, UnknownMessageId}}) {
        EXPECT_EQ(KnownMessageTable::Lookup(c.high, c.low, c.length), c.expected)
            << std::hex << int(c.high) << " " << int(c.low) << " " << int(c.length);
    }
}

// 28 of the 62 messages lie in the tracked range, and the header of the first message of a cycle
// is 00 20 03.
static_assert([] {
    int tracked = 0;
    for (const auto& entry : KnownMessageTable::Entries()) {
        tracked += entry.identifier >= KnownMessageTable::kTrackedLow && entry.identifier <= KnownMessageTable::kTrackedHigh;
    }
    return tracked == 28;
}());
static_assert(kSyncHeader[0] == 0x00 && kSyncHeader[1] == 0x20 && kSyncHeader[2] == 0x03);

}  // namespace
}  // namespace drovane
