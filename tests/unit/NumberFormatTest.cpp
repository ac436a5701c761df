#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "DecodeHarness.h"
#include "core/LittleEndian.h"
#include "decode/NumberFormat.h"
#include "decode/NumericConversions.h"
#include "decode/ShortTexts.h"

namespace drovane {
namespace {

#if defined(DROVANE_PORTABLE)
static_assert(!kWordsLieLittleEndian, "a portable build stores and loads words byte by byte");
#endif

constexpr double kInf = std::numeric_limits<double>::infinity();

using test::PrintfGeneral;

// Compares the fast formatter with the C library's "%1g", its straightforward twin, and keeps the
// first few disagreements for the failure message.
class Twin {
public:
    void Check(double value) {
        ++checked_;
        char buffer[kMaxGeneralLength];
        std::string fast(buffer, FormatGeneral(value, buffer));
        std::string reference = PrintfGeneral(value);
        if (fast == reference) return;
        if (++mismatches_ <= 10) {
            char bits[32];
            std::snprintf(bits, sizeof bits, "%016llx",
                          static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
            report_ += std::string("\n  bits ") + bits + ": FormatGeneral \"" + fast + "\", %1g \"" + reference + "\"";
        }
    }
    // The value and its neighbours, `ulps` steps to each side.
    void CheckAround(double value, int ulps) {
        double up = value;
        double down = value;
        Check(value);
        for (int i = 0; i < ulps; ++i) {
            up = std::nextafter(up, kInf);
            down = std::nextafter(down, -kInf);
            Check(up);
            Check(down);
        }
    }
    void ExpectAllAgreed() const {
        EXPECT_GT(checked_, 0u);
        EXPECT_EQ(mismatches_, 0u) << "of " << checked_ << " values:" << report_;
    }

private:
    std::size_t checked_ = 0;
    std::size_t mismatches_ = 0;
    std::string report_;
};

TEST(FormatGeneral, SpecialValues) {
    Twin twin;
    for (double value :
         {0.0, -0.0, kInf, -kInf, std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
          std::bit_cast<double>(0x7FF0000000000001ull), std::bit_cast<double>(0xFFF8000000000123ull),
          std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
          std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::denorm_min()}) {
        twin.Check(value);
    }
    // Subnormals: every exponent-zero pattern is a different mantissa length.
    for (int shift = 0; shift < 52; ++shift) {
        twin.Check(std::bit_cast<double>(1ull << shift));
        twin.Check(std::bit_cast<double>((1ull << shift) - 1));
        twin.Check(-std::bit_cast<double>((2ull << shift) - 1));
    }
    twin.ExpectAllAgreed();
}

// Where "%g" changes form or rounds up into a new decade.
TEST(FormatGeneral, FormAndRoundingBoundaries) {
    Twin twin;
    for (double edge :
         {1e-4,      1e-5,     0.000099999949, 0.0000999995, 0.00999995, 0.0099999949, 0.0999995,       0.01, 0.1,
          9.999995,  99999.95, 99999.949999,   999999.0,     999999.4,   999999.5,     999999.50000001, 1e6,  1000000.5,
          9999995.0, 12345.65, 0.1234565,      2.5e-5,       0.5,        0.25,         0.125,           0.05, 0.015}) {
        twin.CheckAround(edge, 300);
        twin.CheckAround(-edge, 20);
    }
    for (int exponent = -320; exponent <= 308; ++exponent) {
        twin.CheckAround(std::pow(10.0, exponent), 3);
        twin.CheckAround(-5 * std::pow(10.0, exponent), 1);
    }
    twin.ExpectAllAgreed();
}

// Every other pattern gets a binary exponent between 2^-17 and 2^23, where the fixed-point form is.
TEST(FormatGeneral, RandomBitPatterns) {
    std::mt19937_64 random(20240611);
    Twin twin;
    for (int i = 0; i < 800'000; ++i) {
        std::uint64_t bits = random();
        if (i % 2 != 0) bits = (bits & 0x800FFFFFFFFFFFFFull) | (1023 - 17 + bits % 41) << 52;
        twin.Check(std::bit_cast<double>(bits));
    }
    twin.ExpectAllAgreed();
}

// Short decimals such as cells hold, with more digits than "%g" keeps once they get long.
TEST(FormatGeneral, RandomShortDecimals) {
    std::mt19937_64 random(7);
    constexpr double kScale[] = {1.0, 10.0, 100.0, 1000.0};
    Twin twin;
    for (int i = 0; i < 300'000; ++i) {
        int digits = 1 + static_cast<int>(random() % 10);
        auto whole = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(std::pow(10.0, digits)));
        int decimals = static_cast<int>(random() % 4);
        double value = static_cast<double>(whole) / kScale[decimals];
        twin.Check(random() % 2 != 0 ? -value : value);
    }
    twin.ExpectAllAgreed();
}

// Every value the message decoder can hand to the field table, in both unit systems.
TEST(FormatGeneral, EveryDecodedValue) {
    Twin twin;
    for (int raw = -32768; raw <= 32767; ++raw) {
        double speed = raw * 0.0009765625 * 10;
        double wheel = raw / 100.0;
        for (double value : {speed, speed * 0.621371, wheel, wheel * 0.621371, (raw + 32768) * 0.5, (raw + 1) * 0.1}) {
            twin.Check(value);
        }
    }
    for (int byte = 0; byte <= 255; ++byte) {
        twin.Check(RoundToStep(byte / 10.0, 0.01));
        twin.Check(RoundToStep(byte * 0.264172052 / 10, 0.01));
    }
    // Fuel economy: a multiple of 0.1 far beyond any speed over fuel flow, or 999.9.
    for (int tenths = -70'000; tenths <= 70'000; ++tenths) twin.Check(0.1 * tenths);
    twin.Check(999.9);
    // Whole numbers: accelerations, steering, temperatures, counters and engine speeds.
    for (int whole = -40'000; whole <= 70'000; ++whole) twin.Check(whole);
    for (std::uint32_t raw = 0; raw <= 0xFFFF; ++raw) twin.Check(raw * 32);
    twin.ExpectAllAgreed();
}

// Numbers that are an integer over 10, 100 or 1 as the decoder forms them (k * 0.1, k * 0.01,
// k / 100.0, halves * 0.5, whole numbers): the text formed from the integer is "%1g"'s for every
// such integer below a million in magnitude; from a million on there is none.
TEST(FormatDecimalShort, TextOfTheIntegerIsTheTextOfTheNumber) {
    std::size_t mismatches = 0;
    auto check = [&](double value, std::int32_t scaled, int decimals) {
        ShortText text = FormatDecimalShort(scaled, decimals);
        char bytes[16];
        StoreShortText(text, bytes);
        std::string fast(bytes, text.Length());
        if (fast != PrintfGeneral(value) && ++mismatches <= 5) {
            ADD_FAILURE() << scaled << "/10^" << decimals << ": \"" << fast << "\" against \"" << PrintfGeneral(value)
                          << "\"";
        }
    };
    for (std::int32_t k = -999'999; k <= 999'999; ++k) {
        check(k, k, 0);
        check(k * 0.1, k, 1);
        check(k * 0.01, k, 2);
        check(k / 100.0, k, 2);
    }
    for (std::int32_t halves = 0; halves <= 0xFFFF; ++halves) check(halves * 0.5, halves * 5, 1);
    EXPECT_EQ(mismatches, 0u);
    for (std::int32_t k : {1'000'000, -1'000'000, INT32_MIN, INT32_MAX}) {
        for (int decimals : {0, 1, 2}) EXPECT_TRUE(FormatDecimalShort(k, decimals).Empty()) << k;
    }
}

TEST(FormatWhole, PacketNumbersOfEveryLength) {
    for (std::int64_t value :
         {0LL, 7LL, 42LL, 999'999LL, 1'000'000LL, 1'000'001LL, 123'456'789LL, 999'999'999'999LL, 1'000'000'000'000LL,
          9'223'372'036'854'775'807LL, -1LL, -9'223'372'036'854'775'807LL - 1}) {
        char buffer[32];
        EXPECT_EQ(std::string(buffer, FormatWhole(value, buffer)), std::to_string(value));
    }
    for (std::int64_t value = 999'000; value <= 1'001'000; ++value) {
        char buffer[32];
        ASSERT_EQ(std::string(buffer, FormatWhole(value, buffer)), std::to_string(value));
    }
}

}  // namespace
}  // namespace drovane
