#include "platform/WholeFile.h"

#include <random>
#include <string_view>

namespace drovane::platform {

std::string RandomNameSuffix() {
    constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    std::string suffix(6, ' ');
    for (char& letter : suffix) letter = kLetters[random() % kLetters.size()];
    return suffix;
}

}  // namespace drovane::platform
