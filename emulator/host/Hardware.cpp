// The hardware support library's answers, read from the virtual laptop.
#include <algorithm>
#include <cstring>

#include "emu/DeviceTree.h"
#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "hostapi/HardwareSdk.h"
#include "hostapi/ProductAdapt.h"
#include "hostapi/StringConv.h"
#include "hostapi/VexSoftShelf.h"
#include "hostapi/WinApp.h"
#include "platform/Text.h"

namespace {
using emu::FactOf;
using emu::FactType;
constexpr auto kDriverVersion = FactOf("drivers.versions.*", FactType::Text);
constexpr auto kDriverErrorCodes = FactOf("drivers.error_codes", FactType::Map);
constexpr auto kDriverErrorCode = FactOf("drivers.error_codes.*", FactType::Integer);
constexpr auto kWifiHardwareId = FactOf("wifi.hardware_id", FactType::Text);
constexpr auto kWifiProblemCode = FactOf("wifi.problem_code", FactType::Integer);
constexpr auto kWifiDriverVersion = FactOf("wifi.driver_version", FactType::Text);
constexpr auto kWifiManufacturer = FactOf("wifi.manufacturer_type", FactType::Integer);
constexpr auto kBtName = FactOf("bluetooth.name", FactType::Text);
constexpr auto kBtHardwareId = FactOf("bluetooth.hardware_id", FactType::Text);
constexpr auto kBtErrorState = FactOf("bluetooth.error_state", FactType::Integer);
constexpr auto kBtUsbClassCode = FactOf("bluetooth.usb_class_code", FactType::Integer);
constexpr auto kBtInUsbClass = FactOf("bluetooth.in_usb_class", FactType::Integer);
constexpr auto kBtInUnknownClass = FactOf("bluetooth.in_unknown_class", FactType::Integer);
constexpr auto kBtUsbRepairResult = FactOf("bluetooth.usb_repair_result", FactType::Integer);
constexpr auto kBtExternalDevices = FactOf("bluetooth.external_devices", FactType::Texts);
constexpr auto kDisks = FactOf("disks", FactType::List);
constexpr auto kDiskVendorCapacity = FactOf("disks.*.vendor_capacity_mb", FactType::Integer);
constexpr auto kDiskSectors = FactOf("disks.*.sectors", FactType::Integer);
constexpr auto kBiosSwitchReadable = FactOf("bios_switches.*.readable", FactType::Boolean);
constexpr auto kBiosSwitchState = FactOf("bios_switches.*.state", FactType::Boolean);
constexpr auto kWmiMethodOk = FactOf("wmi_methods.*.ok", FactType::Boolean);
constexpr auto kWmiMethodOutput = FactOf("wmi_methods.*.output_hex", FactType::Hex);
constexpr auto kProductIndex = FactOf("product.index", FactType::Integer);
constexpr auto kWifiGpio = FactOf("product.features.wifi_gpio", FactType::Boolean);
constexpr auto kWifiGpioStatus = FactOf("product.feature_status.wifi_gpio", FactType::Integer);
constexpr auto kWifiBiosRepair = FactOf("product.features.wifi_bios_repair", FactType::Boolean);
constexpr auto kWifiBiosRepairStatus =
    FactOf("product.feature_status.wifi_bios_repair", FactType::Integer);
constexpr auto kBtGpio = FactOf("product.features.bt_gpio", FactType::Boolean);
constexpr auto kBtGpioStatus = FactOf("product.feature_status.bt_gpio", FactType::Integer);
constexpr auto kSupportedPlugins = FactOf("product.supported_plugins", FactType::Texts);
constexpr auto kSupportedProperties = FactOf("product.supported_properties", FactType::List);
constexpr auto kUsbHubs = FactOf("usb_hubs", FactType::Map);
constexpr auto kMonitorAddresses = FactOf("monitors.addresses", FactType::Integers);

emu::Laptop& laptop() {
  return emu::Laptop::Instance();
}
}  // namespace

