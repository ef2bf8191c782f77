#pragma once
// The whole disks of a Linux machine as sysfs shows them: SATA, SAS and USB disks (sd*) and
// NVMe namespaces (nvme*n*), in a stable order. "\\.\PhysicalDriveN" is the N-th of them.
#include <cstdint>
#include <string>
#include <vector>

namespace linuxdisk {

// STORAGE_BUS_TYPE values the disk reader branches on.
constexpr std::uint8_t kBusScsi = 1;
constexpr std::uint8_t kBusUsb = 7;
constexpr std::uint8_t kBusSas = 10;
constexpr std::uint8_t kBusSata = 11;
constexpr std::uint8_t kBusNvme = 17;

struct BlockDisk {
  std::string name;        // "sda", "nvme0n1"
  std::string devicePath;  // "/dev/sda"
  bool nvme = false;
  std::string vendor;         // the SCSI vendor ("ATA" for a SATA disk behind libata)
  std::string model;          // sysfs device/model, blanks at the end removed
  std::string revision;       // device/rev (SCSI) or device/firmware_rev (NVMe)
  std::string serial;         // NVMe only (device/serial); SCSI disks tell it by their VPD page
  std::uint64_t sectors = 0;  // in 512-byte units, as sysfs counts them
  std::uint32_t logicalBlockSize = 512;
  bool removable = false;
  bool rotational = false;
  std::uint8_t busType = kBusScsi;
  int nvmeController = -1;  // "nvme0n1": 0
  // SCSI address (host:channel:target:lun); -1 for NVMe.
  int host = -1, channel = -1, target = -1, lun = -1;
};

// Reads sysRoot/block (normally "/sys"); the device nodes are under devRoot. Disks that are not
// whole sd or NVMe disks (loop, ram, dm, partitions) are left out. Order: sd disks by name length
// then name (sda .. sdz, sdaa ..), then NVMe namespaces by controller and namespace number.
std::vector<BlockDisk> ListBlockDisks(const std::string& sysRoot = "/sys",
                                      const std::string& devRoot = "/dev");

// A whole disk that no ATA, SCSI or NVMe command reaches: its driver has no pass-through, so
// its health cannot be read. It is no "\\.\PhysicalDriveN".
struct DiskWithoutPassThrough {
  std::string devicePath;  // "/dev/vda"
  std::string kind;        // "virtio", "Xen", "MMC", "NBD"
};

// vd* (virtio), xvd* (Xen), mmcblkN (MMC and SD cards, without their partitions and boot
// areas) and nbdN with a size (an NBD device not connected has none), by name.
std::vector<DiskWithoutPassThrough> ListDisksWithoutPassThrough(
    const std::string& sysRoot = "/sys", const std::string& devRoot = "/dev");

}  // namespace linuxdisk
