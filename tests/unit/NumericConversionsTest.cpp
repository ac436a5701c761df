#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "decode/NumericConversions.h"

namespace drovane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct RealRounding {
    double value;
    double step;
    double expected;
};

TEST(RoundToStep, NearestMultipleWithHalvesAwayFromZero) {
    const RealRounding cases[] = {
        {7.0, 0.0, 0.0},
        {-7.0, 0.0, 0.0},
        {0.0, 0.1, 0.0},
        {-0.0, 1.0, 0.0},
        {1.25, -0.5, 1.5},
        {-1.25, -0.5, -1.5},
        {-2.5, 1.0, -3.0},
        {2.5, 1.0, 3.0},
        {2.49, 1.0, 2.0},
        {-2.49, 1.0, -2.0},
        {0.005, 0.01, 0.01},
        {0.004, 0.01, 0.0},
        {-0.04, 0.1, 0.0},
        {17.0, 5.0, 15.0},
        {17.5, 5.0, 20.0},
        // A decimal half held as a double just below it rounds down.
        {0.25, 0.1, 0.2},
    };
    for (const auto& c : cases) {
        double result = RoundToStep(c.value, c.step);
        EXPECT_EQ(result, c.expected) << c.value << " step " << c.step;
        // A zero result is +0, so that no cell reads "-0".
        EXPECT_EQ(std::signbit(result), c.expected < 0) << c.value << " step " << c.step;
    }
}

TEST(RoundToStep, ResultIsTheStepTimesTheWholeCount) {
    // 7 x 0.1 is not the double nearest to 0.7; the result is the product, not a decimal.
    EXPECT_EQ(RoundToStep(0.7, 0.1), 0.1 * 7);
    EXPECT_NE(RoundToStep(0.7, 0.1), 0.7);
    EXPECT_EQ(RoundToStep(-0.7, 0.1), 0.1 * -7);
    EXPECT_EQ(RoundToStep(94.66, 0.1), 0.1 * 947);
}

// The count of steps times the step is RoundToStep's result to the bit, for the steps the decoder
// uses, across the values they see and beyond the integer range.
TEST(RoundToStepCount, TimesTheStepIsTheRoundedValue) {
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> spread(-3e4, 3e4);
    for (double step : {1.0, 0.1, 0.01, -0.1}) {
        double s = step < 0 ? -step : step;
        for (int i = 0; i < 200'000; ++i) {
            double value = i < 1000 ? (i - 500) * s / 2 : spread(random);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(s * RoundToStepCount(value, step)),
                      std::bit_cast<std::uint64_t>(RoundToStep(value, step)))
                << value << " step " << step;
        }
        for (double value : {0.0, -0.0, 1e300, -1e300, std::nan("")}) {
            EXPECT_EQ(s * RoundToStepCount(value, step), RoundToStep(value, step)) << value;
        }
    }
}

// The decoder checks a reading's range on its integer: each double form the rules give a reading
// in tenths, hundredths or halves truncates toward zero to the integer quotient.
TEST(TruncateToInt32, DecimalFormsTruncateToTheIntegerQuotient) {
    std::size_t mismatches = 0;
    auto check = [&](double value, std::int32_t scaled, std::int32_t scale) {
        if (TruncateToInt32(value) != scaled / scale && ++mismatches <= 5) {
            ADD_FAILURE() << scaled << "/" << scale << " against " << value;
        }
    };
    auto forms = [&](std::int32_t k) {
        check(k * 0.1, k, 10);
        check(0.1 * k, k, 10);
        check(k * 0.01, k, 100);
        check(0.01 * k, k, 100);
        check(k / 100.0, k, 100);
    };
    for (std::int32_t k = -4'000'000; k <= 4'000'000; ++k) forms(k);
    std::mt19937 random(11);
    for (int i = 0; i < 1'000'000; ++i) forms(static_cast<std::int32_t>(random()));
    for (std::int32_t k : {INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 1}) forms(k);
    for (std::int32_t halves = 0; halves <= 0xFFFF; ++halves) check(halves * 0.5, halves * 5, 10);
    check(999.9, 9999, 10);
    EXPECT_EQ(mismatches, 0u);
}

TEST(RoundToStep, NotANumberIsNeitherAboveNorBelowZero) {
    EXPECT_EQ(RoundToStep(std::numeric_limits<double>::quiet_NaN(), 1.0), 0.0);
}

TEST(RoundToStep, QuotientOutsideTheIntegerRangeIsDefined) {
    // Truncation of such a quotient gives the smallest 32-bit integer, as NaN does.
    EXPECT_EQ(RoundToStep(2147483646.6, 1.0), 2147483647.0);
    EXPECT_EQ(RoundToStep(1e10, 1.0), -2147483648.0);
    EXPECT_EQ(RoundToStep(-1e10, 1.0), -2147483648.0);
    EXPECT_EQ(RoundToStep(kInf, 0.5), 0.5 * INT32_MIN);
    EXPECT_EQ(RoundToStep(1.0, 1e-300), 1e-300 * INT32_MIN);
}

