#pragma once
// What every fuzz run checks: the fast converter and its plain twins agree on one input.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "PlainSide.h"
#include "convert/Conversion.h"
#include "core/MemoryStreams.h"
#include "rawlog/HeaderSearch.h"
#include "rawlog/KnownMessageTable.h"

namespace drovane::fuzz {

[[noreturn]] inline void Disagree(const char* what, std::string_view fast, std::string_view plain) {
    std::size_t at = 0;
    while (at < fast.size() && at < plain.size() && fast[at] == plain[at]) ++at;
    std::size_t from = std::min({at < 200 ? 0 : at - 200, fast.size(), plain.size()});
    fast.remove_prefix(from);
    plain.remove_prefix(from);
    std::fprintf(stderr, "\n%s disagree at byte %zu\n--- fast:\n%.*s\n--- plain:\n%.*s\n", what, at,
                 static_cast<int>(std::min<std::size_t>(fast.size(), 400)), fast.data(),
                 static_cast<int>(std::min<std::size_t>(plain.size(), 400)), plain.data());
    std::abort();
}

// The header lookup over every window of the input, and the synchronisation search from every
// start that matters, against their plain twins.
inline void CheckSearchAndLookup(std::string_view log) {
    const auto* begin = reinterpret_cast<const std::uint8_t*>(log.data());
    const auto* end = begin + log.size();
    for (const std::uint8_t* at = begin; end - at >= 3; ++at) {
        if (KnownMessageTable::Lookup(at) != PlainLookup(at[0], at[1], at[2])) {
            std::fprintf(stderr, "lookup of %02X %02X %02X disagrees\n", at[0], at[1], at[2]);
            std::abort();
        }
    }
    // Walking from hit to hit, and from just inside each hit, covers every header in the input.
    for (const std::uint8_t* from = begin; from <= end;) {
        for (const std::uint8_t* start : {from, std::min(from + 1, end)}) {
            const std::uint8_t* fast = FindSyncHeader(start, end);
            const std::uint8_t* plain = PlainSyncSearch(start, end);
            if (fast != plain) {
                std::fprintf(stderr, "sync search from offset %td: fast %td, plain %td\n", start - begin,
                             fast == nullptr ? -1 : fast - begin, plain == nullptr ? -1 : plain - begin);
                std::abort();
            }
        }
        const std::uint8_t* next = PlainSyncSearch(from, end);
        if (next == nullptr) break;
        from = next + 1;
    }
}

// The fast conversion. `plumbing` picks the input window and the largest read, so that records
// straddle refills everywhere; 7 in its low bits is the plain ConvertBytes with its own sizes.
inline ConversionText FastConvert(std::string_view log, const RunOptions& options, std::uint8_t plumbing) {
    static constexpr std::size_t kWindows[] = {11, 12, 13, 17, 64, 4096, 65536};
    static constexpr std::size_t kChunks[] = {std::string_view::npos, 1, 3, 4096};
    if ((plumbing & 7) == 7) return ConvertBytes(log, options);
    StringOutputSink csvSink;
    StringOutputSink diagnosticSink;
    {
        TextBuffer csv(csvSink, TextBuffer::kMaxClaim);
        TextBuffer diagnostics(diagnosticSink, TextBuffer::kMaxClaim);
        Conversion conversion(options, csv, diagnostics);
        MemoryByteSource source(log, std::string_view::npos, kChunks[plumbing >> 3 & 3]);
        conversion.Run(source, kWindows[plumbing & 7]);
        csv.Flush();
        diagnostics.Flush();
    }
    return {csvSink.Text(), diagnosticSink.Text()};
}

// The whole conversion against the reference: byte for byte the same CSV and diagnostics. Every
// numeric cell of the reference was formatted by the C library's "%1g", so this also holds the
// fast formatter to it for each cell met.
inline void CheckConversion(std::string_view log, const RunOptions& options, std::uint8_t plumbing) {
    ConversionText fast = FastConvert(log, options, plumbing);
    test::ReferenceText plain = PlainConvert(log, options);
    if (fast.csv != plain.csv) Disagree("CSV", fast.csv, plain.csv);
    if (fast.diagnostics != plain.diagnostics) Disagree("diagnostics", fast.diagnostics, plain.diagnostics);
}

}  // namespace drovane::fuzz