std::wstring GetDeviceDriverVersion(stDEVICE_DRIVER_TYPE type) {
  return platform::Utf8ToWide(
      laptop().Text(kDriverVersion, {std::to_string(static_cast<int>(type))}));
}

CDeviceDriver::CDeviceDriver() = default;
CDeviceDriver::~CDeviceDriver() = default;

void CDeviceDriver::ScanForHardwareChange() {
  emu::RescanDevices();
}

CNetworkCard::CNetworkCard() = default;
CNetworkCard::~CNetworkCard() = default;

std::wstring CNetworkCard::GetWireLessCardHardID() {
  return platform::Utf8ToWide(laptop().Text(kWifiHardwareId));
}

std::uint32_t CNetworkCard::GetProblemCode(int cardType) {
  if (cardType != 0 || laptop().Text(kWifiHardwareId).empty())
    return 0xFFFFFFFF;
  return static_cast<std::uint32_t>(laptop().Int(kWifiProblemCode));
}

std::wstring CNetworkCard::GetDriverVersion(int cardType) {
  if (cardType != 0)
    return L"";
  return platform::Utf8ToWide(laptop().Text(kWifiDriverVersion));
}

CNetworkAdapter::CNetworkAdapter() = default;
CNetworkAdapter::~CNetworkAdapter() = default;
int CNetworkAdapter::GetWifiManuType() {
  return static_cast<int>(laptop().Int(kWifiManufacturer));
}

CBluetooth::CBluetooth() = default;
CBluetooth::~CBluetooth() = default;

std::wstring CBluetooth::GetDeviceName() {
  return platform::Utf8ToWide(laptop().Text(kBtName));
}

std::wstring CBluetooth::GetHardwareID() {
  return platform::Utf8ToWide(laptop().Text(kBtHardwareId));
}

std::uint32_t CBluetooth::GetDeviceErrorState() {
  return static_cast<std::uint32_t>(laptop().Int(kBtErrorState));
}

int CBluetooth::IsInUSBClassEx(std::uint32_t& code) {
  code = static_cast<std::uint32_t>(laptop().Int(kBtUsbClassCode));
  return static_cast<int>(laptop().Int(kBtInUsbClass));
}

int CBluetooth::IsInUnKownClass() {
  return static_cast<int>(laptop().Int(kBtInUnknownClass));
}

std::uint32_t CBluetooth::RepairInUSBDriver() {
  const auto result = static_cast<std::uint32_t>(laptop().Int(kBtUsbRepairResult));
  emu::Transcript::Instance().Write("device", {{"op", "usb_driver_repair"}, {"result", result}});
  laptop().ApplyEffect("bt_usb_repair");
  return result;
}

std::vector<std::wstring> CBluetooth::GetExternalDeviceHardID() {
  std::vector<std::wstring> ids;
  const auto list = laptop().Json(kBtExternalDevices);
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
  return static_cast<std::uint32_t>(
      laptop().Int(kDriverErrorCode, {DE::UnicodeToUTF8(hardwareId)}));
}

std::uint32_t CDeviceDriver::ResetDeviceDriver(const std::wstring& hardwareId,
                                               stDEVICE_DRIVER_TYPE type) {
  const std::string id = DE::UnicodeToUTF8(hardwareId);
  emu::Transcript::Instance().Write(
      "device", {{"op", "reset"}, {"hardware_id", id}, {"type", static_cast<int>(type)}});
  auto codes = laptop().Json(kDriverErrorCodes);
  if (codes.is_object() && codes.contains(id)) {
    codes.erase(id);
    laptop().Put(kDriverErrorCodes, {}, codes);
  }
  return 0;
}

CDisk::CDisk() = default;
CDisk::~CDisk() = default;

