#pragma once
// The disk reader: finds the disks, reads IDENTIFY and S.M.A.R.T. data over their command
// paths and keeps one ATA_SMART_INFO record per disk in vars.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Wmi.h"
#include "smart/AtaSmartInfo.h"

namespace smart {

constexpr std::uint8_t kTargetMaster = 0xA0;
constexpr std::uint8_t kTargetSlave = 0xB0;
constexpr std::size_t kMaxDisks = 64;

// Interface types handed to GetDiskInfo.
enum InterfaceTypeCode : std::int32_t {
  INTERFACE_TYPE_UNKNOWN = 0,
  INTERFACE_TYPE_PATA = 1,
  INTERFACE_TYPE_SATA = 2,
  INTERFACE_TYPE_USB = 3,
  INTERFACE_TYPE_IEEE1394 = 4,
  INTERFACE_TYPE_NVME = 6,
};

constexpr std::int32_t USB_VENDOR_LOGITEC = 0x0789;
constexpr std::int32_t USB_VENDOR_JMICRON = 0x152D;
constexpr std::int32_t USB_VENDOR_IO_DATA = 0x04BB;
constexpr std::int32_t USB_VENDOR_SUNPLUS = 0x04FC;
constexpr std::int32_t USB_VENDOR_CYPRESS = 0x04B4;
constexpr std::int32_t USB_VENDOR_INITIO = 0x13FD;
constexpr std::int32_t USB_VENDOR_OXFORD = 0x0928;

// A USB mass-storage device seen under a USB controller.
struct EXTERNAL_DISK_INFO {
  std::string Enclosure;
  std::uint32_t UsbVendorId = 0;
  std::uint32_t UsbProductId = 0;
};

// Where a disk was, to tell whether the set of disks changed between two Init calls.
struct DISK_POSITION {
  std::int32_t PhysicalDriveId = -1;
  std::int32_t ScsiPort = -1;
  std::int32_t ScsiTargetId = -1;
  std::uint8_t CsmiPhyEntity[64] = {};
};

class CAtaSmart {
 public:
  CAtaSmart();

  // Finds every fixed disk and leaves one record per disk in vars. The two options are
  // ignored (WMI is always used). changed, when given, is 1 afterwards when the set of
  // disks differs from the one before the call.
  void Init(std::uint32_t useWmi, std::uint32_t advancedDiskSearch, std::uint32_t* changed);

  std::vector<ATA_SMART_INFO> vars;
  std::vector<EXTERNAL_DISK_INFO> externals;
  std::vector<std::string> ideControllers, scsiControllers, usbControllers;
  std::string controllerMap;
  std::vector<std::string> uaspDevices;
  std::vector<std::string> siliconImageDevices;
  std::vector<std::int32_t> siliconImageTypes;
  std::int32_t NvidiaPresent = 0;
  std::int32_t MarvellPresent = 0;
  std::uint32_t CsmiMode = 0;
  std::uint32_t LastUpdate = 0;

  // Command path options.
  std::uint32_t FlagAtaPassThrough = 1;
  std::uint32_t FlagAtaPassThroughSmart = 1;
  std::uint32_t FlagNVMeStorageQuery = 1;
  std::uint32_t FlagUsbSat = 0, FlagUsbSunplus = 0, FlagUsbIodata = 0, FlagUsbLogitec = 0,
                FlagUsbProlific = 0, FlagUsbJmicron = 0, FlagUsbCypress = 0, FlagUsbNVMeJMicron = 0,
                FlagUsbNVMeASMedia = 0;
  // Disk filter options set by enumeration: (a) allows the S.M.A.R.T. read without support
  // bits, the SCSI scan and the SCSI miniport identify retry; (b) skips Samsung disks with
  // unfixed firmware.
  std::uint32_t FlagFilterNoMediaType = 0;
  std::uint32_t FlagFilterSamsungFirmware = 0;

  bool GetDiskInfo(std::int32_t physicalDriveId, std::int32_t scsiPort, std::int32_t scsiTargetId,
                   std::int32_t interfaceType, std::int32_t usbVendorId, std::int32_t usbProductId,
                   std::int32_t scsiBus, std::int32_t siliconImageType, std::int32_t nvidia,
                   std::int32_t marvell, const std::string& pnpDeviceId, std::int32_t usbNvme);

  bool AddDisk(std::int32_t physicalDriveId, std::int32_t scsiPort, std::int32_t scsiTargetId,
               std::int32_t scsiBus, std::uint8_t target, std::uint32_t commandType,
               const std::uint8_t* identify, std::int32_t siliconImageType,
               const std::uint8_t* csmiPhyEntity, const std::string& pnpDeviceId);
  bool AddDiskNVMe(std::int32_t physicalDriveId, std::int32_t scsiPort, std::int32_t scsiTargetId,
                   std::int32_t scsiBus, std::uint8_t target, std::uint32_t commandType,
                   const std::uint8_t* identify, const std::string& pnpDeviceId);

  static bool FillSmartData(ATA_SMART_INFO& asi);
  static bool FillSmartThreshold(ATA_SMART_INFO& asi);
  static bool CheckSmartAttributeCorrect(const ATA_SMART_INFO& asi1, const ATA_SMART_INFO& asi2);

