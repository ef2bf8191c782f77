#pragma once
// One storage request: open the device anew, send the I/O control, close it.
#include <cstdint>
#include <string>

namespace smart {

std::wstring PhysicalDrivePath(std::int32_t physicalDriveId);  // "\\\\.\\PhysicalDrive%d"
std::wstring ScsiPortPath(std::int32_t scsiPort);              // "\\\\.\\Scsi%d:"

// True when the device opened and the control succeeded; returned gets the answer size.
bool DeviceRequest(const std::wstring& path, std::uint32_t code, const void* in,
                   std::uint32_t inSize, void* out, std::uint32_t outSize,
                   std::uint32_t* returned = nullptr);

}  // namespace smart
