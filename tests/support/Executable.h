#pragma once
#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "support/TempDir.h"

namespace drovane::test {

struct ProcessResult {
    int status;  // exit status as a shell sees it, -1 when the process did not exit normally
    std::string standardError;
};

// Runs a shell command line with standard error captured to a file in `dir`.
inline ProcessResult RunShell(const std::string& command, const TempDir& dir) {
    std::string errors = dir.File("stderr.txt");
    int raw = std::system((command + " 2>'" + errors + "'").c_str());
    int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return {status, ReadFile(errors)};
}

inline std::string Quote(const std::string& text) { return "'" + text + "'"; }

}  // namespace drovane::test