  // Physical drive: ATA pass-through, else the legacy S.M.A.R.T. controls.
  bool SendAtaCommandPd(std::int32_t physicalDriveId, std::uint8_t target, std::uint8_t command,
                        std::uint8_t feature, std::uint8_t* data, std::uint32_t dataSize);
  bool DoIdentifyDevicePd(std::int32_t physicalDriveId, std::uint8_t target,
                          std::uint8_t* identify);
  bool GetSmartAttributePd(std::int32_t physicalDriveId, std::uint8_t target, ATA_SMART_INFO& asi);
  bool GetSmartThresholdPd(std::int32_t physicalDriveId, std::uint8_t target, ATA_SMART_INFO& asi);
  bool ControlSmartStatusPd(std::int32_t physicalDriveId, std::uint8_t target);

  // SCSI miniport on the SCSI port.
  bool DoIdentifyDeviceScsi(std::int32_t scsiPort, std::int32_t scsiTargetId,
                            std::uint8_t* identify);
  bool GetSmartAttributeScsi(std::int32_t scsiPort, std::int32_t scsiTargetId, ATA_SMART_INFO& asi);
  bool GetSmartThresholdScsi(std::int32_t scsiPort, std::int32_t scsiTargetId, ATA_SMART_INFO& asi);
  bool ControlSmartStatusScsi(std::int32_t scsiPort, std::int32_t scsiTargetId);

  // USB bridges: SCSI pass-through with the command type's CDB.
  bool DoIdentifyDeviceSat(std::int32_t physicalDriveId, std::uint8_t target,
                           std::uint8_t* identify, std::uint32_t commandType);
  bool GetSmartAttributeSat(std::int32_t physicalDriveId, std::uint8_t target, ATA_SMART_INFO& asi);
  bool GetSmartThresholdSat(std::int32_t physicalDriveId, std::uint8_t target, ATA_SMART_INFO& asi);
  bool ControlSmartStatusSat(std::int32_t physicalDriveId, std::uint8_t target,
                             std::uint32_t commandType);

  // Silicon Image controllers.
  bool DoIdentifyDeviceSi(std::int32_t physicalDriveId, std::int32_t scsiPort, std::int32_t scsiBus,
                          std::int32_t siliconImageType, std::uint8_t* identify);
  bool GetSmartAttributeSi(std::int32_t physicalDriveId, ATA_SMART_INFO& asi);

  // NVMe: identify controller into 512 bytes, and the SMART / Health log into SmartReadData.
  bool DoIdentifyDeviceNVMeStorageQuery(std::int32_t physicalDriveId, std::uint8_t* identify);
  bool GetSmartAttributeNVMeStorageQuery(std::int32_t physicalDriveId, ATA_SMART_INFO& asi);
  bool DoIdentifyDeviceNVMeSamsung(std::int32_t physicalDriveId, std::uint8_t* identify);
  bool GetSmartAttributeNVMeSamsung(std::int32_t physicalDriveId, ATA_SMART_INFO& asi);
  bool DoIdentifyDeviceNVMeIntel(std::int32_t physicalDriveId, std::uint8_t* identify);
  bool GetSmartAttributeNVMeIntel(std::int32_t physicalDriveId, ATA_SMART_INFO& asi);
  bool DoIdentifyDeviceNVMeJMicron(std::int32_t physicalDriveId, std::uint8_t* identify);
  bool GetSmartAttributeNVMeJMicron(std::int32_t physicalDriveId, ATA_SMART_INFO& asi);
  bool DoIdentifyDeviceNVMeASMedia(std::int32_t physicalDriveId, std::uint8_t* identify);
  bool GetSmartAttributeNVMeASMedia(std::int32_t physicalDriveId, ATA_SMART_INFO& asi);

  // Reads sector 0 to spin the disk up.
  void WakeUp(std::int32_t physicalDriveId);

  // S.M.A.R.T. data (selector 0) or thresholds (1) from the WMI failure-predict classes.
  bool GetSmartInfoWmi(int selector, ATA_SMART_INFO& asi);

 private:
  bool ReadSmartByCommandType(ATA_SMART_INFO& asi);
  bool ReadNVMeLog(ATA_SMART_INFO& asi);
  // A record with its address, command type and PnP id, everything else at its start value.
  static ATA_SMART_INFO NewRecord(std::int32_t drive, std::int32_t port, std::int32_t targetId,
                                  std::int32_t bus, std::uint8_t target, std::uint32_t commandType,
                                  const std::string& pnpDeviceId);
  // The external disk whose enclosure name starts with the WMI model, or null.
  const EXTERNAL_DISK_INFO* ExternalFor(const std::string& wmiModel) const;
  bool StartWmiService();
  void ReadControllers();
  void WalkWmiDisks();
  void PostProcessWmiDisk(ATA_SMART_INFO& asi, const std::string& wmiModel,
                          const std::string& wmiInterface, std::uint64_t wmiSize, bool uasp);
  void ProbePhysicalDrives();
  void ScanScsiPorts();
  void MapDriveLetters();

  std::vector<DISK_POSITION> positions_;
  std::unique_ptr<platform::WmiConnection> wmi_;

  bool SatCommand(std::int32_t physicalDriveId, std::uint8_t target, std::uint8_t feature,
                  std::uint8_t command, std::uint32_t commandType, std::uint8_t* data);
};

// The PCI Express link texts ("PCIe 3.0 x4", or "----") of an NVMe record.
void FindPciExpressLink(ATA_SMART_INFO& asi);

// The disk reader's debug log: written only at a raised debug level.
void DebugPrint(const std::string& text);
// 0 (the plug-in's level): the log file is deleted once and nothing is written.
void SetDiskDebugLevel(int level);

}  // namespace smart
