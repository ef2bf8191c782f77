#pragma once
// What the Linux backend is pointed at and what it tells its caller: the sysfs root (a
// recorded tree in tests), why a disk could not be opened, and each storage control as it
// is carried out (fddisk shows progress with it).
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "BlockDisks.h"
#include "Transport.h"
#include "platform/WinTypes.h"

namespace linuxdisk {

// A disk the backend could not open, or whose commands the kernel refused for want of rights.
struct OpenFailure {
  std::string devicePath;
  int error;  // errno
};

class LinuxMachine {
 public:
  std::string sysRoot = "/sys";
  std::string devRoot = "/dev";
  bool traceCommands = false;  // each SCSI command and its answer on standard error
  std::function<void(const std::string& disk, DWORD code, bool ok, DWORD error)> onControl;
  // The transport of an opened disk; SG_IO and the NVMe ioctl when not set (tests replay
  // recorded answers through their own).
  std::function<std::unique_ptr<Transport>(const BlockDisk& disk, int fd)> makeTransport;

  // The whole disks under sysRoot and devRoot, read once for as long as the roots stay: the
  // reader opens "\\.\PhysicalDriveN" for every N it probes.
  std::vector<BlockDisk> Disks();

  void NoteOpenFailure(const std::string& devicePath, int error);
  std::vector<OpenFailure> OpenFailures();
  void NoteControl(const std::string& disk, DWORD code, bool ok, DWORD error);

 private:
  std::mutex mu_;
  std::vector<OpenFailure> failures_;
  std::string listedSys_, listedDev_;
  bool listed_ = false;
  std::vector<BlockDisk> disks_;
};

LinuxMachine& Machine();

// "\\.\PhysicalDrive3" -> 3; -1 for any other path.
int PhysicalDriveNumber(const std::wstring& path);

}  // namespace linuxdisk
