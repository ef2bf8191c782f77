#pragma once
// The answers to the disk information requests (0x380001 hard disks, 0x380002 SSDs, 0x380003
// every disk's features), written from the records of a disk discovery.
#include <cstddef>
#include <vector>

#include "ipc/IPCDataIO.h"
#include "smart/AtaSmartInfo.h"

enum class DiskRequest { kHardDisks, kSolidStateDisks, kFeatures };

// The disks the request answers for, by index: SSDs or the others, or all.
std::vector<std::size_t> SelectDisks(const std::vector<smart::ATA_SMART_INFO>& disks,
                                     DiskRequest kind);
// The count and the records; each record carries the disk's index among all disks.
void WriteDiskAnswer(IIPCDataIO& io, const std::vector<smart::ATA_SMART_INFO>& disks,
                     DiskRequest kind);
