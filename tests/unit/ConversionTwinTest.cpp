// The fast converter against its plain twins: the header lookup against a scan of the table, the
// synchronisation search against sliding byte by byte, and the whole conversion against the
// reference conversion (support/ReferenceConvert.h), byte for byte, in every option set.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "convert/Conversion.h"
#include "rawlog/HeaderSearch.h"
#include "rawlog/KnownMessageTable.h"
#include "support/LogBuilder.h"
#include "support/PlainTwins.h"
#include "support/RandomLog.h"
#include "support/ReferenceConvert.h"
#include "support/TempDir.h"

namespace drovane {
namespace {

using test::OptionsFromByte;

// The 24 option sets: -v, -d, -D each on or off, in Metric, US and UK.
std::vector<RunOptions> EveryOptionSet() {
    std::vector<RunOptions> sets;
    for (std::uint8_t byte = 0; byte < 24; ++byte) sets.push_back(OptionsFromByte(byte));
    return sets;
}

std::string Describe(const RunOptions& options) {
    return "options v=" + std::to_string(options.verbose) + " debug=" + std::to_string(options.debugFlags) +
           " units=" + std::to_string(static_cast<int>(options.units));
}

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char byte : bytes.substr(0, 600)) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return bytes.size() > 600 ? text + "..." : text;
}

// True when the two conversions agree; on the first disagreement of a test, prints the input.
class TwinComparer {
public:
    void Compare(std::string_view log, const RunOptions& options) {
        ++compared_;
        ConversionText fast = ConvertBytes(log, options);
        test::ReferenceText plain = test::ReferenceConvert(log, options);
        if (fast.csv == plain.csv && fast.diagnostics == plain.diagnostics) return;
        if (++disagreements_ > 1) return;
        ADD_FAILURE() << Describe(options) << ", log of " << log.size() << " bytes: " << Hex(log);
        EXPECT_EQ(fast.csv, plain.csv);
        EXPECT_EQ(fast.diagnostics, plain.diagnostics);
    }
    void CompareInEveryOptionSet(std::string_view log) {
        for (const RunOptions& options : EveryOptionSet()) Compare(log, options);
    }
    ~TwinComparer() { EXPECT_EQ(disagreements_, 0) << "of " << compared_ << " conversions"; }

private:
    int compared_ = 0;
    int disagreements_ = 0;
};

TEST(PlainTwins, LookupAgreesWithTableScanForEveryHeader) {
    int disagreements = 0;
    for (unsigned id = 0; id <= 0xFFFF; ++id) {
        auto high = static_cast<std::uint8_t>(id >> 8);
        auto low = static_cast<std::uint8_t>(id & 0xFF);
        // One scan per identifier tells which length bytes, if any, make its header known.
        int knownLength = -1;
        for (std::uint8_t length = 1; length <= 8; ++length) {
            if (test::ScanKnownMessages(high, low, length) != UnknownMessageId) knownLength = length;
        }
        for (unsigned length = 0; length <= 0xFF; ++length) {
            std::uint16_t expected =
                static_cast<int>(length) == knownLength ? static_cast<std::uint16_t>(id) : UnknownMessageId;
            if (KnownMessageTable::Lookup(high, low, static_cast<std::uint8_t>(length)) != expected &&
                ++disagreements <= 5) {
                ADD_FAILURE() << "header " << id << "/" << length;
            }
        }
    }
    EXPECT_EQ(disagreements, 0);
}

TEST(PlainTwins, SyncSearchAgreesWithSlidingFromEveryStart) {
    std::mt19937 random(5);
    static constexpr std::uint8_t kAlphabet[] = {0x00, 0x20, 0x03, 0x00, 0x20, 0x03, 0x56, 0xFF};
    std::vector<std::uint8_t> bytes;
    for (int round = 0; round < 1500; ++round) {
        bytes.resize(random() % 48);
        for (auto& byte : bytes) byte = kAlphabet[random() % std::size(kAlphabet)];
        const std::uint8_t* begin = bytes.data();
        const std::uint8_t* end = begin + bytes.size();
        for (const std::uint8_t* from = begin; from <= end; ++from) {
            for (const std::uint8_t* to = from; to <= end; ++to) {
                ASSERT_EQ(FindSyncHeader(from, to), test::SlideToSyncHeader(from, to))
                    << Hex({reinterpret_cast<const char*>(begin), bytes.size()}) << " from " << (from - begin) << " to "
                    << (to - begin);
            }
        }
    }
}

