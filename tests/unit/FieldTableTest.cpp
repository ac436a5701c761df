#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <string>
#include <typeinfo>
#include <vector>

#include "DecodeHarness.h"
#include "decode/Columns.h"
#include "decode/RawReadingTexts.h"

namespace drovane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

using test::DecodeHarness;
using test::Options;
using test::PrintfGeneral;

struct Column {
    const char* name;
    const char* usName;  // nullptr: the same in every unit system
    std::int32_t min;
    std::int32_t max;
    bool text;
};

const Column kColumns[CANDataMgr::kFieldCount] = {
    {"Time", nullptr, INT32_MIN, INT32_MAX, false},
    {"Voltage", nullptr, 100, 400, false},
    {"SOC %", nullptr, 0, 100, false},
    {"Amps", nullptr, -200, 200, false},
    {"Max Charge Current", nullptr, 0, 200, false},
    {"Max Discharge Current", nullptr, -200, 0, false},
    {"Min Batt Temp C", "Min Batt Temp F", 0, 250, false},
    {"Max Batt Temp C", "Max Batt Temp F", 0, 250, false},
    {"Speed (km/h)", "Speed (mph)", -100, 250, false},
    {"Speedometer", nullptr, -100, 150, false},
    {"Speed Related", nullptr, -10000, 32767, false},
    {"FL Wheel", nullptr, -10000, 32767, false},
    {"FR Wheel", nullptr, -10000, 32767, false},
    {"RL Wheel", nullptr, -10000, 32767, false},
    {"RR Wheel", nullptr, -10000, 32767, false},
    {"ICE RPM", nullptr, 0, 8000, false},
    {"ICE Temp C", "ICE Temp F", 0, 299, false},
    {"Coolant Temp C", "Coolant Temp F", 0, 299, false},
    {"Side Accel", nullptr, -512, 512, false},
    {"Side Accel1", nullptr, -512, 512, false},
    {"Fwd Accel", nullptr, -512, 512, false},
    {"Fwd Accel2", nullptr, -512, 512, false},
    {"Steering", nullptr, -1000, 1000, false},
    {"Gas Pedal", nullptr, 0, 255, false},
    {"Brake Pedal", nullptr, 0, 127, false},
    {"Brake Pressed", nullptr, 0, 1, false},
    {"Shifter", nullptr, -2, 2, true},
    {"EV Mode", nullptr, 0, 0, true},
    {"Cruise Control", nullptr, 0, 1, false},
    {"Lights", nullptr, 0, 3, true},
    {"Fuel Inj", nullptr, 0, 32767, false},
    {"Fuel Flow (L/hr)", "Fuel Flow (G/hr)", 0, 255, false},
    {"VVTi", nullptr, -255, 255, false},
    {"Gas Gauge", nullptr, 0, 100, false},
    {"iKM/L", "iMPG", -9999, 9999, false},
};

std::string Warning(const std::string& name, double value) {
    return "*** WARNING: bad data, field out of range, " + name + " = " + PrintfGeneral(value) + "\n";
}

TEST(FieldTable, HeadingsAndRangesOfEachUnitSystem) {
    for (UnitSystem units : {UnitSystem::Metric, UnitSystem::US, UnitSystem::UK}) {
        DecodeHarness run(Options(units));
        int renamed = 0;
        for (int index = 0; index < CANDataMgr::kFieldCount; ++index) {
            const Column& column = kColumns[index];
            const CANFieldEntry& entry = run.fields.Entry(index);
            bool us = units == UnitSystem::US && column.usName != nullptr;
            renamed += us;
            EXPECT_EQ(entry.name, us ? column.usName : column.name) << index;
            EXPECT_EQ(entry.min, column.min) << index;
            EXPECT_EQ(entry.max, column.max) << index;
            EXPECT_FALSE(run.fields.IsValid(index)) << index;
        }
        EXPECT_EQ(renamed, units == UnitSystem::US ? 7 : 0);
        EXPECT_EQ(run.fields.ValidBesidesTime(), 0);
        EXPECT_EQ(run.TakeDiagnostics(), "") << "the self-check finds every heading";
    }
}

