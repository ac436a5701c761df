#pragma once
#include <cstdint>
#include <vector>

namespace drovane {

// A chunk's rows are kept each after its length, so that the ordered writer need not search for
// its end; a row is shorter than the most that a text buffer lends at once.
using RowLength = std::uint16_t;
inline constexpr std::size_t kRowLengthSize = sizeof(RowLength);

// A packet of a chunk's conversion that the rows alone do not place: one that was skipped with
// a warning, one before which diagnostics were written, or one whose row was written cell by
// cell. Packets are counted by the chunk's conversion, 1 for its first.
struct PacketMark {
    std::uint64_t packet = 0;
    std::uint64_t diagnosticsBefore = 0;  // the chunk's diagnostics when the packet was written out
    std::uint64_t diagnosticsAfter = 0;   // and afterwards: more by the warning of a skipped packet
    bool skipped = false;                 // no row
    bool longRow = false;                 // a row with a text too long for a cell block
};

// A refill of a chunk's input buffer: how far the conversion had read then, and the packets it had
// written out. One conversion reports its progress at each refill; the ordered writer reports it
// when it has written those packets.
struct ProgressMark {
    std::uint64_t position = 0;
    std::uint64_t packets = 0;
};

// How far a chunk's conversion had come at some point: bytes of rows (without their Time cell)
// and of diagnostics, packets written out, and packet marks made.
struct OutputMark {
    std::uint64_t csv = 0;
    std::uint64_t diagnostics = 0;
    std::uint64_t packets = 0;
    std::uint64_t marks = 0;
};

}  // namespace drovane
