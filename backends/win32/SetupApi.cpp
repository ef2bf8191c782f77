// The device setup calls (setupapi) and the configuration manager's (cfgmgr32) over Win32.
// The seam's GUID, SP_DEVINFO_DATA and DEVPROPKEY have Windows's layout: they are copied
// byte for byte.
#include <cstring>

#include "platform/ConfigManager.h"
#include "platform/SetupApi.h"

#include "Win32.h"
// After <windows.h>.
#include <cfgmgr32.h>
#include <setupapi.h>

namespace platform {

namespace {

::GUID ToGuid(const Guid& guid) {
  static_assert(sizeof(::GUID) == sizeof(Guid));
  ::GUID out;
  std::memcpy(&out, &guid, sizeof out);
  return out;
}

::SP_DEVINFO_DATA ToDevInfo(const SP_DEVINFO_DATA& data) {
  static_assert(sizeof(::SP_DEVINFO_DATA) == sizeof(SP_DEVINFO_DATA));
  ::SP_DEVINFO_DATA out;
  std::memcpy(&out, &data, sizeof out);
  return out;
}

}  // namespace

HDEVINFO SetupDiGetClassDevsW(const Guid* classGuid, DWORD flags) {
  if (!classGuid)
    return ::SetupDiGetClassDevsW(nullptr, nullptr, nullptr, flags);
  const ::GUID guid = ToGuid(*classGuid);
  return ::SetupDiGetClassDevsW(&guid, nullptr, nullptr, flags);
}

HDEVINFO SetupDiGetClassDevsForInstanceW(const std::wstring& instanceId) {
  return ::SetupDiGetClassDevsW(nullptr, instanceId.c_str(), nullptr,
                                DIGCF_ALLCLASSES | DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
}

bool SetupDiGetDevicePropertyW(HDEVINFO set, const SP_DEVINFO_DATA& data, const DEVPROPKEY& key,
                               DWORD* propertyType, std::uint8_t* buffer, DWORD bufferSize,
                               DWORD* requiredSize) {
  ::SP_DEVINFO_DATA device = ToDevInfo(data);
  ::DEVPROPKEY property;
  property.fmtid = ToGuid(key.fmtid);
  property.pid = key.pid;
  ::DEVPROPTYPE type = 0;
  const BOOL ok = ::SetupDiGetDevicePropertyW(set, &device, &property, &type, buffer, bufferSize,
                                              requiredSize, 0);
  if (propertyType)
    *propertyType = type;
  return ok != 0;
}

bool SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA& data) {
  ::SP_DEVINFO_DATA device{};
  device.cbSize = data.cbSize;
  if (!::SetupDiEnumDeviceInfo(set, index, &device))
    return false;
  data.cbSize = device.cbSize;
  std::memcpy(&data.ClassGuid, &device.ClassGuid, sizeof data.ClassGuid);
  data.DevInst = device.DevInst;
  data.Reserved = device.Reserved;
  return true;
}

bool SetupDiGetDeviceRegistryPropertyW(HDEVINFO set, const SP_DEVINFO_DATA& data, DWORD property,
                                       DWORD* regType, std::uint8_t* buffer, DWORD bufferSize,
                                       DWORD* requiredSize) {
  ::SP_DEVINFO_DATA device = ToDevInfo(data);
  return ::SetupDiGetDeviceRegistryPropertyW(set, &device, property, regType, buffer, bufferSize,
                                             requiredSize) != 0;
}

bool SetupDiSetClassInstallParamsW(HDEVINFO set, const SP_DEVINFO_DATA& data,
                                   const std::uint8_t* params, DWORD size) {
  ::SP_DEVINFO_DATA device = ToDevInfo(data);
  auto* header = reinterpret_cast<SP_CLASSINSTALL_HEADER*>(const_cast<std::uint8_t*>(params));
  return ::SetupDiSetClassInstallParamsW(set, &device, header, size) != 0;
}

bool SetupDiCallClassInstaller(DWORD installFunction, HDEVINFO set, const SP_DEVINFO_DATA& data) {
  ::SP_DEVINFO_DATA device = ToDevInfo(data);
  return ::SetupDiCallClassInstaller(installFunction, set, &device) != 0;
}

bool SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  return ::SetupDiDestroyDeviceInfoList(set) != 0;
}

CONFIGRET CM_Locate_DevNodeW(DEVINST* devInst, const wchar_t* deviceId, DWORD flags) {
  ::DEVINST node = 0;
  const CONFIGRET result = ::CM_Locate_DevNodeW(&node, const_cast<DEVINSTID_W>(deviceId), flags);
  if (devInst)
    *devInst = node;
  return result;
}

CONFIGRET CM_Reenumerate_DevNode(DEVINST devInst, DWORD flags) {
  return ::CM_Reenumerate_DevNode(devInst, flags);
}

}  // namespace platform
