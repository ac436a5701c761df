#include "LogChunk.h"

#include <algorithm>
#include <cstring>

namespace drovane::synth {

void LogChunk::Clear() {
    bytes_.clear();
    pieces_.clear();
}

void LogChunk::AddRecord(const SynthRecord& record) {
    pieces_.push_back({bytes_.size(), SynthRecord::kSize, true});
    bytes_.insert(bytes_.end(), record.bytes.begin(), record.bytes.end());
}

void LogChunk::Insert(std::size_t pieceIndex, std::span<const std::uint8_t> bytes, std::size_t pieceLength,
                      bool isRecord) {
    const std::size_t offset = pieceIndex < pieces_.size() ? pieces_[pieceIndex].offset : bytes_.size();
    bytes_.insert(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), bytes.begin(), bytes.end());
    std::vector<Piece> inserted;
    for (std::size_t at = 0; at < bytes.size(); at += pieceLength) {
        inserted.push_back({offset + at, std::min(pieceLength, bytes.size() - at), isRecord});
    }
    for (std::size_t i = pieceIndex; i < pieces_.size(); ++i) pieces_[i].offset += bytes.size();
    pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(pieceIndex), inserted.begin(), inserted.end());
}

void LogChunk::InsertRecords(std::size_t pieceIndex, std::span<const SynthRecord> records) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(records.size() * SynthRecord::kSize);
    for (const SynthRecord& record : records) bytes.insert(bytes.end(), record.bytes.begin(), record.bytes.end());
    Insert(pieceIndex, bytes, SynthRecord::kSize, true);
}

void LogChunk::InsertLoose(std::size_t pieceIndex, std::span<const std::uint8_t> bytes) {
    if (!bytes.empty()) Insert(pieceIndex, bytes, bytes.size(), false);
}

void LogChunk::ErasePiece(std::size_t pieceIndex) {
    const Piece erased = pieces_[pieceIndex];
    const auto begin = bytes_.begin() + static_cast<std::ptrdiff_t>(erased.offset);
    bytes_.erase(begin, begin + static_cast<std::ptrdiff_t>(erased.length));
    pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(pieceIndex));
    for (std::size_t i = pieceIndex; i < pieces_.size(); ++i) pieces_[i].offset -= erased.length;
}

void LogChunk::Truncate(std::size_t length) {
    if (length >= bytes_.size()) return;
    bytes_.resize(length);
    while (!pieces_.empty() && pieces_.back().offset >= length) pieces_.pop_back();
    if (!pieces_.empty()) {
        Piece& last = pieces_.back();
        last.length = std::min(last.length, length - last.offset);
    }
}

SynthRecord LogChunk::RecordAt(std::size_t pieceIndex) const {
    SynthRecord record;
    std::memcpy(record.bytes.data(), bytes_.data() + pieces_[pieceIndex].offset, SynthRecord::kSize);
    return record;
}

std::size_t LogChunk::FindRecord(std::uint16_t id) const {
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        const Piece& piece = pieces_[i];
        if (piece.isRecord && piece.length == SynthRecord::kSize &&
            bytes_[piece.offset] * 256 + bytes_[piece.offset + 1] == id) {
            return i;
        }
    }
    return pieces_.size();
}

}  // namespace drovane::synth
