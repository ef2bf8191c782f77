#include "LinuxMachine.h"

namespace linuxdisk {

LinuxMachine& Machine() {
  static auto* machine = new LinuxMachine();
  return *machine;
}

std::vector<BlockDisk> LinuxMachine::Disks() {
  std::lock_guard lock(mu_);
  if (!listed_ || listedSys_ != sysRoot || listedDev_ != devRoot) {
    disks_ = ListBlockDisks(sysRoot, devRoot);
    listedSys_ = sysRoot;
    listedDev_ = devRoot;
    listed_ = true;
  }
  return disks_;
}

void LinuxMachine::NoteOpenFailure(const std::string& devicePath, int error) {
  std::lock_guard lock(mu_);
  failures_.push_back({devicePath, error});
}

std::vector<OpenFailure> LinuxMachine::OpenFailures() {
  std::lock_guard lock(mu_);
  return failures_;
}

void LinuxMachine::NoteControl(const std::string& disk, DWORD code, bool ok, DWORD error) {
  if (onControl)
    onControl(disk, code, ok, error);
}

}  // namespace linuxdisk
