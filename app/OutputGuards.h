#pragma once
#include <cstdio>
#include <string>
#include <string_view>

namespace drovane {

// True when `name` is an existing regular file that holds something else than a CSV of this
// converter: a file that is not empty and does not begin with `csvStart`. A file that cannot be
// read cannot be shown to be ours and counts as foreign; `readError` then gets the system's
// error number (else 0).
bool IsForeignFile(const std::string& name, std::string_view csvStart, int& readError);

// True when writing the output would write over the open `input`. The output is `outputStream`
// when it is a standard stream, else the file `outputName`, however it is spelt. Where either side
// is a standard stream only a regular file counts: a terminal may well be both.
bool OutputIsInput(std::FILE* input, bool inputIsStream, std::FILE* outputStream, const std::string& outputName);

}  // namespace drovane
