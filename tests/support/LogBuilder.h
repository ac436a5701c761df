#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "rawlog/KnownMessageTable.h"

namespace drovane::test {

// Builds raw logs byte by byte for tests: records with the known-message table's lengths unless
// told otherwise, junk, and anything in between.
class LogBuilder {
public:
    // A record of `id` carrying its table length (or `length` when given) and D0.. as listed,
    // the rest zero.
    LogBuilder& Record(std::uint16_t id, std::initializer_list<std::uint8_t> data = {}, int length = -1) {
        std::uint8_t len = length >= 0 ? static_cast<std::uint8_t>(length) : KnownMessageTable::LengthOf(id);
        bytes_.push_back(static_cast<char>(id >> 8));
        bytes_.push_back(static_cast<char>(id & 0xFF));
        bytes_.push_back(static_cast<char>(len));
        std::size_t count = 0;
        for (std::uint8_t byte : data) {
            if (count++ == 8) break;
            bytes_.push_back(static_cast<char>(byte));
        }
        for (; count < 8; ++count) bytes_.push_back('\0');
        return *this;
    }
    LogBuilder& Bytes(std::initializer_list<std::uint8_t> bytes) {
        for (std::uint8_t byte : bytes) bytes_.push_back(static_cast<char>(byte));
        return *this;
    }
    LogBuilder& Bytes(std::string_view bytes) {
        bytes_.append(bytes);
        return *this;
    }
    // `count` bytes that never form a known header or the synchronisation header.
    LogBuilder& Junk(std::size_t count, char fill = '\xEE') {
        bytes_.append(count, fill);
        return *this;
    }
    // One cycle 0x020 .. 0x56D that fills every one of the 34 decoded columns.
    LogBuilder& FullCycle();

    const std::string& Text() const { return bytes_; }
    std::size_t Size() const { return bytes_.size(); }

private:
    std::string bytes_;
};

inline LogBuilder& LogBuilder::FullCycle() {
    return Record(0x020)
        .Record(0x022, {0x02, 0x10, 0x01, 0xF0})
        .Record(0x023, {0x02, 0x05, 0x01, 0xFB})
        .Record(0x025, {0x00, 0x05, 0x0F, 0xFB})
        .Record(0x030, {0x80, 0, 0, 0, 128})
        .Record(0x038, {0, 25})
        .Record(0x039, {90})
        .Record(0x03B, {0x0F, 0xFF, 0x01, 0x2C})
        .Record(0x0B1, {0x17, 0x70, 0x17, 0x7A})
        .Record(0x0B3, {0x17, 0x66, 0x17, 0x5C})
        .Record(0x0B4, {0, 0, 0, 0, 0, 0x19, 0x00})
        .Record(0x244, {0, 0, 0, 0, 0x01, 0x02, 40})
        .Record(0x3C8, {0, 0, 0x20, 0x00})
        .Record(0x3CA, {0, 0, 62})
        .Record(0x3CB, {0x14, 0x28, 0x00, 0x78, 0x1E, 0x19})
        .Record(0x520, {0, 0x01, 0x2C})
        .Record(0x526, {0, 0x41})
        .Record(0x529, {0, 0, 0, 0, 0x40})
        .Record(0x52C, {0, 181})
        .Record(0x540, {0, 0x10})
        .Record(0x57F, {0, 0x30})
        .Record(0x5A4, {0, 75})
        .Record(0x5C8, {0, 0, 0x10})
        .Record(0x56D);
}

}  // namespace drovane::test
