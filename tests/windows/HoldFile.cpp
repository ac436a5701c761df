// hold-file NAME: holds the file NAME open as Excel holds a workbook, shared with nobody, until its
// standard input ends; says "held" once it holds it. Status 1 when it cannot open the file.
#include <cstdio>
#include <string>
#include <vector>
#include <windows.h>

#include "platform/FileNames.h"
#include "platform/WindowsNames.h"

int main(int argc, char** argv) {
    const std::vector<std::string> names = drovane::platform::ProgramArguments(argc, argv);
    if (names.size() != 1) return 2;
    HANDLE held = CreateFileW(drovane::platform::WideName(names[0]).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 1;
    std::puts("held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    CloseHandle(held);
    return 0;
}