// Longer stretches, mostly of other bytes, with a header now and then: the first bytes searched
// one way and the rest another, with headers on either side of the change and across it.
TEST(PlainTwins, SyncSearchAgreesOverLongerStretches) {
    std::mt19937 random(9);
    std::vector<std::uint8_t> bytes;
    for (int round = 0; round < 3000; ++round) {
        bytes.resize(random() % 300);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random() % 4 == 0 ? 0x20 : random() % 8);
        for (int headers = static_cast<int>(random() % 3); headers > 0 && bytes.size() >= 3; --headers) {
            std::size_t at = random() % (bytes.size() - 2);
            std::memcpy(&bytes[at], kSyncHeader, 3);
        }
        const std::uint8_t* begin = bytes.data();
        const std::uint8_t* end = begin + bytes.size();
        for (const std::uint8_t* from = begin; from <= end; ++from) {
            const std::uint8_t* to = from + random() % (end - from + 1);
            for (const std::uint8_t* stop : {to, end}) {
                ASSERT_EQ(FindSyncHeader(from, stop), test::SlideToSyncHeader(from, stop))
                    << Hex({reinterpret_cast<const char*>(begin), bytes.size()}) << " from " << (from - begin) << " to "
                    << (stop - begin);
            }
        }
    }
}

TEST(ConversionTwin, RandomBytes) {
    // Bytes drawn mostly from those of the headers, so that synchronisation headers and known
    // records turn up by chance.
    static constexpr std::uint8_t kAlphabet[] = {0x00, 0x20, 0x03, 0x05, 0x6D, 0x04, 0x03, 0xCB, 0x07, 0x3B, 0x05};
    std::mt19937 random(17);
    TwinComparer twins;
    for (int round = 0; round < 80; ++round) {
        std::string log(random() % 1200, '\0');
        for (char& byte : log) {
            byte = static_cast<char>(random() % 3 == 0 ? random() : kAlphabet[random() % std::size(kAlphabet)]);
        }
        twins.CompareInEveryOptionSet(log);
    }
}

TEST(ConversionTwin, RandomMixesOfCyclesJunkAndDamage) {
    TwinComparer twins;
    for (std::uint64_t seed = 1; seed <= 80; ++seed) {
        test::SeededChoices choices(seed);
        std::string log = test::MakeRandomLog(choices, 6000);
        twins.CompareInEveryOptionSet(log);
    }
}

// Junk of every length around the skip limit, while hunting and while in step, with the
// regaining step finding a record at every alignment after it.
TEST(ConversionTwin, AroundTheSkipLimit) {
    TwinComparer twins;
    test::LogBuilder cycle;
    cycle.FullCycle();
    for (std::size_t junk = 860; junk <= 900; junk += 3) {
        for (bool inStep : {false, true}) {
            test::LogBuilder log;
            log.FullCycle();
            if (inStep) log.Record(0x020).Record(0x03B, {0x0F, 0xFF, 0x01, 0x2C});
            log.Junk(junk, static_cast<char>(junk % 2 == 0 ? '\xEE' : '\0')).FullCycle().Record(0x0B4).FullCycle();
            twins.CompareInEveryOptionSet(log.Text());
        }
    }
    for (int unknown = 78; unknown <= 82; ++unknown) {
        for (std::size_t stray = 0; stray <= 11; ++stray) {
            test::LogBuilder log;
            log.FullCycle().Record(0x020).Record(0x3CB);
            for (int i = 0; i < unknown; ++i) log.Record(0x7FF, {}, 4);
            log.Junk(stray).Record(0x0B4).Record(0x3CB).Record(0x56D).FullCycle();
            twins.Compare(log.Text(), OptionsFromByte(static_cast<std::uint8_t>(stray % 24)));
        }
    }
}

