// The HTML page's data: lanes, marks, and texts that must not break out of their place.
#include <gtest/gtest.h>

#include <sstream>

#include "fdhost/HtmlTimeline.h"

namespace {

std::string Page(const std::string& title, const std::vector<emu::Line>& lines) {
  std::ostringstream out;
  fdhost::WriteHtmlTimeline(out, title, lines);
  return out.str();
}

// The JSON of the marks as the page's script reads it.
nlohmann::json Marks(const std::string& page) {
  const std::string open = "<script type=\"application/json\" id=\"marks\">";
  const auto begin = page.find(open) + open.size();
  std::string json = page.substr(begin, page.find("</script>", begin) - begin);
  for (std::size_t at; (at = json.find("<\\/")) != std::string::npos;)
    json.replace(at, 3, "</");
  return nlohmann::json::parse(json);
}

TEST(HtmlTimeline, EachLineIsAMarkInItsLane) {
  const std::vector<emu::Line> lines = {
      {{"t_ms", 0}, {"kind", "host"}, {"op", "init"}},
      {{"t_ms", 200}, {"kind", "report"}, {"event", "608001011"}, {"content", "{}"}},
      {{"t_ms", 1000}, {"kind", "input"}, {"input", "ipc_request"}, {"msg", 0x390024}},
      {{"t_ms", 1000}, {"kind", "ipc"}, {"dst", 0x10000}, {"msg", 0x10001}},
      {{"t_ms", 2000}, {"kind", "device"}, {"op", "disable"}, {"hardware_id", "PCI\\A"}},
      {{"t_ms", 3000},
       {"kind", "input"},
       {"input", "event_log"},
       {"provider", "Disk"},
       {"event_id", 51}},
      {{"t_ms", 4000}, {"kind", "fault"}, {"what", "devices left disabled"}}};
  const auto marks = Marks(Page("run", lines));
  ASSERT_EQ(marks.size(), lines.size());
  const auto& lanes = fdhost::HtmlLanes();
  auto laneOf = [&](std::size_t i) { return lanes[marks[i][1].get<std::size_t>()]; };
  EXPECT_EQ(laneOf(0), "host");
  EXPECT_EQ(laneOf(1), "reports");
  EXPECT_EQ(marks[1][2], "608001011 Wi-Fi card has a problem code");  // the catalogue's meaning
  EXPECT_EQ(laneOf(2), "requests and replies");
  EXPECT_EQ(marks[2][2], "request 3735588 (BIOS switch)");  // a number given as a number
  EXPECT_EQ(laneOf(3), "requests and replies");
  EXPECT_EQ(laneOf(4), "device operations");
  EXPECT_EQ(marks[4][2], "disable PCI\\A");
  EXPECT_EQ(laneOf(5), "event log");
  EXPECT_EQ(marks[5][2], "Disk event 51");
  EXPECT_EQ(laneOf(6), "host");
  EXPECT_EQ(marks[6][0], 4000);
  EXPECT_EQ(nlohmann::json::parse(marks[6][3].get<std::string>())["what"], "devices left disabled");
}

TEST(HtmlTimeline, TextsCannotBreakOutOfThePage) {
  const std::string nasty = "a \"quote\", <b>tags</b>, </script><script>alert(1)</script> and é€😀";
  const auto page = Page("run of <" + nasty + ">",
                         {{{"t_ms", 5}, {"kind", "log"}, {"text", nasty}, {"level", 40000}}});
  // One script element of data per kind, and only the page's own script after them.
  EXPECT_EQ(page.find("</script><script>alert"), std::string::npos);
  EXPECT_NE(page.find("<title>run of &lt;a &quot;quote&quot;, &lt;b&gt;tags&lt;/b&gt;"),
            std::string::npos);
  const auto marks = Marks(page);
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0][2], nasty);                   // the label arrives whole, non-ASCII included
  EXPECT_NE(page.find("é€😀"), std::string::npos);  // as UTF-8, not escaped
}

}  // namespace
