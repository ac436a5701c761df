#pragma once
#include <iosfwd>
#include <string>
#include <vector>

// The drovane-plot command: reads a converter CSV and writes the picture of the drive.
namespace drovane::plot {

// The default picture name: the CSV's name with ".svg" in place of ".csv" (or added).
std::string DefaultSvgName(const std::string& csvName);

// Runs the command with its arguments (without the program name). Returns the exit status:
// 0 when the picture was written (after a warning line on `err` for each row left out), 1 after a
// one-line error on `err`.
int RunPlotCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace drovane::plot
