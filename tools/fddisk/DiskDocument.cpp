#include "DiskDocument.h"

#include <cstdio>
#include <sstream>

#include "fdhost/DiskReplyDecoder.h"
#include "ipc/DiskAnswers.h"
#include "ipc/IPCDataIO.h"
#include "report/SmartDetailPairs.h"

namespace fddisk {

namespace {

using Json = nlohmann::ordered_json;

std::uint64_t Little(const std::uint8_t* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = v << 8 | p[i];
  return v;
}

// 128-bit NVMe counters: the low 64 bits (a drive would need 2^64 units to overflow them);
// the high half is kept apart when it is not zero.
Json Counter128(const std::uint8_t* p) {
  const std::uint64_t high = Little(p + 8, 8);
  return high ? Json{{"low", Little(p, 8)}, {"high", high}} : Json(Little(p, 8));
}

std::string Hex(const std::uint8_t* p, int n) {
  std::string out;
  char b[3];
  for (int i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, "%02x", p[i]);
    out += b;
  }
  return out;
}

std::vector<std::uint8_t> Answer(const std::vector<smart::ATA_SMART_INFO>& records,
                                 DiskRequest kind) {
  tagIPC_MESSAGE_ITEM item;
  CIPCDataIO io(256, CIPCDataIO::kSerialize, false, &item);
  io.WriteUInt32(1);  // every reply of the plug-in starts with its result
  WriteDiskAnswer(io, records, kind);
  const auto* bytes = static_cast<const std::uint8_t*>(item.pData);
  return std::vector<std::uint8_t>(bytes, bytes + io.Position());
}

}  // namespace

std::string Indented(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '\n' && i + 1 < text.size())
      out += "  ";
  }
  return out;
}

Json NvmeHealthJson(const std::uint8_t* log) {
  return Json{{"critical_warning", log[0]},
              {"temperature_kelvin", Little(log + 1, 2)},
              {"available_spare", log[3]},
              {"available_spare_threshold", log[4]},
              {"percentage_used", log[5]},
              {"data_units_read", Counter128(log + 32)},
              {"data_units_written", Counter128(log + 48)},
              {"host_read_commands", Counter128(log + 64)},
              {"host_write_commands", Counter128(log + 80)},
              {"power_cycles", Counter128(log + 112)},
              {"power_on_hours", Counter128(log + 128)},
              {"unsafe_shutdowns", Counter128(log + 144)},
              {"media_errors", Counter128(log + 160)}};
}

Json DiskJson(const smart::ATA_SMART_INFO& asi, const linuxdisk::BlockDisk* block) {
  const std::uint64_t capacity =
      asi.NumberOfSectors ? asi.NumberOfSectors * 512 : (block ? block->sectors * 512 : 0);
  Json attributes = Json::array();
  for (std::uint32_t i = 0; i < asi.AttributeCount; ++i) {
    const auto& a = asi.Attribute[i];
    attributes.push_back({{"id", a.Id},
                          {"current", a.CurrentValue},
                          {"worst", a.WorstValue},
                          {"threshold", asi.Threshold[i].ThresholdValue},
                          {"raw", Little(a.RawValue, 6)},
                          {"raw_bytes", Hex(a.RawValue, 6)},
                          {"flags", static_cast<unsigned>(a.StatusFlags)}});  // packed: by value
  }
  const bool nvme = asi.Interface.find("NVM") != std::string::npos;
  Json disk = {{"drive", asi.PhysicalDriveId},
               {"device", block ? block->devicePath : std::string()},
               {"model", asi.Model},
               {"serial", asi.SerialNumber},
               {"firmware", asi.FirmwareRev},
               {"capacity_bytes", capacity},
               {"size_mb", asi.TotalDiskSize},
               {"interface", asi.Interface},
               {"ssd", asi.IsSsd != 0},
               {"rotation_rate", asi.NominalMediaRotationRate},
               {"features",
                {{"smart", asi.IsSmartSupported != 0},
                 {"lba48", asi.IsLba48Supported != 0},
                 {"aam", asi.IsAamSupported != 0},
                 {"apm", asi.IsApmSupported != 0},
                 {"ncq", asi.IsNcqSupported != 0},
                 {"nv_cache", asi.IsNvCacheSupported != 0},
                 {"device_sleep", asi.IsDeviceSleepSupported != 0},
                 {"trim", asi.IsTrimSupported != 0}}},
               {"power_on_hours", asi.MeasuredPowerOnHours},
               {"power_on_count", asi.PowerOnCount},
               {"temperature", asi.Temperature > -300 ? Json(asi.Temperature) : Json()},
               {"attributes", attributes}};
  if (nvme)
    disk["nvme_health"] = NvmeHealthJson(asi.SmartReadData);
  Json detail = Json::object();
  for (const auto& [key, value] : DiskIdentityPairs(asi, asi.TotalDiskSize))
    detail[key] = value;
  for (const auto& [key, value] : DiskAttributePairs(asi))
    detail[key] = value;
  disk["detail_report"] = detail;
  return disk;
}

