#include "Damage.h"

#include <array>
#include <vector>

#include "KnownMessages.h"
#include "SyncGuard.h"

namespace drovane::synth {
namespace {

constexpr std::array<DamageKind, 4> kSpreadOrder{DamageKind::Junk, DamageKind::Unknown, DamageKind::LostEnd,
                                                 DamageKind::BitFlip};
constexpr std::array<DamageKind, 5> kNamedKinds{DamageKind::Junk, DamageKind::Unknown, DamageKind::LostEnd,
                                                DamageKind::BitFlip, DamageKind::Cut};

// Identifiers of other control units on the same bus, which the logger does not know.
constexpr std::array<std::uint16_t, 10> kForeignIds{0x0AA, 0x1C4, 0x1D0, 0x224, 0x2A6,
                                                    0x3B6, 0x3D3, 0x4A0, 0x610, 0x7E8};

// One in eight junk stretches and unknown bursts is long enough (880 bytes or more) for the
// converter to give up on the packet in progress.
constexpr double kLongShare = 0.125;

}  // namespace

DamageKinds DamageKinds::All() {
    DamageKinds kinds;
    for (DamageKind kind : kNamedKinds) kinds.Add(kind);
    return kinds;
}

std::optional<DamageKinds> DamageKinds::Parse(std::string_view list) {
    DamageKinds kinds;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        bool found = false;
        for (DamageKind kind : kNamedKinds) {
            if (DamageKindName(kind) == name) {
                kinds.Add(kind);
                found = true;
            }
        }
        if (!found) return std::nullopt;
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return kinds;
}

DamageKinds& DamageKinds::Add(DamageKind kind) {
    mask_ |= Bit(kind);
    return *this;
}

int DamageKinds::SpreadCount() const {
    int count = 0;
    for (DamageKind kind : kSpreadOrder) count += Has(kind) ? 1 : 0;
    return count;
}

DamageKind DamageKinds::SpreadKind(int index) const {
    for (DamageKind kind : kSpreadOrder) {
        if (Has(kind) && index-- == 0) return kind;
    }
    return DamageKind::None;
}

std::string_view DamageKindName(DamageKind kind) {
    switch (kind) {
        case DamageKind::None: return "none";
        case DamageKind::Junk: return "junk";
        case DamageKind::Unknown: return "unknown";
        case DamageKind::LostEnd: return "lost-end";
        case DamageKind::BitFlip: return "bitflip";
        case DamageKind::Cut: return "cut";
    }
    return "none";
}

DamageInjector::DamageInjector(std::uint64_t seed, const DamageSettings& settings)
    : random_(seed ^ 0x44616D6167654C6FULL), settings_(settings) {}

DamageKind DamageInjector::Apply(LogChunk& chunk, bool lastCycle, bool& altered) {
    altered = false;
    if (settings_.rate <= 0.0) return DamageKind::None;
    const std::size_t closeIndex = chunk.FindRecord(kCloseId);
    if (closeIndex == chunk.PieceCount()) return DamageKind::None;
    if (lastCycle && settings_.kinds.Has(DamageKind::Cut)) {
        CutEnd(chunk, closeIndex);
        ++counts_.cut;
        return DamageKind::Cut;
    }
    const int spread = settings_.kinds.SpreadCount();
    if (spread == 0 || !random_.Chance(settings_.rate)) return DamageKind::None;
    const DamageKind kind = settings_.kinds.SpreadKind(static_cast<int>(random_.Between(0, spread - 1)));
    switch (kind) {
        case DamageKind::Junk: AddJunk(chunk, closeIndex); break;
        case DamageKind::Unknown: AddUnknownRecords(chunk, closeIndex); break;
        case DamageKind::LostEnd:
            chunk.ErasePiece(closeIndex);
            ++counts_.lostEnd;
            altered = true;
            break;
        case DamageKind::BitFlip:
            if (!FlipBit(chunk, closeIndex)) return DamageKind::None;
            ++counts_.bitFlip;
            altered = true;
            break;
        default: return DamageKind::None;
    }
    return kind;
}

void DamageInjector::AddJunk(LogChunk& chunk, std::size_t closeIndex) {
    const bool isLong = random_.Chance(kLongShare);
    std::vector<std::uint8_t> junk;
    if (isLong) {
        junk.resize(static_cast<std::size_t>(random_.Between(900, 1500)));
        for (auto& byte : junk) byte = random_.Byte();
    } else if (random_.Chance(0.5)) {
        // A record torn off by the logger: its first bytes only.
        const SynthRecord torn =
            chunk.RecordAt(static_cast<std::size_t>(random_.Between(0, static_cast<std::int64_t>(closeIndex))));
        junk.assign(torn.bytes.begin(), torn.bytes.begin() + random_.Between(1, SynthRecord::kSize - 1));
    } else {
        junk.resize(static_cast<std::size_t>(random_.Between(1, 60)));
        for (auto& byte : junk) byte = random_.Byte();
    }
    // Anywhere after 0x56D, between the records broadcast before the next cycle.
    const auto at = static_cast<std::size_t>(
        random_.Between(static_cast<std::int64_t>(closeIndex) + 1, static_cast<std::int64_t>(chunk.PieceCount())));
    chunk.InsertLoose(at, junk);
    const std::size_t begin = chunk.PieceAt(at).offset;
    const std::size_t end = begin + junk.size();
    BreakStraySyncHeaders(
        chunk.Bytes(), begin >= 2 ? begin - 2 : 0, end, [](std::size_t) { return false; },
        [begin, end](std::size_t position) { return position >= begin && position < end; });
    ++counts_.junk;
    if (isLong) ++counts_.longJunk;
}

SynthRecord DamageInjector::UnknownRecord() {
    const auto known = KnownMessages();
    SynthRecord record;
    do {
        std::uint16_t id = 0;
        if (random_.Chance(0.7)) {
            id = kForeignIds[static_cast<std::size_t>(
                random_.Between(0, static_cast<std::int64_t>(kForeignIds.size()) - 1))];
        } else {  // a known identifier with a length it never has
            id = known[static_cast<std::size_t>(random_.Between(0, static_cast<std::int64_t>(known.size()) - 1))]
                     .identifier;
        }
        record.bytes[0] = static_cast<std::uint8_t>(id >> 8);
        record.bytes[1] = static_cast<std::uint8_t>(id & 0xFF);
        record.bytes[2] = static_cast<std::uint8_t>(random_.Between(1, 8));
    } while (IsKnownHeader(record.bytes[0], record.bytes[1], record.bytes[2]));
    for (int i = 0; i < 8; ++i) record.Data(i) = random_.Byte();
    return record;
}

void DamageInjector::AddUnknownRecords(LogChunk& chunk, std::size_t closeIndex) {
    const bool isLong = random_.Chance(kLongShare);
    const auto count = static_cast<std::size_t>(isLong ? random_.Between(80, 110) : random_.Between(1, 6));
    std::vector<SynthRecord> records(count);
    for (SynthRecord& record : records) record = UnknownRecord();
    // Between two records of the cycle, after 0x020 and up to just before 0x56D.
    const auto at = static_cast<std::size_t>(random_.Between(1, static_cast<std::int64_t>(closeIndex)));
    chunk.InsertRecords(at, records);
    ++counts_.unknown;
    if (isLong) ++counts_.longUnknown;
}

bool DamageInjector::FlipBit(LogChunk& chunk, std::size_t closeIndex) {
    // Any record of the cycle but its 0x020, whose loss would hide the whole cycle from the converter.
    for (int attempt = 0; attempt < 32; ++attempt) {
        const auto piece = static_cast<std::size_t>(random_.Between(1, static_cast<std::int64_t>(closeIndex)));
        const auto bit = static_cast<std::size_t>(random_.Between(0, SynthRecord::kSize * 8 - 1));
        const std::size_t position = chunk.PieceAt(piece).offset + bit / 8;
        const auto mask = static_cast<std::uint8_t>(1U << (bit % 8));
        auto bytes = chunk.Bytes();
        bytes[position] ^= mask;
        const SynthRecord flipped = chunk.RecordAt(piece);
        const bool known = IsKnownHeader(flipped.bytes[0], flipped.bytes[1], flipped.bytes[2]);
        // A flip that forged a cycle start, or a cycle end where there was none, would be two damages in one.
        const bool forged = known && (flipped.Id() == kSyncId || (flipped.Id() == kCloseId && piece != closeIndex));
        if (!forged) return true;
        bytes[position] ^= mask;
    }
    return false;
}

void DamageInjector::CutEnd(LogChunk& chunk, std::size_t closeIndex) {
    const std::size_t cycleEnd = chunk.PieceAt(closeIndex).offset + SynthRecord::kSize;
    chunk.Truncate(static_cast<std::size_t>(random_.Between(1, static_cast<std::int64_t>(cycleEnd) - 1)));
}

}  // namespace drovane::synth
