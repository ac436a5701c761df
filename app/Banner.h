#pragma once
#include "core/TextBuffer.h"

namespace drovane {

// The version the banner names: the project's version, from the build (CMakeLists.txt).
inline constexpr const char* kVersion = "Kestry " DROVANE_VERSION;

// The four banner lines that open every run; the last one is followed by an empty line.
void PrintBanner(TextBuffer& diagnostics);

// The one line of "--version": the program's name and version number.
void PrintVersion(TextBuffer& out);

}  // namespace drovane
