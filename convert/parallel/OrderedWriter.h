#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "convert/parallel/ChunkOutput.h"
#include "core/MemoryStreams.h"
#include "core/ProgressObserver.h"
#include "core/TextBuffer.h"
#include "decode/FieldTable.h"

namespace drovane {

// Writes the outputs of the chunks' conversions into the CSV and the diagnostics in the order of
// the file, as one conversion writes them: the header row before the first packet, each row
// with its Time cell (the packet's number in the whole file), each packet's diagnostics before
// its row. The buffers see the same text in the same pieces as with one conversion, so they
// send it on at the same points, and a CSV that fails stops the rows at the same packet.
// One thread at a time writes: the one whose turn it is.
class OrderedWriter {
public:
    // `headerRow` with its line end; `rowRoom` the room one conversion claims for a row.
    OrderedWriter(TextBuffer& csv, TextBuffer& diagnostics, std::string headerRow, std::size_t rowRoom);
    OrderedWriter(const OrderedWriter&) = delete;
    OrderedWriter& operator=(const OrderedWriter&) = delete;

    // What one chunk has written so far, from the stream offsets `csvStart` and
    // `diagnosticsStart` on (earlier text was written already), and its marks.
    struct Pending {
        std::string_view csv;
        std::uint64_t csvStart = 0;
        std::string_view diagnostics;
        std::uint64_t diagnosticsStart = 0;
        const std::vector<PacketMark>* marks = nullptr;
        const std::vector<ProgressMark>* progress = nullptr;
    };

    // Where the writing of one chunk's output stands; `numberBase` + its own packet count is a
    // packet's number in the file.
    struct Progress {
        OutputMark written;
        std::int64_t numberBase = 0;
        std::size_t progressMarks = 0;  // reported so far
    };

    // Writes the chunk's packets up to `to.packets` and its diagnostics up to `to.diagnostics`.
    // False once the CSV has failed; nothing more is then written.
    bool Write(const Pending& pending, OutputMark to, Progress& progress);

    // Told of the chunks' progress marks as their packets are written; nullptr for none.
    void SetObserver(ProgressObserver* observer) { observer_ = observer; }

    std::int64_t RowsWritten() const { return rowsWritten_; }
    std::int64_t PacketsWritten() const { return packetsWritten_; }
    bool Failed() const { return csv_.Failed(); }

private:
    void WriteDiagnostics(const Pending& pending, std::uint64_t upTo, Progress& progress);
    void WriteRow(std::string_view row, std::int64_t number, bool cellByCell);
    // The Time cell of packet `number`. Rows mostly follow each other's number: the last text is
    // raised by one in place (RaiseTime); any other number the field table forms (FormTime).
    std::string_view RaiseTime(std::int64_t number) {
        std::size_t at = timeLength_;
        while (at > 0 && timeText_[at - 1] == '9') timeText_[--at] = '0';
        if (at == 0) {
            std::memmove(timeText_.data() + 1, timeText_.data(), timeLength_++);
            timeText_[0] = '1';
        } else {
            ++timeText_[at - 1];
        }
        timeNumber_ = number;
        return {timeText_.data(), timeLength_};
    }
    std::string_view FormTime(std::int64_t number);
    // Reports the progress marks of the packets written so far; inline, as it runs for every packet.
    inline void ReportProgress(const Pending& pending, std::uint64_t packets, Progress& progress);

    TextBuffer& csv_;
    TextBuffer& diagnostics_;
    std::string headerRow_;
    std::size_t rowRoom_;
    bool headerWritten_ = false;
    std::int64_t rowsWritten_ = 0;
    std::int64_t packetsWritten_ = 0;
    ProgressObserver* observer_ = nullptr;
    // Forms the Time cell as one conversion's table does, untraced.
    StringOutputSink untraced_;
    TextBuffer noDiagnostics_;
    CANDataMgr numbers_;
    // Packet numbers from 1 up to here are whole numbers in the Time column's range, in plain digits
    // that fit timeText_.
    static constexpr std::int64_t kLargestRaisedTime = INT32_MAX;
    static constexpr std::int64_t kNoTime = -2;
    std::array<char, 16> timeText_{};
    std::size_t timeLength_ = 0;
    std::int64_t timeNumber_ = kNoTime;  // whose text timeText_ holds
};

}  // namespace drovane
