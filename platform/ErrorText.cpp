#include "platform/ErrorText.h"

#include <cstring>

namespace drovane::platform {

const char* ErrorText(int errorNumber) {
    switch (errorNumber) {
        case kErrorInUse: return "File in use by another program; close it there and try again";
        case kErrorReadOnly: return "File is read-only; clear its read-only attribute to have it replaced";
        default: return std::strerror(errorNumber);
    }
}

}  // namespace drovane::platform
