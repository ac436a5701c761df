#include "tools/plot/PlotCommand.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <ostream>
#include <stdexcept>

#include "platform/FileStatus.h"
#include "tools/output/OutputFile.h"
#include "tools/plot/Summary.h"
#include "tools/plot/SvgPlot.h"
#include "tools/plot/Text.h"
#include "tools/plot/TripCsv.h"

namespace drovane::plot {
namespace {

constexpr const char* kUsage =
    "usage: drovane-plot [-f] [--packet-ms MS] [--] trip.csv [trip.svg]\n"
    "Draws the drive in a CSV written by drovane2csv as one SVG picture: speed, engine speed with\n"
    "EV mode, battery charge and current, fuel economy and flow, temperatures, over the minutes of\n"
    "driving. The picture goes to the CSV's name with .svg unless a second name is given; - writes\n"
    "it to standard output (the summary then goes to standard error). A file under the picture's\n"
    "name that is not a picture of drovane-plot is kept, unless -f is given.\n"
    "  --packet-ms MS  time that one packet stands for, for the minutes, the distance and the fuel\n"
    "                  used (default 100)\n"
    "  -f, --force     replace a file under the picture's name whatever it holds\n"
    "  -h, --help      show this text\n"
    "  --              every later argument is a file name, even one that begins with -\n";

constexpr double kDefaultPacketMs = 100.0;

struct Arguments {
    std::string csv;
    std::string svg;
    double packetMs = kDefaultPacketMs;
    bool help = false;
    bool force = false;         // -f: replace whatever stands under the picture's name
    bool svgNameGiven = false;  // the picture's name is the second name, not the CSV's with .svg
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

double ParsePacketMs(const std::string& text) {
    double value = 0.0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value <= 0.0 ||
        value > 3600000.0) {
        throw UsageError(Cat("--packet-ms takes a number of milliseconds above 0, not '", text, "'"));
    }
    return value;
}

// Names are UTF-8 on every system; a path's own narrow text is the system's code page on Windows.
std::filesystem::path PathOf(const std::string& name) { return std::u8string(name.begin(), name.end()); }
std::string NameOf(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
}

Arguments ParseArguments(const std::vector<std::string>& args) {
    Arguments parsed;
    std::vector<std::string> names;
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnd && (arg == "-h" || arg == "--help")) {
            parsed.help = true;
        } else if (!optionsEnd && (arg == "-f" || arg == "--force")) {
            parsed.force = true;
        } else if (!optionsEnd && arg == "--packet-ms") {
            if (i + 1 == args.size()) throw UsageError("--packet-ms needs a number of milliseconds");
            parsed.packetMs = ParsePacketMs(args[++i]);
        } else if (!optionsEnd && arg.rfind("--packet-ms=", 0) == 0) {
            parsed.packetMs = ParsePacketMs(arg.substr(12));
        } else if (!optionsEnd && arg == "--") {
            optionsEnd = true;
        } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
            throw UsageError(Cat("unknown option '", arg, "' (see drovane-plot --help)"));
        } else {
            names.push_back(arg);
        }
    }
    if (parsed.help) return parsed;
    if (names.empty()) throw UsageError("no CSV file given (usage: drovane-plot trip.csv [trip.svg])");
    if (names.size() > 2) throw UsageError("too many file names (usage: drovane-plot trip.csv [trip.svg])");
    parsed.csv = names[0];
    parsed.svgNameGiven = names.size() == 2;
    parsed.svg = parsed.svgNameGiven ? names[1] : DefaultSvgName(names[0]);
    return parsed;
}

// Refuses, before anything is read or written, a picture name that holds something other than a
// picture of drovane-plot (a CSV, a raw log, a user's own SVG), or that cannot be read to tell.
// An empty file, a device or a pipe is no one's work to lose.
void RefuseForeignPicture(const Arguments& parsed) {
    if (parsed.force || parsed.svg == tools::kStandardOutputName) return;
    std::optional<platform::FileStatus> status = platform::StatusOf(parsed.svg);
    if (!status || status->kind != platform::FileKind::Regular || status->size == 0) return;
    std::ifstream file(parsed.svg, std::ios::binary);
    std::string head(kPictureHeadBytes, '\0');
    errno = 0;
    if (!file) {
        throw UsageError(Cat("cannot read ", parsed.svg, " to see whether it is a picture of drovane-plot: ",
                             std::strerror(errno != 0 ? errno : EIO), "; use -f to overwrite it"));
    }
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(file.gcount()));
    if (IsPlotPicture(head)) return;
    throw UsageError(
        Cat(parsed.svg, " exists and is not a picture of drovane-plot; use -f to overwrite it",
            parsed.svgNameGiven ? " (the second name is the picture's: drovane-plot draws one CSV a run)" : ""));
}

}  // namespace

std::string DefaultSvgName(const std::string& csvName) {
    std::filesystem::path path = PathOf(csvName);
    std::string extension = NameOf(path.extension());
    bool isCsv = extension.size() == 4 && (extension == ".csv" || extension == ".CSV" || extension == ".Csv");
    if (isCsv) return NameOf(path.replace_extension(".svg"));
    return Cat(csvName, ".svg");
}

int RunPlotCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        Arguments parsed = ParseArguments(args);
        if (parsed.help) {
            out << kUsage;
            return 0;
        }
        const bool toStandardOutput = parsed.svg == tools::kStandardOutputName;
        if (!toStandardOutput && platform::NameTheSameFile(parsed.csv, parsed.svg))
            throw UsageError(Cat("the picture would overwrite the CSV ", parsed.csv));
        RefuseForeignPicture(parsed);
        Trip trip = ReadTripFile(parsed.csv);
        for (const std::string& warning : trip.warnings) err << "drovane-plot: warning: " << warning << "\n";
        PlotOptions options;
        options.title = NameOf(PathOf(parsed.csv).filename());
        options.packetSeconds = parsed.packetMs / 1000.0;
        std::string svg = RenderSvg(trip, options);
        // A picture that stood under the name is ours to replace, and stays until the new one is whole.
        tools::WriteWholeFile(parsed.svg, svg, tools::ExistingFile::Replace, platform::FileContent::Text);
        // A picture on standard output must not get the summary mixed into it.
        (toStandardOutput ? err : out) << parsed.svg << ": "
                                       << SummaryLine(Summarize(trip, options.packetSeconds), LabelsFor(trip.units),
                                                      options.packetSeconds)
                                       << "\n";
        return 0;
    } catch (const std::bad_alloc&) {
        err << "drovane-plot: error: out of memory\n";
    } catch (const std::exception& e) {
        err << "drovane-plot: error: " << e.what() << "\n";
    }
    return 1;
}

}  // namespace drovane::plot