// The range test compares the value truncated toward zero, so each bound admits the fractions that
// truncate onto it; the cell text is the untruncated value.
TEST(FieldTable, RangeEdgesOfEveryNumericColumn) {
    DecodeHarness run(Options(UnitSystem::Metric));
    for (int index = 1; index < CANDataMgr::kFieldCount; ++index) {
        const Column& column = kColumns[index];
        if (column.text) continue;
        double min = column.min;
        double max = column.max;
        std::vector<double> accepted = {min, max, min <= 0 ? min - 0.5 : min + 0.5, max >= 0 ? max + 0.99 : max};
        std::vector<double> rejected = {min - 1.0, max + 1.0, min > 0 ? min - 0.01 : min - 1.5};
        for (double value : accepted) {
            run.fields.ClearValidFlags();
            run.fields.SetFieldValue(value, index);
            EXPECT_EQ(run.Cell(index), PrintfGeneral(value)) << column.name;
        }
        for (double value : rejected) {
            run.fields.ClearValidFlags();
            run.fields.SetFieldValue(value, index);
            EXPECT_FALSE(run.fields.IsValid(index)) << column.name << " " << value;
        }
        EXPECT_EQ(run.TakeDiagnostics(), Warning(column.name, min - 1.0) + Warning(column.name, max + 1.0) +
                                             Warning(column.name, rejected[2]));
    }
}

TEST(FieldTable, VoltageTruncatesBeforeTheRangeTest) {
    DecodeHarness run(Options(UnitSystem::Metric));
    run.fields.SetFieldValue(400.9, 1);
    EXPECT_EQ(run.Cell(1), "400.9");
    EXPECT_EQ(run.TakeDiagnostics(), "");
    run.fields.SetFieldValue(99.99, 1);
    EXPECT_EQ(run.TakeDiagnostics(), "*** WARNING: bad data, field out of range, Voltage = 99.99\n");
    EXPECT_EQ(run.Cell(1), "400.9");
}

// Not a number, infinities and values beyond the 32-bit range fail every range but Time's, even
// those that a wrapping conversion would bring into range.
TEST(FieldTable, ValuesWithoutAPlausibleIntegerPartAreRejected) {
    DecodeHarness run(Options(UnitSystem::Metric));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double value : {nan, kInf, -kInf, 4294967396.0, -4294967196.0, 2147483648.0, 1e300}) {
        run.fields.SetFieldValue(value, 1);
        EXPECT_EQ(run.TakeDiagnostics(), Warning("Voltage", value));
        run.fields.SetFieldValue(value, 0);
        EXPECT_EQ(run.Cell(0), PrintfGeneral(value));
    }
    EXPECT_FALSE(run.fields.IsValid(1));
    EXPECT_EQ(run.TakeDiagnostics(), "");
}

TEST(FieldTable, LaterStoresReplaceEarlierOnesUnlessRejected) {
    DecodeHarness run(Options(UnitSystem::Metric));
    run.fields.SetFieldValue(250.0, 1);
    run.fields.SetFieldValue(300.5, 1);
    EXPECT_EQ(run.Cell(1), "300.5");
    run.fields.SetFieldValue(401.0, 1);
    EXPECT_EQ(run.Cell(1), "300.5") << "an out-of-range second store leaves the first";
    EXPECT_EQ(run.TakeDiagnostics(), Warning("Voltage", 401.0));
    run.fields.SetFieldText(26, "D", true);
    run.fields.SetFieldText(26, "R", true);
    EXPECT_EQ(run.Cell(26), "\"R\"");
    EXPECT_EQ(run.fields.ValidBesidesTime(), 2);
    // A number stored again after a text gets its own text back; zero keeps its sign.
    run.fields.SetFieldText(1, "x", false);
    run.fields.SetFieldValue(300.5, 1);
    EXPECT_EQ(run.Cell(1), "300.5");
    run.fields.SetFieldValue(0.0, 3);
    EXPECT_EQ(run.Cell(3), "0");
    run.fields.SetFieldValue(-0.0, 3);
    EXPECT_EQ(run.Cell(3), "-0");
}

