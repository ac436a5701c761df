#pragma once
#include <array>
#include <bit>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "core/Block16.h"
#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "decode/FieldDefinitions.h"
#include "decode/NumberFormat.h"
#include "decode/NumericConversions.h"
#include "decode/RawReadingTexts.h"
#include "decode/ShortTexts.h"

namespace drovane {

// One column of the output: heading, plausible range and the value stored last. Numbers are kept
// as numbers and turned into their "%1g" text only when the text is needed; the last text is kept
// and reused while the number stays the same, since most columns change slowly from one cycle to
// the next. Whether the column holds a value for the current packet is kept by the table.
class CANFieldEntry {
public:
    // Cell texts up to this length live inside the entry; every number and word fits.
    static constexpr std::size_t kInlineText = 31;

    std::string name;
    std::int32_t min = 0;
    std::int32_t max = 0;

    // The cell text stored last.
    std::string_view Value() const {
        FormatIfPending();
        return IsInline() ? std::string_view(cell_, inlineLength_) : std::string_view(long_);
    }

    // A text of at most kTextBlock bytes lies at the start of a block of that size, which can be
    // copied whole: cheaper than a copy of the exact length. Its first InlineLength() bytes are the
    // text.
    static constexpr std::size_t kTextBlock = 16;
    const char* TextBlock() const { return cell_; }
    std::size_t InlineLength() const { return inlineLength_; }
    bool IsInline() const { return inlineLength_ <= kInlineText; }
    bool FitsBlock() const { return inlineLength_ <= kTextBlock; }

    // Stores a number; true when its text is still to be formed.
    bool StoreNumber(double number) { return StoreDecimal(number, 0, kNotDecimal); }
    // Stores a number known to be `scaled` / 10^decimals (decimals 0 .. 2) as near as a double
    // holds it, whose text is then formed from the integer; true when the text is still to be
    // formed.
    bool StoreDecimal(double number, std::int32_t scaled, int decimals) {
        // The same number as the text already holds needs no new text.
        auto bits = std::bit_cast<std::uint64_t>(number);
        pendingNumber_ = (bits != formattedBits_) | !formattedValid_;
        number_ = number;
        scaled_ = scaled;
        decimals_ = static_cast<std::int8_t>(decimals);
        return pendingNumber_;
    }
    // Takes a number's text formed when the number was stored. A number still waiting for its
    // text is dropped (the column's bit in the table's pending mask may stay set until the row),
    // and so is the memory of the number the waiting kind was last formatted from.
    void StoreFormatted(const ShortText& text) {
        SetCell(text);
        pendingNumber_ = false;
        formattedValid_ = false;
    }
    void StoreText(std::string_view text);
    // A whole number, written as such whatever its size.
    void StoreWhole(std::int64_t number);

    void FormatIfPending() const {
        if (pendingNumber_) FormatPending();
    }

private:
    static constexpr std::uint8_t kLongText = 0xFF;
    static constexpr int kNotDecimal = -1;

    void FormatPending() const {
        static_assert(ShortText::kMaxLength <= kInlineText);
        pendingNumber_ = false;
        ShortText text = decimals_ >= 0 ? FormatDecimalShort(scaled_, decimals_) : FormatGeneralShort(number_);
        if (!text.Empty()) {
            SetCell(text);
        } else {
            FormatInMemory();
        }
        formattedBits_ = std::bit_cast<std::uint64_t>(number_);
        formattedValid_ = true;
    }
    // The text of the rare number that FormatGeneralShort leaves to FormatGeneral.
    void FormatInMemory() const;
    // Puts a short text into the cell as one block, as the row writer reads it.
    void SetCell(const ShortText& text) const {
        StoreBlock16(cell_, text.low, text.high);
        inlineLength_ = static_cast<std::uint8_t>(text.Length());
    }

    alignas(16) mutable char cell_[kInlineText + 1] = {};
    mutable std::uint8_t inlineLength_ = 0;
    mutable bool pendingNumber_ = false;
    mutable bool formattedValid_ = false;
    std::int8_t decimals_ = kNotDecimal;
    std::int32_t scaled_ = 0;
    double number_ = 0.0;
    mutable std::uint64_t formattedBits_ = 0;  // the number the text was formed from
    std::int64_t lastWhole_ = 0;
    ShortText lastWholeText_;  // the text of lastWhole_, or empty
    std::string long_;
};

// The 35 columns of the output file, in output order.
class CANDataMgr {
public:
    static constexpr int kFieldCount = kColumnCount;
    static constexpr int kTimeIndex = 0;

