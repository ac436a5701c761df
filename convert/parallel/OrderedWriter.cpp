#include "convert/parallel/OrderedWriter.h"

#include <algorithm>
#include <cstring>

namespace drovane {

OrderedWriter::OrderedWriter(TextBuffer& csv, TextBuffer& diagnostics, std::string headerRow, std::size_t rowRoom)
    : csv_(csv),
      diagnostics_(diagnostics),
      headerRow_(std::move(headerRow)),
      rowRoom_(rowRoom),
      noDiagnostics_(untraced_, 0),
      numbers_(RunOptions{}, noDiagnostics_) {}

bool OrderedWriter::Write(const Pending& pending, OutputMark to, Progress& progress) {
    OutputMark& at = progress.written;
    const std::vector<PacketMark>& marks = *pending.marks;
    const char* csv = pending.csv.data();
    while (at.packets < to.packets) {
        ReportProgress(pending, at.packets, progress);
        std::uint64_t packet = at.packets + 1;
        const PacketMark* mark =
            at.marks < marks.size() && marks[at.marks].packet == packet ? &marks[at.marks] : nullptr;
        if (mark != nullptr) WriteDiagnostics(pending, mark->diagnosticsBefore, progress);
        if (!headerWritten_) [[unlikely]] {
            csv_.Append(headerRow_);
            headerWritten_ = true;
        }
        ++packetsWritten_;
        if (mark != nullptr && mark->skipped) {
            WriteDiagnostics(pending, mark->diagnosticsAfter, progress);
        } else {
            // The row, after its length, runs from the comma before its second cell to its line end.
            const char* row = csv + (at.csv - pending.csvStart);
            RowLength length = 0;
            std::memcpy(&length, row, kRowLengthSize);
            WriteRow({row + kRowLengthSize, length}, progress.numberBase + static_cast<std::int64_t>(packet),
                     mark != nullptr && mark->longRow);
            at.csv += kRowLengthSize + length;
            ++rowsWritten_;
        }
        at.marks += mark != nullptr;
        at.packets = packet;
        if (csv_.Failed()) return false;
    }
    ReportProgress(pending, at.packets, progress);
    WriteDiagnostics(pending, to.diagnostics, progress);
    return !csv_.Failed();
}

void OrderedWriter::ReportProgress(const Pending& pending, std::uint64_t packets, Progress& progress) {
    const std::vector<ProgressMark>* marks = pending.progress;
    if (marks == nullptr || progress.progressMarks == marks->size() ||
        (*marks)[progress.progressMarks].packets > packets) {
        return;
    }
    for (; progress.progressMarks < marks->size() && (*marks)[progress.progressMarks].packets <= packets;
         ++progress.progressMarks) {
        if (observer_ != nullptr) observer_->OnInputProgress((*marks)[progress.progressMarks].position);
    }
}

void OrderedWriter::WriteDiagnostics(const Pending& pending, std::uint64_t upTo, Progress& progress) {
    std::uint64_t& at = progress.written.diagnostics;
    if (upTo <= at) return;
    diagnostics_.Append(pending.diagnostics.substr(at - pending.diagnosticsStart, upTo - at));
    at = upTo;
}

std::string_view OrderedWriter::FormTime(std::int64_t number) {
    numbers_.SetFieldValue(Reading::Whole(number), kColTime);
    std::string_view time = numbers_.Entry(kColTime).Value();
    if (number <= 0 || number > kLargestRaisedTime) {
        timeNumber_ = kNoTime;
        return time;
    }
    timeNumber_ = number;
    timeLength_ = time.size();
    std::memcpy(timeText_.data(), time.data(), timeLength_);
    return {timeText_.data(), timeLength_};
}

void OrderedWriter::WriteRow(std::string_view row, std::int64_t number, bool cellByCell) {
    std::string_view time =
        number == timeNumber_ + 1 && number <= kLargestRaisedTime ? RaiseTime(number) : FormTime(number);
    if (cellByCell) {
        // One conversion writes such a row a cell at a time, sending the buffer on only when full.
        csv_.Append(time);
        csv_.Append(row);
        return;
    }
    char* out = csv_.Claim(rowRoom_);
    if (time.data() == timeText_.data()) {
        // The whole block of the number's text in one store; the row goes over the rest of it.
        std::memcpy(out, timeText_.data(), timeText_.size());
    } else {
        std::memcpy(out, time.data(), time.size());
    }
    std::memcpy(out + time.size(), row.data(), row.size());
    csv_.Commit(out + time.size() + row.size());
}

}  // namespace drovane