Json Document(const std::vector<smart::ATA_SMART_INFO>& records,
              const std::vector<linuxdisk::BlockDisk>& disks, const std::vector<NotRead>& notRead,
              const std::set<std::string>& shown) {
  Json doc = {{"tool", "fddisk"}, {"schema", 1}};
  Json order = Json::array();
  for (std::size_t i = 0; i < disks.size(); ++i)
    order.push_back({{"drive", i}, {"device", disks[i].devicePath}, {"model", disks[i].model}});
  doc["physical_drives"] = order;
  Json list = Json::array();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const auto drive = static_cast<std::size_t>(records[i].PhysicalDriveId);
    const linuxdisk::BlockDisk* block = drive < disks.size() ? &disks[drive] : nullptr;
    if (!shown.empty() && (!block || !shown.count(block->devicePath)))
      continue;
    Json disk = DiskJson(records[i], block);
    disk["answer_index"] = i;  // the disk index its records carry in the answers
    list.push_back(disk);
  }
  doc["disks"] = list;
  Json requests = Json::object();
  const std::pair<const char*, DiskRequest> kinds[] = {{"0x380001", DiskRequest::kHardDisks},
                                                       {"0x380002", DiskRequest::kSolidStateDisks},
                                                       {"0x380003", DiskRequest::kFeatures}};
  for (const auto& [id, kind] : kinds) {
    // Without a disk the plug-in sends no answer at all.
    requests[id] = records.empty() ? Json()
                                   : fdhost::DecodeDiskReply(
                                         static_cast<std::uint32_t>(std::stoul(id, nullptr, 16)),
                                         Answer(records, kind));
  }
  doc["requests"] = requests;
  Json skipped = Json::array();
  for (const auto& n : notRead)
    skipped.push_back({{"device", n.device}, {"reason", n.reason}});
  doc["not_read"] = skipped;
  return doc;
}

std::string DocumentText(const Json& doc) {
  std::ostringstream out;
  out << "Physical drives:\n";
  for (const auto& d : doc["physical_drives"])
    out << "  \\\\.\\PhysicalDrive" << d["drive"].get<int>() << "  "
        << d["device"].get<std::string>() << "  " << d["model"].get<std::string>() << "\n";
  for (const auto& disk : doc["disks"]) {
    out << "\n"
        << disk["device"].get<std::string>() << ": " << disk["model"].get<std::string>()
        << "\n  serial " << disk["serial"].get<std::string>() << ", firmware "
        << disk["firmware"].get<std::string>() << ", "
        << disk["capacity_bytes"].get<std::uint64_t>() << " bytes, "
        << disk["interface"].get<std::string>()
        << (disk["ssd"].get<bool>() ? ", SSD" : ", hard disk") << "\n";
    if (!disk["attributes"].empty())
      out << "  ID  current worst threshold raw\n";
    for (const auto& a : disk["attributes"]) {
      char line[96];
      std::snprintf(line, sizeof line, "  %3d %7d %5d %9d %llu\n", a["id"].get<int>(),
                    a["current"].get<int>(), a["worst"].get<int>(), a["threshold"].get<int>(),
                    static_cast<unsigned long long>(a["raw"].get<std::uint64_t>()));
      out << line;
    }
    if (disk.contains("nvme_health")) {
      for (const auto& [key, value] : disk["nvme_health"].items())
        out << "  " << key << ": " << value.dump() << "\n";
    }
    out << "  detail report: " << disk["detail_report"].dump() << "\n";
    // This disk's records in the three answers.
    for (const auto& [id, reply] : doc["requests"].items()) {
      if (reply.is_null())
        continue;
      Json mine = reply;
      mine["records"] = Json::array();
      for (const auto& record : reply["records"]) {
        if (record["disk_index"] == disk["answer_index"])
          mine["records"].push_back(record);
      }
      out << "  request " << id << ", " << Indented(fdhost::DiskReplyText(mine));
    }
  }
  for (const auto& [id, reply] : doc["requests"].items()) {
    if (reply.is_null())
      out << "\nrequest " << id << ": no answer, as no disk was read\n";
  }
  for (const auto& n : doc["not_read"])
    out << "\n" << n["device"].get<std::string>() << ": " << n["reason"].get<std::string>() << "\n";
  return out.str();
}

}  // namespace fddisk
