#include "ipc/DeviceInstances.h"

#include <cstring>

#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "common/RegistryText.h"
#include "hostapi/HardwareSdk.h"
#include "platform/SetupApi.h"

namespace devices {

namespace {

enum class Filter { BeginsWith, Contains, Always };

struct TypeClass {
  int type;
  platform::Guid setupClass;
  Filter filter;
  const wchar_t* text;
};

constexpr TypeClass kTypeClasses[] = {
    {0,
     {0x4D36E972, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}},
     Filter::BeginsWith,
     L"PCI"},
    {1,
     {0xE0CBF06C, 0xCD8B, 0x4647, {0xBB, 0x8A, 0x26, 0x3B, 0x43, 0xF0, 0xF9, 0x74}},
     Filter::BeginsWith,
     L"USB"},
    {3,
     {0x53D29EF7, 0x377C, 0x4D14, {0x86, 0x4B, 0xEB, 0x3A, 0x85, 0x76, 0x93, 0x59}},
     Filter::Always,
     L""},
    {5,
     {0x4D36E96C, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}},
     Filter::Contains,
     L"VEN_10EC"},
    {7,
     {0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}},
     Filter::BeginsWith,
     L"PCI"},
};

constexpr std::uint32_t kHardwareIdBufferBytes = 520;
constexpr std::uint32_t kNoProblem = 0;
constexpr std::uint32_t kDisabled = 22;

bool Passes(const TypeClass& entry, const std::wstring& id) {
  switch (entry.filter) {
    case Filter::BeginsWith:
      return id.rfind(entry.text, 0) == 0;
    case Filter::Contains:
      return id.find(entry.text) != std::wstring::npos;
    case Filter::Always:
      break;
  }
  return true;
}

// The first of the device's hardware ids; empty when they cannot be read.
std::wstring FirstHardwareId(platform::HDEVINFO set, const platform::SP_DEVINFO_DATA& device) {
  std::uint8_t buffer[kHardwareIdBufferBytes];
  std::memset(buffer, 0, sizeof buffer);
  DWORD type = 0;
  if (!platform::SetupDiGetDevicePropertyW(set, device, platform::DEVPKEY_Device_HardwareIds, &type,
                                           buffer, sizeof buffer, nullptr)) {
    return L"";
  }
  return regtext::FromData(buffer, sizeof buffer);
}

}  // namespace

std::vector<std::wstring> HardwareIdsOfType(int deviceType) {
  std::vector<std::wstring> ids;
  const TypeClass* entry = nullptr;
  for (const auto& candidate : kTypeClasses) {
    if (candidate.type == deviceType)
      entry = &candidate;
  }
  if (!entry)
    return ids;
  platform::HDEVINFO set =
      platform::SetupDiGetClassDevsW(&entry->setupClass, platform::DIGCF_PRESENT);
  if (set == platform::INVALID_HANDLE_VALUE_DEVINFO)
    return ids;
  platform::SP_DEVINFO_DATA device;
  for (DWORD i = 0; platform::SetupDiEnumDeviceInfo(set, i, device); ++i) {
    const std::wstring id = FirstHardwareId(set, device);
    if (Passes(*entry, id))
      ids.push_back(id);
  }
  platform::SetupDiDestroyDeviceInfoList(set);
  return ids;
}

bool SetDevicesState(int deviceType, bool enable) {
  bool all = true;
  for (const auto& id : HardwareIdsOfType(deviceType)) {
    if (!DeviceDriverErrorDetectEx::ChangeDeviceState(enable, id))
      all = false;
  }
  return all;
}

void ResetFaultyDevices(int deviceType) {
  const auto type = static_cast<stDEVICE_DRIVER_TYPE>(deviceType);
  for (const auto& id : HardwareIdsOfType(deviceType)) {
    CDeviceDriver driver;
    const std::uint32_t code = driver.GetDeviceDriverErrorCode(id, type);
    if (code != kNoProblem && code != kDisabled)
      driver.ResetDeviceDriver(id, type);
  }
}

}  // namespace devices
