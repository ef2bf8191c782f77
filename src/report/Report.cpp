#include "report/Report.h"

#include "hostapi/DataReport.h"
#include "hostapi/JsonSdk.h"
#include "hostapi/StringConv.h"

const std::string kDisplayAudioEventId = "624000023";
const std::string kTouchpadErrorEventId = "627003001";
const std::string kTouchpadRateLimitEventId = "627003002";

namespace {
void Send(const std::string& eventId, const std::string& content) {
  tagLogInfo record = EventDataReport::Instance().GetMsg(eventId, content);
  EventDataReport::Instance().SendMsg(record);
}
}  // namespace

std::string PairsToJson(const ReportPairList& pairs) {
  JsonSdk converter;
  return converter.VectorToJson(pairs);
}

void ReportEventPairs(const std::string& eventId, const ReportPairList& pairs) {
  Send(eventId, PairsToJson(pairs));
}

void ReportEventWithDriverVersion(stDEVICE_DRIVER_TYPE deviceType, const std::string& eventId,
                                  const ReportPairList& pairs) {
  const std::string version = DE::UnicodeToUTF8(GetDeviceDriverVersion(deviceType));
  ReportPairList withVersion = pairs;
  withVersion.emplace_back("DriverVersion", version);
  Send(eventId, PairsToJson(withVersion));
}

void ReportBtDriverVersionEvent(const std::string& eventId) {
  ReportEventWithDriverVersion(DEVICE_DRIVER_BLUETOOTH, eventId, {});
}

void ReportDisplayAudioResult(const std::string& key, const std::string& value) {
  Send(kDisplayAudioEventId, PairsToJson({{key, value}}));
}
