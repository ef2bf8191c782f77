// The built-in demo laptop: a healthy machine of product index 8 that the host asks a few
// questions over a little more than a virtual day.
#include "fdhost/HostRunner.h"

namespace fdhost {

emu::Scenario DemoScenario() {
  return emu::ParseScenario(R"({
    "start_time": "2026-03-01T08:00:00Z",
    "run_for_ms": 90000000,
    "product": { "index": 8, "supported_plugins": ["orba_plugin_hardware_report"],
                 "supported_properties": [["OrbLoginGuide", "china"]] },
    "bios_switches": { "1": { "readable": true, "state": false } },
    "timeline": [
      { "at_ms": 1000, "ipc_request": { "msg": "0x390024", "src": "0x10000", "reply": "0x10001",
                                        "payload_hex": "00" } },
      { "at_ms": 1500, "ipc_request": { "msg": "0x390024", "src": "0x10000", "reply": "0x10001",
                                        "payload_hex": "01" } },
      { "at_ms": 2000, "ipc_request": { "msg": "0x390005", "src": "0x10000", "reply": "0x10002",
                                        "payload_hex": "" } },
      { "at_ms": 3000, "ipc_request": { "msg": "0x390017", "src": "0x10000", "reply": "0x10003",
                                        "payload_hex": "" } },
      { "at_ms": 4000, "set": { "wmi_methods.1540.output_hex": "0003" } },
      { "at_ms": 5000, "ipc_request": { "msg": "0x390005", "src": "0x20000", "reply": "0x20001",
                                        "payload_hex": "" } },
      { "at_ms": 70000, "broadcast": { "msg": "0xA0004" } },
      { "at_ms": 86400000, "ipc_request": { "msg": "0x390024", "src": "0x10000",
                                            "reply": "0x10001", "payload_hex": "ff" } }
    ]
  })",
                            "built-in demo laptop");
}

}  // namespace fdhost
