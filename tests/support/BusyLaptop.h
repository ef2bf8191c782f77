#pragma once
// A busy laptop for load tests and benchmarks: every 5 minutes a request (rotating through
// the ids the dispatcher serves), every 7 an event-log record, every 11 a device event, every
// 13 a Realtek callback, every hour the re-check broadcast.
#include <cstdint>
#include <string>
#include <vector>

namespace busylaptop {

inline const std::vector<std::string> kRequestIds = {
    "0x380001", "0x380002", "0x380003", "0x39000A", "0x390005", "0x390007", "0x390010",
    "0x390012", "0x39001A", "0x39000E", "0x39000C", "0x390014", "0x390017", "0x390024"};

// Disk requests answer only when there is a disk.
constexpr char kOneDisk[] =
    R"("disks": [{"number": 0, "kind": "nvme", "model": "Velmora NVMe SSD"}])";

inline std::string At(std::int64_t ms) {
  return R"({"at_ms": )" + std::to_string(ms) + ", ";
}

inline std::string Scenario(int days) {
  std::string entries;
  const std::int64_t minute = 60000;
  const std::int64_t end = std::int64_t{days} * 24 * 60 * minute;
  std::size_t next = 0;
  auto add = [&](const std::string& entry) { entries += (entries.empty() ? "" : ",") + entry; };
  for (std::int64_t t = minute; t < end; t += minute) {
    const std::int64_t m = t / minute;
    if (m % 5 == 0) {
      const std::string& msg = kRequestIds[next++ % kRequestIds.size()];
      add(At(t) + R"("ipc_request": {"msg": ")" + msg +
          R"(", "src": "0x10000", "reply": "0x10001", "payload_hex": ")" +
          (msg == "0x390024" ? "00" : "") + R"("}})");
    }
    if (m % 7 == 0)
      add(At(t) + R"("event_log": {"provider": ")" + (m % 2 ? "Disk" : "BTHUSB") +
          R"(", "event_id": 7}})");
    if (m % 11 == 0)
      add(At(t) + R"("device_event": {"event": "arrival", "interface": "usb"}})");
    if (m % 13 == 0)
      add(At(t) + R"("vendor_event": {"library": "realtek", "code": 1}})");
    if (m % 60 == 0)
      add(At(t) + R"("broadcast": {"msg": "0xA0004"}})");
  }
  return R"({"run_for_ms": )" + std::to_string(end) + ", " + kOneDisk +
         R"(, "realtek": {"installed": "windows"},
            "config": {"realtek": {"IsSupportRealtekCallback": 1}},
            "wifi": {"manufacturer_type": 1}, "timeline": [)" +
         entries + "]}";
}

}  // namespace busylaptop
