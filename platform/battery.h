// The battery charge.
#pragma once

// The charge in percent of the first battery (by name) in the power-supply
// class folder, normally /sys/class/power_supply; -1 when no battery there
// reports a charge.
int PlatformBatteryPercent(const char* power_supply_folder = "/sys/class/power_supply");
