#pragma once
#include <cstdint>

namespace drovane::synth {

// What a correct conversion of the synthesized log reports: its packets, rows and warnings.
struct ExpectedConversion {
    std::int64_t packets = 0;            // packets closed, so the number of the last one
    std::int64_t rows = 0;               // data rows written
    std::int64_t intactRows = 0;         // rows of undamaged cycles, the ones in the truth file
    std::int64_t unfinishedPackets = 0;  // "writing out unfinished packet" after a lost 0x56D
    std::int64_t skippedBadPackets = 0;  // "skipped bad packet" after 880 or more skipped bytes
    std::int64_t sparsePackets = 0;      // "skipping data packet": fewer than 8 valid fields
    std::int64_t outOfRangeValues = 0;   // "bad data, field out of range"
};

}  // namespace drovane::synth
