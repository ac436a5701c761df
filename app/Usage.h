#pragma once
#include "core/TextBuffer.h"

namespace drovane {

// The usage text: after a bad command line on standard error, for "-h" and "--help" on standard
// output. Its first ten lines are the original text; the options added since follow them.
void PrintUsage(TextBuffer& out);

}  // namespace drovane
