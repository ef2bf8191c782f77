#pragma once
// The part of WMI the disk reader reads, answered from sysfs: Win32_DiskDrive objects for the
// whole disks, as Windows would describe them.
#include "BlockDisks.h"
#include "platform/Wmi.h"

namespace linuxdisk {

// The Win32_DiskDrive object of the index-th disk.
platform::WmiObject DiskDriveObject(const BlockDisk& disk, int index);

}  // namespace linuxdisk
