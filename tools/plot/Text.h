#pragma once
#include <string>
#include <string_view>

namespace drovane::plot {

// Joins texts into one string with a single allocation.
template <typename... Parts>
std::string Cat(const Parts&... parts) {
    std::string out;
    out.reserve((std::string_view(parts).size() + ... + 0));
    (out.append(std::string_view(parts)), ...);
    return out;
}

// Appends texts to `out`.
template <typename... Parts>
void Append(std::string& out, const Parts&... parts) {
    (out.append(std::string_view(parts)), ...);
}

}  // namespace drovane::plot
