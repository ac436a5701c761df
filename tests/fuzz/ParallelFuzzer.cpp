// Fuzz target of the conversion on several threads. Byte 0 chooses the unit system and whether
// the rest is a recipe (support/RandomLog.h) or the raw log itself; byte 1 the threads (1 to 4)
// and the chunk size (1 to 32 bytes, or 64 bytes to 2 KiB), so that chunk boundaries fall
// everywhere. The log converted in chunks must give exactly the CSV and the diagnostics of one
// conversion.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/Conversion.h"
#include "convert/parallel/ParallelConversion.h"
#include "support/RandomLog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    drovane::RunOptions options;
    options.units = static_cast<drovane::UnitSystem>(data[0] % 3);
    std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    std::string log(rest);
    if ((data[0] & 0x80) == 0) {
        drovane::test::ByteChoices choices(rest);
        log = drovane::test::MakeRandomLog(choices, 64 * 1024);
    }
    unsigned threads = 1 + (data[1] >> 6);
    unsigned choice = data[1] & 0x3F;
    std::uint64_t chunkSize = choice < 32 ? 1 + choice : std::uint64_t{64} << ((choice - 32) % 6);
    drovane::ConversionText one = drovane::ConvertBytes(log, options);
    drovane::ConversionText parallel = drovane::ConvertBytesInParallel(log, options, threads, chunkSize);
    if (one.csv != parallel.csv || one.diagnostics != parallel.diagnostics) {
        std::fprintf(stderr, "parallel conversion differs: %u threads, chunks of %llu bytes, log of %zu bytes\n",
                     threads, static_cast<unsigned long long>(chunkSize), log.size());
        std::abort();
    }
    return 0;
}
