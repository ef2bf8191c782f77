#include "emu/Timeline.h"

#include <algorithm>

#include "emu/DeviceTree.h"
#include "emu/EventLogService.h"
#include "emu/Laptop.h"
#include "emu/Toolkit.h"
#include "emu/Transcript.h"
#include "emu/UserInterface.h"
#include "emu/VendorHooks.h"
#include "emu/VirtualDrive.h"
#include "platform/Text.h"

namespace emu {

Timeline::Timeline() : popupClient_(Toolkit::JoinPopupClient()) {
  // The host's pop-up client and the component that restarts Windows are always on the bus.
  RequesterFor(0x30000);
}
Timeline::~Timeline() = default;

Requester& Timeline::RequesterFor(std::uint32_t clientId) {
  auto& slot = requesters_[clientId];
  if (!slot)
    slot = std::make_unique<Requester>(clientId);
  return *slot;
}

void Timeline::OnFactsChanged(std::string prefix, std::function<void()> hook) {
  factHooks_.emplace_back(std::move(prefix), std::move(hook));
}

std::size_t Timeline::RepliesTo(std::uint32_t clientId) const {
  auto it = requesters_.find(clientId);
  return it == requesters_.end() ? 0 : it->second->Answers();
}

EventRecord RecordOf(const nlohmann::json& body, std::int64_t timeMs) {
  EventRecord record;
  record.channel = body.value("channel", "System");
  record.provider = body.value("provider", "");
  record.eventId = static_cast<std::uint32_t>(ParseNumber(body["event_id"]));
  record.timeMs =
      body.contains("minutes_ago") ? timeMs - ParseNumber(body["minutes_ago"]) * 60000 : timeMs;
  record.xml = body.value("xml", "");
  record.renderError = static_cast<std::uint32_t>(
      body.contains("render_error") ? ParseNumber(body["render_error"]) : 0);
  return record;
}

namespace {

// The interface classes by their scenario names, with an interface path such a device has.
struct InterfaceClass {
  const char* name;
  const char* guid;
  const char* path;
};
constexpr InterfaceClass kInterfaceClasses[] = {
    {"bluetooth", "{0850302A-B344-4FDA-9BE9-90576B8D46F0}",
     "\\\\?\\USB#VID_8087&PID_0032#5&1A2B3C4D&0&10#{0850302a-b344-4fda-9be9-90576b8d46f0}"},
    {"network", "{CAC88484-7515-4C03-82E6-71A87ABAC361}",
     "\\\\?\\PCI#VEN_8086&DEV_2725&SUBSYS_00248086#4&2E5F6A7B&0&00E0#{cac88484-7515-4c03-82e6-"
     "71a87abac361}"},
    {"usb", "{A5DCBF10-6530-11D2-901F-00C04FB951ED}",
     "\\\\?\\USB#VID_046D&PID_C52B#6&3B4C5D6E&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"},
    {"monitor", "{E6F07B5F-EE97-4A90-B076-33F57BF4EAA7}",
     "\\\\?\\DISPLAY#DELA0F1#5&7C8D9E0F&0&UID4357#{e6f07b5f-ee97-4a90-b076-33f57bf4eaa7}"},
};

// WM_DEVICECHANGE to the windows registered for the event's class.
// The facts of a monitor that comes or goes with the event: its hardware id joins or leaves
// the monitor class, its address the monitor address list.
void UpdateMonitorFacts(const nlohmann::json& monitor, bool arrival) {
  auto& laptop = Laptop::Instance();
  const auto change = [&](FactRef fact, const nlohmann::json& item) {
    nlohmann::json list = laptop.Json(fact);
    if (!list.is_array())
      list = nlohmann::json::array();
    auto it = std::find(list.begin(), list.end(), item);
    if (arrival && it == list.end())
      list.push_back(item);
    if (!arrival && it != list.end())
      list.erase(it);
    laptop.Put(fact, {}, list);
  };
  if (monitor.contains("hardware_id"))
    change(FactOf("monitors.hardware_ids", FactType::Texts), monitor["hardware_id"]);
  if (monitor.contains("address"))
    change(FactOf("monitors.addresses", FactType::Integers), ParseNumber(monitor["address"]));
}

void BroadcastDeviceEvent(const nlohmann::json& body) {
  if (body.contains("monitor") && body["monitor"].is_object())
    UpdateMonitorFacts(body["monitor"], body.value("event", "") == "arrival");
  std::string guid = body.value("class_guid", "");
  std::string path = body.value("path", "");
  for (const auto& c : kInterfaceClasses) {
    if (body.value("interface", "") == c.name) {
      guid = guid.empty() ? c.guid : guid;
      path = path.empty() ? c.path : path;
    }
  }
  const std::wstring wide = platform::Utf8ToWide(path);
  const platform::WPARAM wParam =
      body.contains("wparam") ? static_cast<platform::WPARAM>(ParseNumber(body["wparam"]))
      : body.value("event", "") == "arrival" ? platform::DBT_DEVICEARRIVAL
                                             : platform::DBT_DEVICEREMOVECOMPLETE;
  const auto headerType = static_cast<std::uint32_t>(body.contains("header_type")
                                                         ? ParseNumber(body["header_type"])
                                                         : platform::DBT_DEVTYP_DEVICEINTERFACE);
  UserInterface::SendDeviceChange(wParam, headerType,
                                  guid.empty() ? platform::Guid{} : ParseGuid(guid),
                                  platform::WideToUtf16(wide));
}

}  // namespace

void Timeline::Apply(const TimelineEntry& entry) {
  Line input = {{"input", entry.kind}};
  for (auto& [key, value] : entry.body.items())
    input[key] = value;
  if (entry.kind == "ipc_request") {
    BusMessage m = RequestMessageOf(entry.body);
    RequesterFor(m.src);
    Transcript::Instance().Write("input", input);
    if (!Bus::Instance().Send(m)) {
      Transcript::Instance().Write("bus",
                                   {{"op", "undeliverable"}, {"dst", m.dst}, {"msg", m.msg}});
    }
  } else if (entry.kind == "broadcast") {
    BusMessage m = RequestMessageOf(entry.body);
    m.dst = 0xFFFFFFFF;
    Transcript::Instance().Write("input", input);
    Bus::Instance().Broadcast(m);
  } else if (entry.kind == "set") {
    Transcript::Instance().Write("input", input);
    for (auto& [path, value] : entry.body.items())
      Laptop::Instance().Set(path, value);
    for (const auto& hook : factHooks_) {
      // (No structured binding: clang 14 cannot capture one in a lambda.)
      const std::string& prefix = hook.first;
      const auto& paths = entry.body.items();
      if (std::any_of(paths.begin(), paths.end(),
                      [&prefix](const auto& item) { return item.key().rfind(prefix, 0) == 0; }))
        hook.second();
    }
  } else if (entry.kind == "event_log") {
    Transcript::Instance().Write("input", input);
    const auto record = RecordOf(entry.body, Laptop::Instance().StartEpochMs() + entry.atMs);
    const std::int64_t count = entry.body.contains("count") ? ParseNumber(entry.body["count"]) : 1;
    for (std::int64_t i = 0; i < count; ++i)
      EventLogService::Instance().Write(record);
  } else if (entry.kind == "vendor_event") {
    Transcript::Instance().Write("input", input);
    const std::string library = entry.body.value("library", "");
    if (!VendorHooks::Instance().Fire(library, entry.body)) {
      Transcript::Instance().Write("vendor", {{"library", library}, {"op", "not_loaded"}});
    }
  } else if (entry.kind == "file") {
    Transcript::Instance().Write("input", input);
    auto& drive = VirtualDrive::Instance();
    const std::string path = entry.body.value("path", "");
    if (entry.body.value("delete", false)) {
      drive.Remove(path);
    } else if (entry.body.contains("link_to")) {
      drive.Link(path, entry.body.value("link_to", ""),
                 entry.body.value("kind", "symbolic") == "hard" ? VirtualDrive::LinkKind::Hard
                                                                : VirtualDrive::LinkKind::Symbolic);
    } else {
      const std::string text = entry.body.value("text", "");
      drive.WriteFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
  } else if (entry.kind == "device_event") {
    Transcript::Instance().Write("input", input);
    BroadcastDeviceEvent(entry.body);
  } else if (entry.kind == "window_message") {
    Transcript::Instance().Write("input", input);
    const auto number = [&](const char* key) {
      return entry.body.contains(key) ? ParseNumber(entry.body[key]) : 0;
    };
    UserInterface::PostFromAnotherProcess(entry.body.value("window", "VirtualWnd_DeviceChanged"),
                                          static_cast<platform::UINT>(number("message")),
                                          static_cast<platform::WPARAM>(number("wparam")),
                                          static_cast<platform::LPARAM>(number("lparam")),
                                          FromHex(entry.body.value("header_hex", "")));
  } else if (entry.kind == "ui") {
    Transcript::Instance().Write("input", input);
    Toolkit::Act(entry.body);
  } else {
    Transcript::Instance().Write("input", input);
  }
}

}  // namespace emu
