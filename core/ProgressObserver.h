#pragma once
#include <cstdint>

namespace drovane {

// Told how far the conversion has read, each time the input buffer is refilled.
class ProgressObserver {
public:
    virtual ~ProgressObserver() = default;
    virtual void OnInputProgress(std::uint64_t bytesConsumed) = 0;
};

}  // namespace drovane
