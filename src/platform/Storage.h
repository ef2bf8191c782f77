#pragma once
// Storage devices: CreateFileW (File.h) on "\\\\.\\PhysicalDriveN" or "\\\\.\\ScsiN:", the storage
// I/O controls with their raw request and answer bytes, ReadFile, and DefineDosDeviceW.
#include <cstdint>
#include <string>

#include "platform/File.h"
#include "platform/Security.h"
#include "platform/WinTypes.h"

namespace platform {

constexpr DWORD IOCTL_ATA_PASS_THROUGH = 0x0004D02C;
constexpr DWORD IOCTL_SCSI_PASS_THROUGH = 0x0004D004;
constexpr DWORD IOCTL_SCSI_MINIPORT = 0x0004D008;
constexpr DWORD IOCTL_SCSI_GET_ADDRESS = 0x00041018;
constexpr DWORD IOCTL_STORAGE_QUERY_PROPERTY = 0x002D1400;
constexpr DWORD IOCTL_STORAGE_PREDICT_FAILURE = 0x002D1100;
constexpr DWORD SMART_RCV_DRIVE_DATA = 0x0007C088;
constexpr DWORD SMART_SEND_DRIVE_COMMAND = 0x0007C084;
constexpr DWORD IOCTL_DISK_GET_DRIVE_GEOMETRY = 0x00070000;
constexpr DWORD IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS = 0x00560000;

constexpr DWORD DRIVE_FIXED = 3;
constexpr DWORD MEDIA_FIXED = 12;
constexpr DWORD BUS_TYPE_USB = 7;

// GetDriveTypeW of a root path ("C:\").
DWORD GetDriveTypeW(const std::wstring& rootPath);

// DeviceIoControl, synchronous.
bool DeviceIoControl(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                     DWORD outSize, DWORD* returned);

// ReadFile from the current position.
bool ReadFile(HANDLE device, void* buffer, DWORD size, DWORD* read);

// DefineDosDeviceW(DDD_RAW_TARGET_PATH, name, target).
bool DefineDosDeviceW(const std::wstring& name, const std::wstring& target);

}  // namespace platform
