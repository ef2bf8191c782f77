// The S.M.A.R.T. detail report: one "615001001" event per disk with its identity, the event
// counts and last-seen times, and its attributes.
#include <string>

#include "common/Log.h"
#include "hostapi/HardwareSdk.h"
#include "ipc/DiskEventMonitor.h"
#include "ipc/MsgEvent.h"
#include "report/Report.h"
#include "report/SmartDetailPairs.h"
#include "smart/CAtaSmart.h"

namespace {
constexpr std::uint32_t kReportedIds[] = {7, 51, 161, 11, 49};
}

void CMsgEvent::ReportSmartInfoDetail(bool report) {
  if (!report)
    return;
  smart::CAtaSmart reader;
  std::uint32_t changed = 0;
  reader.Init(0, 0, &changed);
  if (reader.vars.empty()) {
    LOG_WARN("not support");
    return;
  }
  for (std::size_t index = 0; index < reader.vars.size(); ++index) {
    const auto& asi = reader.vars[index];
    const std::uint32_t size = asi.TotalDiskSize != 0
                                   ? asi.TotalDiskSize
                                   : CDisk().GetTotalVendorCapacityM(static_cast<int>(index));
    ReportPairList pairs = DiskIdentityPairs(asi, size);
    for (std::uint32_t id : kReportedIds) {
      std::uint32_t count = 0;
      std::uint64_t seen = 0;
      if (!diskmonitor::TakeCount(id, count, seen))
        continue;
      pairs.emplace_back("Event" + std::to_string(id), std::to_string(seen));
      pairs.emplace_back("Event" + std::to_string(id) + "Numbers", std::to_string(count));
    }
    const auto attributes = DiskAttributePairs(asi);
    pairs.insert(pairs.end(), attributes.begin(), attributes.end());
    ReportEventPairs("615001001", pairs);
  }
}
