#include "decode/FieldTable.h"

#include <cstring>

namespace drovane {

void CANFieldEntry::SetText(std::string_view text) {
    if (text.size() <= kInlineText) {
        // An empty word may carry no pointer at all, which memcpy must not be given.
        if (!text.empty()) std::memcpy(text_, text.data(), text.size());
        length_ = static_cast<std::uint8_t>(text.size());
    } else {
        long_.assign(text);
        length_ = kLongText;
    }
}

CANDataMgr::CANDataMgr(const RunOptions& options, TextBuffer& diagnostics)
    : trace_(options.FieldTrace()), diagnostics_(diagnostics) {
    for (int column = 0; column < kColumnCount; ++column) {
        const ColumnDefinition& definition = kColumnDefinitions[column];
        CANFieldEntry& entry = entries_[column];
        entry.name = options.IsUS() && definition.usName != nullptr ? definition.usName : definition.name;
        tracePrefixes_[column] = "--- " + entry.name + " = ";
    }
}

void CANDataMgr::SetFieldText(int column, std::string_view word, bool quote) {
    CANFieldEntry& entry = EntryToStore(column);
    if (quote) {
        std::string quoted;
        quoted.reserve(word.size() + 2);
        quoted.append(1, '"').append(word).append(1, '"');
        entry.SetText(quoted);
    } else {
        entry.SetText(word);
    }
    std::uint64_t bit = std::uint64_t{1} << column;
    longTextColumns_ = entry.Length() <= CANFieldEntry::kTextBlock ? longTextColumns_ & ~bit : longTextColumns_ | bit;
    Stored(column, &word);
}

// A number whose text has no short form: written whole when it is a whole number, else as
// "%1g" writes it.
void CANDataMgr::SetRareNumberText(int column, double value, std::int64_t units, int decimals) {
    char text[kMaxGeneralLength];
    char* end = decimals == 0 ? FormatWhole(units, text) : FormatGeneral(value, text);
    CANFieldEntry& entry = entries_[column];
    entry.SetText({text, static_cast<std::size_t>(end - text)});
    if (entry.Length() > CANFieldEntry::kTextBlock) longTextColumns_ |= std::uint64_t{1} << column;
}

void CANDataMgr::ReportOutOfRange(const CANFieldEntry& entry, double value) {
    ++rejections_;
    char text[kMaxGeneralLength];
    std::string line = "*** WARNING: bad data, field out of range, " + entry.name + " = ";
    line.append(text, static_cast<std::size_t>(FormatGeneral(value, text) - text));
    line += '\n';
    if (heldWarnings_ != nullptr) {
        heldWarnings_->append(line);
    } else {
        diagnostics_.Append(line);
    }
}

void CANDataMgr::Trace(int column, std::string_view text) {
    diagnostics_.Append(tracePrefixes_[column]);
    diagnostics_.Append(text);
    diagnostics_.Put('\n');
}

}  // namespace drovane
