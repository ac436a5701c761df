#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "rawlog/HeaderSearch.h"
#include "rawlog/KnownMessageTable.h"
#include "support/PlainTwins.h"

namespace drovane {
namespace {

TEST(KnownMessageTable, LookupEdges) {
    struct Case {
        std::uint8_t high, low, length;
        std::uint16_t expected;
    };
    for (const Case& c :
         {Case{0x00, 0x20, 0x03, 0x020}, Case{0x00, 0x20, 0x08, UnknownMessageId}, Case{0x00, 0x02, 0x04, 0x002},
          Case{0x06, 0x02, 0x02, 0x602}, Case{0x20, 0x00, 0x03, UnknownMessageId},
          Case{0xFF, 0xFF, 0x02, UnknownMessageId}, Case{0x04, 0x23, 0x01, 0x423},
          Case{0x04, 0x23, 0x00, UnknownMessageId}, Case{0x05, 0xA4, 0x02, 0x5A4}, Case{0x05, 0x6D, 0x04, 0x56D},
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
        tracked +=
            entry.identifier >= KnownMessageTable::kTrackedLow && entry.identifier <= KnownMessageTable::kTrackedHigh;
    }
    return tracked == 28;
}());
static_assert(kSyncHeader[0] == 0x00 && kSyncHeader[1] == 0x20 && kSyncHeader[2] == 0x03);

// The fast search for any known header agrees with looking up every window in turn.
TEST(KnownHeaderSearch, AgreesWithTheByteByByteSlide) {
    std::mt19937 random(11);
    const auto& entries = KnownMessageTable::Entries();
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 64);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random() % (round % 3 == 0 ? 9 : 256));
        if (!bytes.empty() && round % 2 == 0) {
            const auto& entry = entries[random() % entries.size()];
            std::size_t at = random() % bytes.size();
            std::uint8_t header[3] = {static_cast<std::uint8_t>(entry.identifier >> 8),
                                      static_cast<std::uint8_t>(entry.identifier), entry.length};
            for (int i = 0; i < 3 && at + i < bytes.size(); ++i) bytes[at + i] = header[i];
        }
        const std::uint8_t* begin = bytes.data();
        const std::uint8_t* end = begin + bytes.size();
        const std::uint8_t* expected = nullptr;
        for (const std::uint8_t* at = begin; end - at >= 3; ++at) {
            if (test::ScanKnownMessages(at[0], at[1], at[2]) != UnknownMessageId) {
                expected = at;
                break;
            }
        }
        EXPECT_EQ(FindKnownHeader(begin, end), expected) << round;
    }
}

}  // namespace
}  // namespace drovane
