#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "tools/plot/TripCsv.h"

// The picture of a trip: a self-contained SVG of five stacked panels that share one time axis in
// minutes of driving, with the packet numbers under it (speed; engine speed with EV mode shaded;
// battery charge and current; fuel economy, on a fixed scale, and flow; temperatures).
namespace drovane::plot {

struct PlotOptions {
    std::string title;                             // shown at the top, usually the CSV's file name
    double packetSeconds = kDefaultPacketSeconds;  // the time one packet stands for
    std::size_t width = 1200;                      // of the whole picture, in pixels
};

// The width of the panels' plotting area for a picture `width` pixels wide: the number of pixel
// columns each series is reduced to.
std::size_t PlotColumns(std::size_t width);

std::string RenderSvg(const Trip& trip, const PlotOptions& options);

// Every picture begins with this declaration and names its maker within its first
// kPictureHeadBytes: what tells a picture of drovane-plot, which it may replace, from any other file.
inline constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
inline constexpr std::string_view kPictureMark = "<desc>drawn by drovane-plot</desc>";
inline constexpr std::size_t kPictureHeadBytes = 8192;  // a long title and the style sheet fit
// True when `head`, the first bytes of a file, are those of a picture of drovane-plot.
bool IsPlotPicture(std::string_view head);

// Text made safe for XML: markup characters escaped, control bytes and bytes that are not UTF-8
// replaced by '?'.
std::string EscapeXml(std::string_view text);

}  // namespace drovane::plot
