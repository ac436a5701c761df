#pragma once
#include <cstddef>
#include <cstring>
#include <string>

namespace drovane {

// Cuts text written block by block into whole lines, for the outputs that read the CSV as the
// conversion writes it: a line that a block's end cuts is kept until the rest of it comes. Each
// line goes to `onLine(begin, end)` without its '\n', and without the '\r' before it of a Windows
// text file's line end.
class LineSplitter {
public:
    template <typename OnLine>
    void Feed(const char* data, std::size_t size, OnLine&& onLine) {
        const char* end = data + size;
        if (!partial_.empty()) {
            const auto* lineEnd = static_cast<const char*>(std::memchr(data, '\n', size));
            if (lineEnd == nullptr) {
                partial_.append(data, size);
                return;
            }
            partial_.append(data, lineEnd);
            Give(partial_.data(), partial_.data() + partial_.size(), onLine);
            partial_.clear();
            data = lineEnd + 1;
        }
        while (data != end) {
            const auto* lineEnd =
                static_cast<const char*>(std::memchr(data, '\n', static_cast<std::size_t>(end - data)));
            if (lineEnd == nullptr) {
                partial_.assign(data, end);
                return;
            }
            Give(data, lineEnd, onLine);
            data = lineEnd + 1;
        }
    }

private:
    template <typename OnLine>
    static void Give(const char* line, const char* end, OnLine& onLine) {
        if (end != line && end[-1] == '\r') --end;
        onLine(line, end);
    }

    std::string partial_;  // a line the last block ended inside
};

}  // namespace drovane
