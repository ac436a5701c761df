#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/LineSplitter.h"
#include "core/OutputSink.h"
#include "decode/Columns.h"

namespace drovane::python {

// The columns of a converted log as a frame holds them: Time as whole numbers, every other number
// as a double (NaN for an empty cell), and each word as its place in its column's list of words
// (decode/Words.h; -1 for an empty cell).
struct FrameColumns {
    std::vector<std::int64_t> time;
    std::array<std::vector<double>, kColumnCount> numbers;     // by column; empty for Time and the words
    std::array<std::vector<std::int8_t>, kColumnCount> words;  // by column; only the word columns

    std::size_t Rows() const { return time.size(); }
};

// Takes the CSV text that a conversion writes, block by block, and keeps its rows as columns:
// each cell's value is that of its text, as a reader of the CSV takes it. The heading row is passed
// over. Only a row's last cell may be cut by the end of a block, so memory holds the columns and
// at most one line besides.
class FrameColumnSink final : public OutputSink {
public:
    // `expectedRows`: room to make at once, so that the columns seldom grow.
    explicit FrameColumnSink(std::size_t expectedRows);

    bool Write(const char* data, std::size_t size) override;
    int ErrorNumber() const override { return 0; }

    // The columns, once the conversion has written its last row.
    FrameColumns Take() { return std::move(columns_); }

private:
    // The text of a cell last read in a column and its value: a reading that stays the same
    // repeats its text, which is then not read again.
    struct LastCell {
        static constexpr std::size_t kRoom = 16;
        std::array<char, kRoom> text{};
        std::size_t length = kRoom + 1;  // no text yet
        double value = 0.0;
        std::int8_t word = -1;
    };

    void Line(const char* line, const char* end);
    void Row(const char* at, const char* end);
    void TimeCell(const char* cell, const char* end);
    void NumberCell(int column, const char* cell, const char* end);
    void WordCell(int column, const char* cell, const char* end);
    // True when the cell's text is the column's last one; otherwise keeps it as the last one.
    bool SameAsLast(LastCell& last, const char* cell, std::size_t length);

    FrameColumns columns_;
    std::array<LastCell, kColumnCount> last_{};
    std::array<int, kColumnCount> wordList_{};  // the column's place in kWordColumns, or -1
    LineSplitter lines_;
    bool headingsPassed_ = false;
};

}  // namespace drovane::python