// The decoder's stores of a column known when compiling: a number of a raw value keeps its text by
// that value, and a number whose text only the general formatter forms (0.009765625 lies on a
// rounding tie) waits for the row. Either kind replaces the other, whichever comes last; a
// number stored with a pending one before it in the column gives its own text.
TEST(FieldTable, StoresOfKnownColumnsReplaceEachOther) {
    DecodeHarness run(Options(UnitSystem::Metric));
    RawReadingTexts texts;
    EXPECT_TRUE(texts.Find(0).Empty());
    EXPECT_TRUE(texts.Find(0xFFFF).Empty());
    const double tie = 10.0 / 1024;
    EXPECT_TRUE(run.fields.StoreColumnNumber<kColSpeed>([tie] { return tie; }, texts, 1));
    EXPECT_TRUE(texts.Find(1).Empty()) << "no quick text to keep";
    EXPECT_TRUE(run.fields.StoreColumnNumber<kColSpeed>([] { return 22.5; }, texts, 2304));
    EXPECT_EQ(run.Cell(kColSpeed), "22.5");
    run.fields.StoreColumnNumber<kColSpeed>([tie] { return tie; }, texts, 1);
    EXPECT_EQ(run.Cell(kColSpeed), PrintfGeneral(tie));
    // Found again by the raw value, without forming the number: only fixed functions of a raw
    // value use the table.
    run.fields.StoreColumnNumber<kColSpeed>([]() -> double { ADD_FAILURE() << "number formed"; return 0; }, texts, 2304);
    EXPECT_EQ(run.Cell(kColSpeed), "22.5");
    ShortText kept = texts.Find(2304);
    EXPECT_EQ(kept.Length(), 4u);
    EXPECT_TRUE(texts.Find(2305).Empty());
    // Out of range: rejected with the warning, nothing kept, the cell as it was.
    EXPECT_FALSE(run.fields.StoreColumnNumber<kColSpeed>([] { return -101.5; }, texts, 0x8000));
    EXPECT_TRUE(texts.Find(0x8000).Empty());
    EXPECT_EQ(run.Cell(kColSpeed), "22.5");
    EXPECT_EQ(run.TakeDiagnostics(), Warning("Speed (km/h)", -101.5));
    // A reading's integer store, then a number, then the reading again: the last one shows.
    run.fields.StoreColumnInteger<kColSpeedometer>(42);
    run.fields.StoreColumnNumber<kColSpeedometer>([tie] { return tie; }, texts, 1);
    EXPECT_EQ(run.Cell(kColSpeedometer), PrintfGeneral(tie));
    run.fields.StoreColumnInteger<kColSpeedometer>(-7);
    EXPECT_EQ(run.Cell(kColSpeedometer), "-7");
    // Texts of one to eight bytes are kept with their length; longer ones are formed every time.
    for (double number : {0.0, -1.5, 123.457, -123.457, 0.0123457, -12345.6}) {
        ShortText text = FormatGeneralShort(number);
        texts.Keep(static_cast<std::uint16_t>(text.Length()), text);
        ShortText found = texts.Find(static_cast<std::uint16_t>(text.Length()));
        if (text.Length() <= RawReadingTexts::kMaxKept) {
            EXPECT_EQ(found.Length(), text.Length()) << number;
            EXPECT_EQ(found.low, text.low & (~std::uint64_t{0} >> (64 - 8 * text.Length()))) << number;
        } else {
            EXPECT_TRUE(found.Empty()) << number;
        }
    }
    run.fields.StoreColumnNumber<kColSpeed>([] { return 0.0123457; }, texts, 9);
    EXPECT_TRUE(texts.Find(9).Empty());
    EXPECT_EQ(run.Cell(kColSpeed), "0.0123457");
    run.fields.StoreColumnNumber<kColSpeed>([] { return 0.0123457; }, texts, 9);
    EXPECT_EQ(run.Cell(kColSpeed), "0.0123457");
}

TEST(FieldTable, ValidCountFollowsStoresAndClears) {
    DecodeHarness run(Options(UnitSystem::Metric));
    run.fields.SetPacketNumber(1);
    EXPECT_EQ(run.fields.ValidBesidesTime(), 0) << "Time is not counted";
    run.fields.SetFieldValue(5.0, 2);
    run.fields.SetFieldValue(6.0, 2);
    run.fields.SetFieldText(27, "", true);
    run.fields.SetFieldText(27, "EV", true);
    run.fields.SetFieldValue(-1.0, 4);  // rejected
    EXPECT_EQ(run.fields.ValidBesidesTime(), 2);
    run.fields.ClearValidFlags();
    EXPECT_EQ(run.fields.ValidBesidesTime(), 0);
    for (int index = 0; index < CANDataMgr::kFieldCount; ++index) EXPECT_FALSE(run.fields.IsValid(index));
    EXPECT_EQ(run.fields.Entry(2).Value(), "6") << "the text stays, unwritten";
    run.fields.SetFieldValue(101.0, 2);  // rejected: the stale text stays invalid
    EXPECT_FALSE(run.fields.IsValid(2));
    run.fields.SetFieldValue(6.0, 2);
    EXPECT_EQ(run.fields.ValidBesidesTime(), 1);
    EXPECT_EQ(run.Cell(2), "6");
}

