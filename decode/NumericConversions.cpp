#include "decode/NumericConversions.h"

namespace drovane {

std::int32_t RoundIntToStep(std::int32_t value, double step) {
    if (step == 0.0) return 0;
    double s = step < 0.0 ? step * -1.0 : step;
    double quotient;
    if (value > 0) {
        quotient = (s * 0.5 + value) / s;
    } else if (value < 0) {
        quotient = (value - s * 0.5) / s;
    } else {
        return 0;
    }
    return TruncateToInt32(s * TruncateToInt32(quotient));
}

}  // namespace drovane