// Records that repeat the data of the last record of their identifier, which the decoder marks
// valid without running their rule again: in range and out of range (warned every time), with a
// bit changed that the rule ignores or reads, and with other data read on the way out of a
// skipped record in between.
TEST(ConversionTwin, ReadingsThatHoldStill) {
    TwinComparer twins;
    test::LogBuilder log;
    log.FullCycle().FullCycle().FullCycle();
    for (int round = 0; round < 2; ++round) {
        log.Record(0x020).Record(0x3CB, {0x10, 0x20, 0x00, 0x64, 0xFF, 0x14}).Record(0x022, {0x02, 0x10, 0x01, 0xF0});
        log.Record(0x3CB, {0x10, 0x20, 0x00, 0x64, 0xFF, 0x14}).Record(0x56D);  // 255 degrees, out of range
    }
    log.FullCycle();
    log.Record(0x020).Record(0x3CB, {0x10, 0x20, 0x00, 0x64, 0x1E, 0x14, 0xAA}).Record(0x030, {0x00, 0, 0, 0, 128});
    log.Record(0x56D);
    log.Record(0x020).Record(0x3CB, {0x10, 0x20, 0x00, 0x65, 0x1E, 0x14}).Record(0x030, {0x7F, 0, 0, 0, 128});
    log.Record(0x56D);
    log.FullCycle().Record(0x020).Record(0x7FF, {}, 4).Record(0x3CB, {0x00, 0x10, 0x01, 0x00}).Record(0x56D);
    log.FullCycle().Record(0x020).Record(0x3CB, {0x10, 0x20, 0x00, 0x64, 0x1E, 0x14}).Record(0x7FF, {}, 4);
    log.Record(0x3CB, {0x10, 0x20, 0x00, 0x64, 0x1E, 0x14}).Record(0x0B4).Record(0x0B4, {0, 0, 0, 0, 0, 0x19});
    log.Record(0x56D);
    // Noisy readings are never taken again; a repeat still gives their values.
    log.Record(0x020).Record(0x03B, {0x0F, 0xFF, 0x01, 0x2C}).Record(0x03B, {0x0F, 0xFF, 0x01, 0x2C}).Record(0x56D);
    log.FullCycle().FullCycle();
    twins.CompareInEveryOptionSet(log.Text());
}

// The committed fuzz seeds and every kept finding of the fuzz targets.
TEST(ConversionTwin, FuzzSeedsAndFindings) {
    std::filesystem::path fuzz = std::filesystem::path(__FILE__).parent_path().parent_path() / "fuzz";
    if (!std::filesystem::exists(fuzz)) GTEST_SKIP() << "no fuzz folder at " << fuzz;
    TwinComparer twins;
    int files = 0;
    for (const char* folder : {"corpus", "regressions"}) {
        for (const char* kind : {"raw_log", "recipe"}) {
            std::filesystem::path directory = fuzz / folder / kind;
            if (!std::filesystem::exists(directory)) continue;
            for (const auto& file : std::filesystem::directory_iterator(directory)) {
                std::string input = test::ReadFile(file.path().string());
                if (input.size() < 2) continue;
                ++files;
                RunOptions options = OptionsFromByte(static_cast<std::uint8_t>(input[0]));
                std::string_view rest = std::string_view(input).substr(2);
                if (std::string_view(kind) == "raw_log") {
                    twins.Compare(rest, options);
                } else {
                    test::ByteChoices choices(rest);
                    twins.Compare(test::MakeRandomLog(choices, 64 * 1024), options);
                }
            }
        }
    }
    EXPECT_GT(files, 10);
}

}  // namespace
}  // namespace drovane