std::uint32_t CDisk::GetTotalVendorCapacityM(int index) {
  const std::string entry = std::to_string(index);
  if (index < 0 || static_cast<std::size_t>(index) >= laptop().Json(kDisks).size())
    return 0;
  if (const auto capacity = laptop().Json(kDiskVendorCapacity, {entry}); !capacity.is_null())
    return static_cast<std::uint32_t>(emu::ParseNumber(capacity));
  return static_cast<std::uint32_t>(laptop().Int(kDiskSectors, {entry}) * 512 / 1000000);
}

CBiosFun::CBiosFun() = default;
CBiosFun::~CBiosFun() = default;

bool CBiosFun::GetBiosSwitch(bool& state, int deviceType) {
  const std::string type = std::to_string(deviceType);
  if (emu::InjectedFault(emu::FaultOf("GetBiosSwitch"), type))
    return false;
  if (!laptop().Bool(kBiosSwitchReadable, {type}))
    return false;
  state = laptop().Bool(kBiosSwitchState, {type});
  return true;
}

CWMI::CWMI(const std::wstring& wmiNamespace) : namespace_(wmiNamespace) {}
CWMI::~CWMI() = default;

bool CWMI::GetOutPutUInt(std::uint64_t methodId, std::uint8_t* buffer, std::uint32_t bufferSize) {
  if (emu::InjectedFault(emu::FaultOf("GetOutPutUInt"),
                         [methodId] { return std::to_string(methodId); }))
    return false;
  std::string ns = DE::UnicodeToUTF8(namespace_);
  std::transform(ns.begin(), ns.end(), ns.begin(), [](unsigned char c) { return std::toupper(c); });
  if (ns != "ROOT\\WMI" || !buffer)
    return false;
  const std::string method = std::to_string(methodId);
  if (!laptop().Bool(kWmiMethodOk, {method}))
    return false;
  const auto bytes = emu::FromHex(laptop().Text(kWmiMethodOutput, {method}));
  if (!bytes.empty())  // an empty output has no data to copy from
    std::memcpy(buffer, bytes.data(), std::min<std::size_t>(bytes.size(), bufferSize));
  return true;
}

namespace ProductAdapt {

MachineType& MachineType::GetInstance() {
  static MachineType instance;
  return instance;
}

int MachineType::GetProductIndex() {
  return static_cast<int>(laptop().Int(kProductIndex));
}

ProductFeature& ProductFeature::GetInstance() {
  static ProductFeature instance;
  return instance;
}

namespace {
int Feature(emu::FactRef feature, emu::FactRef status, bool& supported) {
  supported = laptop().Bool(feature);
  return static_cast<int>(laptop().Int(status));
}
}  // namespace

int ProductFeature::GetWifiGpioStatus(bool& supported) {
  return Feature(kWifiGpio, kWifiGpioStatus, supported);
}
int ProductFeature::GetWifiBiosRepairStatus(bool& supported) {
  return Feature(kWifiBiosRepair, kWifiBiosRepairStatus, supported);
}
int ProductFeature::GetBtGpioStatus(bool& supported) {
  return Feature(kBtGpio, kBtGpioStatus, supported);
}

}  // namespace ProductAdapt

CVexSoftShelf& CVexSoftShelf::GetInstance() {
  static CVexSoftShelf instance;
  return instance;
}

bool CVexSoftShelf::IsSupportPlugin(const std::string& pluginName) {
  const auto list = laptop().Json(kSupportedPlugins);
  if (!list.is_array())
    return false;
  return std::any_of(list.begin(), list.end(),
                     [&](const nlohmann::json& v) { return v.is_string() && v == pluginName; });
}

bool CVexSoftShelf::IsSupportProperty(const std::string& name, const std::string& property) {
  const auto list = laptop().Json(kSupportedProperties);
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
  const auto facts = laptop().Json(kUsbHubs);
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
  const auto facts = laptop().Json(kMonitorAddresses);
  if (facts.is_array()) {
    for (const auto& address : facts)
      addresses.push_back(static_cast<std::uint64_t>(emu::ParseNumber(address)));
  }
  return addresses;
}
