#pragma once
#include <array>
#include <bit>
#include <cassert>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "decode/Columns.h"
#include "decode/NumberFormat.h"
#include "decode/NumericConversions.h"
#include "decode/RawReadingTexts.h"
#include "decode/ShortTexts.h"

namespace drovane {

// A number for a column, as the decoder forms it. Its text is what "%1g" writes for its value. A
// whole number, or a decimal of one or two places, carries its decimal as an integer too, from
// which the same text is formed more cheaply; and a number that is a fixed function of a raw value
// may name where the texts of that function are kept by raw value.
struct Reading {
    static constexpr int kAnyNumber = -1;

    double value;
    std::int64_t units = 0;  // value x 10^decimals, when decimals is 0 .. 2
    int decimals = kAnyNumber;
    RawReadingTexts* kept = nullptr;  // the texts of the function, when it keeps them
    std::uint16_t raw = 0;

    // Any number is a reading.
    Reading(double number) : value(number) {}

    // A whole number; its text is all its digits, whatever its size.
    static Reading Whole(std::int64_t number) { return {static_cast<double>(number), number, 0}; }
    // `value` as the rule forms it, which is units / 10^decimals as near as a double holds it.
    static Reading Decimal(double value, std::int32_t units, int decimals) {
        assert(decimals >= 1 && decimals <= 2);
        return {value, units, decimals};
    }
    // `value` as a fixed function of `raw`, whose texts `kept` holds.
    static Reading OfRaw(double value, RawReadingTexts& kept, std::uint16_t raw) {
        Reading reading(value);
        reading.kept = &kept;
        reading.raw = raw;
        return reading;
    }

private:
    Reading(double number, std::int64_t scaledUnits, int decimalPlaces)
        : value(number), units(scaledUnits), decimals(decimalPlaces) {}
};

// One column of the field table: its heading and the text of the value stored last, which the
// table keeps whether or not the column holds a value for the current packet. The column's range
// is in kColumnDefinitions.
class CANFieldEntry {
public:
    // A text of at most this many bytes lies at the start of a block of this size, which can be
    // copied whole: cheaper than a copy of the exact length.
    static constexpr std::size_t kTextBlock = 16;

    std::string name;

    std::string_view Value() const { return IsInline() ? std::string_view(text_, length_) : std::string_view(long_); }
    // For a text of at most kTextBlock bytes: its block, and its length.
    const char* TextBlock() const { return text_; }
    std::size_t Length() const { return length_; }

private:
    friend class CANDataMgr;
    // Texts up to this length lie inside the entry; every number and word fits.
    static constexpr std::size_t kInlineText = 31;
    static constexpr std::uint8_t kLongText = 0xFF;

    bool IsInline() const { return length_ != kLongText; }
    void SetText(const ShortText& text) {
        static_assert(ShortText::kMaxLength <= kTextBlock);
        StoreShortText(text, text_);
        length_ = static_cast<std::uint8_t>(text.Length());
    }
    void SetText(std::string_view text);

    alignas(16) char text_[kInlineText + 1] = {};
    std::uint8_t length_ = 0;
    std::string long_;  // a longer text
};

// The field table: the 35 columns of the output, in output order, and which of them hold a value
// for the current data packet. Readings and words are stored through SetFieldValue and
// SetFieldText; with "-D" each accepted store is traced.
class CANDataMgr {
public:
    // The headings follow the run's unit system. `diagnostics` receives traces and warnings for
    // the life of the table.
    CANDataMgr(const RunOptions& options, TextBuffer& diagnostics);

