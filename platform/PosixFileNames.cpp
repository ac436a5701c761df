// Names on POSIX systems: the bytes of the command line and of the typed line, as they are.
#include "platform/FileNames.h"

namespace drovane::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return {argv + (argc > 0 ? 1 : 0), argv + argc}; }

std::string TypedName(std::string line) { return line; }

std::FILE* OpenForReading(const std::string& name) { return std::fopen(name.c_str(), "rb"); }

}  // namespace drovane::platform
