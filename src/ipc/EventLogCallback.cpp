#include "ipc/EventLogCallback.h"

#include <rapidxml/rapidxml.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include "DeviceMonitor/DeviceDriverErrorDetectEx.h"
#include "common/CallbackGate.h"
#include "hostapi/StringConv.h"
#include "ipc/DiskEventMonitor.h"
#include "platform/LastError.h"

namespace ipc {

namespace {
bool ContainsNoCase(const std::string& text, const std::string& part) {
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  return std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end();
}
}  // namespace

DWORD EventLogCallback(platform::EVT_SUBSCRIBE_NOTIFY_ACTION action, void*,
                       platform::EVT_HANDLE event) {
  gate::Entry entry;
  if (!entry || action != platform::EvtSubscribeActionDeliver)
    return platform::GetLastError();
  DWORD used = 0;
  if (platform::EvtRender(event, platform::EvtRenderEventXml, 0, nullptr, &used) ||
      platform::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return platform::GetLastError();
  }
  std::vector<wchar_t> xml(used / sizeof(wchar_t) + 1, L'\0');
  if (!platform::EvtRender(event, platform::EvtRenderEventXml, used, xml.data(), &used)) {
    return platform::GetLastError();
  }
  std::string text = DE::UnicodeToUTF8(xml.data());
  std::vector<char> buffer(text.begin(), text.end());
  buffer.push_back('\0');
  rapidxml::xml_document<> doc;
  try {
    doc.parse<0>(buffer.data());
  } catch (const rapidxml::parse_error&) {
    return platform::GetLastError();  // a record that does not parse is skipped
  }
  const auto* root = doc.first_node();
  const auto* system = root ? root->first_node("System") : nullptr;
  const auto* provider = system ? system->first_node("Provider") : nullptr;
  const auto* name = provider ? provider->first_attribute("Name") : nullptr;
  if (!name)
    return platform::GetLastError();
  const std::string providerName(name->value(), name->value_size());
  if (ContainsNoCase(providerName, "Disk") || ContainsNoCase(providerName, "volmgr")) {
    diskmonitor::CountEvent(system);
  } else if (ContainsNoCase(providerName, "BTHUSB")) {
    DeviceDriverErrorDetectEx::OnBthUsbEvent(root);
  }
  return platform::GetLastError();
}

}  // namespace ipc