    // Builds the table with the headings of the run's unit system and checks that every column
    // has a heading. `diagnostics` receives traces and warnings for the life of the table.
    CANDataMgr(const RunOptions& options, TextBuffer& diagnostics);

    // Stores a number after checking it against the column's range (the value truncated toward
    // zero); an implausible value is reported and dropped, leaving the column as it was.
    void SetFieldValue(double value, int index) {
        if (StoreFieldValue(value, index) && options_.FieldTrace()) TraceStore(index, entries_[index].Value());
    }
    // The same without the trace; false when the value was rejected.
    bool StoreFieldValue(double value, int index) { return StoreFieldDecimal(value, 0, -1, index); }

    // Stores a number that is `scaled` / 10^decimals (decimals 0 .. 2) as near as a double holds
    // it, such as a reading in tenths: the same check and text as SetFieldValue, the text formed
    // from the integer. A negative `decimals` stores a number of any kind.
    void SetFieldDecimal(double value, std::int32_t scaled, int decimals, int index) {
        if (StoreFieldDecimal(value, scaled, decimals, index) && options_.FieldTrace()) {
            TraceStore(index, entries_[index].Value());
        }
    }
    // The same for a column known when compiling, whose range is then known too: the decoder's
    // stores without the trace. StoreColumnNumber takes a number of any kind that `value()` gives
    // as a fixed function of the raw value `raw`: a text kept in `texts` for `raw` belongs to a
    // number that passed the range check, so a raw value seen before needs neither the number
    // nor the check.
    template <int kColumn, class Value>
    bool StoreColumnNumber(const Value& value, RawReadingTexts& texts, std::uint16_t raw) {
        static_assert(kColumn > kTimeIndex && kColumn < kFieldCount);
        constexpr FieldDefinition kField = kFieldDefinitions[kColumn];
        return StoreNumberOfRaw(kColumn, kField.min, kField.max, value, texts, raw);
    }
    // The same for any column, traced when the run asks for it.
    template <class Value>
    void SetFieldNumberOfRaw(const Value& value, int index, RawReadingTexts& texts, std::uint16_t raw) {
        CheckIndex(index);
        const CANFieldEntry& entry = entries_[index];
        if (StoreNumberOfRaw(index, entry.min, entry.max, value, texts, raw) && options_.FieldTrace()) {
            TraceStore(index, entries_[index].Value());
        }
    }
    // StoreColumnReading takes a reading that is `scaled` / 10^kDecimals (kDecimals 0 .. 2), whose
    // double `value()` gives as the rule forms it: k * 0.1, k * 0.01, k / 100.0 or k * 0.5 lie so
    // near the decimal that they truncate to the integer quotient, so the range is checked on the
    // integer and the double is formed only for a warning or a text the quick form does not
    // make. The text is formed right away, in a form made for the column.
    template <int kColumn, int kDecimals, class Value>
    bool StoreColumnReading(std::int32_t scaled, const Value& value) {
        static_assert(kColumn > kTimeIndex && kColumn < kFieldCount);
        static_assert(kDecimals >= 0 && kDecimals <= 2);
        constexpr FieldDefinition kField = kFieldDefinitions[kColumn];
        std::int32_t whole = scaled / (kDecimals == 0 ? 1 : kDecimals == 1 ? 10 : 100);
        if (whole < kField.min || whole > kField.max) [[unlikely]] {
            ReportOutOfRange(entries_[kColumn], value());
            return false;
        }
        ShortText text = FormatReadingShort<kDecimals, kField.min, kField.max>(scaled);
        if (text.Empty()) [[unlikely]] {
            StoreInRange(kColumn, value(), scaled, kDecimals);
            return true;
        }
        entries_[kColumn].StoreFormatted(text);
        MarkValid(kColumn);
        return true;
    }
    // A whole number, checked as such.
    template <int kColumn>
    bool StoreColumnInteger(std::int32_t value) {
        return StoreColumnReading<kColumn, 0>(value, [value] { return static_cast<double>(value); });
    }

    // The same without the trace; false when the value was rejected.
    bool StoreFieldDecimal(double value, std::int32_t scaled, int decimals, int index) {
        CheckIndex(index);
        CANFieldEntry& entry = entries_[index];
        std::int32_t whole = TruncateToInt32(value);
        if (whole < entry.min || whole > entry.max) {
            ReportOutOfRange(entry, value);
            return false;
        }
        StoreInRange(index, value, scaled, decimals);
        return true;
    }

