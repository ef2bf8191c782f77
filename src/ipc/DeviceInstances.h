#pragma once
// The present devices of a device type, as the device control requests act on them.
#include <string>
#include <vector>

namespace devices {

// The first hardware id of every present device of the type's setup class that passes the
// type's filter; empty for types without a class or when the class cannot be opened.
std::vector<std::wstring> HardwareIdsOfType(int deviceType);

// Enables or disables every device of the type; true when every change succeeded (also for
// no devices).
bool SetDevicesState(int deviceType, bool enable);

// Resets the driver of every device of the type whose driver reports an error (codes 0 and
// 22 are left alone).
void ResetFaultyDevices(int deviceType);

}  // namespace devices
