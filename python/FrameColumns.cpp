#include "python/FrameColumns.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "decode/Words.h"

namespace drovane::python {
namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

// The value of a number's text, exactly as a correctly rounding reader takes it.
double ValueOf(const char* cell, const char* end) {
    double value = kEmpty;
    std::from_chars(cell, end, value, std::chars_format::general);
    return value;
}

}  // namespace

FrameColumnSink::FrameColumnSink(std::size_t expectedRows) {
    wordList_.fill(-1);
    for (std::size_t list = 0; list < kWordColumns.size(); ++list) {
        wordList_[kWordColumns[list].column] = static_cast<int>(list);
    }
    columns_.time.reserve(expectedRows);
    for (int column = kColTime + 1; column < kColumnCount; ++column) {
        if (wordList_[column] < 0) {
            columns_.numbers[column].reserve(expectedRows);
        } else {
            columns_.words[column].reserve(expectedRows);
        }
    }
}

bool FrameColumnSink::Write(const char* data, std::size_t size) {
    lines_.Feed(data, size, [this](const char* line, const char* lineEnd) { Line(line, lineEnd); });
    return true;
}

void FrameColumnSink::Line(const char* line, const char* end) {
    if (!headingsPassed_) {
        headingsPassed_ = true;
        return;
    }
    Row(line, end);
}

void FrameColumnSink::Row(const char* at, const char* end) {
    for (int column = 0; column < kColumnCount; ++column) {
        const char* cell = at;
        while (at != end && *at != ',') ++at;
        if (column == kColTime) {
            TimeCell(cell, at);
        } else if (wordList_[column] < 0) {
            NumberCell(column, cell, at);
        } else {
            WordCell(column, cell, at);
        }
        if (at != end) ++at;  // the comma
    }
}

void FrameColumnSink::TimeCell(const char* cell, const char* end) {
    // From a million on, the packet number is written with six digits ("1e+06"): its value is
    // what the text says.
    std::int64_t packet = 0;
    auto [stop, error] = std::from_chars(cell, end, packet);
    if (error != std::errc() || stop != end) packet = static_cast<std::int64_t>(ValueOf(cell, end));
    columns_.time.push_back(packet);
}

bool FrameColumnSink::SameAsLast(LastCell& last, const char* cell, std::size_t length) {
    if (length == last.length && std::memcmp(last.text.data(), cell, length) == 0) return true;
    if (length <= LastCell::kRoom) {
        std::memcpy(last.text.data(), cell, length);
        last.length = length;
    } else {
        last.length = LastCell::kRoom + 1;
    }
    return false;
}

void FrameColumnSink::NumberCell(int column, const char* cell, const char* end) {
    std::vector<double>& values = columns_.numbers[column];
    const auto length = static_cast<std::size_t>(end - cell);
    if (length == 0) {
        values.push_back(kEmpty);
        return;
    }
    LastCell& last = last_[column];
    if (!SameAsLast(last, cell, length)) last.value = ValueOf(cell, end);
    values.push_back(last.value);
}

void FrameColumnSink::WordCell(int column, const char* cell, const char* end) {
    std::vector<std::int8_t>& codes = columns_.words[column];
    const auto length = static_cast<std::size_t>(end - cell);
    if (length == 0) {
        codes.push_back(-1);
        return;
    }
    LastCell& last = last_[column];
    if (!SameAsLast(last, cell, length)) {
        // The word stands in double quotes.
        const std::string_view word(cell + 1, length >= 2 ? length - 2 : 0);
        const std::span<const std::string_view> words = kWordColumns[wordList_[column]].words;
        last.word = -1;
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (words[i] == word) last.word = static_cast<std::int8_t>(i);
        }
    }
    codes.push_back(last.word);
}

}  // namespace drovane::python
