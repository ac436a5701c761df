#include <iostream>
#include <string>
#include <vector>

#include "platform/FileNames.h"
#include "platform/Terminal.h"
#include "tools/plot/PlotCommand.h"

int main(int argc, char** argv) {
    // Names are UTF-8 from the command line to the summary and the files.
    drovane::platform::UnicodeConsole unicodeConsole;
    const std::vector<std::string> args = drovane::platform::ProgramArguments(argc, argv);
    return drovane::plot::RunPlotCommand(args, std::cout, std::cerr);
}
