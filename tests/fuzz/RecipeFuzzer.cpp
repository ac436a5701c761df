// Fuzz target over recipes. Byte 0 chooses the options, byte 1 the input window and read sizes,
// and the rest is a recipe of choices that builds a log of cycles, unknown headers, junk and damage
// (support/RandomLog.h). Raw bytes seldom form known records; a recipe reaches the decoding rules
// and the packet-closing rules at once.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "TwinCheck.h"
#include "support/RandomLog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    drovane::RunOptions options = drovane::test::OptionsFromByte(data[0]);
    drovane::test::ByteChoices choices(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2));
    std::string log = drovane::test::MakeRandomLog(choices, 64 * 1024);
    drovane::fuzz::CheckSearchAndLookup(log);
    drovane::fuzz::CheckConversion(log, options, data[1]);
    return 0;
}
