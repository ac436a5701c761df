#pragma once
// The straightforward twin of the whole conversion, for tests and fuzz targets to hold the fast
// converter against. It does everything the plain way: reads of 3, 1 and 8 bytes taken byte by
// byte, a scan of the known-message list for every header, cell texts formatted with the C
// library's "%1g" when they are stored, the plain decoding rules (tools/reference/PlainRules.h, which
// the synthesizer's truth decodes with too) and the CSV written cell by cell. It shares no code
// with the converter beyond RunOptions and the tables of facts: the columns (headings, ranges),
// the known messages and the framing constants.
//
// Like the converter it counts packets and skipped bytes in 64 bits, writes Time as a whole
// number, and, once 880 or more bytes were skipped while in step, slides over an unknown header
// one byte at a time until a known one turns up.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/RunOptions.h"
#include "decode/Columns.h"
#include "rawlog/KnownMessageTable.h"
#include "rawlog/PacketFramer.h"
#include "rawlog/RawRecord.h"
#include "tools/reference/PlainRules.h"

namespace drovane::test {

struct ReferenceText {
    std::string csv;
    std::string diagnostics;
};

namespace reference {

// The known messages and the framing constants are the converter's table (facts, not rules); the
// twin keeps its own way of looking a header up.
inline constexpr const auto& kKnownMessages = KnownMessageTable::Entries();
inline constexpr std::uint16_t kSyncId = KnownMessageTable::kSyncId;
inline constexpr std::uint16_t kClosingId = KnownMessageTable::kClosingId;
inline constexpr std::size_t kRecordSize = RawRecord::kSize;

inline constexpr std::uint16_t kUnknown = 0xFFFF;

// The header lookup as a scan from the first entry to the last.
inline std::uint16_t Lookup(std::uint8_t high, std::uint8_t low, std::uint8_t length) {
    unsigned id = high * 256u + low;
    for (const KnownMessageTable::Entry& entry : kKnownMessages) {
        if (entry.identifier == id && entry.length == length) return static_cast<std::uint16_t>(id);
    }
    return kUnknown;
}

using plain::Truncate;

class Converter {
public:
    explicit Converter(const RunOptions& options) : options_(options), us_(options.units == UnitSystem::US) {
        for (int i = 0; i < kColumnCount; ++i) {
            const ColumnDefinition& column = kColumnDefinitions[i];
            fields_[i].name = us_ && column.usName != nullptr ? column.usName : column.name;
            fields_[i].min = column.min;
            fields_[i].max = column.max;
        }
    }

    ReferenceText Run(std::string_view input) {
        input_ = input;
        Assemble();
        return {csv_, diagnostics_};
    }

private:
    struct Field {
        std::string name;
        std::string value;
        bool valid = false;
        std::int32_t min = 0;
        std::int32_t max = 0;
    };

    template <typename... Args>
    void Print(std::string& to, const char* format, Args... args) {
        char buffer[512];
        int length = std::snprintf(buffer, sizeof buffer, format, args...);
        to.append(buffer, static_cast<std::size_t>(length));
    }

    // Reads `count` bytes into `destination`, one at a time; false when fewer were there.
    bool Read(std::uint8_t* destination, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            if (position_ >= input_.size()) return false;
            destination[i] = static_cast<std::uint8_t>(input_[position_++]);
        }
        return true;
    }

    // Header byte 0 takes byte 1, byte 1 takes byte 2, and byte 2 is read afresh.
    bool Slide() {
        record_[0] = record_[1];
        record_[1] = record_[2];
        return Read(&record_[2], 1);
    }