    // Stores a reading after checking its value, truncated toward zero, against the column's
    // range; an implausible value is reported and dropped, leaving the column as it was.
    [[gnu::always_inline]] void SetFieldValue(const Reading& reading, int column) {
        CANFieldEntry& entry = EntryToStore(column);
        if (reading.kept != nullptr) {
            // A text is kept only for a value that passed the column's range check.
            ShortText kept = reading.kept->Find(reading.raw);
            if (!kept.Empty()) {
                entry.SetText(kept);
                Stored(column);
                return;
            }
        }
        std::int32_t whole = TruncateToInt32(reading.value);
        if (whole < kColumnDefinitions[column].min || whole > kColumnDefinitions[column].max) [[unlikely]] {
            ReportOutOfRange(entry, reading.value);
            return;
        }
        ShortText text = ShortTextOf(reading);
        if (!text.Empty()) [[likely]] {
            entry.SetText(text);
        } else {
            SetRareNumberText(column, reading.value, reading.units, reading.decimals);
        }
        Stored(column);
    }

    // Stores a word, between double quotes when `quote` is set; nothing inside is escaped.
    void SetFieldText(int column, std::string_view word, bool quote);

    void ClearValidFlags() { validColumns_ = 0; }

    // Marks valid the columns (bit i for column i) whose entries already hold the texts to write:
    // a repeated reading, whose store again would be the same (and untraced, so only for runs
    // without the trace), or a value held over from an earlier packet for "--hold".
    void MarkValid(std::uint64_t columns) { validColumns_ |= columns; }
    bool Traced() const { return trace_; }
    // While `held` is given, each out-of-range warning is appended to it, one line, instead of to
    // the diagnostics.
    void HoldWarnings(std::string* held) { heldWarnings_ = held; }
    // Values rejected as out of range so far.
    std::uint64_t Rejections() const { return rejections_; }

    const CANFieldEntry& Entry(int column) const {
        assert(column >= 0 && column < kColumnCount);
        return entries_[column];
    }
    // Bit i set when column i holds a value for the current packet.
    std::uint64_t ValidColumns() const { return validColumns_; }
    // How many columns other than Time hold a value for the current packet.
    int ValidBesidesTime() const { return std::popcount(validColumns_ & ~(std::uint64_t{1} << kColTime)); }
    // Bit i set when column i may hold a text longer than a block.
    std::uint64_t LongTextColumns() const { return longTextColumns_; }

private:
    // The entry of `column`, which must lie in the table.
    CANFieldEntry& EntryToStore(int column) {
        if (column < 0 || column >= kColumnCount) throw std::exception();
        return entries_[column];
    }
    // The text of a reading as a short text; empty for the rare one that only a longer form
    // writes.
    [[gnu::always_inline]] static ShortText ShortTextOf(const Reading& reading) {
        if (reading.decimals >= 0) return DecimalTextOf(reading);
        ShortText text = FormatGeneralShort(reading.value);
        if (reading.kept != nullptr) reading.kept->Keep(reading.raw, text);
        return text;
    }
    [[gnu::always_inline]] static ShortText DecimalTextOf(const Reading& reading) {
        if (reading.units > -1000000 && reading.units < 1000000) [[likely]] {
            return FormatDecimalShort(static_cast<std::int32_t>(reading.units), reading.decimals);
        }
        return reading.decimals == 0 ? FormatWholeShort(reading.units) : ShortText{};
    }
    void SetRareNumberText(int column, double value, std::int64_t units, int decimals);
    // Marks the column valid; with "-D" the store is traced: a reading with its text, a word as
    // it was given.
    void Stored(int column, const std::string_view* word = nullptr) {
        validColumns_ |= std::uint64_t{1} << column;
        if (trace_) [[unlikely]]
            Trace(column, word != nullptr ? *word : entries_[column].Value());
    }
    void Trace(int column, std::string_view text);
    void ReportOutOfRange(const CANFieldEntry& entry, double value);

    const bool trace_;
    TextBuffer& diagnostics_;
    std::array<CANFieldEntry, kColumnCount> entries_;
    std::array<std::string, kColumnCount> tracePrefixes_;  // "--- NAME = " of each column
    std::uint64_t validColumns_ = 0;
    std::uint64_t longTextColumns_ = 0;
    std::uint64_t rejections_ = 0;
    std::string* heldWarnings_ = nullptr;
};

}  // namespace drovane
