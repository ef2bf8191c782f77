// Picks the command path of one candidate disk, tries the paths in order and hands the
// first IDENTIFY answer to AddDisk or AddDiskNVMe.
#include "smart/CAtaSmart.h"
#include "smart/TextHelpers.h"

namespace smart {

bool CAtaSmart::GetDiskInfo(std::int32_t physicalDriveId, std::int32_t scsiPort,
                            std::int32_t scsiTargetId, std::int32_t interfaceType,
                            std::int32_t usbVendorId, std::int32_t usbProductId,
                            std::int32_t scsiBus, std::int32_t siliconImageType,
                            std::int32_t nvidia, std::int32_t marvell,
                            const std::string& pnpDeviceId, std::int32_t usbNvme) {
  DebugPrint("GetDiskInfo");
  if (vars.size() > kMaxDisks) {
    DebugPrint("GetDiskInfo - FALSE0");
    return false;
  }
  if (physicalDriveId >= 0) {
    for (const auto& record : vars) {
      if (record.PhysicalDriveId == physicalDriveId) {
        DebugPrint("GetDiskInfo - FALSE1");
        return false;
      }
    }
  }
  std::uint8_t identify[512] = {};

  if (interfaceType >= 0 && interfaceType <= 2) {
    if (siliconImageType != 0) {
      WakeUp(physicalDriveId);
      DebugPrint(Format("physicalDriveId=%d, scsiPort=%d, scsiBus=%d, scsiTargetId=%d",
                        physicalDriveId, scsiPort, scsiBus, scsiTargetId));
      if (DoIdentifyDeviceSi(physicalDriveId, scsiPort, scsiBus, siliconImageType, identify)) {
        DebugPrint("AddDisk - Si");
        return AddDisk(physicalDriveId, scsiPort, scsiTargetId, scsiBus, kTargetMaster,
                       CMD_TYPE_SILICON_IMAGE, identify, siliconImageType, nullptr, pnpDeviceId);
      }
    }
    if (physicalDriveId >= 0) {
      DebugPrint(Format("DoIdentifyDevicePd(%d, 0xA0) - 1", physicalDriveId));
      bool found = DoIdentifyDevicePd(physicalDriveId, kTargetMaster, identify);
      if (!found) {
        DebugPrint(Format("WakeUp(%d)", physicalDriveId));
        WakeUp(physicalDriveId);
        DebugPrint(Format("DoIdentifyDevicePd(%d, 0xA0) - 2", physicalDriveId));
        found = DoIdentifyDevicePd(physicalDriveId, kTargetMaster, identify);
      }
      if (!found) {
        DebugPrint(Format("DoIdentifyDevicePd(%d, 0xB0) - 3", physicalDriveId));
        found = DoIdentifyDevicePd(physicalDriveId, kTargetSlave, identify);
      }
      if (!found) {
        if ((nvidia || marvell || FlagFilterNoMediaType) && scsiPort >= 0 && scsiTargetId >= 0) {
          DebugPrint(Format("DoIdentifyDeviceScsi(%d, %d) - 4", scsiPort, scsiTargetId));
          if (DoIdentifyDeviceScsi(scsiPort, scsiTargetId, identify)) {
            DebugPrint(Format("AddDisk(%d, %d, %d) - 5", physicalDriveId, scsiPort, scsiTargetId));
            return AddDisk(physicalDriveId, scsiPort, scsiTargetId, scsiBus, kTargetMaster,
                           CMD_TYPE_SCSI_MINIPORT, identify, 0, nullptr, pnpDeviceId);
          }
        }
        return false;
      }
      DebugPrint(Format("AddDisk(%d, %d, %d) - 6", physicalDriveId, scsiPort, scsiTargetId));
      return AddDisk(physicalDriveId, scsiPort, scsiTargetId, scsiBus, kTargetMaster,
                     CMD_TYPE_PHYSICAL_DRIVE, identify, 0, nullptr, pnpDeviceId);
    }
    DebugPrint(Format("DoIdentifyDeviceScsi(%d, %d) - 7", scsiPort, scsiTargetId));
    if (DoIdentifyDeviceScsi(scsiPort, scsiTargetId, identify)) {
      DebugPrint(Format("AddDisk(%d, %d, %d) - 8", physicalDriveId, scsiPort, scsiTargetId));
      return AddDisk(physicalDriveId, scsiPort, scsiTargetId, scsiBus, kTargetMaster,
                     CMD_TYPE_SCSI_MINIPORT, identify, 0, nullptr, pnpDeviceId);
    }
    return false;
  }

  if (interfaceType == INTERFACE_TYPE_NVME) {
    auto add = [&](std::uint32_t type, const char* line) {
      DebugPrint(line);
      return AddDiskNVMe(physicalDriveId, scsiPort, scsiTargetId, scsiBus, kTargetMaster, type,
                         identify, pnpDeviceId);
    };
    if (FlagNVMeStorageQuery) {
      DebugPrint("DoIdentifyDeviceNVMeStorageQuery");
      if (DoIdentifyDeviceNVMeStorageQuery(physicalDriveId, identify)) {
        return add(CMD_TYPE_NVME_STORAGE_QUERY, "AddDiskNVMe - CMD_TYPE_NVME_STORAGE_QUERY");
      }
    }
    DebugPrint("DoIdentifyDeviceNVMeSamsung");
    if (DoIdentifyDeviceNVMeSamsung(physicalDriveId, identify)) {
      return add(CMD_TYPE_NVME_SAMSUNG, "AddDiskNVMe - CMD_TYPE_NVME_SAMSUNG");
    }
    DebugPrint("DoIdentifyDeviceNVMeIntel");
    if (DoIdentifyDeviceNVMeIntel(physicalDriveId, identify)) {
      return add(CMD_TYPE_NVME_INTEL, "AddDiskNVMe - CMD_TYPE_NVME_INTEL");
    }
    return false;
  }

  if (physicalDriveId < 0)
    return false;
  WakeUp(physicalDriveId);
  // A bridge attempt: identify with the command type, then add the disk with it.
  auto tryBridge = [&](std::uint32_t flag, std::uint32_t type, std::uint8_t target,
                       const char* line) {
    if (!flag || !DoIdentifyDeviceSat(physicalDriveId, target, identify, type))
      return false;
    DebugPrint(line);
    return AddDisk(physicalDriveId, scsiPort, scsiTargetId, scsiBus, target, type, identify, 0,
                   nullptr, pnpDeviceId);
  };
  auto tryNVMeBridges = [&](bool always) {
    if (always || FlagUsbNVMeJMicron) {
      DebugPrint("DoIdentifyDeviceNVMeJMicron");
      if (DoIdentifyDeviceNVMeJMicron(physicalDriveId, identify)) {
        DebugPrint("AddDiskNVMe - CMD_TYPE_NVME_JMICRON");
        return AddDiskNVMe(physicalDriveId, scsiPort, scsiTargetId, scsiBus, kTargetMaster,
                           CMD_TYPE_NVME_JMICRON, identify, pnpDeviceId);
      }
    }
    if (always || FlagUsbNVMeASMedia) {
      DebugPrint("DoIdentifyDeviceNVMeASMedia");
      if (DoIdentifyDeviceNVMeASMedia(physicalDriveId, identify)) {
        DebugPrint("AddDiskNVMe - CMD_TYPE_NVME_ASMEDIA");
        return AddDiskNVMe(physicalDriveId, scsiPort, scsiTargetId, scsiBus, kTargetMaster,
                           CMD_TYPE_NVME_ASMEDIA, identify, pnpDeviceId);
      }
    }
    return false;
  };
  if (interfaceType == INTERFACE_TYPE_USB) {
    if (usbVendorId == USB_VENDOR_LOGITEC && usbProductId == 0x00D9) {
      DebugPrint("FALSE: usbVendorId == USB_VENDOR_LOGITEC && productId == 0x00D9");
      return false;
    }
    if (usbVendorId == USB_VENDOR_JMICRON) {
      DebugPrint("usbVendorId == USB_VENDOR_JMICRON");
      if (tryBridge(FlagUsbJmicron, CMD_TYPE_JMICRON, kTargetMaster, "AddDisk - USB0A") ||
          tryBridge(FlagUsbSat, CMD_TYPE_SAT, kTargetMaster, "AddDisk - USB1A") ||
          tryBridge(FlagUsbJmicron, CMD_TYPE_JMICRON, kTargetSlave, "AddDisk - USB0B") ||
          tryBridge(FlagUsbSat, CMD_TYPE_SAT, kTargetSlave, "AddDisk - USB1B") ||
          tryNVMeBridges(false)) {
        return true;
      }
      DebugPrint("FALSE - USB0");
      return false;
    }
    if (usbVendorId == USB_VENDOR_IO_DATA) {
      if (usbProductId == 0x0122) {
        DebugPrint("(usbVendorId == USB_VENDOR_IO_DATA && productId == 0x0122)");
        if (tryBridge(FlagUsbJmicron, CMD_TYPE_JMICRON, kTargetMaster, "AddDisk - USB0A") ||
            tryBridge(FlagUsbSat, CMD_TYPE_SAT, kTargetMaster, "AddDisk - USB1A")) {
          return true;
        }
      }
      DebugPrint("usbVendorId == USB_VENDOR_IO_DATA");
      return tryBridge(FlagUsbIodata, CMD_TYPE_IO_DATA, kTargetMaster, "AddDisk - USB2") ||
             tryBridge(FlagUsbIodata, CMD_TYPE_IO_DATA, kTargetSlave, "AddDisk - USB3");
    }
    if (usbVendorId == USB_VENDOR_SUNPLUS) {
      DebugPrint("usbVendorId == USB_VENDOR_SUNPLUS");
      return tryBridge(FlagUsbSunplus, CMD_TYPE_SUNPLUS, kTargetMaster, "AddDisk - USB4") ||
             tryBridge(FlagUsbSunplus, CMD_TYPE_SUNPLUS, kTargetSlave, "AddDisk - USB5");
    }
    if (usbVendorId == USB_VENDOR_CYPRESS) {
      DebugPrint("usbVendorId == USB_VENDOR_CYPRESS");
      return tryBridge(FlagUsbCypress, CMD_TYPE_CYPRESS, kTargetMaster, "AddDisk - USB6") ||
             tryBridge(FlagUsbCypress, CMD_TYPE_CYPRESS, kTargetSlave, "AddDisk - USB7");
    }
    if (usbVendorId == USB_VENDOR_INITIO || usbVendorId == USB_VENDOR_OXFORD) {
      DebugPrint("usbVendorId == USB_VENDOR_INITIO || usbVendorId == USB_VENDOR_OXFORD");
      return tryBridge(FlagUsbSat, CMD_TYPE_SAT, kTargetMaster, "AddDisk - USB8") ||
             tryBridge(FlagUsbSat, CMD_TYPE_SAT, kTargetSlave, "AddDisk - USB9");
    }
    if (usbNvme)
      return tryNVMeBridges(true);
  }
  DebugPrint("else (USB-HDD)");
  return tryBridge(FlagUsbSat, CMD_TYPE_SAT, kTargetMaster, "AddDisk - USB10") ||
         tryBridge(FlagUsbSat, CMD_TYPE_PROLIFIC, kTargetMaster, "AddDisk - USB10") ||
         tryBridge(FlagUsbJmicron, CMD_TYPE_JMICRON, kTargetMaster, "AddDisk - USB11") ||
         tryBridge(FlagUsbSunplus, CMD_TYPE_SUNPLUS, kTargetMaster, "AddDisk - USB12") ||
         tryBridge(FlagUsbCypress, CMD_TYPE_CYPRESS, kTargetMaster, "AddDisk - USB13") ||
         tryBridge(FlagUsbLogitec, CMD_TYPE_LOGITEC1, kTargetMaster, "AddDisk - USB14") ||
         tryBridge(FlagUsbLogitec, CMD_TYPE_LOGITEC2, kTargetMaster, "AddDisk - USB14") ||
         tryBridge(FlagUsbSat, CMD_TYPE_SAT, kTargetSlave, "AddDisk - USB15") ||
         tryBridge(FlagUsbJmicron, CMD_TYPE_JMICRON, kTargetSlave, "AddDisk - USB16") ||
         tryBridge(FlagUsbSunplus, CMD_TYPE_SUNPLUS, kTargetSlave, "AddDisk - USB17") ||
         tryBridge(FlagUsbCypress, CMD_TYPE_CYPRESS, kTargetSlave, "AddDisk - USB18") ||
         tryBridge(FlagUsbLogitec, CMD_TYPE_LOGITEC1, kTargetSlave, "AddDisk - USB19") ||
         tryBridge(FlagUsbProlific, CMD_TYPE_PROLIFIC, kTargetMaster, "AddDisk - USB20") ||
         tryNVMeBridges(false);
}

}  // namespace smart
