#include "decode/FieldTable.h"

#include "decode/FieldDefinitions.h"

#include <cstring>

namespace drovane {
void CANFieldEntry::FormatInMemory() const {
    static_assert(kMaxGeneralLength <= kInlineText);
    char* start = cell_;
    inlineLength_ = static_cast<std::uint8_t>(FormatGeneral(number_, start) - start);
}

void CANFieldEntry::StoreWhole(std::int64_t number) {
    static_assert(kInlineText >= 20);
    pendingNumber_ = false;
    formattedValid_ = false;
    // Packet numbers count up by one: the next text is mostly the last one with its last digit
    // raised.
    ShortText text;
    if (!lastWholeText_.Empty() && number == lastWhole_ + 1) text = RaiseLastDigit(lastWholeText_);
    if (text.Empty()) text = FormatWholeShort(number);
    lastWhole_ = number;
    lastWholeText_ = text;
    if (!text.Empty()) {
        SetCell(text);
    } else {
        char* start = cell_;
        inlineLength_ = static_cast<std::uint8_t>(FormatWhole(number, start) - start);
    }
}

void CANFieldEntry::StoreText(std::string_view text) {
    pendingNumber_ = false;
    formattedValid_ = false;
    if (text.size() <= kInlineText) {
        if (!text.empty()) std::memcpy(cell_, text.data(), text.size());
        inlineLength_ = static_cast<std::uint8_t>(text.size());
    } else {
        long_.assign(text);
        inlineLength_ = kLongText;
    }
}

CANDataMgr::CANDataMgr(const RunOptions& options, TextBuffer& diagnostics)
    : options_(options), diagnostics_(diagnostics) {
    for (int index = 0; index < kFieldCount; ++index) {
        const FieldDefinition& field = kFieldDefinitions[index];
        CANFieldEntry& entry = entries_[index];
        entry.name = options.IsUS() && field.usName != nullptr ? field.usName : field.name;
        entry.min = field.min;
        entry.max = field.max;
        tracePrefixes_[index] = "--- " + entry.name + " = ";
    }
    for (int index = 0; index < kFieldCount; ++index) {
        if (entries_[index].name.empty()) {
            diagnostics_.Append("*** ERROR: CANDataMgr: uninitialized field entry #");
            diagnostics_.AppendInteger(index);
            diagnostics_.Put('\n');
        }
    }
}

void CANDataMgr::SetFieldText(int index, std::string_view text, bool quote) {
    CheckIndex(index);
    CANFieldEntry& entry = entries_[index];
    if (options_.FieldTrace()) TraceStore(index, text);
    if (quote) {
        char quoted[64];
        if (text.size() + 2 <= sizeof quoted) {
            quoted[0] = '"';
            // An empty word may carry no pointer at all, which memcpy must not be given.
            if (!text.empty()) std::memcpy(quoted + 1, text.data(), text.size());
            quoted[text.size() + 1] = '"';
            entry.StoreText({quoted, text.size() + 2});
        } else {
            entry.StoreText(std::string("\"").append(text).append("\""));
        }
    } else {
        entry.StoreText(text);
    }
    NoteTextLength(index);
    MarkValid(index);
}

void CANDataMgr::SetPacketNumber(std::int64_t number) {
    CANFieldEntry& entry = entries_[kTimeIndex];
    entry.StoreWhole(number);
    NoteTextLength(kTimeIndex);
    if (options_.FieldTrace()) TraceStore(kTimeIndex, entry.Value());
    MarkValid(kTimeIndex);
}

void CANDataMgr::ReportOutOfRange(const CANFieldEntry& entry, double value) {
    ++rejections_;
    char buffer[kMaxGeneralLength];
    diagnostics_.Append("*** WARNING: bad data, field out of range, ");
    diagnostics_.Append(entry.name);
    diagnostics_.Append(" = ");
    diagnostics_.Append({buffer, static_cast<std::size_t>(FormatGeneral(value, buffer) - buffer)});
    diagnostics_.Put('\n');
}

void CANDataMgr::TraceStore(int index, std::string_view text) {
    diagnostics_.Append(tracePrefixes_[index]);
    diagnostics_.Append(text);
    diagnostics_.Put('\n');
}

}  // namespace drovane
