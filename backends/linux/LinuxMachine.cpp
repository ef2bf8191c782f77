#include "LinuxMachine.h"

namespace linuxdisk {

LinuxMachine& Machine() {
  static auto* machine = new LinuxMachine();
  return *machine;
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
