#pragma once
// The plain twins, compiled in a unit of their own without coverage instrumentation: the fuzzer
// steers by the converter's branches, not by the reference's, and the reference's table scans run
// at full speed.
#include <cstdint>
#include <string_view>

#include "core/RunOptions.h"
#include "support/ReferenceConvert.h"

namespace drovane::fuzz {

test::ReferenceText PlainConvert(std::string_view log, const RunOptions& options);
std::uint16_t PlainLookup(std::uint8_t high, std::uint8_t low, std::uint8_t length);
const std::uint8_t* PlainSyncSearch(const std::uint8_t* begin, const std::uint8_t* end);

}  // namespace drovane::fuzz
