#pragma once
// The storage I/O controls the disk reader sends, carried out on a Linux disk: the Windows
// request buffers are read, the command goes to the kernel through the transport, and the
// answer is written into the output buffer byte for byte as Windows writes it.
#include <cstdint>

#include "BlockDisks.h"
#include "Transport.h"
#include "platform/WinTypes.h"

namespace linuxdisk {

constexpr DWORD kErrorInvalidFunction = 1;  // a control the device does not support
constexpr DWORD kErrorIoDevice = 1117;      // the device failed the command
constexpr DWORD kErrorNotReady = 21;

struct DiskDevice {
  BlockDisk disk;
  Transport* transport = nullptr;
};

// DeviceIoControl on the disk. On failure *error holds the Win32 error number.
bool StorageControl(DiskDevice& device, DWORD code, const std::uint8_t* in, DWORD inSize,
                    std::uint8_t* out, DWORD outSize, DWORD* returned, DWORD* error);

}  // namespace linuxdisk
