#pragma once
#include "core/RunOptions.h"

// The scale every picture of a trip's economy shares (drovane-plot's panel, the workbook's chart).
namespace drovane {

// The same for every drive of a unit system, so that two pictures compare at a glance: about -10
// to 50 km/L, or -20 to 120 MPG (-8.5 to 51 km/L). Reversing reads below zero.
struct EconomyAxis {
    double lo;
    double hi;
};
inline constexpr EconomyAxis kMetricEconomyAxis{-10.0, 50.0};
inline constexpr EconomyAxis kUSEconomyAxis{-20.0, 120.0};
constexpr EconomyAxis EconomyAxisFor(UnitSystem units) {
    return units == UnitSystem::US ? kUSEconomyAxis : kMetricEconomyAxis;
}

// The economy the converter writes when the car moves and no fuel flows: no point of the picture.
inline constexpr double kNoFuelEconomy = 999.9;
bool IsNoFuelEconomy(double economy);

}  // namespace drovane
