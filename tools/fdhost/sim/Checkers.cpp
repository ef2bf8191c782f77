// The checkers that read a run's transcript.
#include "fdhost/sim/Checkers.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <span>

#include "emu/Laptop.h"
#include "fdhost/DiskReplyDecoder.h"

namespace fdhost::sim {

namespace {

constexpr std::uint32_t kPlugin = 0x380000;
// How long after a request its answer may still be on its way when the run ends: the Wi-Fi
// repair takes seconds plus a reinstall that waits for the installer, and a winsock reset
// holds the receiving thread (and the disk requests behind it) for up to 30 s each.
constexpr std::int64_t kAnswerGraceMs = 30 * 60 * 1000;

std::string At(const emu::Line& line) {
  return "at " + std::to_string(line.value("t_ms", std::int64_t{0})) + " ms";
}

std::uint32_t Number(const emu::Line& line, const char* key, std::uint32_t fallback) {
  if (!line.contains(key))
    return fallback;
  return static_cast<std::uint32_t>(emu::ParseNumber(line[key]));
}

enum class Body { None, U32, U8, MapU32, MapWString, BiosSwitch, Disk };

// What the plug-in answers to a request: its body, or None when it answers nothing.
Body ExpectedBody(std::uint32_t msg, bool hasPayload) {
  switch (msg) {
    case 0x380001:
    case 0x380002:
    case 0x380003:
      return Body::Disk;
    case 0x39000A:
    case 0x39000C:
    case 0x390005:
      return Body::U32;
    case 0x390007:
      return Body::U8;
    case 0x39001A:
      return Body::MapWString;
    case 0x390010:
    case 0x390012:
    case 0x390014:
      return hasPayload ? Body::MapU32 : Body::None;
    case 0x390024:
      return hasPayload ? Body::BiosSwitch : Body::None;
    default:
      return Body::None;  // 0x39000E, 0x390017 and every id without a handler
  }
}

std::uint32_t U32At(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
         static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The service name a start request carries: its first 520 bytes up to the first NUL unit,
// empty when longer than that.
std::u16string ServiceNameOf(const std::vector<unsigned char>& payload) {
  std::vector<unsigned char> buffer(522, 0);
  if (payload.size() <= 520)
    std::copy(payload.begin(), payload.end(), buffer.begin());
  std::u16string name;
  for (std::size_t i = 0; i < buffer.size(); i += 2) {
    const auto unit = static_cast<char16_t>(buffer[i] | buffer[i + 1] << 8);
    if (unit == 0)
      break;
    name.push_back(unit);
  }
  return name;
}

// What is wrong with an answer's bytes for the request, or "".
std::string AnswerProblem(Body body, std::uint32_t msg, const std::vector<unsigned char>& request,
                          const std::vector<unsigned char>& answer) {
  if (answer.size() < 4 || U32At(answer, 0) != 1)
    return "does not begin with the u32 1";
  const auto deviceType = request.empty() ? 0u
                                          : static_cast<std::uint32_t>(static_cast<std::int32_t>(
                                                static_cast<signed char>(request[0])));
  auto flag = [](unsigned char b) { return b == 0 || b == 1; };
  switch (body) {
    case Body::None:
      return "an answer where none belongs";
    case Body::U32:
      return answer.size() == 8 ? "" : "not one u32";
    case Body::U8:
      return answer.size() == 5 && flag(answer[4]) ? "" : "not one byte 0 or 1";
    case Body::MapU32:
      if (answer.size() != 16 || U32At(answer, 4) != 1)
        return "not a map of one u32 entry";
      if (U32At(answer, 8) != deviceType)
        return "the entry's key is not the device type " + std::to_string(deviceType);
      return U32At(answer, 12) <= 1 ? "" : "the entry's value is not 0 or 1";
    case Body::BiosSwitch:
      if (answer.size() != 10)
        return "not u32, u8, u8";
      if (U32At(answer, 4) != deviceType)
        return "the device type is not " + std::to_string(deviceType);
      return flag(answer[8]) && flag(answer[9]) ? "" : "result or state not 0 or 1";
    case Body::MapWString: {
      if (answer.size() < 16 || U32At(answer, 4) != 1)
        return "not a map of one entry";
      const std::size_t units = U32At(answer, 8);
      if (answer.size() != 16 + 2 * units)
        return "the name's length does not match the answer's";
      std::u16string key;
      for (std::size_t i = 0; i < units; ++i)
        key.push_back(static_cast<char16_t>(answer[12 + 2 * i] | answer[13 + 2 * i] << 8));
      if (key != ServiceNameOf(request))
        return "the entry's name is not the requested service";
      return U32At(answer, 12 + 2 * units) <= 1 ? "" : "the entry's value is not 0 or 1";
    }
    case Body::Disk:
      try {
        DecodeDiskReply(msg, answer);
        return "";
      } catch (const DecodeError& e) {
        return e.what();
      }
  }
  return "";
}

bool Injected(const std::vector<emu::Line>& transcript, const std::string& call) {
  for (const auto& line : transcript) {
    if (line["kind"] == "fault_injected" && line.value("call", "") == call)
      return true;
  }
  return false;
}

std::optional<std::int64_t> TimeOfHostOp(const std::vector<emu::Line>& transcript,
                                         const std::string& op) {
  for (const auto& line : transcript) {
    if (line["kind"] == "host" && line.value("op", "") == op)
      return line.value("t_ms", std::int64_t{0});
  }
  return std::nullopt;
}

std::vector<std::int64_t> TimesOfHostOp(const std::vector<emu::Line>& transcript,
                                        const std::string& op) {
  std::vector<std::int64_t> times;
  for (const auto& line : transcript) {
    if (line["kind"] == "host" && line.value("op", "") == op)
      times.push_back(line.value("t_ms", std::int64_t{0}));
  }
  return times;
}

// Whether the device enumeration was made to fail while the plug-in stopped, before the
// fault line at faultMs: then not even its last attempt to enable what a repair left disabled
// could find the device.
bool EnablingRefusedAtStop(const std::vector<emu::Line>& transcript, std::int64_t faultMs) {
  std::optional<std::int64_t> stop;
  for (const std::int64_t uninit : TimesOfHostOp(transcript, "uninit")) {
    if (uninit <= faultMs)
      stop = uninit;
  }
  return stop && std::any_of(transcript.begin(), transcript.end(), [&](const emu::Line& l) {
           const auto t = l.value("t_ms", std::int64_t{0});
           return l["kind"] == "fault_injected" && t >= *stop && t <= faultMs &&
                  l.value("call", "").rfind("SetupDi", 0) == 0;
         });
}

void CheckFaultLines(const std::vector<emu::Line>& transcript, Judgement& j) {
  j.judged.insert("fault_lines");
  for (const auto& line : transcript) {
    if (line["kind"] != "fault" ||
        (line.value("what", "") == "devices left disabled" &&
         EnablingRefusedAtStop(transcript, line.value("t_ms", std::int64_t{0}))))
      continue;
    j.failures.push_back({"fault_lines", At(line) + ": " + line.value("what", "")});
  }
}

// Between an unload and the next load (or the end) only the host writes: its own lines, the
// faults its checks find, and the failures injected into its loading of the next life.
void CheckAfterUnload(const std::vector<emu::Line>& transcript, Judgement& j) {
  bool unloaded = false;
  for (const auto& line : transcript) {
    const bool host = line["kind"] == "host";
    const bool loading = line["kind"] == "fault_injected" &&
                         (line["call"] == "LoadLibraryExA" || line["call"] == "GetProcAddress");
    if (unloaded && !host && !loading && line["kind"] != "fault") {
      j.failures.push_back({"after_unload", At(line) + ": " + line.dump()});
      return;
    }
    if (host && line.value("op", "") == "unload")
      unloaded = true;
    if (host && line.value("op", "") == "x3RegisterPlugin")
      unloaded = false;
  }
  if (unloaded)
    j.judged.insert("after_unload");
  else if (TimeOfHostOp(transcript, "init"))
    j.failures.push_back({"after_unload", "the plug-in was never unloaded"});
}

// Disks the enumeration skips on purpose: Samsung models with a firmware that corrupts data
// when sent commands, and tiered-storage virtual disks.
bool IsSkippedModel(const nlohmann::json& disk) {
  const std::string model = disk.value("model", "");
  const std::string firmware = disk.value("firmware", "");
  const bool samsung =
      model.rfind("SAMSUNG HD155UI", 0) == 0 || model.rfind("SAMSUNG HD204UI", 0) == 0;
  return (samsung && firmware.rfind("1AQ10003", 0) != 0) ||
         model.find("FuzeDrive") != std::string::npos || model.find("StoreMI") != std::string::npos;
}

// A disk request has no answer when no disk is found; a fixed disk that answers its commands
// plainly is found unless a call on the way was made to fail (removable media are not
// disks to the enumeration).
bool DisksAreFound(const emu::Scenario& scenario, const std::vector<emu::Line>& transcript) {
  for (const auto& line : transcript) {
    if (line["kind"] == "fault_injected")
      return false;
  }
  // Without WMI only the drive probe looks, and it finds ATA disks alone.
  const auto services = scenario.laptop.value("services", nlohmann::json::object());
  if (services.is_object() && services.contains("Winmgmt") && services["Winmgmt"].is_object() &&
      services["Winmgmt"].value("start", "ok") == "fail")
    return false;
  const auto disks = scenario.laptop.value("disks", nlohmann::json::array());
  for (const auto& disk : disks) {
    if (disk.is_object() && !disk.contains("faults") && !disk.contains("identify_hex") &&
        !disk.contains("smart_data_hex") && !disk.contains("paths") &&
        !disk.value("removable", false) && !IsSkippedModel(disk))
      return true;
  }
  return false;
}

void CheckAnswers(const emu::Scenario& scenario, const std::vector<emu::Line>& transcript,
                  Judgement& j) {
  const auto uninits = TimesOfHostOp(transcript, "uninit");
  const bool answersMayBeLost =
      Injected(transcript, "CreateThread") || Injected(transcript, "PostIPCMessage");
  const bool disksFound = DisksAreFound(scenario, transcript);
  // Each answer belongs to the latest request sent before it by its addressee under its
  // message id (the requester and the reply id that request asked for).
  struct Asked {
    const emu::Line* request;
    std::vector<const emu::Line*> answers;
  };
  std::vector<Asked> asked;
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::size_t> latest;
  for (const auto& line : transcript) {
    if (line["kind"] == "ipc") {
      const auto it = latest.find({Number(line, "dst", 0), Number(line, "msg", 0)});
      if (it != latest.end())
        asked[it->second].answers.push_back(&line);
    } else if (line["kind"] == "input" && line.value("input", "") == "ipc_request" &&
               Number(line, "dst", kPlugin) == kPlugin) {
      latest[{Number(line, "src", 0), Number(line, "reply", 0xFFFFFFFF)}] = asked.size();
      asked.push_back({&line, {}});
    }
  }
  for (const auto& [request, found] : asked) {
    const emu::Line& line = *request;
    j.judged.insert("answers");
    const std::uint32_t msg = Number(line, "msg", 0);
    const auto bytes = emu::FromHex(line.value("payload_hex", ""));
    const Body body = ExpectedBody(msg, !bytes.empty());
    const std::size_t count = found.size();
    const std::string what = At(line) + ": request " + line.value("msg", "") + " ";
    if (body == Body::None) {
      if (count > 0)
        j.failures.push_back({"answers", what + "got an answer where none belongs"});
      continue;
    }
    if (count > 1) {
      j.failures.push_back({"answers", what + "answered " + std::to_string(count) + " times"});
      continue;
    }
    if (count == 0) {
      const std::int64_t sent = line.value("t_ms", std::int64_t{0});
      const bool due = body != Body::Disk || disksFound;
      // The stop of the plug-in's life in which the request came.
      const auto stop = std::lower_bound(uninits.begin(), uninits.end(), sent);
      if (due && !answersMayBeLost && stop != uninits.end() && sent + kAnswerGraceMs <= *stop)
        j.failures.push_back({"answers", what + "never answered"});
      continue;
    }
    const emu::Line& answer = *found.front();
    if (Number(answer, "src", 0) != 0xFFFFFFFF)
      j.failures.push_back({"answers", what + "answered from a source other than 0xFFFFFFFF"});
    const std::string problem =
        AnswerProblem(body, msg, bytes, emu::FromHex(answer.value("payload_hex", "")));
    if (!problem.empty())
      j.failures.push_back({"answers", what + "answer: " + problem});
  }
}

void CheckReports(const std::vector<emu::Line>& transcript, Judgement& j) {
  for (const auto& line : transcript) {
    if (line["kind"] != "report")
      continue;
    j.judged.insert("reports");
    const std::string problem =
        ReportFormProblem(line.value("event", ""), line.value("content", ""),
                          line.value("fields", emu::Line::object()));
    if (!problem.empty())
      j.failures.push_back({"reports", At(line) + ": " + line.value("event", "") + ": " + problem});
  }
}

// The touchpad's frequency limit, played along: 100 reports within an hour of the window's
// start end its reports with "627003002"; 100 that took longer start a new window.
void CheckTouchpadWindow(const emu::Scenario& scenario, std::span<const emu::Line> life,
                         Judgement& j) {
  if (life.empty())
    return;
  std::int64_t windowStart = (scenario.startEpochMs + life.front().value("t_ms", 0)) / 1000;
  int count = 0;
  bool limitDue = false, silenced = false;
  for (const auto& line : life) {
    const std::string event = line.value("event", "");
    if (line["kind"] != "report" || event.rfind("62700300", 0) != 0)
      continue;
    j.judged.insert("report_limits");
    if (event == "627003002") {
      if (!limitDue)
        j.failures.push_back({"report_limits", At(line) + ": 627003002 without 100 reports"});
      limitDue = false;
      silenced = true;
      continue;
    }
    if (silenced || limitDue) {
      j.failures.push_back({"report_limits", At(line) + ": a touchpad report after the limit"});
      return;
    }
    if (++count < 100)
      continue;
    const std::int64_t now = (scenario.startEpochMs + line.value("t_ms", std::int64_t{0})) / 1000;
    count = 0;
    limitDue = now - windowStart < 3600;
    windowStart = now;
  }
  if (limitDue)
    j.failures.push_back({"report_limits", "100 touchpad reports within the hour, no 627003002"});
}

// The limits of one life of the plug-in (its counts start again when it is loaded again).
void CheckLifeReportLimits(const emu::Scenario& scenario, std::span<const emu::Line> life,
                           bool reportsLost, Judgement& j) {
  std::map<std::string, int> perHub;
  int monitorReports = 0;
  for (const auto& line : life) {
    if (line["kind"] != "report")
      continue;
    const std::string event = line.value("event", "");
    if (event == "627002001")
      ++monitorReports;
    if (event == "627001001") {
      try {
        ++perHub[nlohmann::json::parse(line.value("content", "")).value("hubId", "")];
      } catch (const nlohmann::json::exception&) {
        // the reports checker names the broken content
      }
    }
  }
  if (monitorReports > 0 || !perHub.empty())
    j.judged.insert("report_limits");
  if (monitorReports > 100)
    j.failures.push_back(
        {"report_limits", std::to_string(monitorReports) + " monitor reports (at most 100)"});
  for (const auto& [hub, count] : perHub) {
    if (count > 100)
      j.failures.push_back(
          {"report_limits", std::to_string(count) + " reports of hub " + hub + " (at most 100)"});
  }
  if (!reportsLost)  // a lost report leaves the touchpad's count unseen
    CheckTouchpadWindow(scenario, life, j);
}

void CheckReportLimits(const emu::Scenario& scenario, const std::vector<emu::Line>& transcript,
                       Judgement& j) {
  const bool reportsLost = Injected(transcript, "SendMsg");
  std::size_t start = 0;
  for (std::size_t i = 1; i <= transcript.size(); ++i) {
    const bool newLife = i < transcript.size() && transcript[i]["kind"] == "host" &&
                         transcript[i].value("op", "") == "x3RegisterPlugin";
    if (i == transcript.size() || newLife) {
      CheckLifeReportLimits(scenario, std::span(transcript).subspan(start, i - start), reportsLost,
                            j);
      start = i;
    }
  }
}

// A file the laptop laid as a link is never deleted or written by the plug-in: it refuses
// links where it deletes and writes, so a "file" line at such a path means it went through
// one (unless the timeline replaced the path first).
void CheckLinks(const emu::Scenario& scenario, const std::vector<emu::Line>& transcript,
                Judgement& j) {
  const auto links = scenario.laptop.value("links", nlohmann::json::object());
  if (!links.is_object() || links.empty())
    return;
  j.judged.insert("links");
  std::set<std::string> replaced;
  for (const auto& line : transcript) {
    if (line["kind"] == "input" && line.value("input", "") == "file")
      replaced.insert(line.value("path", ""));
    if (line["kind"] != "file")
      continue;
    const std::string path = line.value("path", "");
    if (links.contains(path) && !replaced.count(path))
      j.failures.push_back(
          {"links", At(line) + ": " + line.value("op", "") + " through a link: " + path});
  }
}

}  // namespace

Judgement JudgeTranscript(const emu::Scenario& scenario, const std::vector<emu::Line>& transcript) {
  Judgement j;
  CheckFaultLines(transcript, j);
  CheckAfterUnload(transcript, j);
  CheckAnswers(scenario, transcript, j);
  CheckReports(transcript, j);
  CheckReportLimits(scenario, transcript, j);
  CheckLinks(scenario, transcript, j);
  return j;
}

const std::vector<std::string>& CheckerNames() {
  static const std::vector<std::string> names = {
      "generator", "crash",   "hang",          "deadlock", "fault_lines", "after_unload",
      "answers",   "reports", "report_limits", "links",    "memory",      "replay"};
  return names;
}

}  // namespace fdhost::sim
