#include "fdhost/ConfigFile.h"

#include "config/ConfigCipher.h"
#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "emu/VirtualDrive.h"

namespace fdhost {

std::string ConfigXml(const nlohmann::json& sections) {
  auto escape = [](const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '<')
        out += "&lt;";
      else if (c == '>')
        out += "&gt;";
      else if (c == '&')
        out += "&amp;";
      else
        out += c;
    }
    return out;
  };
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<config>\n";
  for (auto& [section, keys] : sections.items()) {
    xml += "  <" + section + ">\n";
    if (keys.is_object()) {
      for (auto& [key, value] : keys.items()) {
        const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
        xml += "    <" + key + ">" + escape(text) + "</" + key + ">\n";
      }
    }
    xml += "  </" + section + ">\n";
  }
  return xml + "</config>\n";
}

void InstallConfigFile() {
  auto& laptop = emu::Laptop::Instance();
  std::vector<std::uint8_t> stored;
  constexpr auto kFileHex = emu::FactOf("config_file_hex", emu::FactType::Hex);
  constexpr auto kXml = emu::FactOf("config_xml", emu::FactType::Text);
  constexpr auto kSections = emu::FactOf("config", emu::FactType::Map);
  if (laptop.Json(kFileHex).is_string()) {
    stored = emu::FromHex(laptop.Text(kFileHex));
  } else if (laptop.Json(kXml).is_string()) {
    stored = config::SealConfigText(laptop.Text(kXml));
  } else if (const auto sections = laptop.Json(kSections); sections.is_object()) {
    stored = config::SealConfigText(ConfigXml(sections));
  }
  constexpr char kRelative[] = "\\config\\DeviceFuncSwitchConf.xml";
  const std::string hostPath =
      emu::VirtualDrive::Folder(laptop.Text(emu::FactOf("host.executable", emu::FactType::Text))) +
      kRelative;
  const std::string pluginPath =
      laptop.Text(emu::FactOf("host.plugin_dir", emu::FactType::Text)) + kRelative;
  const bool besidePlugin =
      laptop.Text(emu::FactOf("config_folder", emu::FactType::Text)) == "plugin_dir";
  // A file laid earlier in the run goes first: the facts say where it lies now, if anywhere.
  auto& drive = emu::VirtualDrive::Instance();
  drive.Remove(hostPath);
  drive.Remove(pluginPath);
  if (!stored.empty())
    drive.WriteFile(besidePlugin ? pluginPath : hostPath, stored);
}

}  // namespace fdhost
