// fddisk: the plug-in's disk reader on the disks of this Linux machine. It runs the reader's
// full discovery on the real clock and prints what the three disk information requests
// would answer and each disk's S.M.A.R.T. detail report.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <set>
#include <string>

#include <log4cplus/logger.h>

#include "BlockDisks.h"
#include "DiskDocument.h"
#include "LinuxMachine.h"
#include "platform/Storage.h"
#include "smart/CAtaSmart.h"

log4cplus::Logger GetLogger() {
  // The reader's log lines are for the plug-in's host; fddisk keeps them quiet.
  log4cplus::Logger logger = log4cplus::Logger::getInstance(LOG4CPLUS_TEXT("fddisk"));
  logger.setLogLevel(log4cplus::OFF_LOG_LEVEL);
  return logger;
}

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNoDisk = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCannotOpen = 3;
constexpr int kExitNoPassThrough = 4;

const char kHelp[] = R"(usage: fddisk [--json] [--trace] [--sys DIR] [--dev DIR] [DEVICE...]

Runs the plug-in's disk reader on this machine's whole disks (SATA, SAS and USB disks as
/dev/sd*, NVMe namespaces as /dev/nvme*n*; \\.\PhysicalDriveN is the N-th of them in the
order printed first) and prints, per disk, its identity, features and S.M.A.R.T. attributes
or NVMe health, the S.M.A.R.T. detail report, and what the host's three disk information
requests (0x380001 hard disks, 0x380002 SSDs, 0x380003 features) would be answered.

  --json      one JSON document instead of text, whatever happens (bad usage, no disk):
              the disks, the messages with their severity, and the exit status
              (schema: README.md, "fddisk")
  --sys DIR   read the disk list from DIR instead of /sys
  --dev DIR   open the disks' device nodes in DIR instead of /dev
  --trace     each storage control and SCSI command on standard error, with its outcome
  DEVICE      only report these disks (e.g. /dev/sda); every disk is still discovered
  --help      this text

The pass-through commands need root or CAP_SYS_RAWIO and read access to the devices.
Exit status: 0 every disk read; 1 no disk found; 2 bad usage; 3 a disk could not be opened
(permissions) or a DEVICE is not a whole disk; 4 a disk answers no S.M.A.R.T. pass-through
(a USB bridge without SAT, say) or has none at all (virtio, Xen, MMC and NBD disks).
)";

struct Progress {
  std::map<std::string, std::chrono::steady_clock::time_point> started;
  std::map<std::string, std::chrono::steady_clock::time_point> lastNote;
};

std::string OpenFailureText(int error) {
  if (error == EACCES || error == EPERM)
    return "permission denied: the disk could not be opened or its pass-through commands were "
           "refused (run fddisk as root, or give it CAP_SYS_RAWIO and read access to the device)";
  return std::string("cannot be opened: ") + std::strerror(error);
}

// What fddisk tells besides the disks: each message goes to standard error as it is, and into
// the JSON document with its severity, as smartctl's JSON output carries its messages.
struct Messages {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  void Add(const std::string& text, const char* severity) {
    std::cerr << "fddisk: " << text << "\n";
    list.push_back({{"string", text}, {"severity", severity}});
  }
};

