// Rendered event-log records as the subscription callback receives them: arbitrary XML text
// through render, wide-to-UTF-8, parse, and the disk or Bluetooth handling it leads to.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzEmulator.h"
#include "emu/EventQuery.h"
#include "ipc/DiskEventMonitor.h"
#include "ipc/EventLogCallback.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::StartEmulator();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  emu::EventRecord record;
  record.xml.assign(reinterpret_cast<const char*>(data), size);
  if (record.xml.empty())
    record.xml = " ";  // an empty text would render the record's own XML
  ipc::EventLogCallback(platform::EvtSubscribeActionDeliver, nullptr, &record);
  fuzzsupport::FinishThreads();
  diskmonitor::ResetForTests();
  return 0;
}
