#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "SynthRecord.h"

namespace drovane::synth {

// The bytes of one cycle as they go into the log, kept as a list of pieces: whole records, and
// loose bytes where damage put them. Damage edits pieces; the model reads them back.
class LogChunk {
public:
    struct Piece {
        std::size_t offset;
        std::size_t length;
        bool isRecord;
    };

    void Clear();
    void AddRecord(const SynthRecord& record);
    void InsertRecords(std::size_t pieceIndex, std::span<const SynthRecord> records);
    void InsertLoose(std::size_t pieceIndex, std::span<const std::uint8_t> bytes);
    void ErasePiece(std::size_t pieceIndex);
    // Keeps the first `length` bytes; a piece cut in two keeps its head as its last piece.
    void Truncate(std::size_t length);

    std::size_t PieceCount() const { return pieces_.size(); }
    const Piece& PieceAt(std::size_t index) const { return pieces_[index]; }
    SynthRecord RecordAt(std::size_t pieceIndex) const;
    // Index of the first record piece with identifier `id`, or PieceCount() when there is none.
    std::size_t FindRecord(std::uint16_t id) const;

    std::span<std::uint8_t> Bytes() { return bytes_; }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }

private:
    void Insert(std::size_t pieceIndex, std::span<const std::uint8_t> bytes, std::size_t pieceLength, bool isRecord);

    std::vector<std::uint8_t> bytes_;
    std::vector<Piece> pieces_;
};

}  // namespace drovane::synth
