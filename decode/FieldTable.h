#pragma once
#include <array>
#include <bit>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "core/RunOptions.h"
#include "core/TextBuffer.h"
#include "decode/NumberFormat.h"
#include "decode/NumericConversions.h"

namespace drovane {

// One column of the output: heading, plausible range, the value stored last and whether a value
// was stored for the current data packet. Numbers are kept as numbers and turned into their "%1g"
// text only when the text is needed; the last text is kept and reused while the number stays the
// same, since most columns change slowly from one cycle to the next.
class CANFieldEntry {
public:
    // Cell texts up to this length live inside the entry; every number and word fits.
    static constexpr std::size_t kInlineText = 24;

    std::string name;
    std::int32_t min = 0;
    std::int32_t max = 0;
    bool valid = false;

    // The cell text stored last.
    std::string_view Value() const {
        if (pendingNumber_) FormatPending();
        return inlineLength_ <= kInlineText ? std::string_view(inline_, inlineLength_) : std::string_view(long_);
    }
    // Where the text lies when it is inline: kInlineText bytes may be read from there.
    const char* InlineText() const { return inline_; }
    bool IsInline() const { return inlineLength_ <= kInlineText; }

    void StoreNumber(double number) {
        // The same number as the text already holds needs no new text.
        auto bits = std::bit_cast<std::uint64_t>(number);
        pendingNumber_ = !(formattedValid_ && bits == formattedBits_);
        number_ = number;
    }
    void StoreText(std::string_view text);
    // A whole number, written as such whatever its size.
    void StoreWhole(std::int64_t number);

private:
    static constexpr std::uint8_t kLongText = 0xFF;

    void FormatPending() const;

    mutable char inline_[kInlineText] = {};
    mutable std::uint8_t inlineLength_ = 0;
    std::string long_;
    double number_ = 0.0;
    mutable std::uint64_t formattedBits_ = 0;  // the number the text was formed from
    mutable bool formattedValid_ = false;
    mutable bool pendingNumber_ = false;
};

// The 35 columns of the output file, in output order.
class CANDataMgr {
public:
    static constexpr int kFieldCount = 35;
    static constexpr int kTimeIndex = 0;

    // Builds the table with the headings of the run's unit system and checks that every column
    // has a heading. `diagnostics` receives traces and warnings for the life of the table.
    CANDataMgr(const RunOptions& options, TextBuffer& diagnostics);

    // Stores a number after checking it against the column's range (the value truncated toward
    // zero); an implausible value is reported and dropped, leaving the column as it was.
    void SetFieldValue(double value, int index) {
        CheckIndex(index);
        CANFieldEntry& entry = entries_[index];
        std::int32_t whole = TruncateToInt32(value);
        if (whole < entry.min || whole > entry.max) {
            ReportOutOfRange(entry, value);
            return;
        }
        entry.StoreNumber(value);
        if (options_.FieldTrace()) TraceStore(index, entry.Value());
        MarkValid(index);
    }

    // Stores a text, between double quotes when `quote` is set; nothing inside is escaped.
    void SetFieldText(int index, std::string_view text, bool quote);

    // Stores the packet number into Time as a whole number.
    void SetPacketNumber(std::int64_t number);

    void ClearValidFlags() {
        for (std::uint64_t mask = validMask_; mask != 0; mask &= mask - 1) entries_[std::countr_zero(mask)].valid = false;
        validMask_ = 0;
    }

    const CANFieldEntry& Entry(int index) const {
        CheckIndex(index);
        return entries_[index];
    }
    const std::array<CANFieldEntry, kFieldCount>& Entries() const { return entries_; }

    // How many columns other than Time hold a value for the current packet.
    int ValidBesidesTime() const { return std::popcount(validMask_ & ~std::uint64_t{1}); }
    // Bit i set when column i holds a value for the current packet.
    std::uint64_t ValidMask() const { return validMask_; }

    bool headerWritten = false;

private:
    static void CheckIndex(int index) {
        if (index < 0 || index >= kFieldCount) throw std::exception();
    }
    void MarkValid(int index) {
        CANFieldEntry& entry = entries_[index];
        entry.valid = true;
        validMask_ |= std::uint64_t{1} << index;
    }
    void ReportOutOfRange(const CANFieldEntry& entry, double value);
    void TraceStore(int index, std::string_view text);

    const RunOptions& options_;
    TextBuffer& diagnostics_;
    std::array<CANFieldEntry, kFieldCount> entries_;
    std::array<std::string, kFieldCount> tracePrefixes_;  // "--- NAME = " of each column
    std::uint64_t validMask_ = 0;
};

}  // namespace drovane
