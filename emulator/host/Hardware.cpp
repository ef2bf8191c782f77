// The hardware support library's answers, read from the virtual laptop.
#include <algorithm>
#include <cstring>

#include "emu/DeviceTree.h"
#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "hostapi/HardwareSdk.h"
#include "hostapi/ProductAdapt.h"
#include "hostapi/StringConv.h"
#include "hostapi/VexSoftShelf.h"
#include "hostapi/WinApp.h"
#include "platform/Text.h"

namespace {
emu::Laptop& laptop() {
  return emu::Laptop::Instance();
}
}  // namespace

std::wstring GetDeviceDriverVersion(stDEVICE_DRIVER_TYPE type) {
  return platform::Utf8ToWide(
      laptop().GetString("drivers.versions." + std::to_string(static_cast<int>(type)), ""));
}

CDeviceDriver::CDeviceDriver() = default;
CDeviceDriver::~CDeviceDriver() = default;

void CDeviceDriver::ScanForHardwareChange() {
  emu::RescanDevices();
}

CNetworkCard::CNetworkCard() = default;
CNetworkCard::~CNetworkCard() = default;

std::wstring CNetworkCard::GetWireLessCardHardID() {
  return platform::Utf8ToWide(laptop().GetString("wifi.hardware_id", ""));
}

std::uint32_t CNetworkCard::GetProblemCode(int cardType) {
  if (cardType != 0 || laptop().GetString("wifi.hardware_id", "").empty())
    return 0xFFFFFFFF;
  return static_cast<std::uint32_t>(laptop().GetInt("wifi.problem_code", 0));
}

std::wstring CNetworkCard::GetDriverVersion(int cardType) {
  if (cardType != 0)
    return L"";
  return platform::Utf8ToWide(laptop().GetString("wifi.driver_version", ""));
}

CNetworkAdapter::CNetworkAdapter() = default;
CNetworkAdapter::~CNetworkAdapter() = default;
int CNetworkAdapter::GetWifiManuType() {
  return static_cast<int>(laptop().GetInt("wifi.manufacturer_type", 0));
}

CBluetooth::CBluetooth() = default;
CBluetooth::~CBluetooth() = default;

std::wstring CBluetooth::GetDeviceName() {
  return platform::Utf8ToWide(laptop().GetString("bluetooth.name", ""));
}

std::wstring CBluetooth::GetHardwareID() {
  return platform::Utf8ToWide(laptop().GetString("bluetooth.hardware_id", ""));
}

std::uint32_t CBluetooth::GetDeviceErrorState() {
  return static_cast<std::uint32_t>(laptop().GetInt("bluetooth.error_state", 0));
}

int CBluetooth::IsInUSBClassEx(std::uint32_t& code) {
  code = static_cast<std::uint32_t>(laptop().GetInt("bluetooth.usb_class_code", 0));
  return static_cast<int>(laptop().GetInt("bluetooth.in_usb_class", 0));
}

int CBluetooth::IsInUnKownClass() {
  return static_cast<int>(laptop().GetInt("bluetooth.in_unknown_class", 0));
}

std::uint32_t CBluetooth::RepairInUSBDriver() {
  const auto result = static_cast<std::uint32_t>(laptop().GetInt("bluetooth.usb_repair_result", 0));
  emu::Transcript::Instance().Write("device", {{"op", "usb_driver_repair"}, {"result", result}});
  laptop().ApplyEffect("bt_usb_repair");
  return result;
}

std::vector<std::wstring> CBluetooth::GetExternalDeviceHardID() {
  std::vector<std::wstring> ids;
  const auto list = laptop().Get("bluetooth.external_devices");
  if (!list.is_array())
    return ids;
  for (const auto& id : list) {
    if (id.is_string())
      ids.push_back(platform::Utf8ToWide(id.get<std::string>()));
  }
  return ids;
}

void CBluetooth::RepairBtByReHard(const std::string& gpioCode, std::uint32_t& status) {
  emu::Transcript::Instance().Write("device", {{"op", "repower"}, {"gpio", gpioCode}});
  laptop().ApplyEffect("gpio_repower");
  status = 0;
}

std::uint32_t CDeviceDriver::GetDeviceDriverErrorCode(const std::wstring& hardwareId,
                                                      stDEVICE_DRIVER_TYPE) {
  const auto codes = laptop().Get("drivers.error_codes");
  const std::string id = DE::UnicodeToUTF8(hardwareId);
  if (!codes.is_object() || !codes.contains(id))
    return 0;
  return static_cast<std::uint32_t>(emu::ParseNumber(codes[id]));
}

std::uint32_t CDeviceDriver::ResetDeviceDriver(const std::wstring& hardwareId,
                                               stDEVICE_DRIVER_TYPE type) {
  const std::string id = DE::UnicodeToUTF8(hardwareId);
  emu::Transcript::Instance().Write(
      "device", {{"op", "reset"}, {"hardware_id", id}, {"type", static_cast<int>(type)}});
  auto codes = laptop().Get("drivers.error_codes");
  if (codes.is_object() && codes.contains(id)) {
    codes.erase(id);
    laptop().Set("drivers.error_codes", codes);
  }
  return 0;
}

CDisk::CDisk() = default;
CDisk::~CDisk() = default;

