#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/RunDriver.h"
#include "core/FileOutputSink.h"
#include "platform/FileNames.h"
#include "platform/Terminal.h"
#ifdef DROVANE_HAS_XLSX
#include "xlsx/XlsxFormat.h"
#endif

int main(int argc, char** argv) {
    // The converter buffers its own output in large blocks; the standard streams pass it on.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    std::ios::sync_with_stdio(false);

    // Names are UTF-8 from the command line to the messages, the prompt and the files.
    drovane::platform::UnicodeConsole unicodeConsole;
    drovane::platform::StandardInput standardInput;
    // A log dropped on the program in Explorer gets a console window that closes with the run.
    drovane::platform::KeyBeforeClosing keyBeforeClosing;
    const std::vector<std::string> given = drovane::platform::ProgramArguments(argc, argv);
    std::vector<std::string_view> arguments(given.begin(), given.end());
#ifdef DROVANE_IMPLIED_OPTION
    // A second program that means an option, for those who start it from Explorer (drovane2xlsx).
    arguments.insert(arguments.begin(), DROVANE_IMPLIED_OPTION);
#endif
    drovane::FileOutputSink standardOutput(stdout);
    drovane::FileOutputSink standardError(stderr);
    drovane::Console console{standardInput.Stream(), standardOutput, standardError};
    console.standardErrorIsTerminal = drovane::platform::IsTerminal(stderr);
#ifdef DROVANE_HAS_XLSX
    const drovane::xlsx::XlsxFormat workbook;
    console.workbook = &workbook;
#endif
    // -1 reaches a POSIX shell as 255; Windows would pass -1 on, so both are given 255.
    return drovane::RunDriver(arguments, console) & 0xFF;
}
