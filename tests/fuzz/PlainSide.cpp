#include "PlainSide.h"

#include "support/PlainTwins.h"

namespace drovane::fuzz {

test::ReferenceText PlainConvert(std::string_view log, const RunOptions& options) {
    return test::ReferenceConvert(log, options);
}

std::uint16_t PlainLookup(std::uint8_t high, std::uint8_t low, std::uint8_t length) {
    return test::ScanKnownMessages(high, low, length);
}

const std::uint8_t* PlainSyncSearch(const std::uint8_t* begin, const std::uint8_t* end) {
    return test::SlideToSyncHeader(begin, end);
}

}  // namespace drovane::fuzz