TEST(TruncateToInt32, TowardZeroAndSmallestIntegerOutsideTheRange) {
    EXPECT_EQ(TruncateToInt32(2147483647.9), INT32_MAX);
    EXPECT_EQ(TruncateToInt32(-2147483648.9), INT32_MIN);
    EXPECT_EQ(TruncateToInt32(-0.9), 0);
    EXPECT_EQ(TruncateToInt32(99.99), 99);
    EXPECT_EQ(TruncateToInt32(-200.5), -200);
    for (double outside : {2147483648.0, -2147483649.0, 4294967396.0, -4294967196.0, 1e300, kInf, -kInf,
                           std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(TruncateToInt32(outside), INT32_MIN) << outside;
    }
}

struct IntRounding {
    std::int32_t value;
    double step;
    std::int32_t expected;
};

TEST(RoundIntToStep, SameRuleForIntegers) {
    const IntRounding cases[] = {
        {5, 1.0, 5},
        {-5, 1.0, -5},
        {0, 1.0, 0},
        {9, 0.0, 0},
        {7, 2.0, 8},
        {-7, 2.0, -8},
        {7, -2.0, 8},
        {1, 2.0, 2},
        {-1, 2.0, -2},
        {6, 4.0, 8},
        {5, 4.0, 4},
        {-6, 4.0, -8},
        {5, 0.5, 5},
        {INT32_MAX, 1.0, INT32_MAX},
        {INT32_MIN, 1.0, INT32_MIN},
        // The real product 1.5 x 3 = 4.5 is truncated to the integer result.
        {5, 1.5, 4},
        {-5, 1.5, -4},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundIntToStep(c.value, c.step), c.expected) << c.value << " step " << c.step;
    for (std::int32_t value = -16; value <= 111; ++value) EXPECT_EQ(RoundIntToStep(value, 1.0), value);
}

TEST(SignExtend12, TwelveBitReadingThatKeepsTopBitsWhenBit11IsClear) {
    struct Case {
        std::uint8_t high, low;
        int expected;
    };
    const Case cases[] = {{0x07, 0xFF, 2047}, {0x08, 0x00, -2048},  {0x0F, 0xFF, -1},    {0x9F, 0xFF, -1},
                          {0x12, 0x34, 4660}, {0x80, 0x00, -32768}, {0x70, 0x00, 28672}, {0xF7, 0xFF, -2049},
                          {0x00, 0x00, 0},    {0x00, 0x05, 5},      {0x0F, 0xFB, -5},    {0x58, 0x01, -2047}};
    for (const auto& c : cases) EXPECT_EQ(SignExtend12(c.high, c.low), c.expected) << int{c.high} << " " << int{c.low};
    // With the top four bits clear it is the plain 12-bit two's-complement value.
    for (int word = 0; word < 0x1000; ++word) {
        int twelveBit = word >= 0x800 ? word - 0x1000 : word;
        ASSERT_EQ(SignExtend12(static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word & 0xFF)),
                  twelveBit);
    }
}

TEST(ConvertDistance, MilesOnlyInUsUnits) {
    EXPECT_EQ(ConvertDistance(100.0, UnitSystem::US), 100.0 * 0.621371);
    EXPECT_EQ(ConvertDistance(-12.5, UnitSystem::US), -12.5 * 0.621371);
    EXPECT_EQ(ConvertDistance(1.0, UnitSystem::US), 0.621371);
    EXPECT_EQ(ConvertDistance(100.0, UnitSystem::Metric), 100.0);
    EXPECT_EQ(ConvertDistance(100.0, UnitSystem::UK), 100.0);
    EXPECT_EQ(ConvertDistance(319.990234375, UnitSystem::UK), 319.990234375);
}

TEST(ConvertTemperature, WholeDegreesWithTheDecimalOffsetInUsUnits) {
    struct Case {
        double celsius;
        int metric;
        int us;
    };
    const Case cases[] = {
        {0, 0, 32},
        {100, 100, 212},
        {90, 90, 194},
        {90.5, 91, 195},
        {25, 25, 77},
        {30, 30, 86},
        {255, 255, 491},
        {-40, -40, -40},
        {0.5, 1, 33},
        {-0.5, -1, 31},
        {-2.5, -3, 28},
        // 17.7778 rather than 160/9 lifts an exact half: 36.5 F and -17.5 F.
        {2.5, 3, 37},
        {-27.5, -28, -17},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertTemperature(c.celsius, UnitSystem::Metric), c.metric) << c.celsius;
        EXPECT_EQ(ConvertTemperature(c.celsius, UnitSystem::UK), c.metric) << c.celsius;
        EXPECT_EQ(ConvertTemperature(c.celsius, UnitSystem::US), c.us) << c.celsius;
    }
}

}  // namespace
}  // namespace drovane
