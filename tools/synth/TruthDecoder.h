#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "SynthRecord.h"
#include "TruthColumns.h"
#include "core/RunOptions.h"
#include "tools/reference/PlainRules.h"

namespace drovane::synth {

// What a correct converter makes of the records it decodes: the cells of the packet in progress,
// the remembered speed and fuel flow behind the fuel economy, and the count of values that a
// column's range turns away. It decodes with the plain rules (tools/reference/PlainRules.h),
// written apart from the converter's code, so that comparing the two finds the faults of either.
class TruthDecoder {
public:
    explicit TruthDecoder(UnitSystem units) : units_(units) {}

    // Decodes one record whose header is known; identifiers without decoded signals store nothing.
    void Decode(const SynthRecord& record);

    // Starts the next packet: no cell is valid. The remembered speed and fuel flow stay.
    void ClearValid();

    // Valid cells among columns 1..34.
    int ValidFieldCount() const;

    // Appends the packet as one CSV row, numbered `packetNumber`, with its line end.
    void AppendRow(std::int64_t packetNumber, std::string& out) const;

    // Appends the header row of the unit system.
    static void AppendHeader(UnitSystem units, std::string& out);

    // The text of a cell as the row would hold it (empty when not valid).
    std::string CellText(int column) const;

    std::int64_t RangeRejections() const { return rangeRejections_; }
    double LastSpeed() const { return memory_.lastSpeed; }
    double LastFuelFlow() const { return memory_.lastFuelFlow; }

private:
    struct Sink;
    struct Cell {
        bool valid = false;
        bool isWord = false;
        double number = 0.0;
        std::string_view word;
    };

    void StoreNumber(int column, double value);
    void StoreWord(int column, std::string_view word);
    void AppendCell(const Cell& cell, std::string& out) const;

    UnitSystem units_;
    std::array<Cell, truth::kColumnCount> cells_{};
    plain::Memory memory_;
    std::int64_t rangeRejections_ = 0;
};

}  // namespace drovane::synth
