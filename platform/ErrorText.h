#pragma once

namespace drovane::platform {

// Causes of failure that the C library has no number for, with numbers of the platform layer's
// own, above every number of the C library. Only Windows meets them.
inline constexpr int kErrorInUse = 0x10001;     // another program holds the file open and shares it with nobody
inline constexpr int kErrorReadOnly = 0x10002;  // the file carries the read-only attribute

// The description of an error number for a message, as std::strerror gives it ("No such file or
// directory"), or the platform layer's own for the numbers above.
const char* ErrorText(int errorNumber);

}  // namespace drovane::platform
