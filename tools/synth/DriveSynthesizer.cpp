#include "DriveSynthesizer.h"

#include <functional>
#include <string>

#include "ConversionModel.h"
#include "DriveModel.h"
#include "KnownMessages.h"
#include "LogChunk.h"
#include "MessageSchedule.h"
#include "RecordEncoder.h"
#include "SensorNoise.h"
#include "SyncGuard.h"

namespace drovane::synth {
namespace {

// The logger starts in the middle of the car's traffic: the log opens with the torn tail of the
// messages broadcast before the first cycle it records.
void WriteLeadIn(const DriveState& state, std::uint64_t seed, ByteSink& log, ConversionModel& model) {
    RandomSource random(seed ^ 0x4C656164496E5F5FULL);
    LogChunk tail;
    tail.AddRecord(EncodeRecord(0x5B6, state, -1));
    tail.AddRecord(EncodeRecord(0x002, state, -1));
    auto bytes = tail.Bytes();
    const auto skip = static_cast<std::size_t>(random.Between(0, SynthRecord::kSize * 2 - 5));
    auto kept = bytes.subspan(skip);
    BreakStraySyncHeaders(
        kept, 0, kept.size(), [](std::size_t) { return false; }, [](std::size_t) { return true; });
    log.Write(kept);
    model.LooseBytes(kept.size());
}

// The bus's own randomness for a harsh drive; nullptr for the regular bus.
void BuildCycle(const DriveState& state, std::int64_t cycle, RandomSource* harshBus, CycleMessages& messages,
                LogChunk& chunk) {
    if (harshBus != nullptr) {
        ScheduleIrregularCycle(cycle, *harshBus, messages);
    } else {
        ScheduleCycle(cycle, messages);
    }
    chunk.Clear();
    const auto add = [&](std::uint16_t id) {
        chunk.AddRecord(EncodeRecord(id, harshBus != nullptr ? NoisyReadings(state, *harshBus) : state, cycle));
    };
    for (std::uint16_t id : messages.inCycle) add(id);
    for (std::uint16_t id : messages.afterClose) add(id);
    // Only the cycle's own 0x020 may read 00 20 03; data bytes change, headers never.
    BreakStraySyncHeaders(
        chunk.Bytes(), 0, chunk.Bytes().size(), [](std::size_t position) { return position == 0; },
        [](std::size_t position) { return position % SynthRecord::kSize >= SynthRecord::kHeaderSize; });
}

void FeedModel(const LogChunk& chunk, std::int64_t cycle, bool altered, ConversionModel& model) {
    for (std::size_t i = 0; i < chunk.PieceCount(); ++i) {
        const LogChunk::Piece& piece = chunk.PieceAt(i);
        if (!piece.isRecord) {
            model.LooseBytes(piece.length);
        } else if (piece.length == SynthRecord::kSize) {
            model.Record(chunk.RecordAt(i), cycle, altered);
        }
        // A record cut short ends the log: the converter drops it.
    }
}

}  // namespace

SynthesisReport SynthesizeDrive(const SynthSettings& settings, ByteSink& log, ByteSink* truth) {
    bool headerWritten = false;
    const auto writeTruth = [&](const std::string& row) {
        if (truth == nullptr) return;
        if (!headerWritten) {
            std::string header;
            TruthDecoder::AppendHeader(settings.units, header);
            truth->Write(header);
            headerWritten = true;
        }
        truth->Write(row);
    };
    // Without a truth file no row is formatted: that keeps gigabyte logs fast.
    ConversionModel model(settings.units, truth != nullptr ? std::function<void(const std::string&)>(writeTruth)
                                                           : std::function<void(const std::string&)>());
    DriveModel drive(settings.seed);
    DamageInjector damage(settings.seed, settings.damage);
    RandomSource harshBus(settings.seed ^ 0x4861727368427573ULL);
    CycleMessages messages;
    LogChunk chunk;

    SynthesisReport report;
    const auto countingWrite = [&](std::span<const std::uint8_t> bytes) {
        log.Write(bytes);
        report.bytes += bytes.size();
    };
    {
        MemorySink leadIn;
        WriteLeadIn(drive.State(), settings.seed, leadIn, model);
        countingWrite(leadIn.Bytes());
    }
    const bool bySize = settings.targetBytes != 0;
    for (std::int64_t cycle = 0; bySize ? report.bytes < settings.targetBytes : cycle < settings.cycles; ++cycle) {
        const DriveState& state = drive.Step();
        BuildCycle(state, cycle, settings.harsh ? &harshBus : nullptr, messages, chunk);
        const bool last =
            bySize ? report.bytes + chunk.Bytes().size() >= settings.targetBytes : cycle + 1 == settings.cycles;
        bool altered = false;
        damage.Apply(chunk, last, altered);
        FeedModel(chunk, cycle, altered, model);
        countingWrite(chunk.Bytes());
        report.cycles = cycle + 1;
        report.drivenKm = state.odometerKm;
        if (last) break;  // a cut end leaves the log short of its size: it still ends here
    }
    if (truth != nullptr && !headerWritten && model.Expected().packets > 0) writeTruth("");
    report.damage = damage.Counts();
    report.expected = model.Expected();
    log.Flush();
    if (truth != nullptr) truth->Flush();
    return report;
}

}  // namespace drovane::synth
