#pragma once
#include "core/TextBuffer.h"

namespace drovane {

inline constexpr const char* kVersion = "Kestry 1.8.2";

// The four banner lines that open every run; the last one is followed by an empty line.
void PrintBanner(TextBuffer& diagnostics);

// The one line of "--version": the program's name and version number.
void PrintVersion(TextBuffer& out);

}  // namespace drovane