std::uint32_t CDisk::GetTotalVendorCapacityM(int index) {
  const auto disks = laptop().Get("disks");
  if (!disks.is_array() || index < 0 || static_cast<std::size_t>(index) >= disks.size())
    return 0;
  const auto& disk = disks[static_cast<std::size_t>(index)];
  if (disk.contains("vendor_capacity_mb"))
    return static_cast<std::uint32_t>(emu::ParseNumber(disk["vendor_capacity_mb"]));
  const std::int64_t sectors =
      disk.contains("sectors") ? emu::ParseNumber(disk["sectors"]) : 976773168;
  return static_cast<std::uint32_t>(sectors * 512 / 1000000);
}

CBiosFun::CBiosFun() = default;
CBiosFun::~CBiosFun() = default;

bool CBiosFun::GetBiosSwitch(bool& state, int deviceType) {
  const std::string base = "bios_switches." + std::to_string(deviceType);
  if (!laptop().GetBool(base + ".readable", false))
    return false;
  state = laptop().GetBool(base + ".state", false);
  return true;
}

CWMI::CWMI(const std::wstring& wmiNamespace) : namespace_(wmiNamespace) {}
CWMI::~CWMI() = default;

bool CWMI::GetOutPutUInt(std::uint64_t methodId, std::uint8_t* buffer, std::uint32_t bufferSize) {
  std::string ns = DE::UnicodeToUTF8(namespace_);
  std::transform(ns.begin(), ns.end(), ns.begin(), [](unsigned char c) { return std::toupper(c); });
  if (ns != "ROOT\\WMI" || !buffer)
    return false;
  const std::string base = "wmi_methods." + std::to_string(methodId);
  if (!laptop().GetBool(base + ".ok", false))
    return false;
  const auto bytes = emu::FromHex(laptop().GetString(base + ".output_hex", ""));
  std::memcpy(buffer, bytes.data(), std::min<std::size_t>(bytes.size(), bufferSize));
  return true;
}

namespace ProductAdapt {

MachineType& MachineType::GetInstance() {
  static MachineType instance;
  return instance;
}

int MachineType::GetProductIndex() {
  return static_cast<int>(laptop().GetInt("product.index", 0));
}

ProductFeature& ProductFeature::GetInstance() {
  static ProductFeature instance;
  return instance;
}

namespace {
int Feature(const char* name, bool& supported) {
  supported = laptop().GetBool(std::string("product.features.") + name, false);
  return static_cast<int>(laptop().GetInt(std::string("product.feature_status.") + name, 0));
}
}  // namespace

int ProductFeature::GetWifiGpioStatus(bool& supported) {
  return Feature("wifi_gpio", supported);
}
int ProductFeature::GetWifiBiosRepairStatus(bool& supported) {
  return Feature("wifi_bios_repair", supported);
}
int ProductFeature::GetBtGpioStatus(bool& supported) {
  return Feature("bt_gpio", supported);
}

}  // namespace ProductAdapt

CVexSoftShelf& CVexSoftShelf::GetInstance() {
  static CVexSoftShelf instance;
  return instance;
}

bool CVexSoftShelf::IsSupportPlugin(const std::string& pluginName) {
  const auto list = laptop().Get("product.supported_plugins");
  if (!list.is_array())
    return false;
  return std::any_of(list.begin(), list.end(),
                     [&](const nlohmann::json& v) { return v.is_string() && v == pluginName; });
}

bool CVexSoftShelf::IsSupportProperty(const std::string& name, const std::string& property) {
  const auto list = laptop().Get("product.supported_properties");
  if (!list.is_array())
    return false;
  return std::any_of(list.begin(), list.end(), [&](const nlohmann::json& v) {
    return v.is_array() && v.size() == 2 && v[0] == name && v[1] == property;
  });
}

CWinApp::CWinApp() = default;
CWinApp::~CWinApp() = default;
BOOL CWinApp::InitInstance() {
  return 1;
}
int CWinApp::ExitInstance() {
  return 0;
}

UsbDeviceInterface::UsbDeviceInterface() = default;
UsbDeviceInterface::~UsbDeviceInterface() = default;

platform::WideMap<std::vector<USB_PORT_INFO>> UsbDeviceInterface::GetAllUsbPortDeviceTypeMp() {
  platform::WideMap<std::vector<USB_PORT_INFO>> hubs;
  const auto facts = laptop().Get("usb_hubs");
  if (!facts.is_object())
    return hubs;
  for (auto& [hubId, ports] : facts.items()) {
    auto& list = hubs[platform::Utf8ToWide(hubId)];
    if (!ports.is_array())
      continue;
    for (const auto& port : ports) {
      if (port.is_array() && port.size() == 3) {
        list.push_back({platform::Utf8ToWide(port[0].get<std::string>()),
                        platform::Utf8ToWide(port[1].get<std::string>()),
                        platform::Utf8ToWide(port[2].get<std::string>())});
      }
    }
  }
  return hubs;
}

MonitorDeviceInterface::MonitorDeviceInterface() = default;
MonitorDeviceInterface::~MonitorDeviceInterface() = default;

std::vector<std::uint64_t> MonitorDeviceInterface::GetMonitorAddressList() {
  std::vector<std::uint64_t> addresses;
  const auto facts = laptop().Get("monitors.addresses");
  if (facts.is_array()) {
    for (const auto& address : facts)
      addresses.push_back(static_cast<std::uint64_t>(emu::ParseNumber(address)));
  }
  return addresses;
}
