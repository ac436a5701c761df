// Micro-benchmarks of the converter's hot pieces: header lookup, hunting, decoding a cycle and
// writing a row.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "convert/Conversion.h"
#include "core/MemoryStreams.h"
#include "decode/NumberFormat.h"
#include "rawlog/HeaderSearch.h"
#include "rawlog/KnownMessageTable.h"
#include "support/LogBuilder.h"

namespace drovane {
namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

void BM_Lookup(benchmark::State& state) {
    auto bytes = RandomBytes(1 << 16, 1);
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3) bytes[i] &= 0x07;  // mostly plausible identifiers
    for (auto _ : state) {
        unsigned known = 0;
        for (std::size_t i = 0; i + 3 <= bytes.size(); ++i)
            known += KnownMessageTable::Lookup(&bytes[i]) != UnknownMessageId;
        benchmark::DoNotOptimize(known);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_Lookup);

void BM_HuntRandomBytes(benchmark::State& state) {
    auto bytes = RandomBytes(1 << 20, 2);
    for (auto _ : state) {
        const std::uint8_t* at = bytes.data();
        const std::uint8_t* end = at + bytes.size();
        std::size_t found = 0;
        while (const std::uint8_t* hit = FindSyncHeader(at, end)) {
            ++found;
            at = hit + 1;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_HuntRandomBytes);

// Converts the same log of full cycles over and over; speed and fuel vary from cycle to cycle so
// that the cell texts must be formed anew.
void BM_ConvertCycles(benchmark::State& state) {
    test::LogBuilder log;
    for (int cycle = 0; cycle < 1000; ++cycle) {
        auto speed = static_cast<std::uint8_t>(cycle % 200);
        log.Record(0x020)
            .Record(0x038, {0, static_cast<std::uint8_t>(cycle % 97)})
            .Record(0x03B, {0x0F, static_cast<std::uint8_t>(cycle), 0x01, 0x2C})
            .Record(0x0B1, {0x17, speed, 0x17, static_cast<std::uint8_t>(speed + 3)})
            .Record(0x0B3, {0x17, speed, 0x17, static_cast<std::uint8_t>(speed + 5)})
            .Record(0x0B4, {0, 0, 0, 0, 0, 0x19, speed})
            .Record(0x3CB, {0x14, 0x28, 0x00, 0x78, 0x1E, 0x19})
            .Record(0x3C8, {0, 0, speed, 0x00})
            .Record(0x520, {0, 0x01, speed})
            .Record(0x526, {0, speed})
            .Record(0x529, {0, 0, 0, 0, 0x40})
            .Record(0x540, {0, 0x10})
            .Record(0x56D)
            .Record(0x5B2)
            .Record(0x602);
    }
    RunOptions options;
    options.units = static_cast<UnitSystem>(state.range(0));
    for (auto _ : state) {
        StringOutputSink csvSink, diagnosticSink;
        TextBuffer csv(csvSink), diagnostics(diagnosticSink);
        Conversion conversion(options, csv, diagnostics);
        MemoryByteSource source(log.Text());
        conversion.Run(source);
        csv.Flush();
        benchmark::DoNotOptimize(csvSink.Text().size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * log.Size()));
}
BENCHMARK(BM_ConvertCycles)->Arg(0)->Arg(1);

void BM_FormatGeneral(benchmark::State& state) {
    std::vector<double> values;
    for (int i = -3000; i < 3000; ++i) {
        values.push_back(i * 0.1);
        values.push_back(i / 100.0 * 0.621371);
        values.push_back(i * (1.0 / 1024.0) * 10);
    }
    char buffer[kMaxGeneralLength];
    for (auto _ : state) {
        for (double value : values) benchmark::DoNotOptimize(FormatGeneral(value, buffer));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * values.size()));
}
BENCHMARK(BM_FormatGeneral);

}  // namespace
}  // namespace drovane

BENCHMARK_MAIN();
