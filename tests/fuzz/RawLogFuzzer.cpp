// Fuzz target over raw bytes. Byte 0 chooses the options (support/RandomLog.h: OptionsFromByte),
// byte 1 the input window and read sizes (TwinCheck.h: FastConvert), and the rest is the raw log
// as it is.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "TwinCheck.h"
#include "support/RandomLog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    drovane::RunOptions options = drovane::test::OptionsFromByte(data[0]);
    std::string_view log(reinterpret_cast<const char*>(data + 2), size - 2);
    drovane::fuzz::CheckSearchAndLookup(log);
    drovane::fuzz::CheckConversion(log, options, data[1]);
    return 0;
}
