#pragma once
// The host's way to the plug-in object: the plug-in manager and the plug-in loaded as modules,
// the object created by class id and asked for IVexPlugin; and the host's transcript lines.
// Both runners use them.
#include <cstdint>
#include <string>

#include "emu/Transcript.h"
#include "hostapi/X3Object.h"
#include "platform/WinTypes.h"

namespace fdhost {

// hash = hash * 33 + signed byte: the interface id the host asks the creator for.
std::uint32_t InterfaceIdOf(const char* interfaceName);

struct LoadedPlugin {
  HMODULE manager = nullptr;
  HMODULE plugin = nullptr;
  x3::IObject* object = nullptr;  // an IVexPlugin, owned by the caller
  std::string error;              // why there is no object
};

// A "host" line of the transcript: what the host did (op) and its details.
void NoteHost(const std::string& op, emu::Line extra = emu::Line::object());

// LoadLibrary of "PluginsManager.dll" and "DeviceFaultDetectPlugin.dll", then
// x3CreateObjectByClassId of the plug-in's class.
LoadedPlugin LoadPlugin();

}  // namespace fdhost
