#pragma once
#include <cstdint>

namespace drovane {

// Only US changes column names or values; UK converts exactly like Metric.
enum class UnitSystem : std::uint8_t { Metric = 0, US = 1, UK = 2 };

// The switches of one run, fixed once the command line has been read.
struct RunOptions {
    static constexpr std::uint32_t kHexDumpFlag = 1;     // "-d"
    static constexpr std::uint32_t kFieldTraceFlag = 2;  // "-D"

    std::uint32_t debugFlags = 0;
    bool verbose = false;
    UnitSystem units = UnitSystem::Metric;
    // "--hold": a column with no value in a packet shows the last value it was given.
    bool holdValues = false;

    // Any debug flag gives the hex dump, so "-D" alone gives both traces.
    bool HexDump() const { return debugFlags != 0; }
    bool FieldTrace() const { return (debugFlags & kFieldTraceFlag) != 0; }
    bool IsUS() const { return units == UnitSystem::US; }
};

}  // namespace drovane
