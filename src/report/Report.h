#pragma once
// Event data reports: an event id (nine decimal digits) and a JSON content made from an
// ordered list of key/value pairs, sent to the host's data-report service.
#include <string>
#include <utility>
#include <vector>

#include "hostapi/HardwareSdk.h"

using ReportPairList = std::vector<std::pair<std::string, std::string>>;

// Module-wide event ids used by more than one call site.
extern const std::string kDisplayAudioEventId;       // "624000023"
extern const std::string kTouchpadErrorEventId;      // "627003001"
extern const std::string kTouchpadRateLimitEventId;  // "627003002"

// The JSON text of the pairs, in list order.
std::string PairsToJson(const ReportPairList& pairs);

// Sends the pairs as they are.
void ReportEventPairs(const std::string& eventId, const ReportPairList& pairs);

// Sends a copy of the pairs with ("DriverVersion", driver version of the type) appended last.
void ReportEventWithDriverVersion(stDEVICE_DRIVER_TYPE deviceType, const std::string& eventId,
                                  const ReportPairList& pairs);

// The Wi-Fi and Bluetooth checks' reports: the pairs and that type's driver version.
inline void ReportWifiEvent(const std::string& eventId, const ReportPairList& pairs) {
  ReportEventWithDriverVersion(DEVICE_DRIVER_WIFI, eventId, pairs);
}
inline void ReportBluetoothEvent(const std::string& eventId, const ReportPairList& pairs) {
  ReportEventWithDriverVersion(DEVICE_DRIVER_BLUETOOTH, eventId, pairs);
}

// Sends only the Bluetooth driver version.
void ReportBtDriverVersionEvent(const std::string& eventId);

// Sends one pair under the display audio event id.
void ReportDisplayAudioResult(const std::string& key, const std::string& value);
