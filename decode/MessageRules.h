#pragma once
#include <cstdint>

#include "decode/MessageDecoder.h"

namespace drovane {

// How one CAN message becomes column values: its identifier and the function that stores them.
struct MessageRule {
    std::uint16_t id;
    void (*decode)(MessageDecoder::Context& context);
};

// The rule for an identifier, or nullptr for a message that stores nothing.
const MessageRule* FindMessageRule(std::uint16_t id);

}  // namespace drovane
