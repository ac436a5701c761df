#pragma once
// Raw logs made from a stream of choices: cycles of known records with their data, cycles that
// restart or lose their 0x56D, unknown headers, junk (short, and around the 880-byte skip limit),
// stray synchronisation headers, and damage (bytes lost, added, changed, a cut end). Readings that
// hold still are there too: a record often repeats the data of the last record of its identifier. The choices
// come from a seeded generator in the unit tests and from the fuzzer's input in the fuzz targets.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

#include "support/ReferenceConvert.h"

namespace drovane::test {

// Choices from a seeded generator.
class SeededChoices {
public:
    explicit SeededChoices(std::uint64_t seed) : random_(seed) {}
    unsigned operator()(unsigned bound) { return bound <= 1 ? 0 : static_cast<unsigned>(random_() % bound); }
    bool Done() const { return false; }

private:
    std::mt19937_64 random_;
};

// Choices read from a block of bytes; 0 once the bytes are used up.
class ByteChoices {
public:
    explicit ByteChoices(std::string_view bytes) : bytes_(bytes) {}
    unsigned operator()(unsigned bound) {
        if (bound <= 1) return 0;
        unsigned value = Next();
        if (bound > 256) value = value << 8 | Next();
        return value % bound;
    }
    bool Done() const { return at_ >= bytes_.size(); }

private:
    unsigned Next() { return at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_++]) : 0u; }
    std::string_view bytes_;
    std::size_t at_ = 0;
};

template <typename Choices>
class RandomLogMaker {
public:
    RandomLogMaker(Choices& choose, std::size_t sizeLimit) : choose_(choose), limit_(sizeLimit) {}

    std::string Make() {
        while (log_.size() < limit_ && !choose_.Done()) Step();
        if (!log_.empty() && choose_(4) == 0)
            log_.resize(log_.size() - 1 - choose_(static_cast<unsigned>(std::min<std::size_t>(log_.size(), 40))));
        return log_;
    }

private:
    static constexpr std::size_t kKnownCount = std::size(reference::kKnownMessages);

    // Data bytes that the decoding rules treat specially, else anything.
    std::uint8_t DataByte() {
        static constexpr std::uint8_t kTelling[] = {0x00, 0x01, 0x03, 0x08, 0x0F, 0x10, 0x19, 0x20, 0x30,
                                                    0x38, 0x40, 0x7F, 0x80, 0x9F, 0xF0, 0xFF, 0x56, 0x6D};
        if (choose_(2) == 0) return kTelling[choose_(std::size(kTelling))];
        return static_cast<std::uint8_t>(choose_(256));
    }

    void Record(std::uint16_t id, int length) {
        log_ += static_cast<char>(id >> 8);
        log_ += static_cast<char>(id & 0xFF);
        log_ += static_cast<char>(length);
        std::string& last = lastData_[id % std::size(lastData_)];
        if (last.empty() || choose_(2) == 0) {
            last.clear();
            for (int i = 0; i < 8; ++i) last += static_cast<char>(DataByte());
        } else if (choose_(4) == 0) {
            // One bit changed: a bit the decoding may or may not read.
            last[choose_(8)] ^= static_cast<char>(1 << choose_(8));
        }
        log_ += last;
    }
    void Known(std::size_t entry) {
        Record(reference::kKnownMessages[entry].identifier, reference::kKnownMessages[entry].length);
    }
    void Junk(std::size_t count) {
        bool zeros = choose_(3) == 0;
        for (std::size_t i = 0; i < count; ++i) log_ += zeros ? '\0' : static_cast<char>(choose_(256));
    }

    // One cycle: 0x020, then a selection of the known records in rising order (sometimes with a
    // step back, which restarts the cycle), and usually its closing 0x56D.
    void Cycle() {
        Known(1);
        unsigned keep = 1 + choose_(4);  // out of 4: how dense the cycle is
        for (std::size_t entry = 2; entry < kKnownCount; ++entry) {
            if (reference::kKnownMessages[entry].identifier == reference::kClosingId) continue;
            if (choose_(4) >= keep) continue;
            Known(entry);
            if (choose_(40) == 0) Known(choose_(kKnownCount));  // out of order
        }
        if (choose_(6) != 0) Known(49);  // 0x56D
    }

    void Step() {
        unsigned what = choose_(100);
        if (what < 40) {
            Cycle();
        } else if (what < 52) {
            Known(choose_(kKnownCount));
        } else if (what < 58) {
            // A known identifier with a length it never carries.
            std::size_t entry = choose_(kKnownCount);
            Record(reference::kKnownMessages[entry].identifier,
                   (reference::kKnownMessages[entry].length + 1 + choose_(255)) % 256);
        } else if (what < 64) {
            Junk(1 + choose_(30));
        } else if (what < 70) {
            Junk(860 + choose_(40));
        } else if (what < 75) {
            // Whole unknown records around the skip limit of 80.
            unsigned count = 78 + choose_(4);
            for (unsigned i = 0; i < count; ++i) Record(0x7FF, static_cast<int>(choose_(9)));
        } else if (what < 80) {
            log_ += std::string_view("\x00\x20\x03", 3);
        } else if (what < 85 && !log_.empty()) {
            log_.erase(choose_(static_cast<unsigned>(log_.size())), 1 + choose_(3));
        } else if (what < 90 && !log_.empty()) {
            log_.insert(choose_(static_cast<unsigned>(log_.size())), 1 + choose_(3), static_cast<char>(DataByte()));
        } else if (what < 95 && !log_.empty()) {
            log_[choose_(static_cast<unsigned>(log_.size()))] = static_cast<char>(DataByte());
        } else {
            Junk(choose_(2500));
        }
    }

    Choices& choose_;
    std::size_t limit_;
    std::string log_;
    std::string lastData_[0x800];  // the data of the last record of each identifier
};

template <typename Choices>
std::string MakeRandomLog(Choices& choose, std::size_t sizeLimit) {
    return RandomLogMaker<Choices>(choose, sizeLimit).Make();
}

// The option set a byte stands for: bit 0 "-v", bit 1 "-d", bit 2 "-D", and the rest modulo 3 the
// unit system (Metric, US, UK). Every one of the 24 sets has a byte below 24.
inline RunOptions OptionsFromByte(std::uint8_t byte) {
    RunOptions options;
    options.verbose = (byte & 1) != 0;
    if ((byte & 2) != 0) options.debugFlags |= RunOptions::kHexDumpFlag;
    if ((byte & 4) != 0) options.debugFlags |= RunOptions::kFieldTraceFlag;
    options.units = static_cast<UnitSystem>((byte >> 3) % 3);
    return options;
}

}  // namespace drovane::test
