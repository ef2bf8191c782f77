#pragma once
// What fddisk prints: the discovered disks as one JSON document (the schema is in README.md)
// and as text for people.
#include <set>
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
// records: the whole discovery (the answers are computed over all of it, as the plug-in would
// answer); shown: the devices to list, every one when empty.
nlohmann::ordered_json Document(const std::vector<smart::ATA_SMART_INFO>& records,
                                const std::vector<linuxdisk::BlockDisk>& disks,
                                const std::vector<NotRead>& notRead,
                                const std::set<std::string>& shown = {});
std::string DocumentText(const nlohmann::ordered_json& document);
// The text with every line after the first indented by two blanks.
std::string Indented(const std::string& text);

}  // namespace fddisk