    void Assemble() {
        enum { Hunting, Synchronised } state = Hunting;
        std::int64_t skipped = 0;
        unsigned lowest = 0xFFFF;
        unsigned highest = 0;
        if (!Read(record_, 3)) {
            diagnostics_ += "*** ERROR: unable to read file\n";
            return;
        }
        for (;;) {
            std::uint16_t id = Lookup(record_[0], record_[1], record_[2]);
            if (state == Hunting && id != kSyncId) {
                if (!Slide()) return;
                skipped += 1;
                continue;
            }
            if (state == Synchronised && id == kUnknown) {
                if (skipped >= kFramingSkipLimit) {
                    if (!Slide()) return;
                    skipped += 1;
                    continue;
                }
                if (!Read(record_ + 3, 8)) return;
                skipped += kRecordSize;
                if (!Read(record_, 3)) return;
                continue;
            }
            state = Synchronised;
            if (skipped > 0) {
                if (options_.verbose) Print(diagnostics_, "*** skipped %lld bytes\n", static_cast<long long>(skipped));
                if (skipped >= kFramingSkipLimit) {
                    diagnostics_ += "*** WARNING: skipped bad packet, writing out unfinished packet\n";
                    WritePacket();
                    ClearValidFlags();
                    lowest = id;
                    highest = id;
                }
                skipped = 0;
            }
            if (!Read(record_ + 3, 8)) return;
            if (id >= KnownMessageTable::kTrackedLow && id <= KnownMessageTable::kTrackedHigh) {
                if (lowest < highest && id <= lowest) {
                    diagnostics_ += "*** WARNING: writing out unfinished packet\n";
                    WritePacket();
                    ClearValidFlags();
                    lowest = id;
                    highest = id;
                }
                if (id < lowest) lowest = id;
                if (id > highest) highest = id;
            }
            DecodeMessage(id);
            if (id == kClosingId) {
                if (options_.verbose) diagnostics_ += "--- writing out finished packet\n";
                WritePacket();
                ClearValidFlags();
                lowest = 0xFFFF;
                highest = 0;
                state = Hunting;
            }
            if (!Read(record_, 3)) return;
        }
    }

    // Field table.
    void SetFieldValue(double value, int index) {
        Field& field = fields_[index];
        std::int32_t whole = Truncate(value);
        if (whole < field.min || whole > field.max) {
            Print(diagnostics_, "*** WARNING: bad data, field out of range, %s = %g\n", field.name.c_str(), value);
            return;
        }
        char text[64];
        std::snprintf(text, sizeof text, "%1g", value);
        SetFieldText(index, text, false);
    }

    void SetFieldText(int index, const std::string& text, bool quote) {
        Field& field = fields_[index];
        if ((options_.debugFlags & 2) != 0) Print(diagnostics_, "--- %s = %s\n", field.name.c_str(), text.c_str());
        field.value = quote ? "\"" + text + "\"" : text;
        field.valid = true;
    }

    void ClearValidFlags() {
        for (Field& field : fields_) field.valid = false;
    }

    // Row writer.
    void WritePacket() {
        ++packetCounter_;
        SetFieldText(0, std::to_string(packetCounter_), false);
        if (!headerWritten_) {
            for (int i = 0; i < kColumnCount; ++i) {
                if (i != 0) csv_ += ",";
                csv_ += "\"" + fields_[i].name + "\"";
            }
            csv_ += "\n";
            headerWritten_ = true;
        }
        int valid = 0;
        int invalid = 0;
        for (int i = 1; i < kColumnCount; ++i) (fields_[i].valid ? valid : invalid) += 1;
        if (valid < 8 && invalid > valid) {
            Print(diagnostics_, "*** WARNING: skipping data packet, %d fields invalid, %d fields valid\n", invalid,
                  valid);
            return;
        }
        if (options_.verbose) {
            Print(diagnostics_, "--- valid packet %lld -------------------------\n",
                  static_cast<long long>(packetCounter_));
        }
        for (int i = 0; i < kColumnCount; ++i) {
            if (i != 0) csv_ += ",";
            if (fields_[i].valid) csv_ += fields_[i].value;
        }
        csv_ += "\n";
    }

    // Message decoder: the hex dump, then the rows of the decoding table for the identifier.
    void DecodeMessage(std::uint16_t id) {
        const std::uint8_t* d = record_ + 3;
        if (options_.debugFlags != 0) {
            Print(diagnostics_, "%04X:", static_cast<unsigned>(id));
            for (unsigned i = 0; i < record_[2]; ++i) Print(diagnostics_, " %02X", static_cast<unsigned>(d[i]));
            diagnostics_ += "\n";
        }
        plain::Decode(id, d, options_.units, memory_, *this);
    }

public:
    // What the plain rules store.
    void Number(int column, double value) { SetFieldValue(value, column); }
    void Word(int column, std::string_view word) { SetFieldText(column, std::string(word), true); }

private:
    RunOptions options_;
    bool us_;
    std::string_view input_;
    std::size_t position_ = 0;
    std::uint8_t record_[kRecordSize] = {};
    Field fields_[kColumnCount];
    bool headerWritten_ = false;
    std::int64_t packetCounter_ = 0;
    plain::Memory memory_;
    std::string csv_;
    std::string diagnostics_;
};

}  // namespace reference

// Converts a raw log held in memory the plain way: the CSV and the diagnostics it gives.
inline ReferenceText ReferenceConvert(std::string_view log, const RunOptions& options) {
    return reference::Converter(options).Run(log);
}

}  // namespace drovane::test
