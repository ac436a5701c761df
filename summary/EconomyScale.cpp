#include "summary/EconomyScale.h"

#include <cmath>

namespace drovane {

bool IsNoFuelEconomy(double economy) { return std::fabs(economy - kNoFuelEconomy) < 1e-6; }

}  // namespace drovane
