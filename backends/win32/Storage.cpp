// Storage devices over Win32: drive types, opening a disk, its I/O controls with the caller's
// raw request and answer bytes, reading, and DOS device names.
#include "platform/Storage.h"

#include "Win32.h"

namespace platform {

DWORD GetDriveTypeW(const std::wstring& rootPath) {
  return ::GetDriveTypeW(rootPath.c_str());
}

bool DeviceIoControl(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                     DWORD outSize, DWORD* returned) {
  DWORD bytes = 0;
  const BOOL ok =
      ::DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize, &bytes, nullptr);
  if (returned)
    *returned = bytes;
  return ok != 0;
}

bool ReadFile(HANDLE device, void* buffer, DWORD size, DWORD* read) {
  DWORD bytes = 0;
  const BOOL ok = ::ReadFile(device, buffer, size, &bytes, nullptr);
  if (read)
    *read = bytes;
  return ok != 0;
}

bool DefineDosDeviceW(const std::wstring& name, const std::wstring& target) {
  return ::DefineDosDeviceW(DDD_RAW_TARGET_PATH, name.c_str(), target.c_str()) != 0;
}

}  // namespace platform
