#include "decode/NumericConversions.h"

namespace drovane {

double RoundToStep(double value, double step) {
    if (step == 0.0) return 0.0;
    double s = step < 0.0 ? step * -1.0 : step;
    double quotient;
    if (value > 0.0) {
        quotient = (value + s * 0.5) / s;
    } else if (value < 0.0) {
        quotient = (value - s * 0.5) / s;
    } else {
        return 0.0;
    }
    return s * TruncateToInt32(quotient);
}

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

std::int32_t ConvertTemperature(double value, UnitSystem units) {
    // The offset is the decimal constant 17.7778, not 160/9: US readings sit a hair above the
    // exact Fahrenheit value, which decides some roundings.
    double t = units == UnitSystem::US ? (value + 17.7778) * 1.8 : value;
    return TruncateToInt32(RoundToStep(t, 1.0));
}

}  // namespace drovane