// Prints the document (JSON or text) with the messages and the exit status, and returns the
// status. A run that stops early prints the same document with nothing read.
int Finish(nlohmann::ordered_json document, const Messages& messages, bool json, int status) {
  if (json) {
    document["messages"] = messages.list;
    document["exit_status"] = status;
    std::cout << document.dump(2) << "\n";
  } else if (!document["physical_drives"].empty() || !document["not_read"].empty()) {
    std::cout << fddisk::DocumentText(document);
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  for (int i = 1; i < argc; ++i)
    json = json || std::string(argv[i]) == "--json";  // bad usage is answered in JSON too
  bool trace = false;
  std::set<std::string> wanted;
  Messages messages;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kHelp;
      return kExitOk;
    }
    if (arg == "--json") {
      continue;
    } else if (arg == "--trace") {
      trace = true;
      linuxdisk::Machine().traceCommands = true;
    } else if ((arg == "--sys" || arg == "--dev") && i + 1 < argc) {
      (arg == "--sys" ? linuxdisk::Machine().sysRoot : linuxdisk::Machine().devRoot) = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      messages.Add(arg == "--sys" || arg == "--dev" ? arg + " needs a folder (see --help)"
                                                    : "unknown option " + arg + " (see --help)",
                   "error");
      return Finish(fddisk::Document({}, {}, {}), messages, json, kExitUsage);
    } else {
      wanted.insert(arg);
    }
  }
  const auto disks = linuxdisk::Machine().Disks();
  const auto unreadable = linuxdisk::ListDisksWithoutPassThrough(linuxdisk::Machine().sysRoot,
                                                                 linuxdisk::Machine().devRoot);
  int status = kExitOk;
  for (const auto& device : wanted) {
    bool known = false;
    for (const auto& d : disks)
      known = known || d.devicePath == device;
    for (const auto& d : unreadable)
      known = known || d.devicePath == device;
    if (!known) {
      messages.Add(device + " is not a whole SATA, SAS, USB or NVMe disk", "error");
      status = kExitCannotOpen;
    }
  }
  std::vector<fddisk::NotRead> notRead;
  for (const auto& d : unreadable) {
    if (!wanted.empty() && !wanted.count(d.devicePath))
      continue;
    const bool vowel = d.kind == "MMC" || d.kind == "NBD";  // "an em", "an en"
    notRead.push_back({d.devicePath, (vowel ? "an " : "a ") + d.kind +
                                         " disk: its driver passes no ATA, SCSI or NVMe command "
                                         "through, so its health cannot be read"});
    status = std::max(status, kExitNoPassThrough);
  }
  if (disks.empty()) {
    if (notRead.empty() && unreadable.empty()) {
      messages.Add("no whole disk under " + linuxdisk::Machine().sysRoot + "/block", "error");
      status = kExitNoDisk;
    }
    for (const auto& n : notRead)
      messages.Add(n.device + ": " + n.reason, "warning");
    return Finish(fddisk::Document({}, {}, notRead), messages, json, status);
  }
  for (std::size_t i = 0; i < disks.size(); ++i)
    std::cerr << "\\\\.\\PhysicalDrive" << i << " = " << disks[i].devicePath << "\n";

  Progress progress;
  linuxdisk::Machine().onControl = [&progress, trace](const std::string& disk, DWORD code, bool ok,
                                                      DWORD error) {
    if (trace) {
      std::fprintf(stderr, "fddisk: /dev/%s control 0x%08X %s %u\n", disk.c_str(), code,
                   ok ? "ok" : "failed", ok ? 0u : error);
    }
    const auto now = std::chrono::steady_clock::now();
    auto& start = progress.started.try_emplace(disk, now).first->second;
    auto& note = progress.lastNote.try_emplace(disk, now).first->second;
    if (now - start > std::chrono::seconds(2) && now - note > std::chrono::seconds(2)) {
      note = now;
      std::cerr << "fddisk: still reading /dev/" << disk << " ("
                << std::chrono::duration_cast<std::chrono::seconds>(now - start).count() << " s)\n";
    }
  };
  smart::CAtaSmart reader;
  std::uint32_t changed = 0;
  reader.Init(0, 0, &changed);

  std::set<int> read;
  for (const auto& asi : reader.vars)
    read.insert(asi.PhysicalDriveId);
  std::map<std::string, int> openErrors;
  for (const auto& failure : linuxdisk::Machine().OpenFailures())
    openErrors[failure.devicePath] = failure.error;
  for (std::size_t i = 0; i < disks.size(); ++i) {
    const auto& d = disks[i];
    if (read.count(static_cast<int>(i)) || (!wanted.empty() && !wanted.count(d.devicePath)))
      continue;
    if (openErrors.count(d.devicePath)) {
      notRead.push_back({d.devicePath, OpenFailureText(openErrors[d.devicePath])});
      status = std::max(status, kExitCannotOpen);
    } else {
      notRead.push_back({d.devicePath, d.busType == linuxdisk::kBusUsb
                                           ? "the USB bridge answers no ATA pass-through (SAT): "
                                             "no S.M.A.R.T. data"
                                           : "the disk answers no S.M.A.R.T. pass-through"});
      status = std::max(status, kExitNoPassThrough);
    }
  }
  for (const auto& n : notRead)
    messages.Add(n.device + ": " + n.reason, "warning");
  return Finish(fddisk::Document(reader.vars, disks, notRead, wanted), messages, json, status);
}
