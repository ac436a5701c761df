#include "KnownMessages.h"

namespace drovane::synth {

std::span<const KnownMessage> KnownMessages() { return KnownMessageTable::Entries(); }

std::uint8_t KnownLength(std::uint16_t id) { return KnownMessageTable::LengthOf(id); }

bool IsKnownHeader(std::uint8_t idHigh, std::uint8_t idLow, std::uint8_t length) {
    return KnownMessageTable::Lookup(idHigh, idLow, length) != UnknownMessageId;
}

}  // namespace drovane::synth
