#pragma once
// The device setup calls (SetupAPI). Device lists are opaque handles; the property-change
// request is passed as the raw bytes of SP_PROPCHANGE_PARAMS.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinTypes.h"

namespace platform {

using HDEVINFO = void*;
inline HDEVINFO const INVALID_HANDLE_VALUE_DEVINFO = reinterpret_cast<HDEVINFO>(-1);

// SP_DEVINFO_DATA: the device's place in its list, laid out as in a 64-bit process.
struct SP_DEVINFO_DATA {
  DWORD cbSize = 32;
  Guid ClassGuid{};
  DWORD DevInst = 0;
  std::uint64_t Reserved = 0;  // ULONG_PTR
};
static_assert(sizeof(SP_DEVINFO_DATA) == 32);
static_assert(offsetof(SP_DEVINFO_DATA, DevInst) == 20);
static_assert(offsetof(SP_DEVINFO_DATA, Reserved) == 24);

constexpr DWORD DIGCF_PRESENT = 0x00000002;
constexpr DWORD DIGCF_ALLCLASSES = 0x00000004;
constexpr DWORD SPDRP_HARDWAREID = 0x00000001;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD DIF_PROPERTYCHANGE = 0x00000012;
constexpr DWORD DICS_ENABLE = 1;
constexpr DWORD DICS_DISABLE = 2;
constexpr DWORD DICS_FLAG_GLOBAL = 1;

// SetupDiGetClassDevsW(classGuid or null, nullptr, nullptr, flags). Invalid handle on failure.
HDEVINFO SetupDiGetClassDevsW(const Guid* classGuid, DWORD flags);

// SetupDiGetClassDevsW(nullptr, instanceId, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT |
// DIGCF_DEVICEINTERFACE): the present device with that instance id.
HDEVINFO SetupDiGetClassDevsForInstanceW(const std::wstring& instanceId);

// DEVPROPKEY.
struct DEVPROPKEY {
  Guid fmtid;
  DWORD pid;
};
// The PCI Express link properties (pciprop.h): speed 1 = 2.5 GT/s (generation 1), 2, 3, 4, ...
inline constexpr Guid kPciDeviceProperties = {
    0x3ab22e31, 0x8264, 0x4b4e, {0x9a, 0xf5, 0xa8, 0xd2, 0xd8, 0xe3, 0x3e, 0x62}};
inline constexpr DEVPROPKEY DEVPKEY_PciDevice_CurrentLinkSpeed = {kPciDeviceProperties, 9};
inline constexpr DEVPROPKEY DEVPKEY_PciDevice_CurrentLinkWidth = {kPciDeviceProperties, 10};
inline constexpr DEVPROPKEY DEVPKEY_PciDevice_MaxLinkSpeed = {kPciDeviceProperties, 11};
inline constexpr DEVPROPKEY DEVPKEY_PciDevice_MaxLinkWidth = {kPciDeviceProperties, 12};
constexpr DWORD DEVPROP_TYPE_UINT32 = 0x00000007;
// The device's hardware ids (devpkey.h): a string list, UTF-16 units, each with its NUL and
// a final NUL.
inline constexpr DEVPROPKEY DEVPKEY_Device_HardwareIds = {
    {0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 3};
constexpr DWORD DEVPROP_TYPE_STRING_LIST = 0x00002012;

// SetupDiGetDevicePropertyW into a byte buffer.
bool SetupDiGetDevicePropertyW(HDEVINFO set, const SP_DEVINFO_DATA& data, const DEVPROPKEY& key,
                               DWORD* propertyType, std::uint8_t* buffer, DWORD bufferSize,
                               DWORD* requiredSize);

// SetupDiEnumDeviceInfo. False with ERROR_NO_MORE_ITEMS past the last device.
bool SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA& data);

// SetupDiGetDeviceRegistryPropertyW into a byte buffer; the multi-string is UTF-16 units.
// False with ERROR_INSUFFICIENT_BUFFER (and requiredSize set) when the buffer is too small.
bool SetupDiGetDeviceRegistryPropertyW(HDEVINFO set, const SP_DEVINFO_DATA& data, DWORD property,
                                       DWORD* regType, std::uint8_t* buffer, DWORD bufferSize,
                                       DWORD* requiredSize);

// SetupDiSetClassInstallParamsW with the raw bytes of the parameter block.
bool SetupDiSetClassInstallParamsW(HDEVINFO set, const SP_DEVINFO_DATA& data,
                                   const std::uint8_t* params, DWORD size);

// SetupDiCallClassInstaller.
bool SetupDiCallClassInstaller(DWORD installFunction, HDEVINFO set, const SP_DEVINFO_DATA& data);

// SetupDiDestroyDeviceInfoList.
bool SetupDiDestroyDeviceInfoList(HDEVINFO set);

}  // namespace platform
