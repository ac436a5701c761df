// The log a drive makes: every known message at its rate and length, cycles framed the way the
// converter reads them, decoded signals that say what the car did, and the same bytes every time.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <set>

#include "DriveModel.h"
#include "DriveSynthesizer.h"
#include "KnownMessages.h"
#include "MessageSchedule.h"
#include "RecordEncoder.h"
#include "SyncGuard.h"
#include "TruthDecoder.h"

namespace drovane::synth {
namespace {

std::vector<std::uint8_t> Synthesize(std::uint64_t seed, std::int64_t cycles, DamageSettings damage = {},
                                     SynthesisReport* report = nullptr, bool harsh = false) {
    SynthSettings settings;
    settings.seed = seed;
    settings.cycles = cycles;
    settings.damage = damage;
    settings.harsh = harsh;
    MemorySink log;
    const SynthesisReport made = SynthesizeDrive(settings, log, nullptr);
    if (report != nullptr) *report = made;
    return log.Bytes();
}

TEST(MessageScheduleTest, EveryKnownMessageAppearsAndCyclesAreFramedForTheConverter) {
    std::set<std::uint16_t> seen;
    CycleMessages messages;
    for (std::int64_t cycle = 0; cycle < 100; ++cycle) {
        ScheduleCycle(cycle, messages);
        ASSERT_GE(messages.inCycle.size(), 2U);
        EXPECT_EQ(messages.inCycle.front(), kSyncId);
        EXPECT_EQ(messages.inCycle.back(), kCloseId);
        int lastTracked = 0;
        for (std::uint16_t id : messages.inCycle) {
            seen.insert(id);
            if (!IsTracked(id)) continue;
            EXPECT_GT(id, lastTracked) << "cycle " << cycle << ": a tracked identifier that does not rise";
            lastTracked = id;
        }
        for (std::uint16_t id : messages.afterClose) {
            seen.insert(id);
            EXPECT_FALSE(IsTracked(id)) << std::hex << id;
        }
    }
    EXPECT_EQ(seen.size(), KnownMessages().size());
    // Cycle 0 carries every decoded message, so the first row is complete.
    ScheduleCycle(0, messages);
    for (int id : {0x022, 0x023, 0x025, 0x030, 0x038, 0x039, 0x03B, 0x0B1, 0x0B3, 0x0B4, 0x244,
                   0x3C8, 0x3CA, 0x3CB, 0x520, 0x526, 0x529, 0x52C, 0x540, 0x57F, 0x5A4, 0x5C8}) {
        EXPECT_NE(std::find(messages.inCycle.begin(), messages.inCycle.end(), id), messages.inCycle.end())
            << std::hex << id;
    }
}

TEST(MessageScheduleTest, AnIrregularBusKeepsTheFrameAndEveryMessageButNotTheOrder) {
    RandomSource random(9);
    CycleMessages messages;
    std::set<std::uint16_t> seen;
    int outOfOrder = 0;
    int fuelFlows = 0;
    int fuelFlowTwiceRunning = 0;  // the regular bus sends 0x038 every other cycle
    bool fuelFlowBefore = true;
    for (std::int64_t cycle = 1; cycle < 300; ++cycle) {
        ScheduleIrregularCycle(cycle, random, messages);
        ASSERT_EQ(messages.inCycle.front(), kSyncId);
        ASSERT_EQ(messages.inCycle.back(), kCloseId);
        seen.insert(messages.inCycle.begin(), messages.inCycle.end());
        seen.insert(messages.afterClose.begin(), messages.afterClose.end());
        outOfOrder += !std::is_sorted(messages.inCycle.begin(), messages.inCycle.end() - 1);
        const bool fuelFlow = std::count(messages.inCycle.begin(), messages.inCycle.end(), 0x038) != 0;
        fuelFlows += fuelFlow;
        fuelFlowTwiceRunning += fuelFlow && fuelFlowBefore;
        fuelFlowBefore = fuelFlow;
    }
    EXPECT_EQ(seen.size(), KnownMessages().size());
    EXPECT_GT(outOfOrder, 290);
    EXPECT_NEAR(fuelFlows, 150, 40);
    EXPECT_GT(fuelFlowTwiceRunning, 30);
}

// How many decoded records repeat the data bytes of the record of their identifier before them.
double RepeatShare(const std::vector<std::uint8_t>& log) {
    std::map<std::uint16_t, std::vector<std::uint8_t>> last;
    int decoded = 0;
    int repeats = 0;
    for (std::size_t i = 0; i + SynthRecord::kSize <= log.size(); i += SynthRecord::kSize) {
        const auto id = static_cast<std::uint16_t>(log[i] << 8 | log[i + 1]);
        if (id != 0x0B4 && id != 0x3CB && id != 0x039 && id != 0x038 && id != 0x3C8) continue;
        std::vector<std::uint8_t> data(log.begin() + static_cast<std::ptrdiff_t>(i) + SynthRecord::kHeaderSize,
                                       log.begin() + static_cast<std::ptrdiff_t>(i) + SynthRecord::kSize - 1);
        ++decoded;
        repeats += last[id] == data;
        last[id] = data;
    }
    return static_cast<double>(repeats) / decoded;
}

TEST(DriveLogTest, AHarshDriveSeldomRepeatsItsReadingsAndConvertsAsWell) {
    SynthesisReport report;
    // Without damage and lead-in junk a harsh log is made of whole records from its first cycle on:
    // record boundaries are found by the cycle start.
    const auto harsh = Synthesize(6, 2000, {}, &report, true);
    const std::size_t start = [&] {
        for (std::size_t i = 0;; ++i)
            if (IsSyncPattern(harsh, i)) return i;
    }();
    EXPECT_LT(RepeatShare({harsh.begin() + static_cast<std::ptrdiff_t>(start), harsh.end()}), 0.2);
    EXPECT_EQ(report.expected.rows, 2000);
    EXPECT_EQ(report.expected.outOfRangeValues, 0);
    EXPECT_EQ(Synthesize(6, 300, {}, nullptr, true), Synthesize(6, 300, {}, nullptr, true));
    EXPECT_NE(Synthesize(6, 300, {}, nullptr, true), Synthesize(6, 300));
}

TEST(RecordEncoderTest, RecordsCarryTheTableLengthAndDecodeToTheState) {
    DriveState state;
    state.speedKmh = 87.3;
    state.wheelKmh[0] = 87.1;
    state.wheelKmh[3] = 87.6;
    state.batteryAmps = -42.7;
    state.batteryVolts = 221.4;
    state.socPercent = 57.3;
    state.engineRpm = 2210.0;
    state.fuelFlowLph = 5.43;
    state.coolantTempC = 88.6;
    state.gear = Gear::Reverse;
    state.lights = LightSwitch::HighBeams;
    state.evIndicator = EvIndicator::Denied;
    state.cruiseActive = true;
    TruthDecoder decoder(UnitSystem::Metric);
    for (const KnownMessage& message : KnownMessages()) {
        const SynthRecord record = EncodeRecord(message.identifier, state, 17);
        EXPECT_EQ(record.Id(), message.identifier);
        EXPECT_EQ(record.Length(), message.length) << std::hex << message.identifier;
        decoder.Decode(record);
    }
    const auto number = [&decoder](int column) { return std::stod(decoder.CellText(column)); };
    EXPECT_NEAR(number(truth::kSpeed), 87.3, 0.01);
    EXPECT_NEAR(number(truth::kFlWheel), 87.1, 0.01);
    EXPECT_NEAR(number(truth::kRrWheel), 87.6, 0.01);
    // The pack charging at 42.7 A reads positive, like the charge-current limit.
    EXPECT_NEAR(number(truth::kAmps), 42.7, 0.051);
    EXPECT_EQ(decoder.CellText(truth::kVoltage), "221");
    EXPECT_NEAR(number(truth::kSoc), 57.3, 0.25);
    EXPECT_NEAR(number(truth::kIceRpm), 2210.0, 16.0);
    EXPECT_EQ(decoder.CellText(truth::kFuelFlow), "5.4");
    EXPECT_EQ(decoder.CellText(truth::kCoolantTemp), "89");
    EXPECT_EQ(decoder.CellText(truth::kShifter), "\"R\"");
    EXPECT_EQ(decoder.CellText(truth::kLights), "\"HighBeams\"");
    EXPECT_EQ(decoder.CellText(truth::kEvMode), "\"Denied\"");
    EXPECT_EQ(decoder.CellText(truth::kCruiseControl), "1");
    EXPECT_EQ(decoder.RangeRejections(), 0);
}

TEST(SyncGuardTest, BreaksStrayHeadersAcrossRecordsButKeepsRealOnes) {
    // A real 0x020 header, then data ending 00 20 followed by a record of identifier 0x3xx.
    std::vector<std::uint8_t> bytes{0x00, 0x20, 0x03, 1, 2, 3, 4, 5, 6, 0x00, 0x20, 0x03, 0xC8, 0x05};
    const auto changed = BreakStraySyncHeaders(
        bytes, 0, bytes.size(), [](std::size_t position) { return position == 0; },
        [](std::size_t position) { return position % 11 >= 3; });
    EXPECT_EQ(changed, 1U);
    EXPECT_TRUE(IsSyncPattern(bytes, 0));
    EXPECT_EQ(bytes[10], 0x21);  // the data byte; the header byte 0x03 of the next record stays
    EXPECT_EQ(bytes[11], 0x03);
}

TEST(DriveLogTest, OnlyRealCycleStartsRead002003) {
    SynthesisReport report;
    const auto log = Synthesize(3, 3000, {}, &report);
    std::size_t patterns = 0;
    for (std::size_t i = 0; i + 3 <= log.size(); ++i) {
        if (!IsSyncPattern(log, i)) continue;
        ++patterns;
        ASSERT_EQ(log[i + SynthRecord::kSize + 1], 0x22) << "a 00 20 03 at " << i << " is not followed by 0x022";
    }
    EXPECT_EQ(patterns, 3000U);
    EXPECT_EQ(report.expected.rows, 3000);
    EXPECT_EQ(report.expected.outOfRangeValues, 0);
}

TEST(DriveLogTest, SameSeedSameBytesOtherSeedOtherDrive) {
    DamageSettings damage;
    damage.rate = 0.1;
    EXPECT_EQ(Synthesize(1, 500), Synthesize(1, 500));
    EXPECT_EQ(Synthesize(1, 500, damage), Synthesize(1, 500, damage));
    EXPECT_NE(Synthesize(1, 500), Synthesize(2, 500));
}

TEST(DriveLogTest, BitFlipsAndLostEndsLeaveTheRestOfTheDriveAlone) {
    const auto clean = Synthesize(5, 800);
    DamageSettings flips;
    flips.rate = 0.1;
    flips.kinds = DamageKinds::None().Add(DamageKind::BitFlip);
    SynthesisReport report;
    const auto flipped = Synthesize(5, 800, flips, &report);
    ASSERT_EQ(flipped.size(), clean.size());
    std::int64_t differentBits = 0;
    for (std::size_t i = 0; i < clean.size(); ++i) differentBits += std::popcount(unsigned(clean[i] ^ flipped[i]));
    EXPECT_GT(report.damage.bitFlip, 40);
    EXPECT_EQ(differentBits, report.damage.bitFlip);

    DamageSettings lost;
    lost.rate = 0.1;
    lost.kinds = DamageKinds::None().Add(DamageKind::LostEnd);
    const auto shorter = Synthesize(5, 800, lost, &report);
    EXPECT_EQ(clean.size() - shorter.size(), static_cast<std::size_t>(report.damage.lostEnd) * SynthRecord::kSize);
    EXPECT_EQ(report.expected.unfinishedPackets, report.damage.lostEnd);
    EXPECT_EQ(report.expected.packets, 800);
}

TEST(DriveLogTest, CutEndsTheLogInsideItsLastCycle) {
    DamageSettings cut;
    cut.rate = 0.01;
    cut.kinds = DamageKinds::None().Add(DamageKind::Cut);
    SynthesisReport report;
    const auto log = Synthesize(4, 300, cut, &report);
    EXPECT_EQ(report.damage.cut, 1);
    EXPECT_EQ(report.expected.packets, 299);
    EXPECT_LT(log.size(), Synthesize(4, 300).size());
}

TEST(DriveModelTest, TheDriveIsPlausible) {
    DriveModel drive(1);
    std::set<Gear> gears;
    std::set<EvIndicator> indicators;
    int stops = 0;
    int engineStarts = 0;
    bool wasMoving = false;
    bool wasRunning = false;
    double maxSpeed = 0.0;
    double brakingAmps = 0.0;
    double pushingAmps = 0.0;
    const double startCoolant = drive.Step().coolantTempC;
    for (int cycle = 1; cycle < 12000; ++cycle) {  // twenty minutes
        const DriveState& s = drive.Step();
        gears.insert(s.gear);
        indicators.insert(s.evIndicator);
        maxSpeed = std::max(maxSpeed, s.speedKmh);
        const bool moving = std::fabs(s.speedKmh) > 0.5;
        if (wasMoving && !moving) ++stops;
        if (!wasRunning && s.engineRunning) ++engineStarts;
        wasMoving = moving;
        wasRunning = s.engineRunning;
        if (s.accelMs2 < -1.0 && s.speedKmh > 20.0) brakingAmps = std::min(brakingAmps, s.batteryAmps);
        if (s.accelMs2 > 1.0 && s.speedKmh > 20.0) pushingAmps = std::max(pushingAmps, s.batteryAmps);
        ASSERT_GE(s.socPercent, 38.0);
        ASSERT_LE(s.socPercent, 82.0);
        ASSERT_LE(std::fabs(s.lateralMs2), 4.6);
        ASSERT_EQ(s.fuelFlowLph > 0.0, s.engineRunning && s.engineRpm > 600.0 && s.enginePowerKw > 0.0);
        for (double wheel : s.wheelKmh) ASSERT_NEAR(wheel, s.speedKmh, std::max(1.0, std::fabs(s.speedKmh) * 0.15));
    }
    EXPECT_EQ(gears.size(), 5U);  // P, R, N, D and B
    EXPECT_EQ(indicators.size(), 4U);
    EXPECT_GE(stops, 5);
    EXPECT_GE(engineStarts, 5);
    EXPECT_GT(maxSpeed, 90.0);
    EXPECT_LT(brakingAmps, -30.0);  // regenerative braking charges
    EXPECT_GT(pushingAmps, 30.0);   // accelerating discharges
    EXPECT_GT(drive.State().coolantTempC, startCoolant + 40.0);
}

}  // namespace
}  // namespace drovane::synth
