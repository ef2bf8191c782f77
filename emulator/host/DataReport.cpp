// The data-report service and the JSON converter: every sent event becomes a report line.
#include "hostapi/DataReport.h"

#include <nlohmann/json.hpp>

#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/Transcript.h"
#include "hostapi/JsonSdk.h"
#include "platform/Clock.h"

EventDataReport& EventDataReport::Instance() {
  static EventDataReport* instance = new EventDataReport();
  return *instance;
}

tagLogInfo EventDataReport::GetMsg(const std::string& eventId, const std::string& content) {
  tagLogInfo record;
  record.strEventId = eventId;
  record.strContent = content;
  record.strProduct =
      emu::Laptop::Instance().Text(emu::FactOf("product.name", emu::FactType::Text));
  record.strTime = std::to_string(platform::GetSystemTimeMs());
  return record;
}

bool EventDataReport::SendMsg(tagLogInfo& record) {
  if (emu::InjectedFault(emu::FaultOf("SendMsg"), [&record] { return record.strEventId; }))
    return false;
  nlohmann::ordered_json fields = nlohmann::ordered_json::object();
  for (const auto& [number, text] : record.mapExtra)
    fields[std::to_string(number)] = text;
  emu::Transcript::Instance().Write(
      "report", {{"event", record.strEventId}, {"content", record.strContent}, {"fields", fields}});
  return true;
}

JsonSdk::JsonSdk() = default;
JsonSdk::~JsonSdk() = default;

std::string JsonSdk::VectorToJson(const std::vector<std::pair<std::string, std::string>>& pairs) {
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  for (const auto& [key, value] : pairs)
    object[key] = value;
  // Text that is not UTF-8 is carried with replacement characters rather than lost.
  return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
