// The storage calls of the disk reader over a Linux machine's disks: "\\.\PhysicalDriveN"
// opens the N-th whole disk of ListBlockDisks; its I/O controls go through SG_IO and the NVMe
// ioctl. SCSI port devices ("\\.\ScsiN:") and drive letters do not exist here.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

#include "BlockDisks.h"
#include "LinuxMachine.h"
#include "SgTransport.h"
#include "StorageControls.h"
#include "hostapi/StringConv.h"
#include "platform/Handle.h"
#include "platform/LastError.h"
#include "platform/Storage.h"
#include "platform/Text.h"

namespace linuxdisk {

namespace {

struct OpenDisk {
  int fd = -1;
  std::unique_ptr<Transport> transport;
  DiskDevice device;
};

struct Handles {
  std::mutex mu;
  std::map<void*, std::unique_ptr<OpenDisk>> open;
  std::uintptr_t next = 0x100;
};

Handles& Table() {
  static auto* handles = new Handles();
  return *handles;
}

OpenDisk* Find(void* handle) {
  std::lock_guard lock(Table().mu);
  auto it = Table().open.find(handle);
  return it == Table().open.end() ? nullptr : it->second.get();
}

DWORD FromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return ::ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return ::ERROR_ACCESS_DENIED;
    default:
      return kErrorIoDevice;
  }
}

}  // namespace

int PhysicalDriveNumber(const std::wstring& path) {
  const std::string text = DE::UnicodeToUTF8(path);
  int number = -1;
  int used = 0;
  if (std::sscanf(text.c_str(), "\\\\.\\PhysicalDrive%d%n", &number, &used) != 1 ||
      static_cast<std::size_t>(used) != text.size() || number < 0)
    return -1;
  return number;
}

}  // namespace linuxdisk

namespace platform {

using linuxdisk::Table;

// Only the disks: there is no Windows file system here, so no other path is found (the disk
// reader's debug log beside fddisk is neither deleted nor written).
HANDLE CreateFileW(const std::wstring& path, DWORD access, DWORD, DWORD, DWORD) {
  const int number = linuxdisk::PhysicalDriveNumber(path);
  const auto disks = linuxdisk::Machine().Disks();
  if (number < 0 || static_cast<std::size_t>(number) >= disks.size()) {
    SetLastError(::ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const auto& disk = disks[static_cast<std::size_t>(number)];
  // Pass-through commands need the device open for writing, though nothing is written.
  const int flags = (access & GENERIC_WRITE ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC;
  int fd = ::open(disk.devicePath.c_str(), flags);
  if (fd < 0 && (access & GENERIC_WRITE))
    fd = ::open(disk.devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(linuxdisk::FromErrno(errno));
    linuxdisk::Machine().NoteOpenFailure(disk.devicePath, errno);
    return INVALID_HANDLE_VALUE;
  }
  auto open = std::make_unique<linuxdisk::OpenDisk>();
  open->fd = fd;
  auto& machine = linuxdisk::Machine();
  open->transport = machine.makeTransport ? machine.makeTransport(disk, fd)
                                          : std::make_unique<linuxdisk::SgTransport>(fd);
  open->device.disk = disk;
  open->device.transport = open->transport.get();
  std::lock_guard lock(Table().mu);
  void* handle = reinterpret_cast<void*>(Table().next++);
  Table().open[handle] = std::move(open);
  return handle;
}

bool CloseHandle(HANDLE handle) {
  std::unique_ptr<linuxdisk::OpenDisk> open;
  {
    std::lock_guard lock(Table().mu);
    auto it = Table().open.find(handle);
    if (it == Table().open.end()) {
      SetLastError(::ERROR_INVALID_HANDLE);
      return false;
    }
    open = std::move(it->second);
    Table().open.erase(it);
  }
  ::close(open->fd);
  return true;
}

bool DeviceIoControl(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                     DWORD outSize, DWORD* returned) {
  linuxdisk::OpenDisk* open = linuxdisk::Find(device);
  if (!open) {
    SetLastError(::ERROR_INVALID_HANDLE);
    return false;
  }
  DWORD got = 0, error = 0;
  const bool ok =
      linuxdisk::StorageControl(open->device, code, static_cast<const std::uint8_t*>(in), inSize,
                                static_cast<std::uint8_t*>(out), outSize, &got, &error);
  if (returned)
    *returned = got;
  if (!ok)
    SetLastError(error);
  linuxdisk::Machine().NoteControl(open->device.disk.name, code, ok, error);
  return ok;
}

bool ReadFile(HANDLE device, void* buffer, DWORD size, DWORD* read) {
  linuxdisk::OpenDisk* open = linuxdisk::Find(device);
  if (!open) {
    SetLastError(::ERROR_INVALID_HANDLE);
    return false;
  }
  const ssize_t got = ::read(open->fd, buffer, size);
  if (got < 0) {
    SetLastError(linuxdisk::FromErrno(errno));
    return false;
  }
  if (read)
    *read = static_cast<DWORD>(got);
  return true;
}

bool DefineDosDeviceW(const std::wstring&, const std::wstring&) {
  SetLastError(linuxdisk::kErrorInvalidFunction);
  return false;
}

DWORD GetDriveTypeW(const std::wstring&) {
  return 1;  // DRIVE_NO_ROOT_DIR: there are no drive letters
}

}  // namespace platform
