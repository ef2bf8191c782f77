#pragma once
// What fddisk prints: the discovered disks as one JSON document (the schema is in README.md)
// and as text for people.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "BlockDisks.h"
#include "smart/AtaSmartInfo.h"

namespace fddisk {

// A whole disk that gave no record, and why.
struct NotRead {
  std::string device;
  std::string reason;
};

// The record as JSON; the block device gives the capacity when the record has none (the
// reader takes an NVMe disk's size from WMI, which it keeps in megabytes).
nlohmann::ordered_json DiskJson(const smart::ATA_SMART_INFO& asi, const linuxdisk::BlockDisk* disk);
// The NVMe SMART / Health Information log page (02h) fields.
nlohmann::ordered_json NvmeHealthJson(const std::uint8_t* log);
nlohmann::ordered_json Document(const std::vector<smart::ATA_SMART_INFO>& records,
                                const std::vector<linuxdisk::BlockDisk>& disks,
                                const std::vector<NotRead>& notRead);
std::string DocumentText(const nlohmann::ordered_json& document);

}  // namespace fddisk