TEST(FieldTable, TextIsStoredAsGivenBetweenOptionalQuotes) {
    DecodeHarness run(Options(UnitSystem::Metric));
    run.fields.SetFieldText(26, "", true);
    EXPECT_EQ(run.Cell(26), "\"\"");
    run.fields.SetFieldText(29, "", false);
    EXPECT_EQ(run.Cell(29), "");
    EXPECT_TRUE(run.fields.IsValid(29));
    run.fields.SetFieldText(27, "a,\"b\"", true);
    EXPECT_EQ(run.Cell(27), "\"a,\"b\"\"") << "nothing is escaped";
    // Texts of every length around the sizes a cell keeps in place, then a number again.
    for (std::size_t length = 0; length <= 100; ++length) {
        const std::string text(length, static_cast<char>('a' + length % 26));
        run.fields.SetFieldText(27, text, true);
        EXPECT_EQ(run.Cell(27), "\"" + text + "\"") << length;
        run.fields.SetFieldText(28, text, false);
        EXPECT_EQ(run.Cell(28), text) << length;
        run.fields.SetFieldValue(1.0, 28);
        EXPECT_EQ(run.Cell(28), "1") << length;
    }
    EXPECT_EQ(run.TakeDiagnostics(), "");
}

TEST(FieldTable, FieldTraceShowsEveryAcceptedStoreWithoutQuotes) {
    DecodeHarness run(Options(UnitSystem::US, RunOptions::kFieldTraceFlag));
    run.fields.SetFieldText(26, "D", true);
    run.fields.SetFieldText(29, "", true);
    run.fields.SetFieldValue(400.9, 1);
    run.fields.SetFieldValue(99.99, 1);
    run.fields.SetFieldValue(1.0 / 3, 34);
    EXPECT_EQ(run.TakeDiagnostics(),
              "--- Shifter = D\n--- Lights = \n--- Voltage = 400.9\n" + Warning("Voltage", 99.99) +
                  "--- iMPG = 0.333333\n");
    EXPECT_EQ(run.Cell(26), "\"D\"");

    DecodeHarness dumpOnly(Options(UnitSystem::Metric, RunOptions::kHexDumpFlag));
    dumpOnly.fields.SetFieldValue(400.9, 1);
    dumpOnly.fields.SetFieldText(26, "D", true);
    EXPECT_EQ(dumpOnly.TakeDiagnostics(), "") << "-d alone traces no stores";
}

TEST(FieldTable, TextIndexOutsideTheTableThrowsAPlainException) {
    DecodeHarness run(Options(UnitSystem::Metric, RunOptions::kFieldTraceFlag));
    for (int index : {-1, 35, 1000}) {
        try {
            run.fields.SetFieldText(index, "x", true);
            ADD_FAILURE() << "no exception for index " << index;
        } catch (const std::exception& error) {
            EXPECT_EQ(typeid(error), typeid(std::exception)) << index;
        }
    }
    EXPECT_EQ(run.TakeDiagnostics(), "");
    EXPECT_EQ(run.fields.ValidBesidesTime(), 0);
}

// The packet number is always written as a whole number: in "%1g" form consecutive packets from
// one million on would share a text ("1e+06"). Below one million the two forms are the same.
TEST(FieldTable, PacketNumberIsAlwaysAWholeNumber) {
    DecodeHarness run(Options(UnitSystem::Metric, RunOptions::kFieldTraceFlag));
    for (std::int64_t number : {std::int64_t{1}, std::int64_t{999999}, std::int64_t{1000000}, std::int64_t{1000001},
                                std::int64_t{1234567}, std::int64_t{INT32_MAX}, std::int64_t{INT32_MAX} + 1,
                                std::int64_t{INT64_MAX}}) {
        run.fields.SetPacketNumber(number);
        EXPECT_EQ(run.Cell(0), std::to_string(number));
        EXPECT_EQ(run.TakeDiagnostics(), "--- Time = " + std::to_string(number) + "\n");
        if (number < 1000000) {
            EXPECT_EQ(run.Cell(0), PrintfGeneral(static_cast<double>(number)));
        }
    }
    EXPECT_EQ(run.fields.ValidBesidesTime(), 0);
}

// Packet numbers count up one by one, and each is written whole, across every change of length;
// a number out of sequence is written whole as well.
TEST(FieldTable, PacketNumbersCountingUpAndJumping) {
    DecodeHarness run(Options(UnitSystem::Metric));
    for (std::int64_t number = 1; number <= 1'100'000; ++number) {
        run.fields.SetPacketNumber(number);
        if (number % 9 == 0 || number % 10 <= 1 || number > 999'990) {
            ASSERT_EQ(run.Cell(0), std::to_string(number));
        }
    }
    for (std::int64_t number : {5LL, 4LL, 99'999'999'999LL, 100'000'000'000LL, 999'999'999'999LL, 1'000'000'000'000LL,
                                1'000'000'000'001LL, 1'000'000'000'002LL, 12LL, 13LL}) {
        run.fields.SetPacketNumber(number);
        ASSERT_EQ(run.Cell(0), std::to_string(number));
    }
}

}  // namespace
}  // namespace drovane
