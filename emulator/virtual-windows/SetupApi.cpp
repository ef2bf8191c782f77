// The device setup calls over the virtual laptop's device tree.
#include "platform/SetupApi.h"
#include <algorithm>

#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "emu/DeviceTree.h"
#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "hostapi/StringConv.h"
#include "platform/LastError.h"
#include "platform/Text.h"

namespace platform {

namespace {
constexpr auto kDisabledDevices = emu::FactOf("disabled_devices", emu::FactType::Texts);

constexpr DWORD ERROR_NO_ASSOCIATED_CLASS = 0xE0000200;
constexpr DWORD ERROR_NOT_FOUND = 1168;

struct Device {
  std::string classGuid;
  std::vector<std::string> hardwareIds;
  DWORD readError = 0;
  std::string instanceId;
  nlohmann::json pcie;  // link properties of a PCI Express device
};

struct DeviceSet {
  std::vector<Device> devices;
  std::map<DWORD, std::vector<std::uint8_t>> params;  // by device index
};

std::mutex setsMutex;
std::set<DeviceSet*> liveSets;

std::string Upper(std::string text) {
  for (auto& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::vector<Device> DeviceTree() {
  std::vector<Device> tree;
  for (auto& device : emu::DeviceTree())
    tree.push_back({device.classGuid, std::move(device.hardwareIds), device.readError});
  return tree;
}

// The hardware ids as a multi-string: each id and its NUL, then a final NUL, in UTF-16
// little-endian bytes.
bool CopyHardwareIds(const Device& device, std::uint8_t* buffer, DWORD bufferSize,
                     DWORD* requiredSize) {
  if (device.readError != 0) {
    SetLastError(device.readError);
    return false;
  }
  std::u16string units;
  for (const auto& id : device.hardwareIds) {
    units += platform::WideToUtf16(platform::Utf8ToWide(id));
    units.push_back(0);
  }
  units.push_back(0);
  const DWORD size = static_cast<DWORD>(units.size() * 2);
  if (requiredSize)
    *requiredSize = size;
  if (!buffer || bufferSize < size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  for (std::size_t i = 0; i < units.size(); ++i) {
    buffer[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
    buffer[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
  }
  return true;
}

DeviceSet* Lookup(HDEVINFO set) {
  auto* s = static_cast<DeviceSet*>(set);
  std::lock_guard lock(setsMutex);
  return liveSets.count(s) ? s : nullptr;
}

const Device* DeviceOf(HDEVINFO set, const SP_DEVINFO_DATA& data, DeviceSet** owner = nullptr) {
  DeviceSet* s = Lookup(set);
  if (!s || data.DevInst == 0 || data.DevInst > s->devices.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (owner)
    *owner = s;
  return &s->devices[data.DevInst - 1];
}

DWORD ReadU32(const std::uint8_t* p) {
  DWORD v;
  std::memcpy(&v, p, 4);
  return v;
}

// The NVMe controllers of the disks: their instance id and PCI Express link.
std::vector<Device> Controllers() {
  std::vector<Device> out;
  const auto disks = emu::Laptop::Instance().Json(emu::FactOf("disks", emu::FactType::List));
  if (!disks.is_array())
    return out;
  for (const auto& d : disks) {
    if (!d.contains("controller_id"))
      continue;
    Device device{"{4D36E97B-E325-11CE-BFC1-08002BE10318}",
                  {},
                  0,
                  Upper(d["controller_id"].get<std::string>()),
                  d.value("pcie", nlohmann::json::object())};
    out.push_back(std::move(device));
  }
  return out;
}

}  // namespace

HDEVINFO SetupDiGetClassDevsForInstanceW(const std::wstring& instanceId) {
  const std::string wanted = Upper(DE::UnicodeToUTF8(instanceId));
  auto* set = new DeviceSet();
  for (auto& device : Controllers()) {
    if (device.instanceId == wanted)
      set->devices.push_back(std::move(device));
  }
  if (set->devices.empty()) {
    delete set;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE_DEVINFO;
  }
  std::lock_guard lock(setsMutex);
  liveSets.insert(set);
  return set;
}

bool SetupDiGetDevicePropertyW(HDEVINFO set, const SP_DEVINFO_DATA& data, const DEVPROPKEY& key,
                               DWORD* propertyType, std::uint8_t* buffer, DWORD bufferSize,
                               DWORD* requiredSize) {
  const Device* device = DeviceOf(set, data);
  if (!device)
    return false;
  if (key.fmtid == DEVPKEY_Device_HardwareIds.fmtid && key.pid == DEVPKEY_Device_HardwareIds.pid) {
    if (propertyType)
      *propertyType = DEVPROP_TYPE_STRING_LIST;
    return CopyHardwareIds(*device, buffer, bufferSize, requiredSize);
  }
  static const std::map<DWORD, const char*> names = {
      {9, "current_speed"}, {10, "current_width"}, {11, "max_speed"}, {12, "max_width"}};
  auto name = names.find(key.pid);
  if (!(key.fmtid == kPciDeviceProperties) || name == names.end() ||
      !device->pcie.contains(name->second)) {
    SetLastError(ERROR_NOT_FOUND);
    return false;
  }
  if (requiredSize)
    *requiredSize = 4;
  if (propertyType)
    *propertyType = DEVPROP_TYPE_UINT32;
  if (!buffer || bufferSize < 4) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
  }
  const auto value = static_cast<std::uint32_t>(emu::ParseNumber(device->pcie[name->second]));
  for (int i = 0; i < 4; ++i)
    buffer[i] = static_cast<std::uint8_t>(value >> (8 * i));
  return true;
}

HDEVINFO SetupDiGetClassDevsW(const Guid* classGuid, DWORD flags) {
  if (const auto error = emu::InjectedFault(emu::FaultOf("SetupDiGetClassDevsW"), [&] {
        return classGuid ? emu::GuidText(*classGuid) : std::string();
      })) {
    SetLastError(static_cast<DWORD>(*error));
    return INVALID_HANDLE_VALUE_DEVINFO;
  }
  if (const auto error = emu::Laptop::Instance().Int(
          emu::FactOf("setup_api.class_devs_error", emu::FactType::Integer))) {
    SetLastError(static_cast<DWORD>(error));
    return INVALID_HANDLE_VALUE_DEVINFO;
  }
  if (!classGuid && !(flags & DIGCF_ALLCLASSES)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE_DEVINFO;
  }
  auto* set = new DeviceSet();
  const std::string wanted = classGuid ? emu::GuidText(*classGuid) : "";
  for (auto& device : DeviceTree()) {
    if ((flags & DIGCF_ALLCLASSES) || device.classGuid == wanted) {
      set->devices.push_back(std::move(device));
    }
  }
  std::lock_guard lock(setsMutex);
  liveSets.insert(set);
  return set;
}

bool SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, SP_DEVINFO_DATA& data) {
  DeviceSet* s = Lookup(set);
  if (!s) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (const auto error = emu::InjectedFault(emu::FaultOf("SetupDiEnumDeviceInfo"))) {
    SetLastError(static_cast<DWORD>(*error));
    return false;
  }
  if (index >= s->devices.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return false;
  }
  data.DevInst = index + 1;
  return true;
}

bool SetupDiGetDeviceRegistryPropertyW(HDEVINFO set, const SP_DEVINFO_DATA& data, DWORD property,
                                       DWORD* regType, std::uint8_t* buffer, DWORD bufferSize,
                                       DWORD* requiredSize) {
  const Device* device = DeviceOf(set, data);
  if (!device)
    return false;
  if (property != SPDRP_HARDWAREID) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  if (regType)
    *regType = REG_MULTI_SZ;
  return CopyHardwareIds(*device, buffer, bufferSize, requiredSize);
}

bool SetupDiSetClassInstallParamsW(HDEVINFO set, const SP_DEVINFO_DATA& data,
                                   const std::uint8_t* params, DWORD size) {
  DeviceSet* owner = nullptr;
  if (!DeviceOf(set, data, &owner))
    return false;
  // SP_PROPCHANGE_PARAMS: header {cbSize 8, DIF_PROPERTYCHANGE}, StateChange, Scope, HwProfile.
  if (!params || size != 20 || ReadU32(params) != 8 || ReadU32(params + 4) != DIF_PROPERTYCHANGE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const DWORD state = ReadU32(params + 8);
  const DWORD scope = ReadU32(params + 12);
  if ((state != DICS_ENABLE && state != DICS_DISABLE) || (scope != 1 && scope != 2)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  owner->params[data.DevInst] = std::vector<std::uint8_t>(params, params + size);
  return true;
}

bool SetupDiCallClassInstaller(DWORD installFunction, HDEVINFO set, const SP_DEVINFO_DATA& data) {
  DeviceSet* owner = nullptr;
  const Device* device = DeviceOf(set, data, &owner);
  if (!device)
    return false;
  if (const auto error = emu::InjectedFault(emu::FaultOf("SetupDiCallClassInstaller"), [&] {
        return device->hardwareIds.empty() ? std::string() : device->hardwareIds.front();
      })) {
    SetLastError(static_cast<DWORD>(*error));
    return false;
  }
  auto params = owner->params.find(data.DevInst);
  if (installFunction != DIF_PROPERTYCHANGE || params == owner->params.end()) {
    SetLastError(ERROR_NO_ASSOCIATED_CLASS);
    return false;
  }
  if (const auto error = emu::Laptop::Instance().Int(
          emu::FactOf("setup_api.class_installer_error", emu::FactType::Integer))) {
    SetLastError(static_cast<DWORD>(error));
    return false;
  }
  const bool enable = ReadU32(params->second.data() + 8) == DICS_ENABLE;
  const std::string id = device->hardwareIds.empty() ? "" : device->hardwareIds.front();
  emu::Transcript::Instance().Write(
      "device", {{"op", enable ? "enable" : "disable"},
                 {"hardware_id", id},
                 {"params_hex", emu::ToHex(params->second.data(), params->second.size())}});
  auto& laptop = emu::Laptop::Instance();
  // The laptop remembers which devices stand disabled.
  nlohmann::json disabled = laptop.Json(kDisabledDevices);
  if (!disabled.is_array())
    disabled = nlohmann::json::array();
  auto it = std::find(disabled.begin(), disabled.end(), id);
  if (!enable && it == disabled.end())
    disabled.push_back(id);
  if (enable && it != disabled.end())
    disabled.erase(it);
  laptop.Put(kDisabledDevices, {}, disabled);
  laptop.ApplyEffect((enable ? "enable:" : "disable:") + id);
  return true;
}

bool SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  auto* s = static_cast<DeviceSet*>(set);
  {
    std::lock_guard lock(setsMutex);
    if (!liveSets.erase(s)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return false;
    }
  }
  delete s;
  return true;
}

}  // namespace platform
