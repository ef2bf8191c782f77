// The answers to the three disk information requests: a count, then one record per selected
// disk (hard disks, SSDs, or every disk with its features).
#include "ipc/DiskAnswers.h"

#include "ipc/PayloadEncoding.h"
#include "platform/Text.h"

namespace {

void WriteText(IIPCDataIO& io, const std::string& utf8) {
  payload::WriteWideString(io, platform::Utf8ToWide(utf8));
}

void WriteAttributes(IIPCDataIO& io, const smart::ATA_SMART_INFO& asi, int count) {
  for (int i = 0; i < count; ++i) {
    const auto& a = asi.Attribute[i];
    payload::WriteSmartAttribute(
        io, {a.Id, a.StatusFlags, a.CurrentValue, a.WorstValue, asi.Threshold[i].ThresholdValue});
  }
}

void WriteCommonFields(IIPCDataIO& io, const smart::ATA_SMART_INFO& asi) {
  WriteText(io, asi.Interface);
  io.WriteUInt32(asi.InterfaceType);
  WriteText(io, asi.Model);
  io.WriteBytes(&asi.PowerOnCount, 4);
  io.WriteBytes(&asi.DetectedPowerOnHours, 4);
  WriteText(io, asi.FirmwareRev);
}

void WriteRecord(IIPCDataIO& io, const smart::ATA_SMART_INFO& asi, std::uint8_t index,
                 DiskRequest kind) {
  switch (kind) {
    case DiskRequest::kHardDisks:
      WriteCommonFields(io, asi);
      io.WriteBytes(&index, 1);
      WriteAttributes(io, asi, 24);
      break;
    case DiskRequest::kSolidStateDisks:
      WriteCommonFields(io, asi);
      io.WriteBytes(&asi.RawValueQuirk, 4);
      io.WriteBytes(&index, 1);
      WriteAttributes(io, asi, 22);
      break;
    case DiskRequest::kFeatures:
      io.WriteBytes(&index, 1);
      for (std::uint32_t value : {asi.IsSsd, asi.IsSmartSupported, asi.IsLba48Supported,
                                  asi.IsAamSupported, asi.IsApmSupported, asi.IsNcqSupported,
                                  asi.IsNvCacheSupported, asi.IsDeviceSleepSupported,
                                  asi.IsTrimSupported, static_cast<std::uint32_t>(asi.PowerOnCount),
                                  static_cast<std::uint32_t>(asi.MeasuredPowerOnHours)}) {
        io.WriteUInt32(value);
      }
      WriteText(io, asi.FirmwareRev);
      WriteText(io, asi.Interface);
      break;
  }
}

}  // namespace

std::vector<std::size_t> SelectDisks(const std::vector<smart::ATA_SMART_INFO>& disks,
                                     DiskRequest kind) {
  std::vector<std::size_t> selected;
  for (std::size_t i = 0; i < disks.size(); ++i) {
    const bool ssd = disks[i].IsSsd != 0;
    if (kind == DiskRequest::kFeatures || (kind == DiskRequest::kSolidStateDisks) == ssd)
      selected.push_back(i);
  }
  return selected;
}

void WriteDiskAnswer(IIPCDataIO& io, const std::vector<smart::ATA_SMART_INFO>& disks,
                     DiskRequest kind) {
  const auto selected = SelectDisks(disks, kind);
  io.WriteUInt32(static_cast<std::uint32_t>(selected.size()));
  for (std::size_t i : selected)
    WriteRecord(io, disks.at(i), static_cast<std::uint8_t>(i), kind);
}
