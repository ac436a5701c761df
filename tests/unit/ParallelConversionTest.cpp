// A log converted in chunks on several threads gives, byte for byte, what one conversion gives:
// the rows with their packet numbers, and every diagnostic in order, with chunk boundaries
// anywhere. Each chunk's conversion starts afresh (empty caches, no remembered values) on a thread
// that converted other parts of the log before, so these comparisons also show that the caches
// give the same bytes however they were filled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/Conversion.h"
#include "convert/parallel/ParallelConversion.h"
#include "core/MemoryStreams.h"
#include "support/LogBuilder.h"
#include "support/RandomLog.h"

namespace drovane {
namespace {

// More threads than cores are not run; where the cores are not known, those asked for are.
static_assert(ChunkPlan::ThreadsWorthRunning(256, 2) == 2 && ChunkPlan::ThreadsWorthRunning(2, 8) == 2 &&
              ChunkPlan::ThreadsWorthRunning(5, 0) == 5);

struct Split {
    unsigned threads;
    std::uint64_t chunkSize;
};

// Counts the conversions compared and reports the first that disagrees, with its input.
class SameAsOneConversion {
public:
    void Compare(std::string_view log, const RunOptions& options, Split split, const std::string& what = "") {
        ++compared_;
        ConversionText one = ConvertBytes(log, options);
        ConversionText parallel = ConvertBytesInParallel(log, options, split.threads, split.chunkSize);
        if (one.csv == parallel.csv && one.diagnostics == parallel.diagnostics) return;
        if (++disagreements_ > 1) return;
        ADD_FAILURE() << what << ": " << split.threads << " threads, chunks of " << split.chunkSize << " bytes, log of "
                      << log.size() << " bytes, units " << static_cast<int>(options.units);
        EXPECT_EQ(one.csv, parallel.csv);
        EXPECT_EQ(one.diagnostics, parallel.diagnostics);
    }
    ~SameAsOneConversion() { EXPECT_EQ(disagreements_, 0) << "of " << compared_ << " conversions"; }

private:
    int compared_ = 0;
    int disagreements_ = 0;
};

RunOptions Units(UnitSystem units) {
    RunOptions options;
    options.units = units;
    return options;
}

TEST(ParallelConversion, EveryOffsetOfSmallRandomLogsIsABoundary) {
    SameAsOneConversion same;
    for (std::uint64_t seed = 0; seed < 40; ++seed) {
        test::SeededChoices choose(seed);
        std::string log = test::MakeRandomLog(choose, 200 + seed * 40);
        RunOptions options = Units(static_cast<UnitSystem>(seed % 3));
        for (std::uint64_t chunkSize : {1, 2, 3, 5, 11, 12, 29, 97, 500}) {
            same.Compare(log, options, {static_cast<unsigned>(2 + seed % 3), chunkSize},
                         "seed " + std::to_string(seed));
        }
    }
}

TEST(ParallelConversion, LargerRandomLogsInManyChunks) {
    SameAsOneConversion same;
    for (std::uint64_t seed = 100; seed < 130; ++seed) {
        test::SeededChoices choose(seed);
        std::string log = test::MakeRandomLog(choose, 60000);
        for (std::uint64_t chunkSize : {700, 1500, 4096, 9000}) {
            same.Compare(log, Units(UnitSystem::Metric), {static_cast<unsigned>(1 + seed % 4), chunkSize},
                         "seed " + std::to_string(seed));
        }
    }
}

TEST(ParallelConversion, RandomBytesAndLogsWithNothingToConvert) {
    SameAsOneConversion same;
    std::mt19937_64 random(7);
    std::string bytes(300000, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    for (std::uint64_t chunkSize : {1000, 4096, 65536}) same.Compare(bytes, Units(UnitSystem::Metric), {2, chunkSize});
    // A skipped packet alone writes the header row; 0 to 2 bytes write nothing at all.
    std::string sparse = test::LogBuilder().Record(0x020).Record(0x56D).Junk(40).Text();
    for (std::string_view log : {std::string_view(), std::string_view("\x00", 1), std::string_view("\x00\x20", 2),
                                 std::string_view("\x00\x20\x03", 3), std::string_view(sparse)}) {
        for (std::uint64_t chunkSize : {1, 2, 3, 7}) same.Compare(log, Units(UnitSystem::US), {3, chunkSize});
    }
}

// The packets of a long log, each the cheapest to make: a cycle of a synchronisation and a closing
// record only, which is skipped with a warning, and a full cycle, written, where `full` says.
std::string ManyPackets(std::int64_t count, std::int64_t firstFull, std::int64_t lastFull) {
    test::LogBuilder log;
    for (std::int64_t packet = 1; packet <= count; ++packet) {
        if (packet >= firstFull && packet <= lastFull) {
            log.FullCycle();
        } else {
            log.Record(0x020).Record(0x56D);
        }
    }
    return log.Text();
}

TEST(ParallelConversion, PacketNumbersAcrossBoundariesNearTenThousandAndAMillion) {
    constexpr std::uint64_t kSparse = 22;     // bytes of a skipped packet's cycle
    constexpr std::uint64_t kFull = 24 * 11;  // of a full cycle
    const RunOptions options = Units(UnitSystem::Metric);
    for (std::int64_t number : {10000, 1000000}) {
        std::string log = ManyPackets(number + number / 4 + 10, number - 3, number + 3);
        const ConversionText one = ConvertBytes(log, options);
        std::string row = "\n";
        row.append(std::to_string(number)).append(",300,");
        EXPECT_NE(one.csv.find(row), std::string::npos);
        // Chunk boundaries in and around the full cycles about the number: the fourth boundary of
        // chunks of a quarter of the way there.
        std::uint64_t fullStart = static_cast<std::uint64_t>(number - 4) * kSparse;
        for (std::uint64_t offset : {std::uint64_t{5}, kFull + 3}) {
            ConversionText parallel = ConvertBytesInParallel(log, options, 2, (fullStart + offset) / 4);
            EXPECT_TRUE(parallel.csv == one.csv) << number << " " << offset;
            EXPECT_TRUE(parallel.diagnostics == one.diagnostics) << number << " " << offset;
        }
    }
}

// Cycles that carry no speed or no fuel flow: their economy uses the values of earlier cycles, so
// a chunk whose first economies come before its first 0x0B4 or 0x038 takes those of the chunk
// before.
TEST(ParallelConversion, AnEconomyBeforeTheChunksFirstSpeedOrFuelFlowUsesTheValuesBefore) {
    SameAsOneConversion same;
    test::LogBuilder log;
    log.FullCycle();
    for (int cycle = 0; cycle < 60; ++cycle) {
        log.Record(0x020).Record(0x022, {0x02, 0x10, 0x01, 0xF0}).Record(0x3CB, {0x14, 0x28, 0x00, 0x78, 0x1E, 0x19});
        if (cycle % 7 == 3) log.Record(0x038, {0, static_cast<std::uint8_t>(cycle)});
        if (cycle % 11 == 5) log.Record(0x0B4, {0, 0, 0, 0, 0, static_cast<std::uint8_t>(cycle), 0x10});
        log.Record(0x5A4, {0, 60}).Record(0x56D);
    }
    for (std::uint64_t chunkSize = 1; chunkSize < 400; chunkSize += 7) {
        same.Compare(log.Text(), Units(UnitSystem::Metric), {3, chunkSize});
        same.Compare(log.Text(), Units(UnitSystem::US), {2, chunkSize + 3});
    }
}

// A CSV that can take only so many bytes: the rows stop at the same packet, and so do the
// diagnostics before them.
class LimitedSink final : public OutputSink {
public:
    explicit LimitedSink(std::size_t room) : room_(room) {}
    bool Write(const char* data, std::size_t size) override {
        if (size > room_) return false;
        room_ -= size;
        text_.append(data, size);
        return true;
    }
    int ErrorNumber() const override { return 28; }
    const std::string& Text() const { return text_; }

private:
    std::size_t room_;
    std::string text_;
};

TEST(ParallelConversion, AFullCsvAndAReadErrorStopWhereOneConversionStops) {
    test::SeededChoices choose(3);
    std::string log = test::MakeRandomLog(choose, 2000000);
    const RunOptions options = Units(UnitSystem::Metric);
    for (std::size_t room : {std::size_t{1} << 18, std::size_t{3} << 18}) {
        LimitedSink oneCsv(room), parallelCsv(room);
        StringOutputSink oneDiagnostics, parallelDiagnostics;
        {
            TextBuffer csv(oneCsv), diagnostics(oneDiagnostics);
            Conversion one(options, csv, diagnostics);
            MemoryByteSource source(log);
            one.Run(source);
            diagnostics.Flush();
        }
        {
            TextBuffer csv(parallelCsv), diagnostics(parallelDiagnostics);
            MemoryRandomAccessInput input(log);
            ParallelConversion parallel(options, input, log.size(), csv, diagnostics,
                                        {.threads = 3, .chunkSize = 50000});
            parallel.Run();
            diagnostics.Flush();
        }
        EXPECT_EQ(oneCsv.Text(), parallelCsv.Text());
        EXPECT_EQ(oneDiagnostics.Text(), parallelDiagnostics.Text());
    }
    for (std::size_t failAt : {std::size_t{777}, std::size_t{123457}, log.size() - 5}) {
        StringOutputSink oneCsv, parallelCsv, oneDiagnostics, parallelDiagnostics;
        {
            TextBuffer csv(oneCsv), diagnostics(oneDiagnostics);
            Conversion one(options, csv, diagnostics);
            MemoryByteSource source(log, failAt);
            one.Run(source);
            EXPECT_TRUE(source.Failed());
            csv.Flush();
            diagnostics.Flush();
        }
        {
            TextBuffer csv(parallelCsv), diagnostics(parallelDiagnostics);
            MemoryRandomAccessInput input(log, failAt);
            ParallelConversion parallel(options, input, log.size(), csv, diagnostics,
                                        {.threads = 2, .chunkSize = 40000});
            parallel.Run();
            EXPECT_NE(parallel.ReadErrorNumber(), 0);
            csv.Flush();
            diagnostics.Flush();
        }
        EXPECT_EQ(oneCsv.Text(), parallelCsv.Text()) << failAt;
        EXPECT_EQ(oneDiagnostics.Text(), parallelDiagnostics.Text()) << failAt;
    }
}

}  // namespace
}  // namespace drovane
