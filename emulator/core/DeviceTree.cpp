#include "emu/DeviceTree.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "emu/Laptop.h"
#include "emu/Transcript.h"

namespace emu {

namespace {

constexpr std::uint32_t kNoSuchDevice = 0xE000020B;  // ERROR_NO_SUCH_DEVINST
constexpr auto kDevices = FactOf("devices", FactType::List);
constexpr auto kDevicePresent = FactOf("devices.*.present", FactType::Boolean);
constexpr auto kDeviceUninstalled = FactOf("devices.*.uninstalled", FactType::Boolean);

std::string Upper(std::string text) {
  for (auto& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::vector<std::string> Texts(const nlohmann::json& list) {
  std::vector<std::string> out;
  if (list.is_array()) {
    for (const auto& item : list) {
      if (item.is_string())
        out.push_back(item.get<std::string>());
    }
  }
  return out;
}

}  // namespace

std::string GuidText(const platform::Guid& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1,
                g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                g.data4[5], g.data4[6], g.data4[7]);
  return buf;
}

platform::Guid ParseGuid(const std::string& text) {
  platform::Guid g{};
  unsigned a = 0, b = 0, c = 0, d[8] = {};
  int used = 0;
  if (text.size() != 38 ||
      std::sscanf(text.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}%n", &a, &b, &c, &d[0],
                  &d[1], &d[2], &d[3], &d[4], &d[5], &d[6], &d[7], &used) != 11 ||
      used != 38) {
    throw std::invalid_argument("\"" + text + "\" is not a GUID like {0850302A-B344-...}");
  }
  g.data1 = a;
  g.data2 = static_cast<std::uint16_t>(b);
  g.data3 = static_cast<std::uint16_t>(c);
  for (int i = 0; i < 8; ++i)
    g.data4[i] = static_cast<std::uint8_t>(d[i]);
  return g;
}

std::vector<TreeDevice> DeviceTree() {
  auto& laptop = Laptop::Instance();
  std::vector<TreeDevice> tree;
  const std::string wifi = laptop.Text(FactOf("wifi.hardware_id", FactType::Text));
  if (!wifi.empty())
    tree.push_back({"{4D36E972-E325-11CE-BFC1-08002BE10318}", {wifi}});
  const std::string bt = laptop.Text(FactOf("bluetooth.hardware_id", FactType::Text));
  if (!bt.empty())
    tree.push_back({"{E0CBF06C-CD8B-4647-BB8A-263B43F0F974}", {bt}});
  for (const auto& monitor : Texts(laptop.Json(FactOf("monitors.hardware_ids", FactType::Texts))))
    tree.push_back({kMonitorClass, {monitor}});
  const auto listed = laptop.Json(kDevices);
  if (!listed.is_array())
    return tree;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    const auto& d = listed[i];
    if (!d.is_object() || !d.value("present", true))
      continue;
    TreeDevice device;
    device.classGuid = Upper(d.value("class", ""));
    device.hardwareIds = Texts(d.value("hardware_ids", nlohmann::json::array()));
    device.readError = static_cast<std::uint32_t>(ParseNumber(d.value("read_error", 0)));
    device.softComponents = Texts(d.value("soft_components", nlohmann::json::array()));
    device.uninstallResult =
        static_cast<std::uint32_t>(ParseNumber(d.value("uninstall_result", 0)));
    device.listIndex = static_cast<int>(i);
    tree.push_back(std::move(device));
  }
  return tree;
}

std::uint32_t UninstallDevice(const std::string& hardwareId, const std::string& classGuid) {
  const std::string id = Upper(hardwareId);
  for (const auto& device : DeviceTree()) {
    const bool named = std::any_of(device.hardwareIds.begin(), device.hardwareIds.end(),
                                   [&](const std::string& h) { return Upper(h) == id; });
    if (device.classGuid != Upper(classGuid) || !named)
      continue;
    Transcript::Instance().Write(
        "device",
        {{"op", "uninstall"}, {"hardware_id", hardwareId}, {"result", device.uninstallResult}});
    if (device.listIndex >= 0) {
      const std::string index = std::to_string(device.listIndex);
      Laptop::Instance().Put(kDevicePresent, {index}, false);
      Laptop::Instance().Put(kDeviceUninstalled, {index}, true);
    }
    Laptop::Instance().ApplyEffect("uninstall:" + hardwareId);
    return device.uninstallResult;
  }
  Transcript::Instance().Write(
      "device", {{"op", "uninstall"}, {"hardware_id", hardwareId}, {"result", kNoSuchDevice}});
  return kNoSuchDevice;
}

void RescanDevices() {
  auto& laptop = Laptop::Instance();
  Transcript::Instance().Write("device", {{"op", "rescan"}});
  const auto listed = laptop.Json(kDevices);
  for (std::size_t i = 0; listed.is_array() && i < listed.size(); ++i) {
    if (!listed[i].is_object() || !listed[i].value("uninstalled", false))
      continue;
    const std::string index = std::to_string(i);
    laptop.Put(kDevicePresent, {index}, true);
    laptop.Put(kDeviceUninstalled, {index}, false);
  }
  laptop.ApplyEffect("rescan");
}

}  // namespace emu
