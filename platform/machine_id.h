// A stable number for this machine, standing in for a volume serial number.
#pragma once

#include <cstdint>

// The first 8 hexadecimal digits of the machine id (/etc/machine-id, else
// /var/lib/dbus/machine-id) as a number; 0 when neither file gives 8
// hexadecimal digits.
uint32_t PlatformVolumeSerial();
