#include "emu/Laptop.h"

#include <stdexcept>

namespace emu {

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot == std::string::npos ? dot : dot - start));
    if (dot == std::string::npos)
      break;
    start = dot + 1;
  }
  return parts;
}

// A path part that indexes a list: all digits, within the list.
bool IsIndexInto(const nlohmann::json& node, const std::string& part, std::size_t& index) {
  if (!node.is_array() || part.empty() ||
      part.find_first_not_of("0123456789") != std::string::npos || part.size() > 9)
    return false;
  index = static_cast<std::size_t>(std::stoul(part));
  return index < node.size();
}

}  // namespace

Laptop& Laptop::Instance() {
  static Laptop* instance = new Laptop();
  return *instance;
}

Laptop::Laptop() : state_(Defaults()) {}

nlohmann::json Laptop::Defaults() {
  return nlohmann::json::parse(R"json({
    "product": {
      "index": 1,
      "name": "Velmora Book 14",
      "supported_plugins": [],
      "supported_properties": [],
      "features": { "wifi_gpio": false, "wifi_bios_repair": false, "bt_gpio": false },
      "feature_status": { "wifi_gpio": 0, "wifi_bios_repair": 0, "bt_gpio": 0 }
    },
    "drivers": {
      "versions": { "0": "22.200.0.6", "1": "22.200.0.4", "9": "10.0.22621.2506",
                    "13": "10.0.22621.1" },
      "error_codes": {}
    },
    "bios_switches": {
      "0": { "readable": true, "state": true },
      "1": { "readable": true, "state": true }
    },
    "wmi_methods": { "1540": { "ok": true, "output_hex": "0001" } },
    "boot_tick_ms": 60000,
    "host": {
      "executable": "C:\\Program Files\\Velmora\\Service\\VelmoraService.exe",
      "plugin_dir": "C:\\Program Files\\Velmora\\Service"
    },
    "wifi": {
      "hardware_id": "PCI\\VEN_8086&DEV_2725&SUBSYS_00248086",
      "problem_code": 0,
      "manufacturer_type": 2,
      "driver_version": "22.200.0.6"
    },
    "monitors": { "addresses": [4357], "hardware_ids": ["MONITOR\\BOE0A1B"] },
    "usb_hubs": {},
    "bluetooth": {
      "name": "Intel(R) Wireless Bluetooth(R)",
      "hardware_id": "USB\\VID_8087&PID_0032",
      "error_state": 0,
      "in_usb_class": 0,
      "usb_class_code": 0,
      "in_unknown_class": 0,
      "usb_repair_result": 0,
      "external_devices": []
    },
    "devices": [],
    "registry": {},
    "privileges": { "open_token_error": 0, "lookup_error": 0, "adjust_error": 0 },
    "firmware": { "write_error": 0 },
    "realtek": { "installed": "none" },
    "touchpad": { "installed": true, "firmware": "3.1.0.18" },
    "screen": { "width": 1920, "height": 1080, "scale_percent": 100, "direction": "ltr" },
    "services": { "Winmgmt": { "state": "running" } },
    "disks": [],
    "volumes": {},
    "controllers": { "ide": [], "scsi": [], "usb": [] },
    "effects": {}
  })json");
}

void Laptop::Load(const nlohmann::json& overrides) {
  nlohmann::json state = Defaults();
  if (!overrides.is_null())
    state.merge_patch(overrides);
  std::lock_guard lock(mu_);
  state_ = std::move(state);
  ++revision_;
}

std::uint64_t Laptop::Revision() const {
  std::lock_guard lock(mu_);
  return revision_;
}

nlohmann::json Laptop::State() const {
  std::lock_guard lock(mu_);
  return state_;
}

nlohmann::json Laptop::Get(const std::string& path) const {
  std::lock_guard lock(mu_);
  const nlohmann::json* node = &state_;
  for (const auto& part : SplitPath(path)) {
    if (std::size_t index = 0; IsIndexInto(*node, part, index)) {
      node = &(*node)[index];
      continue;
    }
    if (!node->is_object())
      return nullptr;
    auto it = node->find(part);
    if (it == node->end())
      return nullptr;
    node = &*it;
  }
  return *node;
}

void Laptop::Set(const std::string& path, nlohmann::json value) {
  std::lock_guard lock(mu_);
  nlohmann::json* node = &state_;
  for (const auto& part : SplitPath(path)) {
    if (std::size_t index = 0; IsIndexInto(*node, part, index)) {
      node = &(*node)[index];
      continue;
    }
    if (!node->is_object())
      *node = nlohmann::json::object();
    node = &(*node)[part];
  }
  *node = std::move(value);
  ++revision_;
}

std::int64_t Laptop::GetInt(const std::string& path, std::int64_t fallback) const {
  const nlohmann::json value = Get(path);
  if (value.is_null())
    return fallback;
  return ParseNumber(value);
}

bool Laptop::GetBool(const std::string& path, bool fallback) const {
  const nlohmann::json value = Get(path);
  if (value.is_boolean())
    return value.get<bool>();
  if (value.is_number_integer())
    return value.get<std::int64_t>() != 0;
  return fallback;
}

std::string Laptop::GetString(const std::string& path, const std::string& fallback) const {
  const nlohmann::json value = Get(path);
  return value.is_string() ? value.get<std::string>() : fallback;
}

bool Laptop::ApplyEffect(const std::string& action) {
  nlohmann::json changes;
  {
    std::lock_guard lock(mu_);
    auto effects = state_.find("effects");
    if (effects == state_.end() || !effects->is_object())
      return false;
    auto it = effects->find(action);
    if (it == effects->end() || !it->is_object())
      return false;
    changes = *it;
  }
  for (auto& [path, value] : changes.items())
    Set(path, value);
  return true;
}

std::int64_t Laptop::NextResult(const std::string& path, std::int64_t fallback) {
  nlohmann::json list = Get(path);
  if (!list.is_array())
    return list.is_null() ? fallback : ParseNumber(list);
  if (list.empty())
    return fallback;
  const std::int64_t value = ParseNumber(list.front());
  if (list.size() > 1) {
    list.erase(list.begin());
    Set(path, list);
  }
  return value;
}

std::int64_t Laptop::StartEpochMs() const {
  std::lock_guard lock(mu_);
  return startEpochMs_;
}

void Laptop::SetStartEpochMs(std::int64_t ms) {
  std::lock_guard lock(mu_);
  startEpochMs_ = ms;
}

std::int64_t ParseNumber(const nlohmann::json& value) {
  if (value.is_number_integer())
    return value.get<std::int64_t>();
  if (value.is_boolean())
    return value.get<bool>() ? 1 : 0;
  if (value.is_string()) {
    const std::string text = value.get<std::string>();
    std::size_t used = 0;
    try {
      const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
      const long long parsed = std::stoll(hex ? text.substr(2) : text, &used, hex ? 16 : 10);
      if (used == text.size() - (hex ? 2 : 0))
        return parsed;
    } catch (const std::exception&) {
    }
    throw std::invalid_argument("not a number: \"" + text + "\"");
  }
  throw std::invalid_argument("not a number: " + value.dump());
}

}  // namespace emu
