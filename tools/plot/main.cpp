#include <iostream>
#include <string>
#include <vector>

#include "tools/plot/PlotCommand.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return drovane::plot::RunPlotCommand(args, std::cout, std::cerr);
}
