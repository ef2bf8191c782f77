// A scenario's laptop laid out on the virtual Windows: the facts, then the registry, the C:
// drive and the state of every part that keeps some between runs.
#include <stdexcept>

#include "emu/EventLogService.h"
#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/Processes.h"
#include "emu/StorageTrace.h"
#include "emu/Toolkit.h"
#include "emu/UserInterface.h"
#include "emu/VendorHooks.h"
#include "emu/VirtualDrive.h"
#include "emu/VirtualRegistry.h"

namespace emu {

void ResetSecurityState();  // PlatformFile.cpp

void LoadLaptop(const nlohmann::json& overrides) {
  constexpr auto kPluginDir = FactOf("host.plugin_dir", FactType::Text);
  auto& laptop = Laptop::Instance();
  laptop.Load(overrides);
  Faults::Instance().Reset();
  VirtualRegistry::Instance().Load(laptop.Json(FactOf("registry", FactType::Map)));
  EventLogService::Instance().Reset();
  UserInterface::Reset();
  Toolkit::Reset();
  StorageTrace::Instance().Clear();
  ProcessTable::Instance().Reset();
  ResetSecurityState();

  auto& drive = VirtualDrive::Instance();
  drive.Reset();
  const std::vector<std::uint8_t> placeholder = {'M', 'Z'};
  const std::string realtek = laptop.Text(FactOf("realtek.installed", FactType::Text));
  if (realtek == "windows")
    drive.WriteFile("C:\\Windows\\RtkBTReset.dll", placeholder);
  if (realtek == "plugin_dir") {
    drive.WriteFile(laptop.Text(kPluginDir) + "\\RtkBTReset.dll", placeholder);
  }
  if (laptop.Bool(FactOf("touchpad.installed", FactType::Boolean))) {
    drive.WriteFile(laptop.Text(kPluginDir) + "\\TactraHidAPI.dll", placeholder);
  }
  const auto files = laptop.Json(FactOf("files", FactType::Map));
  if (files.is_object()) {
    for (auto& [path, text] : files.items()) {
      const std::string content = text.is_string() ? text.get<std::string>() : text.dump();
      drive.WriteFile(path, std::vector<std::uint8_t>(content.begin(), content.end()));
    }
  }
  auto links = laptop.Json(FactOf("links", FactType::Map));
  if (!links.is_object())
    links = nlohmann::json::object();
  for (auto& [path, link] : links.items()) {
    const std::string kind = laptop.Text(FactOf("links.*.kind", FactType::Text), {path});
    const std::string to = laptop.Text(FactOf("links.*.to", FactType::Text), {path});
    if (kind != "symbolic" && kind != "hard")
      throw std::invalid_argument("links: \"" + path + "\" is \"symbolic\" or \"hard\"");
    if (!drive.Link(
            path, to,
            kind == "hard" ? VirtualDrive::LinkKind::Hard : VirtualDrive::LinkKind::Symbolic))
      throw std::invalid_argument("links: \"" + path + "\" cannot lead to \"" + to +
                                  "\" (a file or folder laid on C:)");
  }
}

}  // namespace emu
