// The whole disks of a machine read from sysfs: which block devices count, their order,
// their bus and SCSI address, and what WMI's Win32_DiskDrive says of them.
#include <gtest/gtest.h>

#include "BlockDisks.h"
#include "FakeSysfs.h"
#include "LinuxWmi.h"

namespace {

using linuxdisk::BlockDisk;

void AddMachine(FakeSysfs& sys) {
  sys.AddDisk("sdaa", "pci0000:00/0000:00:1f.2/ata6/host5/target5:0:0/5:0:0:0", 1000,
              {{"model", "LATE DISK\n"}, {"vendor", "ATA     \n"}, {"rev", "1\n"}});
  sys.AddDisk("sdb", "pci0000:00/0000:00:04.0/usb1/1-1/1-1:1.0/host2/target2:0:0/2:0:0:0", 4194304,
              {{"model", "QEMU HARDDISK   \n"}, {"vendor", "QEMU    \n"}, {"rev", "2.5+\n"}}, true,
              true);
  sys.AddDisk("sda", "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0", 2097152,
              {{"model", "QEMU HARDDISK   \n"}, {"vendor", "ATA     \n"}, {"rev", "2.5+\n"}}, true);
  sys.AddDisk("nvme1n1", "pci0000:00/0000:00:06.0/nvme/nvme1", 8, {{"model", "Second\n"}});
  sys.AddDisk("nvme0n1", "pci0000:00/0000:00:05.0/nvme/nvme0", 8388608,
              {{"model", "QEMU NVMe Ctrl                          \n"},
               {"serial", "fdnvme0001          \n"},
               {"firmware_rev", "8.2.0   \n"}});
  for (const char* other : {"loop0", "vda", "zram0", "nvme0c0n1", "sd", "sda1", "dm-0"})
    sys.AddOther(other);
}

TEST(BlockDisks, WholeSdAndNvmeDisksInAStableOrder) {
  FakeSysfs sys;
  AddMachine(sys);
  const auto disks = linuxdisk::ListBlockDisks(sys.Root());
  std::vector<std::string> names;
  for (const auto& d : disks)
    names.push_back(d.name);
  EXPECT_EQ(names, (std::vector<std::string>{"sda", "sdb", "sdaa", "nvme0n1", "nvme1n1"}));
  const BlockDisk& sata = disks[0];
  EXPECT_EQ(sata.devicePath, "/dev/sda");
  EXPECT_EQ(sata.model, "QEMU HARDDISK");
  EXPECT_EQ(sata.vendor, "ATA");
  EXPECT_EQ(sata.busType, linuxdisk::kBusSata);
  EXPECT_EQ(sata.sectors, 2097152u);
  EXPECT_TRUE(sata.rotational);
  EXPECT_EQ((std::vector<int>{sata.host, sata.channel, sata.target, sata.lun}),
            (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(disks[1].busType, linuxdisk::kBusUsb);
  EXPECT_TRUE(disks[1].removable);
  EXPECT_EQ(disks[1].host, 2);
  EXPECT_EQ(disks[2].host, 5);
  const BlockDisk& nvme = disks[3];
  EXPECT_TRUE(nvme.nvme);
  EXPECT_EQ(nvme.busType, linuxdisk::kBusNvme);
  EXPECT_EQ(nvme.model, "QEMU NVMe Ctrl");
  EXPECT_EQ(nvme.serial, "fdnvme0001");
  EXPECT_EQ(nvme.revision, "8.2.0");
  EXPECT_EQ(nvme.host, -1);
  EXPECT_EQ(nvme.nvmeController, 0);
  EXPECT_EQ(disks[4].nvmeController, 1);
  EXPECT_TRUE(linuxdisk::ListBlockDisks(sys.Root() + "/nothing").empty());
}

// Disks whose drivers pass no command through are found apart, by kind; their partitions,
// an MMC card's boot areas and an NBD device without a connection are not disks.
TEST(BlockDisks, DisksWithoutPassThroughByKind) {
  FakeSysfs sys;
  AddMachine(sys);  // vda among the others
  for (const char* other : {"xvdb", "mmcblk0", "mmcblk0p1", "mmcblk0boot0", "vda1", "nbd0", "nbd1"})
    sys.AddOther(other);
  FakeSysfs::Write(std::filesystem::path(sys.Root()) / "block" / "nbd1" / "size", "8\n");
  std::vector<std::string> found;
  for (const auto& d : linuxdisk::ListDisksWithoutPassThrough(sys.Root(), "/dev"))
    found.push_back(d.devicePath + " " + d.kind);
  EXPECT_EQ(found, (std::vector<std::string>{"/dev/vda virtio", "/dev/nbd1 NBD", "/dev/xvdb Xen",
                                             "/dev/mmcblk0 MMC"}));
}

std::string Text(const platform::WmiObject& o, const wchar_t* key) {
  const auto& text = o.at(key).text;
  return std::string(text.begin(), text.end());
}

TEST(BlockDisks, Win32DiskDriveAsWindowsDescribesTheDisks) {
  FakeSysfs sys;
  AddMachine(sys);
  const auto disks = linuxdisk::ListBlockDisks(sys.Root());
  const auto sata = linuxdisk::DiskDriveObject(disks[0], 0);
  EXPECT_EQ(Text(sata, L"DeviceID"), "\\\\.\\PHYSICALDRIVE0");
  EXPECT_EQ(Text(sata, L"Model"), "QEMU HARDDISK");
  EXPECT_EQ(Text(sata, L"InterfaceType"), "IDE");
  EXPECT_EQ(Text(sata, L"MediaType"), "Fixed hard disk media");
  EXPECT_EQ(Text(sata, L"Size"), "1073741824");
  EXPECT_EQ(Text(sata, L"PNPDeviceID"), "SCSI\\DISK&VEN_ATA&PROD_QEMU_HARDDISK\\SDA");
  const auto usb = linuxdisk::DiskDriveObject(disks[1], 1);
  EXPECT_EQ(Text(usb, L"Model"), "QEMU QEMU HARDDISK USB Device");
  EXPECT_EQ(Text(usb, L"InterfaceType"), "USB");
  EXPECT_EQ(Text(usb, L"MediaType"), "Removable Media");
  EXPECT_EQ(usb.at(L"SCSIPort").integer, 2);
  const auto nvme = linuxdisk::DiskDriveObject(disks[3], 3);
  EXPECT_EQ(Text(nvme, L"InterfaceType"), "SCSI");
  EXPECT_EQ(Text(nvme, L"PNPDeviceID"), "SCSI\\DISK&VEN_NVME&PROD_QEMU_NVME_CTRL\\NVME0N1");
}

}  // namespace
