#pragma once
// The Wi-Fi, Bluetooth and Realtek detectors. The class holds no instance data: its state
// is process-wide (DetectorState.h) and its operations are static.
#include <cstdint>
#include <string>

#include <rapidxml/rapidxml.hpp>

class CMsgEvent;

class DeviceDriverErrorDetectEx {
 public:
  // Wi-Fi card check and repairs.
  static void StartWifiCheck();
  static void CheckWifiCard(bool firstStart);
  static void RepairWifiCard(std::uint32_t problemCode, bool firstStart);
  static bool RepairWifiByReenable(const std::wstring& hardwareId);
  static bool CheckRepairFailFlag(bool firstStart);
  static bool CanRepairWifiByGpio();
  static bool RepairWifiByGpio(bool firstStart, const std::wstring& hardwareId);
  static void ReHardByGpio();
  static bool SetFlagToBios(bool firstStart);
  static bool EnablePrivilege();
  static void SetRepairFailFlag();
  static void ClearRepairFailFlag(bool firstStart);
  static bool ChangeDeviceState(bool enable, const std::wstring& hardwareId);

  // Bluetooth check and repairs.
  static void StartBtCheck();
  static void CheckBluetooth();
  static void RepairBtReHard();
  static void RepairBtReHardInit();
  static void SubscribeBthUsbEvents();
  static void OnBthUsbEvent(const rapidxml::xml_node<>* event);

  // What is plugged in: device types on each USB hub's ports, and the monitors' addresses.
  static void ReportUsbDeviceType();
  static void ReportMonitorDeviceType();

  // Realtek Bluetooth USB error watch.
  static void RegistRealtekCallBack();
  static void UnRegistRealtekCallBack();
  static void DealRealtekUsbError(CMsgEvent* transient);

 private:
  // The body of the Wi-Fi check shared by its start-up and thread forms; true when it
  // reported an event.
  static bool CheckWifiCardSteps(bool firstStart);
};

// Enables again every device that ChangeDeviceState disabled and nothing enabled since.
void RestoreDisabledDevices();
// True when the configuration switch realtek/IsSupportRealtekCallback is on and the Wi-Fi
// card is a Realtek one.
bool IsSupportRealtekCallback();
// The Realtek library's error callback.
void OnRealtekUsbError(int code);
// Notices to client 0x490000 within 60 s of a Realtek reset.
void PostRealtekBtArrivedNotice(CMsgEvent* transient);
void PostRealtekBtRemovedNotice(CMsgEvent* transient);
