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

// The columns that hold words; the others hold readings.
bool IsWordColumn(int column) { return column == kColShifter || column == kColEvMode || column == kColLights; }

std::string Warning(const std::string& name, double value) {
    return "*** WARNING: bad data, field out of range, " + name + " = " + PrintfGeneral(value) + "\n";
}

// The range test compares the value truncated toward zero, so each bound admits the fractions that
// truncate onto it; the cell text is the untruncated value.
TEST(FieldTable, RangeEdgesOfEveryNumericColumn) {
    DecodeHarness run(Options(UnitSystem::Metric));
    for (int index = 1; index < kColumnCount; ++index) {
        if (IsWordColumn(index)) continue;
        const ColumnDefinition& column = kColumnDefinitions[index];
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
            EXPECT_FALSE(run.Valid(index)) << column.name << " " << value;
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
    EXPECT_FALSE(run.Valid(1));
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

// A reading that is a fixed function of a raw value keeps its text by that value, once it passed the
// range check, and gets it back from there; texts of more than eight bytes are formed every time.
// A text the short formatter cannot form (0.009765625 lies on a rounding tie) is written all the
// same. Readings of either kind and plain numbers replace each other, whichever comes last.
TEST(FieldTable, ReadingsOfARawValueKeepTheirTexts) {
    DecodeHarness run(Options(UnitSystem::Metric));
    RawReadingTexts texts;
    EXPECT_TRUE(texts.Find(0).Empty());
    EXPECT_TRUE(texts.Find(0xFFFF).Empty());
    const double tie = 10.0 / 1024;
    run.fields.SetFieldValue(Reading::OfRaw(tie, texts, 1), kColSpeed);
    EXPECT_EQ(run.Cell(kColSpeed), PrintfGeneral(tie));
    EXPECT_TRUE(texts.Find(1).Empty()) << "no short text to keep";
    run.fields.SetFieldValue(Reading::OfRaw(22.5, texts, 2304), kColSpeed);
    EXPECT_EQ(run.Cell(kColSpeed), "22.5");
    EXPECT_EQ(texts.Find(2304).Length(), 4u);
    EXPECT_TRUE(texts.Find(2305).Empty());
    run.fields.SetFieldValue(Reading::Whole(7), kColSpeed);
    run.fields.SetFieldValue(Reading::OfRaw(22.5, texts, 2304), kColSpeed);
    EXPECT_EQ(run.Cell(kColSpeed), "22.5") << "found again by the raw value";
    // Out of range: rejected with the warning, nothing kept, the cell as it was.
    run.fields.SetFieldValue(Reading::OfRaw(-101.5, texts, 0x8000), kColSpeed);
    EXPECT_TRUE(texts.Find(0x8000).Empty());
    EXPECT_EQ(run.Cell(kColSpeed), "22.5");
    EXPECT_EQ(run.TakeDiagnostics(), Warning("Speed (km/h)", -101.5));
    run.fields.SetFieldValue(Reading::OfRaw(0.0123457, texts, 9), kColSpeed);
    EXPECT_TRUE(texts.Find(9).Empty()) << "nine bytes are not kept";
    EXPECT_EQ(run.Cell(kColSpeed), "0.0123457");
    run.fields.SetFieldValue(Reading::OfRaw(-1.5, texts, 9), kColSpeed);
    EXPECT_EQ(run.Cell(kColSpeed), "-1.5");
    EXPECT_EQ(texts.Find(9).Length(), 4u);
}

TEST(FieldTable, ValidCountFollowsStoresAndClears) {
    DecodeHarness run(Options(UnitSystem::Metric));
    run.fields.SetFieldValue(Reading::Whole(1), kColTime);
    EXPECT_EQ(run.fields.ValidBesidesTime(), 0) << "Time is not counted";
    run.fields.SetFieldValue(5.0, 2);
    run.fields.SetFieldValue(6.0, 2);
    run.fields.SetFieldText(27, "", true);
    run.fields.SetFieldText(27, "EV", true);
    run.fields.SetFieldValue(-1.0, 4);  // rejected
    EXPECT_EQ(run.fields.ValidBesidesTime(), 2);
    run.fields.ClearValidFlags();
    EXPECT_EQ(run.fields.ValidBesidesTime(), 0);
    for (int index = 0; index < kColumnCount; ++index) EXPECT_FALSE(run.Valid(index));
    EXPECT_EQ(run.fields.Entry(2).Value(), "6") << "the text stays, unwritten";
    run.fields.SetFieldValue(101.0, 2);  // rejected: the stale text stays invalid
    EXPECT_FALSE(run.Valid(2));
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
    EXPECT_TRUE(run.Valid(29));
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
    EXPECT_EQ(run.TakeDiagnostics(), "--- Shifter = D\n--- Lights = \n--- Voltage = 400.9\n" +
                                         Warning("Voltage", 99.99) + "--- iMPG = 0.333333\n");
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
    for (std::int64_t number :
         {std::int64_t{1}, std::int64_t{999999}, std::int64_t{1000000}, std::int64_t{1000001}, std::int64_t{1234567},
          std::int64_t{INT32_MAX}, std::int64_t{INT32_MAX} + 1, std::int64_t{INT64_MAX}}) {
        run.fields.SetFieldValue(Reading::Whole(number), kColTime);
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
        run.fields.SetFieldValue(Reading::Whole(number), kColTime);
        if (number % 9 == 0 || number % 10 <= 1 || number > 999'990) {
            ASSERT_EQ(run.Cell(0), std::to_string(number));
        }
    }
    for (std::int64_t number : {5LL, 4LL, 99'999'999'999LL, 100'000'000'000LL, 999'999'999'999LL, 1'000'000'000'000LL,
                                1'000'000'000'001LL, 1'000'000'000'002LL, 12LL, 13LL}) {
        run.fields.SetFieldValue(Reading::Whole(number), kColTime);
        ASSERT_EQ(run.Cell(0), std::to_string(number));
    }
}

}  // namespace
}  // namespace drovane
