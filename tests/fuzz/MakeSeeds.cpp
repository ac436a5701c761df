// Writes the committed seed corpus: raw logs (clean, damaged, around the skip limit) for the raw-log
// target and random recipes for the recipe target. Each file starts with the option byte and the
// plumbing byte. Usage: make_fuzz_seeds RAW_DIR RECIPE_DIR
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "support/LogBuilder.h"

namespace {

using drovane::test::LogBuilder;

void Write(const std::string& path, std::uint8_t options, std::uint8_t plumbing, const std::string& body) {
    std::ofstream out(path, std::ios::binary);
    out.put(static_cast<char>(options)).put(static_cast<char>(plumbing));
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
}

LogBuilder& SmallCycle(LogBuilder& log, bool closed = true) {
    log.Record(0x020)
        .Record(0x03B, {0x0F, 0xFF, 0x01, 0x2C})
        .Record(0x0B4, {0, 0, 0, 0, 0, 0x19, 0x00})
        .Record(0x3CB, {0x14, 0x28, 0x00, 0x78, 0x1E, 0x19});
    if (closed) log.Record(0x56D);
    return log;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_fuzz_seeds RAW_DIR RECIPE_DIR\n");
        return 2;
    }
    std::string raw = std::string(argv[1]) + "/";
    std::string recipe = std::string(argv[2]) + "/";

    // Option bytes: 0x07 verbose with both traces, 0x08 US, 0x11 UK verbose, 0x00 plain.
    Write(raw + "clean-cycles", 0x07, 0x07, LogBuilder().FullCycle().FullCycle().FullCycle().Text());
    Write(raw + "clean-us", 0x08, 0x05, LogBuilder().FullCycle().FullCycle().Text());
    {
        LogBuilder log;
        log.Junk(37).FullCycle().Record(0x5A4, {0, 50}).Junk(3).FullCycle();
        Write(raw + "junk-between", 0x11, 0x03, log.Text());
    }
    for (int junk : {879, 880}) {
        LogBuilder log;
        log.Junk(static_cast<std::size_t>(junk));
        SmallCycle(log);
        Write(raw + "hunt-skip-" + std::to_string(junk), 0x01, 0x06, log.Text());
    }
    for (int unknown : {79, 80}) {
        LogBuilder log;
        SmallCycle(log, false);
        for (int i = 0; i < unknown; ++i) log.Record(0x7FF, {}, 4);
        log.Record(0x3CB).Record(0x56D);
        SmallCycle(log);
        Write(raw + "synced-skip-" + std::to_string(unknown), 0x03, 0x04, log.Text());
    }
    {
        LogBuilder log;
        for (int i = 0; i < 6; ++i) log.FullCycle();
        std::string lost = log.Text();
        lost.erase(lost.size() / 3, 1);
        Write(raw + "lost-byte", 0x01, 0x07, lost);
        std::string added = log.Text();
        added.insert(added.size() / 3, 1, '\x55');
        Write(raw + "added-byte", 0x09, 0x02, added);
    }
    {
        LogBuilder log;
        log.Record(0x020).Record(0x022).Record(0x0B4).Record(0x3CB);
        SmallCycle(log);
        log.Record(0x020).Record(0x020).Record(0x0B4).Record(0x3CB).Record(0x0B4).Record(0x56D);
        Write(raw + "restarts", 0x05, 0x00, log.Text());
    }
    {
        LogBuilder log;
        log.Record(0x020).Record(0x020, {1, 2, 3, 4, 5, 6, 7, 8}, 8).FullCycle();
        std::string cut = log.Text();
        cut.resize(cut.size() - 5);
        Write(raw + "wrong-length-and-cut", 0x13, 0x01, cut);
    }
    Write(raw + "lone-sync", 0x01, 0x07, std::string("\x00\x20\x03", 3));

    std::mt19937 random(11);
    for (int i = 0; i < 8; ++i) {
        std::string body(64u << (i % 6), '\0');
        for (char& byte : body) byte = static_cast<char>(random());
        Write(recipe + "recipe-" + std::to_string(i), static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(i),
              body);
    }
    return 0;
}
