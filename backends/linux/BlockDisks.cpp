#include "BlockDisks.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace linuxdisk {

namespace {

namespace fs = std::filesystem;

std::string ReadLine(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\n' || line.back() == '\t'))
    line.pop_back();
  return line;
}

std::uint64_t ReadNumber(const fs::path& path, std::uint64_t fallback) {
  const std::string text = ReadLine(path);
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    return fallback;
  return std::stoull(text);
}

// prefix followed by at least one character of the class: "vda", "mmcblk0".
bool NameOf(const std::string& name, const char* prefix, bool digits) {
  const std::size_t n = std::char_traits<char>::length(prefix);
  return name.size() > n && name.compare(0, n, prefix) == 0 &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(n), name.end(), [digits](char c) {
           return digits ? (c >= '0' && c <= '9') : (c >= 'a' && c <= 'z');
         });
}

// "nvme0n1" -> (0, 1); false for anything else ("nvme0c0n1", "nvme0n1p1").
bool NvmeNumbers(const std::string& name, unsigned& controller, unsigned& ns) {
  int used = 0;
  return std::sscanf(name.c_str(), "nvme%un%u%n", &controller, &ns, &used) == 2 &&
         static_cast<std::size_t>(used) == name.size();
}

// Where the disk hangs: a USB bridge, libata (SATA), or another SCSI host (SAS, SCSI).
std::uint8_t ScsiBusType(const fs::path& blockDir, const std::string& vendor) {
  std::error_code error;
  const std::string device = fs::canonical(blockDir / "device", error).string();
  if (device.find("/usb") != std::string::npos)
    return kBusUsb;
  if (device.find("/ata") != std::string::npos || vendor == "ATA")
    return kBusSata;
  if (device.find("/sas") != std::string::npos || device.find("/end_device") != std::string::npos)
    return kBusSas;
  return kBusScsi;
}

void ReadScsiAddress(const fs::path& blockDir, BlockDisk& disk) {
  // device -> .../host0/target0:0:0/0:0:0:0: the last component is the address.
  std::error_code error;
  const std::string last = fs::canonical(blockDir / "device", error).filename().string();
  std::sscanf(last.c_str(), "%d:%d:%d:%d", &disk.host, &disk.channel, &disk.target, &disk.lun);
}

}  // namespace

std::vector<BlockDisk> ListBlockDisks(const std::string& sysRoot, const std::string& devRoot) {
  std::vector<BlockDisk> sd;
  std::vector<std::pair<std::pair<unsigned, unsigned>, BlockDisk>> nvme;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(fs::path(sysRoot) / "block", error)) {
    const std::string name = entry.path().filename().string();
    unsigned controller = 0, ns = 0;
    const bool isNvme = NvmeNumbers(name, controller, ns);
    if (!isNvme && !NameOf(name, "sd", false))
      continue;
    const fs::path dir = entry.path();
    BlockDisk disk;
    disk.name = name;
    disk.devicePath = devRoot + "/" + name;
    disk.nvme = isNvme;
    disk.model = ReadLine(dir / "device" / "model");
    disk.sectors = ReadNumber(dir / "size", 0);
    disk.logicalBlockSize =
        static_cast<std::uint32_t>(ReadNumber(dir / "queue" / "logical_block_size", 512));
    disk.removable = ReadNumber(dir / "removable", 0) != 0;
    disk.rotational = ReadNumber(dir / "queue" / "rotational", 0) != 0;
    if (isNvme) {
      disk.revision = ReadLine(dir / "device" / "firmware_rev");
      disk.serial = ReadLine(dir / "device" / "serial");
      disk.busType = kBusNvme;
      disk.nvmeController = static_cast<int>(controller);
      nvme.push_back({{controller, ns}, disk});
    } else {
      disk.vendor = ReadLine(dir / "device" / "vendor");
      disk.revision = ReadLine(dir / "device" / "rev");
      disk.busType = ScsiBusType(dir, disk.vendor);
      ReadScsiAddress(dir, disk);
      sd.push_back(disk);
    }
  }
  std::sort(sd.begin(), sd.end(), [](const BlockDisk& a, const BlockDisk& b) {
    return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
  });
  std::sort(nvme.begin(), nvme.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [numbers, disk] : nvme)
    sd.push_back(std::move(disk));
  return sd;
}

std::vector<DiskWithoutPassThrough> ListDisksWithoutPassThrough(const std::string& sysRoot,
                                                                const std::string& devRoot) {
  std::vector<DiskWithoutPassThrough> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(fs::path(sysRoot) / "block", error)) {
    const std::string name = entry.path().filename().string();
    const char* kind = NameOf(name, "vd", false)      ? "virtio"
                       : NameOf(name, "xvd", false)   ? "Xen"
                       : NameOf(name, "mmcblk", true) ? "MMC"
                       : NameOf(name, "nbd", true) && ReadNumber(entry.path() / "size", 0) > 0
                           ? "NBD"
                           : nullptr;
    if (kind)
      found.push_back({devRoot + "/" + name, kind});
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return a.devicePath.size() != b.devicePath.size() ? a.devicePath.size() < b.devicePath.size()
                                                      : a.devicePath < b.devicePath;
  });
  return found;
}

}  // namespace linuxdisk
