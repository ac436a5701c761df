#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/MemoryStreams.h"
#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "decode/FieldTable.h"
#include "decode/MessageDecoder.h"
#include "rawlog/KnownMessageTable.h"

namespace drovane::test {

// What the C library prints for a value with "%1g": the reference every stored number must match.
inline std::string PrintfGeneral(double value) {
    char buffer[64];
    int length = std::snprintf(buffer, sizeof buffer, "%1g", value);
    return std::string(buffer, static_cast<std::size_t>(length));
}

inline RunOptions Options(UnitSystem units, std::uint32_t debugFlags = 0) {
    RunOptions options;
    options.units = units;
    options.debugFlags = debugFlags;
    return options;
}

// One field table and one decoder over in-memory diagnostics, as a run builds them.
class DecodeHarness {
public:
    explicit DecodeHarness(const RunOptions& options) : options_(options) {}

    // Decodes a record of `id` with the known-message table's length (or `length`), D0.. as listed.
    void Decode(std::uint16_t id, const std::vector<std::uint8_t>& data, int length = -1) {
        std::uint8_t bytes[MessageDecoder::kMaxDataLength] = {};
        std::copy_n(data.begin(), std::min(data.size(), sizeof bytes), bytes);
        decoder.DecodeMessage(id, length >= 0 ? static_cast<std::uint8_t>(length) : KnownMessageTable::LengthOf(id),
                              bytes);
    }

    // The cell text of a column, or "<invalid>" when nothing was stored for this packet.
    std::string Cell(int index) const {
        const CANFieldEntry& entry = fields.Entry(index);
        return Valid(index) ? std::string(entry.Value()) : std::string("<invalid>");
    }
    bool Valid(int index) const { return (fields.ValidColumns() >> index & 1) != 0; }

    // The diagnostics written since the last call.
    std::string TakeDiagnostics() {
        diagnostics_.Flush();
        std::string text = sink_.Text().substr(taken_);
        taken_ = sink_.Text().size();
        return text;
    }

private:
    RunOptions options_;
    StringOutputSink sink_;
    TextBuffer diagnostics_{sink_};
    std::size_t taken_ = 0;

public:
    CANDataMgr fields{options_, diagnostics_};
    MessageDecoder decoder{options_, fields, diagnostics_};
};

}  // namespace drovane::test
