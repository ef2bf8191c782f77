// The event log: query parsing and filtering, rendering, delivery to the plug-in's callback.
#include <gtest/gtest.h>

#include "DetectorFixture.h"
#include "emu/EventLogService.h"
#include "emu/EventQuery.h"
#include "hostapi/StringConv.h"
#include "ipc/DiskEventMonitor.h"
#include "ipc/EventLogCallback.h"
#include "platform/EventLog.h"
#include "platform/LastError.h"

namespace {

using emu::EventQuery;
using emu::EventRecord;

EventRecord Record(const char* provider, std::uint32_t id, std::int64_t timeMs = 0) {
  EventRecord r;
  r.provider = provider;
  r.eventId = id;
  r.timeMs = timeMs;
  return r;
}

TEST(EventQuery, ThePlugInsTwoQueries) {
  const EventQuery disk(DE::UnicodeToUTF8(diskmonitor::kDiskEventQuery));
  EXPECT_TRUE(disk.Matches(Record("Disk", 51), 0));
  EXPECT_TRUE(disk.Matches(Record("Disk", 7), 660000));  // exactly 11 minutes old
  EXPECT_FALSE(disk.Matches(Record("Disk", 7), 660001));
  EXPECT_TRUE(disk.Matches(Record("volmgr", 49), 0));
  EXPECT_TRUE(disk.Matches(Record("volmgr", 161), 0));
  EXPECT_FALSE(disk.Matches(Record("volmgr", 51), 0));
  EXPECT_FALSE(disk.Matches(Record("Disk", 49), 0));
  EXPECT_FALSE(disk.Matches(Record("disk", 51), 0));  // provider names compare exactly
  const EventQuery bthusb(
      "((Event/System[EventID = 7])and (Event/System/Provider[@Name='BTHUSB']))");
  EXPECT_TRUE(bthusb.Matches(Record("BTHUSB", 7), 0));
  EXPECT_FALSE(bthusb.Matches(Record("BTHUSB", 8), 0));
}

TEST(EventQuery, MalformedQueriesAreRefusedWithTheirPosition) {
  for (const char* bad :
       {"(Event/System[EventID = 7]", "Event/System[EventID = x]", "Event/System/Level[. = 2]",
        "Event/System[EventID = 7] xor Event/System[EventID = 8]",
        "Event/System/Provider[@Name=Disk]", ""}) {
    try {
      EventQuery query(bad);
      ADD_FAILURE() << "accepted: " << bad;
    } catch (const emu::QueryError& e) {
      EXPECT_NE(std::string(e.what()).find("position"), std::string::npos) << e.what();
    }
  }
}

class EventLogTest : public DetectorTest {
 protected:
  void SetUp() override {
    DetectorTest::SetUp();
    diskmonitor::ResetForTests();
  }
};

TEST_F(EventLogTest, RenderAsksForTheSizeFirst) {
  EventRecord r = Record("Disk", 51, 1772352000000);
  DWORD used = 0;
  EXPECT_FALSE(platform::EvtRender(&r, platform::EvtRenderEventXml, 0, nullptr, &used));
  EXPECT_EQ(platform::GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  std::vector<wchar_t> buffer(used / sizeof(wchar_t));
  ASSERT_TRUE(platform::EvtRender(&r, platform::EvtRenderEventXml, used, buffer.data(), &used));
  const std::string xml = DE::UnicodeToUTF8(buffer.data());
  EXPECT_NE(xml.find("<Provider Name='Disk'/>"), std::string::npos);
  EXPECT_NE(xml.find("<TimeCreated SystemTime='2026-03-01T08:00:00.0000000Z'/>"),
            std::string::npos);
  EXPECT_EQ(xml.rfind("<Event xmlns='http://schemas.microsoft.com/win/2004/08/events/event'>", 0),
            0u);
}

TEST_F(EventLogTest, CallbackCountsDiskEventsAndSkipsBadRecords) {
  Use(R"({"disks": [{"number": 0, "attributes": [{"id": 9}]}]})");
  diskmonitor::Start();
  ASSERT_EQ(emu::EventLogService::Instance().Open().size(), 1u);
  auto write = [](EventRecord r) {
    r.timeMs = emu::Laptop::Instance().StartEpochMs();
    emu::EventLogService::Instance().Write(r);
  };
  EventRecord broken = Record("Disk", 51);
  broken.xml = "<Event><System><Provider Name='Disk'/><EventID>51";  // not well-formed
  write(broken);
  EventRecord unrendered = Record("Disk", 51);
  unrendered.renderError = 5;
  write(unrendered);
  EventRecord noProvider = Record("Disk", 51);
  noProvider.xml = "<Event><System><EventID>51</EventID></System></Event>";
  write(noProvider);
  EventRecord otherCase = Record("Disk", 51);
  otherCase.xml = "<Event><System><Provider Name='DISK'/><EventID>51</EventID></System></Event>";
  write(otherCase);  // the query passed it; the handler's provider test ignores letter case
  EventRecord noId = Record("Disk", 51);
  noId.xml = "<Event><System><Provider Name='Disk'/></System></Event>";
  write(noId);
  write(Record("volmgr", 49));
  write(Record("Disk", 7));
  Settle(1000);
  const auto counts = diskmonitor::Counts();
  // Reports reset the counts; what remains is what came after the last report.
  EXPECT_EQ(counts.size(), 5u);
  std::uint32_t reports = 0;
  for (const auto& line : Lines("report"))
    reports += line["event"] == "615001001";
  EXPECT_EQ(reports, 4u);  // the start, and the first 51, 49 and 7
  dispatcher::GetState().diskMonitoring = false;
  if (void* h = dispatcher::GetState().diskEventSubscription.exchange(nullptr))
    platform::EvtClose(h);
}

}  // namespace
