#pragma once
// Lays the laptop's device function switch file onto its C: drive, sealed as the plug-in
// expects it. The scenario gives it as "config" (sections of keys and values), as
// "config_xml" (plain XML text) or as "config_file_hex" (the stored bytes, for damaged files).
#include <string>

#include <nlohmann/json.hpp>

namespace fdhost {

// The XML text of {"section": {"key": "value"}} under a "config" element.
std::string ConfigXml(const nlohmann::json& sections);

// Writes the file where "config_folder" says (beside the host executable by default), after
// removing one laid before; nothing more when the laptop has no configuration.
void InstallConfigFile();

}  // namespace fdhost