    // Stores a text, between double quotes when `quote` is set; nothing inside is escaped.
    void SetFieldText(int index, std::string_view text, bool quote);

    // Stores the packet number into Time as a whole number.
    void SetPacketNumber(std::int64_t number);

    void ClearValidFlags() { validMask_ = 0; }
    // Marks columns valid whose values are already in place.
    void MarkValidColumns(std::uint64_t columns) { validMask_ |= columns; }
    // Values rejected as out of range so far.
    std::uint64_t Rejections() const { return rejections_; }
    bool IsValid(int index) const {
        CheckIndex(index);
        return (validMask_ >> index & 1) != 0;
    }

    // Forms the texts of the numbers stored for the current packet that have none yet.
    void FormatPendingNumbers() {
        std::uint64_t due = pendingMask_ & validMask_;
        pendingMask_ &= ~due;
        for (; due != 0; due &= due - 1) entries_[std::countr_zero(due)].FormatIfPending();
    }
    // Bit i set when column i may hold a text too long for a cell block.
    std::uint64_t LongTextMask() const { return longTextMask_; }

    const CANFieldEntry& Entry(int index) const {
        CheckIndex(index);
        return entries_[index];
    }
    const std::array<CANFieldEntry, kFieldCount>& Entries() const { return entries_; }

    // How many columns other than Time hold a value for the current packet.
    int ValidBesidesTime() const { return CountBits(validMask_ & ~std::uint64_t{1}); }
    // Bit i set when column i holds a value for the current packet.
    std::uint64_t ValidMask() const { return validMask_; }

private:
    // The bits set in a word, counted in a few instructions: std::popcount becomes a library
    // call where the build may not assume the processor's own instruction.
    static int CountBits(std::uint64_t word) {
        word -= (word >> 1) & 0x5555555555555555u;
        word = (word & 0x3333333333333333u) + ((word >> 2) & 0x3333333333333333u);
        word = (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
        return static_cast<int>((word * 0x0101010101010101u) >> 56);
    }
    static void CheckIndex(int index) {
        if (index < 0 || index >= kFieldCount) throw std::exception();
    }
    void MarkValid(int index) { validMask_ |= std::uint64_t{1} << index; }
    void StoreInRange(int index, double value, std::int32_t scaled, int decimals) {
        // Whether the value changed varies from record to record: no branch on it.
        pendingMask_ |= std::uint64_t{entries_[index].StoreDecimal(value, scaled, decimals)} << index;
        MarkValid(index);
    }
    template <class Value>
    bool StoreNumberOfRaw(int index, std::int32_t min, std::int32_t max, const Value& value, RawReadingTexts& texts,
                          std::uint16_t raw) {
        ShortText text = texts.Find(raw);
        if (text.Empty()) {
            double number = value();
            std::int32_t whole = TruncateToInt32(number);
            if (whole < min || whole > max) [[unlikely]] {
                ReportOutOfRange(entries_[index], number);
                return false;
            }
            text = FormatGeneralShort(number);
            if (text.Empty()) [[unlikely]] {
                // A text FormatGeneral alone forms: left for the row.
                StoreInRange(index, number, 0, -1);
                return true;
            }
            texts.Keep(raw, text);
        }
        entries_[index].StoreFormatted(text);
        MarkValid(index);
        return true;
    }
    void ReportOutOfRange(const CANFieldEntry& entry, double value);
    // Keeps the long-text mask up to date after a column got a text other than a number's.
    void NoteTextLength(int index) {
        std::uint64_t bit = std::uint64_t{1} << index;
        longTextMask_ = entries_[index].FitsBlock() ? longTextMask_ & ~bit : longTextMask_ | bit;
    }
    void TraceStore(int index, std::string_view text);

    const RunOptions& options_;
    TextBuffer& diagnostics_;
    std::array<CANFieldEntry, kFieldCount> entries_;
    std::array<std::string, kFieldCount> tracePrefixes_;  // "--- NAME = " of each column
    std::uint64_t validMask_ = 0;
    std::uint64_t pendingMask_ = 0;   // columns whose number may still lack its text
    std::uint64_t longTextMask_ = 0;  // columns that may hold a long text
    std::uint64_t rejections_ = 0;
};

}  // namespace drovane
