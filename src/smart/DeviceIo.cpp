#include "smart/DeviceIo.h"

#include "platform/Storage.h"

namespace smart {

std::wstring PhysicalDrivePath(std::int32_t physicalDriveId) {
  return L"\\\\.\\PhysicalDrive" + std::to_wstring(physicalDriveId);
}

std::wstring ScsiPortPath(std::int32_t scsiPort) {
  return L"\\\\.\\Scsi" + std::to_wstring(scsiPort) + L":";
}

bool DeviceRequest(const std::wstring& path, std::uint32_t code, const void* in,
                   std::uint32_t inSize, void* out, std::uint32_t outSize,
                   std::uint32_t* returned) {
  using namespace platform;
  HANDLE device = CreateFileW(path, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (device == INVALID_HANDLE_VALUE)
    return false;
  DWORD got = 0;
  const bool ok = platform::DeviceIoControl(device, code, in, inSize, out, outSize, &got);
  CloseHandle(device);
  if (returned)
    *returned = got;
  return ok;
}

}  // namespace smart
