#pragma once
// The host's hardware support libraries (HardwareSdk, HardwareHal) as the plug-in uses them.
// Each class is constructed on the stack for one use.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/WideOrder.h"
#include "platform/WinTypes.h"

// Device types of the hardware library. Other values are passed through as they come.
enum stDEVICE_DRIVER_TYPE : int {
  DEVICE_DRIVER_WIFI = 0,
  DEVICE_DRIVER_BLUETOOTH = 1,
  DEVICE_DRIVER_USB_PORT = 9,
  DEVICE_DRIVER_MONITOR = 13,
};

// The driver version of a device type; may be empty.
std::wstring GetDeviceDriverVersion(stDEVICE_DRIVER_TYPE type);

class CDeviceDriver {
 public:
  CDeviceDriver();
  ~CDeviceDriver();
  // Makes Windows re-enumerate the devices.
  void ScanForHardwareChange();
  std::uint32_t ResetDeviceDriver(const std::wstring& hardwareId, stDEVICE_DRIVER_TYPE type);
  std::uint32_t GetDeviceDriverErrorCode(const std::wstring& hardwareId, stDEVICE_DRIVER_TYPE type);
};

// Devices of a setup class and their software components.
class CDeviceInformention {
 public:
  CDeviceInformention();
  ~CDeviceInformention();
  // The first hardware id of every present device of the class.
  std::vector<std::wstring> GetDeviceHardwareID(const platform::Guid& classGuid);
  // The software components of the device with the hardware id; empty when it has none.
  std::vector<std::wstring> GetSoftComponentItems(const std::wstring& hardwareId);
  // Uninstalls the device; Windows installs it again at the next hardware rescan.
  std::uint32_t UnstallDeviceByHardwareIdEx(const std::wstring& hardwareId,
                                            const platform::Guid& classGuid);
};

// The network cards. Card type 0 is the wireless card.
class CNetworkCard {
 public:
  CNetworkCard();
  ~CNetworkCard();
  // Empty when there is no wireless card.
  std::wstring GetWireLessCardHardID();
  // 0 healthy, 10 cannot start; 0xFFFFFFFF unknown.
  std::uint32_t GetProblemCode(int cardType);
  std::wstring GetDriverVersion(int cardType);
};

class CNetworkAdapter {
 public:
  CNetworkAdapter();
  ~CNetworkAdapter();
  // 1: a Realtek Wi-Fi card.
  int GetWifiManuType();
};

// The Bluetooth adapter.
class CBluetooth {
 public:
  CBluetooth();
  ~CBluetooth();
  std::wstring GetDeviceName();  // empty: absent
  std::wstring GetHardwareID();  // empty: absent
  std::uint32_t GetDeviceErrorState();
  int IsInUSBClassEx(std::uint32_t& code);  // non-zero: the adapter sits in the USB class
  int IsInUnKownClass();                    // non-zero: driver not installed
  std::uint32_t RepairInUSBDriver();
  std::vector<std::wstring> GetExternalDeviceHardID();
  // Re-powers the Wi-Fi/Bluetooth module through the GPIO line.
  void RepairBtByReHard(const std::string& gpioCode, std::uint32_t& status);
};

// One port of a USB hub: the second string names what is on the port, the third is its value.
struct USB_PORT_INFO {
  std::wstring strPort;
  std::wstring strKey;
  std::wstring strValue;
};

class UsbDeviceInterface {
 public:
  UsbDeviceInterface();
  ~UsbDeviceInterface();
  // Hub id -> the records of its ports, ordered by hub id.
  platform::WideMap<std::vector<USB_PORT_INFO>> GetAllUsbPortDeviceTypeMp();
};

class MonitorDeviceInterface {
 public:
  MonitorDeviceInterface();
  ~MonitorDeviceInterface();
  // The addresses of the attached monitors, the built-in panel among them.
  std::vector<std::uint64_t> GetMonitorAddressList();
};

// The disks as the hardware library sees them.
class CDisk {
 public:
  CDisk();
  ~CDisk();
  // The vendor capacity in megabytes of the disk at the index.
  std::uint32_t GetTotalVendorCapacityM(int index);
};

// Firmware switches of the devices.
class CBiosFun {
 public:
  CBiosFun();
  ~CBiosFun();
  // True when the switch of the device type was read; state is then its value.
  bool GetBiosSwitch(bool& state, int deviceType);
};

// Methods of a WMI namespace.
class CWMI {
 public:
  explicit CWMI(const std::wstring& wmiNamespace);
  ~CWMI();
  // True when the method ran and its output bytes were written to the buffer.
  bool GetOutPutUInt(std::uint64_t methodId, std::uint8_t* buffer, std::uint32_t bufferSize);

 private:
  std::wstring namespace_;
};
