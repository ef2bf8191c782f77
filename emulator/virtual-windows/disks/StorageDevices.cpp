// The virtual disks behind the storage I/O controls. Each disk answers on the paths its
// scenario entry lists, checks the request layouts it receives the way a driver and a drive
// would, and refuses malformed ones.
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>

#include "emu/DiskImages.h"
#include "emu/Faults.h"
#include "emu/Laptop.h"
#include "emu/StorageTrace.h"
#include "emu/Transcript.h"
#include "hostapi/StringConv.h"
#include "platform/LastError.h"
#include "platform/Storage.h"

namespace {
constexpr auto kVolume = emu::FactOf("volumes.*", emu::FactType::Map);
constexpr auto kSmartEnabledNow = emu::FactOf("disk_state.*.smart_enabled", emu::FactType::Boolean);
}  // namespace

namespace emu {

StorageTrace& StorageTrace::Instance() {
  static StorageTrace* instance = new StorageTrace();
  return *instance;
}
void StorageTrace::Clear() {
  std::lock_guard lock(mu_);
  requests_.clear();
}
void StorageTrace::Add(StorageRequest request) {
  std::lock_guard lock(mu_);
  // Long real-time runs would grow it without end: keep the latest requests only.
  constexpr std::size_t kLimit = 65536;
  if (requests_.size() >= kLimit)
    requests_.erase(requests_.begin(), requests_.begin() + kLimit / 2);
  requests_.push_back(std::move(request));
}
std::vector<StorageRequest> StorageTrace::All() const {
  std::lock_guard lock(mu_);
  return requests_;
}

namespace {

using nlohmann::json;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_IO_DEVICE = 1117;

struct DeviceHandle {
  bool scsiPort;  // "\\\\.\\ScsiN:" rather than "\\\\.\\PhysicalDriveN"
  int number;
  std::string name;
  char volume = 0;  // "\\\\.\\C:"
};

std::mutex handlesMutex;
std::set<DeviceHandle*> handles;
// NVMe bridge commands handed over by a data-out request, answered by the next data-in one.
std::mutex pendingMutex;
std::map<int, std::pair<std::string, std::uint32_t>> pendingCommand;  // drive -> (kind, selector)

std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The disks and the blocks built from them, kept until the laptop's facts change: every
// request would otherwise copy the whole disk list and rebuild its answer.
struct DiskCache {
  struct Entry {
    int number, port, target;
    std::shared_ptr<const json> disk;
  };
  std::uint64_t revision = ~std::uint64_t{0};
  std::vector<Entry> disks;
  std::map<int, std::size_t> byNumber;  // the first disk of a drive number
  std::map<std::string, Block> blocks;
};
std::mutex cacheMutex;
DiskCache cache;

void RefreshLocked() {
  const std::uint64_t revision = Laptop::Instance().Revision();
  if (revision == cache.revision)
    return;
  cache.revision = revision;
  cache.disks.clear();
  cache.byNumber.clear();
  const json disks = Laptop::Instance().Json(FactOf("disks", FactType::List));
  if (disks.is_array()) {
    for (const auto& d : disks) {
      const int number = static_cast<int>(d.contains("number") ? ParseNumber(d["number"]) : -1);
      const int port = static_cast<int>(d.contains("scsi_port") ? ParseNumber(d["scsi_port"]) : 0);
      const int target =
          static_cast<int>(d.contains("scsi_target") ? ParseNumber(d["scsi_target"]) : number);
      cache.byNumber.emplace(number, cache.disks.size());
      cache.disks.push_back({number, port, target, std::make_shared<const json>(d)});
    }
  }
  cache.blocks.clear();
}

std::shared_ptr<const json> FindDisk(const DeviceHandle& h, int scsiTarget = -1) {
  std::lock_guard lock(cacheMutex);
  RefreshLocked();
  if (!h.scsiPort) {
    auto it = cache.byNumber.find(h.number);
    return it == cache.byNumber.end() ? nullptr : cache.disks[it->second].disk;
  }
  for (const auto& entry : cache.disks) {
    if (entry.port == h.number && (scsiTarget < 0 || entry.target == scsiTarget))
      return entry.disk;
  }
  return nullptr;
}

// A block of the disk, built once per state of the laptop.
Block Cached(const json& disk, const char* kind, Block (*build)(const json&)) {
  const std::string key = std::string(kind) + ":" + std::to_string(disk.value("number", -1));
  {
    std::lock_guard lock(cacheMutex);
    RefreshLocked();
    auto it = cache.blocks.find(key);
    if (it != cache.blocks.end())
      return it->second;
  }
  Block block = build(disk);
  std::lock_guard lock(cacheMutex);
  cache.blocks.emplace(key, block);
  return block;
}

Block Identify(const json& disk) {
  return Cached(disk, "identify", &BuildIdentify);
}
Block SmartData(const json& disk) {
  return Cached(disk, "data", &BuildSmartData);
}
Block SmartThresholds(const json& disk) {
  return Cached(disk, "thresholds", &BuildSmartThresholds);
}
Block NvmeIdentify(const json& disk) {
  return Cached(disk, "nvme-identify", &BuildNvmeIdentify);
}
Block NvmeLog(const json& disk) {
  return Cached(disk, "nvme-log", &BuildNvmeLog);
}

bool Answers(const json& disk, const char* path) {
  const bool nvme = disk.value("kind", "ata") == "nvme";
  const json paths = disk.value("paths", nvme ? json::array({"nvme_storage_query"})
                                              : json::array({"ata_pass_through", "legacy"}));
  for (const auto& p : paths) {
    if (p == path)
      return true;
  }
  return false;
}

bool Fault(const json& disk, const char* fault, const char* path) {
  const json faults = disk.value("faults", json::object());
  for (const auto& p : faults.value(fault, json::array())) {
    if (p == path)
      return true;
  }
  return false;
}

bool SmartEnabled(const json& disk) {
  const int number = static_cast<int>(disk.contains("number") ? ParseNumber(disk["number"]) : -1);
  const json enabled = Laptop::Instance().Json(kSmartEnabledNow, {std::to_string(number)});
  return enabled.is_boolean() ? enabled.get<bool>() : disk.value("smart_enabled", true);
}

void EnableSmart(const json& disk) {
  const int number = static_cast<int>(disk.contains("number") ? ParseNumber(disk["number"]) : -1);
  Laptop::Instance().Put(kSmartEnabledNow, {std::to_string(number)}, true);
}

bool Fail(DWORD error) {
  platform::SetLastError(error);
  return false;
}

// Answers an ATA command (identify or S.M.A.R.T.) from the disk's blocks. The empty-model
// and all-zero faults change the answer; disabled S.M.A.R.T. refuses reads.
bool AtaAnswer(const json& disk, const char* path, std::uint8_t command, std::uint8_t feature,
               std::uint8_t* data) {
  if (command == 0xEC) {
    Block id = Identify(disk);
    if (Fault(disk, "empty_model", path))
      std::memset(id.data() + 54, 0, 40);
    if (Fault(disk, "zero", path))
      id.assign(512, 0);
    std::memcpy(data, id.data(), 512);
    return true;
  }
  if (command != 0xB0)
    return false;
  if (feature == 0xD8) {
    EnableSmart(disk);
    return true;
  }
  if (!SmartEnabled(disk))
    return false;
  Block block = feature == 0xD0   ? SmartData(disk)
                : feature == 0xD1 ? SmartThresholds(disk)
                                  : Block();
  if (block.empty())
    return false;
  if (Fault(disk, "zero", path))
    block.assign(512, 0);
  if (data)
    std::memcpy(data, block.data(), 512);
  return true;
}

std::string Hex2(std::uint8_t b) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", b);
  return text;
}

// IOCTL_ATA_PASS_THROUGH: ATA_PASS_THROUGH_EX (48), filler, data at 52.
bool AtaPassThrough(const DeviceHandle& h, const json& disk, const std::uint8_t* in, DWORD inSize,
                    std::uint8_t* out, DWORD outSize, DWORD* returned, std::string& what) {
  if (h.scsiPort || !Answers(disk, "ata_pass_through"))
    return Fail(ERROR_INVALID_FUNCTION);
  if (inSize < 52 || inSize != outSize || U16(in) != 48 || U32(in + 24) != 52 ||
      U32(in + 12) == 0) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const std::uint8_t* task = in + 40;
  const std::uint8_t feature = task[0], command = task[6], device = task[5];
  what = Hex2(command) + (command == 0xB0 ? "/" + Hex2(feature) : "");
  const std::uint32_t length = U32(in + 8);
  const bool dataIn = U16(in + 2) & 0x02;
  const bool wantsData = command == 0xEC || (command == 0xB0 && feature != 0xD8);
  if (wantsData != dataIn || (wantsData && (length != 512 || inSize != 52 + 512)) ||
      (!wantsData && length != 0)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (command == 0xB0 && (task[1] != 1 || task[2] != 1 || task[3] != 0x4F || task[4] != 0xC2)) {
    return Fail(ERROR_IO_DEVICE);  // the drive aborts a S.M.A.R.T. command without its key
  }
  if (device != ParseNumber(disk.value("target", json(0xA0))))
    return Fail(ERROR_IO_DEVICE);
  if (Fault(disk, "fail", "ata_pass_through"))
    return Fail(ERROR_IO_DEVICE);
  std::memcpy(out, in, 52);
  if (!AtaAnswer(disk, "ata_pass_through", command, feature, wantsData ? out + 52 : nullptr)) {
    return Fail(ERROR_IO_DEVICE);
  }
  *returned = Fault(disk, "short", "ata_pass_through") ? 52 : outSize;
  return true;
}

// SMART_RCV_DRIVE_DATA and SMART_SEND_DRIVE_COMMAND: SENDCMDINPARAMS in, SENDCMDOUTPARAMS out.
bool LegacySmart(const DeviceHandle& h, const json& disk, DWORD code, const std::uint8_t* in,
                 DWORD inSize, std::uint8_t* out, DWORD outSize, DWORD* returned,
                 std::string& what) {
  if (h.scsiPort || !Answers(disk, "legacy"))
    return Fail(ERROR_INVALID_FUNCTION);
  const std::uint8_t* regs = in + 4;
  const std::uint8_t feature = regs[0], command = regs[6];
  what = Hex2(command) + (command == 0xB0 ? "/" + Hex2(feature) : "");
  const bool receive = code == platform::SMART_RCV_DRIVE_DATA;
  if (receive ? (inSize != 33 || outSize < 528 || U32(in) != 512) : (inSize < 32 || outSize < 16)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (command == 0xB0 && (regs[3] != 0x4F || regs[4] != 0xC2))
    return Fail(ERROR_IO_DEVICE);
  if (command == 0xEC && (regs[1] != 1 || regs[2] != 1 || regs[3] != 0 || regs[4] != 0)) {
    return Fail(ERROR_IO_DEVICE);
  }
  if (in[12] != 0 || Fault(disk, "fail", "legacy"))
    return Fail(ERROR_IO_DEVICE);
  std::memset(out, 0, outSize);
  if (!receive) {
    if (command != 0xB0 || feature != 0xD8)
      return Fail(ERROR_INVALID_PARAMETER);
    EnableSmart(disk);
    *returned = 16;
    return true;
  }
  if (!AtaAnswer(disk, "legacy", command, feature, out + 16))
    return Fail(ERROR_IO_DEVICE);
  Put32(out, 512);
  *returned = Fault(disk, "short", "legacy") ? 16 + 256 : 528;
  return true;
}

// IOCTL_SCSI_MINIPORT: SRB_IO_CONTROL then the signature's own block.
bool Miniport(const DeviceHandle& h, const std::uint8_t* in, DWORD inSize, std::uint8_t* out,
              DWORD outSize, DWORD* returned, std::string& what) {
  if (!h.scsiPort || inSize < 28 || U32(in) != 28)
    return Fail(ERROR_INVALID_PARAMETER);
  const std::string signature(reinterpret_cast<const char*>(in + 4), 8);
  const std::uint32_t control = U32(in + 16);
  if (signature == "SCSIDISK" && inSize == 60 && outSize == 557 && U32(in + 24) == 529) {
    const int target = in[28 + 12];
    const auto found = FindDisk(h, target);
    if (!found)
      return Fail(ERROR_IO_DEVICE);
    const json& disk = *found;
    if (!Answers(disk, "scsi_miniport") || Fault(disk, "fail", "scsi_miniport")) {
      return Fail(ERROR_IO_DEVICE);
    }
    std::uint8_t regs[8];
    std::memcpy(regs, in + 28 + 4, 8);  // the answer overwrites the request
    static const std::map<std::uint32_t, std::pair<std::uint8_t, std::uint8_t>> controls = {
        {0x1B0501, {0xEC, 0}},
        {0x1B0502, {0xB0, 0xD0}},
        {0x1B0503, {0xB0, 0xD1}},
        {0x1B0504, {0xB0, 0xD8}}};
    auto it = controls.find(control);
    if (it == controls.end() || regs[6] != it->second.first ||
        (regs[6] == 0xB0 && regs[0] != it->second.second)) {
      return Fail(ERROR_INVALID_PARAMETER);
    }
    what = Hex2(regs[6]) + (regs[6] == 0xB0 ? "/" + Hex2(regs[0]) : "");
    std::memcpy(out, in, 28);
    std::memset(out + 28, 0, outSize - 28);
    if (!AtaAnswer(disk, "scsi_miniport", regs[6], regs[0], out + 44))
      return Fail(ERROR_IO_DEVICE);
    *returned = outSize;
    return true;
  }
  if (signature == "SCSIDISK" && inSize == 564 && outSize == 564 && control == 0x1B0501) {
    what = "si-identify";
    const auto found = FindDisk(h);
    if (!found || !Answers(*found, "silicon_image"))
      return Fail(ERROR_IO_DEVICE);
    const json& disk = *found;
    std::memset(out + 28, 0, 564 - 28);
    AtaAnswer(disk, "silicon_image", 0xEC, 0, out + 52);
    *returned = 564;
    return true;
  }
  if (signature == "NvmeMini" && inSize == 4248 && outSize == 4248 && control == 0xE0002000 &&
      U32(in + 24) == 4220 && U32(in + 132) == 2 && U32(in + 140) == 4096) {
    const auto found = FindDisk(h);
    if (!found || !Answers(*found, "nvme_intel") || Fault(*found, "fail", "nvme_intel")) {
      return Fail(ERROR_IO_DEVICE);
    }
    const json& disk = *found;
    const std::uint8_t* cmd = in + 52;
    std::memcpy(out, in, 152);
    std::memset(out + 152, 0, 4096);
    if (cmd[0] == 0x06 && U32(cmd + 40) == 1) {
      what = "identify";
      const Block id = NvmeIdentify(disk);
      std::memcpy(out + 152, id.data(), 4096);
    } else if (cmd[0] == 0x02 && U32(cmd + 4) == 0xFFFFFFFF && (U32(cmd + 40) & 0xFF) == 2) {
      what = "log";
      const Block log = NvmeLog(disk);
      std::memcpy(out + 152, log.data(), 512);
    } else {
      return Fail(ERROR_INVALID_PARAMETER);
    }
    *returned = 4248;
    return true;
  }
  return Fail(ERROR_INVALID_PARAMETER);
}

// The USB-to-ATA bridge CDBs: where the feature, device and command bytes sit.
struct BridgeLayout {
  const char* path;
  std::uint8_t length;
  std::uint8_t lead[4];
  int leadCount, feature, device, command;
};
const BridgeLayout kBridges[] = {
    {"sat", 12, {0xA1, 0x08, 0x0E}, 3, 3, 8, 9},
    {"prolific", 12, {0xA1, 0x1C, 0x0E}, 3, 3, 8, 9},
    {"sunplus", 12, {0xF8, 0x00, 0x22, 0x10}, 4, 5, 10, 11},
    {"io_data", 12, {0xE3, 0x00}, 2, 2, 7, 8},
    {"logitec1", 10, {0xE0, 0x00}, 2, 2, 7, 8},
    {"logitec2", 16, {0xD8, 0x15, 0x00}, 3, 3, 14, 15},
    {"jmicron", 12, {0xDF, 0x10, 0x00, 0x02}, 4, 5, 10, 11},
    {"cypress", 16, {0x24, 0x24, 0x00, 0xBE}, 4, 6, 11, 12},
};

// IOCTL_SCSI_PASS_THROUGH: SCSI_PASS_THROUGH (56), filler, sense (32), data at 92.
bool PassThrough(const DeviceHandle& h, const json& disk, const std::uint8_t* in, DWORD inSize,
                 std::uint8_t* out, DWORD outSize, DWORD* returned, std::string& what) {
  if (h.scsiPort || inSize < 56 || U16(in) != 56 || in[7] != 24 || U32(in + 24) != 92 ||
      U32(in + 32) != 60 || U32(in + 16) == 0) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const std::uint32_t length = U32(in + 12);
  const bool dataIn = in[8] == 1;
  if (outSize != 92 + length || inSize != (dataIn ? 56 : 92 + length))
    return Fail(ERROR_INVALID_PARAMETER);
  // The caller may pass one buffer as both request and answer: keep what was sent first.
  std::uint8_t cdb[16];
  std::memcpy(cdb, in + 36, 16);
  const std::uint8_t cdbLength = in[6];
  const Block sent = dataIn ? Block() : Block(in + 92, in + 92 + length);
  std::memcpy(out, in, 56);
  std::memset(out + 56, 0, outSize - 56);
  std::uint8_t* data = out + 92;
  const int drive = h.number;

  for (const auto& bridge : kBridges) {
    if (cdbLength != bridge.length || std::memcmp(cdb, bridge.lead, bridge.leadCount) != 0)
      continue;
    what = std::string(bridge.path) + " " + Hex2(cdb[bridge.command]);
    if (!Answers(disk, bridge.path) || Fault(disk, "fail", bridge.path) || !dataIn ||
        length != 512 || cdb[bridge.device] != ParseNumber(disk.value("target", json(0xA0)))) {
      return Fail(ERROR_IO_DEVICE);
    }
    if (!AtaAnswer(disk, bridge.path, cdb[bridge.command], cdb[bridge.feature], data))
      return Fail(ERROR_IO_DEVICE);
    *returned = Fault(disk, "short", bridge.path) ? 92 : outSize;
    return true;
  }
  auto remember = [&](const char* kind, std::uint32_t selector) {
    std::lock_guard lock(pendingMutex);
    pendingCommand[drive] = {kind, selector};
  };
  auto take = [&](const char* kind) {
    std::lock_guard lock(pendingMutex);
    auto it = pendingCommand.find(drive);
    if (it == pendingCommand.end() || it->second.first != kind)
      return std::uint32_t{0};
    const std::uint32_t selector = it->second.second;
    pendingCommand.erase(it);
    return selector;
  };
  auto answerNvme = [&](const char* path, std::uint32_t selector) {
    if (!Answers(disk, path) || Fault(disk, "fail", path))
      return Fail(ERROR_IO_DEVICE);
    const Block block = selector == 1 ? NvmeIdentify(disk) : NvmeLog(disk);
    std::memcpy(data, block.data(), std::min<std::size_t>(block.size(), length));
    *returned = outSize;
    return true;
  };
  // Samsung: B5 FE 00 page with the selector block out, A2 FE 00 page reads the answer.
  if (cdb[0] == 0xB5 && cdb[1] == 0xFE && (cdb[3] == 5 || cdb[3] == 6) && !dataIn &&
      length == 512) {
    what = "samsung send";
    if (!Answers(disk, "nvme_samsung"))
      return Fail(ERROR_IO_DEVICE);
    remember("samsung", U32(sent.data()));
    *returned = outSize;
    return true;
  }
  if (cdb[0] == 0xA2 && cdb[1] == 0xFE && (cdb[3] == 5 || cdb[3] == 6) && dataIn) {
    what = "samsung read";
    const std::uint32_t selector = take("samsung");
    if (selector != (cdb[3] == 5 ? 1u : 2u))
      return Fail(ERROR_IO_DEVICE);
    return answerNvme("nvme_samsung", selector);
  }
  // JMicron NVMe bridge: A1 80 hands over "NVME" and an admin command, A1 82 reads.
  if (cdb[0] == 0xA1 && cdb[1] == 0x80 && !dataIn && length == 512) {
    what = "jmicron-nvme send";
    const std::uint8_t* block = sent.data();
    if (!Answers(disk, "nvme_jmicron") || std::memcmp(block, "NVME", 4) != 0)
      return Fail(ERROR_IO_DEVICE);
    const bool identify = block[8] == 0x06 && U32(block + 48) == 1;
    const bool log = block[8] == 0x02 && (U32(block + 48) & 0xFF) == 2;
    if (!identify && !log)
      return Fail(ERROR_INVALID_PARAMETER);
    remember("jmicron", identify ? 1 : 2);
    *returned = outSize;
    return true;
  }
  if (cdb[0] == 0xA1 && cdb[1] == 0x82 && dataIn) {
    what = "jmicron-nvme read";
    const std::uint32_t selector = take("jmicron");
    if (selector == 0)
      return Fail(ERROR_IO_DEVICE);
    return answerNvme("nvme_jmicron", selector);
  }
  // ASMedia NVMe bridge: E6 06 00 01 identify (4096), E6 02 00 02 with 127 in byte 7 log.
  if (cdb[0] == 0xE6 && dataIn) {
    const bool identify = cdb[1] == 0x06 && cdb[3] == 0x01 && length == 4096;
    const bool log = cdb[1] == 0x02 && cdb[3] == 0x02 && cdb[7] == 127 && length == 512;
    what = identify ? "asmedia identify" : "asmedia log";
    if (!identify && !log)
      return Fail(ERROR_INVALID_PARAMETER);
    return answerNvme("nvme_asmedia", identify ? 1 : 2);
  }
  what = "cdb " + Hex2(cdb[0]);
  return Fail(ERROR_INVALID_FUNCTION);
}

// IOCTL_STORAGE_QUERY_PROPERTY, adapter protocol-specific, NVMe.
bool StorageQuery(const DeviceHandle& h, const json& disk, const std::uint8_t* in, DWORD inSize,
                  std::uint8_t* out, DWORD outSize, DWORD* returned, std::string& what) {
  if (!h.scsiPort && inSize >= 8 && U32(in) == 0 && U32(in + 4) == 0) {
    // StorageDeviceProperty: STORAGE_DEVICE_DESCRIPTOR with product, revision and bus type.
    what = "device descriptor";
    if (outSize < 40)
      return Fail(ERROR_INVALID_PARAMETER);
    const bool nvme = disk.value("kind", "ata") == "nvme";
    const std::string product = disk.value("model", nvme ? "Velmora NVMe SSD" : "Velmora Disk");
    const std::string revision = disk.value("firmware", "1.0");
    Block descriptor(40, 0);
    auto addText = [&](std::uint32_t fieldOffset, const std::string& text) {
      Put32(descriptor.data() + fieldOffset, static_cast<std::uint32_t>(descriptor.size()));
      descriptor.insert(descriptor.end(), text.begin(), text.end());
      descriptor.push_back(0);
    };
    addText(16, product);
    addText(20, revision);
    Put32(descriptor.data(), 40);
    Put32(descriptor.data() + 4, static_cast<std::uint32_t>(descriptor.size()));
    descriptor[10] = disk.value("removable", false) ? 1 : 0;
    const std::int64_t bus =
        disk.contains("bus_type") ? ParseNumber(disk["bus_type"]) : (nvme ? 17 : 11);
    Put32(descriptor.data() + 28, static_cast<std::uint32_t>(bus));
    const std::size_t n = std::min<std::size_t>(descriptor.size(), outSize);
    std::memcpy(out, descriptor.data(), n);
    *returned = static_cast<DWORD>(n);
    return true;
  }
  if (h.scsiPort || inSize < 48 || U32(in) != 49 || U32(in + 4) != 0)
    return Fail(ERROR_INVALID_PARAMETER);
  const std::uint8_t* proto = in + 8;
  const std::uint32_t type = U32(proto + 4), value = U32(proto + 8), sub = U32(proto + 12);
  what = type == 1 ? "identify" : "log";
  if (U32(proto) != 3 || U32(proto + 16) != 40 || U32(proto + 20) != 4096 || inSize != 48 + 4096 ||
      outSize != inSize) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (!Answers(disk, "nvme_storage_query") || Fault(disk, "fail", "nvme_storage_query")) {
    return Fail(ERROR_INVALID_FUNCTION);
  }
  std::memcpy(out, in, 48);
  std::memset(out + 48, 0, 4096);
  if (type == 1 && value == 1) {
    const Block id = NvmeIdentify(disk);
    std::memcpy(out + 48, id.data(), 4096);
  } else if (type == 2 && value == 2) {
    // Some drivers want the log of all namespaces asked for explicitly.
    if (disk.value("faults", json::object()).value("log_needs_all_namespaces", false) &&
        sub != 0xFFFFFFFF) {
      return Fail(ERROR_INVALID_PARAMETER);
    }
    const Block log = NvmeLog(disk);
    std::memcpy(out + 48, log.data(), 512);
  } else {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  *returned = outSize;
  return true;
}

}  // namespace

bool CloseDeviceHandle(void* handle) {
  std::lock_guard lock(handlesMutex);
  auto* h = static_cast<DeviceHandle*>(handle);
  if (!handles.erase(h))
    return false;
  delete h;
  return true;
}

}  // namespace emu

namespace emu {
// DriveFiles.cpp: a file of the C: drive.
platform::HANDLE OpenDriveFile(const std::string& path, DWORD access, DWORD disposition,
                               DWORD flags);
}  // namespace emu

namespace platform {

HANDLE CreateFileW(const std::wstring& path, DWORD access, DWORD, DWORD disposition, DWORD flags) {
  const std::string text = DE::UnicodeToUTF8(path);
  if (const auto error = emu::InjectedFault(emu::FaultOf("CreateFileW"), text)) {
    SetLastError(static_cast<DWORD>(*error));
    return INVALID_HANDLE_VALUE;
  }
  if (text.rfind("\\\\.\\", 0) != 0)
    return emu::OpenDriveFile(text, access, disposition, flags);
  auto* h = new emu::DeviceHandle{false, -1, ""};
  int number = -1;
  char tail = 0;
  if (text.size() == 6 && text.rfind("\\\\.\\", 0) == 0 && text[5] == ':' &&
      std::isalpha(static_cast<unsigned char>(text[4]))) {
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[4])));
    if (emu::Laptop::Instance().Json(kVolume, {std::string(1, letter)}).is_null()) {
      delete h;
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    *h = {false, -1, std::string(1, letter) + ":", letter};
    std::lock_guard lock(emu::handlesMutex);
    emu::handles.insert(h);
    return h;
  }
  if (std::sscanf(text.c_str(), "\\\\.\\PhysicalDrive%d%c", &number, &tail) == 1) {
    *h = {false, number, "PhysicalDrive" + std::to_string(number)};
  } else if ((std::sscanf(text.c_str(), "\\\\.\\Scsi%d%c", &number, &tail) == 2 ||
              std::sscanf(text.c_str(), "\\\\.\\SCSI%d%c", &number, &tail) == 2) &&
             tail == ':') {
    *h = {true, number, "Scsi" + std::to_string(number) + ":"};
  }
  if (number < 0 || !emu::FindDisk(*h)) {
    delete h;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::lock_guard lock(emu::handlesMutex);
  emu::handles.insert(h);
  return h;
}

bool DeviceIoControl(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                     DWORD outSize, DWORD* returned) {
  emu::DeviceHandle h;
  {
    std::lock_guard lock(emu::handlesMutex);
    auto* p = static_cast<emu::DeviceHandle*>(device);
    if (!emu::handles.count(p))
      return emu::Fail(ERROR_INVALID_HANDLE);
    h = *p;
  }
  if (const auto error = emu::InjectedFault(emu::FaultOf("DeviceIoControl"), [code] {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
        return std::string(text);
      }))
    return emu::Fail(static_cast<DWORD>(*error));
  const auto* input = static_cast<const std::uint8_t*>(in);
  auto* output = static_cast<std::uint8_t*>(out);
  DWORD got = 0;
  std::string what;
  std::string name;
  bool ok = false;
  const auto found = h.volume ? nullptr : emu::FindDisk(h);
  static const nlohmann::json none;
  const nlohmann::json& disk = found ? *found : none;
  if (!output || (inSize && !input)) {
    ok = emu::Fail(ERROR_INVALID_PARAMETER);
  } else {
    switch (code) {
      case IOCTL_ATA_PASS_THROUGH:
        name = "ATA_PASS_THROUGH";
        ok = emu::AtaPassThrough(h, disk, input, inSize, output, outSize, &got, what);
        break;
      case SMART_RCV_DRIVE_DATA:
      case SMART_SEND_DRIVE_COMMAND:
        name = code == SMART_RCV_DRIVE_DATA ? "SMART_RCV_DRIVE_DATA" : "SMART_SEND_DRIVE_COMMAND";
        ok = emu::LegacySmart(h, disk, code, input, inSize, output, outSize, &got, what);
        break;
      case IOCTL_SCSI_MINIPORT:
        name = "SCSI_MINIPORT";
        ok = emu::Miniport(h, input, inSize, output, outSize, &got, what);
        break;
      case IOCTL_SCSI_PASS_THROUGH:
        name = "SCSI_PASS_THROUGH";
        ok = emu::PassThrough(h, disk, input, inSize, output, outSize, &got, what);
        break;
      case IOCTL_STORAGE_QUERY_PROPERTY:
        name = "STORAGE_QUERY_PROPERTY";
        ok = emu::StorageQuery(h, disk, input, inSize, output, outSize, &got, what);
        break;
      case IOCTL_SCSI_GET_ADDRESS:
        name = "SCSI_GET_ADDRESS";
        if (outSize >= 8 && !h.scsiPort) {
          output[0] = 8;
          output[1] = output[2] = output[3] = 0;
          output[4] = static_cast<std::uint8_t>(
              disk.contains("scsi_port") ? emu::ParseNumber(disk["scsi_port"]) : 0);
          output[5] = 0;
          output[6] = static_cast<std::uint8_t>(
              disk.contains("scsi_target") ? emu::ParseNumber(disk["scsi_target"]) : h.number);
          output[7] = 0;
          got = 8;
          ok = true;
        } else {
          ok = emu::Fail(ERROR_INVALID_PARAMETER);
        }
        break;
      case IOCTL_DISK_GET_DRIVE_GEOMETRY:
        name = "DISK_GET_DRIVE_GEOMETRY";
        if (outSize >= 24 && !h.scsiPort && h.volume == 0) {
          // DISK_GEOMETRY: Cylinders, MediaType (12 fixed, 11 removable), tracks, sectors, bytes.
          std::memset(output, 0, 24);
          const std::int64_t sectors =
              disk.contains("sectors") ? emu::ParseNumber(disk["sectors"]) : 976773168;
          const std::uint64_t cylinders = static_cast<std::uint64_t>(sectors) / (255 * 63);
          for (int i = 0; i < 8; ++i)
            output[i] = static_cast<std::uint8_t>(cylinders >> (8 * i));
          emu::Put32(output + 8, disk.value("removable", false) ? 11 : MEDIA_FIXED);
          emu::Put32(output + 12, 255);
          emu::Put32(output + 16, 63);
          emu::Put32(output + 20, 512);
          got = 24;
          ok = true;
        } else {
          ok = emu::Fail(ERROR_INVALID_PARAMETER);
        }
        break;
      case IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: {
        name = "VOLUME_GET_VOLUME_DISK_EXTENTS";
        const nlohmann::json volume =
            emu::Laptop::Instance().Json(kVolume, {std::string(1, h.volume)});
        std::vector<std::int64_t> disks;
        if (volume.is_object() && volume.contains("disk"))
          disks.push_back(emu::ParseNumber(volume["disk"]));
        if (volume.is_object() && volume.contains("disks")) {
          for (const auto& d : volume["disks"])
            disks.push_back(emu::ParseNumber(d));
        }
        const DWORD needed = static_cast<DWORD>(8 + 24 * disks.size());
        if (h.volume == 0 || outSize < needed) {
          ok = emu::Fail(h.volume == 0 ? ERROR_INVALID_PARAMETER : ERROR_INSUFFICIENT_BUFFER);
          break;
        }
        std::memset(output, 0, needed);
        emu::Put32(output, static_cast<std::uint32_t>(disks.size()));
        for (std::size_t i = 0; i < disks.size(); ++i) {
          emu::Put32(output + 8 + 24 * i, static_cast<std::uint32_t>(disks[i]));
        }
        got = needed;
        ok = true;
        break;
      }
      case IOCTL_STORAGE_PREDICT_FAILURE:
        name = "STORAGE_PREDICT_FAILURE";
        if (outSize >= 516 && emu::Answers(disk, "predict_failure")) {
          std::memset(output, 0, 4);
          const emu::Block data = emu::SmartData(disk);
          std::memcpy(output + 4, data.data(), 512);
          got = 516;
          ok = true;
        } else {
          ok = emu::Fail(emu::ERROR_INVALID_FUNCTION);
        }
        break;
      default:
        name = "IOCTL " + std::to_string(code);
        ok = emu::Fail(emu::ERROR_INVALID_FUNCTION);
        break;
    }
  }
  if (returned)
    *returned = got;
  const std::string head = input ? emu::ToHex(input, std::min<DWORD>(inSize, 96)) : "";
  emu::StorageTrace::Instance().Add({h.name, name, what, ok, head});
  return ok;
}

bool ReadFile(HANDLE device, void* buffer, DWORD size, DWORD* read) {
  std::lock_guard lock(emu::handlesMutex);
  auto* h = static_cast<emu::DeviceHandle*>(device);
  if (!emu::handles.count(h) || !buffer)
    return emu::Fail(ERROR_INVALID_HANDLE);
  std::memset(buffer, 0, size);
  if (read)
    *read = size;
  emu::StorageTrace::Instance().Add({h->name, "ReadFile", "sector 0", true, ""});
  return true;
}

bool DefineDosDeviceW(const std::wstring&, const std::wstring&) {
  return true;
}

DWORD GetDriveTypeW(const std::wstring& rootPath) {
  const std::string text = DE::UnicodeToUTF8(rootPath);
  if (text.size() < 2 || text[1] != ':')
    return 1;  // DRIVE_NO_ROOT_DIR
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  const nlohmann::json volume = emu::Laptop::Instance().Json(kVolume, {std::string(1, letter)});
  if (volume.is_null())
    return 1;
  return static_cast<DWORD>(volume.is_object() && volume.contains("type")
                                ? emu::ParseNumber(volume["type"])
                                : DRIVE_FIXED);
}

}  // namespace platform
