#include "TruthDecoder.h"

#include <cstdio>

#include "tools/reference/PlainRules.h"

namespace drovane::synth {

using namespace truth;

// What the plain rules store, into the cells of the packet in progress.
struct TruthDecoder::Sink {
    TruthDecoder& decoder;
    void Number(int column, double value) { decoder.StoreNumber(column, value); }
    void Word(int column, std::string_view word) { decoder.StoreWord(column, word); }
};

void TruthDecoder::Decode(const SynthRecord& record) {
    Sink sink{*this};
    plain::Decode(record.Id(), record.bytes.data() + SynthRecord::kHeaderSize, units_, memory_, sink);
}

void TruthDecoder::StoreNumber(int column, double value) {
    const std::int32_t whole = plain::Truncate(value);
    const CsvColumn& limits = Column(column);
    if (whole < limits.min || whole > limits.max) {
        ++rangeRejections_;
        return;
    }
    cells_[static_cast<std::size_t>(column)] = Cell{true, false, value, {}};
}

void TruthDecoder::StoreWord(int column, std::string_view word) {
    cells_[static_cast<std::size_t>(column)] = Cell{true, true, 0.0, word};
}

void TruthDecoder::ClearValid() {
    for (Cell& cell : cells_) cell.valid = false;
}

int TruthDecoder::ValidFieldCount() const {
    int valid = 0;
    for (int column = 1; column < kColumnCount; ++column)
        valid += cells_[static_cast<std::size_t>(column)].valid ? 1 : 0;
    return valid;
}

void TruthDecoder::AppendCell(const Cell& cell, std::string& out) const {
    if (!cell.valid) return;
    if (cell.isWord) {
        out += '"';
        out += cell.word;
        out += '"';
        return;
    }
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%1g", cell.number);
    out.append(text, static_cast<std::size_t>(length));
}

void TruthDecoder::AppendRow(std::int64_t packetNumber, std::string& out) const {
    out += std::to_string(packetNumber);
    for (int column = 1; column < kColumnCount; ++column) {
        out += ',';
        AppendCell(cells_[static_cast<std::size_t>(column)], out);
    }
    out += '\n';
}

void TruthDecoder::AppendHeader(UnitSystem units, std::string& out) {
    for (int column = 0; column < kColumnCount; ++column) {
        if (column > 0) out += ',';
        out += '"';
        out += ColumnName(column, units);
        out += '"';
    }
    out += '\n';
}

std::string TruthDecoder::CellText(int column) const {
    std::string text;
    AppendCell(cells_.at(static_cast<std::size_t>(column)), text);
    return text;
}

}  // namespace drovane::synth
