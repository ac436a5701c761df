#pragma once

namespace drovane {

// Field indices of the output columns, in output order.
enum Column : int {
    kColTime = 0,
    kColVoltage,
    kColSoc,
    kColAmps,
    kColMaxChargeCurrent,
    kColMaxDischargeCurrent,
    kColMinBattTemp,
    kColMaxBattTemp,
    kColSpeed,
    kColSpeedometer,
    kColSpeedRelated,
    kColFlWheel,
    kColFrWheel,
    kColRlWheel,
    kColRrWheel,
    kColIceRpm,
    kColIceTemp,
    kColCoolantTemp,
    kColSideAccel,
    kColSideAccel1,
    kColFwdAccel,
    kColFwdAccel2,
    kColSteering,
    kColGasPedal,
    kColBrakePedal,
    kColBrakePressed,
    kColShifter,
    kColEvMode,
    kColCruiseControl,
    kColLights,
    kColFuelInj,
    kColFuelFlow,
    kColVvti,
    kColGasGauge,
    kColEconomy,
};

}  // namespace drovane
