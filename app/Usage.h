#pragma once
#include "core/TextBuffer.h"

namespace drovane {

// The usage text, after a bad command line.
void PrintUsage(TextBuffer& diagnostics);

}  // namespace drovane
