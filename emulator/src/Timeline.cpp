#include "emu/Timeline.h"

#include <atomic>

#include "emu/EventLogService.h"
#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "emu/VendorHooks.h"

namespace emu {

// A client of the host's side that sent requests; it takes the answers off the bus.
class Timeline::Requester : public BusEndpoint {
 public:
  explicit Requester(std::uint32_t id) { Bus::Instance().Join(id, this); }
  ~Requester() override { Bus::Instance().Leave(this); }
  void Deliver(BusMessage) override { replies_.fetch_add(1); }
  std::size_t Replies() const { return replies_.load(); }

 private:
  std::atomic<std::size_t> replies_{0};
};

Timeline::Timeline() = default;
Timeline::~Timeline() = default;

Timeline::Requester& Timeline::RequesterFor(std::uint32_t clientId) {
  auto& slot = requesters_[clientId];
  if (!slot)
    slot = std::make_unique<Requester>(clientId);
  return *slot;
}

std::size_t Timeline::RepliesTo(std::uint32_t clientId) const {
  auto it = requesters_.find(clientId);
  return it == requesters_.end() ? 0 : it->second->Replies();
}

namespace {

BusMessage MessageOf(const nlohmann::json& body) {
  BusMessage m;
  m.msg = static_cast<std::uint32_t>(ParseNumber(body["msg"]));
  if (body.contains("src"))
    m.src = static_cast<std::uint32_t>(ParseNumber(body["src"]));
  if (body.contains("reply"))
    m.reply = static_cast<std::uint32_t>(ParseNumber(body["reply"]));
  m.dst = body.contains("dst") ? static_cast<std::uint32_t>(ParseNumber(body["dst"])) : 0x380000;
  const std::string hex = body.value("payload_hex", "");
  m.payload = FromHex(hex);
  m.hasPayload = !m.payload.empty();  // an empty payload arrives as a null pointer
  return m;
}

}  // namespace

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

void Timeline::Apply(const TimelineEntry& entry) {
  Line input = {{"input", entry.kind}};
  for (auto& [key, value] : entry.body.items())
    input[key] = value;
  if (entry.kind == "ipc_request") {
    BusMessage m = MessageOf(entry.body);
    RequesterFor(m.src);
    Transcript::Instance().Write("input", input);
    if (!Bus::Instance().Send(m)) {
      Transcript::Instance().Write("bus",
                                   {{"op", "undeliverable"}, {"dst", m.dst}, {"msg", m.msg}});
    }
  } else if (entry.kind == "broadcast") {
    BusMessage m = MessageOf(entry.body);
    m.dst = 0xFFFFFFFF;
    Transcript::Instance().Write("input", input);
    Bus::Instance().Broadcast(m);
  } else if (entry.kind == "set") {
    Transcript::Instance().Write("input", input);
    for (auto& [path, value] : entry.body.items())
      Laptop::Instance().Set(path, value);
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
  } else {
    // Device notifications reach the plug-in once it listens for them.
    Transcript::Instance().Write("input", input);
  }
}

}  // namespace emu
